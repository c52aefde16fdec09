#include "app/ApplicationIdentity.h"
#include "app/StartupOptions.h"
#include "app/TranslationLoader.h"
#include "support/TestSupport.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using orvi::app::StartupOptions;

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

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void diagnosticsFlags_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("requested");
        QTest::addColumn<bool>("control");

        QTest::newRow("neither flag starts no service") << QStringList{} << false << false;
        QTest::newRow("debug is read-only") << QStringList{"--mcp-debug"} << true << false;
        QTest::newRow("control allows changes") << QStringList{"--mcp-control"} << true << true;
        QTest::newRow("both flags allow control")
            << QStringList{"--mcp-debug", "--mcp-control"} << true << true;
    }

    void diagnosticsFlags()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, requested);
        QFETCH(bool, control);

        StartupOptions options;
        QVERIFY(options.parse(QStringList{"orvi-motion"} + arguments));
        QCOMPARE(options.diagnosticsRequested(), requested);
        QCOMPARE(options.controlAllowed(), control);
    }

    void positionalArgumentsAndUnknownOptions()
    {
        StartupOptions options;
        QVERIFY(!options.parse({"orvi-motion", "--mcp-debug=yes"}));
        StartupOptions other;
        QVERIFY(!other.parse({"orvi-motion", "--open"}));
    }

    void missingCataloguesAreSkipped()
    {
        QTemporaryDir empty;
        QVERIFY(empty.isValid());
        const auto installed = orvi::app::TranslationLoader::install(
            QLocale(QLocale::Russian, QLocale::Russia), empty.path());
        QVERIFY(installed.empty());
        QCOMPARE(orvi::app::TranslationLoader::catalogueBaseNames().size(), 3);
    }

    void versionPrintsWithoutDisplay()
    {
        const ProgramRun run =
            runProgram({"--version"}, {}, {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.output.trimmed(), orvi::app::ApplicationIdentity::displayName());
    }

    void helpIsTranslatedForRussianLocale_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("expected");
        QTest::newRow("english") << "C"
                                 << "Video motion amplification for technical equipment.";
        QTest::newRow("russian") << "ru_RU.UTF-8"
                                 << QString::fromUtf8("Усиление движения на видео");
    }

    void helpIsTranslatedForRussianLocale()
    {
        QFETCH(QString, locale);
        QFETCH(QString, expected);
        const ProgramRun run = runProgram({"--help"}, {{"LC_ALL", locale},
                                                       {"LANG", locale},
                                                       {"LANGUAGE", ""},
                                                       {"QT_QPA_PLATFORM", "offscreen"}});
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.output.contains(expected), qPrintable(run.output));
        QVERIFY(run.output.contains(QStringLiteral("--mcp-control")));
    }

    void unknownOptionExitsWithError()
    {
        const ProgramRun run = runProgram({"--no-such-option"}, {{"QT_QPA_PLATFORM", "offscreen"}});
        QVERIFY(run.exitCode != 0);
        QVERIFY(run.exitCode != -100);
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
        QVERIFY2(!output.contains(QStringLiteral("qrc:/ui/qml")), qPrintable(output));
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_Startup.moc"
