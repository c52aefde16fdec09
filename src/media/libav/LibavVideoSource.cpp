#include "media/libav/LibavVideoSource.h"

#include "media/libav/LibavFrameConverter.h"
#include "media/libav/LibavPointers.h"
#include "media/libav/LibavRuntime.h"
#include "media/libav/LibavStreamRotation.h"
#include "media/libav/LibavVideoAnalyzer.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <optional>
#include <utility>

namespace orvi::media::libav {

namespace {

// A picture the decoder marks as a key frame, or any intra-coded one: both restart the
// encoder's prediction, which is what leaves its cadence in the decoded video.
bool isKeyFrame(const AVFrame& frame)
{
#if LIBAVUTIL_VERSION_INT >= AV_VERSION_INT(58, 29, 100)
    const bool key = (frame.flags & AV_FRAME_FLAG_KEY) != 0;
#else
    const bool key = frame.key_frame != 0;
#endif
    return key || frame.pict_type == AV_PICTURE_TYPE_I;
}

} // namespace

struct LibavVideoSource::Decoder
{
    InputFormatContextPtr format;
    CodecContextPtr codec;
    PacketPtr packet;
    FramePtr frame;
    LibavFrameConverter converter;
    LibavFrameConverter secondConverter; // for a second reduced part of each frame
    int streamIndex = -1;
    int rotation = 0;
    bool inputOpened = false;
    bool inputEnded = false;
    bool decoderFlushed = false;

    // A seek by timestamp: the timestamp of the wanted frame, how much earlier than it the
    // demuxer was sent, whether a frame before it came out, and whether decoding started at
    // the beginning of the file (so that no earlier start exists).
    std::optional<int64_t> pendingSeekTarget;
    int64_t seekBackoff = 0;
    bool seekSawEarlierFrame = false;
    bool decodingFromStart = true;
    // A seek by counting: decoded frames still to drop.
    qint64 framesToSkip = 0;

    AVStream* stream() const { return format->streams[streamIndex]; }
    // Frames before a seek's own are still to be dropped.
    bool seeking() const { return pendingSeekTarget.has_value() || framesToSkip > 0; }
    // True for a packet shown before the frame a seek by timestamp looks for.
    bool precedesSeekTarget(const AVPacket& packet) const
    {
        return pendingSeekTarget.has_value() && *pendingSeekTarget != AV_NOPTS_VALUE &&
               packet.pts != AV_NOPTS_VALUE && packet.pts < *pendingSeekTarget;
    }
};

LibavVideoSource::LibavVideoSource(CancellationCallback cancellation, int decoderThreadCount)
    : m_cancellation(std::move(cancellation)), m_decoderThreadCount(std::max(0, decoderThreadCount))
{}

LibavVideoSource::~LibavVideoSource() = default;

bool LibavVideoSource::open(const QString& filePath, QString* error)
{
    close();
    m_cancellation.clear();
    QString message;
    bool ok = false;
    try {
        LibavVideoAnalyzer analyzer;
        VideoInfo probed;
        ok = analyzer.analyze([this] { return m_cancellation.isCancelled(); }, filePath, &probed,
                              &message);
        if (!ok && analyzer.wasCancelled()) {
            m_cancellation.markCancelled();
        }
        if (ok) {
            ok = prepare(probed, &message);
        }
    } catch (const std::bad_alloc&) {
        close();
        ok = false;
        message = tr("There is not enough memory to open the video.");
    }
    if (error != nullptr) {
        *error = ok ? QString() : message;
    }
    return ok;
}

bool LibavVideoSource::open(const VideoInfo& videoInfo, QString* error)
{
    close();
    m_cancellation.clear();
    QString message;
    bool ok = false;
    try {
        ok = prepare(videoInfo, &message);
    } catch (const std::bad_alloc&) {
        close();
        ok = false;
        message = tr("There is not enough memory to open the video.");
    }
    if (error != nullptr) {
        *error = ok ? QString() : message;
    }
    return ok;
}

void LibavVideoSource::close()
{
    m_decoder.reset();
    m_info = VideoInfo();
    m_nextIndex = 0;
    m_keyFrames.clear();
    m_open = false;
}

bool LibavVideoSource::prepare(const VideoInfo& videoInfo, QString* error)
{
    if (!LibavRuntime::check(error)) {
        return false;
    }
    // A variable record needs its whole timing map, or none at all (files without usable
    // timestamps, whose frames are then found by counting); a partial map is inconsistent.
    const bool timingUsable = videoInfo.hasCompleteTimingMap() || videoInfo.frameTimestamps.empty();
    const bool complete = !videoInfo.filePath.isEmpty() && videoInfo.frameSize.isValid() &&
                          videoInfo.nominalFrameRate > 0.0 && videoInfo.isUsable() &&
                          (!videoInfo.variableFrameRate || timingUsable);
    if (!complete) {
        *error = tr("The prepared video metadata is incomplete or unsupported.");
        return false;
    }
    if (m_cancellation.isCancelled()) {
        *error = tr("Starting video decoding was cancelled.");
        return false;
    }
    m_info = videoInfo;
    m_decoder = std::make_unique<Decoder>();
    if (!openDecoder(error)) {
        close();
        return false;
    }
    m_nextIndex = 0;
    readKeyFrameIndex();
    m_open = true;
    return true;
}

// Containers that index every frame (MP4, QuickTime) mark their key frames there: with one
// entry per frame in decoding order, a key frame that opens its group is shown as the frame
// of the same number. Anything else is learned while decoding.
void LibavVideoSource::readKeyFrameIndex()
{
    m_keyFrames.clear();
    AVStream* stream = m_decoder->stream();
    const int entries = avformat_index_get_entries_count(stream);
    if (entries < 1 || entries != m_info.frameCount)
        return;
    for (int i = 0; i < entries; ++i) {
        const AVIndexEntry* entry = avformat_index_get_entry(stream, i);
        if (entry != nullptr && (entry->flags & AVINDEX_KEYFRAME) != 0)
            m_keyFrames.push_back(i);
    }
}

bool LibavVideoSource::openDecoder(QString* error)
{
    Decoder& decoder = *m_decoder;
    if (!isOpenableInputPath(m_info.filePath)) {
        *error = tr("The video path does not name a regular file.");
        return false;
    }
    int result = 0;
    const AVIOInterruptCB interrupt{&LibavCancellation::interruptCallback, &m_cancellation};
    if (!openInterruptibleInput(m_info.filePath, interrupt, decoder.format, &result)) {
        *error = tr("Could not allocate the FFmpeg input context.");
        return false;
    }
    if (result < 0) {
        *error = m_cancellation.isCancelled()
                     ? tr("Starting video decoding was cancelled.")
                     : tr("Could not open the video through FFmpeg libraries: %1")
                           .arg(libavErrorText(result));
        return false;
    }
    decoder.inputOpened = true;
    result = avformat_find_stream_info(decoder.format.get(), nullptr);
    if (result < 0) {
        *error =
            m_cancellation.isCancelled()
                ? tr("Starting video decoding was cancelled.")
                : tr("Could not read video stream information: %1").arg(libavErrorText(result));
        return false;
    }
    const AVCodec* codec = nullptr;
    decoder.streamIndex =
        av_find_best_stream(decoder.format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (decoder.streamIndex < 0 || codec == nullptr) {
        decoder.streamIndex = -1;
        *error = tr("The file contains no video stream supported by this FFmpeg build.");
        return false;
    }
    decoder.codec = makeCodecContext(codec);
    if (!decoder.codec) {
        *error = tr("Could not allocate the FFmpeg decoder context.");
        return false;
    }
    AVStream* stream = decoder.stream();
    result = avcodec_parameters_to_context(decoder.codec.get(), stream->codecpar);
    if (result < 0) {
        *error = tr("Could not configure the FFmpeg decoder: %1").arg(libavErrorText(result));
        return false;
    }
    if (m_decoderThreadCount > 0) {
        decoder.codec->thread_count = m_decoderThreadCount;
    }
    decoder.codec->pkt_timebase = stream->time_base;
    result = avcodec_open2(decoder.codec.get(), codec, nullptr);
    if (result < 0) {
        *error = tr("Could not start the FFmpeg decoder: %1").arg(libavErrorText(result));
        return false;
    }
    decoder.packet = makePacket();
    decoder.frame = makeFrame();
    if (!decoder.packet || !decoder.frame) {
        *error = tr("Could not allocate FFmpeg frame buffers.");
        return false;
    }
    decoder.rotation = streamRotationDegrees(stream);
    if (!isRightAngle(decoder.rotation)) {
        *error = tr("This video uses an unsupported non-right-angle display rotation.");
        return false;
    }
    const AVCodecParameters* parameters = stream->codecpar;
    const QSize displaySize = isQuarterTurn(decoder.rotation)
                                  ? QSize(parameters->height, parameters->width)
                                  : QSize(parameters->width, parameters->height);
    if (displaySize != m_info.frameSize) {
        *error = tr("Decoded video dimensions do not match the analyzed metadata.");
        return false;
    }
    return true;
}

LibavVideoSource::DecodeStatus LibavVideoSource::decodeNextFrame(QString* error)
{
    while (true) {
        if (m_cancellation.isCancelled()) {
            *error = tr("Video decoding was cancelled.");
            return DecodeStatus::Failed;
        }
        Decoder& decoder = *m_decoder; // a seek may start the decoder afresh
        if (decoder.seeking() && m_seekInterruption && m_seekInterruption()) {
            *error = tr("The seek was given up for a later one.");
            return DecodeStatus::Failed;
        }
        const int result = avcodec_receive_frame(decoder.codec.get(), decoder.frame.get());
        if (result >= 0) {
            const FrameFate fate = judgeSeekFrame();
            if (fate == FrameFate::Keep) {
                return DecodeStatus::FrameReady;
            }
            av_frame_unref(decoder.frame.get());
            if (fate == FrameFate::SeekEarlier && !seekEarlier(error)) {
                return DecodeStatus::Failed;
            }
            continue;
        }
        if (result == AVERROR_EOF) {
            // Nothing decodable followed the demuxer's landing point.
            if (decoder.pendingSeekTarget.has_value() && !decoder.seekSawEarlierFrame &&
                !decoder.decodingFromStart) {
                if (!seekEarlier(error)) {
                    return DecodeStatus::Failed;
                }
                continue;
            }
            return DecodeStatus::End;
        }
        if (result != AVERROR(EAGAIN)) {
            *error = tr("FFmpeg could not return a decoded frame: %1").arg(libavErrorText(result));
            return DecodeStatus::Failed;
        }
        const DecodeStatus fed = feedDecoder(error);
        if (fed != DecodeStatus::FrameReady) {
            return fed;
        }
    }
}

// After a seek, frames before the wanted one are dropped. Demuxers without a key-frame index
// (MPEG-TS) may land after the key frame the wanted frame depends on: the decoder then
// starts with a later frame (or with none), and the seek is tried again further back.
LibavVideoSource::FrameFate LibavVideoSource::judgeSeekFrame()
{
    Decoder& decoder = *m_decoder;
    if (decoder.framesToSkip > 0) {
        --decoder.framesToSkip;
        return FrameFate::Drop;
    }
    if (!decoder.pendingSeekTarget.has_value()) {
        return FrameFate::Keep;
    }
    const int64_t target = *decoder.pendingSeekTarget;
    const int64_t timestamp = decoder.frame->best_effort_timestamp;
    if (timestamp != AV_NOPTS_VALUE && target != AV_NOPTS_VALUE) {
        if (timestamp < target) {
            decoder.seekSawEarlierFrame = true;
            return FrameFate::Drop;
        }
        if (timestamp > target && !decoder.seekSawEarlierFrame && !decoder.decodingFromStart) {
            return FrameFate::SeekEarlier;
        }
    }
    decoder.pendingSeekTarget.reset();
    return FrameFate::Keep;
}

bool LibavVideoSource::seekEarlier(QString* error)
{
    Decoder& decoder = *m_decoder;
    const int64_t target = *decoder.pendingSeekTarget;
    const int64_t oneSecond = std::max<int64_t>(
        1, av_rescale_q(AV_TIME_BASE, AV_TIME_BASE_Q, decoder.stream()->time_base));
    const int64_t backoff = std::max(oneSecond, decoder.seekBackoff * 2);
    const int64_t position = target - backoff;
    if (position <= m_info.frameTimestamps.front() || !seekDemuxer(position, target, error)) {
        return restartFromBeginning(target, error);
    }
    m_decoder->seekBackoff = backoff;
    return true;
}

// Gives the decoder more input: the next video packet, or the flush once the input ended.
// FrameReady here means "input was given, ask the decoder again".
LibavVideoSource::DecodeStatus LibavVideoSource::feedDecoder(QString* error)
{
    Decoder& decoder = *m_decoder;
    if (decoder.inputEnded) {
        if (decoder.decoderFlushed) {
            return DecodeStatus::End;
        }
        const int result = avcodec_send_packet(decoder.codec.get(), nullptr);
        if (result < 0 && result != AVERROR_EOF) {
            *error = tr("FFmpeg could not flush the video decoder: %1").arg(libavErrorText(result));
            return DecodeStatus::Failed;
        }
        decoder.decoderFlushed = true;
        return DecodeStatus::FrameReady;
    }
    AVPacket* packet = decoder.packet.get();
    while (true) {
        const int result = av_read_frame(decoder.format.get(), packet);
        if (result == AVERROR_EOF) {
            decoder.inputEnded = true;
            return DecodeStatus::FrameReady;
        }
        if (result < 0) {
            *error = m_cancellation.isCancelled()
                         ? tr("Video decoding was cancelled.")
                         : tr("FFmpeg could not read the next video packet: %1")
                               .arg(libavErrorText(result));
            return DecodeStatus::Failed;
        }
        if (packet->stream_index == decoder.streamIndex) {
            break;
        }
        av_packet_unref(packet);
    }
    // On the way to a seek's frame, pictures that nothing refers to are not decoded at all:
    // they would be dropped, and skipping them leaves every later picture exactly as it was.
    decoder.codec->skip_frame =
        decoder.precedesSeekTarget(*packet) ? AVDISCARD_NONREF : AVDISCARD_DEFAULT;
    const int sent = avcodec_send_packet(decoder.codec.get(), packet);
    av_packet_unref(packet);
    if (sent < 0) {
        *error = tr("FFmpeg could not submit a video packet to the decoder: %1")
                     .arg(libavErrorText(sent));
        return DecodeStatus::Failed;
    }
    return DecodeStatus::FrameReady;
}

bool LibavVideoSource::convertFrame(QImage* image, QString* error)
{
    using Status = LibavFrameConverter::Status;
    // An unshared image of the expected size is converted into again (see the converter);
    // it goes back to the caller unchanged when the conversion fails before writing to it.
    const AVFrame& decoded = *m_decoder->frame;
    const bool reuse = m_decoder->rotation == 0 && image->isDetached() &&
                       image->format() == QImage::Format_RGBA8888 &&
                       image->size() == m_info.frameSize &&
                       QSize(decoded.width, decoded.height) == m_info.frameSize;
    QImage converted;
    if (reuse) {
        converted.swap(*image);
    }
    const Status status = m_decoder->converter.convert(decoded, m_decoder->rotation, &converted);
    if (reuse && status != Status::Ok) {
        image->swap(converted);
    }
    if (!conversionSucceeded(int(status), error)) {
        return false;
    }
    if (converted.isNull() || converted.size() != m_info.frameSize) {
        *error = tr("The decoded frame does not match the expected display size.");
        return false;
    }
    *image = std::move(converted);
    return true;
}

bool LibavVideoSource::convertReducedFrame(const QRect& crop, const QSize& size, QImage* image,
                                           QString* error, bool second)
{
    const AVFrame& decoded = *m_decoder->frame;
    const QSize coded(decoded.width, decoded.height);
    const QSize display = m_decoder->rotation % 180 != 0 ? coded.transposed() : coded;
    if (display != m_info.frameSize) {
        *error = tr("The decoded frame does not match the expected display size.");
        return false;
    }
    const LibavFrameConverter::Status status =
        second ? m_decoder->secondConverter.convertReduced(decoded, m_decoder->rotation, crop, size,
                                                           image)
               : m_decoder->converter.convertReducedLuminance(decoded, m_decoder->rotation, crop,
                                                              size, image);
    return conversionSucceeded(int(status), error);
}

bool LibavVideoSource::conversionSucceeded(int status, QString* error)
{
    using Status = LibavFrameConverter::Status;
    switch (Status(status)) {
    case Status::Ok:
        return true;
    case Status::InvalidDimensions:
        *error = tr("FFmpeg returned a decoded frame with invalid dimensions.");
        return false;
    case Status::ImageAllocationFailed:
        *error = tr("Could not allocate memory for the decoded frame.");
        return false;
    case Status::ScalerUnavailable:
        *error = tr("Could not prepare FFmpeg pixel conversion.");
        return false;
    case Status::RowTooLarge:
        *error = tr("The decoded frame row is too large for FFmpeg pixel conversion.");
        return false;
    case Status::ScaleIncomplete:
        *error = tr("FFmpeg could not convert the decoded frame to RGBA.");
        return false;
    case Status::CropOutsideFrame:
        *error = tr("The requested part of the frame lies outside the decoded frame.");
        return false;
    }
    return false;
}

ReadResult LibavVideoSource::readFrame(VideoFrame& frame, QString* error)
{
    // Decoding into the frame's own image lets a reader that keeps one frame object reuse
    // its buffer; the image is only replaced on success.
    return readInto(
        frame, [&](QString* message) { return convertFrame(&frame.image, message); }, error);
}

ReadResult LibavVideoSource::readReducedFrame(const QRect& crop, const QSize& size,
                                              VideoFrame& frame, QImage* fullImage, QString* error,
                                              ReducedPart* second)
{
    const auto convert = [&](QString* message) {
        return (fullImage == nullptr || convertFrame(fullImage, message)) &&
               convertReducedFrame(crop, size, &frame.image, message) &&
               (second == nullptr ||
                convertReducedFrame(second->crop, second->size, &second->image, message, true));
    };
    return readInto(frame, convert, error);
}

ReadResult LibavVideoSource::readInto(VideoFrame& frame, const Conversion& convert, QString* error)
{
    qint64 index = -1;
    qint64 timeUs = -1;
    const auto convertAndMark = [&](QString* message) {
        frame.keyFrame = isKeyFrame(*m_decoder->frame);
        return convert(message);
    };
    const ReadResult result = advance(convertAndMark, &index, &timeUs, error);
    if (result == ReadResult::Frame) {
        frame.frameIndex = index;
        frame.presentationTimeUs = timeUs;
    }
    return result;
}

void LibavVideoSource::rememberKeyFrame(qint64 index)
{
    const auto at = std::lower_bound(m_keyFrames.begin(), m_keyFrames.end(), index);
    if (at == m_keyFrames.end() || *at != index)
        m_keyFrames.insert(at, index);
}

qint64 LibavVideoSource::keyFrameAfter(qint64 frameIndex) const
{
    const auto seen = std::upper_bound(m_keyFrames.begin(), m_keyFrames.end(), frameIndex);
    if (seen != m_keyFrames.end())
        return *seen;
    // The spacing counts as steady when the last three key frames seen share it.
    const size_t count = m_keyFrames.size();
    if (count < 3)
        return -1;
    const qint64 last = m_keyFrames[count - 1];
    const qint64 spacing = last - m_keyFrames[count - 2];
    if (spacing < 1 || m_keyFrames[count - 2] - m_keyFrames[count - 3] != spacing)
        return -1;
    const qint64 next = last + spacing * ((frameIndex - last) / spacing + 1);
    return m_info.frameCount >= 1 && next >= m_info.frameCount ? -1 : next;
}

qint64 LibavVideoSource::keyFrameAtOrBefore(qint64 frameIndex) const
{
    if (frameIndex < 0 || (m_info.frameCount >= 1 && frameIndex >= m_info.frameCount))
        return -1;
    const auto after = std::upper_bound(m_keyFrames.begin(), m_keyFrames.end(), frameIndex);
    if (after == m_keyFrames.begin())
        return -1;
    const qint64 last = *std::prev(after);
    if (after != m_keyFrames.end() || m_keyFrames.size() < 3)
        return last;
    // Beyond the last key frame seen, a steady spacing (see keyFrameAfter) says more.
    const size_t count = m_keyFrames.size();
    const qint64 spacing = last - m_keyFrames[count - 2];
    if (spacing < 1 || m_keyFrames[count - 2] - m_keyFrames[count - 3] != spacing)
        return last;
    return last + spacing * ((frameIndex - last) / spacing);
}

ReadResult LibavVideoSource::skipFrame(qint64* frameIndex, qint64* presentationTimeUs,
                                       QString* error)
{
    return advance({}, frameIndex, presentationTimeUs, error);
}

ReadResult LibavVideoSource::advance(const Conversion& convert, qint64* frameIndex,
                                     qint64* presentationTimeUs, QString* error)
{
    QString message;
    ReadResult result = ReadResult::Error;
    try {
        if (!m_open) {
            message = tr("The video source is not open or no frame output was provided.");
        } else if (m_info.frameCount >= 1 && m_nextIndex >= m_info.frameCount) {
            result = ReadResult::EndOfStream;
        } else {
            const DecodeStatus status = decodeNextFrame(&message);
            if (status == DecodeStatus::End) {
                result = ReadResult::EndOfStream;
            } else if (status == DecodeStatus::FrameReady) {
                if (isKeyFrame(*m_decoder->frame))
                    rememberKeyFrame(m_nextIndex);
                const bool converted = !convert || convert(&message);
                av_frame_unref(m_decoder->frame.get());
                // The frame was consumed even when its conversion failed: the next one keeps
                // its own index and time.
                const qint64 index = m_nextIndex++;
                if (converted) {
                    if (frameIndex != nullptr) {
                        *frameIndex = index;
                    }
                    if (presentationTimeUs != nullptr) {
                        *presentationTimeUs = gridTimeUs(index);
                    }
                    result = ReadResult::Frame;
                }
            }
        }
    } catch (const std::bad_alloc&) {
        message = tr("Could not allocate memory for the decoded frame.");
        result = ReadResult::Error;
    }
    if (error != nullptr) {
        *error = result == ReadResult::Error ? message : QString();
    }
    return result;
}

bool LibavVideoSource::seekToFrame(qint64 frameIndex, QString* error)
{
    QString message;
    bool ok = false;
    if (!m_open) {
        message = tr("The video file is not open.");
    } else if (frameIndex < 0 || (m_info.frameCount >= 1 && frameIndex >= m_info.frameCount)) {
        message = tr("The frame index is outside the video.");
    } else {
        ok = seekToIndex(frameIndex, &message);
    }
    if (error != nullptr) {
        *error = ok ? QString() : message;
    }
    return ok;
}

bool LibavVideoSource::seekToTimeUs(qint64 timeUs, QString* error)
{
    QString message;
    bool ok = false;
    if (!m_open) {
        message = tr("The video file is not open.");
    } else if (timeUs < 0 || (m_info.durationUs >= 1 && timeUs >= m_info.durationUs)) {
        message = tr("The seek position is outside the video.");
    } else {
        const double position =
            std::ceil(static_cast<double>(timeUs) * m_info.nominalFrameRate / 1e6 - 1e-12);
        const bool beyond =
            !std::isfinite(position) || position < 0.0 ||
            (m_info.frameCount >= 1 && position >= static_cast<double>(m_info.frameCount));
        if (beyond) {
            message = tr("The frame index is outside the video.");
        } else {
            ok = seekToIndex(static_cast<qint64>(position), &message);
        }
    }
    if (error != nullptr) {
        *error = ok ? QString() : message;
    }
    return ok;
}

bool LibavVideoSource::seekToIndex(qint64 index, QString* error)
{
    if (m_cancellation.isCancelled()) {
        *error = tr("Video decoding was cancelled.");
        return false;
    }
    if (!m_info.hasCompleteTimingMap()) {
        return seekByCounting(index, error);
    }
    const int64_t target = m_info.frameTimestamps[static_cast<std::size_t>(index)];
    if (!seekDemuxer(target, target, error)) {
        return false;
    }
    m_nextIndex = index;
    return true;
}

// Without a complete timing map there is no timestamp to look for: frames are counted in
// decoding order from the beginning, as the probe counted them.
bool LibavVideoSource::seekByCounting(qint64 index, QString* error)
{
    Decoder& decoder = *m_decoder;
    const qint64 position = m_nextIndex - decoder.framesToSkip;
    if (index < position || decoder.pendingSeekTarget.has_value()) {
        if (!restartFromBeginning(std::nullopt, error)) {
            return false;
        }
        m_decoder->framesToSkip = index;
    } else {
        decoder.framesToSkip = index - position;
    }
    m_nextIndex = index;
    return true;
}

bool LibavVideoSource::seekDemuxer(int64_t position, int64_t target, QString* error)
{
    Decoder& decoder = *m_decoder;
    const int result =
        av_seek_frame(decoder.format.get(), decoder.streamIndex, position, AVSEEK_FLAG_BACKWARD);
    if (result < 0) {
        *error =
            m_cancellation.isCancelled()
                ? tr("Video decoding was cancelled.")
                : tr("Could not seek through the FFmpeg libraries: %1").arg(libavErrorText(result));
        return false;
    }
    avcodec_flush_buffers(decoder.codec.get());
    av_packet_unref(decoder.packet.get());
    av_frame_unref(decoder.frame.get());
    decoder.inputEnded = false;
    decoder.decoderFlushed = false;
    decoder.pendingSeekTarget = target;
    decoder.seekBackoff = 0;
    decoder.seekSawEarlierFrame = false;
    decoder.decodingFromStart = false;
    decoder.framesToSkip = 0;
    return true;
}

// Opens the file afresh, which puts every demuxer at its first frame.
bool LibavVideoSource::restartFromBeginning(std::optional<int64_t> target, QString* error)
{
    m_decoder = std::make_unique<Decoder>();
    if (!openDecoder(error)) {
        close();
        return false;
    }
    m_decoder->pendingSeekTarget = target;
    return true;
}

qint64 LibavVideoSource::gridTimeUs(qint64 index) const
{
    return std::llround(static_cast<double>(index) * 1e6 / m_info.nominalFrameRate);
}

} // namespace orvi::media::libav
