#include "RecordingTask.h"

#include "MemoryGate.h"
#include "RecordingOutputs.h"
#include "media/VideoBackend.h"
#include "orvi/Version.h"
#include "processing/VideoProcessingPipeline.h"
#include "records/SpectrumAlgorithms.h"
#include "reports/AnalysisExportContext.h"
#include "reports/AnalysisExportWriter.h"
#include "spectrum/SpectrumAnalysisLimits.h"
#include "spectrum/SpectrumAnalysisRun.h"
#include "spectrum/VibrationUnits.h"

#include <QDateTime>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <cmath>
#include <optional>

namespace orvi::batch {

namespace {

using reports::AnalysisExportFormat;

// Candidates a summary row names, strongest first.
constexpr size_t kSummaryCandidates = 3;

struct PlannedExport
{
    QString name;
    AnalysisExportFormat format;
};

std::vector<PlannedExport> plannedExports(const QString& stem, unsigned exports)
{
    const std::pair<unsigned, PlannedExport> all[] = {
        {ExportPdf, {QStringLiteral("_report.pdf"), AnalysisExportFormat::PdfReport}},
        {ExportDocx, {QStringLiteral("_report.docx"), AnalysisExportFormat::DocxReport}},
        {ExportCsv, {QStringLiteral("_spectrum.csv"), AnalysisExportFormat::SpectrumCsv}},
        {ExportCsv, {QStringLiteral("_cells.csv"), AnalysisExportFormat::CellDataCsv}},
        {ExportJson, {QStringLiteral("_analysis.json"), AnalysisExportFormat::AnalysisDataJson}},
        {ExportPng, {QStringLiteral("_spectrum.png"), AnalysisExportFormat::SpectrumPng}},
        {ExportPng, {QStringLiteral("_power-map.png"), AnalysisExportFormat::BandPowerMapPng}},
    };
    std::vector<PlannedExport> planned;
    for (const auto& [flag, item] : all)
        if (exports & flag)
            planned.push_back({stem + item.name, item.format});
    return planned;
}

QString amplifiedName(const QString& stem)
{
    return stem + QStringLiteral("_amplified.mp4");
}

QJsonValue number(double value)
{
    return std::isfinite(value) ? QJsonValue(value) : QJsonValue();
}

RecordingOutcome outcome(const BatchRecording& recording, RecordingStatus status,
                         const QString& message, const QJsonObject& figures = {})
{
    return {recording.index, recording.input, status, message, figures};
}

bool probe(const QString& path, const TaskEnvironment& environment, media::VideoInfo* info,
           QString* error)
{
    const bool ok =
        media::VideoBackend::probe([flag = environment.cancelled] { return flag->load(); }, path,
                                   info, error) == media::VideoBackend::ProbeOutcome::Succeeded;
    return ok && !environment.cancelled->load();
}

// The job states the rate, or asks for the one the file declares; never a silent default.
bool applyCaptureRate(const RecordingSettings& settings, media::VideoInfo* info, QString* error)
{
    const double rate =
        settings.useDetectedRate ? info->detectedCaptureFrameRate : settings.captureRate;
    if (!std::isfinite(rate) || rate <= 0.0) {
        *error = RecordingTask::tr("The recording declares no frame rate: state the capture frame "
                                   "rate for it.");
        return false;
    }
    info->captureFrameRate = rate;
    info->captureFrameRateManual = !settings.useDetectedRate;
    return true;
}

QStringList candidateMarks(const project_data::FrequencyCandidate& candidate)
{
    QStringList marks;
    if (candidate.possibleCompressionArtefact)
        marks << QStringLiteral("possible_compression_artefact");
    if (candidate.cameraMotion)
        marks << QStringLiteral("camera_motion");
    if (candidate.stabilityEvaluated && candidate.stability <= 0.0)
        marks << QStringLiteral("not_repeated_in_halves");
    return marks;
}

QJsonArray candidateFigures(const project_data::SpectrumResult& result)
{
    const double mmPerPixel = spectrum::millimetresPerPixel(result.request.lengthScale,
                                                            result.request.videoInfo.frameSize);
    QJsonArray list;
    for (size_t i = 0; i < result.candidates.size() && i < kSummaryCandidates; ++i) {
        const project_data::FrequencyCandidate& c = result.candidates[i];
        const bool physical = std::isfinite(mmPerPixel);
        const double amplitude =
            physical
                ? spectrum::physicalAmplitude(c.amplitudePx, c.measuredFrequencyHz(), mmPerPixel)
                      .displacementUm
                : c.amplitudePx;
        list.append(QJsonObject{
            {QStringLiteral("frequencyHz"), number(c.measuredFrequencyHz())},
            {QStringLiteral("binFrequencyHz"), c.frequencyHz},
            {QStringLiteral("contrastDb"), number(c.contrastDb)},
            {QStringLiteral("relativePower"), c.relativePower},
            {QStringLiteral("spatialSupport"), c.spatialSupport},
            {QStringLiteral("amplitude"), number(amplitude)},
            {QStringLiteral("amplitudeUnit"),
             physical ? QStringLiteral("µm") : QStringLiteral("px")},
            {QStringLiteral("marks"), QJsonArray::fromStringList(candidateMarks(c))},
        });
    }
    return list;
}

// The band the window selects when an analysis finishes: the first candidate's.
reports::AnalysisExportContext exportContext(const project_data::SpectrumResult& result)
{
    reports::AnalysisExportContext context;
    context.result = result;
    context.applicationIcon = QImage(QStringLiteral(":/ui/icons/application.png"));
    context.versionText = QLatin1String(version::kText);
    context.created = QDateTime::currentDateTime();
    if (!result.candidates.empty()) {
        context.lowerHz = result.candidates.front().lowerFrequencyHz;
        context.upperHz = result.candidates.front().upperFrequencyHz;
    }
    const double rate = result.request.videoInfo.captureFrameRate;
    context.hasPowerMap = !result.firstFrame.isNull() && !result.acceptedSignals.empty() &&
                          std::isfinite(context.lowerHz) && context.lowerHz > 0.0 &&
                          context.lowerHz < context.upperHz && context.upperHz < rate * 0.5;
    context.sites = reports::AnalysisExportContext::sitesFrom(result.sites);
    return context;
}

// Holds a recording's memory estimate while it works.
class MemoryHold
{
public:
    MemoryHold(MemoryGate* gate, qint64 bytes) : m_gate(gate), m_bytes(bytes) {}
    ~MemoryHold()
    {
        if (m_held)
            m_gate->release(m_bytes);
    }
    bool acquire(const std::shared_ptr<std::atomic_bool>& cancelled)
    {
        m_held = !m_gate || m_gate->acquire(m_bytes, [cancelled] { return cancelled->load(); });
        m_held = m_held && m_gate;
        return !cancelled->load();
    }

private:
    MemoryGate* m_gate;
    qint64 m_bytes;
    bool m_held = false;
};

QString cancelledMessage()
{
    return RecordingTask::tr("Stopped before it finished; nothing of it was published.");
}

// Probes the recording and applies its capture rate; the outcome to report when either fails.
std::optional<RecordingOutcome> prepareSource(const BatchRecording& recording,
                                              const RecordingSettings& settings,
                                              const TaskEnvironment& environment,
                                              media::VideoInfo* info)
{
    QString error;
    if (!probe(recording.input, environment, info, &error))
        return environment.cancelled->load()
                   ? outcome(recording, RecordingStatus::Cancelled, cancelledMessage())
                   : outcome(recording, RecordingStatus::Failed, error);
    if (!applyCaptureRate(settings, info, &error))
        return outcome(recording, RecordingStatus::Failed, error);
    return std::nullopt;
}

RecordingOutcome runAnalysis(const BatchRecording& recording, const RecordingSettings& settings,
                             const QByteArray& fingerprint, const TaskEnvironment& environment,
                             const TaskProgress& progress)
{
    const std::shared_ptr<std::atomic_bool> cancelled = environment.cancelled;
    QString error;
    media::VideoInfo info;
    if (std::optional<RecordingOutcome> failure =
            prepareSource(recording, settings, environment, &info))
        return *failure;

    project_data::SpectrumAnalysisRequest request;
    request.videoInfo = info;
    request.analysisRegion = settings.region;
    request.cameraMotionCompensation = settings.stabilization;
    request.cameraReferenceRegion = settings.stabilizationRegion;
    request.requestedGrid = spectrum::gridForDensity(settings.gridDensity);
    request.workerThreadCount =
        settings.workerThreads > 0 ? settings.workerThreads : environment.workerThreads;
    request.lengthScale = settings.knownLength;
    request.startFrame = settings.startFrame;
    // Without an end: the whole recording, as far as the grid's signal budget reaches.
    request.endFrame =
        settings.endFrame > 0
            ? settings.endFrame
            : std::min(info.frameCount,
                       settings.startFrame + spectrum::maximumFragmentFrames(request));
    request.identity = spectrum::makeIdentity(0, request);
    if (QString invalid; !spectrum::validate(request, &invalid))
        return outcome(recording, RecordingStatus::Failed, invalid);
    if (request.lengthScale.isSet() &&
        !std::isfinite(spectrum::millimetresPerPixel(request.lengthScale, info.frameSize)))
        return outcome(recording, RecordingStatus::Failed,
                       RecordingTask::tr("The known length is unusable: its points must lie in "
                                         "the frame, at least a pixel apart, and its length "
                                         "above 0 mm."));

    const QSize grid = spectrum::effectiveGrid(request);
    MemoryHold memory(environment.memory, RecordingTask::analysisMemoryBytes(
                                              info.frameSize, qint64(grid.width()) * grid.height(),
                                              request.endFrame - request.startFrame));
    if (!memory.acquire(cancelled))
        return outcome(recording, RecordingStatus::Cancelled, cancelledMessage());
    const project_data::SpectrumResult result = spectrum::runSpectrumAnalysis(
        request, [cancelled] { return cancelled->load(); },
        [&progress](double fraction) { progress(fraction * 0.9); });
    if (result.cancelled || cancelled->load())
        return outcome(recording, RecordingStatus::Cancelled, cancelledMessage());
    if (!result.ok)
        return outcome(recording, RecordingStatus::Failed,
                       result.errorMessage.isEmpty()
                           ? RecordingTask::tr("Spectrum analysis failed.")
                           : result.errorMessage);

    QJsonObject figures{
        {QStringLiteral("captureFps"), info.captureFrameRate},
        {QStringLiteral("startFrame"), request.startFrame},
        {QStringLiteral("endFrameExclusive"), request.endFrame},
        {QStringLiteral("acceptedSites"), result.acceptedCount},
        {QStringLiteral("siteCount"), result.siteCount},
        {QStringLiteral("unresolvedPeaks"), result.unresolvedPeaks},
        {QStringLiteral("candidates"), candidateFigures(result)},
    };
    RecordingOutputs outputs(environment.outputFolder, recording.outputStem);
    if (!outputs.createStaging(&error))
        return outcome(recording, RecordingStatus::Failed, error);
    const reports::AnalysisExportContext context = exportContext(result);
    QStringList written;
    const std::vector<PlannedExport> planned =
        plannedExports(recording.outputStem, settings.exports);
    for (const PlannedExport& item : planned) {
        if (cancelled->load())
            return outcome(recording, RecordingStatus::Cancelled, cancelledMessage());
        // Without a candidate there is no band, and so no band power map.
        if (item.format == AnalysisExportFormat::BandPowerMapPng && !context.hasPowerMap)
            continue;
        if (!reports::writeAnalysisExport(outputs.stagingPath(item.name), int(item.format), context,
                                          &error))
            return outcome(recording, RecordingStatus::Failed,
                           QStringLiteral("%1: %2").arg(item.name, error));
        written << item.name;
        progress(0.9 + 0.1 * double(written.size()) / double(planned.size()));
    }
    figures.insert(QStringLiteral("outputs"), QJsonArray::fromStringList(written));
    if (!outputs.stageManifest(fingerprint, written, figures, &error) ||
        !outputs.publish(written + QStringList{outputs.manifestName()}, &error))
        return outcome(recording, RecordingStatus::Failed, error);
    return outcome(recording, RecordingStatus::Succeeded, QString(), figures);
}

RecordingOutcome runAmplification(const BatchRecording& recording,
                                  const RecordingSettings& settings, const QByteArray& fingerprint,
                                  const TaskEnvironment& environment, const TaskProgress& progress)
{
    const std::shared_ptr<std::atomic_bool> cancelled = environment.cancelled;
    QString error;
    media::VideoInfo info;
    if (std::optional<RecordingOutcome> failure =
            prepareSource(recording, settings, environment, &info))
        return *failure;

    project_data::ProcessingRequest request;
    request.sourceInfo = info;
    request.settings.startFrame = settings.startFrame;
    request.settings.endFrameExclusive =
        settings.endFrame > 0 ? settings.endFrame : info.frameCount;
    request.settings.regionOfInterest = settings.region;
    request.settings.lowerFrequencyHz = settings.lowerHz;
    request.settings.upperFrequencyHz = settings.upperHz;
    request.settings.amplificationFactor = settings.factor;
    request.settings.regionProcessingOptimizationEnabled = settings.regionOptimization;
    request.settings.stabilizationEnabled = settings.stabilization;
    request.settings.stabilizationReferenceRegion = settings.stabilizationRegion;
    request.settings.rotationSpeedRpm = settings.rotationSpeedRpm;
    request.settings.workerThreadCount =
        settings.workerThreads > 0 ? settings.workerThreads : environment.workerThreads;
    RecordingOutputs outputs(environment.outputFolder, recording.outputStem);
    const QString videoName = amplifiedName(recording.outputStem);
    const QString parametersName = videoName + QStringLiteral(".json");
    request.outputVideoPath = outputs.finalPath(videoName);
    request.outputParametersPath = outputs.finalPath(parametersName);

    MemoryHold memory(environment.memory, RecordingTask::amplificationMemoryBytes(info.frameSize));
    if (!memory.acquire(cancelled))
        return outcome(recording, RecordingStatus::Cancelled, cancelledMessage());
    processing::VideoProcessingPipeline pipeline;
    const project_data::ProcessingResult result = pipeline.run(
        request,
        [&progress](const project_data::ProcessingProgress& p) {
            if (p.totalFrames > 0)
                progress(double(p.processedFrames) / double(p.totalFrames));
        },
        [cancelled] { return cancelled->load(); });
    if (result.state == project_data::ProcessingState::Cancelled)
        return outcome(recording, RecordingStatus::Cancelled, cancelledMessage());
    if (!result.isSuccessful())
        return outcome(recording, RecordingStatus::Failed, result.message);

    const QStringList written{videoName, parametersName};
    const QJsonObject figures{
        {QStringLiteral("captureFps"), info.captureFrameRate},
        {QStringLiteral("startFrame"), request.settings.startFrame},
        {QStringLiteral("endFrameExclusive"), request.settings.endFrameExclusive},
        {QStringLiteral("lowerHz"), settings.lowerHz},
        {QStringLiteral("upperHz"), settings.upperHz},
        {QStringLiteral("factor"), settings.factor},
        {QStringLiteral("measuredMotionGain"), number(result.measuredMotionGain)},
        {QStringLiteral("outputs"), QJsonArray::fromStringList(written)},
    };
    if (!outputs.createStaging(&error) ||
        !outputs.stageManifest(fingerprint, written, figures, &error) ||
        !outputs.publish({outputs.manifestName()}, &error)) {
        // Without its manifest the set would look like someone else's to the next run.
        for (const QString& name : written)
            QFile::remove(outputs.finalPath(name));
        return outcome(recording, RecordingStatus::Failed, error);
    }
    return outcome(recording, RecordingStatus::Succeeded, QString(), figures);
}

QStringList plannedNames(BatchVerb verb, const QString& stem, unsigned exports)
{
    QStringList names;
    if (verb == BatchVerb::Amplify) {
        names << amplifiedName(stem) << amplifiedName(stem) + QStringLiteral(".json");
    } else {
        for (const PlannedExport& item : plannedExports(stem, exports))
            names << item.name;
    }
    return names;
}

} // namespace

RecordingOutcome RecordingTask::run(const BatchRecording& recording,
                                    const TaskEnvironment& environment,
                                    const TaskProgress& progress)
{
    try {
        if (environment.cancelled->load())
            return outcome(recording, RecordingStatus::Cancelled,
                           tr("Not started: the run was stopped."));
        RecordingSettings settings;
        QJsonObject resolved;
        QString error;
        if (!BatchSettings::read(environment.verb, recording.settings, &settings, &error,
                                 &resolved))
            return outcome(recording, RecordingStatus::Failed, error);
        const QString verb = environment.verb == BatchVerb::Analyse ? QStringLiteral("analyse")
                                                                    : QStringLiteral("amplify");
        resolved.remove(QStringLiteral("parameters")); // its contents are in; its place is not
        const QByteArray fingerprint =
            recordingFingerprint(verb, resolved, recording.input, &error);
        if (fingerprint.isEmpty())
            return outcome(recording, RecordingStatus::Failed, error);

        RecordingOutputs outputs(environment.outputFolder, recording.outputStem);
        QJsonObject figures;
        switch (outputs.previous(
            fingerprint, plannedNames(environment.verb, recording.outputStem, settings.exports),
            &figures, &error)) {
        case RecordingOutputs::Previous::Matching:
            progress(1.0);
            return outcome(recording, RecordingStatus::Skipped,
                           tr("Outputs exist and match the job."), figures);
        case RecordingOutputs::Previous::Blocking:
            return outcome(recording, RecordingStatus::Failed, error);
        case RecordingOutputs::Previous::None:
            break;
        }
        return environment.verb == BatchVerb::Analyse
                   ? runAnalysis(recording, settings, fingerprint, environment, progress)
                   : runAmplification(recording, settings, fingerprint, environment, progress);
    } catch (const std::exception& e) {
        return outcome(recording, RecordingStatus::Failed,
                       tr("Unexpected error: %1").arg(QString::fromLocal8Bit(e.what())));
    } catch (...) {
        return outcome(recording, RecordingStatus::Failed, tr("Unknown error."));
    }
}

qint64 RecordingTask::analysisMemoryBytes(const QSize& frameSize, qint64 sites, qint64 frames)
{
    const qint64 frameBytes = qint64(frameSize.width()) * frameSize.height() * 4;
    // Decoder and prefetched frames, the report's frames, and per point two float series, their
    // copied segments and the spectra.
    return (qint64(96) << 20) + 16 * frameBytes + sites * std::max<qint64>(frames, 1) * 32;
}

qint64 RecordingTask::amplificationMemoryBytes(const QSize& frameSize)
{
    const qint64 pixels = qint64(frameSize.width()) * frameSize.height();
    // The pyramid, its phase and filter states in floats, and the encoder's frames.
    return (qint64(128) << 20) + pixels * 160;
}

} // namespace orvi::batch
