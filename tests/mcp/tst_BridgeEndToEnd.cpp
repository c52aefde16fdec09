#include "ApplicationConnection.h"
#include "FakeInstance.h"
#include "McpStdioServer.h"
#include "McpToolCatalogue.h"
#include "diagnostics/RuntimeDirectory.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using orvi::diagnostics::InstanceDescriptor;
using orvi::diagnostics::RuntimeDirectory;
using orvi::mcp::ApplicationConnection;
using orvi::mcp::McpStdioServer;
using orvi::mcp::McpToolCatalogue;

namespace {

const QString kVersionKey = QStringLiteral("io.modelcontextprotocol/protocolVersion");
const QString kCapabilitiesKey = QStringLiteral("io.modelcontextprotocol/clientCapabilities");
const QString kClientInfoKey = QStringLiteral("io.modelcontextprotocol/clientInfo");
const QString kServerInfoKey = QStringLiteral("io.modelcontextprotocol/serverInfo");

QJsonObject modernMeta()
{
    return {{kVersionKey, "2026-07-28"},
            {kCapabilitiesKey, QJsonObject()},
            {kClientInfoKey, QJsonObject{{"name", "test"}, {"version", "1"}}}};
}

QByteArray request(const QString& method, const QJsonObject& params, const QJsonValue& id = 1)
{
    QJsonObject message{{"jsonrpc", "2.0"}, {"id", id}, {"method", method}};
    if (!params.isEmpty())
        message.insert("params", params);
    return QJsonDocument(message).toJson(QJsonDocument::Compact);
}

QByteArray legacyInitialize(const QString& version = QStringLiteral("2025-06-18"))
{
    return request("initialize", {{"protocolVersion", version},
                                  {"capabilities", QJsonObject()},
                                  {"clientInfo", QJsonObject{{"name", "t"}, {"version", "1"}}}});
}

const QByteArray kPing = R"({"jsonrpc":"2.0","id":"after","method":"ping","params":{"_meta":{)"
                         R"("io.modelcontextprotocol/protocolVersion":"2026-07-28",)"
                         R"("io.modelcontextprotocol/clientCapabilities":{}}}})";

// A request whose params nest objects so that the whole message is depth levels deep.
QByteArray deeplyNested(int depth)
{
    QByteArray inner;
    inner.reserve(depth * 6);
    for (int i = 2; i < depth; ++i)
        inner += "{\"a\":";
    inner += '1' + QByteArray(depth - 2, '}');
    return R"({"jsonrpc":"2.0","id":1,"method":"ping","params":)" + inner + '}';
}

} // namespace

// The bridge's protocol handling in process; the built bridge as a host starts it, a separate
// process fed through its standard input, including input no well-behaved client would send;
// and the bridge against stand-in instances that publish real descriptors in a temporary
// runtime folder and answer on real local sockets.
class BridgeEndToEndTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        bridge_ = orvi::test::testBinaryDir() + "/bin/orvi-motion-mcp";
        QVERIFY2(QFileInfo(bridge_).isExecutable(), qPrintable("Not built: " + bridge_));
    }

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

    // The catalogue test checks every tool's method name; this call carries fractional and
    // nested arguments through the socket (a call without any, and an error without a message:
    // the independent client's).
    void toolReachesItsMethod()
    {
        const QJsonObject arguments{{"request", QJsonObject{{"action", "seek"}, {"fraction", 0.5}}},
                                    {"expectedRevision", 5}};
        FakeInstance& instance = startInstance();
        const QJsonObject result = callTool("orvi_ui", arguments);

        const QList<FakeInstance::Request> requests = instance.requests();
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests.first().method, "diagnostics.ui");
        QCOMPARE(requests.first().params, arguments);
        const QJsonObject envelope = requests.first().envelope;
        QCOMPARE(envelope.keys(), (QStringList{"apiVersion", "id", "method", "params", "token"}));
        QVERIFY(QRegularExpression("^[0-9a-f]{8}(-[0-9a-f]{4}){3}-[0-9a-f]{12}$")
                    .match(envelope.value("id").toString())
                    .hasMatch());

        // The application's result, with the envelope's revision added.
        const QJsonObject expected{{"method", "diagnostics.ui"},
                                   {"params", arguments},
                                   {"revision", FakeInstance::kRevision}};
        QCOMPARE(result.value("isError"), QJsonValue(false));
        QCOMPARE(result.value("structuredContent").toObject(), expected);
        QCOMPARE(result.value("content").toArray().first().toObject().value("text").toString(),
                 QString::fromUtf8(QJsonDocument(expected).toJson(QJsonDocument::Compact)));
    }

    void applicationErrorBecomesAnErrorResult()
    {
        const QJsonObject error{{"code", "x"}, {"message", "Export is busy."}};
        FakeInstance& instance = startInstance();
        instance.replyWithError("diagnostics.setRange", error);
        const QJsonObject result =
            callTool("orvi_set_range",
                     {{"startFrame", 0}, {"endFrameExclusive", 9}, {"expectedRevision", 1}});
        QCOMPARE(result.value("isError"), QJsonValue(true));
        QCOMPARE(result.value("structuredContent").toObject(), error);
        QCOMPARE(result.value("content").toArray(),
                 (QJsonArray{QJsonObject{{"type", "text"}, {"text", "Export is busy."}}}));
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
        print.start(bridge_, {"--print-config"});
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
        bridge.write(
            request("tools/call", {{"_meta", modernMeta()}, {"name", "orvi_get_snapshot"}}) + '\n');
        bridge.closeWriteChannel();
        QVERIFY2(bridge.waitForFinished(15000), qPrintable(server["command"].toString()));
        const QJsonObject result =
            QJsonDocument::fromJson(bridge.readAllStandardOutput()).object()["result"].toObject();
        QVERIFY2(!result["isError"].toBool(), QJsonDocument(result).toJson().constData());
        QCOMPARE(chosen.requests().size(), 1);
    }

    void messages_data();

    void messages()
    {
        QFETCH(bool, legacyFirst);
        QFETCH(QByteArray, line);
        QFETCH(int, errorCode);
        QFETCH(QString, message);
        QFETCH(QJsonValue, id);

        McpStdioServer server;
        if (legacyFirst)
            QVERIFY(!server.handleLine(legacyInitialize())->contains("error"));
        const std::optional<QJsonObject> response = server.handleLine(line);
        if (errorCode == 1) {
            QVERIFY(!response.has_value());
            return;
        }
        QVERIFY(response.has_value());
        QCOMPARE(response->value("jsonrpc"), QJsonValue("2.0"));
        QCOMPARE(response->value("id"), id);
        if (errorCode == 0) {
            QVERIFY2(response->value("result").isObject(),
                     QJsonDocument(*response).toJson().constData());
            return;
        }
        const QJsonObject error = response->value("error").toObject();
        QCOMPARE(error.value("code").toInt(), errorCode);
        QCOMPARE(error.value("message").toString(), message);
        if (errorCode == -32022) {
            QCOMPARE(error.value("data").toObject(),
                     (QJsonObject{{"supported", QJsonArray{"2026-07-28"}},
                                  {"requested", "2025-06-18"}}));
        }
    }

    void shapedResultsNameTheServer()
    {
        McpStdioServer server;
        const QJsonObject discover =
            server.handleLine(request("server/discover", {{"_meta", modernMeta()}}))
                ->value("result")
                .toObject();
        QCOMPARE(discover.value("supportedVersions"), QJsonValue(QJsonArray{"2026-07-28"}));
        QCOMPARE(discover.value("resultType"), QJsonValue("complete"));
        QCOMPARE(discover.value("ttlMs"), QJsonValue(300000));
        QCOMPARE(discover.value("cacheScope"), QJsonValue("public"));
        QCOMPARE(discover.value("capabilities").toObject().value("tools").toObject(),
                 (QJsonObject{{"listChanged", false}}));
        // The server's name and instructions: the independent client's check on the built bridge.
        QVERIFY(discover.value("_meta").toObject().contains(kServerInfoKey));

        // Legacy results are not shaped; the handshake does not change modern requests.
        const QJsonObject init = server.handleLine(legacyInitialize())->value("result").toObject();
        QCOMPARE(init.value("protocolVersion"), QJsonValue("2025-06-18"));
        QVERIFY(!init.contains("resultType"));
        const QJsonObject legacyList =
            server.handleLine(request("tools/list", {}))->value("result").toObject();
        QCOMPARE(legacyList.keys(), QStringList{"tools"});
        const QJsonObject modernPing =
            server.handleLine(request("ping", {{"_meta", modernMeta()}}))
                ->value("result")
                .toObject();
        QCOMPARE(modernPing.keys(), (QStringList{"_meta", "resultType"}));
    }

    // Every listed tool reaches the diagnostics method of the same name; mutating tools are
    // marked as such and demand the revision.
    void toolCatalogueIsConsistent()
    {
        const QStringList readOnly{"orvi_get_capabilities", "orvi_get_snapshot",
                                   "orvi_get_performance", "orvi_get_events", "orvi_get_ui"};
        McpStdioServer server;
        const QJsonArray tools =
            server.handleLine(request("tools/list", {{"_meta", modernMeta()}}))
                ->value("result")
                .toObject()
                .value("tools")
                .toArray();
        QStringList names;
        for (const QJsonValue& tool : tools) {
            const QJsonObject entry = tool.toObject();
            const QString name = entry.value("name").toString();
            names.append(name);
            QString method = "diagnostics.";
            for (const QString& word : name.mid(5).split('_'))
                method += method.endsWith('.') ? word : word.left(1).toUpper() + word.mid(1);
            QCOMPARE(McpToolCatalogue::methodForTool(name), method);
            QVERIFY(!entry.value("description").toString().isEmpty());
            const bool mutating = !readOnly.contains(name);
            const QJsonObject hints = entry.value("annotations").toObject();
            QCOMPARE(hints.value("readOnlyHint").toBool(), !mutating);
            QCOMPARE(hints.value("idempotentHint").toBool(), !mutating);
            QCOMPARE(hints.value("destructiveHint"), QJsonValue(false));
            const QJsonObject schema = entry.value("inputSchema").toObject();
            QCOMPARE(schema.value("additionalProperties"), QJsonValue(false));
            // Read tools never carry an empty "required" list.
            QCOMPARE(schema.contains("required"), mutating);
            QCOMPARE(schema.value("required").toArray().contains(QJsonValue("expectedRevision")),
                     mutating);
        }
        QCOMPARE(names.removeDuplicates(), 0);
        QCOMPARE(McpToolCatalogue::methodForTool("orvi_nothing"), QString());
    }

    void writeFailureEndsWithOne()
    {
        QBuffer in;
        QBuffer out;
        QBuffer err;
        QVERIFY(out.open(QIODevice::WriteOnly) && err.open(QIODevice::WriteOnly));
        // A closed output device refuses the response.
        QByteArray input = request("ping", {{"_meta", modernMeta()}}) + '\n';
        in.setData(input);
        QVERIFY(in.open(QIODevice::ReadOnly));
        out.close();
        McpStdioServer server;
        QTest::ignoreMessage(QtWarningMsg, "QIODevice::write (QBuffer): device not open");
        QCOMPARE(server.run(in, out, err), 1);
        QCOMPARE(err.data(), "Could not write an MCP response to standard output.\n");
    }

    void hostileInput_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QList<int>>("codes"); // the errors expected before the ping's answer
        QRandomGenerator random(20261206);
        QByteArray noise(256 * 1024, '\0');
        random.fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
        noise.replace('\n', ' ');

        QTest::newRow("random bytes") << noise << QList<int>{-32700};
        QTest::newRow("nul bytes inside a request")
            << QByteArray(R"({"jsonrpc":"2.0","id":1,"method":"ping"})"
                          "\0\0x",
                          44)
            << QList<int>{-32700};
        QTest::newRow("invalid utf-8 in a string")
            << QByteArray("{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"\xc3\x28\"}")
            << QList<int>{-32700};
        QTest::newRow("2 MiB line") << QByteArray(2 * 1024 * 1024, '{') << QList<int>{-32600};
        // A ping padded to the longest line the bridge reads, line feed included, and one byte
        // more.
        QByteArray longest = kPing;
        longest.replace("\"params\":{", "\"params\":{\"pad\":\"\",");
        longest.insert(
            longest.indexOf("\"pad\":\"") + 7,
            QByteArray(orvi::mcp::McpStdioServer::kMaximumRequestBytes - 1 - longest.size(), 'p'));
        QTest::newRow("longest line") << longest << QList<int>{0};
        QTest::newRow("one byte longer") << longest.insert(1, ' ') << QList<int>{-32600};
        QTest::newRow("nesting 200000 deep") << deeplyNested(200000) << QList<int>{-32600};
        // Refused for its depth before the parser would reach the missing brackets.
        QTest::newRow("unterminated deep nesting") << QByteArray(100000, '[') << QList<int>{-32600};
        QTest::newRow("batch array")
            << QByteArray(
                   R"([{"jsonrpc":"2.0","id":1,"method":"ping"},{"jsonrpc":"2.0","id":2,"method":"ping"}])")
            << QList<int>{-32600};
        QTest::newRow("notification with array params")
            << QByteArray(R"({"jsonrpc":"2.0","method":"notifications/initialized","params":[1]})")
            << QList<int>{};
        QTest::newRow("lone carriage returns and blanks")
            << QByteArray("\r\n \t \r") << QList<int>{};
        QTest::newRow("tool call with hostile arguments")
            << QByteArray(
                   R"({"jsonrpc":"2.0","id":3,"method":"tools/call","params":{"_meta":{"io.modelcontextprotocol/protocolVersion":"2026-07-28","io.modelcontextprotocol/clientCapabilities":{}},"name":"orvi_open_video","arguments":{"path":"\u0000../../etc/passwd","expectedRevision":-1e308}}})")
            << QList<int>{0};
    }

    void hostileInput()
    {
        QFETCH(QByteArray, input);
        QFETCH(QList<int>, codes);

        int exitCode = -1;
        QByteArray errors;
        const QList<QJsonObject> responses =
            runBridge(input + '\n' + kPing + "\r\n" + kPing, &exitCode, &errors);
        QCOMPARE(exitCode, 0);
        QVERIFY2(!errors.contains("runtime error") && !errors.contains("Sanitizer"),
                 errors.constData());

        QCOMPARE(responses.size(), codes.size() + 2);
        for (int i = 0; i < codes.size(); ++i) {
            const QJsonObject error = responses.at(i).value("error").toObject();
            QCOMPARE(error.value("code").toInt(), codes.at(i));
            if (codes.at(i) != 0)
                QCOMPARE(responses.at(i).value("id"), QJsonValue(QJsonValue::Null));
        }
        // The lines after the hostile one, one ending in CR LF and the last one without a line
        // feed, still work.
        for (int i = codes.size(); i < responses.size(); ++i) {
            QCOMPARE(responses.at(i).value("id"), QJsonValue("after"));
            QCOMPARE(responses.at(i).value("result").toObject().value("resultType"),
                     QJsonValue("complete"));
        }
    }

private:
    QJsonObject callTool(const QString& name, const QJsonObject& arguments);
    FakeInstance& startInstance();
    QProcessEnvironment environment() const;
    QList<QJsonObject> runBridge(const QByteArray& input, int* exitCode, QByteArray* errors);

    QString bridge_;
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
    const auto response = server.handleLine(
        request("tools/call", {{"_meta", modernMeta()}, {"name", name}, {"arguments", arguments}}));
    return response ? response->value("result").toObject() : QJsonObject();
}

void BridgeEndToEndTest::messages_data()
{
    QTest::addColumn<bool>("legacyFirst");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("errorCode"); // 0: success, 1: no response at all
    QTest::addColumn<QString>("message");
    QTest::addColumn<QJsonValue>("id");

    const QJsonObject meta{{"_meta", modernMeta()}};
    const QJsonValue null(QJsonValue::Null);
    const auto row = [](const char* name, bool legacyFirst, const QByteArray& line, int code,
                        const char* message = "", const QJsonValue& id = 1) {
        QTest::newRow(name) << legacyFirst << line << code << QString(message) << id;
    };
    const char* invalid = "The MCP message is not a valid JSON-RPC request.";
    row("modern ping without initialize", false, request("ping", meta), 0);
    row("legacy ping before initialize", false, request("ping", {}), -32002,
        "The legacy MCP client must initialize the server before calling methods.");
    row("string id echoed", true, request("ping", {}, "abc"), 0, "", "abc");
    row("unsupported requested version", false,
        request("tools/list",
                {{"_meta", QJsonObject{{kVersionKey, "2025-06-18"}, {kCapabilitiesKey, {}}}}}),
        -32022, "The requested MCP protocol version is not supported.");
    row("metadata without capabilities", true,
        request("ping", {{"_meta", QJsonObject{{kVersionKey, "2026-07-28"}}}}), -32602,
        "The MCP request does not contain valid 2026-07-28 metadata.");
    row("initialize with metadata even for a legacy version", false,
        request("initialize", {{"_meta", modernMeta()},
                               {"protocolVersion", "2025-06-18"},
                               {"capabilities", QJsonObject()},
                               {"clientInfo", QJsonObject()}}),
        -32601, "The initialize method is not available for the 2026-07-28 protocol.");
    row("initialize with an unknown version", false, legacyInitialize("2024-11-05"), -32602,
        "The legacy initialize request is missing a supported 2025 protocol version or client "
        "metadata.");
    row("initialize 2025-11-25", false, legacyInitialize("2025-11-25"), 0);
    row("null id", true, request("ping", {}, null), -32600, invalid, null);
    row("wrong jsonrpc version", true, R"({"jsonrpc":"1.0","id":1,"method":"ping"})", -32600,
        invalid, null);
    row("params array", true, R"({"jsonrpc":"2.0","id":7,"method":"ping","params":[]})", -32602,
        "MCP request parameters must be a JSON object.", 7);
    row("notification of an unknown method gets no answer", false,
        R"({"jsonrpc":"2.0","method":"tools/call"})", 1, "", null);
    row("depth 32 accepted", true, deeplyNested(32), 0);
    row("depth 33 refused", true, deeplyNested(33), -32600,
        "The MCP request exceeds the allowed JSON depth.", null);
    row("unknown method", true, request("resources/list", {}), -32601,
        "The requested MCP method is not supported.");
    // An unknown tool: the independent client's check on the built bridge.
    row("tools/call with array arguments", true,
        request("tools/call", {{"name", "orvi_get_snapshot"}, {"arguments", QJsonArray()}}), -32602,
        "The tools/call request must contain a tool name and an arguments object.");
}

QProcessEnvironment BridgeEndToEndTest::environment() const
{
    // What hosts pass on, with a private home folder.
    QProcessEnvironment env;
    for (const char* name :
         {"LOGNAME", "PATH", "SHELL", "TERM", "USER", "ASAN_OPTIONS", "UBSAN_OPTIONS"}) {
        if (qEnvironmentVariableIsSet(name))
            env.insert(QLatin1String(name), qEnvironmentVariable(name));
    }
    env.insert("HOME", runtime_->path());
    return env;
}

QList<QJsonObject> BridgeEndToEndTest::runBridge(const QByteArray& input, int* exitCode,
                                                 QByteArray* errors)
{
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(bridge_, {});
    if (!process.waitForStarted())
        return {};
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(120000);
    *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    *errors = process.readAllStandardError();
    QList<QJsonObject> responses;
    const QList<QByteArray> lines = process.readAllStandardOutput().split('\n');
    for (const QByteArray& line : lines) {
        if (!line.isEmpty())
            responses.append(QJsonDocument::fromJson(line).object());
    }
    return responses;
}

QTEST_GUILESS_MAIN(BridgeEndToEndTest)
#include "tst_BridgeEndToEnd.moc"
