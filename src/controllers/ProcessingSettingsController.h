#pragma once

#include "motion/ProcessingSettings.h"

#include <QByteArray>
#include <QObject>
#include <QRectF>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace orvi::project_data {
struct ProcessingRequest;
}

namespace orvi::ui::controllers {

class AnalysisFragmentController;
class VideoSessionController;

// The amplification parameters the user chooses (rotation speed, band, factor, worker
// threads, region), judged against the session's video and the fragment: validity, the
// rotation harmonics, the Nyquist limits, the recommended fragment length and the one
// validation and one warning text the interface shows. Values are stored as given; validity
// is reported, not enforced.
class ProcessingSettingsController : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The processing settings belong to the application controller.")

    Q_PROPERTY(bool available READ available NOTIFY settingsChanged)
    Q_PROPERTY(bool frequencyEditingAvailable READ frequencyEditingAvailable NOTIFY settingsChanged)
    Q_PROPERTY(bool settingsValid READ settingsValid NOTIFY settingsChanged)
    Q_PROPERTY(bool rotationSpeedValid READ rotationSpeedValid NOTIFY settingsChanged)
    Q_PROPERTY(bool lowerFrequencyValid READ lowerFrequencyValid NOTIFY settingsChanged)
    Q_PROPERTY(bool upperFrequencyValid READ upperFrequencyValid NOTIFY settingsChanged)
    Q_PROPERTY(bool frequencyBandValid READ frequencyBandValid NOTIFY settingsChanged)
    Q_PROPERTY(bool amplificationValid READ amplificationValid NOTIFY settingsChanged)
    Q_PROPERTY(bool regionCustomized READ regionCustomized NOTIFY settingsChanged)
    Q_PROPERTY(bool regionProcessingOptimizationEnabled READ regionProcessingOptimizationEnabled
                   NOTIFY settingsChanged)
    Q_PROPERTY(bool regionValid READ regionValid NOTIFY settingsChanged)
    Q_PROPERTY(bool nearNyquist READ nearNyquist NOTIFY settingsChanged)
    Q_PROPERTY(
        bool fragmentDurationSufficient READ fragmentDurationSufficient NOTIFY settingsChanged)
    Q_PROPERTY(double captureFrameRate READ captureFrameRate NOTIFY settingsChanged)
    Q_PROPERTY(double nyquistFrequencyHz READ nyquistFrequencyHz NOTIFY settingsChanged)
    Q_PROPERTY(
        double nyquistWarningFrequencyHz READ nyquistWarningFrequencyHz NOTIFY settingsChanged)
    Q_PROPERTY(double maximumFrequencyHz READ maximumFrequencyHz NOTIFY settingsChanged)
    Q_PROPERTY(double frequencyStepHz READ frequencyStepHz NOTIFY settingsChanged)
    Q_PROPERTY(double minimumRotationSpeedRpm READ minimumRotationSpeedRpm NOTIFY settingsChanged)
    Q_PROPERTY(double maximumRotationSpeedRpm READ maximumRotationSpeedRpm NOTIFY settingsChanged)
    Q_PROPERTY(
        double minimumAmplificationFactor READ minimumAmplificationFactor NOTIFY settingsChanged)
    Q_PROPERTY(
        double maximumAmplificationFactor READ maximumAmplificationFactor NOTIFY settingsChanged)
    Q_PROPERTY(int availableLogicalProcessorCount READ availableLogicalProcessorCount NOTIFY
                   settingsChanged)
    Q_PROPERTY(int maximumWorkerThreadCount READ maximumWorkerThreadCount NOTIFY settingsChanged)
    Q_PROPERTY(int workerThreadCount READ workerThreadCount NOTIFY settingsChanged)
    Q_PROPERTY(
        int effectiveWorkerThreadCount READ effectiveWorkerThreadCount NOTIFY settingsChanged)
    Q_PROPERTY(double minimumRegionWidth READ minimumRegionWidth NOTIFY settingsChanged)
    Q_PROPERTY(double minimumRegionHeight READ minimumRegionHeight NOTIFY settingsChanged)
    Q_PROPERTY(QRectF regionOfInterest READ regionOfInterest NOTIFY settingsChanged)
    Q_PROPERTY(bool stabilizationEnabled READ stabilizationEnabled NOTIFY settingsChanged)
    Q_PROPERTY(QRectF stabilizationReferenceRegion READ stabilizationReferenceRegion NOTIFY
                   settingsChanged)
    Q_PROPERTY(bool stabilizationReferenceSet READ stabilizationReferenceSet NOTIFY settingsChanged)
    Q_PROPERTY(double rotationSpeedRpm READ rotationSpeedRpm NOTIFY settingsChanged)
    Q_PROPERTY(double harmonic1FrequencyHz READ harmonic1FrequencyHz NOTIFY settingsChanged)
    Q_PROPERTY(double harmonic2FrequencyHz READ harmonic2FrequencyHz NOTIFY settingsChanged)
    Q_PROPERTY(double harmonic3FrequencyHz READ harmonic3FrequencyHz NOTIFY settingsChanged)
    Q_PROPERTY(double lowerFrequencyHz READ lowerFrequencyHz NOTIFY settingsChanged)
    Q_PROPERTY(double upperFrequencyHz READ upperFrequencyHz NOTIFY settingsChanged)
    Q_PROPERTY(double amplificationFactor READ amplificationFactor NOTIFY settingsChanged)
    Q_PROPERTY(qint64 recommendedMinimumFrameCount READ recommendedMinimumFrameCount NOTIFY
                   settingsChanged)
    Q_PROPERTY(qint64 recommendedMinimumDurationUs READ recommendedMinimumDurationUs NOTIFY
                   settingsChanged)
    Q_PROPERTY(QString rotationSpeedValidationMessage READ rotationSpeedValidationMessage NOTIFY
                   settingsChanged)
    Q_PROPERTY(
        QString fragmentValidationMessage READ fragmentValidationMessage NOTIFY settingsChanged)
    Q_PROPERTY(QString validationMessage READ validationMessage NOTIFY settingsChanged)
    Q_PROPERTY(QString warningMessage READ warningMessage NOTIFY settingsChanged)

public:
    static constexpr double kDefaultRotationSpeedRpm = 700.0;
    static constexpr double kDefaultLowerFrequencyHz = 9.0;
    static constexpr double kDefaultUpperFrequencyHz = 14.0;
    static constexpr double kDefaultAmplificationFactor = 5.0;
    static constexpr double kFrequencyStepHz = 0.1;
    static constexpr double kNearNyquistRatio = 0.8;

    ProcessingSettingsController(VideoSessionController* videoSession,
                                 AnalysisFragmentController* fragment, QObject* parent = nullptr);

    bool available() const;
    bool frequencyEditingAvailable() const;
    bool settingsValid() const;
    // The session's capture rate is still the unconfirmed starting value.
    bool captureFrameRateAssumed() const;
    bool rotationSpeedValid() const;
    bool lowerFrequencyValid() const;
    bool upperFrequencyValid() const;
    bool frequencyBandValid() const;
    // The one band rule at the current capture rate: 0 < lower < upper < rate / 2.
    Q_INVOKABLE bool isBandValid(double lowerHz, double upperHz) const;
    bool amplificationValid() const;
    bool regionCustomized() const;
    bool regionProcessingOptimizationEnabled() const { return m_regionOptimizationEnabled; }
    bool regionValid() const;
    bool nearNyquist() const;
    bool fragmentDurationSufficient() const;
    // The session's capture rate when it is known, else 0.
    double captureFrameRate() const;
    double nyquistFrequencyHz() const { return captureFrameRate() / 2.0; }
    double nyquistWarningFrequencyHz() const { return kNearNyquistRatio * nyquistFrequencyHz(); }
    double maximumFrequencyHz() const;
    double frequencyStepHz() const { return kFrequencyStepHz; }
    double minimumRotationSpeedRpm() const { return Settings::kMinimumRotationSpeedRpm; }
    double maximumRotationSpeedRpm() const { return Settings::kMaximumRotationSpeedRpm; }
    double minimumAmplificationFactor() const { return Settings::kMinimumAmplificationFactor; }
    double maximumAmplificationFactor() const { return Settings::kMaximumAmplificationFactor; }
    int availableLogicalProcessorCount() const;
    int maximumWorkerThreadCount() const;
    int workerThreadCount() const { return m_workerThreadCount; }
    int effectiveWorkerThreadCount() const;
    double minimumRegionWidth() const;
    double minimumRegionHeight() const;
    QRectF regionOfInterest() const { return m_regionOfInterest; }
    // A normalised region usable for the current frame size (inside it and large enough).
    bool isRegionValid(const QRectF& region) const;
    bool stabilizationEnabled() const { return m_stabilizationEnabled; }
    // Null until one is drawn.
    QRectF stabilizationReferenceRegion() const { return m_stabilizationReference; }
    bool stabilizationReferenceSet() const { return !m_stabilizationReference.isNull(); }
    double rotationSpeedRpm() const { return m_rotationSpeedRpm; }
    double harmonic1FrequencyHz() const { return harmonicFrequencyHz(1); }
    double harmonic2FrequencyHz() const { return harmonicFrequencyHz(2); }
    double harmonic3FrequencyHz() const { return harmonicFrequencyHz(3); }
    double lowerFrequencyHz() const { return m_lowerFrequencyHz; }
    double upperFrequencyHz() const { return m_upperFrequencyHz; }
    double amplificationFactor() const { return m_amplificationFactor; }
    qint64 recommendedMinimumFrameCount() const;
    qint64 recommendedMinimumDurationUs() const;
    QString rotationSpeedValidationMessage() const;
    QString fragmentValidationMessage() const;
    QString validationMessage() const;
    QString warningMessage() const;

    // Written only by the application controller; it emits nothing.
    bool operationLocked() const { return m_operationLocked; }
    void setOperationLocked(bool locked) { m_operationLocked = locked; }

    // The current fragment and parameters as the motion core takes them.
    motion_core::ProcessingSettings processingSettings() const;
    // Fills the request's source metadata (a copy of the session's, with the entered capture
    // rate) and its settings; false with the validation message while the settings are not
    // valid.
    bool buildRequest(project_data::ProcessingRequest* request, QString* error = nullptr) const;

    // Every setter returns whether the value now holds: false while locked or for a value it
    // cannot take, true when accepted or already equal.
    Q_INVOKABLE bool setRotationSpeedRpm(double rotationSpeedRpm);
    Q_INVOKABLE bool setLowerFrequencyHz(double lowerFrequencyHz);
    Q_INVOKABLE bool setUpperFrequencyHz(double upperFrequencyHz);
    Q_INVOKABLE bool setFrequencyBand(double lowerFrequencyHz, double upperFrequencyHz);
    // Band of +-halfWidthPercent around rotation harmonic 1..3; it must lie inside 0..Nyquist.
    Q_INVOKABLE bool applyRotationBand(int harmonicOrder, double halfWidthPercent);
    Q_INVOKABLE bool setAmplificationFactor(double amplificationFactor);
    Q_INVOKABLE bool setWorkerThreadCount(int workerThreadCount);
    Q_INVOKABLE bool setRegionProcessingOptimizationEnabled(bool enabled);
    // Normalised to the upright frame; refused unless valid for the current frame size.
    Q_INVOKABLE bool setRegionOfInterest(double x, double y, double width, double height);
    Q_INVOKABLE bool useFullFrame();
    // Camera motion compensation: the still reference region (normalised, refused unless
    // valid for the current frame size like the analysis region), and the switch, which
    // needs a reference region. Clearing the region switches compensation off.
    Q_INVOKABLE bool setStabilizationReferenceRegion(double x, double y, double width,
                                                     double height);
    Q_INVOKABLE bool clearStabilizationReferenceRegion();
    Q_INVOKABLE bool setStabilizationEnabled(bool enabled);
    Q_INVOKABLE bool resetToDefaults();

signals:
    void settingsChanged();

private:
    using Settings = motion_core::ProcessingSettings;

    void followSession();
    void restoreDefaults();
    // Emits settingsChanged when anything the settings' validity depends on has changed.
    void refresh();
    QByteArray computeSignature() const;
    bool setNumber(double& member, double value);
    bool sessionReady() const;
    bool fragmentValid() const;
    double harmonicFrequencyHz(int order) const;

    bool m_operationLocked = false;
    VideoSessionController* m_videoSession = nullptr;
    AnalysisFragmentController* m_fragment = nullptr;
    QString m_filePath;
    double m_rotationSpeedRpm = kDefaultRotationSpeedRpm;
    double m_lowerFrequencyHz = kDefaultLowerFrequencyHz;
    double m_upperFrequencyHz = kDefaultUpperFrequencyHz;
    double m_amplificationFactor = kDefaultAmplificationFactor;
    int m_workerThreadCount = 0; // automatic
    bool m_regionOptimizationEnabled = true;
    QRectF m_regionOfInterest = QRectF(0.0, 0.0, 1.0, 1.0);
    bool m_stabilizationEnabled = false;
    QRectF m_stabilizationReference;
    QByteArray m_signature;
};

} // namespace orvi::ui::controllers
