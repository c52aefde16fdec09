#include "LineClient.h"
#include "TestDispatcher.h"
#include "diagnostics/DiagnosticsServer.h"
#include "diagnostics/InstanceDescriptor.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>
#include <memory>

using orvi::diagnostics::InstanceDescriptor;
using orvi::diagnostics::service::DiagnosticsServer;

class DiagnosticsServerTest : public QObject
{
    Q_OBJECT

private slots:
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
        row("fraction", R"({"expectedRevision":3.5})", 3, "invalid_expected_revision");
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

private:
    QJsonObject requestWith(const QString& method, const QJsonObject& params = {}) const;
    QByteArray line(const QJsonObject& object) const;

    std::unique_ptr<TestDispatcher> dispatcher_;
    std::unique_ptr<DiagnosticsServer> server_;
    QString name_;
    QString token_;
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
