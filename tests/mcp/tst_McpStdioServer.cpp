#include "McpStdioServer.h"
#include "McpToolCatalogue.h"

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QtTest>

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

QByteArray nested(int depth)
{
    // {"jsonrpc":...,"params":{"a":{"a":...}}}: the message itself is level 1.
    QByteArray inner = "1";
    for (int i = 2; i < depth; ++i)
        inner = "{\"a\":" + inner + "}";
    return R"({"jsonrpc":"2.0","id":1,"method":"ping","params":)" + inner + "}";
}

} // namespace

class McpStdioServerTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // An empty runtime folder: no instance can be found.
        QVERIFY(runtime_.isValid());
        qputenv("HOME", runtime_.path().toUtf8());
        qunsetenv("ORVI_MOTION_INSTANCE_ID");
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

private:
    QTemporaryDir runtime_;
};

void McpStdioServerTest::messages_data()
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
    row("depth 32 accepted", true, nested(32), 0);
    row("depth 33 refused", true, nested(33), -32600,
        "The MCP request exceeds the allowed JSON depth.", null);
    row("unknown method", true, request("resources/list", {}), -32601,
        "The requested MCP method is not supported.");
    // An unknown tool: the independent client's check on the built bridge.
    row("tools/call with array arguments", true,
        request("tools/call", {{"name", "orvi_get_snapshot"}, {"arguments", QJsonArray()}}), -32602,
        "The tools/call request must contain a tool name and an arguments object.");
}

QTEST_GUILESS_MAIN(McpStdioServerTest)
#include "tst_McpStdioServer.moc"
