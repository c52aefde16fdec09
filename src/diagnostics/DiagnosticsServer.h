#pragma once

#include "diagnostics/DiagnosticsProtocol.h"
#include "diagnostics/DiagnosticsRequestHandler.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QLocalServer>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QTimer>

class QLocalSocket;

namespace orvi::diagnostics::service {

class IDiagnosticsDispatcher;

// The server side of the diagnostics wire protocol: a user-only local socket that reads
// JSON lines from a bounded number of clients, enforces the size limits and answers every
// request through the dispatcher. A connection beyond the limit is told "server_busy", and
// one that completes no request for the idle timeout is closed, so silent clients cannot
// keep others out. Runs entirely on the thread that owns it.
class DiagnosticsServer : public QObject
{
    Q_OBJECT

public:
    // How long a connection closed after an error may take to hand its pending output to
    // the client before it is aborted.
    static constexpr int kGracefulCloseTimeoutMs = 2000;
    // How long a refused connection stays open so that its client can read the refusal
    // before it is aborted, and how many may wait so at once.
    static constexpr int kRefusalLingerMs = 1000;
    static constexpr int kMaximumRefusedConnections = 64;

    explicit DiagnosticsServer(IDiagnosticsDispatcher& dispatcher, QObject* parent = nullptr);
    ~DiagnosticsServer() override;

    // Listens on name with user-only access. On failure the error code is
    // "local_server_listen_failed" (an empty token is refused the same way).
    bool listen(const QString& name, const QString& token, QString* errorCode = nullptr);
    // Stops listening and aborts every client.
    void close();

    bool isListening() const { return server_.isListening(); }
    QString fullServerName() const { return server_.fullServerName(); }
    int clientCount() const { return static_cast<int>(clients_.size()); }
    // Applies to connections accepted from now on.
    void setIdleTimeout(int milliseconds) { idleTimeoutMs_ = milliseconds; }

private:
    struct Client
    {
        QByteArray buffer;
        QTimer* idle = nullptr; // a child of the socket
    };

    void acceptConnections();
    void registerClient(QLocalSocket* socket);
    void refuse(QLocalSocket* socket);
    void endRefusal(QLocalSocket* socket);
    void expireIdle(QLocalSocket* socket);
    void dropClient(QLocalSocket* socket);
    void readClient(QLocalSocket* socket);
    // Handles the complete lines of buffer; false when the connection was closed.
    bool handleLines(QLocalSocket* socket, QByteArray& buffer, bool* passExhausted);
    // Clients with something to read take turns, one pass each per timer round, so that the
    // interface thread's own timers run between passes even while every client floods it.
    void queueRead(QLocalSocket* socket);
    void serveNextPass();
    void closeWithError(QLocalSocket* socket, const char* code);
    void closeGracefully(QLocalSocket* socket);
    void send(QLocalSocket* socket, const QJsonObject& response);

    DiagnosticsRequestHandler handler_;
    QLocalServer server_;
    QHash<QLocalSocket*, Client> clients_;
    QSet<QLocalSocket*> refused_;
    QSet<QLocalSocket*> reading_;
    QList<QPointer<QLocalSocket>> due_;
    QTimer pump_;
    int idleTimeoutMs_ = protocol::kIdleTimeoutMs;
};

} // namespace orvi::diagnostics::service
