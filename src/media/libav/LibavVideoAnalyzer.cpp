#include "media/libav/LibavVideoAnalyzer.h"

#include "media/FrameIntervalRule.h"
#include "media/libav/LibavFrameConverter.h"
#include "media/libav/LibavPointers.h"
#include "media/libav/LibavRuntime.h"
#include "media/libav/LibavStreamRotation.h"

#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <new>
#include <utility>

namespace orvi::media::libav {

namespace {

constexpr qint64 progressIntervalMs = 100;
constexpr int maxDecoderThreads = 8;

double rateOf(AVRational rational)
{
    if (rational.num < 1 || rational.den < 1) {
        return 0.0;
    }
    const double rate = av_q2d(rational);
    return std::isfinite(rate) && rate > 0.0 ? rate : 0.0;
}

// Within 2 % of the reference (at least 0.01 fps).
bool rateAgreesWith(double rate, double reference)
{
    return std::abs(rate - reference) <= std::max(0.02 * reference, 0.01);
}

// The first key ending in the playback-intent suffix decides; null when none.
const AVDictionaryEntry* playbackIntentEntry(const AVDictionary* metadata)
{
    static const QString suffix = QStringLiteral("full-frame-rate-playback-intent");
    const AVDictionaryEntry* entry = nullptr;
    while ((entry = av_dict_get(metadata, "", entry, AV_DICT_IGNORE_SUFFIX)) != nullptr) {
        if (QString::fromUtf8(entry->key).endsWith(suffix, Qt::CaseInsensitive)) {
            return entry;
        }
    }
    return nullptr;
}

bool hasSlowMotionIntent(const AVStream* stream, const AVFormatContext* format)
{
    const AVDictionaryEntry* entry = playbackIntentEntry(stream->metadata);
    if (entry == nullptr) {
        entry = playbackIntentEntry(format->metadata);
    }
    if (entry == nullptr || entry->value == nullptr) {
        return false;
    }
    const QString value = QString::fromUtf8(entry->value).trimmed();
    return value == QLatin1String("0") ||
           value.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0;
}

} // namespace

struct LibavVideoAnalyzer::Probe
{
    QString filePath;
    FirstFrameCallback firstFrameCallback;
    ProgressCallback progressCallback;
    std::shared_ptr<ScrubbingProxy> proxy; // null when none is wanted or it failed
    LibavFrameConverter proxyConverter;
    QImage proxyPicture;
    qint64 framesSinceKey = 0;
    bool proxyClosed = false;

    InputFormatContextPtr format;
    CodecContextPtr decoder;
    PacketPtr packet;
    FramePtr frame;
    const AVCodec* codec = nullptr;
    int streamIndex = -1;
    AVRational timeBase{0, 1};
    int rotation = 0;

    VideoInfo draft;
    double baseFrameRate = 0.0;
    qint64 frameCounter = 0;
    bool irregular = false;
    bool monotonic = true;
    bool havePreviousTime = false;
    bool haveFirstTime = false;
    bool anyTimestamp = false;
    double previousTime = 0.0;
    double firstTime = 0.0;
    double expectedInterval = 0.0;
    double tolerance = 0.0;
    QElapsedTimer progressTimer;
    QElapsedTimer totalTimer;

    void release()
    {
        frame.reset();
        packet.reset();
        decoder.reset();
        format.reset();
    }
};

bool LibavVideoAnalyzer::analyze(CancellationCallback cancellation, const QString& filePath,
                                 VideoInfo* videoInfo, QString* error,
                                 FirstFrameCallback firstFrameCallback,
                                 ProgressCallback progressCallback,
                                 std::shared_ptr<const ScrubbingProxy>* scrubbingProxy)
{
    m_cancellation.reset(std::move(cancellation));
    QString message;
    bool ok = false;
    try {
        Probe probe;
        probe.totalTimer.start();
        if (filePath.isEmpty() || videoInfo == nullptr) {
            message = tr("No input video file was specified.");
        } else {
            probe.filePath = filePath;
            probe.firstFrameCallback = std::move(firstFrameCallback);
            probe.progressCallback = std::move(progressCallback);
            if (scrubbingProxy != nullptr) {
                probe.proxy = std::make_shared<ScrubbingProxy>();
                probe.proxyConverter.setFastReduction(true);
            }
            ok = runProbe(probe, &message);
            probe.release();
            if (ok) {
                probe.draft.totalMs = probe.totalTimer.elapsed();
                *videoInfo = std::move(probe.draft);
                if (scrubbingProxy != nullptr && probe.proxy && !probe.proxy->isEmpty())
                    *scrubbingProxy = std::move(probe.proxy);
            }
        }
    } catch (const std::bad_alloc&) {
        ok = false;
        message = tr("There is not enough memory to analyze the video.");
    } catch (...) {
        ok = false;
        message = tr("Video analysis failed unexpectedly.");
    }
    if (error != nullptr) {
        *error = ok ? QString() : message;
    }
    return ok;
}

bool LibavVideoAnalyzer::runProbe(Probe& probe, QString* error)
{
    if (!LibavRuntime::check(error)) {
        return false;
    }
    const QString cancelled = tr("Video analysis was cancelled.");
    if (m_cancellation.isCancelled()) {
        *error = cancelled;
        return false;
    }
    if (!openInput(probe, error)) {
        return false;
    }
    readStreamProperties(probe);
    if (!openDecoder(probe, error)) {
        return false;
    }
    const bool decoded = decodeTimeGrid(probe, error);
    probe.release();
    if (m_cancellation.isCancelled()) {
        *error = cancelled;
        return false;
    }
    if (!decoded) {
        return false;
    }
    finishRecord(probe);
    if (probe.draft.frameSize.isValid() && probe.draft.isUsable()) {
        return true;
    }
    *error = tr("The FFmpeg libraries could not determine the video size, duration, or frame "
                "rate.");
    return false;
}

bool LibavVideoAnalyzer::openInput(Probe& probe, QString* error)
{
    if (!isOpenableInputPath(probe.filePath)) {
        *error = tr("The video path does not name a regular file.");
        return false;
    }
    int result = 0;
    const AVIOInterruptCB interrupt{&LibavCancellation::interruptCallback, &m_cancellation};
    if (!openInterruptibleInput(probe.filePath, interrupt, probe.format, &result)) {
        *error = tr("Could not allocate the FFmpeg input context.");
        return false;
    }
    if (result < 0) {
        *error = m_cancellation.isCancelled()
                     ? tr("Video analysis was cancelled.")
                     : tr("Could not open the video through FFmpeg libraries: %1")
                           .arg(libavErrorText(result));
        return false;
    }
    result = avformat_find_stream_info(probe.format.get(), nullptr);
    if (result < 0) {
        *error =
            m_cancellation.isCancelled()
                ? tr("Video analysis was cancelled.")
                : tr("Could not read video stream information: %1").arg(libavErrorText(result));
        return false;
    }
    probe.streamIndex =
        av_find_best_stream(probe.format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &probe.codec, 0);
    if (probe.streamIndex < 0 || probe.codec == nullptr) {
        *error = tr("No supported video stream was found in the input file.");
        return false;
    }
    return true;
}

void LibavVideoAnalyzer::readStreamProperties(Probe& probe)
{
    AVFormatContext* format = probe.format.get();
    AVStream* stream = format->streams[probe.streamIndex];
    const AVCodecParameters* parameters = stream->codecpar;
    VideoInfo& draft = probe.draft;

    draft.filePath = probe.filePath;
    if (format->iformat != nullptr && format->iformat->name != nullptr) {
        draft.containerName = QString::fromUtf8(format->iformat->name);
    }
    draft.codecName = QString::fromUtf8(avcodec_get_name(parameters->codec_id));

    probe.rotation = streamRotationDegrees(stream);
    draft.frameSize = isQuarterTurn(probe.rotation) ? QSize(parameters->height, parameters->width)
                                                    : QSize(parameters->width, parameters->height);

    probe.timeBase = stream->time_base;
    if (stream->duration >= 1 && stream->time_base.num > 0 && stream->time_base.den > 0) {
        draft.durationUs = av_rescale_q(stream->duration, stream->time_base, AV_TIME_BASE_Q);
    } else if (format->duration >= 1) {
        draft.durationUs = av_rescale_q(format->duration, AV_TIME_BASE_Q, AV_TIME_BASE_Q);
    }
    draft.frameCount = stream->nb_frames > 0 ? stream->nb_frames : 0;

    draft.nominalFrameRate = rateOf(stream->avg_frame_rate);
    if (draft.nominalFrameRate <= 0.0) {
        draft.nominalFrameRate = rateOf(av_guess_frame_rate(format, stream, nullptr));
    }
    probe.baseFrameRate = rateOf(stream->r_frame_rate);
    if (draft.nominalFrameRate <= 0.0) {
        draft.nominalFrameRate = probe.baseFrameRate;
    }
    draft.slowMotionPlaybackIntent = hasSlowMotionIntent(stream, format);
}

bool LibavVideoAnalyzer::openDecoder(Probe& probe, QString* error)
{
    probe.decoder = makeCodecContext(probe.codec);
    if (!probe.decoder) {
        *error = tr("Could not allocate the FFmpeg decoder context.");
        return false;
    }
    AVCodecContext* decoder = probe.decoder.get();
    int result =
        avcodec_parameters_to_context(decoder, probe.format->streams[probe.streamIndex]->codecpar);
    if (result >= 0) {
        decoder->thread_count = std::clamp(QThread::idealThreadCount(), 1, maxDecoderThreads);
        decoder->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
        decoder->pkt_timebase = probe.timeBase;
        result = avcodec_open2(decoder, probe.codec, nullptr);
    }
    if (result < 0) {
        *error = tr("Could not start time-grid analysis: %1").arg(libavErrorText(result));
        return false;
    }
    probe.packet = makePacket();
    probe.frame = makeFrame();
    if (!probe.packet || !probe.frame) {
        *error = tr("Could not start time-grid analysis: %1")
                     .arg(tr("FFmpeg frame buffers are unavailable."));
        return false;
    }
    probe.draft.decoderThreadLimit = std::max(1, decoder->thread_count);
    probe.draft.metadataMs = probe.totalTimer.elapsed();

    const double nominal = probe.draft.nominalFrameRate;
    probe.expectedInterval = nominal > 0.0 ? 1.0 / nominal : 0.0;
    probe.tolerance = std::max(0.02 * probe.expectedInterval, 0.0001);
    return true;
}

bool LibavVideoAnalyzer::decodeTimeGrid(Probe& probe, QString* error)
{
    probe.progressTimer.start();
    AVFormatContext* format = probe.format.get();
    AVPacket* packet = probe.packet.get();
    while (true) {
        const int readResult = av_read_frame(format, packet);
        if (readResult == AVERROR_EOF) {
            break;
        }
        if (readResult < 0) {
            if (!m_cancellation.isCancelled()) {
                *error =
                    tr("Could not read the video time grid: %1").arg(libavErrorText(readResult));
            }
            return false;
        }
        if (packet->stream_index == probe.streamIndex) {
            int sendResult = avcodec_send_packet(probe.decoder.get(), packet);
            if (sendResult == AVERROR(EAGAIN)) {
                // The decoder wants its output taken first; drain it and offer the packet again.
                if (!receiveFrames(probe, error)) {
                    av_packet_unref(packet);
                    return false;
                }
                sendResult = avcodec_send_packet(probe.decoder.get(), packet);
            }
            av_packet_unref(packet);
            if (sendResult < 0) {
                *error = tr("Could not submit a frame for time-grid analysis: %1")
                             .arg(libavErrorText(sendResult));
                return false;
            }
            if (!receiveFrames(probe, error)) {
                return false;
            }
        } else {
            av_packet_unref(packet);
        }
        if (m_cancellation.isCancelled()) {
            return false;
        }
    }
    const int flushResult = avcodec_send_packet(probe.decoder.get(), nullptr);
    if (flushResult < 0 && flushResult != AVERROR_EOF) {
        *error = tr("Could not finish time-grid analysis: %1").arg(libavErrorText(flushResult));
        return false;
    }
    return receiveFrames(probe, error);
}

bool LibavVideoAnalyzer::receiveFrames(Probe& probe, QString* error)
{
    while (true) {
        const int result = avcodec_receive_frame(probe.decoder.get(), probe.frame.get());
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) {
            return true;
        }
        if (result < 0) {
            *error = tr("Could not decode the video time grid: %1").arg(libavErrorText(result));
            return false;
        }
        recordFrame(probe);
        av_frame_unref(probe.frame.get());
        if (m_cancellation.isCancelled()) {
            return false;
        }
    }
}

void LibavVideoAnalyzer::recordFrame(Probe& probe)
{
    const AVFrame& frame = *probe.frame;
    if (probe.frameCounter == 0 && probe.firstFrameCallback && !m_cancellation.isCancelled()) {
        LibavFrameConverter converter;
        QImage image;
        if (converter.convert(frame, probe.rotation, &image) == LibavFrameConverter::Status::Ok) {
            try {
                probe.firstFrameCallback(image);
            } catch (...) {
                // The preview is a courtesy; its failures do not stop the probe.
            }
        }
    }
    if (probe.proxy)
        addProxyPicture(probe, frame);
    ++probe.frameCounter;

    std::vector<qint64>& timestamps = probe.draft.frameTimestamps;
    const qint64 timestamp = frame.best_effort_timestamp;
    const bool present = timestamp != AV_NOPTS_VALUE;
    if (!present || (!timestamps.empty() && timestamp <= timestamps.back())) {
        probe.monotonic = false;
    }
    timestamps.push_back(timestamp);

    if (present) {
        probe.anyTimestamp = true;
        const double time = static_cast<double>(timestamp) * av_q2d(probe.timeBase);
        if (!std::isfinite(time)) {
            probe.irregular = true;
        } else {
            if (probe.havePreviousTime) {
                const double interval = time - probe.previousTime;
                if (interval <= 0.0 ||
                    (probe.expectedInterval > 0.0 &&
                     std::abs(interval - probe.expectedInterval) > probe.tolerance)) {
                    probe.irregular = true;
                }
            }
            probe.previousTime = time;
            probe.havePreviousTime = true;
        }
    } else {
        probe.irregular = true;
    }
    if (!probe.haveFirstTime && probe.havePreviousTime) {
        probe.firstTime = probe.previousTime;
        probe.haveFirstTime = true;
    }

    if (probe.progressCallback &&
        (probe.frameCounter == 1 || probe.progressTimer.elapsed() >= progressIntervalMs)) {
        const VideoInfo& draft = probe.draft;
        double value = -1.0;
        if (draft.frameCount >= 1) {
            value = static_cast<double>(probe.frameCounter) / static_cast<double>(draft.frameCount);
        } else if (draft.durationUs > 0 && probe.haveFirstTime) {
            value = (probe.previousTime - probe.firstTime) * 1e6 /
                    static_cast<double>(draft.durationUs);
        }
        if (!std::isfinite(value) || value < 0.0) {
            value = -1.0;
        }
        try {
            probe.progressCallback(std::min(value, 0.99));
        } catch (...) {
            // A failing observer must not abort the probe.
        }
        probe.progressTimer.restart();
    }
}

void LibavVideoAnalyzer::addProxyPicture(Probe& probe, const AVFrame& frame)
{
    probe.framesSinceKey = frame.key_frame ? 0 : probe.framesSinceKey + 1;
    if (probe.proxyClosed ||
        !ScrubbingProxy::worthPicturing(probe.framesSinceKey, probe.draft.frameSize))
        return;
    const QSize size = ScrubbingProxy::pictureSize(probe.draft.frameSize);
    const QRect whole(QPoint(0, 0), probe.draft.frameSize);
    // A frame that cannot be pictured (its size changed, say) ends the proxy where it is.
    probe.proxyClosed = size.isEmpty() ||
                        probe.proxyConverter.convertReduced(frame, probe.rotation, whole, size,
                                                            &probe.proxyPicture) !=
                            LibavFrameConverter::Status::Ok ||
                        !probe.proxy->add(probe.frameCounter, probe.proxyPicture);
    if (probe.proxyClosed) {
        probe.proxyConverter.reset();
        probe.proxyPicture = QImage();
    }
}

void LibavVideoAnalyzer::finishRecord(Probe& probe)
{
    VideoInfo& draft = probe.draft;
    draft.variableFrameRate = probe.irregular || probe.frameCounter < 2 || !probe.anyTimestamp;
    if (probe.frameCounter >= 1) {
        draft.frameCount = probe.frameCounter;
    }
    if (!probe.monotonic) {
        draft.frameTimestamps.clear();
        draft.frameTimestamps.shrink_to_fit();
    }
    draft.decodeMs = probe.totalTimer.elapsed() - draft.metadataMs;

    QElapsedTimer timingTimer;
    timingTimer.start();
    analyzeUniformity(draft, av_q2d(probe.timeBase));
    draft.timingMs = timingTimer.elapsed();

    const double nominal = draft.nominalFrameRate;
    const bool ratesAgree =
        probe.baseFrameRate <= 0.0 || rateAgreesWith(probe.baseFrameRate, nominal);
    if (!draft.variableFrameRate && !draft.slowMotionPlaybackIntent && ratesAgree &&
        nominal > 0.0) {
        draft.detectedCaptureFrameRate = nominal;
        draft.captureFrameRate = nominal;
    }
    if (draft.durationUs < 1 && draft.frameCount >= 1 && nominal > 0.0) {
        draft.durationUs = std::llround(static_cast<double>(draft.frameCount) * 1e6 / nominal);
    }
}

void LibavVideoAnalyzer::analyzeUniformity(VideoInfo& info, double timeBaseSeconds)
{
    info.uniformStartFrame = -1;
    info.timestampTimeBase = timeBaseSeconds;
    if (!info.hasCompleteTimingMap() || info.frameCount < 2 || !std::isfinite(timeBaseSeconds) ||
        timeBaseSeconds <= 0.0) {
        return;
    }
    const std::vector<qint64>& timestamps = info.frameTimestamps;
    const auto count = static_cast<std::size_t>(info.frameCount);
    std::vector<double> intervals;
    intervals.reserve(count - 1);
    for (std::size_t i = 1; i < count; ++i) {
        const double interval =
            static_cast<double>(timestamps[i] - timestamps[i - 1]) * timeBaseSeconds;
        if (!std::isfinite(interval) || interval <= 0.0) {
            return;
        }
        intervals.push_back(interval);
    }
    const auto k = static_cast<qint64>(
        FrameIntervalRule(std::move(intervals), info.nominalFrameRate, timeBaseSeconds)
            .uniformTailStart());
    info.variableFrameRate = k != 0;
    if (k == 0) {
        info.uniformStartFrame = 0;
        return;
    }
    const qint64 tail = info.frameCount - k;
    if (tail >= 32 && tail >= k) {
        info.uniformStartFrame = k;
    }
}

} // namespace orvi::media::libav
