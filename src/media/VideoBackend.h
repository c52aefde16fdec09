#pragma once

#include "media/IReducedFrameSource.h"
#include "media/IVideoSink.h"
#include "media/ScrubbingProxy.h"
#include "media/VideoInfo.h"

#include <QImage>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace orvi::media {

// The one way in to the video libraries for the rest of the program: it makes sources and
// sinks, probes files and answers what the loaded libraries are. It keeps no state.
class VideoBackend
{
public:
    // Returns true once the caller wants to stop; may be empty.
    using Cancellation = std::function<bool()>;
    using FirstFrameCallback = std::function<void(const QImage&)>;
    // A fraction 0..0.99, or -1 when the fraction cannot be estimated.
    using ProgressCallback = std::function<void(double)>;

    enum class ProbeOutcome
    {
        Succeeded,
        Failed,
        Cancelled,
    };

    struct LibraryVersion
    {
        QString name;
        unsigned loadedVersion = 0; // packed major/minor/micro of the loaded library
        unsigned builtMajor = 0;    // major version of the headers
    };

    // What the loaded libraries say about their own terms.
    struct Licence
    {
        QString licence;       // as libavcodec reports it, e.g. "GPL version 2 or later"
        QString configuration; // the options the libraries were built with
        bool libx264 = false;  // the libx264 H.264 encoder is built in
    };

    // decoderThreadCount 0 keeps the decoder's default.
    static std::unique_ptr<IReducedFrameSource> createSource(Cancellation cancellation = {},
                                                             int decoderThreadCount = 0);
    static std::unique_ptr<IVideoSink> createSink(Cancellation cancellation = {});
    // Reads a file's metadata and its time grid (decoding every frame once). Fills videoInfo
    // only on success; the callbacks run on the calling thread. With `scrubbingProxy`, the
    // small pictures for seeks are made on the way (it stays null when no frame needs one).
    static ProbeOutcome probe(Cancellation cancellation, const QString& filePath,
                              VideoInfo* videoInfo, QString* error = nullptr,
                              FirstFrameCallback firstFrameCallback = {},
                              ProgressCallback progressCallback = {},
                              std::shared_ptr<const ScrubbingProxy>* scrubbingProxy = nullptr);

    // True when the loaded libraries match the headers the program was built with; clears
    // the error then.
    static bool check(QString* error = nullptr);
    // "libavformat 59.27.100, libavcodec ..." for the loaded libraries.
    static QString versionSummary();
    static QString name();
    static Licence licence();
    // Sends the libraries' warnings and errors to Qt's message output and drops their
    // informational chatter. Process-wide; call once at start-up.
    static void routeLogMessages();

    // The loaded libraries, and the check and summary of any such list.
    static std::vector<LibraryVersion> loadedLibraries();
    static bool checkLibraries(const std::vector<LibraryVersion>& libraries,
                               QString* error = nullptr);
    static QString summarize(const std::vector<LibraryVersion>& libraries);
};

} // namespace orvi::media
