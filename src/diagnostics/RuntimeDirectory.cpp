#include "diagnostics/RuntimeDirectory.h"

#include "records/ErrorMessage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

namespace orvi::diagnostics {

using project_data::failWith;

namespace {

QString join(const QString& base)
{
    return QDir::cleanPath(base + QLatin1Char('/') + RuntimeDirectory::relativePath());
}

} // namespace

QString RuntimeDirectory::relativePath()
{
    return QStringLiteral("ORVI/ORVI Zazira/runtime/diagnostics");
}

QString RuntimeDirectory::pathFromBases(const QStringList& bases)
{
    for (const QString& base : bases) {
        if (!base.isEmpty())
            return join(base);
    }
    return {};
}

QString RuntimeDirectory::path()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    return pathFromBases({sessionRuntimeBase(), homeDataBase()});
#else
    return pathFromBases({QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation),
                          QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation),
                          QStandardPaths::writableLocation(QStandardPaths::TempLocation),
                          QDir::tempPath()});
#endif
}

QStringList RuntimeDirectory::searchPaths()
{
    return {path()};
}

QString RuntimeDirectory::homeDataBase()
{
    QString home = qEnvironmentVariable("HOME");
#ifdef Q_OS_UNIX
    if (home.isEmpty()) {
        // getpwuid_r with a buffer of the size the system recommends.
        long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
        QByteArray buffer(size > 0 ? size : 16384, Qt::Uninitialized);
        passwd entry{};
        passwd* found = nullptr;
        if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found)
            home = QFile::decodeName(found->pw_dir);
    }
#endif
    if (home.isEmpty())
        return {};
    return QDir::cleanPath(home + QStringLiteral("/.local/share"));
}

QString RuntimeDirectory::sessionRuntimeBase(const QString& root)
{
#ifdef Q_OS_UNIX
    const uint uid = ::getuid();
    const QFileInfo info(root + QLatin1Char('/') + QString::number(uid));
    constexpr QFile::Permissions groupOrOther = QFile::ReadGroup | QFile::WriteGroup |
                                                QFile::ExeGroup | QFile::ReadOther |
                                                QFile::WriteOther | QFile::ExeOther;
    if (!info.exists() || info.isSymLink() || !info.isDir() || info.ownerId() != uid ||
        (info.permissions() & groupOrOther))
        return {};
    return info.absoluteFilePath();
#else
    Q_UNUSED(root);
    return {};
#endif
}

bool RuntimeDirectory::prepare(const QString& directory, QString* errorCode)
{
    if (directory.isEmpty() || !QDir().mkpath(directory))
        return failWith(errorCode, QStringLiteral("descriptor_directory_unavailable"));
    if (!QFile::setPermissions(directory, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        return failWith(errorCode, QStringLiteral("descriptor_directory_permissions_failed"));
    return true;
}

} // namespace orvi::diagnostics
