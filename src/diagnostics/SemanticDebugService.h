#pragma once

#include "diagnostics/DiagnosticsControlMethods.h"
#include "diagnostics/DiagnosticsControllers.h"
#include "diagnostics/DiagnosticsEndpoint.h"
#include "diagnostics/DiagnosticsEventJournal.h"
#include "diagnostics/DiagnosticsProcessingMethods.h"
#include "diagnostics/DiagnosticsSnapshot.h"
#include "diagnostics/DiagnosticsSpectrumMethods.h"
#include "diagnostics/DiagnosticsWindowMethods.h"
#include "diagnostics/IDiagnosticsDispatcher.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <array>
#include <functional>

namespace orvi::diagnostics::service {

// The opt-in local inspection and control service of a running orvi-motion: it publishes
// the local socket and its descriptor, answers the read methods with documents built from
// the interface controllers and, in control mode, drives the same controller operations
// that the interface drives. It owns no application state. Everything runs on the
// interface thread.
class SemanticDebugService : public QObject, public IDiagnosticsDispatcher
{
    Q_OBJECT

public:
    struct MethodInfo
    {
        const char* name;
        bool mutating; // needs control mode and a current "expectedRevision"
    };
    // The methods in the order "diagnostics.getCapabilities" lists them.
    static const std::array<MethodInfo, 20>& catalogue();

    explicit SemanticDebugService(const DiagnosticsControllers& controllers,
                                  QObject* parent = nullptr);
    ~SemanticDebugService() override;

    // Publishes the instance; starting again succeeds in the same mode and fails with
    // "already_running" in the other. Other error codes: the runtime directory's, the
    // descriptor's and "local_server_listen_failed". A failed start publishes nothing.
    bool start(bool controlEnabled, QString* errorCode = nullptr);
    // Aborts the clients, removes the descriptor and resets the revision and the journal.
    void stop();

    bool isStarted() const { return endpoint_.isStarted(); }
    bool controlEnabled() const { return endpoint_.controlEnabled(); }
    QString instanceId() const { return endpoint_.instanceId(); }
    QString descriptorPath() const { return endpoint_.descriptorPath(); }
    // The folder to publish in; empty (the default) means the runtime directory rule.
    void setRuntimeDirectory(const QString& directory) { endpoint_.setRuntimeDirectory(directory); }

    DispatchResult dispatch(const QString& method, const QJsonObject& params) override;
    quint64 revision() const override { return journal_.revision(); }

private:
    using Handler = std::function<DispatchResult(const QJsonObject&)>;
    struct Method
    {
        bool mutating = false;
        // Subject to the busy gate; the interface, screenshot and spectrum methods apply
        // their own checks instead.
        bool gated = false;
        Handler run;
    };

    void registerMethods();
    // The gate in front of the methods that change inputs or start work: a running export
    // admits only its own cancellation, and a busy spectrum analysis admits nothing.
    bool busyGateCloses(const QString& method) const;
    void add(const char* name, Handler run, bool gated = true);
    void connectEventSources();
    QJsonObject capabilities() const;
    QJsonObject snapshotResult() const;

    // One line per event source: the notification raises the revision and is journalled.
    template <typename Sender, typename Signal>
    void watch(const Sender* sender, Signal signal, const char* code)
    {
        connect(sender, signal, &journal_,
                [this, code] { journal_.recordCoalesced(QLatin1String(code)); });
    }
    // Progress notifications: journalled directly, once per step or stage change, without
    // raising the revision.
    template <typename Sender, typename Signal>
    void watchProgress(const Sender* sender, Signal signal, const char* code,
                       ProgressThrottle& throttle)
    {
        connect(sender, signal, &journal_, [this, sender, code, &throttle] {
            journal_.recordProgress(throttle, QLatin1String(code), sender->progress(),
                                    sender->stageName());
        });
    }

    DiagnosticsControllers controllers_;
    DiagnosticsEventJournal journal_;
    DiagnosticsSnapshot snapshot_;
    DiagnosticsControlMethods control_;
    DiagnosticsProcessingMethods processing_;
    DiagnosticsSpectrumMethods spectrum_;
    DiagnosticsWindowMethods window_;
    ProgressThrottle previewProgress_;
    ProgressThrottle exportProgress_;
    QHash<QString, Method> methods_;
    DiagnosticsEndpoint endpoint_;
};

} // namespace orvi::diagnostics::service
