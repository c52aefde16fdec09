#pragma once

#include "ApplicationCallResult.h"

#include <QCoreApplication>
#include <QJsonObject>
#include <QString>
#include <QStringList>

class QLocalSocket;

namespace orvi::diagnostics {
class InstanceDescriptor;
}

namespace orvi::mcp {

// The client side of the diagnostics protocol: every call finds the instance afresh,
// opens one connection, sends one request line and reads one response line. Blocking;
// no state survives a call, so instances may come and go between calls.
class ApplicationConnection
{
    Q_DECLARE_TR_FUNCTIONS(ApplicationConnection)

public:
    struct Limits
    {
        int connectTimeoutMs = 2000;
        int sendTimeoutMs = 5000;
        int receiveTimeoutMs = 5000;
        int waitStepMs = 100;
        qsizetype maximumRequestBytes = 1048576;
        qsizetype maximumResponseBytes = 33554432;
        // How long a call keeps trying an instance that answers "server_busy".
        int busyRetryBudgetMs = 3000;
    };

    ApplicationConnection() = default;
    explicit ApplicationConnection(const Limits& limits) : limits_(limits) {}

    ApplicationCallResult call(const QString& method, const QJsonObject& params) const;

    static const QStringList& allowedMethods();
    // Folders searched for descriptors; empty means the runtime directory rule.
    void setSearchPaths(const QStringList& paths) { searchPaths_ = paths; }

private:
    // One connection, one request line, one response line.
    bool exchange(const diagnostics::InstanceDescriptor& instance, const QByteArray& bytes,
                  QByteArray* line, QString* message) const;
    bool sendAll(QLocalSocket& socket, const QByteArray& bytes, QString* message) const;
    bool receiveLine(QLocalSocket& socket, QByteArray* line, QString* message) const;
    ApplicationCallResult interpret(const QByteArray& line, const QString& requestId) const;

    Limits limits_;
    QStringList searchPaths_;
};

} // namespace orvi::mcp
