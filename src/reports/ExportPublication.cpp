#include "reports/ExportPublication.h"

#include <QFile>
#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace orvi::reports {

#ifdef Q_OS_UNIX

bool publishWithoutReplacing(const QString& stagingPath, const QString& finalPath, QString* error)
{
    const QByteArray from = QFile::encodeName(stagingPath);
    const QByteArray to = QFile::encodeName(finalPath);
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return true;
    // Only a file system without the flag falls through to the link below.
    if (errno != EINVAL && errno != ENOSYS) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
#endif
    // A hard link never replaces an existing entry either; the staging name then goes.
    if (::link(from.constData(), to.constData()) != 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    ::unlink(from.constData());
    return true;
}

#else

bool publishWithoutReplacing(const QString& stagingPath, const QString& finalPath, QString* error)
{
    // Elsewhere a plain rename refuses an existing destination.
    QFile staging(stagingPath);
    if (QFile::exists(finalPath) || !staging.rename(finalPath)) {
        *error = staging.errorString();
        return false;
    }
    return true;
}

#endif

} // namespace orvi::reports
