#pragma once

#include "diagnostics/InstanceDescriptor.h"

#include <QCoreApplication>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <optional>

namespace orvi::mcp {

// Finds the running instance to talk to from the descriptor files in the runtime
// directories: the one named by an identifier, or the only reachable one.
class InstanceLocator
{
    // Its messages are the connection's own.
    Q_DECLARE_TR_FUNCTIONS(ApplicationConnection)

public:
    static constexpr qint64 kMaximumDescriptorBytes = 65536;
    static constexpr int kMaximumDescriptorCount = 64;
    static constexpr int kProbeTimeoutMs = 200;

    explicit InstanceLocator(QStringList searchPaths);

    // requestedId is the trimmed selector; empty means "choose automatically".
    std::optional<diagnostics::InstanceDescriptor> locate(const QString& requestedId,
                                                          QString* message) const;

    // Reads one descriptor file; the message names the path on failure.
    static std::optional<QJsonObject> readDescriptorFile(const QString& path, QString* message);
    static bool isValidSelector(const QString& requestedId);

private:
    std::optional<diagnostics::InstanceDescriptor> locateById(const QString& id,
                                                              QString* message) const;
    std::optional<diagnostics::InstanceDescriptor> locateByScan(QString* message) const;
    static QString notFound();
    static bool isReachable(const diagnostics::InstanceDescriptor& descriptor);

    QStringList searchPaths_;
};

} // namespace orvi::mcp
