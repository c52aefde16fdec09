// End-to-end pipeline throughput on a 1920 x 1080 H.264 clip: analysis mode (decode, motion,
// watermark, temporary store) and the pass-through export of its result to H.264, each with
// the breakdown of its performance record as counters (milliseconds per frame).
#include "processing/VideoProcessingPipeline.h"
#include "results/TemporaryVideo.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

using namespace orvi::project_data;
using orvi::processing::VideoProcessingPipeline;

namespace {

constexpr int kClipFrames = 90;

struct Fixture
{
    QTemporaryDir folder;
    QString clip;
    std::shared_ptr<TemporaryVideo> lastResult;
};

Fixture& fixture()
{
    static Fixture instance;
    return instance;
}

bool makeClip()
{
    Fixture& f = fixture();
    f.clip = f.folder.filePath(QStringLiteral("clip1080.mp4"));
    QProcess ffmpeg;
    ffmpeg.start(QStandardPaths::findExecutable(QStringLiteral("ffmpeg")),
                 {"-v", "error", "-f", "lavfi", "-i", "testsrc2=s=1920x1080:r=30", "-frames:v",
                  QString::number(kClipFrames), "-c:v", "libx264", "-pix_fmt", "yuv420p", f.clip});
    return ffmpeg.waitForFinished(300000) && ffmpeg.exitCode() == 0;
}

ProcessingRequest analysisRequest()
{
    ProcessingRequest request;
    request.sourceInfo.filePath = fixture().clip;
    request.sourceInfo.captureFrameRate = 30.0;
    request.settings.startFrame = 0;
    request.settings.endFrameExclusive = kClipFrames;
    request.settings.regionOfInterest = QRectF(0.25, 0.25, 0.5, 0.5);
    request.settings.lowerFrequencyHz = 5.0;
    request.settings.upperFrequencyHz = 10.0;
    request.settings.amplificationFactor = 10.0;
    request.analysisMode = true;
    return request;
}

void reportBreakdown(benchmark::State& state, const ProcessingPerformance& p)
{
    const double frames = double(std::max<qint64>(p.processedFrames, 1));
    const auto perFrameMs = [frames](qint64 us) { return double(us) / 1000.0 / frames; };
    state.counters["fps"] = p.frameThroughputFps();
    state.counters["decoderMsPerFrame"] = perFrameMs(p.decoderUs);
    state.counters["motionMsPerFrame"] = perFrameMs(p.motionProcessingUs);
    state.counters["motionStagesMsPerFrame"] = perFrameMs(p.motion.totalUs());
    state.counters["writeMsPerFrame"] = perFrameMs(p.encoderWriteUs);
    state.counters["finalizeMs"] = double(p.encoderFinalizeUs) / 1000.0;
    state.counters["openMs"] = double(p.sourceOpeningUs) / 1000.0;
    state.counters["publishMs"] = double(p.publicationUs + p.parametersWriteUs) / 1000.0;
    state.counters["unaccountedMs"] = double(p.unaccountedElapsedUs()) / 1000.0;
}

void BM_AnalysisMode(benchmark::State& state)
{
    VideoProcessingPipeline pipeline;
    ProcessingRequest request = analysisRequest();
    request.settings.workerThreadCount = int(state.range(0));
    for (auto _ : state) {
        const ProcessingResult result = pipeline.run(request, {}, [] { return false; });
        if (!result.isSuccessful()) {
            state.SkipWithError(result.message.toLocal8Bit().constData());
            return;
        }
        reportBreakdown(state, result.performance);
        fixture().lastResult = result.temporaryResult;
    }
    state.SetItemsProcessed(state.iterations() * kClipFrames);
}

void BM_PassThroughExport(benchmark::State& state)
{
    if (!fixture().lastResult) {
        state.SkipWithError("no analysis result to export");
        return;
    }
    VideoProcessingPipeline pipeline;
    ProcessingRequest request = analysisRequest();
    request.analysisMode = false;
    request.sourceTemporaryResult = fixture().lastResult;
    int run = 0;
    for (auto _ : state) {
        request.outputVideoPath =
            fixture().folder.filePath(QStringLiteral("export-%1.mp4").arg(run++));
        const ProcessingResult result = pipeline.run(request, {}, [] { return false; });
        if (!result.isSuccessful()) {
            state.SkipWithError(result.message.toLocal8Bit().constData());
            return;
        }
        reportBreakdown(state, result.performance);
    }
    state.SetItemsProcessed(state.iterations() * kClipFrames);
}

} // namespace

BENCHMARK(BM_AnalysisMode)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_PassThroughExport)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv); // the watermark needs fonts
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    if (!makeClip()) {
        std::fprintf(stderr, "Could not make the 1920x1080 clip with ffmpeg.\n");
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fixture().lastResult.reset();
    return 0;
}
