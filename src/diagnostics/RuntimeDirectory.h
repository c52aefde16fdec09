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

    // The folder an instance publishes in and clients search, the relative path joined to
    // the first non-empty base. Hosts start the bridge with a reduced environment (no
    // XDG_RUNTIME_DIR, TMPDIR or XDG_DATA_HOME) while the program runs with the user's
    // session environment, so on XDG systems the bases depend on the user alone: the
    // login-session folder, then the data folder under the home directory. Elsewhere the
    // platform's runtime, generic data and temporary locations, which no variable moves.
    static QString path();
    // The same rule over given base locations, in order.
    static QString pathFromBases(const QStringList& bases);

    // Folders a client searches, in order.
    static QStringList searchPaths();
    // "<root>/<uid>" when it is a real directory owned by this user and closed to group
    // and others; otherwise empty. Always empty on platforms without such folders.
    static QString sessionRuntimeBase(const QString& root = QStringLiteral("/run/user"));
    // "<home>/.local/share" for the home directory of HOME, or of the user's account entry
    // when HOME is not set.
    static QString homeDataBase();

    // Creates the folder with its parents and restricts it to the owner. On failure the
    // error code is "descriptor_directory_unavailable" or
    // "descriptor_directory_permissions_failed".
    static bool prepare(const QString& directory, QString* errorCode = nullptr);
};

} // namespace orvi::diagnostics
