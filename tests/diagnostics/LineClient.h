#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QLocalSocket>
#include <QString>

// A test client of the wire protocol that never blocks the event loop, so the server
// under test can run on the same thread. Collects every response line it receives.
class LineClient
{
public:
    explicit LineClient(const QString& serverName);

    bool isConnected() const { return socket_.state() == QLocalSocket::ConnectedState; }
    void send(const QByteArray& bytes);
    // Sends {"apiVersion": 1, "token": token, "method": method, "params": params}.
    void request(const QString& token, const QString& method, const QJsonObject& params = {});

    // Waits for the next response line; an empty object on timeout.
    QJsonObject next(int timeoutMs = 5000);
    // Waits until n responses have arrived in total.
    bool waitForResponses(int n, int timeoutMs = 5000);
    bool waitForDisconnect(int timeoutMs = 5000);
    // Lets the event loop run for a while and returns how many responses are pending.
    int settle(int ms = 200);

    QList<QJsonObject> responses;

private:
    void collect();

    QLocalSocket socket_;
    QByteArray buffer_;
    int consumed_ = 0;
};
