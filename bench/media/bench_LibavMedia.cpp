// Probe and decode throughput of the FFmpeg media layer on a 1920 x 1080 H.264 clip.
//
// The clip (600 frames of moving, noisy test pattern) is made once with the ffmpeg tool and
// kept in ORVI_BENCH_CLIP_DIR (default: the temporary folder). Before the benchmarks run, the
// probe is timed against `ffmpeg -v error -i CLIP -f null -` on the same clip and the ratio is
// printed; the target is at most 1.15.

#include "media/libav/LibavVideoAnalyzer.h"
#include "media/libav/LibavVideoSource.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <functional>
#include <limits>
#include <sys/resource.h>

using orvi::media::ReadResult;
using orvi::media::VideoFrame;
using orvi::media::VideoInfo;
using orvi::media::libav::LibavVideoAnalyzer;
using orvi::media::libav::LibavVideoSource;

namespace {

constexpr int clipFrames = 600;
QString g_clip;
VideoInfo g_clipInfo;

QString clipPath()
{
    QString directory = qEnvironmentVariable("ORVI_BENCH_CLIP_DIR");
    if (directory.isEmpty()) {
        directory = QDir(QStandardPaths::writableLocation(QStandardPaths::TempLocation))
                        .filePath(QStringLiteral("orvi-bench"));
    }
    QDir().mkpath(directory);
    return QDir(directory).filePath(QStringLiteral("textured-1080p-600.mp4"));
}

bool makeClip(const QString& path)
{
    if (QFileInfo(path).size() > 0) {
        return true;
    }
    const QString partial = path + QStringLiteral(".partial.mp4");
    std::printf("Making the benchmark clip %s ...\n", qPrintable(path));
    std::fflush(stdout);
    const int exitCode = QProcess::execute(
        QStringLiteral("ffmpeg"),
        {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-nostdin"),
         QStringLiteral("-y"), QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
         QStringLiteral("testsrc2=size=1920x1080:rate=60"), QStringLiteral("-vf"),
         QStringLiteral("noise=alls=10:allf=t"), QStringLiteral("-frames:v"),
         QString::number(clipFrames), QStringLiteral("-c:v"), QStringLiteral("libx264"),
         QStringLiteral("-preset"), QStringLiteral("veryfast"), QStringLiteral("-pix_fmt"),
         QStringLiteral("yuv420p"), partial});
    return exitCode == 0 && QFile::rename(partial, path);
}

struct Timing
{
    double wallSeconds = std::numeric_limits<double>::infinity();
    double cpuSeconds = std::numeric_limits<double>::infinity();
};

double cpuSecondsOf(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    auto seconds = [](const timeval& value) { return value.tv_sec + value.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Keeps the best wall and CPU time of one run; CPU time includes decoder threads (own
// process) or the finished child process.
bool timeOnce(Timing& best, bool child, const std::function<bool()>& work)
{
    const int who = child ? RUSAGE_CHILDREN : RUSAGE_SELF;
    const double cpuBefore = cpuSecondsOf(who);
    QElapsedTimer timer;
    timer.start();
    if (!work()) {
        return false;
    }
    best.wallSeconds = std::min(best.wallSeconds, static_cast<double>(timer.nsecsElapsed()) / 1e9);
    best.cpuSeconds = std::min(best.cpuSeconds, cpuSecondsOf(who) - cpuBefore);
    return true;
}

// threads 0 keeps the tool's own choice (the plain command line).
bool decodeWithFfmpeg(int threads)
{
    QStringList arguments{QStringLiteral("-v"), QStringLiteral("error"),
                          QStringLiteral("-nostdin")};
    if (threads > 0) {
        arguments << QStringLiteral("-threads") << QString::number(threads);
    }
    arguments << QStringLiteral("-i") << g_clip << QStringLiteral("-f") << QStringLiteral("null")
              << QStringLiteral("-");
    return QProcess::execute(QStringLiteral("ffmpeg"), arguments) == 0;
}

bool probeClip(VideoInfo* info)
{
    LibavVideoAnalyzer analyzer;
    QString error;
    if (!analyzer.analyze({}, g_clip, info, &error)) {
        std::fprintf(stderr, "probe failed: %s\n", qPrintable(error));
        return false;
    }
    return true;
}

void printProbeRatio()
{
    // Runs alternate so that load from other processes hits both sides alike.
    const int runs = 5;
    const int probeThreads = g_clipInfo.decoderThreadLimit;
    Timing reference;
    Timing sameThreads;
    Timing probe;
    for (int run = 0; run < runs; ++run) {
        VideoInfo info;
        if (!timeOnce(reference, true, [] { return decodeWithFfmpeg(0); }) ||
            !timeOnce(sameThreads, true, [=] { return decodeWithFfmpeg(probeThreads); }) ||
            !timeOnce(probe, false, [&info] { return probeClip(&info); })) {
            std::printf("probe ratio: could not be measured\n");
            return;
        }
    }
    std::printf("ffmpeg -f null decode: %.3f s wall (%.1f frames/s), %.3f s CPU\n",
                reference.wallSeconds, clipFrames / reference.wallSeconds, reference.cpuSeconds);
    std::printf("ffmpeg -threads %d:     %.3f s wall (%.1f frames/s), %.3f s CPU\n", probeThreads,
                sameThreads.wallSeconds, clipFrames / sameThreads.wallSeconds,
                sameThreads.cpuSeconds);
    std::printf("LibavVideoAnalyzer:    %.3f s wall (%.1f frames/s), %.3f s CPU, %d decoder "
                "threads\n",
                probe.wallSeconds, clipFrames / probe.wallSeconds, probe.cpuSeconds,
                g_clipInfo.decoderThreadLimit);
    std::printf("probe / decode-only ratio: %.3f wall, %.3f CPU (target <= 1.15), best of %d "
                "alternating runs\n",
                probe.wallSeconds / reference.wallSeconds, probe.cpuSeconds / reference.cpuSeconds,
                runs);
    std::printf("probe / decode-only with equal decoder threads: %.3f wall\n",
                probe.wallSeconds / sameThreads.wallSeconds);
    std::fflush(stdout);
}

void BM_ProbeClip(benchmark::State& state)
{
    for (auto _ : state) {
        VideoInfo info;
        if (!probeClip(&info)) {
            state.SkipWithError("probe failed");
            return;
        }
        benchmark::DoNotOptimize(info.frameCount);
    }
    state.counters["frames_per_s"] = benchmark::Counter(static_cast<double>(clipFrames) *
                                                            static_cast<double>(state.iterations()),
                                                        benchmark::Counter::kIsRate);
}

void readWholeClip(benchmark::State& state, bool convert)
{
    const int threads = static_cast<int>(state.range(0));
    qint64 frames = 0;
    for (auto _ : state) {
        LibavVideoSource source({}, threads);
        QString error;
        if (!source.open(g_clipInfo, &error)) {
            state.SkipWithError(qPrintable(error));
            return;
        }
        VideoFrame frame;
        ReadResult result;
        while ((result = convert
                             ? source.readFrame(frame, &error)
                             : source.skipFrame(nullptr, nullptr, &error)) == ReadResult::Frame) {
            ++frames;
            benchmark::DoNotOptimize(frame.image.constBits());
        }
        if (result == ReadResult::Error) {
            state.SkipWithError(qPrintable(error));
            return;
        }
    }
    state.counters["frames_per_s"] =
        benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
}

void BM_ReadFrameRgba(benchmark::State& state)
{
    readWholeClip(state, true);
}

void BM_SkipFrame(benchmark::State& state)
{
    readWholeClip(state, false);
}

} // namespace

BENCHMARK(BM_ProbeClip)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
BENCHMARK(BM_ReadFrameRgba)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->UseRealTime();
BENCHMARK(BM_SkipFrame)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

int main(int argc, char** argv)
{
    g_clip = clipPath();
    if (!makeClip(g_clip)) {
        std::fprintf(stderr, "could not make the benchmark clip with the ffmpeg tool\n");
        return 1;
    }
    if (!probeClip(&g_clipInfo) || g_clipInfo.frameCount != clipFrames) {
        std::fprintf(stderr, "the benchmark clip is not usable\n");
        return 1;
    }
    printProbeRatio();

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
