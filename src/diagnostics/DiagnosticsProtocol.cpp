#include "diagnostics/DiagnosticsProtocol.h"

#include "records/ErrorMessage.h"

#include <cmath>

namespace orvi::diagnostics::protocol {

using project_data::failWith;

namespace {

QJsonValue idOrNull(const QJsonValue& id)
{
    return id.isUndefined() ? QJsonValue(QJsonValue::Null) : id;
}

} // namespace

QJsonObject successEnvelope(const QJsonValue& id, quint64 revision, const QJsonObject& result)
{
    return QJsonObject{{QStringLiteral("apiVersion"), kApiVersion},
                       {QStringLiteral("id"), idOrNull(id)},
                       {QStringLiteral("ok"), true},
                       {QStringLiteral("revision"), static_cast<double>(revision)},
                       {QStringLiteral("result"), result}};
}

QJsonObject errorEnvelope(const QJsonValue& id, quint64 revision, const QString& code)
{
    return QJsonObject{{QStringLiteral("apiVersion"), kApiVersion},
                       {QStringLiteral("id"), idOrNull(id)},
                       {QStringLiteral("ok"), false},
                       {QStringLiteral("revision"), static_cast<double>(revision)},
                       {QStringLiteral("error"), QJsonObject{{QStringLiteral("code"), code}}}};
}

QJsonObject busyEnvelope(quint64 revision)
{
    QJsonObject envelope =
        errorEnvelope(QJsonValue::Null, revision, QLatin1String(codes::kServerBusy));
    envelope.insert(QStringLiteral("error"),
                    QJsonObject{{QStringLiteral("code"), QLatin1String(codes::kServerBusy)},
                                {QStringLiteral("retryAfterMs"), kBusyRetryAfterMs}});
    return envelope;
}

int busyRetryAfterMs(const QJsonObject& response)
{
    const QJsonObject error = response.value(QStringLiteral("error")).toObject();
    if (response.value(QStringLiteral("ok")) != false ||
        error.value(QStringLiteral("code")) != QLatin1String(codes::kServerBusy))
        return -1;
    const QJsonValue hint = error.value(QStringLiteral("retryAfterMs"));
    return isWholeNumber(hint) && hint.toDouble() >= 0 && hint.toDouble() <= 60000
               ? static_cast<int>(hint.toDouble())
               : kBusyRetryAfterMs;
}

bool isWholeNumber(const QJsonValue& value)
{
    if (!value.isDouble())
        return false;
    const double number = value.toDouble();
    return std::isfinite(number) && std::abs(number) <= kMaximumExactInteger &&
           std::trunc(number) == number;
}

bool checkExpectedRevision(const QJsonObject& params, quint64 currentRevision, QString* errorCode)
{
    const auto key = QStringLiteral("expectedRevision");
    if (!params.contains(key))
        return failWith(errorCode, QString::fromLatin1(codes::kMissingExpectedRevision));
    const QJsonValue value = params.value(key);
    if (!isWholeNumber(value) || value.toDouble() < 0)
        return failWith(errorCode, QString::fromLatin1(codes::kInvalidExpectedRevision));
    if (static_cast<quint64>(value.toDouble()) != currentRevision)
        return failWith(errorCode, QString::fromLatin1(codes::kStaleRevision));
    return true;
}

} // namespace orvi::diagnostics::protocol
