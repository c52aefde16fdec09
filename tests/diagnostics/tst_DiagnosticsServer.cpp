#include "LineClient.h"
#include "TestDispatcher.h"
#include "diagnostics/DiagnosticsEndpoint.h"
#include "diagnostics/DiagnosticsServer.h"
#include "diagnostics/InstanceDescriptor.h"
#include "diagnostics/RuntimeDirectory.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

using namespace orvi::diagnostics;
using orvi::diagnostics::service::DiagnosticsEndpoint;
using orvi::diagnostics::service::DiagnosticsServer;

namespace {

std::optional<InstanceDescriptor> readDescriptor(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return InstanceDescriptor::fromJson(QJsonDocument::fromJson(file.readAll()).object());
}

} // namespace

// The wire-protocol server over a small dispatcher, the endpoint that publishes it, and the
// descriptor it publishes in the runtime folder.
class DiagnosticsServerTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(runtime_.isValid());
        qputenv("HOME", runtime_.path().toUtf8());
    }

    void init()
    {
        dispatcher_ = std::make_unique<TestDispatcher>();
        server_ = std::make_unique<DiagnosticsServer>(*dispatcher_);
        name_ = InstanceDescriptor::socketNameFor(InstanceDescriptor::newInstanceId());
        token_ = InstanceDescriptor::newToken();
        QString error;
        QVERIFY2(server_->listen(name_, token_, &error), qPrintable(error));
    }

    void cleanup()
    {
        server_.reset();
        dispatcher_.reset();
    }

    void envelope_data()
    {
        // Each row edits a valid echo request; "<token>" stands for the instance token.
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QString>("errorCode");
        QTest::addColumn<QJsonValue>("expectedId");
        QTest::addColumn<bool>("closes");

        const auto row = [](const char* name, const QByteArray& request, const char* code = "",
                            bool closes = false) {
            const bool hasId = request.contains(R"("id":"r")");
            QTest::newRow(name) << request << QString(code)
                                << (hasId ? QJsonValue("r") : QJsonValue()) << closes;
        };
        row("valid request is answered",
            R"({"apiVersion":1,"id":"r","token":"<token>","method":"test.echo"})");
        row("absent id becomes null", R"({"apiVersion":1,"token":"<token>","method":"test.echo"})");
        row("crlf line accepted",
            "{\"apiVersion\":1,\"id\":\"r\",\"token\":\"<token>\",\"method\":\"test.echo\"}\r");
        row("string api version refused before a wrong token",
            R"({"apiVersion":"1","id":"r","token":"wrong","method":"test.echo"})",
            "unsupported_api_version");
        row("token is case-sensitive",
            R"({"apiVersion":1,"id":"r","token":"<TOKEN>","method":"test.echo"})", "unauthorized",
            true);
        row("non-string token counts as empty",
            R"({"apiVersion":1,"id":"r","token":5,"method":"test.echo"})", "unauthorized", true);
        row("params null refused",
            R"({"apiVersion":1,"id":"r","token":"<token>","method":"test.echo","params":null})",
            "invalid_params");
        row("unknown method",
            R"({"apiVersion":1,"id":"r","token":"<token>","method":"test.nothing"})",
            "method_not_found");
        row("method error code passed through",
            R"({"apiVersion":1,"id":"r","token":"<token>","method":"test.fail","params":{"code":"state_conflict"}})",
            "state_conflict");
    }

    void envelope()
    {
        QFETCH(QByteArray, request);
        QFETCH(QString, errorCode);
        QFETCH(QJsonValue, expectedId);
        QFETCH(bool, closes);

        request.replace("<token>", token_.toLatin1())
            .replace("<TOKEN>", token_.toUpper().toLatin1());
        LineClient client(name_);
        QVERIFY(client.isConnected());
        client.send(request + '\n');
        const QJsonObject response = client.next();
        QVERIFY(!response.isEmpty());

        QCOMPARE(response.value("apiVersion"), QJsonValue(1));
        QCOMPARE(response.value("id"), expectedId);
        QCOMPARE(response.value("revision"), QJsonValue(1));
        if (errorCode.isEmpty()) {
            QCOMPARE(response.value("ok"), QJsonValue(true));
            // Absent params reach the method as an empty object.
            QCOMPARE(response.value("result").toObject().value("params"),
                     QJsonValue(QJsonObject()));
        } else {
            QCOMPARE(response.value("ok"), QJsonValue(false));
            QCOMPARE(response.value("error").toObject(), (QJsonObject{{"code", errorCode}}));
        }
        QCOMPARE(client.waitForDisconnect(closes ? 5000 : 200), closes);
    }

    void blankLinesGetNoResponse()
    {
        LineClient client(name_);
        client.send("\n   \r\n\t\n" + line(requestWith("test.echo")));
        QCOMPARE(client.next().value("ok"), QJsonValue(true));
        QCOMPARE(client.settle(), 0);
        QCOMPARE(dispatcher_->methods.size(), 1);
    }

    // A line of exactly the limit is served (one byte more: the program test's hostile
    // clients).
    void lineOfTheLengthLimitIsAccepted()
    {
        QByteArray request =
            QJsonDocument(requestWith("test.echo", {{"pad", ""}})).toJson(QJsonDocument::Compact);
        request.insert(request.indexOf("\"pad\":\"\"") + 7,
                       QByteArray(65536 - request.size(), 'p'));
        QCOMPARE(request.size(), 65536);
        LineClient client(name_);
        client.send(request + '\n' + line(requestWith("test.echo")));
        QCOMPARE(client.next().value("id"), QJsonValue("r"));
        QCOMPARE(client.next().value("ok"), QJsonValue(true));
    }

    void fortyRequestsAnsweredInOrderAcrossTwoPasses()
    {
        QByteArray batch;
        for (int i = 0; i < 40; ++i) {
            QJsonObject request = requestWith("test.echo");
            request.insert("id", i);
            batch += line(request);
        }
        LineClient client(name_);
        client.send(batch);
        QVERIFY(client.waitForResponses(40));
        for (int i = 0; i < 40; ++i)
            QCOMPARE(client.responses.at(i).value("id"), QJsonValue(i));

        const QList<int>& passes = dispatcher_->passes;
        QCOMPARE(passes.size(), 40);
        QCOMPARE(passes.count(passes.first()), 32);
        QVERIFY(passes.at(32) > passes.at(31));
        QCOMPARE(passes.count(passes.at(32)), 8);
    }

    void requestsArrivingWhileAMethodSpinsKeepTheirOrder()
    {
        LineClient client(name_);
        QJsonObject echo = requestWith("test.echo");
        echo.insert("id", "second");
        dispatcher_->duringSpin = [&] { client.send(line(echo)); };
        client.send(line(requestWith("test.spin")));
        QVERIFY(client.waitForResponses(2));
        QCOMPARE(client.responses.at(0).value("id"), QJsonValue("r"));
        QCOMPARE(client.responses.at(1).value("id"), QJsonValue("second"));
        QCOMPARE(dispatcher_->methods, (QStringList{"test.spin", "test.echo"}));
    }

    // Connections that never send anything fill every place, are told why and closed, and
    // their places serve others (beyond the limit, the program test's floods are told "busy").
    void silentClientsTimeOutAndFreeTheirPlaces()
    {
        server_->setIdleTimeout(3000);
        std::vector<std::unique_ptr<LineClient>> silent;
        for (int i = 0; i < 16; ++i)
            silent.push_back(std::make_unique<LineClient>(name_));
        for (auto& client : silent) {
            QCOMPARE(client->next(10000).value("error").toObject().value("code"),
                     QJsonValue("idle_timeout"));
            QVERIFY(client->waitForDisconnect());
        }
        QVERIFY(QTest::qWaitFor([&] { return server_->clientCount() == 0; }, 5000));
        LineClient late(name_);
        late.send(line(requestWith("test.echo")));
        QCOMPARE(late.next().value("ok"), QJsonValue(true));
    }

    void pipelinedRequestsBeyondTheReceiveBufferAreAllAnswered()
    {
        // 1000 valid requests of about 300 bytes in one write: 2.5 times what one client may
        // hold without a line feed, which limits partial lines only.
        QByteArray batch;
        for (int i = 0; i < 1000; ++i) {
            QJsonObject request = requestWith("test.echo", {{"pad", QString(200, 'p')}});
            request.insert("id", i);
            batch += line(request);
        }
        QVERIFY(batch.size() > 2 * 131072);
        LineClient client(name_);
        client.send(batch);
        QVERIFY(client.waitForResponses(1000, 20000));
        for (int i = 0; i < 1000; ++i)
            QCOMPARE(client.responses.at(i).value("id"), QJsonValue(i));
        QVERIFY(client.isConnected());
    }

    void expectedRevision_data()
    {
        // params is the JSON text of a mutating request's params; `current` the revision then.
        QTest::addColumn<QByteArray>("params");
        QTest::addColumn<double>("current");
        QTest::addColumn<QString>("code");
        const auto row = [](const char* name, const char* params, double current,
                            const char* code = "") {
            QTest::newRow(name) << QByteArray(params) << current << QString(code);
        };
        row("current revision accepted", R"({"expectedRevision":3})", 3);
        row("largest exact integer accepted", R"({"expectedRevision":9007199254740991})",
            9007199254740991.0);
        row("missing key", R"({"other":1})", 1, "missing_expected_revision");
        row("numeric string", R"({"expectedRevision":"3"})", 3, "invalid_expected_revision");
        row("beyond 2^53 - 1", R"({"expectedRevision":9007199254740992})", 1,
            "invalid_expected_revision");
        row("older revision", R"({"expectedRevision":2})", 3, "stale_revision");
    }

    void expectedRevision()
    {
        QFETCH(QByteArray, params);
        QFETCH(double, current);
        QFETCH(QString, code);
        dispatcher_->revision_ = static_cast<quint64>(current);
        LineClient client(name_);
        client.request(token_, "test.mutate", QJsonDocument::fromJson(params).object());
        const QJsonObject response = client.next();
        QCOMPARE(response.value("error").toObject().value("code").toString(), code);
        // The envelope carries the revision after the method ran.
        QCOMPARE(response.value("revision").toDouble(), current + (code.isEmpty() ? 1 : 0));
    }

    void closeAbortsClientsAndRefusesNewOnes()
    {
        LineClient client(name_);
        QVERIFY(QTest::qWaitFor([&] { return server_->clientCount() == 1; }, 5000));
        server_->close();
        QVERIFY(client.waitForDisconnect());
        QCOMPARE(server_->clientCount(), 0);
        LineClient refused(name_);
        QVERIFY(!refused.isConnected());
    }

    void listenRefusesAnEmptyToken()
    {
        // Without a token every request would match an absent or non-string one.
        DiagnosticsServer server(*dispatcher_);
        QString error;
        QVERIFY(!server.listen(name_ + "-empty", QString(), &error));
        QCOMPARE(error, "local_server_listen_failed");
        QVERIFY(!server.isListening());
    }

    // A temporary folder deeper than a Unix socket path can hold (a shallow one in either mode:
    // the program test).
    void startPublishesAReachableInstance()
    {
        const QByteArray savedTemporaryFolder = qgetenv("TMPDIR");
        const auto restore = qScopeGuard([&] { qputenv("TMPDIR", savedTemporaryFolder); });
        QString deep = runtime_.path();
        while (deep.size() < 160)
            deep += QStringLiteral("/nested-folder");
        QVERIFY(QDir().mkpath(deep));
        qputenv("TMPDIR", deep.toUtf8());
        TestDispatcher dispatcher;
        DiagnosticsEndpoint endpoint(dispatcher);
        QString error;
        QVERIFY2(endpoint.start(true, &error), qPrintable(error));
        QVERIFY(endpoint.descriptorPath().startsWith(
            runtime_.path() + "/.local/share/ORVI/ORVI Zazira/runtime/diagnostics/instance-"));

        const auto descriptor = readDescriptor(endpoint.descriptorPath());
        QVERIFY(descriptor.has_value() && descriptor->controlEnabled);

        // A client that knows only the descriptor is served.
        LineClient client(descriptor->serverAddress());
        client.request(descriptor->token, "test.echo");
        QCOMPARE(client.next().value("ok"), QJsonValue(true));
    }

    void startingAgainDependsOnTheMode()
    {
        TestDispatcher dispatcher;
        DiagnosticsEndpoint endpoint(dispatcher);
        QVERIFY(endpoint.start(false));
        const QString id = endpoint.instanceId();
        QVERIFY(endpoint.start(false));
        QCOMPARE(endpoint.instanceId(), id);
        QString error;
        QVERIFY(!endpoint.start(true, &error));
        QCOMPARE(error, "already_running");
        QVERIFY(QFile::exists(endpoint.descriptorPath()));
    }

    void failedStartPublishesNothing_data()
    {
        QTest::addColumn<QString>("blocker");
        QTest::addColumn<QStringList>("codes");
        QTest::newRow("directory cannot be created")
            << "file" << QStringList{"descriptor_directory_unavailable"};
        // The folder itself fits the system's path limit, the descriptor inside it does not;
        // which step of the save file notices first is the platform's business.
        QTest::newRow("descriptor cannot be written")
            << "long path" << QStringList{"descriptor_open_failed", "descriptor_commit_failed"};
    }

    void failedStartPublishesNothing()
    {
        QFETCH(QString, blocker);
        QFETCH(QStringList, codes);
        QTemporaryDir scratch;
        QString directory = scratch.path();
        if (blocker == "file") {
            QFile file(scratch.filePath("file"));
            QVERIFY(file.open(QIODevice::WriteOnly));
            directory = scratch.filePath("file/runtime");
        } else {
            while (directory.size() < 4000)
                directory += '/' + QString(200, 'd');
            QVERIFY(QDir().mkpath(directory));
        }

        TestDispatcher dispatcher;
        DiagnosticsEndpoint endpoint(dispatcher);
        endpoint.setRuntimeDirectory(directory);
        QString error;
        QVERIFY(!endpoint.start(true, &error));
        QVERIFY2(codes.contains(error), qPrintable(error));
        QVERIFY(!endpoint.server().isListening());
        if (QFileInfo(directory).isDir())
            QVERIFY(QDir(directory).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }

    void identifiersAndTokensAreFreshAndWellFormed()
    {
        const InstanceDescriptor a = InstanceDescriptor::create(true);
        const InstanceDescriptor b = InstanceDescriptor::create(false);
        const QRegularExpression id(QStringLiteral("^[0-9a-f]{32}$"));
        const QRegularExpression token(QStringLiteral("^[0-9a-f]{64}$"));
        QVERIFY(id.match(a.instanceId).hasMatch());
        QVERIFY(token.match(a.token).hasMatch());
        QVERIFY(a.instanceId != b.instanceId);
        QVERIFY(a.token != b.token);
        QVERIFY(QDateTime::fromString(a.createdAtUtc, Qt::ISODateWithMs).isValid());
        // The same identifier is accepted back by readers.
        QVERIFY(InstanceDescriptor::fromJson(a.toJson(), a.instanceId).has_value());
    }

    void sanitizeIdentifier()
    {
        for (const auto& [identifier, sanitized] :
             {std::pair{"a-b_C", "a-b_C"}, {"../x/y.json", "xyjson"}, {"./:", "unknown"}}) {
            QCOMPARE(InstanceDescriptor::sanitizeIdentifier(identifier), sanitized);
            QCOMPARE(InstanceDescriptor::fileNameFor(identifier),
                     QStringLiteral("instance-%1.json").arg(sanitized));
        }
    }

    // One field changed (Undefined removes it) in an otherwise complete descriptor.
    void acceptance()
    {
        struct Case
        {
            const char* key;
            QJsonValue value;
            bool accepted;
        };
        const QJsonValue removed(QJsonValue::Undefined);
        const Case cases[] = {{"apiVersion", 2, false},
                              {"socketName", removed, false},
                              {"socketName", QString(513, 's'), false},
                              {"token", QString(32, 'A'), true},
                              {"token", QString(30, 'a'), false},
                              {"token", QString(32, 'g'), false},
                              {"processId", 1.5, false},
                              {"controlEnabled", 1, false},
                              {"createdAtUtc", removed, false}};
        const QJsonObject complete{{"apiVersion", 1},
                                   {"instanceId", "abc"},
                                   {"socketName", "orvi-motion-diagnostics-abc"},
                                   {"token", QString(64, 'f')},
                                   {"processId", 1234},
                                   {"controlEnabled", false},
                                   {"createdAtUtc", "2026-01-31T12:00:00.000Z"}};
        QVERIFY(InstanceDescriptor::fromJson(complete).has_value());
        QVERIFY(!InstanceDescriptor::fromJson(complete, "ABC").has_value()); // another id
        for (const Case& c : cases) {
            QJsonObject json = complete;
            if (c.value.isUndefined())
                json.remove(c.key);
            else
                json.insert(c.key, c.value);
            QVERIFY2(InstanceDescriptor::fromJson(json).has_value() == c.accepted, c.key);
        }
    }

    void runtimeDirectoryFallsBackInOrder()
    {
        const QString tail = "/ORVI/ORVI Zazira/runtime/diagnostics";
        QCOMPARE(RuntimeDirectory::pathFromBases({"/run/u", "/data", "/tmp"}), "/run/u" + tail);
        QCOMPARE(RuntimeDirectory::pathFromBases({"", "/data", "/tmp"}), "/data" + tail);
        QCOMPARE(RuntimeDirectory::pathFromBases({"", ""}), QString());
    }

    void sessionRuntimeBase_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("private directory") << "private" << true;
        QTest::newRow("readable by others") << "open" << false;
        QTest::newRow("symbolic link to a private directory") << "link" << false;
        QTest::newRow("regular file") << "file" << false;
        QTest::newRow("missing") << "missing" << false;
    }

    void sessionRuntimeBase()
    {
#ifndef Q_OS_UNIX
        QSKIP("Login-session runtime folders exist only on Unix-like systems.");
#else
        QFETCH(QString, layout);
        QFETCH(bool, accepted);
        QTemporaryDir root;
        const QString own = root.filePath(QString::number(::getuid()));
        const QFile::Permissions privateMode =
            QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
        if (layout == "private" || layout == "open") {
            QVERIFY(QDir().mkdir(own));
            QFile::setPermissions(own, layout == "open"
                                           ? privateMode | QFile::ReadOther | QFile::ExeOther
                                           : privateMode);
        } else if (layout == "link") {
            QVERIFY(QDir().mkdir(root.filePath("real")));
            QFile::setPermissions(root.filePath("real"), privateMode);
            QVERIFY(QFile::link(root.filePath("real"), own));
        } else if (layout == "file") {
            QFile file(own);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QCOMPARE(RuntimeDirectory::sessionRuntimeBase(root.path()), accepted ? own : QString());
#endif
    }

private:
    QJsonObject requestWith(const QString& method, const QJsonObject& params = {}) const;
    QByteArray line(const QJsonObject& object) const;

    std::unique_ptr<TestDispatcher> dispatcher_;
    std::unique_ptr<DiagnosticsServer> server_;
    QString name_;
    QString token_;
    QTemporaryDir runtime_;
};

QJsonObject DiagnosticsServerTest::requestWith(const QString& method,
                                               const QJsonObject& params) const
{
    return {{QStringLiteral("apiVersion"), 1},
            {QStringLiteral("id"), QStringLiteral("r")},
            {QStringLiteral("token"), token_},
            {QStringLiteral("method"), method},
            {QStringLiteral("params"), params}};
}

QByteArray DiagnosticsServerTest::line(const QJsonObject& object) const
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

QTEST_GUILESS_MAIN(DiagnosticsServerTest)
#include "tst_DiagnosticsServer.moc"
