#pragma once

#include <QString>
#include <QStringList>

namespace orvi::diagnostics {

// The per-user folder that holds the instance descriptors. Both programs compute it with
// the same rule; Qt Core only, so the bridge compiles this file too.
class RuntimeDirectory
{
public:
    static QString relativePath();

    // The folder an instance publishes in: the first non-empty of the runtime, generic
    // data and temporary locations, joined with the relative path.
    static QString path();
    // The same rule over given base locations, in order.
    static QString pathFromBases(const QStringList& bases);

    // Folders a client searches, in order: path(), then, when XDG_RUNTIME_DIR is not
    // set (hosts often start the bridge with a reduced environment), the same relative
    // path under the user's private login-session folder if there is one.
    static QStringList searchPaths();
    // "<root>/<uid>" when it is a real directory owned by this user and closed to group
    // and others; otherwise empty. Always empty on platforms without such folders.
    static QString sessionRuntimeBase(const QString& root = QStringLiteral("/run/user"));

    // Creates the folder with its parents and restricts it to the owner. On failure the
    // error code is "descriptor_directory_unavailable" or
    // "descriptor_directory_permissions_failed".
    static bool prepare(const QString& directory, QString* errorCode = nullptr);
};

} // namespace orvi::diagnostics
