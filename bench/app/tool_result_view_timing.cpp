// Times the spectrum result view of the real window: analyses a clip on the finest grid, then
// measures the interface thread's longest stall (a 1 ms timer probe) while the view switches
// between its five representations and while bands are dragged on the spectrum chart with
// synthesised pointer events, one move per 8 ms as a quick hand makes them.
//
//   orvi-tool-result-view-timing [clip] [--rounds N]
//   (QT_QPA_PLATFORM=offscreen for headless runs; the default clip is the build's sample, whose
//   720 frames give 511 spectrum points; a clip of 4096 frames or more gives 2047)

#include "../controllers/TickGapMeter.h"
#include "WindowBenchSupport.h"
#include "app/ApplicationController.h"
#include "app/ApplicationIdentity.h"
#include "controllers/WindowAutomation.h"
#include "controllers/items/SpectrumChartItem.h"
#include "controllers/items/UiModule.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QImage>
#include <QMap>
#include <QMouseEvent>
#include <QPainter>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTextStream>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <functional>
#include <vector>

namespace {

using orvi::ui::controllers::ApplicationController;

// False, with the refusal code in *error, when the window refused the action.
bool uiAction(QQuickWindow* window, const QVariantMap& request, QString* error = nullptr)
{
    return window->findChild<orvi::ui::controllers::WindowAutomation*>()->act(request, error);
}

// Longest time one pointer event took to handle, before any repaint.
double g_longestEventMs = 0.0;

void sendMouse(QQuickWindow* window, QEvent::Type type, QPointF at, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, at, window->mapToGlobal(at), Qt::LeftButton, buttons, {});
    QElapsedTimer clock;
    clock.start();
    QCoreApplication::sendEvent(window, &event);
    g_longestEventMs = std::max(g_longestEventMs, double(clock.nsecsElapsed()) / 1e6);
}

// Paints the chart into an image of its size, as the scene graph does for each frame: while a
// draft moves, and after each change of the visible range (zoom with the pointer, then reset),
// which redraws the axes and the curve as well.
void timePaint(QTextStream& out, orvi::ui::items::SpectrumChartItem* chart)
{
    QImage image(chart->size().toSize(), QImage::Format_ARGB32_Premultiplied);
    const QRectF plot = chart->plotRect();
    const auto paintOnce = [&] {
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        QElapsedTimer clock;
        clock.start();
        chart->paint(&painter);
        return double(clock.nsecsElapsed()) / 1e6;
    };
    const auto summary = [](std::vector<double>& times) {
        std::sort(times.begin(), times.end());
        return QStringLiteral("median %1 ms, slowest %2 ms")
            .arg(times[times.size() / 2])
            .arg(times.back());
    };
    std::vector<double> drafting;
    chart->beginDraft(plot.left());
    for (int i = 0; i < 200; ++i) {
        chart->updateDraft(plot.left() + (i % 100) * plot.width() / 100);
        drafting.push_back(paintOnce());
    }
    chart->endDraft();
    std::vector<double> ranging;
    for (int i = 0; i < 50; ++i) {
        if (i % 2 == 0)
            chart->zoomAt(plot.left() + plot.width() * (i % 10) / 10.0, true);
        else
            chart->resetView();
        ranging.push_back(paintOnce());
    }
    out << "one chart paint at " << image.width() << " x " << image.height()
        << " px: with a moving draft band " << summary(drafting)
        << "; after a change of the visible range " << summary(ranging) << "\n";
}

// A band dragged from one fraction of the plot's width to another, then the view reset.
void dragBand(QQuickWindow* window, QQuickItem* chart, double from, double to, TickGapMeter& moving,
              TickGapMeter& releasing)
{
    const QRectF plot = chart->property("plotRect").toRectF();
    const auto at = [&](double fraction) {
        return chart->mapToScene(QPointF(plot.left() + fraction * plot.width(), plot.center().y()));
    };
    moving.start();
    sendMouse(window, QEvent::MouseButtonPress, at(from), Qt::LeftButton);
    constexpr int kMoves = 40;
    for (int move = 1; move <= kMoves; ++move) {
        runFor(8);
        sendMouse(window, QEvent::MouseMove, at(from + (to - from) * move / kMoves),
                  Qt::LeftButton);
    }
    runFor(8);
    moving.stop();
    releasing.start();
    sendMouse(window, QEvent::MouseButtonRelease, at(to), Qt::NoButton);
    runFor(30);
    uiAction(window, {{QStringLiteral("action"), QStringLiteral("reset_view")}});
    runFor(30);
    releasing.stop();
}

void report(QTextStream& out, const char* what, const TickGapMeter& meter, qint64 elapsedMs)
{
    out << what << ": longest interface-thread stall " << meter.longestGapMs() << " ms ("
        << meter.gapsOverFrame() << " of " << meter.ticks() << " ticks late by 16 ms or more; "
        << elapsedMs << " ms in all)\n";
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication application(argc, argv);
    QTextStream out(stdout);
    QStringList arguments = application.arguments().mid(1);
    int rounds = 10;
    const qsizetype roundsAt = arguments.indexOf(QStringLiteral("--rounds"));
    if (roundsAt >= 0 && roundsAt + 1 < arguments.size()) {
        rounds = std::max(1, arguments[roundsAt + 1].toInt());
        arguments.remove(roundsAt, 2);
    }
    const QString clip = !arguments.isEmpty()
                             ? arguments.first()
                             : application.applicationDirPath() +
                                   QStringLiteral("/../samples/orvi-sample-240fps.mp4");

    orvi::ui::registerUiModule();
    ApplicationController controller;
    QQmlApplicationEngine engine;
    QQuickWindow* window = loadMainWindow(engine, controller);
    if (!window || !waitForFrame(window, 10000)) {
        out << "the window did not show a frame\n";
        return 1;
    }

    auto* session = controller.videoSession();
    session->openSource(QUrl::fromLocalFile(clip));
    if (!runUntil([&] { return session->ready() && controller.playback()->ready(); }, 60000)) {
        out << "the clip did not open: " << session->errorMessage() << "\n";
        return 1;
    }
    // The rate as the user would confirm it; nothing is analysed with an assumed one.
    session->setCaptureFrameRate(session->captureFrameRate());
    // The finest grid holds at most 4096 frames of signal; a longer clip is cut to them.
    controller.analysisFragment()->setRangeFrames(0, std::min<qint64>(session->frameCount(), 4096));
    auto* spectrum = controller.spectrum();
    QElapsedTimer analysis;
    analysis.start();
    if (!spectrum->startAnalysis(session->captureFrameRate(), 2, 0)) {
        out << "the analysis did not start: " << spectrum->errorMessage() << "\n";
        return 1;
    }
    runUntil([&] { return !spectrum->busy(); }, 1800000);
    if (!spectrum->ready()) {
        out << "the analysis failed: " << spectrum->errorMessage() << "\n";
        return 1;
    }
    out << "analysis: " << analysis.elapsed() << " ms; " << spectrum->resultGridDescription() << " "
        << spectrum->spectrumPoints().size() << " spectrum points, "
        << spectrum->candidates().size() << " candidates\n";
    uiAction(window, {{QStringLiteral("action"), QStringLiteral("select_section")},
                      {QStringLiteral("section"), QStringLiteral("spectrum")}});
    runFor(1000); // the first views' one-time work (fonts, shaders)

    const QStringList views{QStringLiteral("spectrum"), QStringLiteral("map"),
                            QStringLiteral("points"), QStringLiteral("bands"),
                            QStringLiteral("phase")};
    TickGapMeter switching;
    QElapsedTimer clock;
    clock.start();
    switching.start();
    QMap<QString, double> slowestSwitch; // the action and its first frame, per view
    for (int round = 0; round < rounds; ++round) {
        for (const QString& view : views) {
            QElapsedTimer one;
            one.start();
            QString error;
            if (!uiAction(window,
                          {{QStringLiteral("action"), QStringLiteral("select_view")},
                           {QStringLiteral("view"), view}},
                          &error)) {
                out << "select_view " << view << " failed: " << error << "\n";
                return 1;
            }
            waitForFrame(window, 5000);
            slowestSwitch[view] = std::max(slowestSwitch[view], double(one.nsecsElapsed()) / 1e6);
            runFor(20);
        }
    }
    switching.stop();
    report(out, "switching between the five representations", switching, clock.elapsed());
    for (auto it = slowestSwitch.cbegin(); it != slowestSwitch.cend(); ++it)
        out << "  slowest switch to " << it.key() << " up to its first frame: " << it.value()
            << " ms\n";

    uiAction(window, {{QStringLiteral("action"), QStringLiteral("select_view")},
                      {QStringLiteral("view"), QStringLiteral("spectrum")}});
    auto* chart =
        window->findChild<orvi::ui::items::SpectrumChartItem*>(QStringLiteral("spectrumChart"));
    if (!chart || !waitForFrame(window, 5000)) {
        out << "the spectrum chart is not shown\n";
        return 1;
    }
    // The pointer's moves and the release (band selection, zoom, then a view reset) apart:
    // a release also makes the controller rebuild its band map.
    TickGapMeter moving;
    TickGapMeter releasing;
    clock.restart();
    for (int round = 0; round < rounds; ++round) {
        dragBand(window, chart, 0.1 + 0.02 * round, 0.6 + 0.03 * round, moving, releasing);
        dragBand(window, chart, 0.9 - 0.02 * round, 0.2, moving, releasing);
    }
    report(out, "dragging bands on the spectrum chart (pointer moves)", moving, clock.elapsed());
    report(out, "releasing the drags (selection, zoom, view reset)", releasing, clock.elapsed());
    out << "longest handling of one pointer event: " << g_longestEventMs << " ms\n";
    // What a release costs besides the chart: the controller's reaction to a new band.
    double longestSelection = 0.0;
    for (int i = 0; i < 20; ++i) {
        QElapsedTimer selection;
        selection.start();
        spectrum->setSelectedBand(10.0 + i, 20.0 + i);
        longestSelection = std::max(longestSelection, double(selection.nsecsElapsed()) / 1e6);
    }
    out << "longest setSelectedBand call (band map rebuilt, bindings updated): " << longestSelection
        << " ms\n";
    timePaint(out, chart);
    out << "selected band after the last drag: " << spectrum->selectedLowerFrequencyHz() << " - "
        << spectrum->selectedUpperFrequencyHz() << " Hz\n";
    return 0;
}
