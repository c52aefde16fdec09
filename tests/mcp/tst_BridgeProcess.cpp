#include "McpStdioServer.h"
#include "support/TestSupport.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

namespace {

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

// The built bridge as a host starts it: a separate process fed through its standard
// input, including input no well-behaved client would send.
class BridgeProcessTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        bridge_ = orvi::test::testBinaryDir() + "/bin/orvi-motion-mcp";
        QVERIFY2(QFileInfo(bridge_).isExecutable(), qPrintable("Not built: " + bridge_));
        QVERIFY(runtime_.isValid());
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
    QProcessEnvironment environment() const;
    QList<QJsonObject> runBridge(const QByteArray& input, int* exitCode, QByteArray* errors);

    QString bridge_;
    QTemporaryDir runtime_;
};

QProcessEnvironment BridgeProcessTest::environment() const
{
    // What hosts pass on, with a private home folder.
    QProcessEnvironment env;
    for (const char* name :
         {"LOGNAME", "PATH", "SHELL", "TERM", "USER", "ASAN_OPTIONS", "UBSAN_OPTIONS"}) {
        if (qEnvironmentVariableIsSet(name))
            env.insert(QLatin1String(name), qEnvironmentVariable(name));
    }
    env.insert("HOME", runtime_.path());
    return env;
}

QList<QJsonObject> BridgeProcessTest::runBridge(const QByteArray& input, int* exitCode,
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

QTEST_GUILESS_MAIN(BridgeProcessTest)
#include "tst_BridgeProcess.moc"
