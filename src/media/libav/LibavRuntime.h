#pragma once

#include "media/VideoBackend.h"

#include <QCoreApplication>
#include <QString>
#include <vector>

namespace orvi::media::libav {

// Checks that the loaded FFmpeg libraries match the headers the program was built with.
class LibavRuntime
{
    Q_DECLARE_TR_FUNCTIONS(LibavRuntime)

public:
    using LibraryVersion = VideoBackend::LibraryVersion;
    using Licence = VideoBackend::Licence;

    // True when every loaded major version equals the built one; clears the error then.
    static bool check(QString* error = nullptr);
    // "libavformat 59.27.100, libavcodec ..." for the loaded libraries.
    static QString versionSummary();
    static QString backendName();
    static Licence licence();
    // Sends FFmpeg's warnings and errors to Qt's message output and drops its informational
    // chatter (encoder statistics, muxer notes). Process-wide; call once at start-up.
    static void routeLogMessages();

    // The five libraries in summary order: libavformat, libavcodec, libavutil, libswscale,
    // libswresample.
    static std::vector<LibraryVersion> loadedLibraries();
    static bool checkLibraries(const std::vector<LibraryVersion>& libraries,
                               QString* error = nullptr);
    static QString summarize(const std::vector<LibraryVersion>& libraries);

    static unsigned majorOf(unsigned packedVersion) { return (packedVersion >> 16) & 0xffu; }
    static unsigned minorOf(unsigned packedVersion) { return (packedVersion >> 8) & 0xffu; }
    static unsigned microOf(unsigned packedVersion) { return packedVersion & 0xffu; }
};

} // namespace orvi::media::libav
