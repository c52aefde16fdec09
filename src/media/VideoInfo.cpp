#include "media/VideoInfo.h"

#include "media/FrameIntervalRule.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>

namespace orvi::media {

namespace {

bool isValidRange(qint64 first, qint64 endExclusive, qint64 frameCount)
{
    return first >= 0 && endExclusive <= frameCount && endExclusive > first &&
           endExclusive - first >= 2;
}

} // namespace

double VideoInfo::averagePlaybackFrameRate() const
{
    if (frameCount >= 1 && durationUs >= 1)
        return double(frameCount) * 1e6 / double(durationUs);
    return nominalFrameRate;
}

double VideoInfo::effectiveFrameRate() const
{
    return captureFrameRate > 0.0 ? captureFrameRate : nominalFrameRate;
}

bool VideoInfo::captureFrameRateKnown() const
{
    return std::isfinite(captureFrameRate) && captureFrameRate > 0.0;
}

QString VideoInfo::captureFrameRateOrigin() const
{
    if (!captureFrameRateKnown())
        return {};
    if (captureFrameRateManual)
        return QStringLiteral("entered");
    return captureFrameRateAssumed ? QStringLiteral("assumed") : QStringLiteral("detected");
}

bool VideoInfo::captureTimingMapRequired() const
{
    const double playback = averagePlaybackFrameRate();
    if (!captureFrameRateKnown() || !std::isfinite(playback) || playback <= 0.0)
        return false;
    return std::abs(captureFrameRate - playback) > std::max(0.02 * playback, 0.01);
}

qint64 VideoInfo::estimatedRecordingDurationUs() const
{
    if (!captureFrameRateKnown() || frameCount < 1 || captureTimingMapRequired())
        return 0;
    return qint64(std::llround(double(frameCount) * 1e6 / captureFrameRate));
}

double VideoInfo::averageSlowMotionFactor() const
{
    const qint64 recordingUs = estimatedRecordingDurationUs();
    if (durationUs <= 0 || recordingUs <= 0)
        return 0.0;
    return double(durationUs) / double(recordingUs);
}

bool VideoInfo::hasCompleteTimingMap() const
{
    return frameCount >= 1 && qint64(frameTimestamps.size()) == frameCount;
}

bool VideoInfo::isUsable() const
{
    return frameSize.width() >= 1 && frameSize.height() >= 1 &&
           (captureFrameRate > 0.0 || nominalFrameRate > 0.0) &&
           (durationUs > 0 || frameCount >= 1);
}

bool VideoInfo::isUniformFrameTiming(qint64 first, qint64 endExclusive) const
{
    if (!isValidRange(first, endExclusive, frameCount))
        return false;
    if (!hasCompleteTimingMap() || !std::isfinite(timestampTimeBase) || timestampTimeBase <= 0.0)
        return !variableFrameRate;

    std::vector<double> intervals;
    intervals.reserve(size_t(endExclusive - first - 1));
    for (qint64 i = first + 1; i < endExclusive; ++i) {
        const double interval =
            double(frameTimestamps[size_t(i)] - frameTimestamps[size_t(i - 1)]) * timestampTimeBase;
        if (!std::isfinite(interval) || interval <= 0.0)
            return false;
        intervals.push_back(interval);
    }
    return FrameIntervalRule(std::move(intervals), nominalFrameRate, timestampTimeBase)
               .uniformTailStart() == 0;
}

QString VideoInfo::timingWarning(qint64 first, qint64 endExclusive) const
{
    if (!isValidRange(first, endExclusive, frameCount) || isUniformFrameTiming(first, endExclusive))
        return {};
    return QCoreApplication::translate(
        "VideoInfo",
        "Frame timing is irregular or could not be verified in the selected fragment. You can "
        "continue: calculation treats frames as equally spaced at the entered capture frame "
        "rate. Frequencies, band powers and relative phases may be distorted, and amplification "
        "may produce artifacts. Assess whether the recording is suitable for your task.");
}

} // namespace orvi::media
