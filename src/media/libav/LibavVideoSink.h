#pragma once

#include "media/IVideoSink.h"
#include "media/libav/LibavCancellation.h"

#include <QCoreApplication>
#include <QSize>
#include <QStringList>
#include <functional>
#include <memory>

namespace orvi::media::libav {

// Encodes RGBA frames to H.264 in MP4 (the export format) or FFV1 in Matroska (lossless)
// through a hidden staging file beside the destination. The destination is never
// overwritten: the staging file gets its final name only when the file is complete.
// In reserved mode the sink writes into an empty file the caller created and leaves the
// finished file there for the caller to publish.
class LibavVideoSink final : public IVideoSink
{
    Q_DECLARE_TR_FUNCTIONS(LibavVideoSink)

public:
    using CancellationCallback = std::function<bool()>;

    explicit LibavVideoSink(CancellationCallback cancellation = {});
    ~LibavVideoSink() override;

    LibavVideoSink(const LibavVideoSink&) = delete;
    LibavVideoSink& operator=(const LibavVideoSink&) = delete;

    bool open(const QString& outputPath, const VideoInfo& videoInfo,
              const VideoExportOptions& options, QString* error = nullptr) override;
    bool openReserved(const QString& outputPath, const VideoInfo& videoInfo,
                      const VideoExportOptions& options, QString* error = nullptr) override;
    bool writeFrame(const VideoFrame& frame, QString* error = nullptr) override;
    bool finish(QString* error = nullptr) override;
    void close() override;
    bool isOpen() const override { return m_open; }

    QString cleanupWarning() const override { return m_cleanupWarning; }
    bool wasCancelled() const override { return m_cancellation.wasCancelled(); }

    QString finalPath() const { return m_finalPath; }
    QString stagingPath() const { return m_stagingPath; }
    // Name of the encoder in use while open (for example "libx264").
    QString encoderName() const { return m_encoderName; }

    // Encoder parameters, exposed for the export dialog's estimates and for tests.
    static int libx264Crf(int qualityPercent);
    static qint64 h264BitRate(const QSize& frameSize, double frameRate);
    static int h264KeyFrameInterval(double frameRate);

private:
    struct Encoder;
    enum class Format
    {
        Unsupported,
        H264Mp4,
        Ffv1Matroska,
    };

    bool openOutput(const QString& outputPath, const VideoInfo& videoInfo,
                    const VideoExportOptions& options, bool reserved, QString* error);
    bool checkRequest(const QString& outputPath, const VideoInfo& videoInfo,
                      const VideoExportOptions& options, bool reserved, Format* format,
                      QString* error) const;
    bool startEncoder(Format format, int qualityPercent, double frameRate, QString* error);
    bool openCodec(Format format, const char* encoderName, int qualityPercent, double frameRate,
                   QString* error);
    bool drain(bool flushing, QString* error);
    bool encodeFrame(const QImage& image, QString* error);
    void releaseEncoder();
    void discardStagingFile();
    QString withCleanupWarning(const QString& message) const;

    LibavCancellation m_cancellation;
    std::unique_ptr<Encoder> m_encoder;
    QString m_finalPath;
    QString m_stagingPath;
    QString m_cleanupWarning;
    QStringList m_leftoverPaths; // staging files that could not be removed yet
    QString m_encoderName;
    QSize m_frameSize;
    bool m_open = false;
    bool m_reserved = false;
};

} // namespace orvi::media::libav
