#pragma once

#include <QSize>
#include <QString>
#include <QtGlobal>
#include <vector>

namespace orvi::media {

// Metadata of a probed video and the timing rules derived from it.
struct VideoInfo
{
    QString filePath;
    QString containerName;
    QString codecName;
    QSize frameSize; // display size, swapped for 90/270 degree rotations
    qint64 durationUs = 0;
    qint64 frameCount = 0;
    double nominalFrameRate = 0.0;
    double detectedCaptureFrameRate = 0.0;
    double captureFrameRate = 0.0;
    bool captureFrameRateManual = false;
    // The rate is a starting value the user has neither confirmed nor changed: nothing may be
    // measured with it yet.
    bool captureFrameRateAssumed = false;
    bool slowMotionPlaybackIntent = false;
    bool variableFrameRate = false;
    std::vector<qint64> frameTimestamps; // stream time-base ticks, decode order
    double timestampTimeBase = 0.0;      // seconds per tick
    qint64 uniformStartFrame = -1;
    qint64 totalMs = 0;
    qint64 metadataMs = 0;
    qint64 decodeMs = 0;
    qint64 timingMs = 0;
    int decoderThreadLimit = 1;

    double averagePlaybackFrameRate() const;
    double effectiveFrameRate() const;
    bool captureFrameRateKnown() const;
    // Where the capture rate comes from: "entered" by the user, "assumed" as a starting value,
    // "detected" from the file, or "" while there is none.
    QString captureFrameRateOrigin() const;
    bool captureTimingMapRequired() const;
    qint64 estimatedRecordingDurationUs() const;
    double averageSlowMotionFactor() const;
    bool hasCompleteTimingMap() const;
    bool isUsable() const;
    bool isUniformFrameTiming(qint64 first, qint64 endExclusive) const;
    // Translated warning for a valid, non-uniform range of at least two frames.
    QString timingWarning(qint64 first, qint64 endExclusive) const;
};

} // namespace orvi::media
