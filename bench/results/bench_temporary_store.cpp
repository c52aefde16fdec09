// Throughput of the temporary result store next to a plain sequential write and read of the
// same bytes in the same folder. Run on an idle machine; the page cache is not dropped, so
// the numbers show the store's overhead rather than the disk's speed.
#include "results/TemporaryVideo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

using orvi::media::VideoFrame;
using orvi::media::VideoInfo;
using orvi::project_data::TemporaryVideo;

namespace {

constexpr int kFrames = 32;
const QSize kSize(1920, 1080);

VideoInfo benchInfo()
{
    VideoInfo info;
    info.frameSize = kSize;
    info.nominalFrameRate = 30.0;
    return info;
}

// Processed frames arrive in the stored format, as the motion core produces them.
VideoFrame benchFrame(int index)
{
    VideoFrame frame;
    frame.image = QImage(kSize, QImage::Format_ARGB32);
    frame.image.fill(QColor(index * 7 % 256, 90, 160));
    frame.presentationTimeUs = index * 33'333;
    frame.frameIndex = index;
    return frame;
}

std::unique_ptr<TemporaryVideo> writeResult(const std::vector<VideoFrame>& frames)
{
    auto video = std::make_unique<TemporaryVideo>(benchInfo());
    if (!video->begin())
        return nullptr;
    for (const VideoFrame& frame : frames)
        if (!video->appendFrame(frame))
            return nullptr;
    return video->finish() ? std::move(video) : nullptr;
}

std::vector<VideoFrame> benchFrames()
{
    std::vector<VideoFrame> frames;
    for (int i = 0; i < kFrames; ++i)
        frames.push_back(benchFrame(i));
    return frames;
}

qint64 frameBytes()
{
    return qint64(kSize.width()) * kSize.height() * 4;
}

void BM_StoreWrite(benchmark::State& state)
{
    const auto frames = benchFrames();
    for (auto _ : state) {
        auto video = writeResult(frames);
        if (!video) {
            state.SkipWithError("store write failed");
            return;
        }
        state.PauseTiming();
        video.reset(); // removal is not part of the write
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * kFrames * frameBytes());
}

void BM_PlainWrite(benchmark::State& state)
{
    const auto frames = benchFrames();
    QTemporaryDir folder(QDir(QDir::tempPath()).filePath(QStringLiteral("orvi-bench-XXXXXX")));
    const QString path = folder.filePath(QStringLiteral("plain.bin"));
    for (auto _ : state) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            state.SkipWithError("plain write failed");
            return;
        }
        for (const VideoFrame& frame : frames)
            file.write(reinterpret_cast<const char*>(frame.image.constBits()),
                       frame.image.sizeInBytes());
        file.close();
        state.PauseTiming();
        QFile::remove(path);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * kFrames * frameBytes());
}

void BM_StoreRead(benchmark::State& state)
{
    const auto video = writeResult(benchFrames());
    if (!video) {
        state.SkipWithError("store write failed");
        return;
    }
    VideoFrame frame;
    for (auto _ : state) {
        for (qint64 i = 0; i < video->frameCount(); ++i) {
            if (!video->loadFrame(i, frame)) {
                state.SkipWithError("store read failed");
                return;
            }
            benchmark::DoNotOptimize(frame.image.constBits());
        }
    }
    state.SetBytesProcessed(state.iterations() * kFrames * frameBytes());
}

void BM_PlainRead(benchmark::State& state)
{
    QTemporaryDir folder(QDir(QDir::tempPath()).filePath(QStringLiteral("orvi-bench-XXXXXX")));
    const QString path = folder.filePath(QStringLiteral("plain.bin"));
    const auto frames = benchFrames();
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)) {
            state.SkipWithError("plain write failed");
            return;
        }
        for (const VideoFrame& frame : frames)
            file.write(reinterpret_cast<const char*>(frame.image.constBits()),
                       frame.image.sizeInBytes());
    }
    QImage image(kSize, QImage::Format_ARGB32);
    for (auto _ : state) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            state.SkipWithError("plain read failed");
            return;
        }
        for (int i = 0; i < kFrames; ++i)
            file.read(reinterpret_cast<char*>(image.bits()), image.sizeInBytes());
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetBytesProcessed(state.iterations() * kFrames * frameBytes());
}

} // namespace

// A first, cold write grows the file through fresh pages; time several rounds.
BENCHMARK(BM_StoreWrite)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_PlainWrite)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_StoreRead)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
