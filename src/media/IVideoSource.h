#pragma once

#include "media/ReadResult.h"
#include "media/VideoFrame.h"
#include "media/VideoInfo.h"

#include <QString>
#include <functional>

namespace orvi::media {

// Sequential frame reader; used from one thread at a time.
class IVideoSource
{
public:
    virtual ~IVideoSource() = default;

    virtual bool open(const QString& filePath, QString* error = nullptr) = 0;
    // Opens a file that was already probed, trusting the given metadata.
    virtual bool open(const VideoInfo& videoInfo, QString* error = nullptr) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual VideoInfo videoInfo() const = 0;
    virtual bool seekToTimeUs(qint64 timeUs, QString* error = nullptr) = 0;
    virtual bool seekToFrame(qint64 frameIndex, QString* error = nullptr) = 0;
    virtual ReadResult readFrame(VideoFrame& frame, QString* error = nullptr) = 0;
    // Decodes the next frame without converting it to an image.
    virtual ReadResult skipFrame(qint64* frameIndex = nullptr, qint64* presentationTimeUs = nullptr,
                                 QString* error = nullptr) = 0;
    virtual bool wasCancelled() const = 0;
    // Polled while a read decodes the frames before a seek's own: when it returns true, the
    // read gives up with ReadResult::Error and the source is left for the next seek. Called
    // on the reading thread.
    virtual void setSeekInterruption(std::function<bool()> interrupted) { Q_UNUSED(interrupted); }
    // A frame after `frameIndex` from which decoding starts without earlier frames: one the
    // source has seen, or the next one of a steady key-frame spacing it has seen. Playback
    // that falls behind jumps there instead of decoding every frame. -1 when it cannot say.
    virtual qint64 keyFrameAfter(qint64 frameIndex) const
    {
        Q_UNUSED(frameIndex);
        return -1;
    }
    // The last such frame at or before `frameIndex`, the first one decoded after a seek there.
    virtual qint64 keyFrameAtOrBefore(qint64 frameIndex) const
    {
        Q_UNUSED(frameIndex);
        return -1;
    }
};

} // namespace orvi::media
