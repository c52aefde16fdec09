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

bool TemporaryStore::createEntry(const QString& prefix, Entry* entry)
{
    const QString root = rootPath();
    if (QFileInfo(root).isSymLink() || !QDir().mkpath(root) || !isUsableRoot(root))
        return false;

    auto cleanupLock = makeLock(QDir(root).filePath(kCleanupLockName));
    if (!cleanupLock->tryLock(kCleanupWaitMs))
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
    return removed;
}

} // namespace orvi::project_data
