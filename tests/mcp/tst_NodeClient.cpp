#include "FakeInstance.h"
#include "ProgramInstance.h"
#include "diagnostics/RuntimeDirectory.h"
#include "support/MediaTools.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using orvi::diagnostics::RuntimeDirectory;

// Drives the built bridge with the MCP TypeScript SDK (installed from the lock file in this
// folder) in both protocol eras, as a host starts it: with only HOME, LOGNAME, PATH, SHELL,
// TERM and USER in its environment. HOME is a temporary folder shared with the instances.
class NodeClientTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        node_ = QStandardPaths::findExecutable(QStringLiteral("node"));
        if (node_.isEmpty())
            QSKIP("node is not installed.");
        if (!QFileInfo::exists(here() +
                               "/node_modules/@modelcontextprotocol/client/package.json") ||
            !QFileInfo::exists(here() + "/node_modules/@modelcontextprotocol/sdk/package.json"))
            QSKIP("The MCP client packages are not installed; run npm ci in tests/mcp.");
        QVERIFY2(QFileInfo(bridge()).isExecutable(), qPrintable("Not built: " + bridge()));
        QVERIFY(home_.isValid());
        qputenv("HOME", home_.path().toUtf8());
    }

    void officialClientsListAndCallTools()
    {
        FakeInstance instance(RuntimeDirectory::path());
        instance.replyWithError("diagnostics.setRange", {{"code", "stale_revision"}});
        instance.replyWithResult("diagnostics.screenshot",
                                 {{"pngBase64", "iVBORw0KGgo="}, {"width", 320}, {"height", 200}});
        QVERIFY(instance.startServing());
        QByteArray output;
        QVERIFY2(runScript("stand-in", {}, &output), output.constData());

        // Each era called the three tools once through the real socket.
        QStringList methods;
        for (const FakeInstance::Request& request : instance.requests())
            methods.append(request.method);
        const QStringList once{"diagnostics.getSnapshot", "diagnostics.setRange",
                               "diagnostics.screenshot"};
        QCOMPARE(methods, once + once);
    }

    void realProgramInControlAndReadOnlyModes()
    {
        QTemporaryDir clips;
        const QString clip = clips.filePath("pump.mp4");
        QString output;
        QVERIFY2(orvi::test::encodeClip(clip, "testsrc2=size=160x120:rate=30", 120, {}, &output),
                 qPrintable(output));

        // A crashed instance leaves its descriptor behind; the bridge passes over it.
        ProgramInstance crashed("--mcp-control", home_.path());
        QVERIFY(crashed.waitForDescriptor());
        crashed.kill();
        QVERIFY(QFileInfo::exists(crashed.descriptorPath()));

        for (const char* mode : {"control", "read-only"}) {
            ProgramInstance program(qstrcmp(mode, "control") == 0 ? "--mcp-control" : "--mcp-debug",
                                    home_.path());
            QVERIFY2(program.waitForDescriptor(), program.output().constData());
            // The socket lives in the program's own temporary folder, named in the
            // descriptor; the bridge never sees that folder's variable.
            QVERIFY(program.descriptor().socketPath.startsWith(program.temporaryFolder() + '/'));
            QByteArray script;
            QVERIFY2(runScript(mode, {{"ORVI_CHECK_CLIP", clip}}, &script), script.constData());
            QCOMPARE(program.terminate(), 0);
            QVERIFY(!QFileInfo::exists(program.descriptorPath()));
        }
    }

private:
    static QString here() { return QStringLiteral(QT_TESTCASE_SOURCEDIR "/mcp"); }
    static QString bridge()
    {
        return QFileInfo(ProgramInstance::programPath()).absolutePath() + "/orvi-motion-mcp";
    }

    bool runScript(const QString& mode, const QList<QPair<QString, QString>>& extra,
                   QByteArray* output)
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("ORVI_MCP_BRIDGE", bridge());
        environment.insert("ORVI_CHECK_MODE", mode);
        for (const auto& [name, value] : extra)
            environment.insert(name, value);
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(here());
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(node_, {here() + "/mcp-client-check.mjs"});
        const bool finished = process.waitForFinished(300000);
        *output = process.readAll();
        return finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }

    QString node_;
    QTemporaryDir home_;
};

QTEST_GUILESS_MAIN(NodeClientTest)
#include "tst_NodeClient.moc"
