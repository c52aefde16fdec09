#include "media/libav/LibavRuntime.h"

#include "media/libav/LibavPointers.h"
#include "orvi/Version.h"

extern "C" {
#include <libavutil/log.h>
}

#include <QLoggingCategory>
#include <QStringList>
#include <cstdarg>

namespace orvi::media::libav {

namespace {

Q_LOGGING_CATEGORY(libavLog, "orvi.media.libav")

// FFmpeg calls this from any of its threads; Qt's message output is thread-safe.
void forwardLogLine(void* context, int level, const char* format, va_list arguments)
{
    if (level > AV_LOG_WARNING) {
        return;
    }
    char line[1024];
    int printPrefix = 1;
    va_list copy;
    va_copy(copy, arguments);
    const int length =
        av_log_format_line2(context, level, format, copy, line, int(sizeof line), &printPrefix);
    va_end(copy);
    if (length <= 0) {
        return;
    }
    const QString text = QString::fromUtf8(line).trimmed();
    if (text.isEmpty()) {
        return;
    }
    if (level <= AV_LOG_ERROR) {
        qCCritical(libavLog).noquote() << text;
    } else {
        qCWarning(libavLog).noquote() << text;
    }
}

} // namespace

std::vector<LibavRuntime::LibraryVersion> LibavRuntime::loadedLibraries()
{
    return {
        {QStringLiteral("libavformat"), avformat_version(), LIBAVFORMAT_VERSION_MAJOR},
        {QStringLiteral("libavcodec"), avcodec_version(), LIBAVCODEC_VERSION_MAJOR},
        {QStringLiteral("libavutil"), avutil_version(), LIBAVUTIL_VERSION_MAJOR},
        {QStringLiteral("libswscale"), swscale_version(), LIBSWSCALE_VERSION_MAJOR},
        {QStringLiteral("libswresample"), swresample_version(), LIBSWRESAMPLE_VERSION_MAJOR},
    };
}

bool LibavRuntime::checkLibraries(const std::vector<LibraryVersion>& libraries, QString* error)
{
    for (const LibraryVersion& library : libraries) {
        if (majorOf(library.loadedVersion) != library.builtMajor) {
            if (error != nullptr) {
                *error = tr("The FFmpeg DLL versions do not match the headers used to build %1.")
                             .arg(QString::fromLatin1(version::kProductIdentity));
            }
            return false;
        }
    }
    if (error != nullptr) {
        error->clear();
    }
    return true;
}

QString LibavRuntime::summarize(const std::vector<LibraryVersion>& libraries)
{
    QStringList parts;
    for (const LibraryVersion& library : libraries) {
        parts << QStringLiteral("%1 %2.%3.%4")
                     .arg(library.name)
                     .arg(majorOf(library.loadedVersion))
                     .arg(minorOf(library.loadedVersion))
                     .arg(microOf(library.loadedVersion));
    }
    return parts.join(QStringLiteral(", "));
}

bool LibavRuntime::check(QString* error)
{
    return checkLibraries(loadedLibraries(), error);
}

QString LibavRuntime::versionSummary()
{
    return summarize(loadedLibraries());
}

LibavRuntime::Licence LibavRuntime::licence()
{
    return {QString::fromUtf8(avcodec_license()), QString::fromUtf8(avcodec_configuration()),
            avcodec_find_encoder_by_name("libx264") != nullptr};
}

QString LibavRuntime::backendName()
{
    return QStringLiteral("libav");
}

void LibavRuntime::routeLogMessages()
{
    av_log_set_callback(&forwardLogLine);
}

} // namespace orvi::media::libav
