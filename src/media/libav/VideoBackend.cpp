#include "media/VideoBackend.h"

#include "media/libav/LibavRuntime.h"
#include "media/libav/LibavVideoAnalyzer.h"
#include "media/libav/LibavVideoSink.h"
#include "media/libav/LibavVideoSource.h"

#include <utility>

namespace orvi::media {

using libav::LibavRuntime;

std::unique_ptr<IReducedFrameSource> VideoBackend::createSource(Cancellation cancellation,
                                                                int decoderThreadCount)
{
    return std::make_unique<libav::LibavVideoSource>(std::move(cancellation), decoderThreadCount);
}

std::unique_ptr<IVideoSink> VideoBackend::createSink(Cancellation cancellation)
{
    return std::make_unique<libav::LibavVideoSink>(std::move(cancellation));
}

VideoBackend::ProbeOutcome
VideoBackend::probe(Cancellation cancellation, const QString& filePath, VideoInfo* videoInfo,
                    QString* error, FirstFrameCallback firstFrameCallback,
                    ProgressCallback progressCallback,
                    std::shared_ptr<const ScrubbingProxy>* scrubbingProxy)
{
    libav::LibavVideoAnalyzer analyzer;
    if (analyzer.analyze(std::move(cancellation), filePath, videoInfo, error,
                         std::move(firstFrameCallback), std::move(progressCallback),
                         scrubbingProxy))
        return ProbeOutcome::Succeeded;
    return analyzer.wasCancelled() ? ProbeOutcome::Cancelled : ProbeOutcome::Failed;
}

bool VideoBackend::check(QString* error)
{
    return LibavRuntime::check(error);
}

QString VideoBackend::versionSummary()
{
    return LibavRuntime::versionSummary();
}

QString VideoBackend::name()
{
    return LibavRuntime::backendName();
}

VideoBackend::Licence VideoBackend::licence()
{
    return LibavRuntime::licence();
}

void VideoBackend::routeLogMessages()
{
    LibavRuntime::routeLogMessages();
}

std::vector<VideoBackend::LibraryVersion> VideoBackend::loadedLibraries()
{
    return LibavRuntime::loadedLibraries();
}

bool VideoBackend::checkLibraries(const std::vector<LibraryVersion>& libraries, QString* error)
{
    return LibavRuntime::checkLibraries(libraries, error);
}

QString VideoBackend::summarize(const std::vector<LibraryVersion>& libraries)
{
    return LibavRuntime::summarize(libraries);
}

} // namespace orvi::media
