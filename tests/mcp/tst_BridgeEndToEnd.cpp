#include "ApplicationConnection.h"
#include "FakeInstance.h"
#include "McpStdioServer.h"
#include "McpToolCatalogue.h"
#include "diagnostics/DescriptorFile.h"
#include "diagnostics/RuntimeDirectory.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using orvi::diagnostics::InstanceDescriptor;
using orvi::diagnostics::RuntimeDirectory;
using orvi::mcp::ApplicationConnection;
using orvi::mcp::McpStdioServer;
using orvi::mcp::McpToolCatalogue;

namespace {

QJsonObject modernMeta()
{
    return {{"io.modelcontextprotocol/protocolVersion", "2026-07-28"},
            {"io.modelcontextprotocol/clientCapabilities", QJsonObject()}};
}

const QString kRejected = QStringLiteral("ORVI Zazira rejected the diagnostic request.");

} // namespace

// The bridge against stand-in instances that publish real descriptors in a temporary
// runtime folder and answer on real local sockets.
class BridgeEndToEndTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        runtime_ = std::make_unique<QTemporaryDir>();
        QVERIFY(runtime_->isValid());
        qputenv("HOME", runtime_->path().toUtf8());
        qunsetenv("ORVI_MOTION_INSTANCE_ID");
        directory_ = RuntimeDirectory::path();
        QVERIFY(directory_.startsWith(runtime_->path()));
    }

    void cleanup()
    {
        instances_.clear();
        runtime_.reset();
    }

    // The catalogue test checks every tool's method name; these rows carry each kind of
    // arguments through the socket (a call without any: the independent client's).
    void toolsReachTheirMethods_data()
    {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<QString>("method");
        QTest::addColumn<QJsonObject>("arguments");
        QTest::newRow("read with arguments")
            << "orvi_get_events"
            << "diagnostics.getEvents" << QJsonObject{{"cursor", 3}, {"limit", 10}};
        QTest::newRow("revision only")
            << "orvi_start_export"
            << "diagnostics.startExport" << QJsonObject{{"expectedRevision", 5}};
        QTest::newRow("fractional and nested")
            << "orvi_ui"
            << "diagnostics.ui"
            << QJsonObject{{"request", QJsonObject{{"action", "seek"}, {"fraction", 0.5}}},
                           {"expectedRevision", 5}};
    }

    void toolsReachTheirMethods()
    {
        QFETCH(QString, tool);
        QFETCH(QString, method);
        QFETCH(QJsonObject, arguments);
        FakeInstance& instance = startInstance();
        const QJsonObject result = callTool(tool, arguments);

        const QList<FakeInstance::Request> requests = instance.requests();
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests.first().method, method);
        QCOMPARE(requests.first().params, arguments);
        const QJsonObject envelope = requests.first().envelope;
        QCOMPARE(envelope.keys(), (QStringList{"apiVersion", "id", "method", "params", "token"}));
        QVERIFY(QRegularExpression("^[0-9a-f]{8}(-[0-9a-f]{4}){3}-[0-9a-f]{12}$")
                    .match(envelope.value("id").toString())
                    .hasMatch());

        // The application's result, with the envelope's revision added.
        const QJsonObject expected{
            {"method", method}, {"params", arguments}, {"revision", FakeInstance::kRevision}};
        QCOMPARE(result.value("isError"), QJsonValue(false));
        QCOMPARE(result.value("structuredContent").toObject(), expected);
        QCOMPARE(result.value("content").toArray().first().toObject().value("text").toString(),
                 QString::fromUtf8(QJsonDocument(expected).toJson(QJsonDocument::Compact)));
    }

    void applicationErrorsBecomeErrorResults_data()
    {
        QTest::addColumn<QJsonObject>("error");
        QTest::addColumn<QString>("text");
        QTest::newRow("message carried by the error")
            << QJsonObject{{"code", "x"}, {"message", "Export is busy."}} << "Export is busy.";
        QTest::newRow("empty message") << QJsonObject{{"code", "x"}, {"message", ""}} << kRejected;
    }

    void applicationErrorsBecomeErrorResults()
    {
        QFETCH(QJsonObject, error);
        QFETCH(QString, text);
        FakeInstance& instance = startInstance();
        instance.replyWithError("diagnostics.setRange", error);
        const QJsonObject result =
            callTool("orvi_set_range",
                     {{"startFrame", 0}, {"endFrameExclusive", 9}, {"expectedRevision", 1}});
        QCOMPARE(result.value("isError"), QJsonValue(true));
        QCOMPARE(result.value("structuredContent").toObject(), error);
        QCOMPARE(result.value("content").toArray(),
                 (QJsonArray{QJsonObject{{"type", "text"}, {"text", text}}}));
    }

    void busyInstanceIsAskedAgainThenExplained()
    {
        FakeInstance& instance = startInstance();
        const QJsonObject busy{{"code", "server_busy"}, {"retryAfterMs", 400}};
        instance.replyWithError("diagnostics.getSnapshot", busy);
        const QJsonObject result = callTool("orvi_get_snapshot", {});
        QCOMPARE(result.value("isError"), QJsonValue(true));
        QCOMPARE(result.value("structuredContent").toObject(), busy);
        const QString text =
            result.value("content").toArray().first().toObject().value("text").toString();
        QVERIFY2(text.contains(instance.descriptor().instanceId) && text.contains("busy"),
                 qPrintable(text));
        // Asked again after each hint within the bridge's few seconds.
        QVERIFY(instance.requests().size() >= 3);
    }

    void malformedResponsesAreRefused_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("message");
        const QString unexpected = "ORVI Zazira returned a diagnostic response with an unexpected "
                                   "version or request identifier.";
        const QString incomplete = "ORVI Zazira returned an incomplete diagnostic response.";
        // Each reply ends in a line feed unless its row says otherwise.
        const auto row = [](const char* name, const QByteArray& reply, const QString& message,
                            bool lineFeed = true) {
            QTest::newRow(name) << reply + (lineFeed ? "\n" : "") << message;
        };
        row("other request id", R"({"apiVersion":1,"id":"someone-else","ok":true,"result":{}})",
            unexpected);
        row("neither result nor error", R"({"apiVersion":1,"id":"<id>","ok":true})", incomplete);
        row("both result and error",
            R"({"apiVersion":1,"id":"<id>","result":{},"error":{"code":"x"}})", incomplete);
        row("closed without a line feed", R"({"apiVersion":1,"id":"<id>","ok":true,"result":{}})",
            "The ORVI Zazira diagnostic connection closed before returning a complete response.",
            false);
        row("no answer", "<silent>", "Timed out while waiting for the diagnostic response.", false);
        row("not json", "<html>", "ORVI Zazira returned invalid diagnostic JSON: <reason>");
    }

    void malformedResponsesAreRefused()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QString, message);
        FakeInstance& instance = startInstance();
        instance.replyRaw("diagnostics.getSnapshot", reply);
        ApplicationConnection::Limits limits;
        limits.receiveTimeoutMs = 500;
        const auto outcome = ApplicationConnection(limits).call("diagnostics.getSnapshot", {});
        QVERIFY(!outcome.success);
        QVERIFY(outcome.error.isEmpty());
        if (message.endsWith("<reason>"))
            QVERIFY2(outcome.message.startsWith(message.chopped(8)) &&
                         outcome.message.size() > message.size() - 8,
                     qPrintable(outcome.message));
        else
            QCOMPARE(outcome.message, message);
    }

    void staleDescriptorAloneFailsToConnect()
    {
        const QString id = FakeInstance::writeStaleDescriptor(directory_);
        const auto outcome = ApplicationConnection().call("diagnostics.getSnapshot", {});
        QVERIFY(!outcome.success);
        QVERIFY2(
            outcome.message.startsWith("Could not connect to ORVI Zazira instance " + id + ": "),
            qPrintable(outcome.message));
    }

    void twoLiveInstancesNeedASelector()
    {
        FakeInstance& a = startInstance();
        FakeInstance& b = startInstance();
        FakeInstance::writeStaleDescriptor(directory_);
        QStringList ids{a.descriptor().instanceId, b.descriptor().instanceId};
        ids.sort(); // descriptors are probed in file-name order; the stale one is skipped
        const QJsonObject result = callTool("orvi_get_snapshot", {});
        const QString message = "Multiple ORVI Zazira instances were found (" + ids.join(", ") +
                                "). Set ORVI_MOTION_INSTANCE_ID to select one.";
        QCOMPARE(result.value("isError"), QJsonValue(true));
        QCOMPARE(result.value("structuredContent").toObject(),
                 (QJsonObject{{"code", "bridge_connection_error"}, {"message", message}}));
        QCOMPARE(result.value("content").toArray(),
                 (QJsonArray{QJsonObject{{"type", "text"}, {"text", message}}}));
        QVERIFY(a.requests().isEmpty() && b.requests().isEmpty());

        qputenv("ORVI_MOTION_INSTANCE_ID", b.descriptor().instanceId.toUtf8());
        QVERIFY(ApplicationConnection().call("diagnostics.getSnapshot", {}).success);
        QCOMPARE(b.requests().size(), 1);
        QVERIFY(a.requests().isEmpty());
    }

    void instanceSelector_data()
    {
        QTest::addColumn<QString>("selector"); // "<id>" stands for the live instance's identifier
        QTest::addColumn<QString>("message");  // empty: the call succeeds (the exact one:
                                               // twoLiveInstancesNeedASelector)
        const QString unsupported = "ORVI_MOTION_INSTANCE_ID contains unsupported characters.";
        QTest::newRow("surrounding spaces ignored") << "  <id>\t" << QString();
        QTest::newRow("leading hyphen") << "-<id>" << unsupported;
        QTest::newRow("path separator") << "../<id>" << unsupported;
        QTest::newRow("unknown identifier")
            << "abc.def"
            << "The ORVI Zazira diagnostic descriptor is missing or "
               "invalid: <dir>/instance-abcdef.json";
    }

    void instanceSelector()
    {
        QFETCH(QString, selector);
        QFETCH(QString, message);
        FakeInstance& instance = startInstance();
        const QString id = instance.descriptor().instanceId;
        const auto expand = [&](QString text) {
            return text.replace("<id>", id).replace("<dir>", directory_);
        };
        qputenv("ORVI_MOTION_INSTANCE_ID", expand(selector).toUtf8());
        const auto outcome = ApplicationConnection().call("diagnostics.getSnapshot", {});
        QCOMPARE(outcome.message, expand(message));
        QCOMPARE(outcome.success, message.isEmpty());
        QCOMPARE(instance.requests().size(), message.isEmpty() ? 1 : 0);
    }

    void brokenDescriptorsAreSkippedOrReported()
    {
        FakeInstance& instance = startInstance();
        const auto write = [&](const QString& name, const QByteArray& bytes) {
            QFile file(QDir(directory_).filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        };
        write("instance-a.json", "{not json");
        write("instance-b.json", QByteArray(70000, ' '));
        write("instance-c.json", "");
        write("instance-d.json",
              R"({"apiVersion":1,"instanceId":"d","socketName":"x","token":"abc"})");
        QVERIFY(
            QFile::link(instance.descriptorPath(), QDir(directory_).filePath("instance-e.json")));
        // Broken files do not hide the one good descriptor when scanning...
        QVERIFY(ApplicationConnection().call("diagnostics.getSnapshot", {}).success);

        // ...but name themselves when asked for directly.
        struct Case
        {
            const char* selector;
            QString message;
        };
        const QString dir = directory_ + '/';
        const Case cases[] = {
            {"a", "The ORVI Zazira diagnostic descriptor contains invalid JSON: " + dir +
                      "instance-a.json"},
            {"b", "The ORVI Zazira diagnostic descriptor is too large: " + dir + "instance-b.json"},
            {"c", "The ORVI Zazira diagnostic descriptor is missing or invalid: " + dir +
                      "instance-c.json"},
            {"d", "No usable ORVI Zazira diagnostic instance with identifier d was found."},
            {"e", "The ORVI Zazira diagnostic descriptor is missing or invalid: " + dir +
                      "instance-e.json"},
        };
        for (const Case& c : cases) {
            qputenv("ORVI_MOTION_INSTANCE_ID", c.selector);
            QCOMPARE(ApplicationConnection().call("diagnostics.getSnapshot", {}).message,
                     c.message);
        }
    }

    void tooManyDescriptors()
    {
        startInstance();
        for (int i = 0; i < 64; ++i)
            FakeInstance::writeStaleDescriptor(directory_);
        QCOMPARE(ApplicationConnection().call("diagnostics.getSnapshot", {}).message,
                 "Too many ORVI Zazira diagnostic descriptors were found.");
    }

    void disallowedMethodNeverConnects()
    {
        FakeInstance& instance = startInstance();
        const auto outcome = ApplicationConnection().call("diagnostics.shutdown", {});
        QCOMPARE(outcome.message, "The requested diagnostic method is not allowed.");
        QVERIFY(instance.requests().isEmpty());
    }

    void laterSearchFoldersAreScannedToo()
    {
        // Every folder the locator is given is searched; an instance in any one is found.
        FakeInstance& instance = startInstance();
        QTemporaryDir ownRuleFolder;
        ApplicationConnection connection;
        connection.setSearchPaths({ownRuleFolder.filePath("missing"), directory_});
        QVERIFY(connection.call("diagnostics.getSnapshot", {}).success);

        connection.setSearchPaths({ownRuleFolder.path(), directory_});
        qputenv("ORVI_MOTION_INSTANCE_ID", instance.descriptor().instanceId.toUtf8());
        QVERIFY(connection.call("diagnostics.getSnapshot", {}).success);
        QCOMPARE(instance.requests().size(), 2);

        // Descriptors from both folders count together.
        qunsetenv("ORVI_MOTION_INSTANCE_ID");
        FakeInstance other(ownRuleFolder.path());
        QVERIFY(other.startServing());
        QVERIFY(connection.call("diagnostics.getSnapshot", {}).message.startsWith("Multiple"));
    }

    // A host registers the bridge from the printed block alone and starts it with its own
    // reduced environment: the block must reach the chosen instance.
    void printedHostConfigurationServes()
    {
        startInstance();
        FakeInstance& chosen = startInstance();
        qputenv("ORVI_MOTION_INSTANCE_ID", chosen.descriptor().instanceId.toUtf8());
        QProcess print;
        print.start(orvi::test::testBinaryDir() + "/bin/orvi-motion-mcp", {"--print-config"});
        QVERIFY(print.waitForFinished(10000));
        const QJsonObject server = QJsonDocument::fromJson(print.readAllStandardOutput())
                                       .object()["mcpServers"]
                                       .toObject()["orvi-motion"]
                                       .toObject();

        QProcessEnvironment hostEnvironment;
        hostEnvironment.insert("HOME", runtime_->path());
        const QJsonObject env = server["env"].toObject();
        for (auto it = env.begin(); it != env.end(); ++it)
            hostEnvironment.insert(it.key(), it.value().toString());
        QProcess bridge;
        bridge.setProcessEnvironment(hostEnvironment);
        QStringList args;
        for (const QJsonValue& arg : server["args"].toArray())
            args << arg.toString();
        bridge.start(server["command"].toString(), args);
        const QJsonObject call{
            {"jsonrpc", "2.0"},
            {"id", 1},
            {"method", "tools/call"},
            {"params", QJsonObject{{"_meta", modernMeta()}, {"name", "orvi_get_snapshot"}}}};
        bridge.write(QJsonDocument(call).toJson(QJsonDocument::Compact) + '\n');
        bridge.closeWriteChannel();
        QVERIFY2(bridge.waitForFinished(15000), qPrintable(server["command"].toString()));
        const QJsonObject result =
            QJsonDocument::fromJson(bridge.readAllStandardOutput()).object()["result"].toObject();
        QVERIFY2(!result["isError"].toBool(), QJsonDocument(result).toJson().constData());
        QCOMPARE(chosen.requests().size(), 1);
    }

private:
    QJsonObject callTool(const QString& name, const QJsonObject& arguments);
    FakeInstance& startInstance();

    std::unique_ptr<QTemporaryDir> runtime_;
    QString directory_;
    std::vector<std::unique_ptr<FakeInstance>> instances_;
};

FakeInstance& BridgeEndToEndTest::startInstance()
{
    instances_.push_back(std::make_unique<FakeInstance>(directory_));
    FakeInstance& instance = *instances_.back();
    if (!instance.startServing())
        qFatal("The stand-in instance could not start.");
    return instance;
}

QJsonObject BridgeEndToEndTest::callTool(const QString& name, const QJsonObject& arguments)
{
    McpStdioServer server;
    const QJsonObject message{
        {"jsonrpc", "2.0"},
        {"id", 1},
        {"method", "tools/call"},
        {"params", QJsonObject{{"_meta", modernMeta()}, {"name", name}, {"arguments", arguments}}}};
    const auto response = server.handleLine(QJsonDocument(message).toJson(QJsonDocument::Compact));
    return response ? response->value("result").toObject() : QJsonObject();
}

QTEST_GUILESS_MAIN(BridgeEndToEndTest)
#include "tst_BridgeEndToEnd.moc"
