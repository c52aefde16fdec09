#pragma once

#include "records/RelativePhaseSample.h"
#include "records/SpectrumAnalysisRequest.h"
#include "records/SpectrumResult.h"

#include <QDateTime>
#include <QFutureWatcher>
#include <QImage>
#include <QJsonObject>
#include <QObject>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QUrl>
#include <QVariantList>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>
#include <atomic>
#include <memory>
#include <optional>
#include <vector>

namespace orvi::ui::playback {
class PlaybackController;
}

namespace orvi::ui::controllers {

class AnalysisFragmentController;
class ExportController;
class MediaRuntimeController;
class PreviewController;
class ProcessingSettingsController;
class VideoSessionController;

// The vibration spectrum analysis as the interface and the diagnostics service drive it:
// builds requests from the sibling controllers' inputs, runs and cancels analyses and relative
// phase calculations on the global thread pool, keeps the last result and the per-point
// diagnostics, derives every list and text the views show, applies a chosen band to the
// amplification settings and writes analysis exports. A result is stale when the identity of
// the current inputs differs from the one it was computed for.
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
    // Per-point diagnostics.
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
    Q_PROPERTY(double minimumFrequencyHz READ minimumFrequencyHz NOTIFY resultChanged)
    Q_PROPERTY(double maximumFrequencyHz READ maximumFrequencyHz NOTIFY stateChanged)
    Q_PROPERTY(double frequencyStepHz READ frequencyStepHz NOTIFY resultChanged)
    Q_PROPERTY(QVariantList spectrumPoints READ spectrumPoints NOTIFY resultChanged)
    Q_PROPERTY(QVariantList candidates READ candidates NOTIFY resultChanged)
    // Band selection and application.
    Q_PROPERTY(double selectedLowerFrequencyHz READ selectedLowerFrequencyHz NOTIFY stateChanged)
    Q_PROPERTY(double selectedUpperFrequencyHz READ selectedUpperFrequencyHz NOTIFY stateChanged)
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
                       playback::PlaybackController* playback, PreviewController* preview,
                       ExportController* exporter, QObject* parent = nullptr);
    ~SpectrumController() override;

    bool busy() const { return m_busy; }
    bool cancelling() const { return m_cancelling; }
    bool available() const;
    bool ready() const { return m_result.ok; }
    bool stale() const;
    bool hasError() const { return !m_errorMessage.isEmpty(); }
    bool cancelled() const { return m_cancelled; }
    double progress() const { return m_progress; }
    QString stageName() const;
    QString errorMessage() const { return m_errorMessage; }
    QString validationMessage() const;
    QString warningMessage() const;
    QString analysisHelp() const;
    int gridDensityIndex() const { return m_gridDensityIndex; }
    int workerThreadCount() const { return m_workerThreadCount; }
    int effectiveWorkerThreadCount() const;
    int maximumWorkerThreadCount() const;
    int availableLogicalProcessorCount() const;
    QString resultGridDescription() const;

    QString diagnosticGridDescription() const;
    QVariantList diagnosticSites() const { return m_diagnosticSiteList; }
    // Views with one entry per point read these rather than convert the whole list.
    int diagnosticSiteCount() const { return int(m_diagnosticSiteList.size()); }
    Q_INVOKABLE QVariantMap diagnosticSite(int index) const
    {
        return index >= 0 && index < m_diagnosticSiteList.size()
                   ? m_diagnosticSiteList[index].toMap()
                   : QVariantMap();
    }
    const std::vector<project_data::GridSite>& diagnosticGridSites() const
    {
        return m_diagnosticSites;
    }
    QString diagnosticText() const { return m_diagnosticText; }
    QImage diagnosticFrame() const { return m_diagnosticFrame; }
    QRectF diagnosticRegion() const { return m_diagnosticRegion; }
    bool diagnosticStale() const;
    int selectedDiagnosticSite() const { return m_selectedSite; }
    double diagnosticDurationSeconds() const;
    double diagnosticSampleRate() const;
    double diagnosticSegmentStartSeconds() const;
    double diagnosticSegmentEndSeconds() const;
    bool diagnosticSegmentAccepted() const;
    QVariantList localSpectrumPoints() const { return m_localPoints; }
    QVariantList localSpectrumCandidates() const { return m_localCandidates; }
    double localSpectrumStepHz() const { return m_localStepHz; }
    double localSpectrumPeakHz() const { return m_localPeakHz; }
    bool localSpectrumAvailable() const { return m_localAvailable; }
    QString localSpectrumMessage() const { return m_localMessage; }

    QString inputSummary() const;
    QString resultSummary() const;
    double minimumFrequencyHz() const;
    double maximumFrequencyHz() const;
    double frequencyStepHz() const;
    QVariantList spectrumPoints() const { return m_spectrumPoints; }
    QVariantList candidates() const { return m_candidates; }

    double selectedLowerFrequencyHz() const { return m_selectedLowerHz; }
    double selectedUpperFrequencyHz() const { return m_selectedUpperHz; }
    bool canApplyBand() const { return bandValidationMessage().isEmpty(); }
    QString bandValidationMessage() const;
    QString bandApplicationMessage() const;

    bool mapAvailable() const { return m_mapAvailable; }
    QString mapMessage() const { return m_mapMessage; }
    QVariantList mapSamples() const { return m_mapSamples; }
    qint64 mapFrameNumber() const;
    QImage mapFrame() const { return m_result.firstFrame; }
    QRectF mapRegion() const { return m_result.request.analysisRegion; }

    QVariantList phaseSamples() const { return m_phaseSamples; }
    bool phaseAvailable() const;
    bool phaseBusy() const { return m_phaseBusy; }
    bool phaseCancelling() const;
    bool phaseCanCalculate() const;
    QString phaseMessage() const;
    int phaseReferenceSite() const { return m_phaseReference; }
    int phaseAxis() const { return m_phaseAxis; }
    double phaseFrequencyHz() const { return m_phaseFrequencyHz; }

    bool canExportReport() const;
    bool reportBusy() const { return m_reportBusy; }
    QString reportMessage() const { return m_reportMessage; }
    // Where analysis exports start: the analysed video's folder.
    QUrl exportFolderUrl() const;
    bool hasLengthScale() const { return m_lengthScale.isSet(); }
    QPointF lengthScaleFirst() const { return m_lengthScale.first; }
    QPointF lengthScaleSecond() const { return m_lengthScale.second; }
    double lengthScaleMillimetres() const { return m_lengthScale.lengthMm; }
    double millimetresPerPixel() const;
    QString lengthScaleMessage() const { return m_lengthScaleMessage; }
    QVariantList selectedPointAmplitudes() const;

    // The last result, ready or not (for the diagnostics documents and benchmarks).
    const project_data::SpectrumResult& result() const { return m_result; }
    // The "spectrum" section of the diagnostics snapshot, keys in their documented order.
    QJsonObject diagnosticSnapshot() const;
    // Cancels and waits for every running task; nothing starts after.
    void shutdown();

    Q_INVOKABLE QString validateAnalysis(double captureFrameRate, int densityIndex,
                                         int workerThreadCount) const;
    Q_INVOKABLE QString gridPlan(double captureFrameRate, int densityIndex) const;
    Q_INVOKABLE QString validateCaptureFrameRate(double captureFrameRate) const;
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
                                                  int columns, bool detrend) const;
    Q_INVOKABLE void setPhaseReferenceSite(int index);
    Q_INVOKABLE void setPhaseAxis(int axis);
    Q_INVOKABLE void calculatePhaseMap();
    Q_INVOKABLE void cancelPhaseMap();
    Q_INVOKABLE QUrl suggestedAnalysisFileUrl(int format);
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
    using Flag = std::shared_ptr<std::atomic_bool>;

    // Request from the current inputs; an absent rate, index or count means the session's
    // rate, the stored density or the stored count. Without the full metadata only what the
    // identity and the limits read is copied (the per-frame timing map is left out).
    project_data::SpectrumAnalysisRequest buildRequest(std::optional<double> captureFrameRate = {},
                                                       std::optional<int> densityIndex = {},
                                                       std::optional<int> workerThreadCount = {},
                                                       bool fullMetadata = true) const;
    QByteArray currentIdentity() const;
    bool otherWorkRuns() const;
    bool anythingRuns() const;
    bool resultCurrent() const;
    bool diagnosticsMatchResult() const;
    double sessionCaptureRate() const;

    void onSourceChanged();
    void onInputsChanged();
    void onProgress(quint64 generation, double value);
    void onAnalysisFinished();
    void onPhaseFinished();
    void onReportFinished();

    void applySelectedBand(double lowerHz, double upperHz);
    void rebuildResultLists();
    void addAmplitude(QVariantMap* map, double amplitudePx, double frequencyHz) const;
    void notifyReportAbility();
    void applyLengthScale(const project_data::LengthScale& scale);
    void rebuildMap();
    void rebuildDiagnostics();
    int initialDiagnosticSite() const;
    void rebuildLocalSpectrum();
    void rebuildPhaseSamples();
    void resetPhaseState();
    void clearAll();

    VideoSessionController* m_videoSession = nullptr;
    AnalysisFragmentController* m_fragment = nullptr;
    ProcessingSettingsController* m_settings = nullptr;
    MediaRuntimeController* m_mediaRuntime = nullptr;
    playback::PlaybackController* m_playback = nullptr;
    PreviewController* m_preview = nullptr;
    ExportController* m_exporter = nullptr;

    qint64 m_inputRevision = 0;
    int m_gridDensityIndex = 1;
    int m_workerThreadCount = 0;
    project_data::LengthScale m_lengthScale;
    QString m_lengthScaleMessage;

    // Analysis run.
    bool m_busy = false;
    bool m_cancelling = false;
    bool m_cancelled = false;
    bool m_shuttingDown = false;
    double m_progress = 0.0;
    QString m_errorMessage;
    Flag m_cancelFlag;
    quint64 m_generation = 0;
    QFutureWatcher<project_data::SpectrumResult> m_analysisWatcher;
    project_data::SpectrumResult m_result;

    // Diagnostics of the last run that produced sites.
    project_data::SpectrumAnalysisRequest m_diagnosticRequest;
    QByteArray m_diagnosticIdentity;
    std::vector<project_data::GridSite> m_diagnosticSites;
    QImage m_diagnosticFrame;
    QRectF m_diagnosticRegion;
    QVariantList m_diagnosticSiteList;
    QString m_diagnosticText;
    int m_selectedSite = -1;
    std::vector<float> m_detrendedX;
    std::vector<float> m_detrendedY;

    // Selection and derived lists.
    double m_selectedLowerHz = 0.0;
    double m_selectedUpperHz = 0.0;
    QString m_bandApplicationMessage;
    QVariantList m_spectrumPoints;
    QVariantList m_candidates;
    bool m_mapAvailable = false;
    QString m_mapMessage;
    QVariantList m_mapSamples;
    QVariantList m_localPoints;
    QVariantList m_localCandidates;
    double m_localStepHz = 0.0;
    double m_localPeakHz = 0.0;
    double m_localPowerNormalization = 0.0;
    bool m_localAvailable = false;
    QString m_localMessage;

    // Relative phase.
    int m_phaseReference = -1;
    int m_phaseAxis = 0;
    double m_phaseFrequencyHz = 0.0;
    bool m_phaseBusy = false;
    Flag m_phaseCancelFlag;
    std::vector<project_data::RelativePhaseSample> m_phaseVector;
    bool m_phaseVectorComputed = false;
    bool m_phaseValid = false;
    QString m_storedPhaseMessage;
    QVariantList m_phaseSamples;
    QFutureWatcher<std::vector<project_data::RelativePhaseSample>> m_phaseWatcher;

    // Analysis exports.
    QDateTime m_reportTime;
    bool m_reportBusy = false;
    bool m_couldExportReport = false;
    QString m_reportMessage;
    QString m_reportPath;
    QFutureWatcher<QString> m_reportWatcher;
};

} // namespace orvi::ui::controllers
