#include "controllers/PlaybackController.h"

#include "controllers/AnalysisFragmentController.h"
#include "controllers/MediaRuntimeController.h"
#include "controllers/VideoSessionController.h"
#include "motion/BackgroundPriority.h"
#include "records/ThreadHandOff.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>

namespace orvi::ui::playback {

namespace {

constexpr double kSpeedTolerance = 1e-9;

} // namespace

PlaybackController::PlaybackController(controllers::VideoSessionController* videoSession,
                                       controllers::AnalysisFragmentController* fragment,
                                       controllers::MediaRuntimeController* mediaRuntime,
                                       QObject* parent)
    : QObject(parent), m_videoSession(videoSession), m_fragment(fragment),
      m_mediaRuntime(mediaRuntime), m_worker(new PlaybackWorker)
{
    m_thread.setObjectName(QStringLiteral("Source video playback"));
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    connect(m_worker, &PlaybackWorker::framePairDecoded, this,
            &PlaybackController::onFramePairDecoded);
    connect(m_worker, &PlaybackWorker::nearbyFrameDecoded, this,
            &PlaybackController::onNearbyFrameDecoded);
    connect(m_worker, &PlaybackWorker::previewConfigurationChanged, this,
            &PlaybackController::onPreviewConfigurationChanged);
    connect(m_worker, &PlaybackWorker::playingChanged, this, &PlaybackController::onPlayingChanged);
    connect(m_worker, &PlaybackWorker::operationFailed, this,
            &PlaybackController::onOperationFailed);
    connect(m_worker, &PlaybackWorker::endReached, this, &PlaybackController::onEndReached);
    connect(m_worker, &PlaybackWorker::seekAbandoned, this, &PlaybackController::onSeekAbandoned);
    // The thread lowers itself before it opens a decoder, whose threads inherit that.
    connect(&m_thread, &QThread::started, [] { motion_core::lowerCurrentThreadPriority(); });
    m_thread.start();

    if (m_videoSession) {
        using Session = controllers::VideoSessionController;
        connect(m_videoSession, &Session::stateChanged, this, &PlaybackController::followSession);
        connect(m_videoSession, &Session::sourceChanged, this, &PlaybackController::followSession);
        connect(m_videoSession, &Session::firstFrameReady, this,
                &PlaybackController::showSessionFirstFrame);
    }
    if (m_fragment) {
        connect(m_fragment, &controllers::AnalysisFragmentController::rangeChanged, this, [this] {
            if (m_playing)
                pause();
        });
    }
    followSession();
}

PlaybackController::~PlaybackController()
{
    if (m_videoSession)
        disconnect(m_videoSession, nullptr, this, nullptr);
    if (m_cancelFlag)
        m_cancelFlag->store(true);
    m_worker->requestStop();
    nextRequest();
    post([worker = m_worker] { worker->closeAndQuit(); });
    m_thread.wait();
    m_cancelFlag.reset();
}

bool PlaybackController::canNavigate() const
{
    return m_ready && !m_busy && !m_playPending && !m_pausePending && !m_previewGenerationActive &&
           !m_exportActive && !hasError();
}

bool PlaybackController::canSeek() const
{
    return m_ready && !m_playing && !m_playPending && !m_pausePending &&
           !m_previewGenerationActive && !m_exportActive && !hasError();
}

bool PlaybackController::canPlay() const
{
    return canNavigate() && !m_playing && m_frameCount >= 1;
}

double PlaybackController::progress() const
{
    if (m_frameCount > 1 && m_seekTarget)
        return std::clamp(double(*m_seekTarget) / double(m_frameCount - 1), 0.0, 1.0);
    if (m_frameCount > 1 && m_currentFrameIndex >= 0)
        return std::clamp(double(m_currentFrameIndex) / double(m_frameCount - 1), 0.0, 1.0);
    if (m_durationUs >= 1)
        return std::clamp(double(m_positionUs) / double(m_durationUs), 0.0, 1.0);
    return 0.0;
}

PlaybackController::Flags PlaybackController::flags() const
{
    return {m_ready,       m_busy,        m_playing,     m_hasFrame,     hasError(),
            canPlay(),     canNavigate(), m_playPending, m_pausePending, m_previewGenerationActive,
            m_exportActive};
}

void PlaybackController::emitStateIfChanged(const Flags& before)
{
    if (!(flags() == before))
        emit stateChanged();
}

template <typename Command> void PlaybackController::post(Command command)
{
    // The command and its captures reach the playback thread through Qt's event queue.
    PlaybackWorker* const worker = m_worker;
    project_data::postHandOff(worker, [&] {
        QMetaObject::invokeMethod(
            worker,
            [worker, command = std::move(command)]() mutable {
                project_data::receiveHandOff(worker);
                command();
            },
            Qt::QueuedConnection);
    });
}

quint64 PlaybackController::nextRequest()
{
    return ++m_requestId;
}

double PlaybackController::nominalRate() const
{
    if (!m_videoSession)
        return 0.0;
    const media::VideoInfo& info = m_videoSession->videoInfo();
    return info.nominalFrameRate > 0.0 ? info.nominalFrameRate : info.effectiveFrameRate();
}

void PlaybackController::setPreviewGenerationActive(bool active)
{
    if (active == m_previewGenerationActive)
        return;
    const Flags before = flags();
    m_previewGenerationActive = active;
    if (active && m_playing)
        pause();
    emitStateIfChanged(before);
}

void PlaybackController::setExportActive(bool active)
{
    if (active == m_exportActive)
        return;
    const Flags before = flags();
    m_exportActive = active;
    if (active && m_playing)
        pause();
    emitStateIfChanged(before);
}

bool PlaybackController::configurePreview(std::shared_ptr<project_data::TemporaryVideo> video,
                                          qint64 startFrame, qint64 endFrameExclusive)
{
    if (!m_ready || m_busy || m_playing || !video || startFrame < 0 ||
        startFrame >= endFrameExclusive || endFrameExclusive > m_frameCount) {
        setPreviewState(false,
                        QCoreApplication::translate("PlaybackController",
                                                    "The processed preview range is invalid."));
        return false;
    }
    const Flags before = flags();
    const quint64 requestId = nextRequest();
    m_worker->requestStop();
    m_playPending = false;
    m_pausePending = false;
    clearPreviewFrame();
    setPreviewState(m_previewAvailable, {});
    m_busy = true;
    emitStateIfChanged(before);
    post([worker = m_worker, requestId, video = std::move(video), startFrame, endFrameExclusive] {
        worker->openPreview(requestId, video, startFrame, endFrameExclusive);
    });
    return true;
}

void PlaybackController::clearPreview()
{
    const Flags before = flags();
    const quint64 requestId = nextRequest();
    m_worker->requestStop();
    post([worker = m_worker, requestId] { worker->clearPreview(requestId); });
    // The worker stops a running playback with it; nothing of the old request is taken.
    m_playPending = false;
    m_pausePending = false;
    m_playing = false;
    clearPreviewFrame();
    setPreviewState(false, {});
    emitStateIfChanged(before);
}

void PlaybackController::togglePlayback()
{
    if (m_playPending || m_pausePending)
        return;
    if (m_playing)
        pause();
    else
        play();
}

void PlaybackController::setPlaybackSpeed(double speedFactor)
{
    if (!std::isfinite(speedFactor) || speedFactor < kMinimumPlaybackSpeed ||
        speedFactor > kMaximumPlaybackSpeed || m_playPending || m_pausePending ||
        std::abs(speedFactor - m_playbackSpeed) < kSpeedTolerance)
        return;
    if (m_playing)
        pause();
    m_playbackSpeed = speedFactor;
    emit playbackModeChanged();
}

void PlaybackController::play()
{
    if (!m_ready || m_busy || m_playPending || m_pausePending || m_previewGenerationActive ||
        m_exportActive || hasError() || m_playing || !m_fragment || !m_fragment->selectionValid())
        return;
    const qint64 start = m_fragment->startFrame();
    const qint64 end = m_fragment->endFrameExclusive();
    const Flags before = flags();
    m_playPending = true;
    // From the last frame (or from outside the fragment) playback starts over at its start.
    qint64 from = m_currentFrameIndex;
    if (m_currentFrameIndex < start || m_currentFrameIndex >= end - 1) {
        from = start;
        m_busy = true; // a seek comes first
    }
    const quint64 requestId = nextRequest();
    const double rate = nominalRate() * m_playbackSpeed;
    emitStateIfChanged(before);
    post([worker = m_worker, requestId, from, end, rate] {
        worker->play(requestId, from, end, rate);
    });
}

void PlaybackController::pause()
{
    if (!m_ready || !m_playing || m_pausePending)
        return;
    const Flags before = flags();
    m_worker->requestStop();
    m_pausePending = true;
    const quint64 requestId = nextRequest();
    emitStateIfChanged(before);
    post([worker = m_worker, requestId] { worker->pause(requestId); });
}

void PlaybackController::seekToFraction(double fraction)
{
    if (!std::isfinite(fraction))
        return;
    seekToFrame(qint64(std::llround(double(m_frameCount - 1) * std::clamp(fraction, 0.0, 1.0))));
}

void PlaybackController::stepSeconds(double seconds)
{
    if (!std::isfinite(seconds) || seconds == 0.0 || m_durationUs <= 0 || m_frameCount <= 1)
        return;
    const double framesPerSecond = double(m_frameCount) * 1e6 / double(m_durationUs);
    const qint64 frames = std::max<qint64>(1, std::llround(std::abs(seconds) * framesPerSecond));
    step(seconds > 0 ? frames : -frames);
}

void PlaybackController::seekToFrame(qint64 frameIndex)
{
    if (!canSeek() || m_frameCount <= 0)
        return;
    const qint64 index = std::clamp<qint64>(frameIndex, 0, m_frameCount - 1);
    m_seekTarget = index;
    showScrubbingPicture(index);
    if (m_busy) {
        m_queuedSeek = index;
        // The seek under way would only show a frame the user has moved past.
        if (m_seekRequest == m_requestId)
            m_worker->abandonSeek(m_requestId);
    } else {
        postSeek(index);
    }
    emit positionChanged();
}

void PlaybackController::takeQueuedSeek()
{
    if (!m_queuedSeek || m_busy)
        return;
    const qint64 index = *std::exchange(m_queuedSeek, std::nullopt);
    if (canSeek() && index < m_frameCount) {
        postSeek(index);
        return;
    }
    m_seekTarget.reset();
    emit positionChanged();
}

void PlaybackController::postSeek(qint64 index)
{
    const Flags before = flags();
    const quint64 requestId = nextRequest();
    m_worker->requestStop();
    m_playPending = false;
    m_pausePending = false;
    m_playing = false;
    m_busy = true;
    m_seekRequest = requestId;
    emitStateIfChanged(before);
    // A frame already shown from the proxy needs no key frame shown on the way.
    const bool pictured = index == m_currentFrameIndex && m_sourceIsScrubbingPicture;
    post([worker = m_worker, requestId, index, pictured] {
        worker->seekToFrame(requestId, index, !pictured);
    });
}

bool PlaybackController::showsQueuedScrubbingPicture() const
{
    return m_queuedSeek && m_sourceIsScrubbingPicture && m_currentFrameIndex == *m_queuedSeek;
}

void PlaybackController::showScrubbingPicture(qint64 index)
{
    // Beside a processed preview the pair would not match: the worker's exact pair follows.
    if (m_previewAvailable || !m_videoSession || index == m_currentFrameIndex)
        return;
    const auto proxy = m_videoSession->scrubbingProxy();
    const QImage picture = proxy ? proxy->picture(index) : QImage();
    const double rate = m_videoSession->videoInfo().nominalFrameRate;
    if (picture.isNull() || !(rate > 0.0))
        return;
    m_sourceImage = picture;
    m_sourceIsScrubbingPicture = true;
    m_currentFrameIndex = index;
    m_positionUs = std::llround(double(index) * 1e6 / rate);
    emit positionChanged();
    emit frameReady(picture);
}

void PlaybackController::stepForward()
{
    step(1);
}

void PlaybackController::stepBackward()
{
    step(-1);
}

void PlaybackController::step(qint64 delta)
{
    if (!canPlay())
        return;
    const Flags before = flags();
    const quint64 requestId = nextRequest();
    m_worker->requestStop();
    m_busy = true;
    emitStateIfChanged(before);
    // The next frame decodes at once; any other may need decoding from its key frame.
    if (delta != 1)
        showScrubbingPicture(std::clamp<qint64>(std::max<qint64>(m_currentFrameIndex, 0) + delta, 0,
                                                std::max<qint64>(m_frameCount - 1, 0)));
    post([worker = m_worker, requestId, delta] { worker->step(requestId, delta); });
}

void PlaybackController::retry()
{
    if (!m_busy && m_videoSession && m_videoSession->ready())
        openSource();
}

void PlaybackController::followSession()
{
    if (!m_videoSession)
        return;
    const media::VideoInfo& info = m_videoSession->videoInfo();
    const bool playable = m_videoSession->ready() && m_mediaRuntime &&
                          m_mediaRuntime->available() && info.frameSize.isValid() &&
                          info.isUsable();
    if (!playable) {
        reset();
        return;
    }
    if (info.filePath == m_sourcePath && (m_ready || m_busy))
        return;
    openSource();
}

void PlaybackController::showSessionFirstFrame(const QImage& image)
{
    // The picture appears while the session still probes, before playback is possible.
    if (!m_videoSession->busy() || image.isNull())
        return;
    const Flags before = flags();
    m_sourceImage = image;
    m_sourceIsScrubbingPicture = false;
    m_hasFrame = true;
    emitStateIfChanged(before);
    emit frameReady(image);
}

void PlaybackController::openSource()
{
    const media::VideoInfo& info = m_videoSession->videoInfo();
    const Flags before = flags();
    if (m_cancelFlag)
        m_cancelFlag->store(true);
    m_worker->requestStop();
    const quint64 requestId = nextRequest();
    m_cancelFlag = std::make_shared<std::atomic_bool>(false);
    m_sourcePath = info.filePath;
    m_durationUs = info.durationUs;
    m_frameCount = info.frameCount;
    m_positionUs = 0;
    m_currentFrameIndex = -1;
    m_ready = false;
    m_playPending = false;
    m_pausePending = false;
    m_playing = false;
    setErrorMessage({});
    if (!m_videoSession->ready())
        clearSourceFrame();
    clearPreviewFrame();
    setPreviewState(false, {});
    m_busy = true;
    m_queuedSeek.reset();
    m_seekTarget.reset();
    emitStateIfChanged(before);
    emit timelineChanged();
    emit positionChanged();
    post([worker = m_worker, requestId, info, flag = m_cancelFlag] {
        worker->openSource(requestId, info, flag);
    });
}

void PlaybackController::reset()
{
    const Flags before = flags();
    const bool timelineSet = m_durationUs != 0 || m_frameCount != 0;
    const bool positionSet = m_positionUs != 0 || m_currentFrameIndex != -1;
    if (m_cancelFlag)
        m_cancelFlag->store(true);
    m_cancelFlag.reset();
    m_worker->requestStop();
    const quint64 requestId = nextRequest();
    post([worker = m_worker, requestId] { worker->close(requestId); });
    m_sourcePath.clear();
    m_durationUs = 0;
    m_frameCount = 0;
    m_positionUs = 0;
    m_currentFrameIndex = -1;
    m_ready = false;
    m_busy = false;
    m_queuedSeek.reset();
    m_seekTarget.reset();
    m_playing = false;
    m_playPending = false;
    m_pausePending = false;
    setErrorMessage({});
    clearSourceFrame();
    clearPreviewFrame();
    setPreviewState(false, {});
    emitStateIfChanged(before);
    if (timelineSet)
        emit timelineChanged();
    if (positionSet)
        emit positionChanged();
}

void PlaybackController::setErrorMessage(const QString& message)
{
    if (m_errorMessage == message)
        return;
    m_errorMessage = message;
    emit errorMessageChanged();
}

void PlaybackController::clearSourceFrame()
{
    if (m_sourceImage.isNull() && !m_hasFrame)
        return;
    m_sourceImage = {};
    m_sourceIsScrubbingPicture = false;
    m_hasFrame = false;
    emit frameCleared();
}

void PlaybackController::clearPreviewFrame()
{
    if (m_previewImage.isNull() && !m_hasPreviewFrame)
        return;
    m_previewImage = {};
    m_hasPreviewFrame = false;
    emit previewFrameCleared();
    emit previewStateChanged();
}

void PlaybackController::setPreviewState(bool available, const QString& errorMessage)
{
    if (available == m_previewAvailable && errorMessage == m_previewErrorMessage)
        return;
    m_previewAvailable = available;
    m_previewErrorMessage = errorMessage;
    emit previewStateChanged();
}

void PlaybackController::onFramePairDecoded(quint64 requestId, const QImage& sourceImage,
                                            const QImage& previewImage, qint64 frameIndex,
                                            qint64 presentationTimeUs)
{
    if (!isCurrent(requestId) || sourceImage.isNull())
        return;
    const Flags before = flags();
    if (showsQueuedScrubbingPicture()) {
        // A drag moved on: the picture of where it is now stays up while that frame decodes.
        m_ready = true;
        m_busy = false;
        emitStateIfChanged(before);
        takeQueuedSeek();
        return;
    }
    const bool hadPreviewFrame = m_hasPreviewFrame;
    m_sourceImage = sourceImage;
    m_sourceIsScrubbingPicture = false;
    m_previewImage = previewImage;
    m_currentFrameIndex = frameIndex;
    m_positionUs = presentationTimeUs;
    m_ready = true;
    m_busy = false;
    if (!m_queuedSeek)
        m_seekTarget.reset();
    m_hasFrame = true;
    m_hasPreviewFrame = !previewImage.isNull();
    emitStateIfChanged(before);
    emit positionChanged();
    emit frameReady(sourceImage);
    if (m_hasPreviewFrame)
        emit previewFrameReady(previewImage);
    else if (hadPreviewFrame)
        emit previewFrameCleared();
    if (hadPreviewFrame != m_hasPreviewFrame)
        emit previewStateChanged();
    takeQueuedSeek();
}

void PlaybackController::onNearbyFrameDecoded(quint64 requestId, const QImage& sourceImage,
                                              qint64 frameIndex, qint64 presentationTimeUs)
{
    if (!isCurrent(requestId) || sourceImage.isNull() || showsQueuedScrubbingPicture())
        return;
    const Flags before = flags();
    m_sourceImage = sourceImage;
    m_sourceIsScrubbingPicture = false;
    m_currentFrameIndex = frameIndex;
    m_positionUs = presentationTimeUs;
    m_hasFrame = true;
    emitStateIfChanged(before);
    emit positionChanged();
    emit frameReady(sourceImage);
}

void PlaybackController::onPreviewConfigurationChanged(quint64 requestId, bool available,
                                                       const QString& errorMessage)
{
    if (!isCurrent(requestId))
        return;
    const Flags before = flags();
    m_busy = false;
    if (!available)
        clearPreviewFrame();
    setPreviewState(available, errorMessage);
    emitStateIfChanged(before);
    takeQueuedSeek();
}

void PlaybackController::onPlayingChanged(quint64 requestId, bool playing)
{
    if (!isCurrent(requestId))
        return;
    const Flags before = flags();
    if (!playing && m_pausePending) {
        m_pausePending = false;
        m_playPending = false;
    } else {
        // A refused play answers too; its seek (and so busy) will not come.
        if (!playing && m_playPending)
            m_busy = false;
        m_playPending = false;
    }
    m_playing = playing;
    emitStateIfChanged(before);
    takeQueuedSeek();
}

void PlaybackController::onOperationFailed(quint64 requestId, const QString& errorMessage)
{
    if (!isCurrent(requestId))
        return;
    const Flags before = flags();
    m_cancelFlag.reset();
    m_playPending = false;
    m_pausePending = false;
    m_playing = false;
    m_busy = false;
    m_queuedSeek.reset();
    m_seekTarget.reset();
    clearSourceFrame();
    clearPreviewFrame();
    setPreviewState(false, {});
    setErrorMessage(
        errorMessage.isEmpty()
            ? QCoreApplication::translate("PlaybackController", "Source video playback failed.")
            : errorMessage);
    emitStateIfChanged(before);
}

void PlaybackController::onSeekAbandoned(quint64 requestId)
{
    if (!isCurrent(requestId))
        return;
    const Flags before = flags();
    m_busy = false;
    if (!m_queuedSeek) {
        m_seekTarget.reset();
        emit positionChanged();
    }
    emitStateIfChanged(before);
    takeQueuedSeek();
}

void PlaybackController::onEndReached(quint64 requestId)
{
    if (!isCurrent(requestId))
        return;
    const Flags before = flags();
    m_playPending = false;
    m_pausePending = false;
    m_playing = false;
    m_busy = false;
    m_seekTarget.reset();
    if (m_currentFrameIndex < 0) {
        m_ready = false;
        setErrorMessage(QCoreApplication::translate("PlaybackController",
                                                    "Source video contains no decodable frames."));
    }
    emitStateIfChanged(before);
    takeQueuedSeek();
}

} // namespace orvi::ui::playback
