// Times the real window: start-up to its first frame, a clip opened from the window to its
// first shown frame, the process's CPU use while the window idles, "diagnostics.screenshot" of
// the 1440 x 900 window with the clip shown, and the interface thread's longest stall while a
// preview is computed and then played.
//
//   orvi-tool-window-timing [clip]     (QT_QPA_PLATFORM=offscreen for headless runs)

#include "../controllers/TickGapMeter.h"
#include "WindowBenchSupport.h"
#include "app/ApplicationController.h"
#include "app/ApplicationIdentity.h"
#include "controllers/items/UiModule.h"
#include "diagnostics/SemanticDebugService.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickWindow>
#include <QTextStream>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <functional>
#include <sys/resource.h>

namespace {

using orvi::ui::controllers::ApplicationController;

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double idleCpuPercent(int milliseconds)
{
    const double before = cpuSeconds();
    runFor(milliseconds);
    return 100.0 * (cpuSeconds() - before) / (milliseconds / 1000.0);
}

// Median and longest time of "diagnostics.screenshot" through the service, as a client's
// request runs it (PNG encoding, interface state and snapshot included).
void timeScreenshots(ApplicationController& controller, QTextStream& out)
{
    using namespace orvi::diagnostics::service;
    SemanticDebugService service(DiagnosticsControllers::of(controller));
    QString error;
    if (!service.start(true, &error)) {
        out << "the diagnostics service did not start: " << error << "\n";
        return;
    }
    std::vector<double> times;
    qsizetype bytes = 0;
    for (int i = 0; i < 21; ++i) {
        QElapsedTimer clock;
        clock.start();
        const DispatchResult shot =
            service.dispatch(QStringLiteral("diagnostics.screenshot"),
                             {{QStringLiteral("expectedRevision"), double(service.revision())}});
        times.push_back(double(clock.nsecsElapsed()) / 1e6);
        if (!shot.ok()) {
            out << "the screenshot failed: " << shot.errorCode << "\n";
            return;
        }
        bytes = shot.result.value(QStringLiteral("pngBase64")).toString().size() * 3 / 4;
        runFor(20);
    }
    std::sort(times.begin(), times.end());
    out << "diagnostics.screenshot of the window: median " << times[times.size() / 2]
        << " ms, longest " << times.back() << " ms over " << times.size() << " captures ("
        << bytes / 1024 << " KiB PNG)\n";
}

} // namespace

int main(int argc, char* argv[])
{
    QElapsedTimer sinceMain;
    sinceMain.start();
    QGuiApplication application(argc, argv);
    QTextStream out(stdout);
    const QString clip = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();

    orvi::ui::registerUiModule();
    ApplicationController controller;
    QQmlApplicationEngine engine;
    QQuickWindow* window = loadMainWindow(engine, controller);
    if (!window || !waitForFrame(window, 10000)) {
        out << "the window did not show a frame\n";
        return 1;
    }
    out << "start-up to the first window frame: " << sinceMain.elapsed() << " ms\n";
    runFor(2000); // let the first frames' one-time work (fonts, shaders) settle
    out << "CPU while the empty window idles 10 s: " << idleCpuPercent(10000) << " %\n";
    if (clip.isEmpty())
        return 0;

    QElapsedTimer opening;
    opening.start();
    controller.videoSession()->openSource(QUrl::fromLocalFile(clip));
    if (!runUntil([&] { return controller.playback()->hasFrame(); }, 60000) ||
        !waitForFrame(window, 5000)) {
        out << "the clip did not show: " << controller.videoSession()->errorMessage() << "\n";
        return 1;
    }
    out << "open to the first shown frame: " << opening.elapsed() << " ms\n";
    runUntil([&] { return controller.videoSession()->ready() && controller.playback()->ready(); },
             60000);
    out << "open to a ready session: " << opening.elapsed() << " ms ("
        << controller.videoSession()->frameWidth() << " x "
        << controller.videoSession()->frameHeight() << ", "
        << controller.videoSession()->frameCount() << " frames)\n";
    out << "CPU while the window idles 10 s with the clip paused: " << idleCpuPercent(10000)
        << " %\n";
    timeScreenshots(controller, out);

    // A capture rate and band that a short clip covers, on a region, as an engineer would
    // start it.
    auto* settings = controller.processingSettings();
    if (!controller.videoSession()->setCaptureFrameRate(60.0) ||
        !settings->setFrequencyBand(9.0, 14.0) ||
        !settings->setRegionOfInterest(0.25, 0.25, 0.5, 0.5)) {
        out << "the settings were refused: " << settings->validationMessage() << "\n";
        return 1;
    }
    TickGapMeter meter;
    meter.start();
    QElapsedTimer previewClock;
    previewClock.start();
    controller.preview()->createPreview();
    if (!controller.preview()->busy()) {
        out << "the preview did not start: " << settings->validationMessage()
            << controller.preview()->errorMessage() << "\n";
        return 1;
    }
    runUntil([&] { return !controller.preview()->busy(); }, 900000);
    const double previewGap = meter.longestGapMs();
    out << "preview of " << controller.preview()->frameCount()
        << " frames: " << previewClock.elapsed()
        << " ms; longest interface-thread stall meanwhile: " << previewGap << " ms, ending "
        << meter.longestGapEndMs() << " ms after the start\n";
    controller.playback()->play();
    runFor(5000);
    meter.stop();
    out << "longest interface-thread stall over the preview and 5 s of playback: "
        << meter.longestGapMs() << " ms (" << meter.gapsOverFrame()
        << " ticks late by 16 ms or more of " << meter.ticks() << ")\n";
    return 0;
}
