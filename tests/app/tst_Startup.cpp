#include "app/ApplicationController.h"
#include "app/ApplicationIdentity.h"
#include "app/StartupOptions.h"
#include "app/TranslationLoader.h"
#include "media/LibavClipFixtures.h"
#include "media/VideoBackend.h"
#include "support/TestSupport.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using orvi::app::StartupOptions;
using orvi::media::tests::LibavClipFixtures;
using namespace orvi::ui::controllers;

namespace {

QString programPath()
{
    return orvi::test::testBinaryDir() + QStringLiteral("/bin/orvi-motion");
}

// Runs the program to completion with the given environment changes.
struct ProgramRun
{
    int exitCode = -100;
    QString output; // standard output only: diagnostics on stderr must not break it
};

ProgramRun runProgram(const QStringList& arguments, const QMap<QString, QString>& environment,
                      const QStringList& removed = {})
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& name : removed)
        env.remove(name);
    for (auto it = environment.begin(); it != environment.end(); ++it)
        env.insert(it.key(), it.value());
    process.setProcessEnvironment(env);
    process.start(programPath(), arguments);
    ProgramRun run;
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitCode();
    run.output = QString::fromUtf8(process.readAllStandardOutput());
    return run;
}

} // namespace

// The program as started, its options, and the application controller it builds.
class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    // Either flag alone: the program test runs both modes.
    void diagnosticsFlags()
    {
        struct Case
        {
            QStringList arguments;
            bool parsed, requested, control;
        };
        // Neither flag starts no service, both allow control; the flags take no value, and an
        // unknown option is refused.
        for (const Case& c : {Case{{}, true, false, false},
                              Case{{"--mcp-debug", "--mcp-control"}, true, true, true},
                              Case{{"--mcp-debug=yes"}, false, false, false},
                              Case{{"--open"}, false, false, false}}) {
            StartupOptions options;
            QCOMPARE(options.parse(QStringList{"orvi-motion"} + c.arguments), c.parsed);
            QVERIFY(!c.parsed || (options.diagnosticsRequested() == c.requested &&
                                  options.controlAllowed() == c.control));
        }
    }

    void missingCataloguesAreSkipped()
    {
        QTemporaryDir empty;
        QVERIFY(empty.isValid());
        QVERIFY(orvi::app::TranslationLoader::install(QLocale(QLocale::Russian, QLocale::Russia),
                                                      empty.path())
                    .empty());
    }

    // The program itself.
    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("expected");

        QTest::newRow("version") << QStringList{"--version"} << "C" << 0
                                 << orvi::app::ApplicationIdentity::displayName();
        QTest::newRow("help in english") << QStringList{"--help"} << "C" << 0
                                         << "Video motion amplification for technical equipment.";
        QTest::newRow("help in russian") << QStringList{"--help"} << "ru_RU.UTF-8" << 0
                                         << QString::fromUtf8("Усиление движения на видео");
        QTest::newRow("unknown option") << QStringList{"--no-such-option"} << "C" << 1 << QString();
        // The libraries as this process loads them, whatever the build machine carries.
        QTest::newRow("licences name the loaded ffmpeg")
            << QStringList{"--licenses"} << "C" << 0
            << "FFmpeg (" + orvi::media::VideoBackend::versionSummary() + ")";
        QTest::newRow("licences in russian")
            << QStringList{"--licenses"} << "ru_RU.UTF-8" << 0
            << QString::fromUtf8("Библиотеки, которые загружает программа");
    }

    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, locale);
        QFETCH(int, exitCode);
        QFETCH(QString, expected);
        QMap<QString, QString> environment{{"LC_ALL", locale}, {"LANG", locale}, {"LANGUAGE", ""}};
        QStringList removed{"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
        // Version and licences need no display at all.
        if (!arguments.contains("--version") && !arguments.contains("--licenses")) {
            environment.insert("QT_QPA_PLATFORM", "offscreen");
            removed.clear();
        }
        const ProgramRun run = runProgram(arguments, environment, removed);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.output.contains(expected), qPrintable(run.output));
        if (arguments.contains("--help")) {
            QVERIFY(run.output.contains(QStringLiteral("--mcp-control")));
            QVERIFY(run.output.contains(QStringLiteral("[file]")));
        }
    }

    void windowStartsHeadless()
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(programPath(), {});
        QVERIFY(process.waitForStarted());
        // A window that fails to load ends the process at once with -1.
        QVERIFY2(!process.waitForFinished(3000), qPrintable(QString::fromUtf8(process.readAll())));
        process.terminate();
        process.waitForFinished(10000);
        const QString output = QString::fromUtf8(process.readAll());
        QVERIFY2(!output.contains(orvi::app::ApplicationIdentity::qmlImportPath()),
                 qPrintable(output));
    }

    // While the session probes a file, fragment and settings refuse changes but the session
    // itself still takes another file; the locks lift when the probe ends.
    void probeLocksFragmentAndSettings()
    {
        if (!LibavClipFixtures::ffmpegAvailable())
            QSKIP("ffmpeg is needed to make the clips");
        QTemporaryDir folder;
        LibavClipFixtures clips(folder.path());
        const QString first = clips.uniformMp4(QStringLiteral("first.mp4"));
        const QString second = clips.uniformMp4(QStringLiteral("second.mp4"), 24, QSize(96, 64));
        QVERIFY2(!first.isEmpty() && !second.isEmpty(), qPrintable(clips.lastError()));

        ApplicationController app;
        auto* session = app.property("videoSession").value<VideoSessionController*>();
        QCOMPARE(session, app.videoSession());
        auto acceptedChanges = [&] {
            return int(app.analysisFragment()->setRangeFrames(1, 8)) +
                   int(app.processingSettings()->setAmplificationFactor(7.0));
        };
        session->openSource(QUrl::fromLocalFile(first));
        session->openSource(QUrl::fromLocalFile(second)); // not locked: the newer choice wins
        QCOMPARE(acceptedChanges(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(session->ready(), 30000);
        QCOMPARE(session->frameWidth(), 96);
        QCOMPARE(acceptedChanges(), 2);
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_Startup.moc"
