#include "diagnostics/DiagnosticsProtocol.h"

#include <cmath>

namespace orvi::diagnostics::protocol {

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

bool isWholeNumber(const QJsonValue& value)
{
    if (!value.isDouble())
        return false;
    const double number = value.toDouble();
    return std::isfinite(number) && std::abs(number) <= kMaximumExactInteger &&
           std::trunc(number) == number;
}

QString checkExpectedRevision(const QJsonObject& params, quint64 currentRevision)
{
    const auto key = QStringLiteral("expectedRevision");
    if (!params.contains(key))
        return QString::fromLatin1(codes::kMissingExpectedRevision);
    const QJsonValue value = params.value(key);
    if (!isWholeNumber(value) || value.toDouble() < 0)
        return QString::fromLatin1(codes::kInvalidExpectedRevision);
    if (static_cast<quint64>(value.toDouble()) != currentRevision)
        return QString::fromLatin1(codes::kStaleRevision);
    return {};
}

} // namespace orvi::diagnostics::protocol
