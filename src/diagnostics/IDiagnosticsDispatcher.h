#pragma once

#include "diagnostics/DispatchResult.h"

#include <QJsonObject>
#include <QString>

namespace orvi::diagnostics::service {

// Runs the methods behind the wire protocol. The server has already checked the
// envelope (JSON, API version, token, method name, params type) before calling dispatch.
class IDiagnosticsDispatcher
{
public:
    virtual ~IDiagnosticsDispatcher() = default;

    virtual DispatchResult dispatch(const QString& method, const QJsonObject& params) = 0;
    // The revision sent in every response envelope, read after the method ran.
    virtual quint64 revision() const = 0;
};

} // namespace orvi::diagnostics::service
