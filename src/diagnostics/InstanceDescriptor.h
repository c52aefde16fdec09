#pragma once

#include <QJsonObject>
#include <QString>
#include <optional>

namespace orvi::diagnostics {

// The small JSON file through which a running instance tells local clients which socket
// to connect to and which token to send. Qt Core only: the bridge compiles this file too.
class InstanceDescriptor
{
public:
    QString instanceId;
    QString socketName;
    // The listening socket's absolute address. Optional: a plain socketName resolves against
    // each process's own temporary folder, which differs when TMPDIR does.
    QString socketPath;
    QString token;
    qint64 processId = 0;
    bool controlEnabled = false;
    QString createdAtUtc;

    // A descriptor for this process with a fresh identifier and token, stamped now.
    static InstanceDescriptor create(bool controlEnabled);

    // 32 lowercase hexadecimal characters of a version 4 UUID.
    static QString newInstanceId();
    // 64 lowercase hexadecimal characters from the system's secure random source.
    static QString newToken();

    // Keeps ASCII letters, digits, '-' and '_'; an empty result becomes "unknown".
    static QString sanitizeIdentifier(const QString& identifier);
    static QString socketNameFor(const QString& identifier);
    static QString fileNameFor(const QString& identifier);

    // Where a client connects: socketPath when known, else socketName.
    QString serverAddress() const { return socketPath.isEmpty() ? socketName : socketPath; }

    QJsonObject toJson() const;
    QByteArray toCompactJson() const;

    // The readers' acceptance rules; requiredId, when not empty, must equal "instanceId".
    // A "socketPath" that is not an absolute path of at most 512 characters is ignored.
    static std::optional<InstanceDescriptor> fromJson(const QJsonObject& json,
                                                      const QString& requiredId = {});
};

} // namespace orvi::diagnostics
