#include "InstanceLocator.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QLocalSocket>
#include <QRegularExpression>
#include <algorithm>

namespace orvi::mcp {

using diagnostics::InstanceDescriptor;

namespace {

void setMessage(QString* target, const QString& text)
{
    if (target)
        *target = text;
}

} // namespace

QString InstanceLocator::notFound()
{
    return tr("No running ORVI Zazira diagnostic instance was found.");
}

InstanceLocator::InstanceLocator(QStringList searchPaths) : searchPaths_(std::move(searchPaths)) {}

bool InstanceLocator::isValidSelector(const QString& requestedId)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9][A-Za-z0-9._-]{0,127}$"));
    return pattern.match(requestedId).hasMatch();
}

std::optional<QJsonObject> InstanceLocator::readDescriptorFile(const QString& path,
                                                               QString* message)
{
    const QFileInfo info(path);
    if (!info.exists() || info.isSymLink() || !info.isFile() || info.size() <= 0) {
        setMessage(message,
                   tr("The ORVI Zazira diagnostic descriptor is missing or invalid: %1").arg(path));
        return std::nullopt;
    }
    const QString tooLarge = tr("The ORVI Zazira diagnostic descriptor is too large: %1").arg(path);
    if (info.size() > kMaximumDescriptorBytes) {
        setMessage(message, tooLarge);
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setMessage(message, tr("Could not read the ORVI Zazira diagnostic descriptor %1: %2")
                                .arg(path, file.errorString()));
        return std::nullopt;
    }
    // The file may have grown since it was measured.
    const QByteArray bytes = file.read(kMaximumDescriptorBytes + 1);
    if (bytes.size() > kMaximumDescriptorBytes) {
        setMessage(message, tooLarge);
        return std::nullopt;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject()) {
        setMessage(message,
                   tr("The ORVI Zazira diagnostic descriptor contains invalid JSON: %1").arg(path));
        return std::nullopt;
    }
    return document.object();
}

std::optional<InstanceDescriptor> InstanceLocator::locate(const QString& requestedId,
                                                          QString* message) const
{
    if (!requestedId.isEmpty()) {
        if (!isValidSelector(requestedId)) {
            setMessage(message, tr("ORVI_MOTION_INSTANCE_ID contains unsupported characters."));
            return std::nullopt;
        }
        return locateById(requestedId, message);
    }
    return locateByScan(message);
}

std::optional<InstanceDescriptor> InstanceLocator::locateById(const QString& id,
                                                              QString* message) const
{
    const QString fileName = InstanceDescriptor::fileNameFor(id);
    // The first folder that holds the file decides; a missing file is reported for the
    // folder an instance would normally publish in.
    QString path = QDir(searchPaths_.value(0)).filePath(fileName);
    for (const QString& directory : searchPaths_) {
        const QString candidate = QDir(directory).filePath(fileName);
        if (QFileInfo::exists(candidate)) {
            path = candidate;
            break;
        }
    }
    const std::optional<QJsonObject> json = readDescriptorFile(path, message);
    if (!json)
        return std::nullopt;
    std::optional<InstanceDescriptor> descriptor = InstanceDescriptor::fromJson(*json, id);
    if (!descriptor)
        setMessage(
            message,
            tr("No usable ORVI Zazira diagnostic instance with identifier %1 was found.").arg(id));
    return descriptor;
}

std::optional<InstanceDescriptor> InstanceLocator::locateByScan(QString* message) const
{
    QFileInfoList entries;
    bool anyDirectory = false;
    for (const QString& directory : searchPaths_) {
        const QDir dir(directory);
        if (directory.isEmpty() || !dir.exists())
            continue;
        anyDirectory = true;
        entries += dir.entryInfoList({QStringLiteral("*.json")},
                                     QDir::Files | QDir::Readable | QDir::NoSymLinks);
    }
    if (!anyDirectory) {
        setMessage(message, notFound());
        return std::nullopt;
    }
    std::stable_sort(entries.begin(), entries.end(), [](const QFileInfo& a, const QFileInfo& b) {
        return a.fileName() < b.fileName();
    });
    if (entries.size() > kMaximumDescriptorCount) {
        setMessage(message, tr("Too many ORVI Zazira diagnostic descriptors were found."));
        return std::nullopt;
    }

    QList<InstanceDescriptor> candidates;
    for (const QFileInfo& entry : entries) {
        const std::optional<QJsonObject> json = readDescriptorFile(entry.filePath(), nullptr);
        if (!json)
            continue;
        if (std::optional<InstanceDescriptor> descriptor = InstanceDescriptor::fromJson(*json))
            candidates.append(*descriptor);
    }
    if (candidates.isEmpty()) {
        setMessage(message, notFound());
        return std::nullopt;
    }
    if (candidates.size() == 1)
        return candidates.first();

    QList<InstanceDescriptor> reachable;
    for (const InstanceDescriptor& candidate : std::as_const(candidates)) {
        if (isReachable(candidate))
            reachable.append(candidate);
    }
    if (reachable.isEmpty()) {
        setMessage(message, notFound());
        return std::nullopt;
    }
    if (reachable.size() == 1)
        return reachable.first();
    QStringList identifiers;
    for (const InstanceDescriptor& descriptor : std::as_const(reachable))
        identifiers.append(descriptor.instanceId);
    setMessage(message, tr("Multiple ORVI Zazira instances were found (%1). Set "
                           "ORVI_MOTION_INSTANCE_ID to select one.")
                            .arg(identifiers.join(QStringLiteral(", "))));
    return std::nullopt;
}

bool InstanceLocator::isReachable(const InstanceDescriptor& descriptor)
{
    QLocalSocket socket;
    socket.connectToServer(descriptor.serverAddress(), QIODevice::ReadWrite);
    const bool connected = socket.waitForConnected(kProbeTimeoutMs);
    socket.abort();
    return connected;
}

} // namespace orvi::mcp
