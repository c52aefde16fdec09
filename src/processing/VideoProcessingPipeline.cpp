#include "processing/VideoProcessingPipeline.h"

#include "media/VideoBackend.h"
#include "motion/PhaseMotionProcessor.h"
#include "processing/MotionGainMeter.h"
#include "processing/ProcessingOutput.h"
#include "processing/ProcessingParametersWriter.h"
#include "processing/VideoWatermarkRenderer.h"
#include "records/ErrorMessage.h"
#include "results/StagingRecord.h"
#include "results/TemporaryVideo.h"
#include "results/TemporaryVideoSource.h"

#include <QDebug>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QThread>
#include <QUuid>
#include <cmath>
#include <exception>
#include <memory>
#include <vector>

namespace orvi::processing {

using media::ReadResult;
using media::VideoFrame;
using media::VideoInfo;
using project_data::failWith;
using project_data::ProcessingPerformance;
using project_data::ProcessingProgress;
using project_data::ProcessingRequest;
using project_data::ProcessingResult;
using project_data::ProcessingState;

namespace {

constexpr int kStagingAttempts = 16;

qint64 elapsedUs(const QElapsedTimer& timer)
{
    return timer.nsecsElapsed() / 1000;
}

// Adds the duration of a scope to one performance field.
class ScopedTiming
{
public:
    explicit ScopedTiming(qint64& field) : m_field(field) { m_timer.start(); }
    ~ScopedTiming() { m_field += elapsedUs(m_timer); }

private:
    qint64& m_field;
    QElapsedTimer m_timer;
};

qint64 alignedFrame(qint64 timeUs, double rate)
{
    return qint64(std::ceil(double(timeUs) * rate / 1e6 - 1e-12));
}

qint64 roundedTimeUs(qint64 frame, double rate)
{
    if (!(rate > 0.0) || !std::isfinite(rate))
        return 0;
    return qint64(std::llround(double(frame) * 1e6 / rate));
}

bool isMetadataComplete(const VideoInfo& info)
{
    return !info.filePath.isEmpty() && info.frameSize.isValid() && info.nominalFrameRate > 0.0 &&
           info.hasCompleteTimingMap() && (!info.variableFrameRate || info.uniformStartFrame >= 0);
}

// Staging files are recorded before they are created, so that a later start-up removes them
// if this process dies first. Without the record an export still runs; a crash would then
// leave its hidden files behind.
void recordStagingPath(project_data::StagingRecord* record, const QString& path)
{
    if (record != nullptr && !record->add(path))
        qWarning().noquote() << "Could not record the staging file" << path
                             << "in the temporary folder.";
}

QString suffixTag(const QString& base, const QString& path)
{
    const QString suffix = QFileInfo(path).suffix();
    return suffix.isEmpty() ? base : base + QLatin1Char('.') + suffix;
}

// One run of the pipeline; everything a job needs lives here for the duration of the call.
class PipelineJob
{
    Q_DECLARE_TR_FUNCTIONS(VideoProcessingPipeline)

public:
    PipelineJob(const ProcessingRequest& request,
                const IProcessingPipeline::ProgressCallback& progress,
                const IProcessingPipeline::CancellationCallback& cancellation)
        : m_request(request), m_progress(progress), m_cancellation(cancellation)
    {
        m_total.start();
    }

    ProcessingResult run()
    {
        try {
            return execute();
        } catch (const std::exception& exception) {
            return failed(tr("Unexpected file processing error: %1")
                              .arg(QString::fromLocal8Bit(exception.what())));
        } catch (...) {
            return failed(tr("Unknown file processing error."));
        }
    }

private:
    ProcessingResult execute();
    // The steps of a job in their order; each returns false once the job has stopped, with
    // the job's result in m_stopped.
    void recordWorkerCounts();
    bool checkRequest();
    bool prepareExport();
    bool openSource();
    bool checkFragment();
    bool chooseCaptureRate();
    bool configureMotion();
    bool alignFragment();
    bool seekToFragment();
    bool openOutput();
    bool processFragment();
    bool finalizeOutput();
    bool writeParametersFile();
    bool publishOutputs();

    bool processFrames();
    bool emitFrame(VideoFrame& frame);
    bool writeParameters(QString* error);
    bool publish(QString* error);

    bool isCancelled();
    void report(const QString& stage, qint64 processed, qint64 total);
    ProcessingPerformance performanceNow();
    ProcessingResult failed(const QString& message);
    ProcessingResult cancelled();
    ProcessingResult completed();
    bool stopFailed(const QString& message);
    bool stopCancelled();
    bool stopFailedOrCancelled(bool wasCancelled, const QString& message);
    QString cleanupReport();
    void abortOutput();
    bool passThrough() const { return m_request.sourceTemporaryResult != nullptr; }
    // A pass-through export has only the processed frames: the gain comes with its request.
    double measuredMotionGain() const
    {
        return passThrough() ? m_request.measuredMotionGain : m_gainMeter.gain();
    }
    project_data::CameraMotion cameraMotion() const
    {
        if (passThrough() || !m_processor)
            return m_request.cameraMotion;
        return m_processor->cameraMotion();
    }

    const ProcessingRequest& m_request;
    const IProcessingPipeline::ProgressCallback& m_progress;
    const IProcessingPipeline::CancellationCallback& m_cancellation;
    bool m_cancelled = false;
    ProcessingResult m_stopped;

    QElapsedTimer m_total;
    QElapsedTimer m_frameLoop;
    ProcessingPerformance m_performance;

    QString m_videoPath;
    QString m_parametersPath;
    QString m_stagingVideoPath;
    QString m_stagingParametersPath;
    QString m_rollbackPath;
    QString m_rollbackFailure;
    QString m_publishedVideoPath;
    QString m_publishedParametersPath;
    // Destroyed after the output and the source below, once every staging file is gone or
    // reported.
    project_data::StagingRecord m_stagingRecord;

    std::unique_ptr<media::IVideoSource> m_source;
    std::unique_ptr<motion_core::PhaseMotionProcessor> m_processor;
    VideoWatermarkRenderer m_watermark;
    MotionGainMeter m_gainMeter;
    std::shared_ptr<project_data::TemporaryVideo> m_result;
    std::unique_ptr<ProcessingOutput> m_output;
    VideoInfo m_info;
    double m_captureFrameRate = 0.0;
    // The fragment in source frames, [m_start, m_end).
    qint64 m_start = 0;
    qint64 m_end = 0;
    qint64 m_written = 0;
};

bool PipelineJob::isCancelled()
{
    if (m_cancelled)
        return true;
    if (!m_cancellation)
        return false;
    try {
        m_cancelled = m_cancellation();
    } catch (...) {
        m_cancelled = true;
    }
    return m_cancelled;
}

ProcessingPerformance PipelineJob::performanceNow()
{
    m_performance.totalElapsedUs = elapsedUs(m_total);
    if (m_frameLoop.isValid())
        m_performance.frameLoopElapsedUs = elapsedUs(m_frameLoop);
    return m_performance;
}

void PipelineJob::report(const QString& stage, qint64 processed, qint64 total)
{
    if (!m_progress)
        return;
    ProcessingProgress progress;
    progress.state = ProcessingState::Running;
    progress.stage = stage;
    progress.processedFrames = processed;
    progress.totalFrames = total;
    progress.performance = performanceNow();
    try {
        m_progress(progress);
    } catch (...) {
        // A failing observer must not end the job.
    }
}

void PipelineJob::abortOutput()
{
    if (m_output)
        m_output->abort();
}

QString PipelineJob::cleanupReport()
{
    if (m_source)
        m_source->close();
    QStringList parts;
    if (!m_rollbackFailure.isEmpty())
        parts << m_rollbackFailure;
    QString outputWarning;
    if (m_output && !m_request.analysisMode) {
        m_output->abort(); // releases the encoder's hold on its staging file
        outputWarning = m_output->cleanupWarning();
        if (!outputWarning.isEmpty())
            parts << outputWarning;
    }
    for (QString* path : {&m_stagingVideoPath, &m_stagingParametersPath, &m_rollbackPath}) {
        if (path->isEmpty())
            continue;
        const QFileInfo info(*path);
        if (info.exists() || info.isSymLink()) {
            QFile file(*path);
            // The encoder has already reported a staging file it could not remove.
            if (!file.remove() && !outputWarning.contains(*path))
                parts << tr("A file may remain at %1: %2").arg(*path, file.errorString());
        }
        path->clear();
    }
    return parts.join(QLatin1Char(' '));
}

ProcessingResult PipelineJob::failed(const QString& message)
{
    const QString report = cleanupReport();
    ProcessingResult result;
    result.state = ProcessingState::Failed;
    result.message = report.isEmpty() ? message : message + QLatin1Char(' ') + report;
    result.performance = performanceNow();
    return result;
}

ProcessingResult PipelineJob::cancelled()
{
    ProcessingResult result = failed(tr("Processing was cancelled by the user."));
    result.state = ProcessingState::Cancelled;
    return result;
}

bool PipelineJob::stopFailed(const QString& message)
{
    m_stopped = failed(message);
    return false;
}

bool PipelineJob::stopCancelled()
{
    m_stopped = cancelled();
    return false;
}

bool PipelineJob::stopFailedOrCancelled(bool wasCancelled, const QString& message)
{
    return wasCancelled ? stopCancelled() : stopFailed(message);
}

ProcessingResult PipelineJob::completed()
{
    ProcessingResult result;
    result.state = ProcessingState::Completed;
    result.publishedVideoPath = m_publishedVideoPath;
    result.publishedParametersPath = m_publishedParametersPath;
    result.performance = performanceNow();
    result.measuredMotionGain = measuredMotionGain();
    result.cameraMotion = cameraMotion();
    if (m_request.analysisMode)
        result.temporaryResult = m_result;
    return result;
}

bool PipelineJob::prepareExport()
{
    if (m_request.analysisMode)
        return true;
    m_parametersPath = m_request.outputParametersPath.isEmpty()
                           ? m_videoPath + QStringLiteral(".json")
                           : m_request.outputParametersPath;
    const QString sourcePath = m_request.sourceInfo.filePath;
    if (VideoProcessingPipeline::namesSameFile(sourcePath, m_videoPath) ||
        VideoProcessingPipeline::namesSameFile(m_videoPath, m_parametersPath) ||
        VideoProcessingPipeline::entryExists(m_videoPath) ||
        VideoProcessingPipeline::entryExists(m_parametersPath))
        return stopFailed(
            tr("An output path matches the input file or a result file already exists."));
    if (isCancelled())
        return stopCancelled();
    QString error;
    m_stagingVideoPath = VideoProcessingPipeline::reserveStagingFile(
        m_videoPath, suffixTag(QStringLiteral("staging"), m_videoPath), &error, &m_stagingRecord);
    if (m_stagingVideoPath.isEmpty())
        return stopFailed(error);
    m_stagingParametersPath = VideoProcessingPipeline::reserveStagingFile(
        m_parametersPath, QStringLiteral("staging.json"), &error, &m_stagingRecord);
    if (m_stagingParametersPath.isEmpty())
        return stopFailed(error);
    if (isCancelled())
        return stopCancelled();
    return true;
}

bool PipelineJob::openSource()
{
    report(tr("Opening source video"), 0, 0);
    const VideoInfo& requested = m_request.sourceInfo;
    if (passThrough()) {
        // The stored frames start at the fragment's first frame of the source video.
        const motion_core::ProcessingSettings& settings = m_request.settings;
        const qint64 first = settings.frameRangeSet()
                                 ? settings.startFrame
                                 : alignedFrame(settings.startTimeUs, requested.nominalFrameRate);
        m_source =
            std::make_unique<media::TemporaryVideoSource>(m_request.sourceTemporaryResult, first);
    } else {
        m_source = media::VideoBackend::createSource([this] { return isCancelled(); });
    }

    QString error;
    bool opened = false;
    {
        ScopedTiming timing(m_performance.sourceOpeningUs);
        if (isMetadataComplete(requested)) {
            opened = m_source->open(requested, &error);
            if (!opened && !m_source->wasCancelled()) {
                error.clear();
                opened = m_source->open(requested.filePath, &error);
            }
        } else {
            opened = m_source->open(requested.filePath, &error);
        }
    }
    if (!opened)
        return stopFailedOrCancelled(m_source->wasCancelled(), error);
    if (isCancelled())
        return stopCancelled();
    m_info = m_source->videoInfo();
    return true;
}

bool PipelineJob::emitFrame(VideoFrame& frame)
{
    QString error;
    if (!passThrough() && !m_watermark.draw(frame.image, &error)) {
        abortOutput();
        return stopFailed(error);
    }
    bool written = false;
    {
        ScopedTiming timing(m_performance.encoderWriteUs);
        written = m_output->write(frame, &error);
    }
    if (!written) {
        const bool outputCancelled = m_output->wasCancelled();
        abortOutput();
        return stopFailedOrCancelled(outputCancelled, error);
    }
    ++m_written;
    return true;
}

bool PipelineJob::processFrames()
{
    const qint64 count = m_end - m_start;
    std::vector<VideoFrame> outputs;
    QString error;
    for (qint64 i = 0; i < count; ++i) {
        if (isCancelled()) {
            abortOutput();
            return stopCancelled();
        }
        VideoFrame frame;
        ReadResult read = ReadResult::Error;
        {
            ScopedTiming timing(m_performance.decoderUs);
            read = m_source->readFrame(frame, &error);
        }
        if (read == ReadResult::EndOfStream) {
            abortOutput();
            return stopFailed(tr("The decoder reached the end of the stream before the "
                                 "calculated end of the time range."));
        }
        if (read == ReadResult::Error) {
            abortOutput();
            return stopFailedOrCancelled(m_source->wasCancelled(), error);
        }
        // Output frames sit on the uniform grid of the capture rate.
        frame.presentationTimeUs = qint64(std::llround(double(i) * 1e6 / m_captureFrameRate));
        frame.frameIndex = i;

        if (passThrough()) {
            if (!emitFrame(frame))
                return false;
        } else {
            bool processed = false;
            {
                ScopedTiming timing(m_performance.motionProcessingUs);
                processed = m_processor->process(frame, &outputs, &error);
                m_performance.motion = m_processor->stageTimings();
            }
            if (!processed) {
                abortOutput();
                return stopFailed(error);
            }
            if (m_gainMeter.isConfigured() && outputs.size() == 1) {
                // Before the watermark, which is no part of the motion.
                ScopedTiming timing(m_performance.gainMeasurementUs);
                m_gainMeter.addFrames(frame.image, outputs.front().image);
            }
            for (VideoFrame& output : outputs)
                if (!emitFrame(output))
                    return false;
        }
        m_performance.processedFrames = i + 1;
        report(tr("Processing frames"), i + 1, count);
    }

    if (!passThrough()) {
        if (!m_processor->flush(&outputs, &error)) {
            abortOutput();
            return stopFailed(error);
        }
        for (VideoFrame& output : outputs) {
            if (isCancelled()) {
                abortOutput();
                return stopCancelled();
            }
            if (!emitFrame(output))
                return false;
        }
        m_performance.motion = m_processor->stageTimings();
    }
    m_source->close();
    return true;
}

bool PipelineJob::writeParameters(QString* error)
{
    ProcessingRequest parameters = m_request;
    const double rate = m_info.nominalFrameRate;
    parameters.settings.startFrame = m_start;
    parameters.settings.endFrameExclusive = m_end;
    parameters.settings.startTimeUs = roundedTimeUs(m_start, rate);
    parameters.settings.endTimeUs = roundedTimeUs(m_end, rate);
    parameters.outputVideoPath = QFileInfo(m_videoPath).absoluteFilePath();
    parameters.outputParametersPath = QFileInfo(m_parametersPath).absoluteFilePath();
    parameters.measuredMotionGain = measuredMotionGain();
    parameters.cameraMotion = cameraMotion();
    ScopedTiming timing(m_performance.parametersWriteUs);
    return ProcessingParametersWriter::writeStaging(m_stagingParametersPath, parameters, m_info,
                                                    m_captureFrameRate,
                                                    m_performance.processedFrames, error);
}

bool PipelineJob::publish(QString* error)
{
    QFile stagingVideo(m_stagingVideoPath);
    if (!stagingVideo.rename(m_videoPath)) {
        *error = tr("Could not publish the video: %1").arg(stagingVideo.errorString());
        return false;
    }
    m_stagingVideoPath.clear();
    QFile stagingParameters(m_stagingParametersPath);
    if (stagingParameters.rename(m_parametersPath)) {
        m_stagingParametersPath.clear();
        m_publishedVideoPath = QFileInfo(m_videoPath).absoluteFilePath();
        m_publishedParametersPath = QFileInfo(m_parametersPath).absoluteFilePath();
        return true;
    }
    *error = tr("Could not publish the JSON file: %1").arg(stagingParameters.errorString());

    // Roll back: the video must not stay published without its parameters file.
    const QString rollback = VideoProcessingPipeline::stagingPath(
        m_videoPath, suffixTag(QStringLiteral("rollback"), m_videoPath));
    recordStagingPath(&m_stagingRecord, rollback);
    QFile published(m_videoPath);
    if (published.rename(rollback)) {
        m_rollbackPath = rollback;
    } else if (!published.remove()) {
        m_rollbackFailure = tr("Could not roll back the published video %1: %2")
                                .arg(m_videoPath, published.errorString());
    }
    return false;
}

void PipelineJob::recordWorkerCounts()
{
    const motion_core::ProcessingSettings& settings = m_request.settings;
    m_performance.availableLogicalProcessorCount = std::max(1, QThread::idealThreadCount());
    m_performance.requestedWorkerThreadCount = settings.workerThreadCount;
    m_performance.effectiveWorkerThreadCount = settings.effectiveWorkerCount();
}

bool PipelineJob::checkRequest()
{
    m_videoPath = m_request.outputVideoPath;
    if (m_request.sourceInfo.filePath.isEmpty() ||
        (!m_request.analysisMode && m_videoPath.isEmpty()))
        return stopFailed(tr("The input and output video paths are required."));
    if (m_request.analysisMode && passThrough())
        return stopFailed(tr("Invalid analysis destination."));
    return true;
}

bool PipelineJob::checkFragment()
{
    const motion_core::ProcessingSettings& settings = m_request.settings;
    if (!settings.frameRangeSet() && !settings.isTimeRangeValid(m_info.durationUs))
        return stopFailed(tr("The selected time range is invalid."));
    if (settings.frameRangeSet() && !settings.isFrameRangeValid(m_info.frameCount))
        return stopFailed(tr("The selected frame range is invalid."));
    return true;
}

bool PipelineJob::chooseCaptureRate()
{
    m_captureFrameRate = m_request.sourceInfo.captureFrameRate > 0.0
                             ? m_request.sourceInfo.captureFrameRate
                             : m_info.captureFrameRate;
    if (!std::isfinite(m_captureFrameRate) || !(m_captureFrameRate > 0.0))
        return stopFailed(
            tr("The camera capture frame rate is required before motion processing."));
    return true;
}

bool PipelineJob::configureMotion()
{
    if (passThrough())
        return true;
    const motion_core::ProcessingSettings& settings = m_request.settings;
    // Frames are re-stamped onto a uniform grid, so the processor sees a constant rate.
    VideoInfo processorInfo = m_info;
    processorInfo.captureFrameRate = m_captureFrameRate;
    processorInfo.variableFrameRate = false;

    QString error;
    m_processor = std::make_unique<motion_core::PhaseMotionProcessor>();
    if (!m_processor->configure(processorInfo, settings, &error))
        return stopFailed(error);
    if (!m_watermark.configure(m_info.frameSize, &error))
        return stopFailed(error);
    // Without a region large enough to measure, the gain stays unknown.
    m_gainMeter.configure(m_info.frameSize, settings.regionOfInterest, m_captureFrameRate,
                          settings.lowerFrequencyHz, settings.upperFrequencyHz);
    return true;
}

bool PipelineJob::alignFragment()
{
    const motion_core::ProcessingSettings& settings = m_request.settings;
    const double rate = m_info.nominalFrameRate;
    if (settings.frameRangeSet()) {
        m_start = settings.startFrame;
        m_end = settings.endFrameExclusive;
    } else {
        m_start = alignedFrame(settings.startTimeUs, rate);
        m_end = settings.endTimeUs < 0 ? m_info.frameCount : alignedFrame(settings.endTimeUs, rate);
    }
    if (m_info.frameCount > 0)
        m_end = std::min(m_end, m_info.frameCount);
    const qint64 count = m_end - m_start;
    if (m_start < 0 || count < 1)
        return stopFailed(
            tr("The time range contains no frames after alignment to frame boundaries."));

    if (!passThrough()) {
        const qint64 minimum = settings.recommendedMinimumFrameCount(m_captureFrameRate);
        if (minimum >= 1 && count < minimum)
            return stopFailed(tr("The selected fragment is too short for the configured frequency "
                                 "band. Select at least %1 frames.")
                                  .arg(minimum));
    }
    return true;
}

bool PipelineJob::seekToFragment()
{
    if (m_start <= 0)
        return true;
    QString error;
    bool sought = false;
    {
        ScopedTiming timing(m_performance.sourceSeekUs);
        sought = m_source->seekToFrame(m_start, &error);
    }
    return sought || stopFailedOrCancelled(m_source->wasCancelled(), error);
}

bool PipelineJob::openOutput()
{
    QString error;
    if (m_request.analysisMode) {
        m_result = std::make_shared<project_data::TemporaryVideo>(m_info);
        if (!m_result->begin(&error))
            return stopFailed(error);
        m_output = std::make_unique<ProcessingOutput>(m_result);
    } else {
        if (passThrough() && m_request.sourceTemporaryResult->frameCount() != m_end - m_start)
            return stopFailed(tr("The saved result does not match its frame range."));
        m_output = std::make_unique<ProcessingOutput>(
            media::VideoBackend::createSink([this] { return isCancelled(); }));
    }

    bool opened = false;
    {
        ScopedTiming timing(m_performance.encoderStartupUs);
        opened = m_output->open(m_stagingVideoPath, m_info, m_request.exportOptions, &error);
    }
    return opened || stopFailedOrCancelled(m_output->wasCancelled(), error);
}

bool PipelineJob::processFragment()
{
    report(tr("Processing frames"), 0, m_end - m_start);
    m_frameLoop.start();
    if (!processFrames())
        return false;
    m_performance.frameLoopElapsedUs = elapsedUs(m_frameLoop);
    m_frameLoop.invalidate(); // finalizing and publishing are not part of the frame loop

    if (m_written != m_performance.processedFrames)
        return stopFailed(
            tr("The number of frames returned by motion processing does not match the input."));
    return true;
}

bool PipelineJob::finalizeOutput()
{
    if (isCancelled())
        return stopCancelled();
    const qint64 count = m_end - m_start;
    report(m_request.analysisMode ? tr("Finalizing the analysis result")
                                  : tr("Finalizing the staging video file"),
           count, count);
    QString error;
    bool finalized = false;
    {
        ScopedTiming timing(m_performance.encoderFinalizeUs);
        finalized = m_output->finalize(&error);
    }
    return finalized || stopFailedOrCancelled(m_output->wasCancelled(), error);
}

bool PipelineJob::writeParametersFile()
{
    if (isCancelled())
        return stopCancelled();
    const qint64 count = m_end - m_start;
    report(tr("Preparing the parameters file"), count, count);
    QString error;
    return writeParameters(&error) || stopFailed(error);
}

bool PipelineJob::publishOutputs()
{
    if (isCancelled())
        return stopCancelled();
    if (VideoProcessingPipeline::entryExists(m_videoPath) ||
        VideoProcessingPipeline::entryExists(m_parametersPath))
        return stopFailed(tr("A final output file appeared during processing; publishing was "
                             "cancelled."));

    const qint64 count = m_end - m_start;
    report(tr("Publishing the result"), count, count);
    QString error;
    bool published = false;
    {
        ScopedTiming timing(m_performance.publicationUs);
        published = publish(&error);
    }
    if (!published)
        return stopFailed(error);
    report(tr("Publishing the result"), count, count);
    return true;
}

ProcessingResult PipelineJob::execute()
{
    recordWorkerCounts();
    if (!checkRequest() || !prepareExport() || !openSource() || !checkFragment() ||
        !chooseCaptureRate() || !configureMotion() || !alignFragment() || !seekToFragment() ||
        !openOutput() || !processFragment() || !finalizeOutput())
        return m_stopped;
    if (m_request.analysisMode)
        return isCancelled() ? cancelled() : completed();
    if (!writeParametersFile() || !publishOutputs())
        return m_stopped;
    return completed();
}

} // namespace

ProcessingResult VideoProcessingPipeline::run(const ProcessingRequest& request,
                                              const ProgressCallback& progress,
                                              const CancellationCallback& cancellation)
{
    PipelineJob job(request, progress, cancellation);
    return job.run();
}

QString VideoProcessingPipeline::stagingPath(const QString& finalPath, const QString& tag)
{
    const QFileInfo info(finalPath);
    const QString name =
        QStringLiteral(".%1.%2.%3")
            .arg(info.fileName(), QUuid::createUuid().toString(QUuid::WithoutBraces), tag);
    return info.absoluteDir().absoluteFilePath(name);
}

QString VideoProcessingPipeline::reserveStagingFile(const QString& finalPath, const QString& tag,
                                                    QString* error,
                                                    project_data::StagingRecord* record)
{
    const QFileInfo info(finalPath);
    const QDir folder = info.absoluteDir();
    if (info.fileName().isEmpty() || !folder.exists()) {
        failWith(error, tr("The output directory does not exist: %1").arg(folder.absolutePath()));
        return {};
    }
    for (int attempt = 0; attempt < kStagingAttempts; ++attempt) {
        const QString path = stagingPath(finalPath, tag);
        recordStagingPath(record, path);
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            file.close();
            return path;
        }
        if (!QFileInfo::exists(path)) {
            failWith(error, tr("Could not create a staging file in %1: %2")
                                .arg(folder.absolutePath(), file.errorString()));
            return {};
        }
    }
    failWith(error,
             tr("Could not choose a unique staging file name in %1.").arg(folder.absolutePath()));
    return {};
}

bool VideoProcessingPipeline::entryExists(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

bool VideoProcessingPipeline::namesSameFile(const QString& first, const QString& second)
{
    if (first.isEmpty() || second.isEmpty())
        return false;
    const QString a = QDir::cleanPath(QFileInfo(first).absoluteFilePath());
    const QString b = QDir::cleanPath(QFileInfo(second).absoluteFilePath());
    if (a.compare(b, Qt::CaseInsensitive) == 0)
        return true;
    const QFileInfo firstInfo(first);
    const QFileInfo secondInfo(second);
    return firstInfo.exists() && secondInfo.exists() &&
           firstInfo.canonicalFilePath() == secondInfo.canonicalFilePath();
}

} // namespace orvi::processing
