#include "FakeInstance.h"
#include "diagnostics/RuntimeDirectory.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using orvi::diagnostics::RuntimeDirectory;

// Drives the built bridge with the MCP TypeScript SDK (installed from the lock file in
// this folder) against a stand-in instance, in both protocol eras.
class NodeClientTest : public QObject
{
    Q_OBJECT

private slots:
    void officialClientsListAndCallTools()
    {
        const QString here = orvi::test::testSourceDir() + QStringLiteral("/mcp");
        const QString node = QStandardPaths::findExecutable(QStringLiteral("node"));
        if (node.isEmpty())
            QSKIP("node is not installed.");
        if (!QFileInfo::exists(here + "/node_modules/@modelcontextprotocol/client/package.json") ||
            !QFileInfo::exists(here + "/node_modules/@modelcontextprotocol/sdk/package.json"))
            QSKIP("The MCP client packages are not installed; run npm ci in tests/mcp.");
        const QString bridge = orvi::test::testBinaryDir() + "/bin/orvi-motion-mcp";
        QVERIFY2(QFileInfo(bridge).isExecutable(), qPrintable("Not built: " + bridge));

        QTemporaryDir runtime;
        QVERIFY(runtime.isValid());
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
        FakeInstance instance(RuntimeDirectory::path());
        instance.replyWithError("diagnostics.setRange", {{"code", "stale_revision"}});
        instance.replyWithResult("diagnostics.screenshot",
                                 {{"pngBase64", "iVBORw0KGgo="}, {"width", 320}, {"height", 200}});
        QVERIFY(instance.startServing());

        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("ORVI_MCP_BRIDGE", bridge);
        environment.insert("XDG_RUNTIME_DIR", runtime.path());
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(here);
        process.start(node, {here + "/mcp-client-check.mjs"});
        QVERIFY(process.waitForFinished(120000));
        const QByteArray output = process.readAllStandardOutput() + process.readAllStandardError();
        QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0,
                 output.constData());

        // Each era called the three tools once through the real socket.
        QStringList methods;
        for (const FakeInstance::Request& request : instance.requests())
            methods.append(request.method);
        const QStringList once{"diagnostics.getSnapshot", "diagnostics.setRange",
                               "diagnostics.screenshot"};
        QCOMPARE(methods, once + once);
    }
};

QTEST_GUILESS_MAIN(NodeClientTest)
#include "tst_NodeClient.moc"
