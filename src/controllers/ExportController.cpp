#include "controllers/ExportController.h"

#include "controllers/LocalFile.h"
#include "controllers/MediaRuntimeController.h"
#include "controllers/PlaybackController.h"
#include "controllers/PreviewController.h"
#include "controllers/ProcessingSettingsController.h"
#include "controllers/TimeArithmetic.h"
#include "controllers/VideoSessionController.h"
#include "processing/OutputDestination.h"
#include "processing/ProcessingRequest.h"
#include "processing/VideoProcessingPipeline.h"
#include "records/ErrorMessage.h"
#include "records/ProcessingState.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace orvi::ui::controllers {

using project_data::failWith;

namespace {

// Any directory entry, a dangling symbolic link included, counts as taken.
bool taken(const QString& path)
{
    return processing::VideoProcessingPipeline::entryExists(path);
}

} // namespace

ExportController::ExportController(VideoSessionController* videoSession,
                                   MediaRuntimeController* mediaRuntime,
                                   ProcessingSettingsController* settings,
                                   playback::PlaybackController* playback,
                                   PreviewController* preview, QObject* parent)
    : QObject(parent), m_videoSession(videoSession), m_mediaRuntime(mediaRuntime),
      m_settings(settings), m_playback(playback), m_preview(preview)
{
    project_data::registerProcessingMetaTypes();
    connect(&m_jobs, &PipelineJobThread::progressChanged, this, &ExportController::onProgress);
    connect(&m_jobs, &PipelineJobThread::finished, this, &ExportController::onFinished);

    if (m_videoSession) {
        connect(m_videoSession, &VideoSessionController::sourceChanged, this,
                &ExportController::onSourceChanged);
        connect(m_videoSession, &VideoSessionController::stateChanged, this,
                &ExportController::onInputsChanged);
    }
    if (m_mediaRuntime)
        connect(m_mediaRuntime, &MediaRuntimeController::statusChanged, this,
                &ExportController::onInputsChanged);
    if (m_settings)
        connect(m_settings, &ProcessingSettingsController::settingsChanged, this,
                &ExportController::onInputsChanged);
    if (m_playback)
        connect(m_playback, &playback::PlaybackController::stateChanged, this,
                &ExportController::onInputsChanged);
    if (m_preview)
        connect(m_preview, &PreviewController::stateChanged, this,
                &ExportController::onInputsChanged);
    updateAvailability();
}

ExportController::~ExportController()
{
    shutdown();
}

QUrl ExportController::preferredDirectoryUrl() const
{
    if (!m_preferredDirectory.isEmpty())
        return QUrl::fromLocalFile(m_preferredDirectory);
    if (m_videoSession && m_videoSession->hasSource())
        return QUrl::fromLocalFile(QFileInfo(m_videoSession->filePath()).absolutePath());
    return {};
}

bool ExportController::canStart() const
{
    return m_available && hasDestination() && checkDestination(m_destinationPath);
}

QString ExportController::destinationFileName() const
{
    return m_destinationPath.isEmpty() ? QString() : QFileInfo(m_destinationPath).fileName();
}

QUrl ExportController::suggestedFileUrl() const
{
    if (!m_videoSession || !m_videoSession->hasSource())
        return {};
    const QFileInfo source(m_videoSession->filePath());
    QString base = source.completeBaseName();
    if (base.isEmpty()) {
        base = QStringLiteral("processed-video");
    } else {
        const QDateTime finished = m_preview ? m_preview->resultFinishedAt() : QDateTime();
        base +=
            QStringLiteral("_analysis_") + finished.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
    }
    const QDir folder(m_preferredDirectory.isEmpty() ? source.absolutePath()
                                                     : m_preferredDirectory);
    QString candidate = folder.absoluteFilePath(base + QStringLiteral(".mp4"));
    for (int n = 2; taken(candidate) || taken(candidate + QStringLiteral(".json")); ++n)
        candidate = folder.absoluteFilePath(base + QStringLiteral("-%1.mp4").arg(n));
    return QUrl::fromLocalFile(candidate);
}

bool ExportController::checkDestination(const QString& path, QString* error) const
{
    const QString trimmed = path.trimmed();
    if (trimmed.isEmpty())
        return failWith(
            error, QCoreApplication::translate("ExportController",
                                               "Choose where to save the processed MP4 file."));
    const QFileInfo file(trimmed);
    if (file.suffix().compare(QLatin1String("mp4"), Qt::CaseInsensitive) != 0)
        return failWith(
            error, QCoreApplication::translate("ExportController",
                                               "The processed video must use the .mp4 extension."));
    const QString resolved = processing::OutputDestination::resolvedFolder(trimmed);
    if (resolved.isEmpty())
        return failWith(error, QCoreApplication::translate(
                                   "ExportController", "The destination folder does not exist."));
    if (processing::OutputDestination::isSystemFolder(resolved))
        return failWith(error,
                        QCoreApplication::translate("ExportController",
                                                    "The destination is a device or system folder. "
                                                    "Choose a folder for your own files."));
    const QFileInfo folder(resolved);
    if (!folder.isWritable())
        return failWith(error, QCoreApplication::translate(
                                   "ExportController", "The destination folder is not writable."));
    if (m_videoSession && m_videoSession->hasSource() &&
        processing::VideoProcessingPipeline::namesSameFile(trimmed, m_videoSession->filePath()))
        return failWith(
            error, QCoreApplication::translate(
                       "ExportController", "The output file must differ from the source video."));
    if (taken(trimmed))
        return failWith(error, QCoreApplication::translate(
                                   "ExportController", "The selected output file already exists."));
    if (taken(trimmed + QStringLiteral(".json")))
        return failWith(error,
                        QCoreApplication::translate("ExportController",
                                                    "The export parameters file already exists."));
    return true;
}

void ExportController::setBlocked(bool blocked)
{
    if (blocked == m_blocked)
        return;
    m_blocked = blocked;
    updateAvailability();
    emit stateChanged(); // canStart follows
}

void ExportController::shutdown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    m_jobs.shutdown();
}

bool ExportController::setPreferredDirectory(const QUrl& directoryUrl)
{
    const QString folderPath = LocalFile::pathOf(directoryUrl);
    if (m_busy || folderPath.isEmpty())
        return false;
    const QFileInfo folder(folderPath);
    if (!folder.exists() || !folder.isDir())
        return false;
    const QString cleaned = QDir::cleanPath(folder.absoluteFilePath());
    if (cleaned != m_preferredDirectory) {
        m_preferredDirectory = cleaned;
        emit stateChanged();
    }
    return true;
}

bool ExportController::setDestination(const QUrl& fileUrl)
{
    QString path = LocalFile::pathOf(fileUrl);
    if (path.isEmpty()) {
        fail(QCoreApplication::translate("ExportController", "Choose a local MP4 file."));
        return false;
    }
    if (m_busy) {
        fail(QCoreApplication::translate("ExportController",
                                         "Wait until the current export finishes."));
        return false;
    }
    // Checked as given, so that the folder is the one the file system resolves ("missing/.."
    // is no folder), then kept with that folder spelled out.
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".mp4");
    QString message;
    if (!checkDestination(path, &message)) {
        fail(message);
        return false;
    }
    path = processing::OutputDestination::resolvedPath(path);
    m_destinationPath = path;
    m_parametersPath = path + QStringLiteral(".json");
    m_completed = false;
    resetCounters();
    m_stageName = QCoreApplication::translate("ExportController", "Destination is ready");
    m_errorMessage.clear();
    updateAvailability();
    emitBoth();
    return true;
}

void ExportController::startExport()
{
    if (m_busy || m_blocked || m_shutDown)
        return;
    m_errorMessage.clear();
    QString invalid;
    if (!checkDestination(m_destinationPath, &invalid)) {
        fail(invalid);
        return;
    }
    project_data::ProcessingRequest request;
    if (!m_preview || !m_preview->exportRequest(&request)) {
        fail(QCoreApplication::translate("ExportController",
                                         "Create an analysis result before saving."));
        return;
    }
    updateAvailability();
    if (!m_available) {
        fail(QCoreApplication::translate(
            "ExportController",
            "Pause playback and wait until video processing is ready before exporting."));
        return;
    }
    request.outputVideoPath = m_destinationPath;
    request.outputParametersPath = m_parametersPath;
    request.exportOptions = media::VideoExportOptions{};
    request.exportOptions.container = QStringLiteral("mp4");
    request.exportOptions.videoCodec = QStringLiteral("h264");
    request.exportOptions.qualityPercent = 75;
    request.exportOptions.includeAudio = false;
    request.exportOptions.preserveFrameSize = true;
    request.exportOptions.preserveFrameRate = true;
    m_exportStart = request.settings.startFrame;
    m_exportEnd = request.settings.endFrameExclusive;
    m_averagePlaybackRate = request.sourceInfo.averagePlaybackFrameRate();
    m_exportedFinishedAt = m_preview->resultFinishedAt();

    m_busy = true;
    m_cancelling = false;
    m_completed = false;
    m_progress = 0.0;
    m_remainingTimeUs = 0;
    m_performance = {};
    m_stageName =
        QCoreApplication::translate("ExportController", "Preparing processed video export");
    updateAvailability();
    emitBoth();
    if (m_playback)
        m_playback->setExportActive(true);
    m_jobs.start(request);
}

void ExportController::cancel()
{
    if (!m_busy || m_cancelling || !m_jobs.hasJob())
        return;
    m_cancelling = true;
    m_stageName =
        QCoreApplication::translate("ExportController", "Cancelling processed video export");
    m_jobs.cancel();
    updateAvailability();
    emitBoth();
}

bool ExportController::openOutputFolder()
{
    if (m_destinationPath.isEmpty())
        return false;
    return QDesktopServices::openUrl(
        QUrl::fromLocalFile(QFileInfo(m_destinationPath).absolutePath()));
}

bool ExportController::playbackReadyForNavigation() const
{
    return m_playback && m_playback->canNavigate() && !m_playback->playing();
}

bool ExportController::updateAvailability()
{
    const bool available = !m_busy && !m_blocked && !m_shutDown && m_mediaRuntime &&
                           m_mediaRuntime->available() && m_videoSession &&
                           m_videoSession->hasSource() && m_preview && m_preview->ready() &&
                           !m_preview->busy() && playbackReadyForNavigation();
    if (available == m_available)
        return false;
    m_available = available;
    return true;
}

void ExportController::emitBoth()
{
    emit stateChanged();
    emit progressChanged();
}

void ExportController::fail(const QString& message)
{
    m_errorMessage = message;
    emit stateChanged();
}

void ExportController::resetCounters()
{
    m_frameCount = 0;
    m_durationUs = 0;
    m_remainingTimeUs = 0;
    m_progress = 0.0;
    m_performance = {};
}

void ExportController::onInputsChanged()
{
    bool changed = updateAvailability();
    if (m_completed && m_preview && m_preview->resultFinishedAt() != m_exportedFinishedAt) {
        m_completed = false;
        changed = true;
    }
    if (changed)
        emit stateChanged();
}

void ExportController::onSourceChanged()
{
    if (m_busy) {
        m_cancelling = true;
        m_jobs.cancel();
    } else {
        m_destinationPath.clear();
        m_parametersPath.clear();
        m_stageName.clear();
        m_completed = false;
        resetCounters();
    }
    updateAvailability();
    emitBoth();
}

void ExportController::onProgress(const project_data::ProcessingProgress& progress)
{
    if (!m_busy)
        return;
    m_progress = progress.fraction();
    if (!m_cancelling)
        m_stageName = progress.stage;
    m_performance = progress.performance;
    const qint64 processed = progress.processedFrames;
    const qint64 total = progress.totalFrames;
    const qint64 loopUs = progress.performance.frameLoopElapsedUs;
    m_remainingTimeUs =
        processed > 0 && total > processed && loopUs > 0
            ? roundedCount(double(loopUs) / double(processed) * double(total - processed))
            : 0;
    emit progressChanged();
}

void ExportController::onFinished(const project_data::ProcessingResult& result)
{
    if (!m_busy)
        return;
    m_cancelling = false;
    m_remainingTimeUs = 0;
    if (result.performance.isPresent())
        m_performance = result.performance;
    switch (result.state) {
    case project_data::ProcessingState::Completed:
        m_destinationPath = result.publishedVideoPath;
        m_parametersPath = result.publishedParametersPath;
        m_frameCount = std::max<qint64>(m_exportEnd - m_exportStart, 0);
        m_durationUs = m_averagePlaybackRate > 0.0
                           ? roundedCount(double(m_frameCount) * 1e6 / m_averagePlaybackRate)
                           : 0;
        m_progress = 1.0;
        m_completed = true;
        if (m_preview)
            m_preview->markSaved();
        ++m_exportRevision;
        m_stageName = QCoreApplication::translate("ExportController", "Processed video was saved");
        m_errorMessage.clear();
        break;
    case project_data::ProcessingState::Cancelled:
        m_progress = 0.0;
        m_completed = false;
        m_stageName =
            QCoreApplication::translate("ExportController", "Processed video export was cancelled");
        m_errorMessage.clear();
        break;
    default:
        m_progress = 0.0;
        m_completed = false;
        m_stageName =
            QCoreApplication::translate("ExportController", "Processed video export failed");
        m_errorMessage = result.message.isEmpty()
                             ? QCoreApplication::translate("ExportController",
                                                           "Could not export the processed video.")
                             : result.message;
        break;
    }
    m_busy = false;
    if (m_playback)
        m_playback->setExportActive(false);
    updateAvailability();
    emitBoth();
}

} // namespace orvi::ui::controllers
