#include "controllers/VideoSessionController.h"

#include "controllers/LocalFile.h"
#include "controllers/MediaRuntimeController.h"
#include "media/VideoBackend.h"
#include "media/VideoFileTypes.h"
#include "motion/BackgroundPriority.h"
#include "spectrum/SpectrumAnalysisLimits.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QtConcurrent>
#include <algorithm>
#include <cmath>

namespace orvi::ui::controllers {

namespace {

constexpr double kInitialCaptureFrameRate = 240.0;
constexpr double kMaximumProbeProgress = 0.99;

} // namespace

VideoSessionController::VideoSessionController(MediaRuntimeController* mediaRuntime,
                                               QObject* parent)
    : QObject(parent), m_mediaRuntime(mediaRuntime)
{}

VideoSessionController::~VideoSessionController()
{
    // Every task still running reports to this object: stop them all, then wait.
    for (auto& [generation, probe] : m_probes) {
        probe.watcher->disconnect(this);
        probe.cancelFlag->store(true);
    }
    for (auto& [generation, probe] : m_probes)
        probe.watcher->waitForFinished();
}

QString VideoSessionController::containerDisplayName() const
{
    if (m_videoInfo.containerName.isEmpty())
        return {};
    return media::VideoFileTypes::containerDisplayName(m_videoInfo.containerName,
                                                       m_videoInfo.filePath);
}

QStringList VideoSessionController::openFileFilters()
{
    const QString patterns = media::VideoFileTypes::patterns().join(QLatin1Char(' '));
    return {QCoreApplication::translate("VideoSessionController", "Video files (%1)").arg(patterns),
            QCoreApplication::translate("VideoSessionController", "All files (*)")};
}

QUrl VideoSessionController::folderUrl() const
{
    const QFileInfo file(m_filePath);
    if (!m_filePath.isEmpty() && file.absoluteDir().exists())
        return QUrl::fromLocalFile(file.absolutePath());
    return QUrl::fromLocalFile(QDir::homePath());
}

void VideoSessionController::openSource(const QUrl& fileUrl)
{
    if (m_operationLocked)
        return;
    if (refusedForUnsavedResult())
        return;
    // The latest choice wins: a probe still running is abandoned.
    if (busy())
        supersedeProbe();
    if (!fileUrl.isValid() || fileUrl.isEmpty()) {
        fail({},
             QCoreApplication::translate("VideoSessionController", "No video file was selected."));
        return;
    }
    if (!LocalFile::isLocal(fileUrl)) {
        fail(fileUrl.fileName(),
             QCoreApplication::translate("VideoSessionController",
                                         "Only local video files can be analyzed."));
        return;
    }
    const QString absolutePath = QDir::cleanPath(LocalFile::pathOf(fileUrl));
    const QFileInfo file(absolutePath);
    if (absolutePath.isEmpty()) {
        fail(file.fileName(),
             QCoreApplication::translate("VideoSessionController", "No video file was selected."));
        return;
    }
    m_fileName = file.fileName();
    m_filePath = absolutePath;
    setErrorMessage({});
    resetVideoInfo();
    emit sourceChanged();
    startAnalysis();
}

void VideoSessionController::retryAnalysis()
{
    // A retry replaces the open file's metadata, so it only follows a failed or cancelled
    // attempt; a ready file keeps its entered capture rate and whatever was made from it.
    if (m_operationLocked || m_filePath.isEmpty() || (m_state != Error && m_state != Cancelled))
        return;
    if (refusedForUnsavedResult())
        return;
    setErrorMessage({});
    resetVideoInfo();
    startAnalysis();
}

bool VideoSessionController::refusedForUnsavedResult()
{
    if (!m_unsavedProcessedResult)
        return false;
    setErrorMessage(QCoreApplication::translate(
        "VideoSessionController",
        "Save or discard the current analysis result before opening another video."));
    return true;
}

void VideoSessionController::cancelAnalysis()
{
    if (m_state != Analyzing)
        return;
    const auto probe = m_probes.find(m_currentGeneration);
    if (probe != m_probes.end())
        probe->second.cancelFlag->store(true);
    setState(Cancelling);
}

double VideoSessionController::maximumCaptureFrameRate()
{
    return spectrum::kMaximumCaptureFrameRate;
}

bool VideoSessionController::setCaptureFrameRate(double framesPerSecond)
{
    if (m_operationLocked || m_videoInfo.filePath.isEmpty() || !std::isfinite(framesPerSecond) ||
        framesPerSecond <= 0.0 || framesPerSecond > spectrum::kMaximumCaptureFrameRate)
        return false;
    if (framesPerSecond == m_videoInfo.captureFrameRate && m_videoInfo.captureFrameRateManual)
        return true;
    // Setting the assumed rate itself confirms it.
    m_videoInfo.captureFrameRate = framesPerSecond;
    m_videoInfo.captureFrameRateManual = true;
    m_videoInfo.captureFrameRateAssumed = false;
    emit videoInfoChanged();
    return true;
}

void VideoSessionController::resetCaptureFrameRate()
{
    if (m_operationLocked || m_videoInfo.filePath.isEmpty() ||
        (m_videoInfo.captureFrameRateAssumed &&
         m_videoInfo.captureFrameRate == kInitialCaptureFrameRate))
        return;
    m_videoInfo.captureFrameRate = kInitialCaptureFrameRate;
    m_videoInfo.captureFrameRateManual = false;
    m_videoInfo.captureFrameRateAssumed = true;
    emit videoInfoChanged();
}

void VideoSessionController::clearCaptureFrameRateOverride()
{
    if (m_operationLocked ||
        (!m_videoInfo.captureFrameRateManual && !m_videoInfo.captureFrameRateAssumed))
        return;
    m_videoInfo.captureFrameRate = m_videoInfo.detectedCaptureFrameRate;
    m_videoInfo.captureFrameRateManual = false;
    m_videoInfo.captureFrameRateAssumed = false;
    emit videoInfoChanged();
}

void VideoSessionController::fail(const QString& fileName, const QString& message)
{
    m_fileName = fileName;
    m_filePath.clear();
    setErrorMessage(message);
    resetVideoInfo();
    emit sourceChanged();
    setState(Error);
}

void VideoSessionController::startAnalysis()
{
    if (m_mediaRuntime && m_mediaRuntime->available()) {
        setState(Analyzing);
        launchProbe();
        return;
    }
    setErrorMessage(m_mediaRuntime ? m_mediaRuntime->errorMessage()
                                   : QCoreApplication::translate(
                                         "VideoSessionController",
                                         "The embedded FFmpeg libraries are unavailable."));
    setState(Error);
}

void VideoSessionController::launchProbe()
{
    m_progress = 0.0;
    m_progressKnown = false;
    emit progressChanged();

    const auto cancelFlag = std::make_shared<std::atomic_bool>(false);
    const quint64 generation = ++m_lastGeneration;
    m_currentGeneration = generation;
    auto* watcher = new ProbeWatcher(this);
    connect(watcher, &ProbeWatcher::finished, this,
            [this, generation] { finishProbe(generation); });
    m_probes.emplace(generation, Probe{cancelFlag, watcher});

    // Runs on the pool; it touches only its own copies, the flag and queued calls back here.
    auto task = [this, cancelFlag, generation, path = m_filePath]() -> VideoAnalysisResult {
        motion_core::lowerCurrentThreadPriority();
        VideoAnalysisResult result;
        try {
            auto onFirstFrame = [this, generation](const QImage& image) {
                QMetaObject::invokeMethod(
                    this, [this, generation, image] { acceptFirstFrame(generation, image); },
                    Qt::QueuedConnection);
            };
            auto onProgress = [this, generation](double value) {
                QMetaObject::invokeMethod(
                    this, [this, generation, value] { acceptProgress(generation, value); },
                    Qt::QueuedConnection);
            };
            using Outcome = media::VideoBackend::ProbeOutcome;
            const Outcome outcome = media::VideoBackend::probe(
                [cancelFlag] { return cancelFlag->load(); }, path, &result.videoInfo,
                &result.errorMessage, onFirstFrame, onProgress, &result.scrubbingProxy);
            const bool stopped = cancelFlag->load();
            result.succeeded = outcome == Outcome::Succeeded && !stopped;
            result.cancelled = !result.succeeded && (outcome == Outcome::Cancelled || stopped);
        } catch (...) {
            // Allocation failure or the like: an ordinary failure with the generic message.
            result = {};
        }
        if (!result.succeeded) {
            result.videoInfo = {};
            result.scrubbingProxy.reset();
        }
        return result;
    };
    watcher->setFuture(QtConcurrent::run(std::move(task)));
}

void VideoSessionController::supersedeProbe()
{
    const auto probe = m_probes.find(m_currentGeneration);
    if (probe != m_probes.end())
        probe->second.cancelFlag->store(true);
    m_currentGeneration = 0;
}

bool VideoSessionController::isCurrentProbe(quint64 generation) const
{
    if (generation != m_currentGeneration || !busy())
        return false;
    const auto probe = m_probes.find(generation);
    return probe != m_probes.end() && !probe->second.cancelFlag->load();
}

void VideoSessionController::acceptFirstFrame(quint64 generation, const QImage& image)
{
    if (isCurrentProbe(generation))
        emit firstFrameReady(image);
}

void VideoSessionController::acceptProgress(quint64 generation, double value)
{
    if (!isCurrentProbe(generation))
        return;
    m_progressKnown = std::isfinite(value) && value >= 0.0;
    if (m_progressKnown)
        m_progress = std::max(m_progress, std::clamp(value, 0.0, kMaximumProbeProgress));
    emit progressChanged();
}

void VideoSessionController::finishProbe(quint64 generation)
{
    const auto found = m_probes.find(generation);
    if (found == m_probes.end())
        return;
    const Probe probe = found->second;
    m_probes.erase(found);
    probe.watcher->deleteLater();
    if (generation != m_currentGeneration)
        return; // superseded: its outcome belongs to no file the user still wants

    VideoAnalysisResult result = probe.watcher->result();
    const bool cancelled = m_state == Cancelling || probe.cancelFlag->load();
    m_currentGeneration = 0;

    if (cancelled || result.cancelled) {
        setErrorMessage({});
        resetVideoInfo();
        setState(Cancelled);
        return;
    }
    if (result.succeeded) {
        setErrorMessage({});
        m_videoInfo = std::move(result.videoInfo);
        m_scrubbingProxy = std::move(result.scrubbingProxy);
        // Every new file starts from 240 fps, as high-speed clips often play at a much lower
        // rate; it stays an assumption, which nothing is measured with, until the user
        // confirms or changes it. The probe's own judgement stays in detectedCaptureFrameRate.
        m_videoInfo.captureFrameRate = kInitialCaptureFrameRate;
        m_videoInfo.captureFrameRateManual = false;
        m_videoInfo.captureFrameRateAssumed = true;
        m_progress = 1.0;
        m_progressKnown = true;
        emit progressChanged();
        emit videoInfoChanged();
        setState(Ready);
        return;
    }
    setErrorMessage(
        result.errorMessage.isEmpty()
            ? QCoreApplication::translate("VideoSessionController", "Video analysis failed.")
            : result.errorMessage);
    resetVideoInfo();
    setState(Error);
}

void VideoSessionController::resetVideoInfo()
{
    m_videoInfo = {};
    m_scrubbingProxy.reset();
    emit videoInfoChanged();
}

void VideoSessionController::setState(AnalysisState state)
{
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged();
}

void VideoSessionController::setErrorMessage(const QString& message)
{
    if (m_errorMessage == message)
        return;
    m_errorMessage = message;
    emit errorMessageChanged();
}

} // namespace orvi::ui::controllers
