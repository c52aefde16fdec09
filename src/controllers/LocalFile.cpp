#include "controllers/LocalFile.h"

#include <QDir>
#include <QFileInfo>

namespace orvi::ui::controllers {

bool LocalFile::isLocal(const QUrl& url)
{
    if (url.isLocalFile())
        return true;
    // A path typed or pasted where a URL is expected arrives without a scheme.
    return url.scheme().isEmpty() && QDir::isAbsolutePath(url.path());
}

QString LocalFile::pathOf(const QUrl& url)
{
    if (!url.isValid() || !isLocal(url))
        return {};
    const QString local = url.isLocalFile() ? url.toLocalFile() : url.path();
    if (local.isEmpty())
        return {};
    // Not cleaned as text: "missing/.." must reach the file system's own checks unresolved.
    return QDir::isAbsolutePath(local) ? local : QDir::current().absoluteFilePath(local);
}

QUrl LocalFile::folderUrl() const
{
    const QString local = path();
    return local.isEmpty() ? QUrl() : QUrl::fromLocalFile(QFileInfo(local).absolutePath());
}

void LocalFile::setUrl(const QUrl& url)
{
    if (url == m_url)
        return;
    m_url = url;
    emit urlChanged();
}

} // namespace orvi::ui::controllers
