#include "app/ApplicationController.h"
#include "app/ApplicationIdentity.h"
#include "controllers/ExportController.h"
#include "controllers/PreviewController.h"
#include "controllers/SpectrumController.h"
#include "controllers/items/UiModule.h"
#include "media/LibavClipFixtures.h"
#include "reports/ReportTools.h"
#include "support/MediaTools.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QFileDialog>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <unistd.h>

using namespace orvi::ui::controllers;

// One journey of a new user through the real window on a real X server (Xvfb, the xcb
// platform), with mouse and keys given through the X server as a user gives them: open a clip
// by typing its path into the open dialog, amplify it, save the result under a typed new name,
// analyse it and export a PDF report under a typed new name. Offscreen runs never open a real
// dialog; this one does.
class TestDesktopJourney : public QObject
{
    Q_OBJECT

    std::unique_ptr<ApplicationController> m_controller;
    std::unique_ptr<QQmlApplicationEngine> m_engine;
    QQuickWindow* m_window = nullptr;

    static bool xdotool(const QStringList& arguments)
    {
        QString output;
        const bool ok = orvi::test::runTool(QStringLiteral("xdotool"), arguments, &output);
        if (!ok)
            qWarning().noquote() << output;
        return ok;
    }
    // The shown, enabled item whose text is `text`, searched from the window's root (popups
    // included), or null.
    static QQuickItem* itemWithText(QQuickItem* item, const QString& text)
    {
        if (!item->isVisible())
            return nullptr;
        if (item->isEnabled() && item->property("text").toString() == text)
            return item;
        for (QQuickItem* child : item->childItems()) {
            if (QQuickItem* found = itemWithText(child, text))
                return found;
        }
        return nullptr;
    }
    // Moves the pointer onto the item named by its text and clicks, as a user would.
    bool click(const QString& text)
    {
        QQuickItem* item = nullptr;
        QQuickItem* root = m_window->contentItem();
        while (root->parentItem())
            root = root->parentItem();
        if (!QTest::qWaitFor([&] { return (item = itemWithText(root, text)) != nullptr; }, 10000)) {
            qWarning().noquote() << "No shown, enabled item reads" << text;
            return false;
        }
        QTest::qWait(100); // let a dialog that just opened finish its layout
        const QPoint centre = m_window->mapToGlobal(
            item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint());
        return xdotool({QStringLiteral("mousemove"), QString::number(centre.x()),
                        QString::number(centre.y()), QStringLiteral("click"), QStringLiteral("1")});
    }
    // Waits for the file dialog, replaces its name with `path` by typing and accepts it.
    bool typeIntoFileDialog(const QString& path)
    {
        const auto dialogShown = [] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (qobject_cast<QFileDialog*>(widget) && widget->isVisible() &&
                    widget->isActiveWindow())
                    return true;
            }
            return false;
        };
        if (!QTest::qWaitFor(dialogShown, 10000))
            return false;
        QTest::qWait(300);
        return xdotool({QStringLiteral("key"), QStringLiteral("ctrl+a")}) &&
               xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("15"),
                        path}) &&
               xdotool({QStringLiteral("key"), QStringLiteral("Return")});
    }

private slots:
    void initTestCase()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        QVERIFY2(!orvi::test::findTool(QStringLiteral("xdotool")).isEmpty(),
                 "xdotool gives the input; scripts/packages.txt installs it");
        orvi::ui::registerUiModule();
        m_controller = std::make_unique<ApplicationController>();
        m_engine = std::make_unique<QQmlApplicationEngine>();
        m_engine->setInitialProperties(
            {{QStringLiteral("applicationController"), QVariant::fromValue(m_controller.get())}});
        m_engine->addImportPath(orvi::app::ApplicationIdentity::qmlImportPath());
        m_engine->load(QUrl(orvi::app::ApplicationIdentity::mainQmlUrl()));
        QVERIFY(!m_engine->rootObjects().isEmpty());
        m_window = qobject_cast<QQuickWindow*>(m_engine->rootObjects().first());
        QVERIFY(m_window && QTest::qWaitForWindowExposed(m_window));
        m_window->requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
    }
    void cleanupTestCase()
    {
        m_engine.reset();
        m_controller.reset();
    }

    void openAmplifySaveAnalyseExport()
    {
        QTemporaryDir folder;
        orvi::media::tests::LibavClipFixtures clips(folder.path());
        // Enough frames at the assumed 240 fps for the default band.
        const QString clip = clips.uniformMp4(QStringLiteral("journey.mp4"), 500, QSize(192, 108));
        QVERIFY2(!clip.isEmpty(), qPrintable(clips.lastError()));

        QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("ctrl+o")}));
        QVERIFY(typeIntoFileDialog(clip));
        QTRY_COMPARE_WITH_TIMEOUT(m_controller->videoSession()->filePath(), clip, 30000);
        // The starting 240 fps is only assumed until the user confirms it.
        QVERIFY(click(QStringLiteral("Confirm the capture rate…")));
        QVERIFY(click(QStringLiteral("Confirm 240.000 FPS")));
        QTRY_COMPARE(m_controller->videoSession()->captureFrameRateOrigin(),
                     QStringLiteral("entered"));
        QVERIFY(click(QStringLiteral("Close")));

        QVERIFY(click(QStringLiteral("Settings…")));
        QVERIFY(click(QStringLiteral("Start amplification")));
        PreviewController* preview = m_controller->preview();
        QTRY_VERIFY_WITH_TIMEOUT(preview->ready() || preview->hasError(), 120000);
        QVERIFY2(preview->ready(), qPrintable(preview->errorMessage()));

        // A new name without an extension: the dialog or the exporter adds ".mp4".
        ExportController* exporter = m_controller->exporter();
        QTRY_VERIFY_WITH_TIMEOUT(exporter->available(), 10000);
        QVERIFY(click(QStringLiteral("Save…")));
        QVERIFY(typeIntoFileDialog(folder.filePath(QStringLiteral("amplified by hand"))));
        const QString video = folder.filePath(QStringLiteral("amplified by hand.mp4"));
        QTRY_VERIFY_WITH_TIMEOUT(exporter->completed() || exporter->hasError(), 120000);
        QVERIFY2(exporter->completed(), qPrintable(exporter->errorMessage()));
        QString output;
        const QJsonObject stream = orvi::test::probeVideoStream(video, &output);
        QVERIFY2(!stream.isEmpty(), qPrintable(output));
        QCOMPARE(stream.value("codec_name").toString(), QStringLiteral("h264"));
        QCOMPARE(stream.value("nb_read_frames").toString().toInt(), 500);

        QVERIFY(click(QStringLiteral("Spectral analysis")));
        QVERIFY(click(QStringLiteral("Start analysis")));
        QVERIFY(click(QStringLiteral("Calculate spectrum")));
        SpectrumController* spectrum = m_controller->spectrum();
        QTRY_VERIFY_WITH_TIMEOUT(spectrum->ready() || spectrum->hasError(), 120000);
        QVERIFY2(spectrum->ready(), qPrintable(spectrum->errorMessage()));

        QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("ctrl+e")}));
        QVERIFY(click(QStringLiteral("Choose file…")));
        QVERIFY(typeIntoFileDialog(folder.filePath(QStringLiteral("report by hand"))));
        QVERIFY(click(QStringLiteral("Export")));
        const QString report = folder.filePath(QStringLiteral("report by hand.pdf"));
        QTRY_VERIFY_WITH_TIMEOUT(!spectrum->reportBusy() && QFileInfo::exists(report), 60000);
        QVERIFY2(orvi::reports::test::qpdfCheck(report, &output), qPrintable(output));
    }
};

// Runs itself again under a fresh Xvfb (xvfb-run picks a free display) with the xcb platform,
// so that ctest's offscreen default and parallel runs never meet a shared display.
int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("ORVI_JOURNEY_DISPLAY")) {
        qputenv("ORVI_JOURNEY_DISPLAY", "xvfb-run");
        qputenv("QT_QPA_PLATFORM", "xcb");
        std::vector<char*> command{const_cast<char*>("xvfb-run"), const_cast<char*>("-a"),
                                   const_cast<char*>("-s"),
                                   const_cast<char*>("-screen 0 1440x900x24")};
        command.insert(command.end(), argv, argv + argc);
        command.push_back(nullptr);
        execvp(command.front(), command.data());
        qCritical("xvfb-run is needed to run this test (Debian package xvfb)");
        return 1;
    }
    QApplication application(argc, argv);
    TestDesktopJourney test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_DesktopJourney.moc"
