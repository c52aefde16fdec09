#include "controllers/ProcessingSettingsController.h"

#include "controllers/AnalysisFragmentController.h"
#include "controllers/TimeArithmetic.h"
#include "controllers/VideoSessionController.h"
#include "motion/ProcessingRegion.h"
#include "motion/TemporalBandpassFilter.h"
#include "processing/ProcessingRequest.h"
#include "records/ErrorMessage.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QIODevice>
#include <QLocale>
#include <QThread>
#include <algorithm>
#include <cmath>

namespace orvi::ui::controllers {

using project_data::failWith;

namespace {

using motion_core::TemporalBandpassFilter;

constexpr double kLargestEntry = 1e6;
constexpr double kValueTolerance = 1e-9;
constexpr double kHighAmplificationFactor = 20.0;
const QRectF kFullFrame(0.0, 0.0, 1.0, 1.0);

bool isAcceptableEntry(double value)
{
    return std::isfinite(value) && std::abs(value) <= kLargestEntry;
}

bool differs(double first, double second)
{
    return !(std::abs(first - second) < kValueTolerance);
}

QString rotationSpeedMessage()
{
    return QCoreApplication::translate("ProcessingSettingsController",
                                       "Rotation speed must be 0 or between 500 and 7000 RPM.");
}

} // namespace

ProcessingSettingsController::ProcessingSettingsController(VideoSessionController* videoSession,
                                                           AnalysisFragmentController* fragment,
                                                           QObject* parent)
    : QObject(parent), m_videoSession(videoSession), m_fragment(fragment)
{
    if (m_videoSession) {
        m_filePath = m_videoSession->filePath();
        connect(m_videoSession, &VideoSessionController::sourceChanged, this,
                &ProcessingSettingsController::followSession);
        connect(m_videoSession, &VideoSessionController::stateChanged, this,
                &ProcessingSettingsController::followSession);
        connect(m_videoSession, &VideoSessionController::videoInfoChanged, this,
                &ProcessingSettingsController::followSession);
    }
    if (m_fragment) {
        connect(m_fragment, &AnalysisFragmentController::rangeChanged, this,
                &ProcessingSettingsController::refresh);
    }
    m_signature = computeSignature();
}

bool ProcessingSettingsController::sessionReady() const
{
    return m_videoSession && m_videoSession->ready();
}

bool ProcessingSettingsController::fragmentValid() const
{
    return m_fragment && m_fragment->selectionValid();
}

bool ProcessingSettingsController::available() const
{
    return sessionReady();
}

bool ProcessingSettingsController::frequencyEditingAvailable() const
{
    return sessionReady() && captureFrameRate() > 0.0;
}

double ProcessingSettingsController::captureFrameRate() const
{
    if (!m_videoSession || !m_videoSession->videoInfo().captureFrameRateKnown())
        return 0.0;
    return m_videoSession->videoInfo().captureFrameRate;
}

bool ProcessingSettingsController::captureFrameRateAssumed() const
{
    return m_videoSession && m_videoSession->videoInfo().captureFrameRateAssumed;
}

bool ProcessingSettingsController::rotationSpeedValid() const
{
    return processingSettings().isRotationSpeedValid();
}

bool ProcessingSettingsController::lowerFrequencyValid() const
{
    return std::isfinite(m_lowerFrequencyHz) && m_lowerFrequencyHz > 0.0;
}

bool ProcessingSettingsController::upperFrequencyValid() const
{
    return frequencyBandValid();
}

bool ProcessingSettingsController::frequencyBandValid() const
{
    return isBandValid(m_lowerFrequencyHz, m_upperFrequencyHz);
}

bool ProcessingSettingsController::isBandValid(double lowerHz, double upperHz) const
{
    return TemporalBandpassFilter::isBandValid(captureFrameRate(), lowerHz, upperHz);
}

bool ProcessingSettingsController::amplificationValid() const
{
    return processingSettings().isAmplificationValid();
}

bool ProcessingSettingsController::regionCustomized() const
{
    return m_regionOfInterest != kFullFrame;
}

bool ProcessingSettingsController::regionValid() const
{
    return isRegionValid(m_regionOfInterest);
}

bool ProcessingSettingsController::isRegionValid(const QRectF& region) const
{
    if (!Settings::isNormalizedRectValid(region))
        return false;
    const QSize frameSize = m_videoSession ? m_videoSession->videoInfo().frameSize : QSize();
    return !frameSize.isEmpty() && region.width() + kValueTolerance >= minimumRegionWidth() &&
           region.height() + kValueTolerance >= minimumRegionHeight();
}

bool ProcessingSettingsController::nearNyquist() const
{
    return TemporalBandpassFilter::isNearNyquist(captureFrameRate(), m_lowerFrequencyHz,
                                                 m_upperFrequencyHz);
}

bool ProcessingSettingsController::fragmentDurationSufficient() const
{
    const qint64 recommended = recommendedMinimumFrameCount();
    return recommended >= 1 && fragmentValid() && m_fragment->selectedFrameCount() >= recommended;
}

double ProcessingSettingsController::maximumFrequencyHz() const
{
    return std::max(nyquistFrequencyHz() - kFrequencyStepHz, kFrequencyStepHz);
}

int ProcessingSettingsController::availableLogicalProcessorCount() const
{
    return std::max(1, QThread::idealThreadCount());
}

int ProcessingSettingsController::maximumWorkerThreadCount() const
{
    return Settings::availableLogicalProcessors();
}

int ProcessingSettingsController::effectiveWorkerThreadCount() const
{
    return processingSettings().effectiveWorkerCount();
}

double ProcessingSettingsController::minimumRegionWidth() const
{
    const QSize frameSize = m_videoSession ? m_videoSession->videoInfo().frameSize : QSize();
    if (frameSize.isEmpty())
        return 0.0;
    return std::min(1.0, (2.0 * motion_core::featherWidth(frameSize) + 1.0) / frameSize.width());
}

double ProcessingSettingsController::minimumRegionHeight() const
{
    const QSize frameSize = m_videoSession ? m_videoSession->videoInfo().frameSize : QSize();
    if (frameSize.isEmpty())
        return 0.0;
    return std::min(1.0, (2.0 * motion_core::featherWidth(frameSize) + 1.0) / frameSize.height());
}

double ProcessingSettingsController::harmonicFrequencyHz(int order) const
{
    return processingSettings().harmonicFrequencyHz(order);
}

qint64 ProcessingSettingsController::recommendedMinimumFrameCount() const
{
    return TemporalBandpassFilter::recommendedMinimumFrameCount(
        captureFrameRate(), m_lowerFrequencyHz, m_upperFrequencyHz);
}

qint64 ProcessingSettingsController::recommendedMinimumDurationUs() const
{
    const double rate = captureFrameRate();
    const qint64 frames = recommendedMinimumFrameCount();
    if (rate <= 0.0 || frames < 1)
        return 0;
    return ceiledCount(double(frames) * 1e6 / rate);
}

bool ProcessingSettingsController::settingsValid() const
{
    const Settings settings = processingSettings();
    return sessionReady() && captureFrameRate() > 0.0 && !captureFrameRateAssumed() &&
           fragmentValid() && m_fragment->physicalTimingAvailable() &&
           settings.isRotationSpeedValid() && frequencyBandValid() &&
           settings.isAmplificationValid() && settings.isWorkerCountValid() && regionValid() &&
           fragmentDurationSufficient();
}

QString ProcessingSettingsController::rotationSpeedValidationMessage() const
{
    return rotationSpeedValid() ? QString() : rotationSpeedMessage();
}

QString ProcessingSettingsController::fragmentValidationMessage() const
{
    if (!sessionReady() || !frequencyBandValid() || fragmentDurationSufficient())
        return {};
    return QCoreApplication::translate("ProcessingSettingsController",
                                       "Select at least %1 frames for this frequency band.")
        .arg(recommendedMinimumFrameCount());
}

QString ProcessingSettingsController::validationMessage() const
{
    const double rate = captureFrameRate();
    if (!sessionReady())
        return QCoreApplication::translate("ProcessingSettingsController",
                                           "Open and analyze a source video.");
    if (rate <= 0.0)
        return QCoreApplication::translate(
            "ProcessingSettingsController",
            "Enter the camera capture frame rate before choosing the frequency band.");
    if (captureFrameRateAssumed())
        return QCoreApplication::translate(
                   "ProcessingSettingsController",
                   "Confirm the capture frame rate under Video parameters: %1 FPS is only "
                   "assumed, and every frequency depends on it.")
            .arg(rate);
    if (!fragmentValid())
        return QCoreApplication::translate("ProcessingSettingsController",
                                           "Choose a valid analysis fragment.");
    if (!regionValid())
        return QCoreApplication::translate("ProcessingSettingsController",
                                           "Choose a valid analysis region.");
    if (!rotationSpeedValid())
        return rotationSpeedMessage();
    if (!lowerFrequencyValid())
        return QCoreApplication::translate("ProcessingSettingsController",
                                           "Lower frequency must be greater than 0 Hz.");
    if (!std::isfinite(m_upperFrequencyHz) || !(m_upperFrequencyHz > m_lowerFrequencyHz))
        return QCoreApplication::translate("ProcessingSettingsController",
                                           "Upper frequency must be greater than lower frequency.");
    if (!(m_upperFrequencyHz < rate / 2.0)) {
        return QCoreApplication::translate(
                   "ProcessingSettingsController",
                   "Upper frequency must be below the Nyquist frequency of %1 Hz.")
            .arg(QLocale().toString(rate / 2.0, 'f', 2));
    }
    if (!amplificationValid())
        return QCoreApplication::translate("ProcessingSettingsController",
                                           "Amplification factor must be between 1 and 50.");
    if (!fragmentDurationSufficient()) {
        return QCoreApplication::translate(
                   "ProcessingSettingsController",
                   "The selected fragment is too short for this frequency band. Select at "
                   "least %1 frames.")
            .arg(recommendedMinimumFrameCount());
    }
    return {};
}

QString ProcessingSettingsController::warningMessage() const
{
    QString timing;
    if (sessionReady() && m_fragment) {
        timing = m_videoSession->videoInfo().timingWarning(m_fragment->startFrame(),
                                                           m_fragment->endFrameExclusive());
    }
    QString further;
    if (nearNyquist()) {
        further = QCoreApplication::translate(
            "ProcessingSettingsController",
            "The selected band is close to Nyquist; reliable frequency separation may be poor.");
    } else if (amplificationValid() && m_amplificationFactor > kHighAmplificationFactor) {
        further = QCoreApplication::translate("ProcessingSettingsController",
                                              "High amplification may produce visible artifacts.");
    } else if (m_amplificationFactor == 1.0) {
        further =
            QCoreApplication::translate("ProcessingSettingsController",
                                        "An amplification factor of 1 leaves motion unchanged.");
    }
    if (timing.isEmpty() || further.isEmpty())
        return timing + further;
    return timing + QStringLiteral("\n\n") + further;
}

motion_core::ProcessingSettings ProcessingSettingsController::processingSettings() const
{
    Settings settings;
    if (m_fragment) {
        settings.startFrame = m_fragment->startFrame();
        settings.endFrameExclusive = m_fragment->endFrameExclusive();
        settings.startTimeUs = m_fragment->playbackStartUs();
        settings.endTimeUs = m_fragment->playbackEndUs();
    }
    settings.regionOfInterest = m_regionOfInterest;
    settings.lowerFrequencyHz = m_lowerFrequencyHz;
    settings.upperFrequencyHz = m_upperFrequencyHz;
    settings.amplificationFactor = m_amplificationFactor;
    settings.rotationSpeedRpm = m_rotationSpeedRpm;
    settings.workerThreadCount = m_workerThreadCount;
    settings.regionProcessingOptimizationEnabled = m_regionOptimizationEnabled;
    settings.stabilizationEnabled = m_stabilizationEnabled;
    settings.stabilizationReferenceRegion = m_stabilizationReference;
    return settings;
}

bool ProcessingSettingsController::buildRequest(project_data::ProcessingRequest* request,
                                                QString* error) const
{
    if (!request)
        return failWith(error, QCoreApplication::translate("ProcessingSettingsController",
                                                           "A processing request is required."));
    if (!settingsValid())
        return failWith(error, validationMessage());
    request->sourceInfo = m_videoSession->videoInfo();
    request->settings = processingSettings();
    if (error)
        error->clear();
    return true;
}

bool ProcessingSettingsController::setNumber(double& member, double value)
{
    if (m_operationLocked || !isAcceptableEntry(value))
        return false;
    if (differs(member, value)) {
        member = value;
        refresh();
    }
    return true;
}

bool ProcessingSettingsController::setRotationSpeedRpm(double rotationSpeedRpm)
{
    return setNumber(m_rotationSpeedRpm, rotationSpeedRpm);
}

bool ProcessingSettingsController::setLowerFrequencyHz(double lowerFrequencyHz)
{
    return setNumber(m_lowerFrequencyHz, lowerFrequencyHz);
}

bool ProcessingSettingsController::setUpperFrequencyHz(double upperFrequencyHz)
{
    return setNumber(m_upperFrequencyHz, upperFrequencyHz);
}

bool ProcessingSettingsController::setAmplificationFactor(double amplificationFactor)
{
    return setNumber(m_amplificationFactor, amplificationFactor);
}

bool ProcessingSettingsController::setFrequencyBand(double lowerFrequencyHz,
                                                    double upperFrequencyHz)
{
    if (m_operationLocked || !isAcceptableEntry(lowerFrequencyHz) ||
        !isAcceptableEntry(upperFrequencyHz))
        return false;
    if (differs(m_lowerFrequencyHz, lowerFrequencyHz) ||
        differs(m_upperFrequencyHz, upperFrequencyHz)) {
        m_lowerFrequencyHz = lowerFrequencyHz;
        m_upperFrequencyHz = upperFrequencyHz;
        refresh();
    }
    return true;
}

bool ProcessingSettingsController::applyRotationBand(int harmonicOrder, double halfWidthPercent)
{
    const double rate = captureFrameRate();
    if (m_operationLocked || !sessionReady() || rate <= 0.0 || !rotationSpeedValid() ||
        harmonicOrder < 1 || harmonicOrder > 3 ||
        !(halfWidthPercent > 0.0 && halfWidthPercent < 100.0))
        return false;
    const double centre = harmonicFrequencyHz(harmonicOrder);
    const double lower = centre * (1.0 - halfWidthPercent / 100.0);
    const double upper = centre * (1.0 + halfWidthPercent / 100.0);
    if (lower <= 0.0 || upper >= rate / 2.0)
        return false; // a speed of 0 never gives a band
    return setFrequencyBand(lower, upper);
}

bool ProcessingSettingsController::setWorkerThreadCount(int workerThreadCount)
{
    if (m_operationLocked || workerThreadCount < 0 ||
        workerThreadCount > maximumWorkerThreadCount())
        return false;
    if (workerThreadCount != m_workerThreadCount) {
        m_workerThreadCount = workerThreadCount;
        refresh();
    }
    return true;
}

bool ProcessingSettingsController::setRegionProcessingOptimizationEnabled(bool enabled)
{
    if (m_operationLocked)
        return false;
    if (enabled != m_regionOptimizationEnabled) {
        m_regionOptimizationEnabled = enabled;
        refresh();
    }
    return true;
}

bool ProcessingSettingsController::setRegionOfInterest(double x, double y, double width,
                                                       double height)
{
    const QRectF region(x, y, width, height);
    if (m_operationLocked || !isRegionValid(region))
        return false;
    if (region != m_regionOfInterest) {
        m_regionOfInterest = region;
        refresh();
    }
    return true;
}

bool ProcessingSettingsController::setStabilizationReferenceRegion(double x, double y, double width,
                                                                   double height)
{
    const QRectF region(x, y, width, height);
    if (m_operationLocked || !isRegionValid(region))
        return false;
    if (region != m_stabilizationReference) {
        m_stabilizationReference = region;
        refresh();
    }
    return true;
}

bool ProcessingSettingsController::clearStabilizationReferenceRegion()
{
    if (m_operationLocked)
        return false;
    if (!m_stabilizationReference.isNull() || m_stabilizationEnabled) {
        m_stabilizationReference = QRectF();
        m_stabilizationEnabled = false;
        refresh();
    }
    return true;
}

bool ProcessingSettingsController::setStabilizationEnabled(bool enabled)
{
    if (m_operationLocked || (enabled && m_stabilizationReference.isNull()))
        return false;
    if (enabled != m_stabilizationEnabled) {
        m_stabilizationEnabled = enabled;
        refresh();
    }
    return true;
}

bool ProcessingSettingsController::useFullFrame()
{
    if (m_operationLocked)
        return false;
    if (m_regionOfInterest != kFullFrame) {
        m_regionOfInterest = kFullFrame;
        refresh();
    }
    return true;
}

bool ProcessingSettingsController::resetToDefaults()
{
    if (m_operationLocked)
        return false;
    restoreDefaults();
    refresh();
    return true;
}

void ProcessingSettingsController::restoreDefaults()
{
    m_rotationSpeedRpm = kDefaultRotationSpeedRpm;
    m_lowerFrequencyHz = kDefaultLowerFrequencyHz;
    m_upperFrequencyHz = kDefaultUpperFrequencyHz;
    m_amplificationFactor = kDefaultAmplificationFactor;
    m_workerThreadCount = 0;
    m_regionOptimizationEnabled = true;
    m_regionOfInterest = kFullFrame;
    m_stabilizationEnabled = false;
    m_stabilizationReference = QRectF();
}

void ProcessingSettingsController::followSession()
{
    const QString filePath = m_videoSession->filePath();
    if (filePath != m_filePath) {
        // Another video: what was chosen for the previous one no longer applies.
        m_filePath = filePath;
        restoreDefaults();
    }
    refresh();
}

void ProcessingSettingsController::refresh()
{
    QByteArray signature = computeSignature();
    if (signature == m_signature)
        return;
    m_signature = std::move(signature);
    emit settingsChanged();
}

QByteArray ProcessingSettingsController::computeSignature() const
{
    QByteArray signature;
    QDataStream stream(&signature, QIODevice::WriteOnly);
    stream << m_filePath << sessionReady();
    if (m_videoSession) {
        const media::VideoInfo& info = m_videoSession->videoInfo();
        stream << info.filePath << info.containerName << info.codecName << info.frameSize
               << info.durationUs << info.frameCount << info.nominalFrameRate
               << info.detectedCaptureFrameRate << info.captureFrameRate
               << info.captureFrameRateManual << info.captureFrameRateAssumed
               << info.slowMotionPlaybackIntent << info.variableFrameRate << info.uniformStartFrame;
    }
    if (m_fragment) {
        stream << m_fragment->startFrame() << m_fragment->endFrameExclusive()
               << m_fragment->physicalTimingAvailable();
    }
    stream << m_rotationSpeedRpm << m_lowerFrequencyHz << m_upperFrequencyHz
           << m_amplificationFactor << m_workerThreadCount << m_regionOptimizationEnabled
           << m_regionOfInterest << m_stabilizationEnabled << m_stabilizationReference;
    return signature;
}

} // namespace orvi::ui::controllers
