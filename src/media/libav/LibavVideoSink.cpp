#include "media/libav/LibavVideoSink.h"

#include "media/libav/LibavColourSpace.h"
#include "media/libav/LibavPointers.h"
#include "media/libav/LibavRuntime.h"
#include "records/ErrorMessage.h"

extern "C" {
#include <libavutil/rational.h>
}

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QUuid>
#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

namespace orvi::media::libav {

using project_data::failWith;

namespace {

constexpr int kFrameRateDenominatorLimit = 1'000'000;
constexpr double kBitsPerPixel = 0.12;
constexpr qint64 kMinimumBitRate = 1'000'000;
constexpr qint64 kMaximumBitRate = 100'000'000;
constexpr int kFrameAlignment = 32;
// Container durations are rounded to their time base, so frames / duration strays from the
// stream's own rate by a few parts per million (212 frames of a 24 fps clip give 24.00003).
constexpr double kSameRateTolerance = 1e-4;

// The stream's own rate where the average agrees with it: players and editors expect 24/1,
// not 779401/32475. Otherwise the average, so that the output lasts as long as the source.
double encodedFrameRate(const VideoInfo& info)
{
    const double average = info.averagePlaybackFrameRate();
    const double nominal = info.nominalFrameRate;
    if (std::isfinite(nominal) && nominal > 0.0 &&
        std::abs(average - nominal) <= kSameRateTolerance * nominal)
        return nominal;
    return average;
}

// ".name.UUID.partial.suffix" beside the destination (no suffix part without one).
QString makeStagingPath(const QString& finalPath)
{
    const QFileInfo info(finalPath);
    const QString uuid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const QString suffix = info.suffix();
    const QString name =
        suffix.isEmpty() ? QStringLiteral(".%1.%2.partial").arg(info.fileName(), uuid)
                         : QStringLiteral(".%1.%2.partial.%3").arg(info.fileName(), uuid, suffix);
    return info.absoluteDir().absoluteFilePath(name);
}

bool existsOrDanglingLink(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

} // namespace

struct LibavVideoSink::Encoder
{
    OutputFormatContextPtr format;
    CodecContextPtr codec;
    AVStream* stream = nullptr;
    PacketPtr packet;
    FramePtr frame;
    SwsContextPtr scaler;
    int64_t nextFrame = 0;
    AVRational frameRate{0, 1};
    bool openedFile = false;
    bool headerWritten = false;
};

LibavVideoSink::LibavVideoSink(CancellationCallback cancellation)
    : m_cancellation(std::move(cancellation))
{}

LibavVideoSink::~LibavVideoSink()
{
    close();
    if (!m_cleanupWarning.isEmpty())
        qWarning().noquote() << m_cleanupWarning;
}

int LibavVideoSink::libx264Crf(int qualityPercent)
{
    const int quality = std::clamp(qualityPercent, 0, 100);
    return 35 - (21 * quality + 50) / 100;
}

qint64 LibavVideoSink::h264BitRate(const QSize& frameSize, double frameRate)
{
    const double bits =
        double(frameSize.width()) * double(frameSize.height()) * frameRate * kBitsPerPixel;
    return std::clamp(qint64(std::llround(bits)), kMinimumBitRate, kMaximumBitRate);
}

int LibavVideoSink::h264KeyFrameInterval(double frameRate)
{
    return std::max(1, int(std::lround(2.0 * frameRate)));
}

bool LibavVideoSink::open(const QString& outputPath, const VideoInfo& videoInfo,
                          const VideoExportOptions& options, QString* error)
{
    return openOutput(outputPath, videoInfo, options, false, error);
}

bool LibavVideoSink::openReserved(const QString& outputPath, const VideoInfo& videoInfo,
                                  const VideoExportOptions& options, QString* error)
{
    return openOutput(outputPath, videoInfo, options, true, error);
}

bool LibavVideoSink::checkRequest(const QString& outputPath, const VideoInfo& videoInfo,
                                  const VideoExportOptions& options, bool reserved, Format* format,
                                  QString* error) const
{
    if (reserved) {
        const QFileInfo info(outputPath);
        if (outputPath.isEmpty() || !info.exists() || !info.isFile() || info.isSymLink() ||
            info.size() != 0)
            return failWith(error, tr("The reserved staging file is missing or is not empty."));
    } else if (outputPath.isEmpty() || existsOrDanglingLink(outputPath)) {
        return failWith(error, tr("The output file was not specified or already exists."));
    }

    const QSize size = videoInfo.frameSize;
    const double rate = videoInfo.averagePlaybackFrameRate();
    if (!size.isValid() || size.width() < 1 || size.height() < 1 || !std::isfinite(rate) ||
        rate <= 0.0)
        return failWith(error, tr("The frame size or frame rate is unknown for export."));

    const QString container = options.container.toLower();
    const QString codec = options.videoCodec.toLower();
    *format = Format::Unsupported;
    if (container == QLatin1String("mp4") &&
        (codec == QLatin1String("h264") || codec == QLatin1String("libx264")))
        *format = Format::H264Mp4;
    else if ((container == QLatin1String("matroska") || container == QLatin1String("mkv")) &&
             codec == QLatin1String("ffv1"))
        *format = Format::Ffv1Matroska;
    if (*format == Format::Unsupported)
        return failWith(error, tr("The requested video output format is unsupported."));
    if (*format == Format::H264Mp4 && (size.width() % 2 != 0 || size.height() % 2 != 0))
        return failWith(error, tr("H.264/yuv420p export requires an even frame width and height."));
    if (options.includeAudio || !options.preserveFrameSize || !options.preserveFrameRate)
        return failWith(error, tr("The requested video output format is unsupported."));
    if (options.qualityPercent < 0 || options.qualityPercent > 100)
        return failWith(error, tr("Export quality must be between 0 and 100."));
    if (!QFileInfo(outputPath).absoluteDir().exists())
        return failWith(error, tr("The output directory does not exist."));
    return true;
}

bool LibavVideoSink::openOutput(const QString& outputPath, const VideoInfo& videoInfo,
                                const VideoExportOptions& options, bool reserved, QString* error)
{
    close();
    if (!m_cleanupWarning.isEmpty()) {
        // The previous staging file is still on disk; say so before starting another.
        return failWith(error, m_cleanupWarning);
    }
    m_cancellation.clear();
    if (!LibavRuntime::check(error))
        return false;
    Format format = Format::Unsupported;
    if (!checkRequest(outputPath, videoInfo, options, reserved, &format, error))
        return false;

    m_finalPath = QFileInfo(outputPath).absoluteFilePath();
    m_stagingPath = reserved ? m_finalPath : makeStagingPath(m_finalPath);
    m_reserved = reserved;
    m_frameSize = videoInfo.frameSize;

    QString message;
    bool started = false;
    if (m_cancellation.isCancelled()) {
        message = tr("Starting video encoding was cancelled.");
    } else {
        try {
            started =
                startEncoder(format, options.qualityPercent, encodedFrameRate(videoInfo), &message);
        } catch (const std::bad_alloc&) {
            message = tr("Could not allocate FFmpeg encoder buffers.");
        }
    }
    if (!started) {
        releaseEncoder();
        // A reserved file belongs to the caller, who removes it with its other staging files.
        if (!m_reserved)
            discardStagingFile();
        m_finalPath.clear();
        m_stagingPath.clear();
        m_frameSize = QSize();
        m_reserved = false;
        return failWith(error, message);
    }
    m_open = true;
    if (error != nullptr)
        error->clear();
    return true;
}

bool LibavVideoSink::startEncoder(Format format, int qualityPercent, double frameRate,
                                  QString* error)
{
    const std::vector<const char*> candidates = format == Format::H264Mp4
                                                    ? std::vector<const char*>{"h264_mf", "libx264"}
                                                    : std::vector<const char*>{"ffv1"};
    std::vector<const char*> available;
    for (const char* name : candidates) {
        if (avcodec_find_encoder_by_name(name) != nullptr)
            available.push_back(name);
    }
    if (available.empty())
        return failWith(error,
                        format == Format::H264Mp4
                            ? tr("The embedded FFmpeg libraries have no supported H.264 encoder.")
                            : tr("The embedded FFmpeg libraries have no FFV1 encoder."));

    // A platform encoder can be listed yet refuse to start; the next one is then tried.
    bool opened = false;
    for (const char* name : available) {
        opened = openCodec(format, name, qualityPercent, frameRate, error);
        if (opened)
            break;
        releaseEncoder();
    }
    if (!opened)
        return false;

    Encoder& encoder = *m_encoder;
    AVFormatContext* context = encoder.format.get();
    if ((context->oformat->flags & AVFMT_NOFILE) == 0) {
        const int result = avio_open2(&context->pb, m_stagingPath.toUtf8().constData(),
                                      AVIO_FLAG_WRITE, &context->interrupt_callback, nullptr);
        if (result < 0)
            return failWith(
                error, tr("Could not open the output video file: %1").arg(libavErrorText(result)));
        encoder.openedFile = true;
    }

    AVDictionary* muxerOptions = nullptr;
    if (format == Format::H264Mp4)
        av_dict_set(&muxerOptions, "movflags", "+faststart", 0); // index before the media data
    const int result = avformat_write_header(context, &muxerOptions);
    av_dict_free(&muxerOptions);
    if (result < 0)
        return failWith(
            error, tr("Could not write the output video header: %1").arg(libavErrorText(result)));
    encoder.headerWritten = true;
    return true;
}

bool LibavVideoSink::openCodec(Format format, const char* encoderName, int qualityPercent,
                               double frameRate, QString* error)
{
    m_encoder = std::make_unique<Encoder>();
    Encoder& encoder = *m_encoder;
    const AVCodec* codec = avcodec_find_encoder_by_name(encoderName);

    AVFormatContext* context = nullptr;
    int result = avformat_alloc_output_context2(&context, nullptr,
                                                format == Format::H264Mp4 ? "mp4" : "matroska",
                                                m_stagingPath.toUtf8().constData());
    if (result < 0 || context == nullptr)
        return failWith(error, tr("Could not create the FFmpeg output context: %1")
                                   .arg(libavErrorText(result < 0 ? result : AVERROR(ENOMEM))));
    encoder.format.reset(context);
    context->interrupt_callback.callback = &LibavCancellation::interruptCallback;
    context->interrupt_callback.opaque = &m_cancellation;

    encoder.stream = avformat_new_stream(context, nullptr);
    encoder.codec = makeCodecContext(codec);
    encoder.packet = makePacket();
    encoder.frame = makeFrame();
    if (codec == nullptr || encoder.stream == nullptr || !encoder.codec || !encoder.packet ||
        !encoder.frame)
        return failWith(error, tr("Could not allocate FFmpeg encoder buffers."));

    const AVRational rate = av_d2q(frameRate, kFrameRateDenominatorLimit);
    if (rate.num < 1 || rate.den < 1)
        return failWith(error, tr("Could not represent the output frame rate."));
    encoder.frameRate = rate;

    AVCodecContext* settings = encoder.codec.get();
    settings->codec_id = codec->id;
    settings->codec_type = AVMEDIA_TYPE_VIDEO;
    settings->width = m_frameSize.width();
    settings->height = m_frameSize.height();
    settings->framerate = rate;
    settings->time_base = av_inv_q(rate);
    settings->max_b_frames = 0;
    const LibavColourSpace colours = LibavColourSpace::forEncoding(m_frameSize);
    if (format == Format::H264Mp4) {
        settings->pix_fmt = AV_PIX_FMT_YUV420P;
        colours.tag(*settings); // players then convert back with the matrix it was written in
        settings->gop_size = h264KeyFrameInterval(frameRate);
        settings->bit_rate = h264BitRate(m_frameSize, frameRate);
    } else {
        settings->pix_fmt = AV_PIX_FMT_BGRA;
        settings->gop_size = 0;
    }
    if ((context->oformat->flags & AVFMT_GLOBALHEADER) != 0)
        settings->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;

    AVDictionary* rawOptions = nullptr;
    const QByteArray name(encoderName);
    if (name == "h264_mf") {
        av_dict_set(&rawOptions, "rate_control", "quality", 0);
        av_dict_set_int(&rawOptions, "quality", qualityPercent, 0);
    } else if (name == "libx264") {
        av_dict_set_int(&rawOptions, "crf", libx264Crf(qualityPercent), 0);
    } else {
        av_dict_set(&rawOptions, "level", "3", 0);
        av_dict_set(&rawOptions, "coder", "1", 0);
        av_dict_set(&rawOptions, "context", "1", 0);
    }
    result = avcodec_open2(settings, codec, &rawOptions);
    av_dict_free(&rawOptions);
    if (result < 0)
        return failWith(
            error, tr("Could not start the FFmpeg video encoder: %1").arg(libavErrorText(result)));
    result = avcodec_parameters_from_context(encoder.stream->codecpar, settings);
    if (result < 0)
        return failWith(
            error,
            tr("Could not configure the output video stream: %1").arg(libavErrorText(result)));
    encoder.stream->time_base = settings->time_base;
    encoder.stream->avg_frame_rate = rate;

    AVFrame* frame = encoder.frame.get();
    frame->format = settings->pix_fmt;
    frame->width = settings->width;
    frame->height = settings->height;
    result = av_frame_get_buffer(frame, kFrameAlignment);
    if (result < 0)
        return failWith(
            error, tr("Could not allocate the output video frame: %1").arg(libavErrorText(result)));
    encoder.scaler.reset(sws_getContext(settings->width, settings->height, AV_PIX_FMT_RGBA,
                                        settings->width, settings->height, settings->pix_fmt,
                                        SWS_BILINEAR, nullptr, nullptr, nullptr));
    if (!encoder.scaler ||
        !applyColourSpace(encoder.scaler.get(), AV_PIX_FMT_RGBA, settings->pix_fmt, colours))
        return failWith(error, tr("Could not initialize video color conversion."));
    m_encoderName = QString::fromLatin1(encoderName);
    return true;
}

bool LibavVideoSink::writeFrame(const VideoFrame& frame, QString* error)
{
    if (m_cancellation.isCancelled()) {
        failWith(error, tr("Video encoding was cancelled."));
        close();
        return false;
    }
    if (!m_open || !frame.isValid())
        return failWith(error, tr("The video sink is not open or the frame is invalid."));
    if (frame.image.size() != m_frameSize)
        return failWith(error, tr("The exported frame size differs from the source frame size."));
    bool written = false;
    try {
        written = encodeFrame(frame.image, error);
    } catch (const std::bad_alloc&) {
        failWith(error, tr("Could not convert the frame for export."));
    }
    if (!written && m_cancellation.wasCancelled())
        close(); // a cancelled sink never stays open
    return written;
}

bool LibavVideoSink::encodeFrame(const QImage& image, QString* error)
{
    const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    if (rgba.isNull())
        return failWith(error, tr("Could not convert the frame for export."));
    Encoder& encoder = *m_encoder;
    AVFrame* frame = encoder.frame.get();
    int result = av_frame_make_writable(frame);
    if (result < 0)
        return failWith(error,
                        tr("Could not prepare the output frame: %1").arg(libavErrorText(result)));
    const uint8_t* sourceData[1] = {rgba.constBits()};
    const int sourceStride[1] = {int(rgba.bytesPerLine())};
    const int rows = sws_scale(encoder.scaler.get(), sourceData, sourceStride, 0, rgba.height(),
                               frame->data, frame->linesize);
    if (rows < rgba.height())
        return failWith(error, tr("FFmpeg did not convert the complete output frame."));
    // The sink numbers frames itself; the frame's own timestamp is not used.
    frame->pts = encoder.nextFrame++;
#if LIBAVUTIL_VERSION_INT >= AV_VERSION_INT(57, 30, 100)
    frame->duration = 1;
#else
    frame->pkt_duration = 1;
#endif
    result = avcodec_send_frame(encoder.codec.get(), frame);
    if (result < 0)
        return failWith(
            error,
            tr("Could not submit the output frame for encoding: %1").arg(libavErrorText(result)));
    return drain(false, error);
}

bool LibavVideoSink::drain(bool flushing, QString* error)
{
    Encoder& encoder = *m_encoder;
    AVPacket* packet = encoder.packet.get();
    for (;;) {
        if (m_cancellation.isCancelled())
            return failWith(error, tr("Video encoding was cancelled."));
        int result = avcodec_receive_packet(encoder.codec.get(), packet);
        if (result == AVERROR_EOF)
            return true;
        if (result == AVERROR(EAGAIN)) {
            if (!flushing)
                return true;
            return failWith(error, tr("The video encoder did not finish after flushing."));
        }
        if (result < 0)
            return failWith(
                error,
                tr("Could not receive an encoded video packet: %1").arg(libavErrorText(result)));
        // Every frame lasts one tick, so the container's average rate is the frame rate.
        if (packet->duration <= 0)
            packet->duration = 1;
        av_packet_rescale_ts(packet, encoder.codec->time_base, encoder.stream->time_base);
        packet->stream_index = encoder.stream->index;
        result = av_interleaved_write_frame(encoder.format.get(), packet);
        av_packet_unref(packet);
        if (result < 0)
            return failWith(
                error,
                tr("Could not write an encoded video packet: %1").arg(libavErrorText(result)));
    }
}

bool LibavVideoSink::finish(QString* error)
{
    if (!m_open)
        return failWith(error, tr("The video sink is not open."));
    const auto failAndClose = [this, error](const QString& message) {
        close();
        return failWith(error, withCleanupWarning(message));
    };
    if (m_cancellation.isCancelled())
        return failAndClose(tr("Finalizing the video was cancelled."));

    Encoder& encoder = *m_encoder;
    int result = avcodec_send_frame(encoder.codec.get(), nullptr);
    if (result < 0 && result != AVERROR_EOF)
        return failAndClose(
            tr("Could not flush the video encoder: %1").arg(libavErrorText(result)));
    QString message;
    if (!drain(true, &message))
        return failAndClose(message);
    if (m_cancellation.isCancelled())
        return failAndClose(tr("Finalizing the video was cancelled."));
    result = av_write_trailer(encoder.format.get());
    if (result < 0)
        return failAndClose(
            tr("Could not finalize the output video: %1").arg(libavErrorText(result)));

    releaseEncoder();
    m_open = false;
    m_frameSize = QSize();
    const auto failAndRemove = [this, error](const QString& text) {
        m_cleanupWarning.clear();
        discardStagingFile();
        m_finalPath.clear();
        m_stagingPath.clear();
        m_reserved = false;
        return failWith(error, withCleanupWarning(text));
    };
    const QFileInfo staged(m_stagingPath);
    if (!staged.exists() || staged.size() <= 0)
        return failAndRemove(tr("FFmpeg did not create a non-empty video file."));

    if (!m_reserved) {
        if (existsOrDanglingLink(m_finalPath))
            return failAndRemove(tr("The output file appeared during processing; the existing "
                                    "file was not overwritten."));
        // QFile::rename refuses to replace an existing file.
        QFile stagingFile(m_stagingPath);
        if (!stagingFile.rename(m_finalPath))
            return failAndRemove(tr("Could not safely assign the final video file name: %1")
                                     .arg(stagingFile.errorString()));
    }
    m_finalPath.clear();
    m_stagingPath.clear();
    m_reserved = false;
    m_encoderName.clear();
    if (error != nullptr)
        error->clear();
    return true;
}

void LibavVideoSink::close()
{
    m_cleanupWarning.clear();
    releaseEncoder();
    discardStagingFile();
    m_finalPath.clear();
    m_stagingPath.clear();
    m_encoderName.clear();
    m_frameSize = QSize();
    m_open = false;
    m_reserved = false;
}

void LibavVideoSink::releaseEncoder()
{
    m_encoder.reset();
}

void LibavVideoSink::discardStagingFile()
{
    if (!m_stagingPath.isEmpty() && !m_leftoverPaths.contains(m_stagingPath))
        m_leftoverPaths.append(m_stagingPath);
    // Files that could not be removed before are tried again; the warning lasts while any
    // of them remains.
    QStringList remaining;
    for (const QString& path : std::as_const(m_leftoverPaths)) {
        if (!existsOrDanglingLink(path))
            continue;
        QFile file(path);
        if (file.remove())
            continue;
        remaining.append(path);
        const QString warning =
            tr("A temporary file may remain at %1: %2").arg(path, file.errorString());
        m_cleanupWarning =
            m_cleanupWarning.isEmpty() ? warning : m_cleanupWarning + QLatin1Char(' ') + warning;
    }
    m_leftoverPaths = remaining;
}

QString LibavVideoSink::withCleanupWarning(const QString& message) const
{
    return m_cleanupWarning.isEmpty() ? message : message + QLatin1Char(' ') + m_cleanupWarning;
}

} // namespace orvi::media::libav
