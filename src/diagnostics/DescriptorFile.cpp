#include "diagnostics/DescriptorFile.h"

#include "records/ErrorMessage.h"

#include <QFile>
#include <QSaveFile>

namespace orvi::diagnostics {

using project_data::failWith;

bool DescriptorFile::write(const InstanceDescriptor& descriptor, const QString& path,
                           QString* errorCode)
{
    const QByteArray bytes = descriptor.toCompactJson();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return failWith(errorCode, QStringLiteral("descriptor_open_failed"));
    // Applies to the temporary file, so the token is never readable by others.
    if (!file.setPermissions(QFile::ReadOwner | QFile::WriteOwner)) {
        file.cancelWriting();
        return failWith(errorCode, QStringLiteral("descriptor_permissions_failed"));
    }
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return failWith(errorCode, QStringLiteral("descriptor_write_failed"));
    }
    if (!file.commit())
        return failWith(errorCode, QStringLiteral("descriptor_commit_failed"));
    return true;
}

bool DescriptorFile::remove(const QString& path)
{
    if (path.isEmpty())
        return true;
    return QFile::remove(path) || !QFile::exists(path);
}

} // namespace orvi::diagnostics
