#pragma once

#include <QString>

namespace orvi::processing {

// Where an output file would really go. A path is resolved by the file system, not as text:
// "missing/../clip.mp4" names no folder when "missing" does not exist, and a link to a folder
// leads to that folder.
class OutputDestination
{
public:
    // The canonical folder that would hold `path`'s file (relative paths start at the current
    // folder); empty when that folder does not exist.
    static QString resolvedFolder(const QString& path);
    // `path` with its folder resolved; empty when the folder does not exist or the path names
    // no file.
    static QString resolvedPath(const QString& path);
    // Device, kernel and system folders, and the root folder itself: no place for a user's
    // outputs, although a privileged user may write there.
    static bool isSystemFolder(const QString& canonicalFolder);
};

} // namespace orvi::processing
