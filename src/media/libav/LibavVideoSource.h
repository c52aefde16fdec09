#pragma once

#include "media/IReducedFrameSource.h"
#include "media/libav/LibavCancellation.h"

#include <QCoreApplication>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace orvi::media::libav {

// Decodes a local video into RGBA frames in display orientation, numbered by the source and
// stamped on the uniform grid of the nominal frame rate. Only right-angle rotations play.
class LibavVideoSource final : public IReducedFrameSource
{
    Q_DECLARE_TR_FUNCTIONS(LibavVideoSource)

public:
    using CancellationCallback = std::function<bool()>;

    // decoderThreadCount 0 keeps FFmpeg's default; negative counts are treated as 0.
    explicit LibavVideoSource(CancellationCallback cancellation = {}, int decoderThreadCount = 0);
    ~LibavVideoSource() override;

    LibavVideoSource(const LibavVideoSource&) = delete;
    LibavVideoSource& operator=(const LibavVideoSource&) = delete;

    bool open(const QString& filePath, QString* error = nullptr) override;
    bool open(const VideoInfo& videoInfo, QString* error = nullptr) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    VideoInfo videoInfo() const override { return m_info; }
    bool seekToTimeUs(qint64 timeUs, QString* error = nullptr) override;
    bool seekToFrame(qint64 frameIndex, QString* error = nullptr) override;
    ReadResult readFrame(VideoFrame& frame, QString* error = nullptr) override;
    ReadResult skipFrame(qint64* frameIndex = nullptr, qint64* presentationTimeUs = nullptr,
                         QString* error = nullptr) override;
    bool wasCancelled() const override { return m_cancellation.wasCancelled(); }
    void setSeekInterruption(std::function<bool()> interrupted) override
    {
        m_seekInterruption = std::move(interrupted);
    }
    qint64 keyFrameAfter(qint64 frameIndex) const override;
    qint64 keyFrameAtOrBefore(qint64 frameIndex) const override;

    ReadResult readReducedFrame(const QRect& crop, const QSize& size, VideoFrame& frame,
                                QImage* fullImage = nullptr, QString* error = nullptr,
                                ReducedPart* second = nullptr) override;

    int decoderThreadCount() const { return m_decoderThreadCount; }

private:
    struct Decoder;
    enum class DecodeStatus
    {
        FrameReady = 0,
        End = 1,
        Failed = 2,
    };
    // What becomes of a decoded frame while a seek is pending.
    enum class FrameFate
    {
        Keep,
        Drop,
        SeekEarlier,
    };

    bool prepare(const VideoInfo& videoInfo, QString* error);
    bool openDecoder(QString* error);
    DecodeStatus decodeNextFrame(QString* error);
    DecodeStatus feedDecoder(QString* error);
    using Conversion = std::function<bool(QString* error)>;

    bool convertFrame(QImage* image, QString* error);
    bool convertReducedFrame(const QRect& crop, const QSize& size, QImage* image, QString* error,
                             bool second = false);
    void rememberKeyFrame(qint64 index);
    void readKeyFrameIndex();
    bool conversionSucceeded(int status, QString* error);
    // Reads the next frame with `convert` filling the frame's image, then numbers it.
    ReadResult readInto(VideoFrame& frame, const Conversion& convert, QString* error);
    // Decodes the next frame and runs `convert` (none when skipping) on it.
    ReadResult advance(const Conversion& convert, qint64* frameIndex, qint64* presentationTimeUs,
                       QString* error);
    FrameFate judgeSeekFrame();
    bool seekToIndex(qint64 index, QString* error);
    bool seekByCounting(qint64 index, QString* error);
    bool seekDemuxer(int64_t position, int64_t target, QString* error);
    bool seekEarlier(QString* error);
    bool restartFromBeginning(std::optional<int64_t> target, QString* error);
    qint64 gridTimeUs(qint64 index) const;

    LibavCancellation m_cancellation;
    std::function<bool()> m_seekInterruption;
    int m_decoderThreadCount = 0;
    VideoInfo m_info;
    qint64 m_nextIndex = 0;
    // Indices of the key frames decoded so far, ascending.
    std::vector<qint64> m_keyFrames;
    bool m_open = false;
    std::unique_ptr<Decoder> m_decoder;
};

} // namespace orvi::media::libav
