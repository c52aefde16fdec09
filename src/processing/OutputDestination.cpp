#include "processing/OutputDestination.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace orvi::processing {

namespace {

QString absoluteWithoutCleaning(const QString& path)
{
    return QDir::isAbsolutePath(path) ? path : QDir::currentPath() + QLatin1Char('/') + path;
}

} // namespace

QString OutputDestination::resolvedFolder(const QString& path)
{
    const QString absolute = absoluteWithoutCleaning(path);
    const qsizetype slash = absolute.lastIndexOf(QLatin1Char('/'));
    const QString folder = slash <= 0 ? QStringLiteral("/") : absolute.left(slash);
    // Resolved by the system, which walks every component, links and ".." included.
    const QFileInfo info(folder + QStringLiteral("/."));
    const QString canonical = info.canonicalFilePath();
    return !canonical.isEmpty() && QFileInfo(canonical).isDir() ? canonical : QString();
}

QString OutputDestination::resolvedPath(const QString& path)
{
    const QString name = absoluteWithoutCleaning(path).section(QLatin1Char('/'), -1);
    const QString folder = resolvedFolder(path);
    if (folder.isEmpty() || name.isEmpty() || name == QLatin1String(".") ||
        name == QLatin1String(".."))
        return {};
    return QDir(folder).filePath(name);
}

bool OutputDestination::isSystemFolder(const QString& canonicalFolder)
{
#ifdef Q_OS_UNIX
    static const QStringList systemRoots{
        QStringLiteral("/dev"),   QStringLiteral("/proc"),   QStringLiteral("/sys"),
        QStringLiteral("/boot"),  QStringLiteral("/etc"),    QStringLiteral("/bin"),
        QStringLiteral("/sbin"),  QStringLiteral("/lib"),    QStringLiteral("/lib32"),
        QStringLiteral("/lib64"), QStringLiteral("/libx32"), QStringLiteral("/usr")};
    if (canonicalFolder == QLatin1String("/"))
        return true;
    for (const QString& root : systemRoots) {
        if (canonicalFolder == root || canonicalFolder.startsWith(root + QLatin1Char('/')))
            return true;
    }
    return false;
#else
    const QString windows = QDir::fromNativeSeparators(qEnvironmentVariable("SystemRoot"));
    return !windows.isEmpty() &&
           (canonicalFolder.compare(windows, Qt::CaseInsensitive) == 0 ||
            canonicalFolder.startsWith(windows + QLatin1Char('/'), Qt::CaseInsensitive));
#endif
}

} // namespace orvi::processing
