// Export encoding through the sink next to the ffmpeg tool encoding the same frames with
// "-c:v libx264 -crf 19 -pix_fmt yuv420p" in the same run. The counter "ratio" is the sink's
// time over ffmpeg's; the target is at most 1.2.
#include "media/libav/LibavVideoSink.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <vector>

using orvi::media::VideoExportOptions;
using orvi::media::VideoFrame;
using orvi::media::VideoInfo;
using orvi::media::libav::LibavVideoSink;

namespace {

constexpr int kFrames = 90;
const QSize kSize(1920, 1080);

struct Frames
{
    QTemporaryDir folder;
    QString rawPath;
    std::vector<VideoFrame> frames;
};

Frames& frames()
{
    static Frames instance;
    return instance;
}

QString ffmpegPath()
{
    return QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
}

// Raw RGBA frames of a test pattern, kept both on disk (for ffmpeg) and in memory (sink).
bool prepareFrames()
{
    Frames& f = frames();
    f.rawPath = f.folder.filePath(QStringLiteral("frames.rgba"));
    QProcess ffmpeg;
    ffmpeg.start(ffmpegPath(),
                 {"-v", "error", "-f", "lavfi", "-i",
                  QStringLiteral("testsrc2=s=%1x%2:r=30").arg(kSize.width()).arg(kSize.height()),
                  "-frames:v", QString::number(kFrames), "-f", "rawvideo", "-pix_fmt", "rgba",
                  f.rawPath});
    if (!ffmpeg.waitForFinished(300000) || ffmpeg.exitCode() != 0)
        return false;
    QFile raw(f.rawPath);
    if (!raw.open(QIODevice::ReadOnly))
        return false;
    for (int i = 0; i < kFrames; ++i) {
        QImage image(kSize, QImage::Format_RGBA8888);
        if (raw.read(reinterpret_cast<char*>(image.bits()), image.sizeInBytes()) !=
            image.sizeInBytes())
            return false;
        f.frames.push_back(VideoFrame{image, i * 33'333, i});
    }
    return true;
}

double encodeWithSink(const QString& output, QString* error)
{
    VideoInfo info;
    info.frameSize = kSize;
    info.nominalFrameRate = 30.0;
    info.frameCount = kFrames;
    info.durationUs = qint64(kFrames) * 1'000'000 / 30;
    QElapsedTimer timer;
    timer.start();
    LibavVideoSink sink;
    VideoExportOptions options; // quality 75: crf 19
    if (!sink.open(output, info, options, error))
        return -1.0;
    for (const VideoFrame& frame : frames().frames)
        if (!sink.writeFrame(frame, error))
            return -1.0;
    if (!sink.finish(error))
        return -1.0;
    return double(timer.nsecsElapsed()) / 1e9;
}

double encodeWithFfmpeg(const QString& output)
{
    QElapsedTimer timer;
    timer.start();
    QProcess ffmpeg;
    ffmpeg.start(ffmpegPath(),
                 {"-v",       "error",
                  "-f",       "rawvideo",
                  "-pix_fmt", "rgba",
                  "-s",       QStringLiteral("%1x%2").arg(kSize.width()).arg(kSize.height()),
                  "-r",       "30",
                  "-i",       frames().rawPath,
                  "-c:v",     "libx264",
                  "-crf",     "19",
                  "-pix_fmt", "yuv420p",
                  "-y",       output});
    if (!ffmpeg.waitForFinished(600000) || ffmpeg.exitCode() != 0)
        return -1.0;
    return double(timer.nsecsElapsed()) / 1e9;
}

void BM_ExportEncodingVersusFfmpeg(benchmark::State& state)
{
    double sinkTotal = 0.0;
    double ffmpegTotal = 0.0;
    int run = 0;
    for (auto _ : state) {
        const QString sinkOutput = frames().folder.filePath(QStringLiteral("sink-%1.mp4").arg(run));
        const QString toolOutput = frames().folder.filePath(QStringLiteral("tool-%1.mp4").arg(run));
        ++run;
        QString error;
        const double sinkSeconds = encodeWithSink(sinkOutput, &error);
        const double ffmpegSeconds = encodeWithFfmpeg(toolOutput);
        if (sinkSeconds < 0.0 || ffmpegSeconds < 0.0) {
            state.SkipWithError(error.isEmpty() ? "ffmpeg failed"
                                                : error.toLocal8Bit().constData());
            return;
        }
        state.SetIterationTime(sinkSeconds);
        sinkTotal += sinkSeconds;
        ffmpegTotal += ffmpegSeconds;
        QFile::remove(sinkOutput);
        QFile::remove(toolOutput);
    }
    state.counters["sinkFps"] = kFrames * run / sinkTotal;
    state.counters["ffmpegFps"] = kFrames * run / ffmpegTotal;
    state.counters["ratio"] = sinkTotal / ffmpegTotal;
    state.SetItemsProcessed(state.iterations() * kFrames);
}

} // namespace

BENCHMARK(BM_ExportEncodingVersusFfmpeg)->Iterations(3)->UseManualTime()->Unit(benchmark::kSecond);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    if (!prepareFrames()) {
        std::fprintf(stderr, "Could not prepare the raw frames with ffmpeg.\n");
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
