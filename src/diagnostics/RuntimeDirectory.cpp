#include "diagnostics/RuntimeDirectory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace orvi::diagnostics {

namespace {

void setError(QString* target, const char* code)
{
    if (target)
        *target = QString::fromLatin1(code);
}

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
    return pathFromBases({QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation),
                          QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation),
                          QStandardPaths::writableLocation(QStandardPaths::TempLocation),
                          QDir::tempPath()});
}

QStringList RuntimeDirectory::searchPaths()
{
    QStringList paths{path()};
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QString base = sessionRuntimeBase();
        if (!base.isEmpty() && !paths.contains(join(base)))
            paths.append(join(base));
    }
    return paths;
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
    if (directory.isEmpty() || !QDir().mkpath(directory)) {
        setError(errorCode, "descriptor_directory_unavailable");
        return false;
    }
    if (!QFile::setPermissions(directory, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)) {
        setError(errorCode, "descriptor_directory_permissions_failed");
        return false;
    }
    return true;
}

} // namespace orvi::diagnostics
