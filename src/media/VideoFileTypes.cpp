#include "media/VideoFileTypes.h"

#include <QFileInfo>
#include <array>

namespace orvi::media {

namespace {

struct ContainerName
{
    const char* demuxer;   // the first name of FFmpeg's comma-separated list
    const char* extension; // nullptr: any file the demuxer reads
    const char* name;
};

// Members of a demuxer family first, told apart by the file's extension; then the families.
constexpr std::array kContainerNames{
    ContainerName{"mov", "mov", "QuickTime"},
    ContainerName{"mov", "qt", "QuickTime"},
    ContainerName{"mov", "3gp", "3GP"},
    ContainerName{"mov", "3g2", "3GP2"},
    ContainerName{"mov", "mj2", "Motion JPEG 2000"},
    ContainerName{"matroska", "webm", "WebM"},
    ContainerName{"mov", nullptr, "MP4"},
    ContainerName{"matroska", nullptr, "Matroska"},
    ContainerName{"mpegts", nullptr, "MPEG-TS"},
    ContainerName{"mpeg", nullptr, "MPEG-PS"},
    ContainerName{"avi", nullptr, "AVI"},
    ContainerName{"h264", nullptr, "H.264 stream"},
    ContainerName{"hevc", nullptr, "H.265 stream"},
    ContainerName{"mxf", nullptr, "MXF"},
    ContainerName{"flv", nullptr, "FLV"},
    ContainerName{"asf", nullptr, "WMV"},
    ContainerName{"mjpeg", nullptr, "Motion JPEG"},
    ContainerName{"ivf", nullptr, "IVF"},
    ContainerName{"nut", nullptr, "NUT"},
    ContainerName{"yuv4mpegpipe", nullptr, "YUV4MPEG"},
};

constexpr std::array kExtensions{"mp4", "m4v", "mov",  "mkv",  "webm",  "avi",  "mts", "m2ts",
                                 "ts",  "mpg", "mpeg", "h264", "264",   "h265", "265", "hevc",
                                 "mxf", "wmv", "flv",  "3gp",  "mjpeg", "ivf",  "nut", "y4m"};

} // namespace

QStringList VideoFileTypes::extensions()
{
    QStringList list;
    for (const char* extension : kExtensions)
        list << QString::fromLatin1(extension);
    return list;
}

QStringList VideoFileTypes::patterns()
{
    QStringList list;
    for (const QString& extension : extensions())
        list << QStringLiteral("*.") + extension << QStringLiteral("*.") + extension.toUpper();
    return list;
}

QString VideoFileTypes::containerDisplayName(const QString& demuxerName, const QString& filePath)
{
    const QString demuxer = demuxerName.section(QLatin1Char(','), 0, 0).trimmed();
    const QString extension = QFileInfo(filePath).suffix().toLower();
    for (const auto& entry : kContainerNames) {
        if (demuxer == QLatin1String(entry.demuxer) &&
            (!entry.extension || extension == QLatin1String(entry.extension)))
            return QString::fromLatin1(entry.name);
    }
    return demuxer.toUpper();
}

} // namespace orvi::media
