#pragma once

#include <QRectF>
#include <QSize>
#include <QtGlobal>

namespace orvi::motion_core {

// The user's fragment and motion settings with their validity rules; a plain value copied
// into the processor at configuration.
struct ProcessingSettings
{
    static constexpr double kMinimumAmplificationFactor = 1.0;
    static constexpr double kMaximumAmplificationFactor = 50.0;
    static constexpr double kMinimumRotationSpeedRpm = 500.0;
    static constexpr double kMaximumRotationSpeedRpm = 7000.0;
    static constexpr int kMaximumWorkerThreadCount = 256;

    qint64 startFrame = -1;                               // inclusive; -1 = not set
    qint64 endFrameExclusive = -1;                        // -1 = not set
    qint64 startTimeUs = 0;                               // used when no frame range is set
    qint64 endTimeUs = -1;                                // -1 = end of the video
    QRectF regionOfInterest = QRectF(0.0, 0.0, 1.0, 1.0); // normalised to the frame
    QRectF stabilizationReferenceRegion;                  // read only when stabilisation is enabled
    bool stabilizationEnabled = false;
    double lowerFrequencyHz = 0.0;
    double upperFrequencyHz = 0.0;
    double amplificationFactor = 1.0;
    double rotationSpeedRpm = 0.0; // 0 = not given
    int workerThreadCount = 0;     // 0 = automatic
    bool regionProcessingOptimizationEnabled = true;

    // A frame range applies when either end is set; otherwise the time range does.
    bool frameRangeSet() const { return startFrame >= 0 || endFrameExclusive >= 0; }

    // Finite, 0 < lower < upper < frameRate / 2.
    bool isBandValid(double frameRate) const;
    bool isAmplificationValid() const;
    bool isWorkerCountValid() const;
    bool isRotationSpeedValid() const;
    double rotationFrequencyHz() const;
    double harmonicFrequencyHz(int harmonic) const;
    bool isNearNyquist(double frameRate) const;
    qint64 recommendedMinimumFrameCount(double frameRate) const;

    static bool isNormalizedRectValid(const QRectF& rect);
    bool areRegionsValid() const;
    // Both sides of the region cover at least 2F + 1 pixels of the frame (F the feather
    // width), or the whole side when the frame is smaller.
    bool isRegionLargeEnough(const QSize& frameSize) const;

    // The platform's ideal thread count, 1..256.
    static int availableLogicalProcessors();
    // Automatic (below 1) gives the available processors; a request is cut down to them.
    int effectiveWorkerCount() const;

    bool isFrameRangeValid(qint64 frameCount) const;
    bool isTimeRangeValid(qint64 durationUs) const;
};

} // namespace orvi::motion_core
