#include "results/StagingRecord.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QRegularExpression>
#include <QUrl>
#include <algorithm>

namespace orvi::project_data {

namespace {

// ".<final name>.<UUID>.<tag>": how the pipeline and the sink name their staging files.
bool isStagingName(const QString& path)
{
    static const QRegularExpression pattern(QStringLiteral(
        "^\\..+\\.[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}\\.[^/]+$"));
    const QFileInfo info(path);
    return info.isAbsolute() && pattern.match(info.fileName()).hasMatch();
}

bool entryExists(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

} // namespace

StagingRecord::~StagingRecord()
{
    if (m_entry.path.isEmpty())
        return;
    m_list.close();
    const bool leftover = std::any_of(m_paths.begin(), m_paths.end(), entryExists);
    if (leftover)
        return; // the owner lock goes with this object; the next cleanup retries
    QFile::remove(m_list.fileName());
    m_entry.ownerLock->unlock();
    if (QDir().rmdir(m_entry.path))
        TemporaryStore::removeRootIfEmpty();
}

bool StagingRecord::begin()
{
    if (!m_entry.path.isEmpty())
        return true;
    if (!TemporaryStore::createEntry(QStringLiteral("export-"), &m_entry))
        return false;
    m_list.setFileName(
        QDir(m_entry.path).filePath(QLatin1String(TemporaryStore::kStagingListName)));
    return m_list.open(QIODevice::WriteOnly | QIODevice::Append);
}

bool StagingRecord::add(const QString& path)
{
    if (!begin())
        return false;
    // Percent-encoded, so that no file name can break the one-path-per-line list.
    const QByteArray line = QUrl::toPercentEncoding(path) + '\n';
    // Written through to the system at once: the process may be killed right after.
    if (m_list.write(line) != line.size() || !m_list.flush())
        return false;
    m_paths.append(path);
    return true;
}

void StagingRecord::removeRecordedFiles(const QString& entryPath)
{
    QFile list(QDir(entryPath).filePath(QLatin1String(TemporaryStore::kStagingListName)));
    if (!list.open(QIODevice::ReadOnly))
        return;
    const QList<QByteArray> lines = list.readAll().split('\n');
    for (const QByteArray& line : lines) {
        const QString path = QUrl::fromPercentEncoding(line);
        const QFileInfo info(path);
        if (!path.isEmpty() && isStagingName(path) && !info.isDir())
            QFile::remove(path);
    }
}

} // namespace orvi::project_data
