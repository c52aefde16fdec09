#include "diagnostics/DiagnosticsRequestHandler.h"

#include "diagnostics/DiagnosticsProtocol.h"
#include "diagnostics/IDiagnosticsDispatcher.h"

#include <QJsonDocument>
#include <QJsonParseError>

namespace orvi::diagnostics::service {

namespace codes = protocol::codes;

DiagnosticsRequestHandler::DiagnosticsRequestHandler(IDiagnosticsDispatcher& dispatcher)
    : dispatcher_(dispatcher)
{}

QJsonObject DiagnosticsRequestHandler::framingError(const char* code) const
{
    return protocol::errorEnvelope(QJsonValue::Null, dispatcher_.revision(),
                                   QString::fromLatin1(code));
}

QJsonObject DiagnosticsRequestHandler::busyRefusal() const
{
    return protocol::busyEnvelope(dispatcher_.revision());
}

bool DiagnosticsRequestHandler::isAuthorized(const QJsonValue& token) const
{
    // An instance without a token authorises nobody, not even an empty token.
    if (token_.isEmpty())
        return false;
    const QString given = token.isString() ? token.toString() : QString();
    if (given.size() != token_.size())
        return false;
    // Compare every character so the time taken does not reveal the matching prefix.
    char16_t difference = 0;
    for (qsizetype i = 0; i < given.size(); ++i)
        difference |= given.at(i).unicode() ^ token_.at(i).unicode();
    return difference == 0;
}

DiagnosticsRequestHandler::Outcome DiagnosticsRequestHandler::handle(const QByteArray& line) const
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(line, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject())
        return {framingError(codes::kInvalidJson), false};

    const QJsonObject request = document.object();
    const QJsonValue id = request.value(QStringLiteral("id"));
    const auto fail = [&](const char* code, bool close = false) {
        return Outcome{
            protocol::errorEnvelope(id, dispatcher_.revision(), QString::fromLatin1(code)), close};
    };

    const QJsonValue apiVersion = request.value(QStringLiteral("apiVersion"));
    if (!apiVersion.isDouble() || apiVersion.toDouble() != protocol::kApiVersion)
        return fail(codes::kUnsupportedApiVersion);
    if (!isAuthorized(request.value(QStringLiteral("token"))))
        return fail(codes::kUnauthorized, true);
    const QString method = request.value(QStringLiteral("method")).toString();
    if (method.isEmpty())
        return fail(codes::kInvalidMethod);
    const QJsonValue params = request.value(QStringLiteral("params"));
    if (!params.isUndefined() && !params.isObject())
        return fail(codes::kInvalidParams);

    const DispatchResult answer = dispatcher_.dispatch(method, params.toObject());
    const quint64 revision = dispatcher_.revision();
    if (!answer.ok())
        return {protocol::errorEnvelope(id, revision, answer.errorCode), false};
    return {protocol::successEnvelope(id, revision, answer.result), false};
}

} // namespace orvi::diagnostics::service
