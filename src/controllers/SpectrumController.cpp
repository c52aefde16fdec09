#include "controllers/SpectrumController.h"

#include "controllers/AnalysisFragmentController.h"
#include "controllers/ExportController.h"
#include "controllers/MediaRuntimeController.h"
#include "controllers/PreviewController.h"
#include "controllers/ProcessingSettingsController.h"
#include "controllers/VideoSessionController.h"
#include "spectrum/SpectrumAnalysisLimits.h"

#include <QCoreApplication>
#include <algorithm>

namespace orvi::ui::controllers {

SpectrumController::SpectrumController(VideoSessionController* videoSession,
                                       AnalysisFragmentController* fragment,
                                       ProcessingSettingsController* settings,
                                       MediaRuntimeController* mediaRuntime,
                                       PreviewController* preview, ExportController* exporter,
                                       QObject* parent)
    : QObject(parent), m_videoSession(videoSession), m_fragment(fragment), m_settings(settings),
      m_mediaRuntime(mediaRuntime), m_preview(preview), m_exporter(exporter),
      m_inputs(videoSession, fragment, settings), m_phase(m_inspection)
{
    // Whether a report can be written follows state, result and points alike; its own
    // notification fires whenever the answer changes, so bindings on it never go stale.
    for (const auto signal : {&SpectrumController::stateChanged, &SpectrumController::resultChanged,
                              &SpectrumController::diagnosticChanged})
        connect(this, signal, this, [this] {
            if (m_export.noteAbility(canExportReport()))
                emit reportChanged();
        });
    // Any change of the siblings may change what can run and whether a result is current.
    const auto follow = [this](const auto* sibling, auto signal) {
        if (sibling)
            connect(sibling, signal, this, &SpectrumController::stateChanged);
    };
    if (m_videoSession)
        connect(m_videoSession, &VideoSessionController::sourceChanged, this,
                &SpectrumController::onSourceChanged);
    follow(m_videoSession, &VideoSessionController::videoInfoChanged);
    follow(m_videoSession, &VideoSessionController::stateChanged);
    follow(m_fragment, &AnalysisFragmentController::rangeChanged);
    follow(m_settings, &ProcessingSettingsController::settingsChanged);
    follow(m_mediaRuntime, &MediaRuntimeController::statusChanged);
    follow(m_preview, &PreviewController::stateChanged);
    follow(m_exporter, &ExportController::stateChanged);
    connect(&m_run, &SpectrumRun::progressChanged, this, &SpectrumController::progressChanged);
    connect(&m_run, &SpectrumRun::finished, this, &SpectrumController::onRunFinished);
    connect(&m_phase, &SpectrumPhaseMap::changed, this, &SpectrumController::phaseChanged);
    connect(&m_phase, &SpectrumPhaseMap::finished, this, &SpectrumController::stateChanged);
    connect(&m_export, &AnalysisExportFlow::changed, this, &SpectrumController::reportChanged);
    connect(&m_export, &AnalysisExportFlow::finished, this, &SpectrumController::stateChanged);
    clearAll();
}

SpectrumController::~SpectrumController()
{
    shutdown();
}

void SpectrumController::shutdown()
{
    if (m_shuttingDown)
        return;
    m_shuttingDown = true;
    m_run.shutdown();
    m_phase.shutdown();
    m_export.shutdown();
}

// ---- State --------------------------------------------------------------------------------

bool SpectrumController::otherWorkRuns() const
{
    return (m_preview && m_preview->busy()) || (m_exporter && m_exporter->busy());
}

bool SpectrumController::anythingRuns() const
{
    return busy() || phaseBusy() || reportBusy() || otherWorkRuns();
}

bool SpectrumController::available() const
{
    return !m_shuttingDown && !anythingRuns() && m_videoSession && m_videoSession->ready() &&
           m_videoSession->hasSource() && m_mediaRuntime && m_mediaRuntime->available();
}

QString SpectrumController::sourcePath() const
{
    return ready() ? result().request.videoInfo.filePath : m_inputs.filePath();
}

QString SpectrumController::warningMessage() const
{
    QStringList texts;
    const QString timing = m_inputs.timingWarning();
    if (!timing.isEmpty())
        texts << timing;
    if (ready() && result().unresolvedPeaks)
        texts << QCoreApplication::translate(
            "SpectrumController",
            "Some peaks overlap. The proposed band does not guarantee isolation of one "
            "component.");
    return texts.join(QStringLiteral("\n\n"));
}

double SpectrumController::maximumFrequencyHz() const
{
    return 0.5 *
           (ready() ? result().request.videoInfo.captureFrameRate : m_inputs.sessionCaptureRate());
}

int SpectrumController::phaseCandidate() const
{
    if (!(m_phase.frequencyHz() > 0.0))
        return -1;
    return m_band.candidateIndex(result().candidates, m_phase.frequencyHz());
}

QString SpectrumController::bandValidationMessage() const
{
    if (!ready())
        return QCoreApplication::translate("SpectrumController", "Calculate a spectrum first.");
    if (stale())
        return QCoreApplication::translate(
            "SpectrumController", "The spectrum is stale. Recalculate it for the current inputs.");
    if (busy() || otherWorkRuns() || (m_videoSession && m_videoSession->busy()))
        return QCoreApplication::translate("SpectrumController",
                                           "Wait for the active operation to finish.");
    QString message;
    m_band.appliesAt(m_inputs.sessionCaptureRate(), &message);
    return message;
}

bool SpectrumController::phaseCanCalculate() const
{
    return !anythingRuns() && resultCurrent() && inspectionMatchesResult() &&
           m_phase.inputsComplete();
}

QString SpectrumController::phaseMessage() const
{
    return m_phase.message(resultCurrent() && m_inspection.identity() == result().request.identity);
}

bool SpectrumController::canExportReport() const
{
    return !anythingRuns() && resultCurrent() &&
           m_inspection.identity() == result().request.identity;
}

double SpectrumController::millimetresPerPixel() const
{
    return SpectrumAmplitudes::millimetresPerPixel(m_inputs.lengthScale(),
                                                   ready() ? result().request.videoInfo.frameSize
                                                           : m_inputs.frameSize());
}

QVariantList SpectrumController::selectedPointAmplitudes() const
{
    if (!ready() || m_inspection.identity() != result().request.identity)
        return {};
    return SpectrumAmplitudes::pointAmplitudes(result(), m_inspection.selectedSite(),
                                               millimetresPerPixel());
}

// ---- The run ------------------------------------------------------------------------------

QString SpectrumController::validateAnalysis(double captureFrameRate, int densityIndex,
                                             int workerThreadCount) const
{
    QString message;
    m_inputs.validate(captureFrameRate, densityIndex, workerThreadCount, &message);
    return message;
}

bool SpectrumController::startAnalysis(double captureFrameRate, int densityIndex,
                                       int workerThreadCount)
{
    if (m_shuttingDown || anythingRuns() || !m_videoSession || !m_videoSession->ready() ||
        !m_mediaRuntime || !m_mediaRuntime->available())
        return false;
    QString invalid;
    if (!m_inputs.validate(captureFrameRate, densityIndex, workerThreadCount, &invalid)) {
        m_run.setErrorMessage(invalid);
        emit stateChanged();
        return false;
    }
    if (captureFrameRate != m_inputs.sessionCaptureRate() &&
        !m_videoSession->setCaptureFrameRate(captureFrameRate))
        return false;
    m_inputs.setRunParameters(densityIndex, workerThreadCount);
    m_run.start(m_inputs.request());
    emit stateChanged();
    emit progressChanged();
    emit analysisStarted();
    return true;
}

void SpectrumController::cancel()
{
    if (!m_run.cancel())
        return;
    emit stateChanged();
    emit progressChanged();
}

void SpectrumController::onRunFinished()
{
    if (m_shuttingDown)
        return;
    std::optional<SpectrumRun::Outcome> outcome = m_run.takeOutcome();
    if (outcome) {
        if (!outcome->inspectedSites.empty()) {
            m_inspection.adopt(outcome->result, std::move(outcome->inspectedSites));
            m_phase.restartForNewPoints();
        }
        if (outcome->result.ok)
            adoptResult(std::move(outcome->result));
    }
    rebuildInspection();
    emit diagnosticChanged();
    emit stateChanged();
    emit progressChanged();
}

void SpectrumController::adoptResult(project_data::SpectrumResult result)
{
    m_run.adopt(std::move(result));
    m_band.clear();
    m_amplitudes.rebuild(this->result(), millimetresPerPixel());
    m_band.rebuildMap(this->result());
    emit resultChanged();
    emit mapChanged();
    if (!this->result().candidates.empty())
        selectCandidate(0);
}

// The points open on the point that carries the strongest candidate of a result for them.
void SpectrumController::rebuildInspection()
{
    const bool ownResult = ready() && m_inspection.identity() == result().request.identity &&
                           !result().candidates.empty();
    m_inspection.rebuild(ownResult ? int(result().candidates.front().amplitudePoint) : -1);
}

void SpectrumController::onSourceChanged()
{
    m_inputs.advanceRevision();
    m_run.cancel();
    clearAll();
    emit diagnosticChanged();
    emit stateChanged();
    emit resultChanged();
    emit mapChanged();
    emit phaseChanged();
    emit reportChanged();
    emit progressChanged();
}

void SpectrumController::clearAll()
{
    m_run.clear();
    m_inspection.clear();
    m_band.clear();
    m_export.clear();
    m_amplitudes.rebuild(result(), millimetresPerPixel());
    m_band.rebuildMap(result());
    rebuildInspection();
    m_phase.restartForNewPoints();
}

// ---- Band selection -----------------------------------------------------------------------

void SpectrumController::applySelectedBand(double lowerHz, double upperHz)
{
    m_band.select(lowerHz, upperHz);
    m_phase.setFrequency(0.0);
    m_band.rebuildMap(result());
    emit mapChanged();
    emit stateChanged();
}

void SpectrumController::setSelectedBand(double lowerHz, double upperHz)
{
    if (!std::isfinite(lowerHz) || !std::isfinite(upperHz))
        return; // the selection stays NaN-free
    if (m_band.selects(lowerHz, upperHz))
        return;
    applySelectedBand(lowerHz, upperHz);
}

void SpectrumController::selectCandidate(int index)
{
    if (index < 0 || index >= int(result().candidates.size()))
        return;
    const project_data::FrequencyCandidate& candidate = result().candidates[std::size_t(index)];
    if (!m_band.selects(candidate.lowerFrequencyHz, candidate.upperFrequencyHz))
        applySelectedBand(candidate.lowerFrequencyHz, candidate.upperFrequencyHz);
    m_phase.setFrequency(candidate.measuredFrequencyHz());
    emit stateChanged();
}

bool SpectrumController::applyBandToAmplification()
{
    if (!canApplyBand() || !m_settings || !m_fragment)
        return false;
    const qint64 frames = m_fragment->endFrameExclusive() - m_fragment->startFrame();
    const bool applied =
        m_band.applyTo(m_settings, frames, m_inputs.sessionCaptureRate(), frequencyStepHz());
    emit stateChanged();
    return applied;
}

// ---- Amplitudes ---------------------------------------------------------------------------

bool SpectrumController::setLengthScale(QPointF first, QPointF second, double lengthMm)
{
    const project_data::LengthScale scale{first, second, lengthMm};
    if (!m_amplitudes.acceptScale(scale, m_inputs.frameSize())) {
        emit stateChanged();
        return false;
    }
    applyLengthScale(scale);
    return true;
}

void SpectrumController::clearLengthScale()
{
    m_amplitudes.clearScaleMessage();
    applyLengthScale({});
}

// The scale only converts pixel results, so a result stays current and takes the new units.
void SpectrumController::applyLengthScale(const project_data::LengthScale& scale)
{
    m_inputs.setLengthScale(scale);
    if (ready()) {
        m_run.setLengthScale(scale);
        m_amplitudes.rebuild(result(), millimetresPerPixel());
        emit resultChanged();
        emit diagnosticChanged();
    }
    emit stateChanged();
}

// ---- Inspection and relative phase --------------------------------------------------------

void SpectrumController::selectDiagnosticSite(int index)
{
    if (m_inspection.select(index))
        emit diagnosticChanged();
}

void SpectrumController::setPhaseReferenceSite(int index)
{
    if (m_phase.setReferenceSite(index))
        emit stateChanged();
}

void SpectrumController::setPhaseAxis(int axis)
{
    if (m_phase.setAxis(axis))
        emit stateChanged();
}

void SpectrumController::calculatePhaseMap()
{
    if (m_shuttingDown || !phaseCanCalculate())
        return;
    m_phase.calculate(result().request.videoInfo.captureFrameRate);
    emit stateChanged();
}

void SpectrumController::cancelPhaseMap()
{
    if (m_phase.cancel())
        emit stateChanged();
}

// ---- Analysis exports ---------------------------------------------------------------------

bool SpectrumController::exportAnalysis(const QUrl& path, int format, bool logarithmicColors)
{
    // A refusal while an export runs keeps that export's message.
    if (reportBusy())
        return false;
    if (m_shuttingDown || anythingRuns() || !resultCurrent() || !inspectionMatchesResult() ||
        !AnalysisExportFlow::formatUsable(format, mapAvailable(), phaseAvailable())) {
        m_export.refuse();
        return false;
    }
    if (!m_export.start(path, format,
                        AnalysisExportFlow::context(result(), m_band, m_phase, m_inspection,
                                                    phaseAvailable(), logarithmicColors)))
        return false;
    emit stateChanged();
    return true;
}

void SpectrumController::dismissReportMessage()
{
    if (m_export.dismissMessage())
        emit reportChanged();
}

} // namespace orvi::ui::controllers
