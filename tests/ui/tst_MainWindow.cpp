#include "app/ApplicationController.h"
#include "app/ApplicationIdentity.h"
#include "controllers/WindowAutomation.h"
#include "controllers/items/RegionEditorItem.h"
#include "controllers/items/UiModule.h"
#include "media/LibavClipFixtures.h"
#include "spectrum/SpectrumTestVideo.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QQmlApplicationEngine>
#include <QQuickWindow>
#include <QStyleHints>
#include <QTemporaryDir>
#include <QtQuickTest/quicktest.h>
#include <QtTest>
#include <cmath>
#include <memory>
#include <numbers>

using namespace orvi::ui::controllers;
using orvi::app::ApplicationIdentity;
using orvi::media::tests::LibavClipFixtures;
using orvi::ui::items::RegionEditorItem;

// Skips without ffmpeg; otherwise opens a 12-frame clip with marked corners, turned by
// `rotation` degrees, and ends the test function when that failed.
#define OPEN_MARKED_CLIP_OR_RETURN(rotation)                                                       \
    if (!LibavClipFixtures::ffmpegAvailable())                                                     \
        QSKIP("ffmpeg is needed to make the clips");                                               \
    QTemporaryDir folder;                                                                          \
    LibavClipFixtures clips(folder.path());                                                        \
    const QString clip = clips.cornerMarkedMp4(QStringLiteral("clip.mp4"), rotation, 12);          \
    QVERIFY2(!clip.isEmpty(), qPrintable(clips.lastError()));                                      \
    openClip(clip);                                                                                \
    if (QTest::currentTestFailed())                                                                \
    return

// The real window, loaded offscreen and driven through its automation functions and by
// synthesised pointer and key events.
class TestMainWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<ApplicationController> m_controller;
    std::unique_ptr<QQmlApplicationEngine> m_engine;
    QQuickWindow* m_window = nullptr;

    WindowAutomation* automation() { return m_window->findChild<WindowAutomation*>(); }
    QVariantMap state() { return automation()->state(); }
    // "ok" or the refusal code of one action.
    QString outcome(const QVariant& request)
    {
        QString refusal;
        return automation()->act(request, &refusal) ? QStringLiteral("ok") : refusal;
    }
    // The outcome of an action with at most one parameter.
    QString act(const char* action, const char* key = nullptr, const QVariant& value = {})
    {
        QVariantMap request{{QStringLiteral("action"), QString::fromLatin1(action)}};
        if (key)
            request.insert(QString::fromLatin1(key), value);
        return outcome(request);
    }

    void openClip(const QString& path)
    {
        m_controller->videoSession()->openSource(QUrl::fromLocalFile(path));
        QTRY_VERIFY_WITH_TIMEOUT(m_controller->videoSession()->ready(), 30000);
        QTRY_VERIFY_WITH_TIMEOUT(
            m_controller->playback()->ready() && m_controller->playback()->hasFrame(), 30000);
    }
    static RegionEditorItem* findEditor(QQuickItem* item)
    {
        if (auto* editor = qobject_cast<RegionEditorItem*>(item))
            return editor;
        for (QQuickItem* child : item->childItems()) {
            if (RegionEditorItem* editor = findEditor(child))
                return editor;
        }
        return nullptr;
    }
    RegionEditorItem* editor() { return findEditor(m_window->contentItem()); }
    // A point of the painted frame, by fractions of its width and height, in window pixels.
    QPoint at(double fx, double fy)
    {
        const QRectF frame = editor()->frameRect();
        return editor()
            ->mapToScene(QPointF(frame.x() + fx * frame.width(), frame.y() + fy * frame.height()))
            .toPoint();
    }
    void clickCentre(QQuickItem* item)
    {
        QTest::mouseClick(
            m_window, Qt::LeftButton, {},
            item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint());
    }
    void drag(QPoint from, QPoint to)
    {
        QTest::mousePress(m_window, Qt::LeftButton, {}, from);
        for (int step = 1; step <= 4; ++step)
            QTest::mouseMove(m_window, from + (to - from) * step / 4);
        QTest::mouseRelease(m_window, Qt::LeftButton, {}, to);
    }

    // Opens a clip whose left half vibrates at 12 Hz and right half at 30 Hz (240 fps) and
    // runs a spectrum analysis on it; leaves the window on the spectrum section.
    void analyseTwoBandClip(const QTemporaryDir& folder)
    {
        const QSize size(160, 96);
        const double rate = 240.0;
        const auto motion = [&](int x, int, double t) {
            const double w = 2.0 * std::numbers::pi * t;
            return QPointF(
                x < size.width() / 2 ? 0.4 * std::cos(w * 12.0) : 0.3 * std::cos(w * 30.0), 0.0);
        };
        const orvi::spectrum::testing::SyntheticTexture texture(7);
        const QString clip = folder.filePath(QStringLiteral("two.mp4"));
        orvi::media::VideoInfo info;
        QString error;
        QVERIFY2(orvi::spectrum::testing::writeTestVideo(
                     clip, size, 600, rate,
                     [&](int i) { return texture.frame(size, motion, i / rate); }, &info, &error),
                 qPrintable(error));
        openClip(clip);
        SpectrumController* spectrum = m_controller->spectrum();
        // The starting 240 fps is only assumed: nothing is measured until the user confirms it
        // in the video parameters.
        QVERIFY(!spectrum->startAnalysis(rate, 1, 0));
        QCOMPARE(act("open_dialog", "dialog", "video_parameters"), QStringLiteral("ok"));
        QQuickItem* confirm = nullptr;
        QTRY_VERIFY((confirm = visibleItem("confirmCaptureRateButton")));
        clickCentre(confirm);
        QTRY_COMPARE(m_controller->videoSession()->captureFrameRateOrigin(),
                     QStringLiteral("entered"));
        QVERIFY(!visibleItem("captureRatePrompt"));
        QCOMPARE(act("close_dialog", "dialog", "video_parameters"), QStringLiteral("ok"));
        QVERIFY(spectrum->startAnalysis(rate, 1, 0));
        QTRY_VERIFY_WITH_TIMEOUT(!spectrum->busy(), 120000);
        QVERIFY2(spectrum->ready(), qPrintable(spectrum->errorMessage()));
        QCOMPARE(act("select_section", "section", "spectrum"), QStringLiteral("ok"));
    }

    // A shown item of the window by object name, or null.
    QQuickItem* visibleItem(const char* name)
    {
        auto* item = m_window->findChild<QQuickItem*>(QString::fromLatin1(name));
        return item && item->isVisible() ? item : nullptr;
    }
    // Shows one view of the result; its shown item `name`, or null when either failed.
    QQuickItem* showView(const char* view, const char* name)
    {
        return act("select_view", "view", QString::fromLatin1(view)) == QStringLiteral("ok")
                   ? visibleItem(name)
                   : nullptr;
    }

private slots:
    void init()
    {
        orvi::ui::registerUiModule();
        m_controller = std::make_unique<ApplicationController>();
        m_engine = std::make_unique<QQmlApplicationEngine>();
        m_engine->setInitialProperties(
            {{QStringLiteral("applicationController"), QVariant::fromValue(m_controller.get())}});
        m_engine->addImportPath(ApplicationIdentity::qmlImportPath());
        m_engine->load(QUrl(ApplicationIdentity::mainQmlUrl()));
        QVERIFY(!m_engine->rootObjects().isEmpty());
        m_window = qobject_cast<QQuickWindow*>(m_engine->rootObjects().first());
        QVERIFY(m_window);
        QCOMPARE(m_window->objectName(), QStringLiteral("orviMainWindow"));
        QVERIFY(automation());
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
    }
    void cleanup()
    {
        m_engine.reset();
        m_controller.reset();
    }

    // Each row is a sequence of [request, expected outcome] steps from a fresh window
    // without a video.
    void automationContract_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::newRow("requests that are not objects or name no action")
            << R"([["text", "invalid_request"], [[1], "invalid_request"],
                  [{"action": 5}, "unsupported_action"], [{"action": "fly"}, "unsupported_action"]])";
        QTest::newRow("sections")
            << R"([[{"action": "select_section", "section": "spectrum"}, "ok"],
                  [{"action": "select_section", "section": "nowhere"}, "invalid_section"],
                  [{"action": "select_view", "view": "map"}, "no_result"],
                  [{"action": "select_section", "section": "amplification"}, "ok"],
                  [{"action": "select_view", "view": "map"}, "wrong_section"]])";
        QTest::newRow("window dialog blocks all but close")
            << R"([[{"action": "open_dialog", "dialog": "about"}, "ok"],
                  [{"action": "select_section", "section": "spectrum"}, "modal_dialog_open"],
                  [{"action": "open_dialog", "dialog": "video_parameters"}, "modal_dialog_open"],
                  [{"action": "close_dialog", "dialog": "about"}, "ok"],
                  [{"action": "select_section", "section": "spectrum"}, "ok"]])";
        QTest::newRow("workspace dialog passes help and export format down")
            << R"([[{"action": "open_dialog", "dialog": "video_parameters"}, "ok"],
                  [{"action": "open_dialog", "dialog": "about"}, "modal_dialog_open"],
                  [{"action": "set_region_editing", "enabled": true}, "modal_dialog_open"],
                  [{"action": "set_export_format", "format": 1}, "dialog_not_open"],
                  [{"action": "open_dialog", "dialog": "help"}, "no_result"],
                  [{"action": "close_dialog", "dialog": "video_parameters"}, "ok"]])";
        QTest::newRow("nothing to act on without a video")
            << R"([[{"action": "open_dialog", "dialog": "save_video"}, "no_result"],
                  [{"action": "set_region_editing", "enabled": true}, "unavailable"],
                  [{"action": "set_region_editing", "enabled": 1}, "invalid_parameters"],
                  [{"action": "open_dialog", "dialog": "amplification_settings"}, "unavailable"],
                  [{"action": "accept_dialog", "dialog": "about"}, "unsupported_dialog"],
                  [{"action": "scroll_dialog", "dialog": "about", "section": "x"}, "unsupported_dialog"],
                  [{"action": "set_dialog_parameters", "dialog": "amplification_settings",
                    "parameters": {}}, "dialog_not_open"],
                  [{"action": "set_dialog_parameters", "dialog": "spectrum_settings",
                    "parameters": [1]}, "invalid_parameters"]])";
    }
    void automationContract()
    {
        QFETCH(QString, steps);
        const QJsonArray sequence = QJsonDocument::fromJson(steps.toUtf8()).array();
        QVERIFY(!sequence.isEmpty());
        for (const QJsonValue& step : sequence) {
            const QVariant request = step[0].toVariant();
            QCOMPARE(outcome(request), step[1].toString());
        }
        const QVariantMap dialogs = state().value("dialogs").toMap();
        for (auto it = dialogs.cbegin(); it != dialogs.cend(); ++it)
            QVERIFY2(!it.value().toBool(), qPrintable(it.key()));
    }

    // Every action with a key outside its list is refused before anything else is judged.
    void everyActionRefusesExtraKeys()
    {
        const QStringList actions{
            "accept_dialog",     "set_dialog_section", "scroll_dialog",  "select_section",
            "select_view",       "open_dialog",        "close_dialog",   "reset_view",
            "set_view",          "set_export_format",  "set_map_colors", "set_dialog_parameters",
            "set_region_editing"};
        for (const QString& action : actions)
            QCOMPARE(outcome(QVariantMap{{"action", action}, {"unexpected", true}}),
                     QStringLiteral("invalid_parameters"));
    }

    void regionEditor_data()
    {
        QTest::addColumn<double>("rotation");
        QTest::newRow("upright") << 0.0;
        QTest::newRow("rotated 90 degrees") << 90.0;
    }
    void regionEditor()
    {
        QFETCH(double, rotation);
        OPEN_MARKED_CLIP_OR_RETURN(rotation);
        ProcessingSettingsController* settings = m_controller->processingSettings();
        const QSize upright = rotation == 0.0 ? QSize(160, 120) : QSize(120, 160);
        QCOMPARE(QSize(m_controller->videoSession()->frameWidth(),
                       m_controller->videoSession()->frameHeight()),
                 upright);

        QVERIFY(editor());
        QCOMPARE(act("set_region_editing", "enabled", true), QStringLiteral("ok"));
        QTRY_VERIFY(editor()->interactionAvailable());
        const QRectF frame = editor()->frameRect();
        QVERIFY(qAbs(frame.width() / frame.height() - double(upright.width()) / upright.height()) <
                0.02);
        const double pixel = 1.5 / frame.width(); // a painted pixel and rounding
        auto near = [&](const QRectF& expected) {
            const QRectF actual = settings->regionOfInterest();
            return qAbs(actual.x() - expected.x()) < pixel &&
                   qAbs(actual.y() - expected.y()) < pixel &&
                   qAbs(actual.width() - expected.width()) < pixel &&
                   qAbs(actual.height() - expected.height()) < pixel;
        };

        drag(at(0.2, 0.2), at(0.7, 0.6));
        QVERIFY(near(QRectF(0.2, 0.2, 0.5, 0.4)));
        drag(at(0.45, 0.4), at(0.55, 0.5)); // move by a tenth
        QVERIFY(near(QRectF(0.3, 0.3, 0.5, 0.4)));
        drag(at(0.8, 0.5), at(0.9, 0.5)); // the right edge
        QVERIFY(near(QRectF(0.3, 0.3, 0.6, 0.4)));

        const QRectF beforeTiny = settings->regionOfInterest();
        drag(at(0.05, 0.05), at(0.07, 0.07));
        QCOMPARE(editor()->message(), QStringLiteral("The region is too small."));
        QCOMPARE(settings->regionOfInterest(), beforeTiny);

        QTest::keyClick(m_window, Qt::Key_Right);
        QVERIFY(qAbs(settings->regionOfInterest().x() - (0.3 + 1.0 / upright.width())) < pixel);
        QTest::keyClick(m_window, Qt::Key_Escape); // restores the region of the edit's start
        QCOMPARE(settings->regionOfInterest(), QRectF(0, 0, 1, 1));
        QVERIFY(!state().value("regionEditing").toBool());
    }

    // The amplification settings take the one band rule: a lower edge of 0 Hz is refused, not
    // applied as a band the settings then call invalid. The reference region cleared there takes
    // compensation with it, and both come back when the dialog is left without starting.
    void amplificationDialog()
    {
        OPEN_MARKED_CLIP_OR_RETURN(0.0);
        ProcessingSettingsController* settings = m_controller->processingSettings();
        const QRectF reference(0.1, 0.2, 0.3, 0.4);
        QVERIFY(settings->setStabilizationReferenceRegion(reference.x(), reference.y(),
                                                          reference.width(), reference.height()));
        QVERIFY(settings->setStabilizationEnabled(true));
        const QString dialog = QStringLiteral("amplification_settings");
        QCOMPARE(act("open_dialog", "dialog", dialog), QStringLiteral("ok"));
        const auto setBand = [&](double lower, double upper) {
            const QVariantMap band{{"lowerFrequencyHz", lower}, {"upperFrequencyHz", upper}};
            return outcome(QVariantMap{
                {"action", "set_dialog_parameters"}, {"dialog", dialog}, {"parameters", band}});
        };
        QCOMPARE(setBand(0.0, 2.0), QStringLiteral("invalid_parameters"));
        QCOMPARE(setBand(1.0, 2.0), QStringLiteral("ok"));
        QCOMPARE(settings->lowerFrequencyHz(), 1.0);
        QVERIFY(settings->frequencyBandValid());

        QCOMPARE(outcome(QVariantMap{{"action", "set_dialog_section"},
                                     {"dialog", dialog},
                                     {"section", "camera"},
                                     {"expanded", true}}),
                 QStringLiteral("ok"));
        QCOMPARE(outcome(QVariantMap{
                     {"action", "scroll_dialog"}, {"dialog", dialog}, {"section", "camera"}}),
                 QStringLiteral("ok"));
        // Both settings dialogs hold the section: the shown one's button.
        QQuickItem* clear = nullptr;
        QTRY_VERIFY([&] {
            for (auto* item : m_window->findChildren<QQuickItem*>("clearReferenceButton"))
                if (item->isVisible() && item->isEnabled())
                    clear = item;
            return clear != nullptr;
        }());
        clickCentre(clear);
        QTRY_VERIFY(!settings->stabilizationReferenceSet());
        QVERIFY(!settings->stabilizationEnabled());
        QVERIFY(!clear->isVisible());
        QCOMPARE(act("close_dialog", "dialog", dialog), QStringLiteral("ok"));
        QTRY_COMPARE(settings->stabilizationReferenceRegion(), reference);
        QVERIFY(settings->stabilizationEnabled());
    }

    // The views of one real analysis. A click on the band map changes nothing, both maps follow
    // the view contract, and on the phase map a click picks the reference cell it lands in. The
    // bands table lists every candidate, and a click on a row selects that candidate's band.
    // On the chart a drag selects the dragged band, widened by half a bin, and zooms to it; a
    // click picks the bin under it once the double-click interval has passed; two quick clicks
    // show the whole range again and select nothing. The points display picks the marker within
    // 10 pixels of a click and nothing farther; the signal plot keeps its visible time range
    // inside the fragment; the local spectrum has no view to change.
    void viewsOfARealAnalysis()
    {
        if (!LibavClipFixtures::ffmpegAvailable())
            QSKIP("ffmpeg is needed to make the clips");
        QTemporaryDir folder;
        analyseTwoBandClip(folder);
        if (QTest::currentTestFailed())
            return;
        SpectrumController* spectrum = m_controller->spectrum();
        {
            auto viewport = [&](const char* name) { return visibleItem(name); };
            // The window point of frame point (u, v) in a viewport.
            auto framePoint = [&](QQuickItem* view, double u, double v) {
                auto* overlay = view->property("overlay").value<QQuickItem*>();
                return overlay->mapToScene(QPointF(u * overlay->width(), v * overlay->height()))
                    .toPoint();
            };
            auto click = [&](QPoint point) {
                QTest::mouseClick(m_window, Qt::LeftButton, {}, point);
            };
            const auto viewSteps = QJsonDocument::fromJson(R"([
                [{"action": "set_view", "zoom": 2, "panX": -0.5, "panY": -1}, "ok", [2, -0.5, -1]],
                [{"action": "set_view", "zoom": 2, "panX": 0.1, "panY": 0}, "invalid_view", [2, -0.5, -1]],
                [{"action": "set_view", "zoom": 17, "panX": 0, "panY": 0}, "invalid_view", [2, -0.5, -1]],
                [{"action": "reset_view"}, "ok", [1, 0, 0]]])")
                                       .array();
            auto checkViewContract = [&] {
                // Zooms and pans through valid and invalid requests, back to the whole frame.
                for (const QJsonValue& step : viewSteps) {
                    QCOMPARE(outcome(step[0].toVariant()), step[1].toString());
                    const QVariantMap view = state().value("viewState").toMap();
                    QCOMPARE(view.value("zoom").toDouble(), step[2][0].toDouble());
                    QCOMPARE(view.value("panX").toDouble(), step[2][1].toDouble());
                    QCOMPARE(view.value("panY").toDouble(), step[2][2].toDouble());
                }
            };

            QCOMPARE(act("select_view", "view", "map"), QStringLiteral("ok"));
            QQuickItem* bandMap = viewport("bandMapViewport");
            QVERIFY(bandMap);
            const double lower = spectrum->selectedLowerFrequencyHz();
            const double upper = spectrum->selectedUpperFrequencyHz();
            click(framePoint(bandMap, 0.25, 0.5));
            QCOMPARE(spectrum->selectedLowerFrequencyHz(), lower);
            QCOMPARE(spectrum->selectedUpperFrequencyHz(), upper);
            QCOMPARE(spectrum->phaseReferenceSite(), -1);
            checkViewContract();
            if (QTest::currentTestFailed())
                return;

            QCOMPARE(act("select_view", "view", "phase"), QStringLiteral("ok"));
            QQuickItem* phaseMap = viewport("phaseMapViewport");
            QVERIFY(phaseMap);
            checkViewContract();
            if (QTest::currentTestFailed())
                return;

            // The second candidate, chosen in the selector's list.
            auto* choice = m_window->findChild<QQuickItem*>(QStringLiteral("candidateChoice"));
            QVERIFY(choice && choice->isEnabled());
            QVERIFY(QQuickTest::qWaitForPolish(m_window)); // the row follows the selector's width

            clickCentre(choice);
            auto* popup = choice->property("popup").value<QObject*>();
            QTRY_VERIFY(popup && popup->property("opened").toBool());
            QQuickItem* entry = nullptr;
            QVERIFY(QMetaObject::invokeMethod(popup->property("contentItem").value<QQuickItem*>(),
                                              "itemAtIndex", Q_RETURN_ARG(QQuickItem*, entry),
                                              Q_ARG(int, 1)));
            QVERIFY(entry);
            clickCentre(entry);
            const QVariantMap second = spectrum->candidates()[1].toMap();
            QCOMPARE(spectrum->phaseFrequencyHz(), second["frequencyHz"].toDouble());
            QCOMPARE(spectrum->selectedLowerFrequencyHz(), second["lowerFrequencyHz"].toDouble());
            QCOMPARE(choice->property("currentIndex").toInt(), 1);

            // A reference in the first and then in the last accepted cell of the half that moves at
            // the chosen frequency, clicked at the cell's centre.
            const bool leftHalf = std::abs(second["frequencyHz"].toDouble() - 12.0) < 3.0;
            const QVariantList sites = spectrum->diagnosticSites();
            const QVariantList cells = spectrum->phaseSamples();
            QList<int> accepted;
            for (int i = 0; i < sites.size(); ++i) {
                const QVariantMap cell = cells[i].toMap();
                const double centreX = cell["x"].toDouble() + cell["width"].toDouble() / 2;
                if (sites[i].toMap().value("accepted").toBool() && (centreX < 0.5) == leftHalf)
                    accepted.append(i);
            }
            QVERIFY(accepted.size() >= 2);
            auto clickCell = [&](int index) {
                const QVariantMap cell = cells[index].toMap();
                click(framePoint(phaseMap, cell["x"].toDouble() + cell["width"].toDouble() / 2,
                                 cell["y"].toDouble() + cell["height"].toDouble() / 2));
            };
            clickCell(accepted.first());
            QCOMPARE(spectrum->phaseReferenceSite(), accepted.first());
            auto* calculate = m_window->findChild<QQuickItem*>(QStringLiteral("phaseButton"));
            QVERIFY(calculate && calculate->isEnabled());
            clickCentre(calculate);
            QTRY_VERIFY_WITH_TIMEOUT(!spectrum->phaseBusy(), 60000);
            QVERIFY2(spectrum->phaseAvailable(), qPrintable(spectrum->phaseMessage()));
            clickCell(accepted.last());
            QCOMPARE(spectrum->phaseReferenceSite(), accepted.last());

            // Just outside the frame, where no cell reaches.
            const QRectF view(QPointF(0, 0), phaseMap->size());
            bool clickedOutside = false;
            for (const QPointF& uv : {QPointF(-0.02, 0.5), QPointF(1.02, 0.5), QPointF(0.5, -0.02),
                                      QPointF(0.5, 1.02)}) {
                const QPoint point = framePoint(phaseMap, uv.x(), uv.y());
                if (!view.contains(phaseMap->mapFromScene(point)))
                    continue;
                click(point);
                clickedOutside = true;
                break;
            }
            QVERIFY(clickedOutside);
            QCOMPARE(spectrum->phaseReferenceSite(), accepted.last());
        }
        {
            const QVariantList candidates = spectrum->candidates();
            QVERIFY(candidates.size() >= 2);

            QQuickItem* rows = showView("bands", "bandsRows");
            QVERIFY(rows);
            QTRY_COMPARE(rows->property("count").toInt(), candidates.size());
            // The rows are laid out once the table has its size, on the next polish.
            QQuickItem* row = nullptr;
            QTRY_VERIFY(QMetaObject::invokeMethod(rows, "itemAtIndex",
                                                  Q_RETURN_ARG(QQuickItem*, row), Q_ARG(int, 0)) &&
                        row);
            const QVariantMap first = candidates[0].toMap();
            QVERIFY(spectrum->selectedLowerFrequencyHz() != first["lowerFrequencyHz"].toDouble());
            m_window->grabWindow(); // renders a frame: pending layouts take their final geometry
            clickCentre(row);
            QCOMPARE(spectrum->selectedLowerFrequencyHz(), first["lowerFrequencyHz"].toDouble());
            QCOMPARE(spectrum->selectedUpperFrequencyHz(), first["upperFrequencyHz"].toDouble());
        }
        {
            QQuickItem* chart = showView("spectrum", "spectrumChart");
            QVERIFY(chart);
            const QRectF plot = chart->property("plotRect").toRectF();
            const auto view = [&] {
                const QVariantMap range = state().value("viewState").toMap();
                return std::pair(range.value("lower").toDouble(), range.value("upper").toDouble());
            };
            const auto full =
                std::pair(spectrum->minimumFrequencyHz(), spectrum->maximumFrequencyHz());
            QCOMPARE(view(), full);
            const auto at = [&](double hz) {
                const auto [lower, upper] = view();
                const double x = plot.left() + (hz - lower) / (upper - lower) * plot.width();
                return chart->mapToScene(QPointF(x, plot.center().y())).toPoint();
            };
            const double pixelHz = (full.second - full.first) / plot.width();
            const double halfBin = spectrum->frequencyStepHz() / 2.0;
            const auto bandNear = [&](double lower, double upper) {
                return qAbs(spectrum->selectedLowerFrequencyHz() - lower) <= pixelHz &&
                       qAbs(spectrum->selectedUpperFrequencyHz() - upper) <= pixelHz;
            };

            drag(at(33.0), at(27.0));
            QVERIFY(bandNear(27.0 - halfBin, 33.0 + halfBin));
            QCOMPARE(view(), std::pair(spectrum->selectedLowerFrequencyHz(),
                                       spectrum->selectedUpperFrequencyHz()));

            QTest::mouseDClick(m_window, Qt::LeftButton, {}, at(30.0));
            QCOMPARE(view(), full);
            QTest::qWait(QGuiApplication::styleHints()->mouseDoubleClickInterval() + 200);
            QVERIFY(bandNear(27.0 - halfBin, 33.0 + halfBin));

            QTest::mouseClick(m_window, Qt::LeftButton, {}, at(12.0));
            QTRY_VERIFY(bandNear(12.0 - halfBin, 12.0 + halfBin));
            QCOMPARE(view(), full);

            const QJsonArray steps = QJsonDocument::fromJson(R"([
                [{"action": "set_view", "lower": 20, "upper": "30"}, "invalid_view"],
                [{"action": "set_view", "lower": 30, "upper": 20}, "invalid_view"],
                [{"action": "set_view", "lower": 20, "upper": 1e4}, "invalid_view"],
                [{"action": "set_view", "lower": 20, "upper": 30}, "ok"]])")
                                         .array();
            for (const QJsonValue& step : steps)
                QCOMPARE(outcome(step[0].toVariant()), step[1].toString());
            QCOMPARE(view(), std::pair(20.0, 30.0));
            QCOMPARE(act("reset_view"), QStringLiteral("ok"));
            QCOMPARE(view(), full);
        }
        QQuickItem* frame = showView("points", "pointsFrame");
        QVERIFY(frame);
        // The amplitude table below the frame follows the selected point.
        const int last = spectrum->diagnosticSites().size() - 1;
        spectrum->selectDiagnosticSite(last);
        // Zoomed in, the markers keep their size and stand apart.
        QCOMPARE(outcome(QVariantMap{
                     {"action", "set_view"}, {"zoom", 8.0}, {"panX", 0.0}, {"panY", 0.0}}),
                 QStringLiteral("ok"));
        m_window->grabWindow(); // renders a frame: pending layouts take their final geometry
        auto* overlay = frame->property("overlay").value<QQuickItem*>();
        QVERIFY(overlay && overlay->width() > 0);
        std::vector<QPointF> markers;
        for (const QVariant& site : spectrum->phaseSamples()) {
            const QVariantMap map = site.toMap();
            markers.push_back(
                overlay->mapToScene(QPointF(map["sampleX"].toDouble() * overlay->width(),
                                            map["sampleY"].toDouble() * overlay->height())));
        }
        QCOMPARE(markers.size(), size_t(spectrum->diagnosticSites().size()));
        const auto distanceToMarkers = [&](QPointF p) {
            double nearest = 1e9;
            for (const QPointF& m : markers)
                nearest = std::min(nearest, std::hypot(m.x() - p.x(), m.y() - p.y()));
            return nearest;
        };

        // Between the first two markers of the top row.
        const QPointF between = (markers[0] + markers[1]) / 2.0;
        QVERIFY(distanceToMarkers(between) > 12.0);
        QTest::mouseClick(m_window, Qt::LeftButton, {}, between.toPoint());
        QCOMPARE(spectrum->selectedDiagnosticSite(), last);
        QTest::mouseClick(m_window, Qt::LeftButton, {}, (markers[1] + QPointF(6, 5)).toPoint());
        QCOMPARE(spectrum->selectedDiagnosticSite(), 1);

        QCOMPARE(act("select_view", "view", "signal"), QStringLiteral("ok"));
        const double duration = spectrum->diagnosticDurationSeconds();
        QVERIFY(duration > 0.0);
        const auto range = [&] {
            const QVariantMap view = state()["viewState"].toMap();
            return std::pair(view["lower"].toDouble(), view["upper"].toDouble());
        };
        QCOMPARE(range(), std::pair(0.0, duration));
        const QJsonArray steps = QJsonDocument::fromJson(R"([
            [{"action": "set_view", "lower": -0.1, "upper": 1}, "invalid_view"],
            [{"action": "set_view", "lower": 1, "upper": 1}, "invalid_view"],
            [{"action": "set_view", "lower": 0, "upper": "1"}, "invalid_view"],
            [{"action": "set_view", "lower": 0.5, "upper": 1e3}, "invalid_view"],
            [{"action": "set_view", "lower": 0.5, "upper": 1}, "ok"]])")
                                     .array();
        for (const QJsonValue& step : steps)
            QCOMPARE(outcome(step[0].toVariant()), step[1].toString());
        QCOMPARE(range(), std::pair(0.5, 1.0));
        auto* plot = m_window->findChild<QQuickItem*>(QStringLiteral("signalPlot"));
        QVERIFY(plot);
        const QVariantList trace = plot->property("samples").toList();
        QVERIFY(!trace.isEmpty());
        QVERIFY(trace.first().toMap()["timeSeconds"].toDouble() >= 0.5 - 1.0 / 240.0);
        QVERIFY(trace.last().toMap()["timeEndSeconds"].toDouble() <= 1.0 + 1.0 / 240.0);
        QCOMPARE(act("reset_view"), QStringLiteral("ok"));
        QCOMPARE(range(), std::pair(0.0, duration));

        QCOMPARE(act("select_view", "view", "local"), QStringLiteral("ok"));
        QCOMPARE(act("reset_view"), QStringLiteral("unsupported_view"));

        // A new source takes the selected point away: the points are shown again.
        openClip(folder.filePath(QStringLiteral("two.mp4")));
        QCOMPARE(spectrum->selectedDiagnosticSite(), -1);
        QCOMPARE(state()["view"].toString(), QStringLiteral("points"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_MainWindow.moc"
