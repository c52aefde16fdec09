#include "results/TemporaryVideoSource.h"

#include "records/ErrorMessage.h"
#include "results/TemporaryVideo.h"

#include <cmath>

namespace orvi::media {

using project_data::failWith;

TemporaryVideoSource::TemporaryVideoSource(
    std::shared_ptr<const project_data::TemporaryVideo> result, qint64 firstFrameIndex)
    : m_result(std::move(result)), m_firstFrameIndex(firstFrameIndex)
{}

bool TemporaryVideoSource::hasFrames(QString* error) const
{
    if (m_result && m_result->frameCount() >= 1)
        return true;
    return failWith(error, tr("No analysis result is available."));
}

bool TemporaryVideoSource::open(const QString& filePath, QString* error)
{
    Q_UNUSED(filePath);
    close();
    if (!hasFrames(error))
        return false;
    m_videoInfo = m_result->videoInfo();
    m_cursor = 0;
    m_opened = true;
    return true;
}

bool TemporaryVideoSource::open(const VideoInfo& videoInfo, QString* error)
{
    close();
    if (!hasFrames(error))
        return false;
    m_videoInfo = videoInfo;
    m_cursor = 0;
    m_opened = true;
    return true;
}

void TemporaryVideoSource::close()
{
    m_opened = false;
}

bool TemporaryVideoSource::isOpen() const
{
    return m_opened;
}

VideoInfo TemporaryVideoSource::videoInfo() const
{
    return m_opened ? m_videoInfo : VideoInfo();
}

bool TemporaryVideoSource::seekToFrame(qint64 frameIndex, QString* error)
{
    if (!m_opened || frameIndex < m_firstFrameIndex ||
        frameIndex - m_firstFrameIndex >= m_result->frameCount())
        return failWith(error, tr("The requested frame is outside the analysis result."));
    m_cursor = frameIndex - m_firstFrameIndex;
    return true;
}

bool TemporaryVideoSource::seekToTimeUs(qint64 timeUs, QString* error)
{
    const double rate = m_videoInfo.nominalFrameRate;
    const double frame = double(timeUs) * rate / 1e6;
    if (!m_opened || !std::isfinite(frame) || !(rate > 0.0))
        return failWith(error, tr("The requested frame is outside the analysis result."));
    return seekToFrame(qint64(std::llround(frame)), error);
}

void TemporaryVideoSource::readPosition(qint64* frameIndex, qint64* presentationTimeUs) const
{
    const qint64 index = m_firstFrameIndex + m_cursor;
    *frameIndex = index;
    // Without a usable rate the caller keeps the time it already has.
    const double rate = m_videoInfo.nominalFrameRate;
    if (std::isfinite(rate) && rate > 0.0)
        *presentationTimeUs = qint64(std::llround(double(index) * 1e6 / rate));
}

ReadResult TemporaryVideoSource::readFrame(VideoFrame& frame, QString* error)
{
    if (!m_opened) {
        failWith(error, tr("No analysis result is available."));
        return ReadResult::Error;
    }
    if (m_cursor >= m_result->frameCount())
        return ReadResult::EndOfStream;
    VideoFrame loaded;
    if (!m_result->loadFrame(m_cursor, loaded, error))
        return ReadResult::Error;
    readPosition(&loaded.frameIndex, &loaded.presentationTimeUs);
    frame = std::move(loaded);
    ++m_cursor;
    return ReadResult::Frame;
}

ReadResult TemporaryVideoSource::skipFrame(qint64* frameIndex, qint64* presentationTimeUs,
                                           QString* error)
{
    if (!m_opened) {
        failWith(error, tr("No analysis result is available."));
        return ReadResult::Error;
    }
    if (m_cursor >= m_result->frameCount())
        return ReadResult::EndOfStream;
    // The stored frames need no decoding, so skipping only computes the position.
    qint64 index = -1;
    qint64 timeUs = 0;
    readPosition(&index, &timeUs);
    if (frameIndex)
        *frameIndex = index;
    if (presentationTimeUs)
        *presentationTimeUs = timeUs;
    ++m_cursor;
    return ReadResult::Frame;
}

bool TemporaryVideoSource::wasCancelled() const
{
    return false;
}

} // namespace orvi::media
