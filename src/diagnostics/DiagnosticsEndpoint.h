#pragma once

#include "diagnostics/DiagnosticsServer.h"
#include "diagnostics/InstanceDescriptor.h"

#include <QObject>
#include <QString>

namespace orvi::diagnostics::service {

class IDiagnosticsDispatcher;

// What a running instance publishes: the user-only local socket and the descriptor that
// names it. Starting makes a fresh identifier and token, listens, then writes the
// descriptor as the last step; any failure undoes what was done, so nothing is left
// published. Stopping aborts the clients and removes the descriptor.
class DiagnosticsEndpoint : public QObject
{
    Q_OBJECT

public:
    explicit DiagnosticsEndpoint(IDiagnosticsDispatcher& dispatcher, QObject* parent = nullptr);
    ~DiagnosticsEndpoint() override;

    // Succeeds at once when already started in the same mode; fails with
    // "already_running" in the other mode. Other error codes: those of the runtime
    // directory and the descriptor file, and "local_server_listen_failed".
    bool start(bool controlEnabled, QString* errorCode = nullptr);
    void stop();

    bool isStarted() const { return started_; }
    bool controlEnabled() const { return started_ && descriptor_.controlEnabled; }
    QString instanceId() const { return descriptor_.instanceId; }
    QString descriptorPath() const { return descriptorPath_; }
    const DiagnosticsServer& server() const { return server_; }

    // The folder to publish in; empty (the default) means the runtime directory rule.
    void setRuntimeDirectory(const QString& directory) { runtimeDirectory_ = directory; }

private:
    void clear();

    DiagnosticsServer server_;
    InstanceDescriptor descriptor_;
    QString descriptorPath_;
    QString runtimeDirectory_;
    bool started_ = false;
};

} // namespace orvi::diagnostics::service
