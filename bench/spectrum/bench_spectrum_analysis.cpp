// Spectrum analysis of 1000 frames of a 1920 x 1080 H.264 clip with the 64 x 32 grid, next to
// decoding the same frames (alone, with a full RGBA conversion, and with the reduction to the
// 512 x 288 analysis image the analysis reads), and the peak resident memory; the analysis also
// runs once on a thread of the global pool, as in the application, and once without measuring
// displacement amplitudes (timeVsNoAmplitudes compares the two). The clip is
// ORVI_BENCH_SPECTRUM_CLIP when set, otherwise a vibrating test pattern made once with the ffmpeg
// tool. The analysis with camera motion compensation is compared with the one without it
// (timeVsUncompensated) on a clip with a still textured patch for the reference.

#include "media/libav/LibavVideoAnalyzer.h"
#include "media/libav/LibavVideoSource.h"
#include "motion/MotionWorkerPool.h"
#include "spectrum/PhaseSignalExtractor.h"
#include "spectrum/SpectrumAnalysisLimits.h"
#include "spectrum/SpectrumAnalysisRun.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QThreadPool>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <memory>
#include <sys/resource.h>

using namespace orvi;

namespace {

constexpr int kFrames = 1000;
constexpr int kDecoderThreads = 2;

struct Clip
{
    std::unique_ptr<QTemporaryDir> dir;
    media::VideoInfo info;
    QString error;
    double decodeSeconds = 0.0; // decode only, for the ratios
    double readSeconds = 0.0;   // decode with RGBA conversion
    double withoutAmplitudesSeconds = 0.0;
};

enum class Conversion
{
    None,
    FullRgba,
    AnalysisImage,
};

// Encodes the 240 fps test pattern shaken as every clip of this bench is (12 Hz across, 31 Hz
// down), after an optional overlay graph over further inputs.
int encodeShakenPattern(const QString& path, const QStringList& moreInputs = {},
                        const QString& overlay = {})
{
    const QString shake =
        QStringLiteral("crop=1920:1080:x='8+3*sin(2*PI*12*t)':y='8+2*sin(2*PI*31*t)'");
    QStringList arguments{
        "-v", "error", "-y", "-f", "lavfi", "-i", "testsrc2=size=1936x1096:rate=240"};
    arguments << moreInputs;
    if (overlay.isEmpty())
        arguments << "-vf" << shake;
    else
        arguments << "-filter_complex" << overlay + QLatin1Char(',') + shake;
    arguments << "-frames:v" << QString::number(kFrames) << "-c:v"
              << "libx264"
              << "-preset"
              << "veryfast"
              << "-crf"
              << "18"
              << "-pix_fmt"
              << "yuv420p" << path;
    return QProcess::execute(QStringLiteral("ffmpeg"), arguments);
}

Clip& clip()
{
    static Clip instance = [] {
        Clip c;
        QString path = qEnvironmentVariable("ORVI_BENCH_SPECTRUM_CLIP");
        if (path.isEmpty()) {
            c.dir = std::make_unique<QTemporaryDir>();
            path = c.dir->filePath(QStringLiteral("vibration-1080p.mp4"));
            std::fprintf(stderr, "Making a %d-frame 1920x1080 clip with ffmpeg...\n", kFrames);
            const int code = encodeShakenPattern(path);
            if (code != 0) {
                c.error = QStringLiteral("ffmpeg could not make the clip");
                return c;
            }
        }
        media::libav::LibavVideoAnalyzer analyzer;
        if (!analyzer.analyze({}, path, &c.info, &c.error))
            return c;
        if (!(c.info.captureFrameRate > 0.0))
            c.info.captureFrameRate = 240.0;
        return c;
    }();
    return instance;
}

double peakRssMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // KiB on Linux
}

// User and system time of the whole process (every thread), in seconds.
double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec * 1e-6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

bool frameCountOk(benchmark::State& state)
{
    if (!clip().error.isEmpty()) {
        state.SkipWithError(qPrintable(clip().error));
        return false;
    }
    if (clip().info.frameCount < kFrames) {
        state.SkipWithError("The clip has fewer than 1000 frames.");
        return false;
    }
    return true;
}

void decode(benchmark::State& state, Conversion conversion)
{
    if (!frameCountOk(state))
        return;
    for (auto _ : state) {
        media::libav::LibavVideoSource source({}, kDecoderThreads);
        QString error;
        if (!source.open(clip().info, &error) || !source.seekToFrame(0, &error)) {
            state.SkipWithError(qPrintable(error));
            return;
        }
        media::VideoFrame frame;
        const QRect crop(QPoint(0, 0), clip().info.frameSize);
        const QSize analysisSize = spectrum::fittedAnalysisSize(crop.size());
        const double cpuStarted = processCpuSeconds();
        const auto started = std::chrono::steady_clock::now();
        for (int i = 0; i < kFrames; ++i) {
            media::ReadResult read = media::ReadResult::Error;
            switch (conversion) {
            case Conversion::None:
                read = source.skipFrame(nullptr, nullptr, &error);
                break;
            case Conversion::FullRgba:
                read = source.readFrame(frame, &error);
                break;
            case Conversion::AnalysisImage:
                read = source.readReducedFrame(crop, analysisSize, frame, nullptr, &error);
                break;
            }
            if (read != media::ReadResult::Frame) {
                state.SkipWithError(qPrintable(error));
                return;
            }
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        if (conversion == Conversion::None)
            clip().decodeSeconds = seconds;
        else if (conversion == Conversion::FullRgba)
            clip().readSeconds = seconds;
        state.counters["cpuSeconds"] = processCpuSeconds() - cpuStarted;
    }
    state.counters["fps"] =
        benchmark::Counter(double(kFrames) * state.iterations(), benchmark::Counter::kIsRate);
    state.counters["peakRssMiB"] = peakRssMiB();
}

void BM_DecodeWithRgbaConversion(benchmark::State& state)
{
    decode(state, Conversion::FullRgba);
}

void BM_DecodeWithAnalysisImage(benchmark::State& state)
{
    decode(state, Conversion::AnalysisImage);
}

void BM_DecodeOnly(benchmark::State& state)
{
    decode(state, Conversion::None);
}

// The 1000 frames of the clip on the 64 x 32 grid.
project_data::SpectrumAnalysisRequest request64x32()
{
    project_data::SpectrumAnalysisRequest request;
    request.videoInfo = clip().info;
    request.startFrame = 0;
    request.endFrame = kFrames;
    request.requestedGrid = spectrum::gridForDensity(2);
    request.identity = spectrum::makeIdentity(0, request);
    return request;
}

// `onPoolThread` runs the analysis on a thread of the global pool, as the application does
// (image scaling then stays on that thread instead of fanning out to the pool).
void analyse64x32(benchmark::State& state, bool onPoolThread, bool amplitudes = true)
{
    if (!frameCountOk(state))
        return;
    const project_data::SpectrumAnalysisRequest request = request64x32();
    project_data::SpectrumResult result;
    spectrum::SpectrumRunOptions options;
    options.measureDisplacement = amplitudes;
    double seconds = 0.0;
    for (auto _ : state) {
        const double cpuStarted = processCpuSeconds();
        const auto started = std::chrono::steady_clock::now();
        if (onPoolThread) {
            QThreadPool::globalInstance()->start(
                [&] { result = spectrum::runSpectrumAnalysis(request, {}, {}, options); });
            QThreadPool::globalInstance()->waitForDone();
        } else {
            result = spectrum::runSpectrumAnalysis(request, {}, {}, options);
        }
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        state.counters["cpuSeconds"] = processCpuSeconds() - cpuStarted;
        if (!result.ok) {
            state.SkipWithError(qPrintable(result.errorMessage));
            return;
        }
    }
    state.counters["fps"] =
        benchmark::Counter(double(kFrames) * state.iterations(), benchmark::Counter::kIsRate);
    state.counters["acceptedPoints"] = result.acceptedCount;
    state.counters["workers"] = spectrum::effectiveWorkerThreads(request);
    state.counters["peakRssMiB"] = peakRssMiB();
    if (clip().decodeSeconds > 0.0)
        state.counters["timeVsDecodeOnly"] = seconds / clip().decodeSeconds;
    if (clip().readSeconds > 0.0)
        state.counters["timeVsDecodeRgba"] = seconds / clip().readSeconds;
    if (!amplitudes)
        clip().withoutAmplitudesSeconds = seconds;
    else if (clip().withoutAmplitudesSeconds > 0.0)
        state.counters["timeVsNoAmplitudes"] = seconds / clip().withoutAmplitudesSeconds;
}

// Wall seconds of one decode-only pass over the frames from opening the file, or a negative
// value on failure.
double decodeOnlySeconds()
{
    // Opening and seeking are timed too, as the analysis's time includes them.
    const auto started = std::chrono::steady_clock::now();
    media::libav::LibavVideoSource source({}, kDecoderThreads);
    QString error;
    if (!source.open(clip().info, &error) || !source.seekToFrame(0, &error))
        return -1.0;
    for (int i = 0; i < kFrames; ++i)
        if (source.skipFrame(nullptr, nullptr, &error) != media::ReadResult::Frame)
            return -1.0;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

// The ratio the targets name, robust against a machine whose speed drifts between runs: each
// round decodes the frames alone and then analyses them (on a pool thread, as the application
// does), and the ratio of that pair is taken; the median and the spread of the rounds are
// reported. ORVI_BENCH_ROUNDS sets the number of rounds (5).
void BM_AnalysisAgainstDecodeInPairs(benchmark::State& state)
{
    if (!frameCountOk(state))
        return;
    const project_data::SpectrumAnalysisRequest request = request64x32();
    const int rounds = qEnvironmentVariableIntValue("ORVI_BENCH_ROUNDS") > 0
                           ? qEnvironmentVariableIntValue("ORVI_BENCH_ROUNDS")
                           : 5;
    std::vector<double> ratios;
    std::vector<double> cpuRatios;
    // Cores kept busy on average by each side: fewer for the analysis means it waits somewhere.
    std::vector<double> decodeCores;
    std::vector<double> analysisCores;
    for (auto _ : state) {
        for (int round = 0; round < rounds; ++round) {
            const double decodeCpuStarted = processCpuSeconds();
            const double decodeSeconds = decodeOnlySeconds();
            const double decodeCpu = processCpuSeconds() - decodeCpuStarted;
            if (decodeSeconds <= 0.0) {
                state.SkipWithError("The clip could not be decoded.");
                return;
            }
            project_data::SpectrumResult result;
            const double cpuStarted = processCpuSeconds();
            const auto started = std::chrono::steady_clock::now();
            QThreadPool::globalInstance()->start(
                [&] { result = spectrum::runSpectrumAnalysis(request, {}, {}, {}); });
            QThreadPool::globalInstance()->waitForDone();
            const double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
            if (!result.ok) {
                state.SkipWithError(qPrintable(result.errorMessage));
                return;
            }
            const double analysisCpu = processCpuSeconds() - cpuStarted;
            ratios.push_back(seconds / decodeSeconds);
            cpuRatios.push_back(analysisCpu / decodeCpu);
            decodeCores.push_back(decodeCpu / decodeSeconds);
            analysisCores.push_back(analysisCpu / seconds);
        }
    }
    state.counters["pairs"] = double(ratios.size());
    state.counters["timeVsDecodeOnlyMedian"] = median(ratios);
    state.counters["timeVsDecodeOnlyMin"] = *std::min_element(ratios.begin(), ratios.end());
    state.counters["timeVsDecodeOnlyMax"] = *std::max_element(ratios.begin(), ratios.end());
    state.counters["cpuVsDecodeOnlyMedian"] = median(cpuRatios);
    state.counters["decodeCoresBusy"] = median(decodeCores);
    state.counters["analysisCoresBusy"] = median(analysisCores);
}

// A static texture (a 480 x 400 patch of crossed gratings over the test pattern) shaken as a
// whole like the pattern: the camera reference lies on the patch. Without (0) and with (1)
// camera motion compensation, twice in turn, so that the ratio compares neighbouring runs.
void BM_ShakenTexture64x32(benchmark::State& state)
{
    static QTemporaryDir dir;
    static double uncompensatedSeconds = 0.0;
    static double uncompensatedCpuSeconds = 0.0;
    const QString texture = dir.filePath(QStringLiteral("texture.png"));
    const QString path = dir.filePath(QStringLiteral("shaken-texture-1080p.mp4"));
    if (!QFileInfo::exists(path)) {
        const int made =
            QProcess::execute(QStringLiteral("ffmpeg"),
                              {"-v", "error", "-y", "-f", "lavfi", "-i",
                               "nullsrc=size=480x400,geq=lum='128+50*sin(X/3.1)*cos(Y/4.3)+40*"
                               "sin((X+2*Y)/6.7)':cb=128:cr=128",
                               "-frames:v", "1", texture});
        const int shaken =
            made != 0 ? made
                      : encodeShakenPattern(path, {"-loop", "1", "-i", texture},
                                            QStringLiteral("[0][1]overlay=40:60:shortest=0"));
        if (shaken != 0) {
            state.SkipWithError("ffmpeg could not make the shaken texture clip");
            return;
        }
    }
    project_data::SpectrumAnalysisRequest request;
    QString error;
    if (!media::libav::LibavVideoAnalyzer().analyze({}, path, &request.videoInfo, &error)) {
        state.SkipWithError(qPrintable(error));
        return;
    }
    request.videoInfo.captureFrameRate = 240.0;
    request.endFrame = kFrames;
    request.requestedGrid = spectrum::gridForDensity(2);
    request.cameraMotionCompensation = state.range(0) == 1;
    request.cameraReferenceRegion = QRectF(0.03, 0.07, 0.2, 0.3);
    project_data::SpectrumResult result;
    double seconds = 0.0;
    double cpuSeconds = 0.0;
    for (auto _ : state) {
        const double cpuStarted = processCpuSeconds();
        const auto started = std::chrono::steady_clock::now();
        result = spectrum::runSpectrumAnalysis(request, {}, {});
        cpuSeconds = processCpuSeconds() - cpuStarted;
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        if (!result.ok) {
            state.SkipWithError(qPrintable(result.errorMessage));
            return;
        }
    }
    state.counters["cpuSeconds"] = cpuSeconds;
    if (!request.cameraMotionCompensation) {
        uncompensatedSeconds = seconds;
        uncompensatedCpuSeconds = cpuSeconds;
        return;
    }
    state.counters["cameraPeakPx"] = result.cameraMotion.peakPx;
    state.counters["cameraQuality"] = result.cameraMotion.meanQuality;
    if (uncompensatedSeconds > 0.0)
        state.counters["timeVsUncompensated"] = seconds / uncompensatedSeconds;
    if (uncompensatedCpuSeconds > 0.0)
        state.counters["cpuVsUncompensated"] = cpuSeconds / uncompensatedCpuSeconds;
}

void BM_SpectrumAnalysis64x32WithoutAmplitudes(benchmark::State& state)
{
    analyse64x32(state, false, false);
}

void BM_SpectrumAnalysis64x32(benchmark::State& state)
{
    analyse64x32(state, false);
}

void BM_SpectrumAnalysis64x32OnPoolThread(benchmark::State& state)
{
    analyse64x32(state, true);
}

// The extractor alone on 512 x 288 analysis images of a 1920 x 1080 frame, as the run hands
// them over: luminance, one pyramid level, Riesz transform and the 2048 point samples; with
// the kernels on the calling thread (1) and fanned out over two workers at the pool's default
// task cost (2), which shows why the run keeps them on its own thread while decoding.
void BM_ExtractorAnalysisImages(benchmark::State& state)
{
    const QSize frameSize(1920, 1080);
    const QRect crop(QPoint(0, 0), frameSize);
    std::vector<QImage> frames;
    for (int f = 0; f < 4; ++f) {
        QImage image(spectrum::fittedAnalysisSize(frameSize), QImage::Format_RGBA8888);
        for (int y = 0; y < image.height(); ++y) {
            uchar* line = image.scanLine(y);
            for (int x = 0; x < image.width(); ++x) {
                const int v = ((x * 7 + f) ^ (y * 13)) & 0xff;
                line[4 * x] = line[4 * x + 1] = line[4 * x + 2] = uchar(v);
                line[4 * x + 3] = 255;
            }
        }
        frames.push_back(image);
    }
    motion_core::MotionWorkerPool pool;
    pool.setWorkerCount(int(state.range(0)));
    const double cpuStarted = processCpuSeconds();
    for (auto _ : state) {
        spectrum::PhaseSignalExtractor extractor;
        extractor.initialise(QRectF(0, 0, 1, 1), kFrames - 1, QSize(64, 32), pool);
        for (int i = 0; i < kFrames; ++i)
            extractor.addAnalysisImage(frames[size_t(i) % frames.size()], crop, frameSize);
    }
    state.counters["cpuSeconds"] = processCpuSeconds() - cpuStarted;
    state.counters["fps"] =
        benchmark::Counter(double(kFrames) * state.iterations(), benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK(BM_ExtractorAnalysisImages)
    ->Arg(1)
    ->Arg(2)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_DecodeOnly)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DecodeWithRgbaConversion)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DecodeWithAnalysisImage)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SpectrumAnalysis64x32WithoutAmplitudes)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_SpectrumAnalysis64x32)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ShakenTexture64x32)
    ->Arg(0)
    ->Arg(1)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_SpectrumAnalysis64x32OnPoolThread)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_AnalysisAgainstDecodeInPairs)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
