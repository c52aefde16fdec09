#include "motion/ProcessingSettings.h"

#include "motion/ProcessingRegion.h"
#include "motion/TemporalBandpassFilter.h"

#include <QThread>
#include <algorithm>
#include <cmath>

namespace orvi::motion_core {

bool ProcessingSettings::isBandValid(double frameRate) const
{
    return TemporalBandpassFilter::isBandValid(frameRate, lowerFrequencyHz, upperFrequencyHz);
}

bool ProcessingSettings::isAmplificationValid() const
{
    return std::isfinite(amplificationFactor) &&
           amplificationFactor >= kMinimumAmplificationFactor &&
           amplificationFactor <= kMaximumAmplificationFactor;
}

bool ProcessingSettings::isWorkerCountValid() const
{
    return static_cast<unsigned>(workerThreadCount) <=
           static_cast<unsigned>(kMaximumWorkerThreadCount);
}

bool ProcessingSettings::isRotationSpeedValid() const
{
    return std::isfinite(rotationSpeedRpm) &&
           (rotationSpeedRpm == 0.0 || (rotationSpeedRpm >= kMinimumRotationSpeedRpm &&
                                        rotationSpeedRpm <= kMaximumRotationSpeedRpm));
}

double ProcessingSettings::rotationFrequencyHz() const
{
    return rotationSpeedRpm > 0.0 ? rotationSpeedRpm / 60.0 : 0.0;
}

double ProcessingSettings::harmonicFrequencyHz(int harmonic) const
{
    return harmonic >= 1 && rotationSpeedRpm > 0.0 ? harmonic * rotationSpeedRpm / 60.0 : 0.0;
}

bool ProcessingSettings::isNearNyquist(double frameRate) const
{
    return TemporalBandpassFilter::isNearNyquist(frameRate, lowerFrequencyHz, upperFrequencyHz);
}

qint64 ProcessingSettings::recommendedMinimumFrameCount(double frameRate) const
{
    return TemporalBandpassFilter::recommendedMinimumFrameCount(frameRate, lowerFrequencyHz,
                                                                upperFrequencyHz);
}

bool ProcessingSettings::isNormalizedRectValid(const QRectF& rect)
{
    const double l = rect.x(), t = rect.y(), w = rect.width(), h = rect.height();
    if (!std::isfinite(l) || !std::isfinite(t) || !std::isfinite(w) || !std::isfinite(h))
        return false;
    return w > 0.0 && h > 0.0 && l >= 0.0 && t >= 0.0 && l + w <= 1.0 && t + h <= 1.0;
}

bool ProcessingSettings::areRegionsValid() const
{
    return isNormalizedRectValid(regionOfInterest) &&
           (!stabilizationEnabled || isNormalizedRectValid(stabilizationReferenceRegion));
}

bool ProcessingSettings::isRegionLargeEnough(const QSize& frameSize) const
{
    if (frameSize.isEmpty())
        return false;
    const double side = 2.0 * featherWidth(frameSize) + 1.0;
    return regionOfInterest.width() >= std::min(side / frameSize.width(), 1.0) - 1e-9 &&
           regionOfInterest.height() >= std::min(side / frameSize.height(), 1.0) - 1e-9;
}

int ProcessingSettings::availableLogicalProcessors()
{
    return std::clamp(QThread::idealThreadCount(), 1, kMaximumWorkerThreadCount);
}

int ProcessingSettings::effectiveWorkerCount() const
{
    const int available = availableLogicalProcessors();
    return workerThreadCount < 1 ? available : std::min(available, workerThreadCount);
}

bool ProcessingSettings::isFrameRangeValid(qint64 frameCount) const
{
    return frameCount >= 2 && startFrame >= 0 && endFrameExclusive > startFrame &&
           endFrameExclusive - startFrame >= 2 && endFrameExclusive <= frameCount;
}

bool ProcessingSettings::isTimeRangeValid(qint64 durationUs) const
{
    if (startTimeUs < 0 || startTimeUs >= durationUs)
        return false;
    const qint64 end = endTimeUs < 0 ? durationUs : endTimeUs;
    return end > startTimeUs && end <= durationUs;
}

} // namespace orvi::motion_core
