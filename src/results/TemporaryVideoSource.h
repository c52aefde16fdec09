#pragma once

#include "media/IVideoSource.h"

#include <QCoreApplication>
#include <memory>

namespace orvi::project_data {
class TemporaryVideo;
}

namespace orvi::media {

// Plays the frames of a finished analysis result back as a video source. Frame indices are
// in the source video's numbering, starting at the fragment's first frame.
class TemporaryVideoSource : public IVideoSource
{
    Q_DECLARE_TR_FUNCTIONS(TemporaryVideoSource)

public:
    TemporaryVideoSource(std::shared_ptr<const project_data::TemporaryVideo> result,
                         qint64 firstFrameIndex);

    bool open(const QString& filePath, QString* error = nullptr) override;
    bool open(const VideoInfo& videoInfo, QString* error = nullptr) override;
    void close() override;
    bool isOpen() const override;
    VideoInfo videoInfo() const override;
    bool seekToTimeUs(qint64 timeUs, QString* error = nullptr) override;
    bool seekToFrame(qint64 frameIndex, QString* error = nullptr) override;
    ReadResult readFrame(VideoFrame& frame, QString* error = nullptr) override;
    ReadResult skipFrame(qint64* frameIndex = nullptr, qint64* presentationTimeUs = nullptr,
                         QString* error = nullptr) override;
    bool wasCancelled() const override;

private:
    bool hasFrames(QString* error) const;
    void readPosition(qint64* frameIndex, qint64* presentationTimeUs) const;

    std::shared_ptr<const project_data::TemporaryVideo> m_result;
    qint64 m_firstFrameIndex = 0;
    VideoInfo m_videoInfo;
    qint64 m_cursor = 0;
    bool m_opened = false;
};

} // namespace orvi::media
