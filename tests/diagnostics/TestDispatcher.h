#pragma once

#include "diagnostics/IDiagnosticsDispatcher.h"

#include <QList>
#include <QStringList>
#include <functional>

// A small dispatcher behind the real wire-protocol server:
//   "test.echo"   answers {"params": params}
//   "test.fail"   fails with params["code"]
//   "test.mutate" checks "expectedRevision" and raises the revision
//   "test.spin"   runs duringSpin, then lets the event loop run for a while
// Every call records its method and the event-loop pass it ran in.
class TestDispatcher : public orvi::diagnostics::service::IDiagnosticsDispatcher
{
public:
    orvi::diagnostics::service::DispatchResult dispatch(const QString& method,
                                                        const QJsonObject& params) override;
    quint64 revision() const override { return revision_; }

    quint64 revision_ = 1;
    QStringList methods;
    QList<int> passes;
    std::function<void()> duringSpin;

private:
    void markPass();

    int pass_ = 0;
    bool passMarkerPending_ = false;
};
