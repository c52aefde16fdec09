#pragma once

#include <QJsonObject>
#include <QString>

namespace orvi::diagnostics::service {

// A method's answer: a result object, or an error code when errorCode is not empty.
struct DispatchResult
{
    QJsonObject result;
    QString errorCode;

    bool ok() const { return errorCode.isEmpty(); }

    static DispatchResult success(const QJsonObject& result = {}) { return {result, {}}; }
    static DispatchResult failure(const QString& code) { return {{}, code}; }
    static DispatchResult failure(const char* code) { return {{}, QString::fromLatin1(code)}; }
    // A control method's answer when the controller took the change.
    static DispatchResult accepted(QJsonObject result = {})
    {
        result.insert(QStringLiteral("accepted"), true);
        return success(result);
    }
};

} // namespace orvi::diagnostics::service
