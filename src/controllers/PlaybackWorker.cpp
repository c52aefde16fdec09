#include "controllers/PlaybackWorker.h"

#include "media/VideoBackend.h"
#include "results/TemporaryVideo.h"
#include "results/TemporaryVideoSource.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <cmath>

namespace orvi::ui::playback {

namespace {

constexpr double kMaximumTicksPerSecond = 30.0;
constexpr int kIdleTickIntervalMs = 33;
constexpr int kDecoderThreads = 2;
// Below this many frames behind, decoding forward is cheaper than a jump to a key frame.
constexpr qint64 kJumpMinimumFrames = 8;
// A seek this many frames or more past its key frame shows the key frame while it decodes on
// (at 1080p about a tenth of a second of decoding).
constexpr qint64 kNearbyFrameMinimumDistance = 24;

int tickIntervalMs(double rate)
{
    if (!(rate > 0.0) || !std::isfinite(rate))
        return kIdleTickIntervalMs;
    return std::max(1, int(std::lround(1000.0 / std::min(rate, kMaximumTicksPerSecond))));
}

} // namespace

PlaybackWorker::PlaybackWorker(QObject* parent) : QObject(parent), m_timer(new QTimer(this))
{
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &PlaybackWorker::onTick);
}

PlaybackWorker::~PlaybackWorker() = default;

void PlaybackWorker::openSource(quint64 requestId, const media::VideoInfo& videoInfo,
                                CancelFlag cancelFlag)
{
    m_requestId = requestId;
    stopPlaying();
    closeSources();
    m_cancelFlag = std::move(cancelFlag);
    m_videoInfo = videoInfo;
    m_rate = videoInfo.nominalFrameRate > 0.0 ? videoInfo.nominalFrameRate
                                              : videoInfo.effectiveFrameRate();
    m_rangeEnd = videoInfo.frameCount;

    // Two decoder threads: one alone decodes 1080p H.264 at about 140-230 frames a second on
    // this class of machine, so a 240 fps clip at speed 1 would fall further behind the clock
    // with every second; the thread itself still runs at low priority beside other work.
    const CancelFlag flag = m_cancelFlag;
    auto source =
        media::VideoBackend::createSource([flag] { return flag && flag->load(); }, kDecoderThreads);
    QString error;
    if (!source || !source->open(videoInfo, &error)) {
        if (!isCancelled())
            emit operationFailed(requestId, error.isEmpty()
                                                ? QCoreApplication::translate(
                                                      "PlaybackController",
                                                      "Could not prepare source video playback.")
                                                : error);
        return;
    }
    source->setSeekInterruption([this] { return servesAbandonedSeek(); });
    m_source = std::move(source);
    m_nextReadFrame = 0;
    if (decodeNext(true) == Decoded::Frame)
        deliverPending();
}

void PlaybackWorker::close(quint64 requestId)
{
    m_requestId = requestId;
    stopPlaying();
    closeSources();
}

void PlaybackWorker::closeAndQuit()
{
    m_timer->stop();
    m_playing = false;
    closeSources();
    thread()->quit();
}

void PlaybackWorker::play(quint64 requestId, qint64 fromFrame, qint64 endFrameExclusive,
                          double rate)
{
    m_requestId = requestId;
    const bool acceptable = m_source && !m_playing && std::isfinite(rate) && rate > 0.0 &&
                            fromFrame >= 0 && endFrameExclusive - fromFrame >= 2 &&
                            endFrameExclusive <= m_videoInfo.frameCount;
    if (!acceptable) {
        // A refusal still answers, so that the controller's pending play ends.
        emit playingChanged(requestId, false);
        return;
    }
    m_stopRequested.store(false);
    m_rate = rate;
    m_rangeEnd = endFrameExclusive;
    const bool alreadyThere = fromFrame == m_currentFrame && m_nextReadFrame == fromFrame + 1;
    if (!alreadyThere && !showFrame(fromFrame))
        return; // the failure or the end has been reported
    m_clockStartFrame = fromFrame;
    m_clock.start();
    m_playing = true;
    m_timer->start(tickIntervalMs(m_rate));
    emit playingChanged(requestId, true);
}

void PlaybackWorker::pause(quint64 requestId)
{
    m_requestId = requestId;
    m_stopRequested.store(true);
    m_timer->stop();
    m_playing = false;
    // Frames of the last ticks carried the play's id, which the controller no longer takes:
    // show the frame playback really stopped on under this id.
    if (m_pair.frameIndex == m_currentFrame && !m_pair.sourceImage.isNull())
        emit framePairDecoded(requestId, m_pair.sourceImage, m_pair.previewImage, m_pair.frameIndex,
                              m_pair.presentationTimeUs);
    emit playingChanged(requestId, false);
}

void PlaybackWorker::seekToFrame(quint64 requestId, qint64 frameIndex, bool showKeyFrameFirst)
{
    if (!beginNavigation(requestId))
        return;
    if (showKeyFrameFirst)
        showNearbyKeyFrame(frameIndex);
    showFrame(frameIndex);
}

void PlaybackWorker::step(quint64 requestId, qint64 delta)
{
    if (!beginNavigation(requestId))
        return;
    const qint64 last = std::max<qint64>(m_videoInfo.frameCount - 1, 0);
    const qint64 target = std::clamp(std::max<qint64>(m_currentFrame, 0) + delta, qint64(0), last);
    if (target == m_nextReadFrame) {
        // The next frame in decoding order needs no seek.
        if (decodeNext(true) == Decoded::Frame)
            deliverPending();
        return;
    }
    showFrame(target);
}

void PlaybackWorker::openPreview(quint64 requestId,
                                 std::shared_ptr<project_data::TemporaryVideo> video,
                                 qint64 startFrame, qint64 endFrameExclusive)
{
    m_requestId = requestId;
    stopPlaying();
    dropPreview();
    if (!m_source || !video || startFrame < 0 || startFrame >= endFrameExclusive ||
        endFrameExclusive > m_videoInfo.frameCount) {
        emit previewConfigurationChanged(
            requestId, false,
            QCoreApplication::translate("PlaybackController",
                                        "The processed preview range is invalid."));
        return;
    }
    media::VideoInfo info = m_videoInfo;
    info.filePath = QStringLiteral("temporary-result");
    info.containerName = QStringLiteral("orvi-frame-store");
    info.codecName = QStringLiteral("raw-image");
    info.frameCount = endFrameExclusive - startFrame;
    info.durationUs =
        info.nominalFrameRate > 0.0
            ? qint64(std::llround(double(info.frameCount) * 1e6 / info.nominalFrameRate))
            : 0;
    info.variableFrameRate = false;
    // The stored frames are numbered in the source's numbering, from the fragment's start, so
    // source frame i and its processed frame share one index.
    auto preview = std::make_unique<media::TemporaryVideoSource>(std::move(video), startFrame);
    QString error;
    if (!preview->open(info, &error)) {
        emit previewConfigurationChanged(
            requestId, false,
            error.isEmpty() ? QCoreApplication::translate("PlaybackController",
                                                          "Could not open the processed preview.")
                            : error);
        return;
    }
    m_preview = std::move(preview);
    m_previewStart = startFrame;
    m_previewEnd = endFrameExclusive;
    m_nextPreviewIndex = startFrame;
    if (!showFrame(startFrame) || !m_preview)
        return; // the failure has been reported
    emit previewConfigurationChanged(requestId, true, {});
}

void PlaybackWorker::clearPreview(quint64 requestId)
{
    m_requestId = requestId;
    stopPlaying();
    dropPreview();
    emit previewConfigurationChanged(requestId, false, {});
}

qint64 PlaybackWorker::clockFrame() const
{
    const double elapsedSeconds = double(m_clock.nsecsElapsed()) * 1e-9;
    const qint64 due = m_clockStartFrame + qint64(std::floor(elapsedSeconds * m_rate + 1e-9));
    return std::min(due, m_rangeEnd - 1);
}

void PlaybackWorker::jumpTowards(qint64 target)
{
    // Decoding every frame up to a distant target would only let the lag grow: start from the
    // last key frame on the way instead, when one is known.
    if (target - m_nextReadFrame < kJumpMinimumFrames)
        return;
    qint64 landing = -1;
    for (qint64 key = m_source->keyFrameAfter(m_nextReadFrame - 1); key >= 0 && key <= target;
         key = m_source->keyFrameAfter(key))
        landing = key;
    if (landing > m_nextReadFrame && m_source->seekToFrame(landing))
        m_nextReadFrame = landing;
}

void PlaybackWorker::onTick()
{
    if (!m_playing)
        return;
    if (m_stopRequested.load()) {
        stopPlaying();
        return;
    }
    // The shown frame follows the wall clock: frames the decoder cannot reach in time are
    // dropped, never shown late.
    const qint64 target = clockFrame();
    if (target < m_nextReadFrame)
        return; // ahead of the clock
    jumpTowards(target);
    QElapsedTimer tick;
    tick.start();
    const qint64 budgetNs = qint64(m_timer->interval()) * 1'000'000;
    while (m_nextReadFrame <= target) {
        if (m_stopRequested.load()) {
            stopPlaying();
            return;
        }
        // Only the frame shown at the end of the tick becomes an image: the target, the
        // range's last, or the frame reached when the tick's time is up.
        const bool convert = m_nextReadFrame == target || m_nextReadFrame >= m_rangeEnd - 1 ||
                             tick.nsecsElapsed() > budgetNs;
        if (decodeNext(convert) != Decoded::Frame)
            return;
        if (convert)
            deliverPending();
        if (!m_playing)
            return; // the preview failed and stopped playback
        if (m_nextReadFrame - 1 >= m_rangeEnd - 1) {
            finishRange();
            return;
        }
        if (convert)
            return;
    }
}

bool PlaybackWorker::beginNavigation(quint64 requestId)
{
    m_requestId = requestId;
    stopPlaying();
    if (m_source)
        return true;
    // Answer all the same, so that the controller's busy navigation ends.
    emit operationFailed(
        requestId, QCoreApplication::translate("PlaybackController",
                                               "Could not seek to the requested video frame."));
    return false;
}

bool PlaybackWorker::isCancelled() const
{
    return m_cancelFlag && m_cancelFlag->load();
}

void PlaybackWorker::showNearbyKeyFrame(qint64 target)
{
    // Beside a preview the pair would not match; steps show their frame without a detour.
    if (m_preview)
        return;
    const qint64 key = m_source->keyFrameAtOrBefore(target);
    if (key < 0 || target - key < kNearbyFrameMinimumDistance || key == m_currentFrame)
        return;
    media::VideoFrame frame;
    if (m_source->seekToFrame(key) && m_source->readFrame(frame) == media::ReadResult::Frame &&
        frame.frameIndex == key)
        emit nearbyFrameDecoded(m_requestId, frame.image, frame.frameIndex,
                                frame.presentationTimeUs);
}

bool PlaybackWorker::showFrame(qint64 frameIndex)
{
    const qint64 last = std::max<qint64>(m_videoInfo.frameCount - 1, 0);
    const qint64 index = std::clamp(frameIndex, qint64(0), last);
    if (!m_source->seekToFrame(index)) {
        failSource(QCoreApplication::translate("PlaybackController",
                                               "Could not seek to the requested video frame."));
        return false;
    }
    m_nextReadFrame = index;
    if (decodeNext(true) != Decoded::Frame)
        return false;
    deliverPending();
    return true;
}

bool PlaybackWorker::servesAbandonedSeek() const
{
    return m_abandonedSeek.load() == m_requestId;
}

PlaybackWorker::Decoded PlaybackWorker::decodeNext(bool convert)
{
    QString error;
    media::VideoFrame frame;
    qint64 index = -1;
    qint64 timeUs = 0;
    const media::ReadResult result =
        convert ? m_source->readFrame(frame, &error) : m_source->skipFrame(&index, &timeUs, &error);
    if (result == media::ReadResult::EndOfStream) {
        finishRange();
        return Decoded::Stopped;
    }
    if (result == media::ReadResult::Error && servesAbandonedSeek()) {
        // The source gave up on the way to the frame; the next seek starts afresh.
        m_nextReadFrame = -1;
        emit seekAbandoned(m_requestId);
        return Decoded::Stopped;
    }
    if (result == media::ReadResult::Error) {
        failSource(error.isEmpty()
                       ? QCoreApplication::translate("PlaybackController",
                                                     "Could not decode the next video frame.")
                       : error);
        return Decoded::Stopped;
    }
    if (convert) {
        index = frame.frameIndex;
        timeUs = frame.presentationTimeUs;
    }
    m_nextReadFrame = index + 1;
    QImage previewImage;
    readPreviewFrame(index, convert, &previewImage);
    if (convert)
        m_pair = {frame.image, previewImage, index, std::max<qint64>(timeUs, 0), true};
    return Decoded::Frame;
}

void PlaybackWorker::readPreviewFrame(qint64 frameIndex, bool convert, QImage* image)
{
    if (!m_preview || frameIndex < m_previewStart || frameIndex >= m_previewEnd)
        return;
    QString error;
    // Sequential reads need no seek; anything else (a jump, a range entered) does.
    if (frameIndex != m_nextPreviewIndex && !m_preview->seekToFrame(frameIndex, &error)) {
        failPreview(error);
        return;
    }
    m_nextPreviewIndex = -1;
    qint64 readIndex = -1;
    media::VideoFrame frame;
    const media::ReadResult result = convert ? m_preview->readFrame(frame, &error)
                                             : m_preview->skipFrame(&readIndex, nullptr, &error);
    if (convert)
        readIndex = frame.frameIndex;
    if (result != media::ReadResult::Frame || readIndex != frameIndex) {
        failPreview(result == media::ReadResult::Frame
                        ? QCoreApplication::translate(
                              "PlaybackController",
                              "Could not decode the matching processed preview frame.")
                        : error);
        return;
    }
    m_nextPreviewIndex = frameIndex + 1;
    *image = frame.image;
}

void PlaybackWorker::failPreview(const QString& message)
{
    stopPlaying();
    dropPreview();
    emit previewConfigurationChanged(
        m_requestId, false,
        message.isEmpty() ? QCoreApplication::translate("PlaybackController",
                                                        "Processed preview playback failed.")
                          : message);
}

void PlaybackWorker::failSource(const QString& message)
{
    stopPlaying();
    closeSources();
    if (!isCancelled())
        emit operationFailed(m_requestId, message);
}

void PlaybackWorker::finishRange()
{
    deliverPending();
    stopPlaying();
    emit endReached(m_requestId);
}

void PlaybackWorker::deliverPending()
{
    if (!m_pair.pending)
        return;
    m_pair.pending = false;
    m_currentFrame = m_pair.frameIndex;
    emit framePairDecoded(m_requestId, m_pair.sourceImage, m_pair.previewImage, m_pair.frameIndex,
                          m_pair.presentationTimeUs);
}

void PlaybackWorker::stopPlaying()
{
    m_timer->stop();
    if (!m_playing)
        return;
    m_playing = false;
    // Every way playback ends reaches the controller, so it never shows playing over a
    // frozen frame.
    emit playingChanged(m_requestId, false);
}

void PlaybackWorker::dropPreview()
{
    m_preview.reset();
    m_previewStart = 0;
    m_previewEnd = 0;
    m_nextPreviewIndex = -1;
}

void PlaybackWorker::closeSources()
{
    dropPreview();
    if (m_source)
        m_source->close();
    m_source.reset();
    m_pair = {};
    m_currentFrame = -1;
    m_nextReadFrame = -1;
}

} // namespace orvi::ui::playback
