#include "diagnostics/DescriptorFile.h"

#include <QFile>
#include <QSaveFile>

namespace orvi::diagnostics {

namespace {

bool fail(QString* target, const char* code)
{
    if (target)
        *target = QString::fromLatin1(code);
    return false;
}

} // namespace

bool DescriptorFile::write(const InstanceDescriptor& descriptor, const QString& path,
                           QString* errorCode)
{
    const QByteArray bytes = descriptor.toCompactJson();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(errorCode, "descriptor_open_failed");
    // Applies to the temporary file, so the token is never readable by others.
    if (!file.setPermissions(QFile::ReadOwner | QFile::WriteOwner)) {
        file.cancelWriting();
        return fail(errorCode, "descriptor_permissions_failed");
    }
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return fail(errorCode, "descriptor_write_failed");
    }
    if (!file.commit())
        return fail(errorCode, "descriptor_commit_failed");
    return true;
}

bool DescriptorFile::remove(const QString& path)
{
    if (path.isEmpty())
        return true;
    return QFile::remove(path) || !QFile::exists(path);
}

} // namespace orvi::diagnostics
