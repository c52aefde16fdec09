#include "controllers/PreviewController.h"

#include "controllers/MediaRuntimeController.h"
#include "controllers/PlaybackController.h"
#include "controllers/ProcessingSettingsController.h"
#include "controllers/TimeArithmetic.h"
#include "controllers/VideoSessionController.h"
#include "processing/ProcessingRequest.h"
#include "records/ProcessingState.h"
#include "results/TemporaryVideo.h"

#include <QCoreApplication>

namespace orvi::ui::controllers {

namespace {

// Exact comparison: a region moved by any amount makes a different result.
bool sameRect(const QRectF& a, const QRectF& b)
{
    return a.x() == b.x() && a.y() == b.y() && a.width() == b.width() && a.height() == b.height();
}

} // namespace

PreviewController::PreviewController(VideoSessionController* videoSession,
                                     MediaRuntimeController* mediaRuntime,
                                     ProcessingSettingsController* settings,
                                     playback::PlaybackController* playback, QObject* parent)
    : QObject(parent), m_videoSession(videoSession), m_mediaRuntime(mediaRuntime),
      m_settings(settings), m_playback(playback)
{
    project_data::registerProcessingMetaTypes();
    connect(&m_jobs, &PipelineJobThread::progressChanged, this, &PreviewController::onProgress);
    connect(&m_jobs, &PipelineJobThread::finished, this, &PreviewController::onFinished);

    if (m_settings)
        connect(m_settings, &ProcessingSettingsController::settingsChanged, this,
                &PreviewController::onSettingsChanged);
    if (m_videoSession) {
        connect(m_videoSession, &VideoSessionController::sourceChanged, this,
                &PreviewController::onSourceChanged);
        connect(m_videoSession, &VideoSessionController::stateChanged, this,
                &PreviewController::refreshAvailability);
    }
    if (m_playback)
        connect(m_playback, &playback::PlaybackController::stateChanged, this,
                &PreviewController::refreshAvailability);
    if (m_mediaRuntime)
        connect(m_mediaRuntime, &MediaRuntimeController::statusChanged, this,
                &PreviewController::refreshAvailability);
    updateAvailability();
}

PreviewController::~PreviewController()
{
    shutdown();
}

qint64 PreviewController::storageBytes() const
{
    return m_result ? m_result->storageBytes() : 0;
}

bool PreviewController::exportRequest(project_data::ProcessingRequest* request) const
{
    if (!m_result || !request)
        return false;
    *request = m_resultRequest;
    request->analysisMode = false;
    request->sourceTemporaryResult = m_result;
    // The export copies the stored frames, so it reports the gain the analysis measured.
    request->measuredMotionGain = m_measuredMotionGain;
    return true;
}

void PreviewController::markSaved()
{
    if (!m_discardProtection)
        return;
    m_discardProtection = false;
    emit stateChanged();
}

void PreviewController::setBlocked(bool blocked)
{
    if (blocked == m_blocked)
        return;
    m_blocked = blocked;
    refreshAvailability();
}

QDateTime PreviewController::resultFinishedAt() const
{
    return m_result ? m_result->finishedAt() : QDateTime();
}

void PreviewController::shutdown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    m_jobs.shutdown();
}

void PreviewController::createPreview()
{
    if (m_busy || m_blocked || m_shutDown)
        return;
    if (m_result && m_discardProtection) {
        refuse(QCoreApplication::translate(
            "PreviewController",
            "Save or discard the current result before starting another analysis."));
        return;
    }
    project_data::ProcessingRequest request;
    QString error;
    if (!m_settings || !m_settings->buildRequest(&request, &error)) {
        refuse(error);
        return;
    }
    if (!m_mediaRuntime || !m_mediaRuntime->available()) {
        refuse(QCoreApplication::translate(
            "PreviewController",
            "Source playback and FFmpeg must be ready before starting analysis."));
        return;
    }
    if (!playbackReadyForNavigation()) {
        refuse(QCoreApplication::translate(
            "PreviewController",
            "Pause playback and wait until video navigation is ready before starting "
            "analysis."));
        return;
    }
    request.analysisMode = true;
    m_runningRequest = request;
    m_runningStart = request.settings.startFrame;
    m_runningEnd = request.settings.endFrameExclusive;
    m_runningSettingsRevision = m_settingsRevision;
    m_discardOnFinish = false;
    m_busy = true;
    m_cancelling = false;
    m_errorMessage.clear();
    m_progress = 0.0;
    m_performance = {};
    m_stageName = QCoreApplication::translate("PreviewController", "Preparing analysis result");
    updateAvailability();
    emit stateChanged();
    emit progressChanged();
    m_playback->setPreviewGenerationActive(true);
    m_jobs.start(request);
}

void PreviewController::cancel()
{
    if (!m_busy || m_cancelling || !m_jobs.hasJob())
        return;
    m_cancelling = true;
    m_stageName = QCoreApplication::translate("PreviewController", "Cancelling analysis result");
    m_jobs.cancel();
    updateAvailability();
    emit stateChanged(); // "cancelling" is a state property
    emit progressChanged();
}

void PreviewController::acknowledgeDiscard()
{
    if (m_busy || !m_discardProtection)
        return;
    m_discardProtection = false;
    emit stateChanged();
}

void PreviewController::discardResult()
{
    if (m_busy || (m_playback && m_playback->exportActive()))
        return;
    if (m_playback)
        m_playback->clearPreview();
    discard();
    updateAvailability();
    emit stateChanged();
    emit progressChanged();
}

bool PreviewController::playbackReadyForNavigation() const
{
    return m_playback && m_playback->canNavigate() && !m_playback->playing();
}

bool PreviewController::matchesCurrentSettings() const
{
    if (!m_result || !m_videoSession || !m_settings)
        return false;
    const media::VideoInfo& video = m_videoSession->videoInfo();
    const motion_core::ProcessingSettings current = m_settings->processingSettings();
    const motion_core::ProcessingSettings& made = m_resultRequest.settings;
    const bool stabilizationMatches =
        made.stabilizationEnabled == current.stabilizationEnabled &&
        (!current.stabilizationEnabled ||
         sameRect(made.stabilizationReferenceRegion, current.stabilizationReferenceRegion));
    return m_resultRequest.sourceInfo.filePath == video.filePath &&
           m_resultRequest.sourceInfo.captureFrameRate == video.captureFrameRate &&
           made.startFrame == current.startFrame &&
           made.endFrameExclusive == current.endFrameExclusive &&
           made.lowerFrequencyHz == current.lowerFrequencyHz &&
           made.upperFrequencyHz == current.upperFrequencyHz &&
           made.amplificationFactor == current.amplificationFactor &&
           sameRect(made.regionOfInterest, current.regionOfInterest) && stabilizationMatches &&
           made.workerThreadCount == current.workerThreadCount &&
           made.regionProcessingOptimizationEnabled ==
               current.regionProcessingOptimizationEnabled &&
           made.rotationSpeedRpm == current.rotationSpeedRpm;
}

bool PreviewController::updateAvailability()
{
    const bool available =
        !m_busy && !m_blocked && !m_shutDown && m_mediaRuntime && m_mediaRuntime->available() &&
        m_videoSession && m_videoSession->ready() && m_videoSession->hasSource() &&
        playbackReadyForNavigation() && m_settings && m_settings->settingsValid();
    if (available == m_available)
        return false;
    m_available = available;
    return true;
}

void PreviewController::refreshAvailability()
{
    if (updateAvailability())
        emit stateChanged();
}

void PreviewController::refuse(const QString& message)
{
    m_errorMessage = message;
    emit stateChanged();
}

void PreviewController::discard()
{
    m_result.reset();
    m_resultRequest = {};
    m_discardProtection = false;
    m_stale = false;
    m_previewRevision = 0;
    m_resultStart = 0;
    m_resultEnd = 0;
    m_resultDurationUs = 0;
    m_measuredMotionGain = std::numeric_limits<double>::quiet_NaN();
    m_stageName.clear();
}

void PreviewController::onSettingsChanged()
{
    ++m_settingsRevision;
    if (m_result)
        m_stale = !matchesCurrentSettings();
    updateAvailability();
    emit stateChanged();
}

void PreviewController::onSourceChanged()
{
    ++m_settingsRevision;
    if (m_busy) {
        // Whatever the running job makes belongs to the previous video.
        m_discardOnFinish = true;
        m_cancelling = true;
        m_jobs.cancel();
    }
    discard();
    m_progress = 0.0;
    m_performance = {};
    m_errorMessage.clear();
    updateAvailability();
    emit stateChanged();
    emit progressChanged();
}

void PreviewController::onProgress(const project_data::ProcessingProgress& progress)
{
    if (!m_busy)
        return;
    m_progress = progress.fraction();
    // After a cancel request the stage keeps saying so until the job ends.
    if (!m_cancelling)
        m_stageName = progress.stage;
    m_performance = progress.performance;
    emit progressChanged();
}

void PreviewController::onFinished(const project_data::ProcessingResult& result)
{
    if (!m_busy)
        return;
    m_busy = false;
    m_cancelling = false;
    if (m_playback)
        m_playback->setPreviewGenerationActive(false);
    if (m_discardOnFinish) {
        m_discardOnFinish = false;
        m_stageName.clear();
        m_progress = 0.0;
    } else {
        if (result.performance.isPresent())
            m_performance = result.performance;
        switch (result.state) {
        case project_data::ProcessingState::Completed:
            acceptResult(result);
            break;
        case project_data::ProcessingState::Cancelled:
            m_stageName =
                QCoreApplication::translate("PreviewController", "Analysis result was cancelled");
            m_progress = 0.0;
            m_errorMessage.clear();
            break;
        default:
            m_stageName =
                QCoreApplication::translate("PreviewController", "Analysis result failed");
            m_progress = 0.0;
            m_errorMessage = result.message.isEmpty()
                                 ? QCoreApplication::translate(
                                       "PreviewController", "Could not create the analysis result.")
                                 : result.message;
            break;
        }
    }
    updateAvailability();
    emit stateChanged();
    emit progressChanged();
}

void PreviewController::acceptResult(const project_data::ProcessingResult& result)
{
    if (!m_playback || !result.temporaryResult ||
        !m_playback->configurePreview(result.temporaryResult, m_runningStart, m_runningEnd)) {
        m_stageName = QCoreApplication::translate("PreviewController", "Analysis result failed");
        m_errorMessage = QCoreApplication::translate(
            "PreviewController", "Could not prepare the analysis result for playback.");
        return;
    }
    m_result = result.temporaryResult;
    m_resultRequest = m_runningRequest;
    // The export copies the stored frames and reports the camera motion taken out of them.
    m_resultRequest.cameraMotion = result.cameraMotion;
    m_resultStart = m_runningStart;
    m_resultEnd = m_runningEnd;
    m_measuredMotionGain = result.measuredMotionGain;
    m_discardProtection = true;
    const double rate = m_resultRequest.sourceInfo.averagePlaybackFrameRate();
    m_resultDurationUs = rate > 0.0 ? roundedCount(double(frameCount()) * 1e6 / rate) : 0;
    m_previewRevision = m_runningSettingsRevision;
    m_stale = !matchesCurrentSettings();
    m_progress = 1.0;
    m_stageName = QCoreApplication::translate("PreviewController", "Analysis result is ready");
    m_errorMessage.clear();
}

} // namespace orvi::ui::controllers
