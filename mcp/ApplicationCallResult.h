#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

namespace orvi::mcp {

// Outcome of one diagnostics exchange. On failure, error holds the application's error
// object, or is empty when the call failed before the application answered.
struct ApplicationCallResult
{
    bool success = false;
    QJsonValue result;
    QJsonObject error;
    QString message;
};

} // namespace orvi::mcp
