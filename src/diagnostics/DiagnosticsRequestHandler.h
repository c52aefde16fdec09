#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

namespace orvi::diagnostics::service {

class IDiagnosticsDispatcher;

// Checks one request line's envelope in the protocol's order and turns the dispatcher's
// answer into the response envelope. Knows nothing about sockets.
class DiagnosticsRequestHandler
{
public:
    struct Outcome
    {
        QJsonObject response;
        bool closeConnection = false;
    };

    explicit DiagnosticsRequestHandler(IDiagnosticsDispatcher& dispatcher);

    void setToken(const QString& token) { token_ = token; }
    const QString& token() const { return token_; }

    Outcome handle(const QByteArray& line) const;
    // The envelope for a framing error ("id" null).
    QJsonObject framingError(const char* code) const;
    // The "server_busy" refusal of a connection beyond the client limit.
    QJsonObject busyRefusal() const;

private:
    bool isAuthorized(const QJsonValue& token) const;

    IDiagnosticsDispatcher& dispatcher_;
    QString token_;
};

} // namespace orvi::diagnostics::service
