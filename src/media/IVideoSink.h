#pragma once

#include "media/VideoExportOptions.h"
#include "media/VideoFrame.h"
#include "media/VideoInfo.h"

#include <QString>

namespace orvi::media {

// Frame writer that publishes its file only when finished; used from one thread at a time.
class IVideoSink
{
public:
    virtual ~IVideoSink() = default;

    virtual bool open(const QString& outputPath, const VideoInfo& videoInfo,
                      const VideoExportOptions& options, QString* error = nullptr) = 0;
    // As open, but writes into `outputPath`, an empty file the caller created, and leaves the
    // finished file there for the caller to publish.
    virtual bool openReserved(const QString& outputPath, const VideoInfo& videoInfo,
                              const VideoExportOptions& options, QString* error = nullptr) = 0;
    virtual bool writeFrame(const VideoFrame& frame, QString* error = nullptr) = 0;
    virtual bool finish(QString* error = nullptr) = 0;
    // Abandons the open file and removes its staging file; never fails.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Staging files that could not be removed; a new open refuses to start while it stands.
    virtual QString cleanupWarning() const = 0;
    virtual bool wasCancelled() const = 0;
};

} // namespace orvi::media
