#include "diagnostics/AbandonedInstances.h"

#include "diagnostics/RuntimeDirectory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QLocalSocket>
#include <limits>
#include <optional>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <sys/stat.h>
#endif

namespace orvi::diagnostics {

namespace {

constexpr qint64 kMaximumDescriptorBytes = 65536;
constexpr int kProbeTimeoutMs = 200;

std::optional<InstanceDescriptor> readDescriptor(const QFileInfo& info)
{
    if (info.isSymLink() || !info.isFile() || info.size() > kMaximumDescriptorBytes)
        return std::nullopt;
    QFile file(info.filePath());
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonDocument document = QJsonDocument::fromJson(file.read(kMaximumDescriptorBytes));
    std::optional<InstanceDescriptor> descriptor = InstanceDescriptor::fromJson(document.object());
    // A file under another instance's name is not this sweep's to judge.
    if (!descriptor || info.fileName() != InstanceDescriptor::fileNameFor(descriptor->instanceId))
        return std::nullopt;
    return descriptor;
}

// Nothing listens at the address: the socket file is gone, or nobody accepts on it. A
// timeout (a listener with a full backlog) does not count.
bool socketRefuses(const InstanceDescriptor& descriptor)
{
    QLocalSocket socket;
    socket.connectToServer(descriptor.serverAddress());
    if (socket.waitForConnected(kProbeTimeoutMs)) {
        socket.abort();
        return false;
    }
    const QLocalSocket::LocalSocketError error = socket.error();
    socket.abort();
    return error == QLocalSocket::ServerNotFoundError ||
           error == QLocalSocket::ConnectionRefusedError;
}

bool processGone(qint64 processId)
{
#ifdef Q_OS_UNIX
    if (processId <= 0 || processId > std::numeric_limits<pid_t>::max())
        return true;
    return ::kill(static_cast<pid_t>(processId), 0) != 0 && errno == ESRCH;
#else
    Q_UNUSED(processId);
    return true; // the socket's refusal decides
#endif
}

// Only a socket under the instance's own name is removed, never a file the descriptor names.
void removeSocketFile(const InstanceDescriptor& descriptor)
{
    const QString path = descriptor.socketPath.isEmpty()
                             ? QDir(QDir::tempPath()).filePath(descriptor.socketName)
                             : descriptor.socketPath;
    if (QFileInfo(path).fileName() != InstanceDescriptor::socketNameFor(descriptor.instanceId))
        return;
#ifdef Q_OS_UNIX
    struct stat status;
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISSOCK(status.st_mode))
        return;
#endif
    QFile::remove(path);
}

} // namespace

bool AbandonedInstances::hasEnded(const InstanceDescriptor& descriptor)
{
    return processGone(descriptor.processId) && socketRefuses(descriptor);
}

int AbandonedInstances::remove(const QString& directory)
{
    const QDir folder(directory.isEmpty() ? RuntimeDirectory::path() : directory);
    int removed = 0;
    const QFileInfoList entries =
        folder.entryInfoList({QStringLiteral("instance-*.json")}, QDir::Files | QDir::NoSymLinks);
    for (const QFileInfo& entry : entries) {
        const std::optional<InstanceDescriptor> descriptor = readDescriptor(entry);
        if (!descriptor || !hasEnded(*descriptor))
            continue;
        removeSocketFile(*descriptor);
        if (QFile::remove(entry.filePath()))
            ++removed;
    }
    return removed;
}

} // namespace orvi::diagnostics
