#pragma once

#include "controllers/AnalysisExportFlow.h"
#include "controllers/PointInspection.h"
#include "controllers/SpectrumAmplitudes.h"
#include "controllers/SpectrumBandSelection.h"
#include "controllers/SpectrumInputs.h"
#include "controllers/SpectrumPhaseMap.h"
#include "controllers/SpectrumRun.h"

#include <QImage>
#include <QObject>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QUrl>
#include <QVariantList>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>

namespace orvi::ui::controllers {

class AnalysisFragmentController;
class ExportController;
class MediaRuntimeController;
class PreviewController;
class ProcessingSettingsController;
class VideoSessionController;

// The vibration spectrum analysis as the interface and the diagnostics service drive it. A
// facade over its parts: the inputs and their identity, the run and its result, the inspected
// points, the selected band and its power map, the relative phase, the amplitudes and the
// analysis exports. It keeps them consistent with one another and tells the interface when
// they change. A result is stale when the identity of the current inputs differs from the one
// it was computed for.
class SpectrumController : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The spectrum analysis belongs to the application controller.")

    // Analysis state.
    Q_PROPERTY(bool busy READ busy NOTIFY stateChanged)
    Q_PROPERTY(bool cancelling READ cancelling NOTIFY stateChanged)
    Q_PROPERTY(bool available READ available NOTIFY stateChanged)
    Q_PROPERTY(bool ready READ ready NOTIFY stateChanged)
    Q_PROPERTY(bool stale READ stale NOTIFY stateChanged)
    Q_PROPERTY(bool hasError READ hasError NOTIFY stateChanged)
    Q_PROPERTY(bool cancelled READ cancelled NOTIFY stateChanged)
    Q_PROPERTY(double progress READ progress NOTIFY progressChanged)
    Q_PROPERTY(QString stageName READ stageName NOTIFY progressChanged)
    Q_PROPERTY(QString errorMessage READ errorMessage NOTIFY stateChanged)
    Q_PROPERTY(QString validationMessage READ validationMessage NOTIFY stateChanged)
    Q_PROPERTY(QString warningMessage READ warningMessage NOTIFY stateChanged)
    Q_PROPERTY(QString analysisHelp READ analysisHelp CONSTANT)
    Q_PROPERTY(int gridDensityIndex READ gridDensityIndex NOTIFY stateChanged)
    Q_PROPERTY(int workerThreadCount READ workerThreadCount NOTIFY stateChanged)
    Q_PROPERTY(int effectiveWorkerThreadCount READ effectiveWorkerThreadCount NOTIFY stateChanged)
    Q_PROPERTY(int maximumWorkerThreadCount READ maximumWorkerThreadCount CONSTANT)
    Q_PROPERTY(int availableLogicalProcessorCount READ availableLogicalProcessorCount CONSTANT)
    Q_PROPERTY(QString resultGridDescription READ resultGridDescription NOTIFY resultChanged)
    // Inspection of the points, one by one.
    Q_PROPERTY(
        QString diagnosticGridDescription READ diagnosticGridDescription NOTIFY diagnosticChanged)
    Q_PROPERTY(QVariantList diagnosticSites READ diagnosticSites NOTIFY diagnosticChanged)
    Q_PROPERTY(int diagnosticSiteCount READ diagnosticSiteCount NOTIFY diagnosticChanged)
    Q_PROPERTY(QString diagnosticText READ diagnosticText NOTIFY diagnosticChanged)
    Q_PROPERTY(QImage diagnosticFrame READ diagnosticFrame NOTIFY diagnosticChanged)
    Q_PROPERTY(QRectF diagnosticRegion READ diagnosticRegion NOTIFY diagnosticChanged)
    Q_PROPERTY(bool diagnosticStale READ diagnosticStale NOTIFY stateChanged)
    Q_PROPERTY(int selectedDiagnosticSite READ selectedDiagnosticSite NOTIFY diagnosticChanged)
    Q_PROPERTY(
        double diagnosticDurationSeconds READ diagnosticDurationSeconds NOTIFY diagnosticChanged)
    Q_PROPERTY(double diagnosticSampleRate READ diagnosticSampleRate NOTIFY diagnosticChanged)
    Q_PROPERTY(double diagnosticSegmentStartSeconds READ diagnosticSegmentStartSeconds NOTIFY
                   diagnosticChanged)
    Q_PROPERTY(double diagnosticSegmentEndSeconds READ diagnosticSegmentEndSeconds NOTIFY
                   diagnosticChanged)
    Q_PROPERTY(
        bool diagnosticSegmentAccepted READ diagnosticSegmentAccepted NOTIFY diagnosticChanged)
    Q_PROPERTY(QVariantList localSpectrumPoints READ localSpectrumPoints NOTIFY diagnosticChanged)
    Q_PROPERTY(
        QVariantList localSpectrumCandidates READ localSpectrumCandidates NOTIFY diagnosticChanged)
    Q_PROPERTY(double localSpectrumStepHz READ localSpectrumStepHz NOTIFY diagnosticChanged)
    Q_PROPERTY(double localSpectrumPeakHz READ localSpectrumPeakHz NOTIFY diagnosticChanged)
    Q_PROPERTY(bool localSpectrumAvailable READ localSpectrumAvailable NOTIFY diagnosticChanged)
    Q_PROPERTY(QString localSpectrumMessage READ localSpectrumMessage NOTIFY diagnosticChanged)
    // Summaries and the spectrum.
    Q_PROPERTY(QString inputSummary READ inputSummary NOTIFY stateChanged)
    Q_PROPERTY(QString resultSummary READ resultSummary NOTIFY resultChanged)
    Q_PROPERTY(QString cameraMotionSummary READ cameraMotionSummary NOTIFY resultChanged)
    Q_PROPERTY(double minimumFrequencyHz READ minimumFrequencyHz NOTIFY resultChanged)
    Q_PROPERTY(double maximumFrequencyHz READ maximumFrequencyHz NOTIFY stateChanged)
    Q_PROPERTY(double frequencyStepHz READ frequencyStepHz NOTIFY resultChanged)
    Q_PROPERTY(QVariantList spectrumPoints READ spectrumPoints NOTIFY resultChanged)
    Q_PROPERTY(QVariantList candidates READ candidates NOTIFY resultChanged)
    // Band selection and application.
    Q_PROPERTY(double selectedLowerFrequencyHz READ selectedLowerFrequencyHz NOTIFY stateChanged)
    Q_PROPERTY(double selectedUpperFrequencyHz READ selectedUpperFrequencyHz NOTIFY stateChanged)
    // The candidate whose band is selected, and the one the phase map uses; -1 for none.
    Q_PROPERTY(int selectedCandidate READ selectedCandidate NOTIFY stateChanged)
    Q_PROPERTY(int phaseCandidate READ phaseCandidate NOTIFY stateChanged)
    Q_PROPERTY(bool canApplyBand READ canApplyBand NOTIFY stateChanged)
    Q_PROPERTY(QString bandValidationMessage READ bandValidationMessage NOTIFY stateChanged)
    Q_PROPERTY(QString bandApplicationMessage READ bandApplicationMessage NOTIFY stateChanged)
    // Band power map.
    Q_PROPERTY(bool mapAvailable READ mapAvailable NOTIFY mapChanged)
    Q_PROPERTY(QString mapMessage READ mapMessage NOTIFY mapChanged)
    Q_PROPERTY(QVariantList mapSamples READ mapSamples NOTIFY mapChanged)
    Q_PROPERTY(qint64 mapFrameNumber READ mapFrameNumber NOTIFY resultChanged)
    Q_PROPERTY(QImage mapFrame READ mapFrame NOTIFY resultChanged)
    Q_PROPERTY(QRectF mapRegion READ mapRegion NOTIFY resultChanged)
    // Relative phase.
    Q_PROPERTY(QVariantList phaseSamples READ phaseSamples NOTIFY phaseChanged)
    Q_PROPERTY(bool phaseAvailable READ phaseAvailable NOTIFY stateChanged)
    Q_PROPERTY(bool phaseBusy READ phaseBusy NOTIFY stateChanged)
    Q_PROPERTY(bool phaseCancelling READ phaseCancelling NOTIFY stateChanged)
    Q_PROPERTY(bool phaseCanCalculate READ phaseCanCalculate NOTIFY stateChanged)
    Q_PROPERTY(QString phaseMessage READ phaseMessage NOTIFY stateChanged)
    Q_PROPERTY(int phaseReferenceSite READ phaseReferenceSite NOTIFY phaseChanged)
    Q_PROPERTY(int phaseAxis READ phaseAxis NOTIFY phaseChanged)
    Q_PROPERTY(double phaseFrequencyHz READ phaseFrequencyHz NOTIFY phaseChanged)
    // Analysis exports.
    Q_PROPERTY(bool canExportReport READ canExportReport NOTIFY reportChanged)
    Q_PROPERTY(bool reportBusy READ reportBusy NOTIFY reportChanged)
    Q_PROPERTY(QString reportMessage READ reportMessage NOTIFY reportChanged)
    Q_PROPERTY(QUrl exportFolderUrl READ exportFolderUrl NOTIFY stateChanged)
    // A known length on the frame turns pixel amplitudes into physical units.
    Q_PROPERTY(bool hasLengthScale READ hasLengthScale NOTIFY stateChanged)
    Q_PROPERTY(QPointF lengthScaleFirst READ lengthScaleFirst NOTIFY stateChanged)
    Q_PROPERTY(QPointF lengthScaleSecond READ lengthScaleSecond NOTIFY stateChanged)
    Q_PROPERTY(double lengthScaleMillimetres READ lengthScaleMillimetres NOTIFY stateChanged)
    Q_PROPERTY(double millimetresPerPixel READ millimetresPerPixel NOTIFY stateChanged)
    Q_PROPERTY(QString lengthScaleMessage READ lengthScaleMessage NOTIFY stateChanged)
    // The selected point's displacement at each candidate frequency.
    Q_PROPERTY(
        QVariantList selectedPointAmplitudes READ selectedPointAmplitudes NOTIFY diagnosticChanged)

public:
    SpectrumController(VideoSessionController* videoSession, AnalysisFragmentController* fragment,
                       ProcessingSettingsController* settings, MediaRuntimeController* mediaRuntime,
                       PreviewController* preview, ExportController* exporter,
                       QObject* parent = nullptr);
    ~SpectrumController() override;

    // The parts, read-only, for the diagnostics documents, benchmarks and tests.
    const SpectrumInputs& inputs() const { return m_inputs; }
    const SpectrumRun& run() const { return m_run; }
    const PointInspection& inspection() const { return m_inspection; }
    const SpectrumBandSelection& band() const { return m_band; }
    const SpectrumPhaseMap& phase() const { return m_phase; }
    const AnalysisExportFlow& analysisExport() const { return m_export; }
    // The last result, ready or not.
    const project_data::SpectrumResult& result() const { return m_run.result(); }
    // Cancels and waits for every running task; nothing starts after.
    void shutdown();

    bool busy() const { return m_run.busy(); }
    bool cancelling() const { return m_run.cancelling(); }
    bool available() const;
    bool ready() const { return m_run.ready(); }
    bool stale() const { return ready() && m_inputs.identity() != result().request.identity; }
    bool hasError() const { return !m_run.errorMessage().isEmpty(); }
    bool cancelled() const { return m_run.cancelled(); }
    double progress() const { return m_run.progress(); }
    QString stageName() const { return m_run.stageName(); }
    QString errorMessage() const { return m_run.errorMessage(); }
    QString validationMessage() const { return m_inputs.validationMessage(); }
    QString warningMessage() const;
    QString analysisHelp() const { return SpectrumRun::help(); }
    int gridDensityIndex() const { return m_inputs.gridDensityIndex(); }
    int workerThreadCount() const { return m_inputs.workerThreadCount(); }
    int effectiveWorkerThreadCount() const { return m_inputs.effectiveWorkerThreadCount(); }
    int maximumWorkerThreadCount() const { return SpectrumInputs::maximumWorkerThreadCount(); }
    int availableLogicalProcessorCount() const
    {
        return SpectrumInputs::availableLogicalProcessorCount();
    }
    QString resultGridDescription() const { return m_run.gridDescription(); }

    QString diagnosticGridDescription() const { return m_inspection.gridDescription(); }
    QVariantList diagnosticSites() const { return m_inspection.siteList(); }
    // Views with one entry per point read these rather than convert the whole list.
    int diagnosticSiteCount() const { return int(m_inspection.siteList().size()); }
    Q_INVOKABLE QVariantMap diagnosticSite(int index) const { return m_inspection.site(index); }
    const std::vector<project_data::GridSite>& diagnosticGridSites() const
    {
        return m_inspection.sites();
    }
    QString diagnosticText() const { return m_inspection.text(); }
    QImage diagnosticFrame() const { return m_inspection.frame(); }
    QRectF diagnosticRegion() const { return m_inspection.region(); }
    bool diagnosticStale() const
    {
        return !m_inspection.empty() && m_inputs.identity() != m_inspection.identity();
    }
    int selectedDiagnosticSite() const { return m_inspection.selectedSite(); }
    double diagnosticDurationSeconds() const { return m_inspection.durationSeconds(); }
    double diagnosticSampleRate() const { return m_inspection.sampleRate(); }
    double diagnosticSegmentStartSeconds() const { return m_inspection.segmentStartSeconds(); }
    double diagnosticSegmentEndSeconds() const { return m_inspection.segmentEndSeconds(); }
    bool diagnosticSegmentAccepted() const { return m_inspection.segmentAccepted(); }
    QVariantList localSpectrumPoints() const { return m_inspection.localPoints(); }
    QVariantList localSpectrumCandidates() const { return m_inspection.localCandidates(); }
    double localSpectrumStepHz() const { return m_inspection.localStepHz(); }
    double localSpectrumPeakHz() const { return m_inspection.localPeakHz(); }
    bool localSpectrumAvailable() const { return m_inspection.localAvailable(); }
    QString localSpectrumMessage() const { return m_inspection.localMessage(); }

    QString inputSummary() const { return m_inputs.summary(); }
    QString resultSummary() const { return m_run.summary(); }
    QString cameraMotionSummary() const { return m_run.cameraMotionSummary(); }
    double minimumFrequencyHz() const { return ready() ? result().binWidthHz : 0.0; }
    double maximumFrequencyHz() const;
    double frequencyStepHz() const { return ready() ? result().binWidthHz : 0.1; }
    QVariantList spectrumPoints() const { return m_amplitudes.spectrumPoints(); }
    QVariantList candidates() const { return m_amplitudes.candidates(); }

    double selectedLowerFrequencyHz() const { return m_band.lowerHz(); }
    double selectedUpperFrequencyHz() const { return m_band.upperHz(); }
    int selectedCandidate() const { return m_band.candidateIndex(result().candidates); }
    int phaseCandidate() const;
    bool canApplyBand() const { return bandValidationMessage().isEmpty(); }
    QString bandValidationMessage() const;
    QString bandApplicationMessage() const
    {
        return stale() ? QString() : m_band.applicationMessage();
    }

    bool mapAvailable() const { return m_band.mapAvailable(); }
    QString mapMessage() const { return m_band.mapMessage(); }
    QVariantList mapSamples() const { return m_band.mapSamples(); }
    qint64 mapFrameNumber() const { return ready() ? result().request.startFrame + 1 : 0; }
    QImage mapFrame() const { return result().firstFrame; }
    QRectF mapRegion() const { return result().request.analysisRegion; }

    QVariantList phaseSamples() const { return m_phase.cells(); }
    bool phaseAvailable() const { return m_phase.valid() && !stale(); }
    bool phaseBusy() const { return m_phase.busy(); }
    bool phaseCancelling() const { return m_phase.cancelling(); }
    bool phaseCanCalculate() const;
    QString phaseMessage() const;
    int phaseReferenceSite() const { return m_phase.referenceSite(); }
    int phaseAxis() const { return m_phase.axis(); }
    double phaseFrequencyHz() const { return m_phase.frequencyHz(); }

    bool canExportReport() const;
    bool reportBusy() const { return m_export.busy(); }
    QString reportMessage() const { return m_export.message(); }
    // Where analysis exports start: the analysed video's folder.
    QUrl exportFolderUrl() const { return AnalysisExportFlow::folderUrl(sourcePath()); }
    bool hasLengthScale() const { return m_inputs.lengthScale().isSet(); }
    QPointF lengthScaleFirst() const { return m_inputs.lengthScale().first; }
    QPointF lengthScaleSecond() const { return m_inputs.lengthScale().second; }
    double lengthScaleMillimetres() const { return m_inputs.lengthScale().lengthMm; }
    double millimetresPerPixel() const;
    QString lengthScaleMessage() const { return m_amplitudes.scaleMessage(); }
    QVariantList selectedPointAmplitudes() const;

    // The reason the draft cannot start an analysis, for the settings to show; empty when it
    // can.
    Q_INVOKABLE QString validateAnalysis(double captureFrameRate, int densityIndex,
                                         int workerThreadCount) const;
    Q_INVOKABLE QString gridPlan(double captureFrameRate, int densityIndex) const
    {
        return m_inputs.gridPlan(captureFrameRate, densityIndex);
    }
    Q_INVOKABLE bool startAnalysis(double captureFrameRate, int densityIndex,
                                   int workerThreadCount);
    Q_INVOKABLE void cancel();
    Q_INVOKABLE void selectCandidate(int index);
    Q_INVOKABLE void setSelectedBand(double lowerHz, double upperHz);
    // Two points normalised to the upright frame and their distance; false (with the reason in
    // lengthScaleMessage) when they cannot give a scale.
    Q_INVOKABLE bool setLengthScale(QPointF first, QPointF second, double lengthMm);
    Q_INVOKABLE void clearLengthScale();
    Q_INVOKABLE bool applyBandToAmplification();
    Q_INVOKABLE void selectDiagnosticSite(int index);
    Q_INVOKABLE QVariantMap diagnosticTraceWindow(double startSeconds, double endSeconds,
                                                  int columns, bool detrend) const
    {
        return m_inspection.traceWindow(startSeconds, endSeconds, columns, detrend);
    }
    Q_INVOKABLE void setPhaseReferenceSite(int index);
    Q_INVOKABLE void setPhaseAxis(int axis);
    Q_INVOKABLE void calculatePhaseMap();
    Q_INVOKABLE void cancelPhaseMap();
    Q_INVOKABLE QUrl suggestedAnalysisFileUrl(int format)
    {
        return m_export.suggestedFileUrl(format, sourcePath());
    }
    Q_INVOKABLE bool exportAnalysis(const QUrl& path, int format, bool logarithmicColors);
    // A refusal or a finished export's message goes once the user has left the export dialog.
    Q_INVOKABLE void dismissReportMessage();

signals:
    void diagnosticChanged();
    void stateChanged();
    void resultChanged();
    void analysisStarted();
    void mapChanged();
    void phaseChanged();
    void reportChanged();
    // Progress of the running analysis only; not a change of state.
    void progressChanged();

private:
    bool otherWorkRuns() const;
    bool anythingRuns() const;
    bool resultCurrent() const { return ready() && !stale(); }
    bool inspectionMatchesResult() const
    {
        return !m_inspection.empty() && m_inspection.identity() == result().request.identity;
    }
    QString sourcePath() const;

    void onSourceChanged();
    void onRunFinished();
    void adoptResult(project_data::SpectrumResult result);
    void applySelectedBand(double lowerHz, double upperHz);
    void rebuildInspection();
    void applyLengthScale(const project_data::LengthScale& scale);
    void clearAll();

    VideoSessionController* m_videoSession = nullptr;
    AnalysisFragmentController* m_fragment = nullptr;
    ProcessingSettingsController* m_settings = nullptr;
    MediaRuntimeController* m_mediaRuntime = nullptr;
    PreviewController* m_preview = nullptr;
    ExportController* m_exporter = nullptr;
    bool m_shuttingDown = false;

    SpectrumInputs m_inputs;
    SpectrumRun m_run;
    PointInspection m_inspection;
    SpectrumBandSelection m_band;
    SpectrumPhaseMap m_phase;
    AnalysisExportFlow m_export;
    SpectrumAmplitudes m_amplitudes;
};

} // namespace orvi::ui::controllers
