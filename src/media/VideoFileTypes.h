#pragma once

#include <QString>
#include <QStringList>

namespace orvi::media {

// The video files users open and how their containers are called: FFmpeg names a container
// family ("mov,mp4,m4a,3gp,3g2,mj2"), users know the member they recorded ("MP4").
class VideoFileTypes
{
public:
    // File name extensions of the video containers the program reads, lower case.
    static QStringList extensions();
    // Wildcard patterns of those files in both cases, for file dialogs on case-sensitive file
    // systems (cameras write "GX010042.MP4").
    static QStringList patterns();
    // The container as users name it, from FFmpeg's demuxer name and the file's extension.
    static QString containerDisplayName(const QString& demuxerName, const QString& filePath);
};

} // namespace orvi::media
