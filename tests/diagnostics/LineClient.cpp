#include "LineClient.h"

#include <QJsonDocument>
#include <QTest>

LineClient::LineClient(const QString& serverName)
{
    QObject::connect(&socket_, &QLocalSocket::readyRead, &socket_, [this] { collect(); });
    socket_.connectToServer(serverName);
    (void)QTest::qWaitFor([this] { return socket_.state() != QLocalSocket::ConnectingState; },
                          5000);
}

void LineClient::send(const QByteArray& bytes)
{
    socket_.write(bytes);
}

void LineClient::request(const QString& token, const QString& method, const QJsonObject& params)
{
    const QJsonObject request{{QStringLiteral("apiVersion"), 1},
                              {QStringLiteral("token"), token},
                              {QStringLiteral("method"), method},
                              {QStringLiteral("params"), params}};
    send(QJsonDocument(request).toJson(QJsonDocument::Compact) + '\n');
}

void LineClient::collect()
{
    buffer_.append(socket_.readAll());
    qsizetype end;
    while ((end = buffer_.indexOf('\n')) >= 0) {
        responses.append(QJsonDocument::fromJson(buffer_.left(end)).object());
        buffer_.remove(0, end + 1);
    }
}

bool LineClient::waitForResponses(int n, int timeoutMs)
{
    return QTest::qWaitFor([&] { return responses.size() >= n; }, timeoutMs);
}

QJsonObject LineClient::next(int timeoutMs)
{
    if (!waitForResponses(consumed_ + 1, timeoutMs))
        return {};
    return responses.at(consumed_++);
}

bool LineClient::waitForDisconnect(int timeoutMs)
{
    return QTest::qWaitFor([this] { return socket_.state() == QLocalSocket::UnconnectedState; },
                           timeoutMs);
}

int LineClient::settle(int ms)
{
    QTest::qWait(ms);
    return static_cast<int>(responses.size()) - consumed_;
}
