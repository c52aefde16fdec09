#include "diagnostics/InstanceDescriptor.h"

#include "diagnostics/DiagnosticsProtocol.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QUuid>

namespace orvi::diagnostics {

namespace {

constexpr int kTokenWords = 8;
constexpr qsizetype kMaximumSocketNameLength = 512;

bool isAsciiIdentifierChar(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '-' ||
           u == '_';
}

QString acceptableSocketPath(const QJsonValue& value)
{
    const QString path = value.toString();
    if (path.isEmpty() || path.size() > kMaximumSocketNameLength || !QDir::isAbsolutePath(path))
        return {};
    return path;
}

bool isAcceptableToken(const QString& token)
{
    static const QRegularExpression pattern(QStringLiteral("^[0-9A-Fa-f]{32,512}$"));
    return token.size() % 2 == 0 && pattern.match(token).hasMatch();
}

} // namespace

InstanceDescriptor InstanceDescriptor::create(bool controlEnabled)
{
    InstanceDescriptor descriptor;
    descriptor.instanceId = newInstanceId();
    descriptor.socketName = socketNameFor(descriptor.instanceId);
    descriptor.token = newToken();
    descriptor.processId = QCoreApplication::applicationPid();
    descriptor.controlEnabled = controlEnabled;
    descriptor.createdAtUtc = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
    return descriptor;
}

QString InstanceDescriptor::newInstanceId()
{
    return QString::fromLatin1(QUuid::createUuid().toByteArray(QUuid::Id128)).toLower();
}

QString InstanceDescriptor::newToken()
{
    QString token;
    token.reserve(kTokenWords * 8);
    QRandomGenerator* secure = QRandomGenerator::system();
    for (int i = 0; i < kTokenWords; ++i)
        token += QStringLiteral("%1").arg(secure->generate(), 8, 16, QLatin1Char('0'));
    return token;
}

QString InstanceDescriptor::sanitizeIdentifier(const QString& identifier)
{
    QString sanitized;
    sanitized.reserve(identifier.size());
    for (const QChar c : identifier) {
        if (isAsciiIdentifierChar(c))
            sanitized += c;
    }
    return sanitized.isEmpty() ? QStringLiteral("unknown") : sanitized;
}

QString InstanceDescriptor::socketNameFor(const QString& identifier)
{
    return QLatin1String(protocol::kSocketNamePrefix) + sanitizeIdentifier(identifier);
}

QString InstanceDescriptor::fileNameFor(const QString& identifier)
{
    return QStringLiteral("instance-%1.json").arg(sanitizeIdentifier(identifier));
}

QJsonObject InstanceDescriptor::toJson() const
{
    QJsonObject json{{QStringLiteral("apiVersion"), protocol::kApiVersion},
                     {QStringLiteral("instanceId"), instanceId},
                     {QStringLiteral("socketName"), socketName},
                     {QStringLiteral("token"), token},
                     {QStringLiteral("processId"), static_cast<double>(processId)},
                     {QStringLiteral("controlEnabled"), controlEnabled},
                     {QStringLiteral("createdAtUtc"), createdAtUtc}};
    if (!socketPath.isEmpty())
        json.insert(QStringLiteral("socketPath"), socketPath);
    return json;
}

QByteArray InstanceDescriptor::toCompactJson() const
{
    return QJsonDocument(toJson()).toJson(QJsonDocument::Compact);
}

std::optional<InstanceDescriptor> InstanceDescriptor::fromJson(const QJsonObject& json,
                                                               const QString& requiredId)
{
    const QJsonValue apiVersion = json.value(QStringLiteral("apiVersion"));
    const QJsonValue instanceId = json.value(QStringLiteral("instanceId"));
    const QJsonValue socketName = json.value(QStringLiteral("socketName"));
    const QJsonValue token = json.value(QStringLiteral("token"));
    const QJsonValue processId = json.value(QStringLiteral("processId"));
    const QJsonValue controlEnabled = json.value(QStringLiteral("controlEnabled"));
    const QJsonValue createdAtUtc = json.value(QStringLiteral("createdAtUtc"));

    if (apiVersion.toInteger() != protocol::kApiVersion)
        return std::nullopt;
    if (!instanceId.isString() || instanceId.toString().isEmpty())
        return std::nullopt;
    if (!requiredId.isEmpty() && instanceId.toString() != requiredId)
        return std::nullopt;
    if (!socketName.isString() || socketName.toString().isEmpty() ||
        socketName.toString().size() > kMaximumSocketNameLength)
        return std::nullopt;
    if (!token.isString() || !isAcceptableToken(token.toString()))
        return std::nullopt;
    if (!protocol::isWholeNumber(processId) || !controlEnabled.isBool() || !createdAtUtc.isString())
        return std::nullopt;

    InstanceDescriptor descriptor;
    descriptor.instanceId = instanceId.toString();
    descriptor.socketName = socketName.toString();
    descriptor.socketPath = acceptableSocketPath(json.value(QStringLiteral("socketPath")));
    descriptor.token = token.toString();
    descriptor.processId = static_cast<qint64>(processId.toDouble());
    descriptor.controlEnabled = controlEnabled.toBool();
    descriptor.createdAtUtc = createdAtUtc.toString();
    return descriptor;
}

} // namespace orvi::diagnostics
