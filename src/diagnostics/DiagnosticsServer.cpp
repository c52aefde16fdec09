#include "diagnostics/DiagnosticsServer.h"

#include "diagnostics/DiagnosticsProtocol.h"

#include <QDebug>
#include <QJsonDocument>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>
#include <utility>

namespace orvi::diagnostics::service {

namespace {

// Bytes a client's socket may hold unread. Beyond it the socket stops reading, so a client that
// pipelines faster than it is served waits in its own write instead of filling our memory.
constexpr qint64 kSocketReadBufferBytes = 2 * protocol::kMaximumReceiveBufferBytes;

// Bytes after the last line feed: the line still being received.
qsizetype partialLineSize(const QByteArray& buffer)
{
    return buffer.size() - (buffer.lastIndexOf('\n') + 1);
}

bool isConnected(const QLocalSocket* socket)
{
    return socket && socket->state() == QLocalSocket::ConnectedState;
}

} // namespace

DiagnosticsServer::DiagnosticsServer(IDiagnosticsDispatcher& dispatcher, QObject* parent)
    : QObject(parent), handler_(dispatcher)
{
    connect(&server_, &QLocalServer::newConnection, this, &DiagnosticsServer::acceptConnections);
    pump_.setSingleShot(true);
    pump_.setInterval(0);
    connect(&pump_, &QTimer::timeout, this, &DiagnosticsServer::serveNextPass);
}

DiagnosticsServer::~DiagnosticsServer()
{
    close();
}

bool DiagnosticsServer::listen(const QString& name, const QString& token, QString* errorCode)
{
    close();
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    server_.setMaxPendingConnections(protocol::kMaximumClientCount);
    if (token.isEmpty() || !server_.listen(name)) {
        if (!token.isEmpty())
            qWarning().noquote() << "Could not listen on the diagnostics socket" << name << ":"
                                 << server_.errorString();
        if (errorCode)
            *errorCode = QStringLiteral("local_server_listen_failed");
        return false;
    }
    handler_.setToken(token);
    return true;
}

void DiagnosticsServer::close()
{
    server_.close();
    pump_.stop();
    due_.clear();
    QList<QLocalSocket*> sockets = clients_.keys();
    sockets += refused_.values();
    clients_.clear();
    refused_.clear();
    for (QLocalSocket* socket : std::as_const(sockets)) {
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
    handler_.setToken({});
}

void DiagnosticsServer::acceptConnections()
{
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        if (clients_.size() < protocol::kMaximumClientCount)
            registerClient(socket);
        else
            refuse(socket);
    }
}

void DiagnosticsServer::registerClient(QLocalSocket* socket)
{
    socket->setReadBufferSize(kSocketReadBufferBytes);
    Client client;
    client.idle = new QTimer(socket);
    client.idle->setSingleShot(true);
    client.idle->setInterval(idleTimeoutMs_);
    connect(client.idle, &QTimer::timeout, this, [this, socket] { expireIdle(socket); });
    client.idle->start();
    clients_.insert(socket, client);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { queueRead(socket); });
    connect(socket, &QLocalSocket::disconnected, this, [this, socket] { dropClient(socket); });
}

void DiagnosticsServer::refuse(QLocalSocket* socket)
{
    if (refused_.size() >= kMaximumRefusedConnections) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    refused_.insert(socket);
    // The connection stays open a moment, reading and dropping whatever the client sends, so
    // that its request is written in full and the refusal reaches it instead of a reset.
    QByteArray bytes = QJsonDocument(handler_.busyRefusal()).toJson(QJsonDocument::Compact);
    bytes.append('\n');
    socket->write(bytes);
    connect(socket, &QLocalSocket::readyRead, socket, [socket] { socket->readAll(); });
    connect(socket, &QLocalSocket::disconnected, this, [this, socket] { endRefusal(socket); });
    QTimer::singleShot(kRefusalLingerMs, socket, [this, socket] { endRefusal(socket); });
}

void DiagnosticsServer::endRefusal(QLocalSocket* socket)
{
    if (!refused_.remove(socket))
        return;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

void DiagnosticsServer::expireIdle(QLocalSocket* socket)
{
    if (clients_.contains(socket) && isConnected(socket) && !reading_.contains(socket))
        closeWithError(socket, protocol::codes::kIdleTimeout);
}

void DiagnosticsServer::dropClient(QLocalSocket* socket)
{
    if (clients_.remove(socket) > 0)
        socket->deleteLater();
}

void DiagnosticsServer::readClient(QLocalSocket* socket)
{
    if (!clients_.contains(socket))
        return;
    if (!isConnected(socket)) {
        // Closing after an error: whatever else arrives is neither run nor answered.
        socket->readAll();
        return;
    }
    if (reading_.contains(socket)) {
        // A method spun the event loop during this client's pass; keep the order of its
        // requests by reading again once the pass is over.
        queueRead(socket);
        return;
    }
    // Work on a detached buffer: answering may close the socket, which drops the entry. The
    // socket is read only once the lines already taken are answered, so a pipelining client
    // is held back by its own socket rather than by our memory.
    QByteArray buffer = std::exchange(clients_[socket].buffer, QByteArray());
    if (!buffer.contains('\n'))
        buffer.append(socket->readAll());

    bool passExhausted = false;
    reading_.insert(socket);
    const bool open = handleLines(socket, buffer, &passExhausted);
    reading_.remove(socket);
    if (!open || !clients_.contains(socket))
        return;
    if (partialLineSize(buffer) > protocol::kMaximumReceiveBufferBytes) {
        closeWithError(socket, protocol::codes::kReceiveBufferLimit);
        return;
    }
    const bool lineRemains = buffer.contains('\n');
    clients_[socket].buffer = std::move(buffer);
    // Bytes that arrived while a method ran the event loop raised no new notification.
    if ((passExhausted && lineRemains) || socket->bytesAvailable() > 0)
        queueRead(socket);
}

bool DiagnosticsServer::handleLines(QLocalSocket* socket, QByteArray& buffer, bool* passExhausted)
{
    int handled = 0;
    qsizetype start = 0;
    for (;;) {
        const qsizetype end = buffer.indexOf('\n', start);
        if (end < 0)
            break;
        if (handled == protocol::kRequestsPerPass) {
            *passExhausted = true;
            break;
        }
        QByteArray line = buffer.mid(start, end - start);
        start = end + 1;
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.size() > protocol::kMaximumMessageBytes) {
            closeWithError(socket, protocol::codes::kMessageTooLarge);
            return false;
        }
        if (line.trimmed().isEmpty())
            continue;
        const DiagnosticsRequestHandler::Outcome outcome = handler_.handle(line);
        ++handled;
        if (const auto client = clients_.constFind(socket); client != clients_.cend())
            client->idle->start();
        send(socket, outcome.response);
        if (outcome.closeConnection) {
            closeGracefully(socket);
            return false;
        }
        if (!isConnected(socket))
            return false;
    }
    buffer.remove(0, start);
    return true;
}

void DiagnosticsServer::queueRead(QLocalSocket* socket)
{
    if (!due_.contains(socket))
        due_.append(socket);
    if (!pump_.isActive())
        pump_.start();
}

void DiagnosticsServer::serveNextPass()
{
    while (!due_.isEmpty()) {
        const QPointer<QLocalSocket> socket = due_.takeFirst();
        if (socket) {
            readClient(socket.data());
            break;
        }
    }
    if (!due_.isEmpty() && !pump_.isActive())
        pump_.start();
}

void DiagnosticsServer::closeWithError(QLocalSocket* socket, const char* code)
{
    send(socket, handler_.framingError(code));
    closeGracefully(socket);
}

void DiagnosticsServer::closeGracefully(QLocalSocket* socket)
{
    if (socket->state() == QLocalSocket::UnconnectedState)
        return;
    socket->disconnectFromServer();
    if (socket->state() == QLocalSocket::UnconnectedState)
        return;
    // A closing socket no longer reads, so a client that never reads its last answer would
    // keep the close, and its place among the four clients, pending for ever.
    QTimer::singleShot(kGracefulCloseTimeoutMs, this,
                       [this, guard = QPointer<QLocalSocket>(socket)] {
                           if (!guard || guard->state() == QLocalSocket::UnconnectedState)
                               return;
                           guard->abort();
                           dropClient(guard.data());
                       });
}

void DiagnosticsServer::send(QLocalSocket* socket, const QJsonObject& response)
{
    if (!isConnected(socket))
        return;
    QByteArray bytes = QJsonDocument(response).toJson(QJsonDocument::Compact);
    bytes.append('\n');
    // A client that stops reading must not make the application hoard its answers.
    if (socket->bytesToWrite() + bytes.size() > protocol::kMaximumPendingOutputBytes) {
        socket->abort();
        return;
    }
    if (socket->write(bytes) != bytes.size())
        socket->abort();
}

} // namespace orvi::diagnostics::service
