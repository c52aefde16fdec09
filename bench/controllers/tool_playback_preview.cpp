// Playback and preview through the interface controllers on a real 1920 x 1080, 240 fps H.264
// clip with 250-frame key-frame intervals:
//  1. playback at speed 1 (and 0.5) for 10 s: images shown per second and how far the shown
//     frame lags the wall clock (target: it keeps up, no growing lag, at up to 30 images a
//     second), beside how fast a decoder of one and of two threads gets through the clip;
//  2. seek latency to 50 random frames (median and worst), and how soon the last position of a
//     slider drag is shown;
//  3. a preview of a 1080p fragment through PreviewController next to orvi-tool-pipeline's
//     analysis of the same fragment, in alternating rounds (target: at most 1.05 times);
//  4. the interface thread's longest stall (1 ms timer) while the preview runs and while it
//     plays beside the source (target: under 16 ms).
// The machine may be shared: the load average, the tick gaps of an idle event loop and of the
// same preview run in another process, and the interface thread's CPU time are printed too.
//
// Usage: orvi-tool-playback-preview [rounds] [--preview-only | --seeks-only]. The clip is made
// with the ffmpeg tool first (a short one for --preview-only, which skips 1 and 2);
// --seeks-only measures 2 alone, for comparing two builds on the same machine.

#include "BenchSupport.h"
#include "TickGapMeter.h"
#include "controllers/AnalysisFragmentController.h"
#include "controllers/MediaRuntimeController.h"
#include "controllers/PlaybackController.h"
#include "controllers/PreviewController.h"
#include "controllers/ProcessingSettingsController.h"
#include "controllers/VideoSessionController.h"
#include "media/VideoBackend.h"
#include "media/libav/LibavRuntime.h"
#include "processing/VideoProcessingPipeline.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFutureWatcher>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <QtConcurrent>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <sys/resource.h>
#include <vector>

using namespace orvi::ui::controllers;
using orvi::ui::playback::PlaybackController;

namespace {

constexpr int kClipFrames = 2640; // 11 s at 240 fps
constexpr double kClipRate = 240.0;
constexpr int kPlaySeconds = 10;
constexpr int kSeeks = 50;
constexpr double kPreviewCaptureRate = 60.0;
constexpr qint64 kPreviewStart = 100;

struct Workbench
{
    MediaRuntimeController runtime;
    VideoSessionController session{&runtime};
    AnalysisFragmentController fragment{&session};
    ProcessingSettingsController settings{&session, &fragment};
    PlaybackController playback{&session, &fragment, &runtime};
    PreviewController preview{&session, &runtime, &settings, &playback};
};

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    return values[std::size_t(fraction * double(values.size() - 1) + 0.5)];
}

// CPU seconds the calling thread has used.
double threadCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    auto seconds = [](const timeval& value) { return value.tv_sec + value.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// How fast a decoder with this many threads gets through the clip right now, without
// conversion: the most playback at speed 1 can keep up with on this machine at this moment.
double decodeOnlyFramesPerSecond(const orvi::media::VideoInfo& info, int frames, int threads)
{
    auto source = orvi::media::VideoBackend::createSource({}, threads);
    if (!source->open(info))
        return 0.0;
    QElapsedTimer clock;
    clock.start();
    int decoded = 0;
    while (decoded < frames && source->skipFrame() == orvi::media::ReadResult::Frame)
        ++decoded;
    return double(decoded) * 1e9 / double(clock.nsecsElapsed());
}

struct ShownFrame
{
    double ms;
    qint64 index;
};

// The longest tick gap while this process does nothing: what the machine's load alone does.
void measureQuietLoop()
{
    TickGapMeter meter;
    meter.start();
    QElapsedTimer clock;
    clock.start();
    runUntil([&] { return clock.elapsed() >= 5000; }, 10000);
    meter.stop();
    std::printf("interface thread with nothing to do for 5 s: longest tick gap %.2f ms, %lld of "
                "%lld gaps >= 16 ms\n",
                meter.longestGapMs(), static_cast<long long>(meter.gapsOverFrame()),
                static_cast<long long>(meter.ticks()));
}

bool measurePlayback(Workbench& w, double speed)
{
    w.fragment.clearRange();
    w.playback.setPlaybackSpeed(speed);
    w.playback.seekToFraction(0.0);
    if (!runUntil([&] { return w.playback.canPlay(); }, 60000))
        return false;
    const double rate = kClipRate * speed;
    std::vector<ShownFrame> shown;
    QElapsedTimer clock;
    const auto connection =
        QObject::connect(&w.playback, &PlaybackController::positionChanged, [&] {
            shown.push_back({double(clock.nsecsElapsed()) / 1e6, w.playback.currentFrameIndex()});
        });
    TickGapMeter meter;
    meter.start();
    clock.start();
    w.playback.play();
    runUntil([&] { return clock.elapsed() >= kPlaySeconds * 1000; }, kPlaySeconds * 2000);
    const double playedMs = double(clock.nsecsElapsed()) / 1e6;
    w.playback.pause();
    runUntil([&] { return w.playback.canPlay(); }, 10000);
    meter.stop();
    QObject::disconnect(connection);
    if (shown.size() < 3)
        return false;

    // The first image is the start frame; afterwards frame i is due at (i - start) / rate.
    const ShownFrame first = shown.front();
    std::vector<double> lags;
    double earlyLag = 0.0;
    double lateLag = 0.0;
    int early = 0;
    int late = 0;
    for (const ShownFrame& frame : shown) {
        const double dueIndex = double(first.index) + (frame.ms - first.ms) * rate / 1000.0;
        const double lagMs = (dueIndex - double(frame.index)) * 1000.0 / rate;
        lags.push_back(lagMs);
        if (frame.ms - first.ms < 2000.0) {
            earlyLag += lagMs;
            ++early;
        } else if (playedMs - frame.ms < 2000.0) {
            lateLag += lagMs;
            ++late;
        }
    }
    std::printf("playback 1080p 240 fps at speed %.2f for %.1f s: %zu images (%.1f per second), "
                "frames %lld..%lld (%.1f frames/s)\n",
                speed, playedMs / 1000.0, shown.size(), double(shown.size()) * 1000.0 / playedMs,
                static_cast<long long>(first.index), static_cast<long long>(shown.back().index),
                double(shown.back().index - first.index) * 1000.0 / (shown.back().ms - first.ms));
    std::printf("  lag of the shown frame behind the wall clock: median %.1f ms, worst %.1f ms; "
                "mean over the first 2 s %.1f ms, over the last 2 s %.1f ms\n",
                percentile(lags, 0.5), percentile(lags, 1.0), early ? earlyLag / early : 0.0,
                late ? lateLag / late : 0.0);
    std::printf("  interface thread: longest tick gap %.2f ms, %lld of %lld gaps >= 16 ms\n",
                meter.longestGapMs(), static_cast<long long>(meter.gapsOverFrame()),
                static_cast<long long>(meter.ticks()));
    return true;
}

// Drags of the slider over a twentieth of the file: a position every 16 ms for 20 positions,
// then the time from the last one until its frame is shown, and how many frames were decoded.
bool measureScrubbing(Workbench& w)
{
    std::vector<double> latencies;
    std::vector<double> pictured; // the last position's picture, from the proxy or decoded
    int shown = 0;
    QElapsedTimer clock;
    double picturedMs = -1.0;
    qint64 target = -1;
    const QMetaObject::Connection connection =
        QObject::connect(&w.playback, &PlaybackController::frameReady, [&] {
            ++shown;
            if (picturedMs < 0.0 && w.playback.currentFrameIndex() == target)
                picturedMs = double(clock.nsecsElapsed()) / 1e6;
        });
    const qint64 frames = w.playback.frameCount();
    constexpr int kDrags = 5;
    constexpr int kPositions = 20;
    for (int drag = 0; drag < kDrags; ++drag) {
        const double from = 0.15 * drag + 0.05;
        double fraction = from;
        for (int position = 0; position < kPositions; ++position) {
            fraction = from + 0.0025 * position;
            target = qint64(std::llround(double(frames - 1) * fraction));
            picturedMs = -1.0;
            clock.start();
            w.playback.seekToFraction(fraction);
            QEventLoop pause;
            QTimer::singleShot(16, &pause, &QEventLoop::quit);
            pause.exec();
        }
        if (!runUntil(
                [&] { return w.playback.canPlay() && w.playback.currentFrameIndex() == target; },
                30000))
            return false;
        latencies.push_back(double(clock.nsecsElapsed()) / 1e6);
        pictured.push_back(picturedMs);
    }
    QObject::disconnect(connection);
    std::printf("slider drags (%d positions 16 ms apart): the last position pictured %.1f ms "
                "after it was asked for (median; worst %.1f ms), decoded in full after %.1f ms "
                "(worst %.1f ms); %d images shown for %d positions\n",
                kPositions, percentile(pictured, 0.5), percentile(pictured, 1.0),
                percentile(latencies, 0.5), percentile(latencies, 1.0), shown, kDrags * kPositions);
    return true;
}

bool measureSeeks(Workbench& w)
{
    QRandomGenerator random(20240501);
    std::vector<double> latencies;
    std::vector<double> firstImages; // the key frame shown meanwhile, or the frame itself
    std::vector<double> askedFrames; // the frame asked for, from the proxy or decoded
    QElapsedTimer clock;
    double firstImageMs = -1.0;
    double askedFrameMs = -1.0;
    qint64 target = -1;
    const QMetaObject::Connection shown =
        QObject::connect(&w.playback, &PlaybackController::frameReady, [&] {
            const double now = double(clock.nsecsElapsed()) / 1e6;
            if (firstImageMs < 0.0)
                firstImageMs = now;
            if (askedFrameMs < 0.0 && w.playback.currentFrameIndex() == target)
                askedFrameMs = now;
        });
    for (int i = 0; i < kSeeks; ++i) {
        const double fraction = random.bounded(1.0);
        target = qint64(std::llround(double(w.playback.frameCount() - 1) * fraction));
        firstImageMs = -1.0;
        askedFrameMs = -1.0;
        clock.start();
        w.playback.seekToFraction(fraction);
        if (!runUntil([&] { return w.playback.canPlay(); }, 30000) ||
            w.playback.currentFrameIndex() != target)
            return false;
        latencies.push_back(double(clock.nsecsElapsed()) / 1e6);
        firstImages.push_back(firstImageMs);
        askedFrames.push_back(askedFrameMs);
    }
    QObject::disconnect(shown);
    std::printf("seek to %d random frames (250-frame key-frame intervals): the frame asked for "
                "shown after median %.1f ms, worst %.1f ms (its scrubbing picture where the "
                "file has one); decoded in full after median %.1f ms, worst %.1f ms; first "
                "image after median %.1f ms, worst %.1f ms\n",
                kSeeks, percentile(askedFrames, 0.5), percentile(askedFrames, 1.0),
                percentile(latencies, 0.5), percentile(latencies, 1.0),
                percentile(firstImages, 0.5), percentile(firstImages, 1.0));
    return measureScrubbing(w);
}

// The tool's analysis performance record (empty on failure); the event loop runs meanwhile,
// with `meter` ticking: the same load, with nothing reporting to this thread.
QJsonObject pipelineToolAnalysis(const QString& clip, const QString& output, qint64 end,
                                 TickGapMeter& meter)
{
    QProcess tool;
    tool.start(QCoreApplication::applicationDirPath() + QStringLiteral("/orvi-tool-pipeline"),
               {clip, output, "--start", QString::number(kPreviewStart), "--end",
                QString::number(end), "--capture", QString::number(kPreviewCaptureRate), "--band",
                "9,14", "--factor", "5", "--workers", "0"});
    meter.start();
    runUntil([&] { return tool.state() == QProcess::NotRunning; }, 3600000);
    meter.stop();
    if (tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0) {
        std::fprintf(stderr, "orvi-tool-pipeline failed: %s\n",
                     tool.readAllStandardError().constData());
        return {};
    }
    return QJsonDocument::fromJson(tool.readAllStandardOutput())
        .object()
        .value("analysis")
        .toObject()
        .value("performance")
        .toObject();
}

// The longest tick gap while the same job runs in this process on a pool task that reports to
// nobody: what the work itself does to the event loop, without the controller.
double silentPipelineGapMs(const ProcessingSettingsController& settings)
{
    orvi::project_data::ProcessingRequest request;
    if (!settings.buildRequest(&request))
        return -1.0;
    request.analysisMode = true;
    QFutureWatcher<bool> watcher;
    TickGapMeter meter;
    meter.start();
    watcher.setFuture(QtConcurrent::run([request] {
        return orvi::processing::VideoProcessingPipeline()
            .run(request, {}, [] { return false; })
            .isSuccessful();
    }));
    runUntil([&] { return watcher.isFinished(); }, 3600000);
    meter.stop();
    return watcher.result() ? meter.longestGapMs() : -1.0;
}

bool measurePreview(Workbench& w, const QString& clip, const QString& folder, int rounds)
{
    if (!w.session.setCaptureFrameRate(kPreviewCaptureRate))
        return false;
    const qint64 end = kPreviewStart + w.settings.recommendedMinimumFrameCount();
    if (!w.fragment.setRangeFrames(kPreviewStart, end) || !w.settings.settingsValid()) {
        std::fprintf(stderr, "preview settings invalid: %s\n",
                     qPrintable(w.settings.validationMessage()));
        return false;
    }
    double bestToolTotal = 1e300;
    double bestToolLoop = 1e300;
    double bestControllerWall = 1e300;
    double bestControllerLoop = 1e300;
    double worstGap = 0.0;
    double worstBaselineGap = 0.0;
    double worstSilentGap = 0.0;
    for (int round = 0; round < rounds; ++round) {
        const double silentGapMs = silentPipelineGapMs(w.settings);
        if (silentGapMs < 0.0)
            return false;
        worstSilentGap = std::max(worstSilentGap, silentGapMs);
        TickGapMeter baseline;
        const QJsonObject tool = pipelineToolAnalysis(
            clip, QStringLiteral("%1/export-%2.mp4").arg(folder).arg(round), end, baseline);
        const double toolTotalUs = tool.value("totalElapsedUs").toDouble();
        const double toolLoopUs = tool.value("frameLoopElapsedUs").toDouble();
        if (toolTotalUs <= 0.0 || toolLoopUs <= 0.0)
            return false;
        if (w.preview.ready()) {
            w.preview.acknowledgeDiscard();
            w.preview.discardResult();
        }
        if (!runUntil([&] { return w.preview.available(); }, 60000))
            return false;
        TickGapMeter meter;
        meter.start();
        const double cpuBefore = threadCpuSeconds();
        QElapsedTimer clock;
        clock.start();
        w.preview.createPreview();
        if (!w.preview.busy()) {
            std::fprintf(stderr, "the preview did not start: %s\n",
                         qPrintable(w.preview.errorMessage()));
            return false;
        }
        if (!runUntil([&] { return !w.preview.busy(); }, 3600000))
            return false;
        const double controllerUs = double(clock.nsecsElapsed()) / 1e3;
        meter.stop();
        const double interfaceCpu = threadCpuSeconds() - cpuBefore;
        if (!w.preview.ready()) {
            std::fprintf(stderr, "preview failed: %s\n", qPrintable(w.preview.errorMessage()));
            return false;
        }
        const auto& performance = w.preview.performance();
        bestToolTotal = std::min(bestToolTotal, toolTotalUs);
        bestToolLoop = std::min(bestToolLoop, toolLoopUs);
        bestControllerWall = std::min(bestControllerWall, controllerUs);
        bestControllerLoop = std::min(bestControllerLoop, double(performance.frameLoopElapsedUs));
        worstGap = std::max(worstGap, meter.longestGapMs());
        worstBaselineGap = std::max(worstBaselineGap, baseline.longestGapMs());
        std::printf("round %d: orvi-tool-pipeline analysis %.3f s (source opening by path %.3f s, "
                    "frame loop %.3f s); preview through the controller %.3f s wall (source "
                    "opening %.3f s, frame loop %.3f s); longest tick gap %.2f ms (ending at "
                    "%.3f s) while the controller's preview runs (interface thread CPU %.3f s), "
                    "%.2f ms while the "
                    "tool runs, %.2f ms while a silent task of this process runs it; load %s\n",
                    round + 1, toolTotalUs / 1e6, tool.value("sourceOpeningUs").toDouble() / 1e6,
                    toolLoopUs / 1e6, controllerUs / 1e6, double(performance.sourceOpeningUs) / 1e6,
                    double(performance.frameLoopElapsedUs) / 1e6, meter.longestGapMs(),
                    meter.longestGapEndMs() / 1e3, interfaceCpu, baseline.longestGapMs(),
                    silentGapMs, qPrintable(loadAverage()));
        std::fflush(stdout);
    }
    std::printf("preview of %lld 1080p frames, best of %d alternating rounds: controller wall / "
                "tool analysis %.3f, frame loops %.3f (target <= 1.05)\n",
                static_cast<long long>(end - kPreviewStart), rounds,
                bestControllerWall / bestToolTotal, bestControllerLoop / bestToolLoop);
    std::printf(
        "  interface thread while the preview runs: longest tick gap %.2f ms (target < 16); "
        "%.2f ms with the same work in another process, %.2f ms on a silent task of this "
        "process\n",
        worstGap, worstBaselineGap, worstSilentGap);

    // The result beside its source frames, three times through the fragment.
    if (!runUntil([&] { return w.playback.previewAvailable() && w.playback.canPlay(); }, 60000))
        return false;
    w.playback.setPlaybackSpeed(1.0);
    TickGapMeter meter;
    meter.start();
    const double cpuBefore = threadCpuSeconds();
    int previewImages = 0;
    const auto connection = QObject::connect(&w.playback, &PlaybackController::previewFrameReady,
                                             [&] { ++previewImages; });
    for (int pass = 0; pass < 3; ++pass) {
        w.playback.play();
        if (!runUntil([&] { return w.playback.canPlay() && !w.playback.playing(); }, 60000))
            return false;
    }
    meter.stop();
    QObject::disconnect(connection);
    std::printf("  interface thread while the preview plays beside the source (%d processed "
                "images): longest tick gap %.2f ms, %lld of %lld gaps >= 16 ms, interface thread "
                "CPU %.3f s\n",
                previewImages, meter.longestGapMs(), static_cast<long long>(meter.gapsOverFrame()),
                static_cast<long long>(meter.ticks()), threadCpuSeconds() - cpuBefore);
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    orvi::media::libav::LibavRuntime::routeLogMessages();
    const QStringList arguments = QCoreApplication::arguments();
    const bool previewOnly = arguments.contains(QStringLiteral("--preview-only"));
    const bool seeksOnly = arguments.contains(QStringLiteral("--seeks-only"));
    const int rounds = arguments.size() > 1 ? std::max(1, arguments[1].toInt()) : 2;
    QTemporaryDir folder;
    qputenv("TMPDIR", QFile::encodeName(folder.path()));
    const QString clip = folder.filePath(QStringLiteral("textured-1080p-240fps.mp4"));
    if (!folder.isValid() || !makeClip(clip, previewOnly ? kPreviewStart + 400 : kClipFrames)) {
        std::fprintf(stderr, "could not make the benchmark clip with the ffmpeg tool\n");
        return 1;
    }
    Workbench w;
    w.session.openSource(QUrl::fromLocalFile(clip));
    if (!runUntil([&] { return w.playback.canPlay(); }, 1800000)) {
        std::fprintf(stderr, "the clip did not open: %s %s\n", qPrintable(w.session.errorMessage()),
                     qPrintable(w.playback.errorMessage()));
        return 1;
    }
    std::printf("load average before: %s\n", qPrintable(loadAverage()));
    std::fflush(stdout);
    if (seeksOnly)
        return measureSeeks(w) ? 0 : 1;
    measureQuietLoop();
    if (!previewOnly)
        std::printf("decoding without conversion: %.1f frames/s with one thread, %.1f with two "
                    "(playback's)\n",
                    decodeOnlyFramesPerSecond(w.session.videoInfo(), 480, 1),
                    decodeOnlyFramesPerSecond(w.session.videoInfo(), 480, 2));
    if ((!previewOnly &&
         (!measurePlayback(w, 1.0) || !measurePlayback(w, 0.5) || !measureSeeks(w))) ||
        !measurePreview(w, clip, folder.path(), rounds)) {
        std::fprintf(stderr, "a measurement failed\n");
        return 1;
    }
    std::printf("load average after: %s\n", qPrintable(loadAverage()));
    return 0;
}
