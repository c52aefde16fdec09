// Playback and preview through the interface controllers on a real 1920 x 1080, 240 fps H.264
// clip with 250-frame key-frame intervals:
//  1. playback at speed 1 for 10 s: images shown per second and how far the shown frame lags
//     the wall clock (target: it keeps up, no growing lag, at up to 30 images a second);
//  2. seek latency to 50 random frames (median and worst);
//  3. a preview of a 1080p fragment through PreviewController next to orvi-tool-pipeline's
//     analysis of the same fragment, in alternating rounds (target: at most 1.05 times);
//  4. the interface thread's longest stall (1 ms timer) while the preview runs and while it
//     plays beside the source (target: under 16 ms).
// The machine may be shared: the load average is printed with the numbers.
//
// Usage: orvi-tool-playback-preview [rounds]. The clip is made with the ffmpeg tool first.

#include "TickGapMeter.h"
#include "controllers/AnalysisFragmentController.h"
#include "controllers/MediaRuntimeController.h"
#include "controllers/PlaybackController.h"
#include "controllers/PreviewController.h"
#include "controllers/ProcessingSettingsController.h"
#include "controllers/VideoSessionController.h"
#include "media/libav/LibavRuntime.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
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

bool makeClip(const QString& path)
{
    std::printf("Making a %d-frame 1920x1080 240 fps clip with ffmpeg ...\n", kClipFrames);
    std::fflush(stdout);
    return QProcess::execute(QStringLiteral("ffmpeg"), {"-v",
                                                        "error",
                                                        "-nostdin",
                                                        "-f",
                                                        "lavfi",
                                                        "-i",
                                                        "testsrc2=size=1920x1080:rate=240",
                                                        "-vf",
                                                        "noise=alls=10:allf=t",
                                                        "-frames:v",
                                                        QString::number(kClipFrames),
                                                        "-c:v",
                                                        "libx264",
                                                        "-preset",
                                                        "veryfast",
                                                        "-g",
                                                        "250",
                                                        "-keyint_min",
                                                        "250",
                                                        "-sc_threshold",
                                                        "0",
                                                        "-pix_fmt",
                                                        "yuv420p",
                                                        path}) == 0;
}

QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()).section(' ', 0, 2)
                                          : QStringLiteral("?");
}

// Runs the event loop until `done` holds; false after `timeoutMs`.
bool runUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    return values[std::size_t(fraction * double(values.size() - 1) + 0.5)];
}

struct ShownFrame
{
    double ms;
    qint64 index;
};

bool measurePlayback(Workbench& w)
{
    w.fragment.clearRange();
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
        const double dueIndex = double(first.index) + (frame.ms - first.ms) * kClipRate / 1000.0;
        const double lagMs = (dueIndex - double(frame.index)) * 1000.0 / kClipRate;
        lags.push_back(lagMs);
        if (frame.ms - first.ms < 2000.0) {
            earlyLag += lagMs;
            ++early;
        } else if (playedMs - frame.ms < 2000.0) {
            lateLag += lagMs;
            ++late;
        }
    }
    std::printf("playback 1080p 240 fps at speed 1 for %.1f s: %zu images (%.1f per second), "
                "frames %lld..%lld (%.1f frames/s)\n",
                playedMs / 1000.0, shown.size(), double(shown.size()) * 1000.0 / playedMs,
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

bool measureSeeks(Workbench& w)
{
    QRandomGenerator random(20240501);
    std::vector<double> latencies;
    for (int i = 0; i < kSeeks; ++i) {
        const double fraction = random.bounded(1.0);
        const qint64 target = qint64(std::llround(double(w.playback.frameCount() - 1) * fraction));
        QElapsedTimer clock;
        clock.start();
        w.playback.seekToFraction(fraction);
        if (!runUntil([&] { return w.playback.canPlay(); }, 30000) ||
            w.playback.currentFrameIndex() != target)
            return false;
        latencies.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    std::printf("seek to %d random frames (250-frame key-frame intervals): median %.1f ms, "
                "worst %.1f ms\n",
                kSeeks, percentile(latencies, 0.5), percentile(latencies, 1.0));
    return true;
}

// The analysis of the tool's run in microseconds, or -1.
double pipelineToolAnalysisUs(const QString& clip, const QString& output, qint64 end)
{
    QProcess tool;
    tool.start(QCoreApplication::applicationDirPath() + QStringLiteral("/orvi-tool-pipeline"),
               {clip, output, "--start", QString::number(kPreviewStart), "--end",
                QString::number(end), "--capture", QString::number(kPreviewCaptureRate), "--band",
                "9,14", "--factor", "5", "--workers", "0"});
    if (!tool.waitForFinished(-1) || tool.exitCode() != 0) {
        std::fprintf(stderr, "orvi-tool-pipeline failed: %s\n",
                     tool.readAllStandardError().constData());
        return -1.0;
    }
    const QJsonObject analysis =
        QJsonDocument::fromJson(tool.readAllStandardOutput()).object().value("analysis").toObject();
    return analysis.value("performance").toObject().value("totalElapsedUs").toDouble(-1.0);
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
    double bestTool = 1e300;
    double bestController = 1e300;
    double worstGap = 0.0;
    for (int round = 0; round < rounds; ++round) {
        const double toolUs = pipelineToolAnalysisUs(
            clip, QStringLiteral("%1/export-%2.mp4").arg(folder).arg(round), end);
        if (toolUs <= 0.0)
            return false;
        if (w.preview.ready()) {
            w.preview.acknowledgeDiscard();
            w.preview.discardResult();
        }
        TickGapMeter meter;
        meter.start();
        QElapsedTimer clock;
        clock.start();
        w.preview.createPreview();
        if (!w.preview.busy() || !runUntil([&] { return !w.preview.busy(); }, 3600000))
            return false;
        const double controllerUs = double(clock.nsecsElapsed()) / 1e3;
        meter.stop();
        if (!w.preview.ready()) {
            std::fprintf(stderr, "preview failed: %s\n", qPrintable(w.preview.errorMessage()));
            return false;
        }
        bestTool = std::min(bestTool, toolUs);
        bestController = std::min(bestController, controllerUs);
        worstGap = std::max(worstGap, meter.longestGapMs());
        std::printf("round %d: orvi-tool-pipeline analysis %.3f s; preview through the controller "
                    "%.3f s wall (its pipeline %.3f s); longest tick gap %.2f ms; load %s\n",
                    round + 1, toolUs / 1e6, controllerUs / 1e6,
                    double(w.preview.performance().totalElapsedUs) / 1e6, meter.longestGapMs(),
                    qPrintable(loadAverage()));
        std::fflush(stdout);
    }
    std::printf("preview of %lld 1080p frames: controller / tool %.3f (target <= 1.05), best of "
                "%d alternating rounds\n",
                static_cast<long long>(end - kPreviewStart), bestController / bestTool, rounds);
    std::printf(
        "  interface thread while the preview runs: longest tick gap %.2f ms (target < 16)\n",
        worstGap);

    // The result beside its source frames, three times through the fragment.
    if (!runUntil([&] { return w.playback.previewAvailable() && w.playback.canPlay(); }, 60000))
        return false;
    TickGapMeter meter;
    meter.start();
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
                "images): longest tick gap %.2f ms, %lld of %lld gaps >= 16 ms\n",
                previewImages, meter.longestGapMs(), static_cast<long long>(meter.gapsOverFrame()),
                static_cast<long long>(meter.ticks()));
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    orvi::media::libav::LibavRuntime::routeLogMessages();
    const int rounds = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 2;
    QTemporaryDir folder;
    qputenv("TMPDIR", QFile::encodeName(folder.path()));
    const QString clip = folder.filePath(QStringLiteral("textured-1080p-240fps.mp4"));
    if (!folder.isValid() || !makeClip(clip)) {
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
    if (!measurePlayback(w) || !measureSeeks(w) ||
        !measurePreview(w, clip, folder.path(), rounds)) {
        std::fprintf(stderr, "a measurement failed\n");
        return 1;
    }
    std::printf("load average after: %s\n", qPrintable(loadAverage()));
    return 0;
}
