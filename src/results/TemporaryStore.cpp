#include "results/TemporaryStore.h"

#include "results/StagingRecord.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QTemporaryDir>

namespace orvi::project_data {

namespace {

const QString kRootName = QStringLiteral("orvi-motion-results-v1");
const QString kCleanupLockName = QStringLiteral("cleanup.lock");
const QString kOwnerLockName = QStringLiteral("owner.lock");
const QStringList kEntryPatterns{QStringLiteral("result-*"), QStringLiteral("export-*")};
constexpr int kCleanupWaitMs = 5000;

bool isUsableRoot(const QString& root)
{
    const QFileInfo info(root);
    return info.exists() && !info.isSymLink() && info.isDir();
}

// Takes the entry's owner lock; when that succeeds its owner has ended.
bool removeIfAbandoned(const QString& directory)
{
    const QDir entry(directory);
    auto ownerLock = TemporaryStore::makeLock(entry.filePath(kOwnerLockName));
    if (!ownerLock->tryLock(0))
        return false;
    StagingRecord::removeRecordedFiles(directory);
    QFile::remove(entry.filePath(QLatin1String(TemporaryStore::kFramesName)));
    QFile::remove(entry.filePath(QLatin1String(TemporaryStore::kStagingListName)));
    ownerLock->unlock();
    return QDir().rmdir(directory);
}

} // namespace

QString TemporaryStore::rootPath()
{
    return QDir(QDir::tempPath()).filePath(kRootName);
}

std::unique_ptr<QLockFile> TemporaryStore::makeLock(const QString& path)
{
    auto lock = std::make_unique<QLockFile>(path);
    lock->setStaleLockTime(0);
    return lock;
}

namespace {

// Takes "cleanup.lock" in a root made if missing. Another instance removes the root when it
// finds it empty, possibly between making it and locking; then it is made once more.
std::unique_ptr<QLockFile> lockRoot(const QString& root)
{
    constexpr int kAttempts = 3;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (QFileInfo(root).isSymLink() || !QDir().mkpath(root) || !isUsableRoot(root))
            return nullptr;
        auto cleanupLock = TemporaryStore::makeLock(QDir(root).filePath(kCleanupLockName));
        if (cleanupLock->tryLock(kCleanupWaitMs))
            return cleanupLock;
        if (QFileInfo::exists(root))
            return nullptr;
    }
    return nullptr;
}

} // namespace

bool TemporaryStore::createEntry(const QString& prefix, Entry* entry)
{
    const QString root = rootPath();
    const std::unique_ptr<QLockFile> cleanupLock = lockRoot(root);
    if (!cleanupLock)
        return false;

    QTemporaryDir directory(QDir(root).filePath(prefix + QStringLiteral("XXXXXX")));
    if (!directory.isValid())
        return false;
    directory.setAutoRemove(false);
    const QString path = directory.path();

    auto ownerLock = makeLock(QDir(path).filePath(kOwnerLockName));
    if (!ownerLock->tryLock(0)) {
        QDir(path).removeRecursively();
        return false;
    }
    entry->path = path;
    entry->ownerLock = std::move(ownerLock);
    return true;
}

int TemporaryStore::removeAbandonedEntries()
{
    const QString root = rootPath();
    if (!isUsableRoot(root))
        return 0;
    auto cleanupLock = makeLock(QDir(root).filePath(kCleanupLockName));
    if (!cleanupLock->tryLock(0))
        return 0; // another instance is cleaning up or creating an entry

    int removed = 0;
    const QFileInfoList entries = QDir(root).entryInfoList(
        kEntryPatterns, QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks);
    for (const QFileInfo& entry : entries) {
        if (!entry.isSymLink() && removeIfAbandoned(entry.absoluteFilePath()))
            ++removed;
    }
    cleanupLock->unlock();
    removeRootIfEmpty();
    return removed;
}

void TemporaryStore::removeRootIfEmpty()
{
    // Only an empty folder goes; an instance that is about to add an entry makes it again.
    QDir().rmdir(rootPath());
}

} // namespace orvi::project_data
