#include "controllers/AnalysisFragmentController.h"

#include "controllers/TimeArithmetic.h"
#include "controllers/VideoSessionController.h"

#include <algorithm>
#include <cmath>

namespace orvi::ui::controllers {

namespace {

constexpr double kRateTolerance = 1e-9;

bool ratesDiffer(double first, double second)
{
    return !(std::abs(first - second) <= kRateTolerance);
}

} // namespace

AnalysisFragmentController::AnalysisFragmentController(VideoSessionController* videoSession,
                                                       QObject* parent)
    : QObject(parent), m_videoSession(videoSession)
{
    if (m_videoSession) {
        connect(m_videoSession, &VideoSessionController::sourceChanged, this,
                &AnalysisFragmentController::synchronizeWithSession);
        connect(m_videoSession, &VideoSessionController::stateChanged, this,
                &AnalysisFragmentController::synchronizeWithSession);
        connect(m_videoSession, &VideoSessionController::videoInfoChanged, this,
                &AnalysisFragmentController::synchronizeWithSession);
    }
    synchronizeWithSession();
}

bool AnalysisFragmentController::autoStartAdjusted() const
{
    return !m_rangeCustomized && m_startFrame >= 1 && selectionValid();
}

bool AnalysisFragmentController::selectionValid() const
{
    return m_frameCount >= 2 && m_startFrame >= 0 && m_endFrameExclusive <= m_frameCount &&
           m_endFrameExclusive - m_startFrame >= 2;
}

bool AnalysisFragmentController::physicalTimingAvailable() const
{
    return selectionValid() && m_captureFrameRateKnown;
}

qint64 AnalysisFragmentController::selectedFrameCount() const
{
    return selectionValid() ? m_endFrameExclusive - m_startFrame : 0;
}

qint64 AnalysisFragmentController::playbackStartUs() const
{
    return selectionValid() ? playbackTimeUs(m_startFrame) : 0;
}

qint64 AnalysisFragmentController::playbackEndUs() const
{
    return selectionValid() ? playbackTimeUs(m_endFrameExclusive) : 0;
}

qint64 AnalysisFragmentController::playbackDurationUs() const
{
    return std::max<qint64>(0, playbackEndUs() - playbackStartUs());
}

qint64 AnalysisFragmentController::physicalDurationUs() const
{
    if (!physicalTimingAvailable())
        return 0;
    return roundedCount(double(selectedFrameCount()) * 1e6 / m_captureFrameRate);
}

bool AnalysisFragmentController::setRangeFrames(qint64 startFrame, qint64 endFrameExclusive)
{
    if (m_operationLocked || m_frameCount < 2)
        return false;
    const qint64 start = std::clamp<qint64>(startFrame, 0, lastStartFrame());
    const qint64 end =
        endFrameExclusive > m_frameCount ? m_frameCount : std::max(endFrameExclusive, start + 2);
    return applyRange(start, end, true);
}

bool AnalysisFragmentController::setStartFrame(qint64 frameIndex)
{
    if (m_operationLocked || m_frameCount < 2)
        return false;
    const qint64 start = std::clamp<qint64>(frameIndex, 0, lastStartFrame());
    const qint64 end = std::min(m_frameCount, std::max(m_endFrameExclusive, start + 2));
    return applyRange(start, end, true);
}

bool AnalysisFragmentController::setEndFrameInclusive(qint64 frameIndex)
{
    if (m_operationLocked || m_frameCount < 2)
        return false;
    const qint64 start = std::clamp<qint64>(m_startFrame, 0, lastStartFrame());
    // Limited first so that the step to an exclusive end cannot overflow.
    const qint64 last = std::min(frameIndex, m_frameCount);
    const qint64 end = std::min(m_frameCount, std::max(last + 1, start + 2));
    return applyRange(start, end, true);
}

void AnalysisFragmentController::clearRange()
{
    if (m_operationLocked || m_frameCount < 2)
        return;
    applyRange(0, m_frameCount, false);
}

bool AnalysisFragmentController::applyRange(qint64 startFrame, qint64 endFrameExclusive,
                                            bool customized)
{
    if (startFrame == m_startFrame && endFrameExclusive == m_endFrameExclusive &&
        customized == m_rangeCustomized)
        return true;
    m_startFrame = startFrame;
    m_endFrameExclusive = endFrameExclusive;
    m_rangeCustomized = customized;
    emit rangeChanged();
    return true;
}

void AnalysisFragmentController::synchronizeWithSession()
{
    const bool ready =
        m_videoSession && m_videoSession->ready() && m_videoSession->videoInfo().frameCount >= 2;
    static const media::VideoInfo none;
    const media::VideoInfo& info = ready ? m_videoSession->videoInfo() : none;
    const QString filePath = ready ? m_videoSession->filePath() : QString();
    const qint64 frameCount = ready ? info.frameCount : 0;
    const qint64 durationUs = ready ? info.durationUs : 0;
    const double playbackRate = ready ? info.averagePlaybackFrameRate() : 0.0;
    const double captureRate = ready ? info.captureFrameRate : 0.0;
    const bool captureKnown = ready && info.captureFrameRateKnown();
    const bool timingMapRequired = ready && info.captureTimingMapRequired();

    const bool sourceChanged = filePath != m_filePath || frameCount != m_frameCount;
    const bool timingChanged =
        durationUs != m_durationUs || ratesDiffer(playbackRate, m_playbackFrameRate) ||
        ratesDiffer(captureRate, m_captureFrameRate) || captureKnown != m_captureFrameRateKnown ||
        timingMapRequired != m_captureTimingMapRequired;
    if (!sourceChanged && !timingChanged)
        return;

    m_filePath = filePath;
    m_frameCount = frameCount;
    m_durationUs = durationUs;
    m_playbackFrameRate = playbackRate;
    m_captureFrameRate = captureRate;
    m_captureFrameRateKnown = captureKnown;
    m_captureTimingMapRequired = timingMapRequired;
    if (sourceChanged) {
        // A recording whose first frames are irregular starts at its uniform tail.
        m_startFrame = info.uniformStartFrame >= 1 ? info.uniformStartFrame : 0;
        m_endFrameExclusive = frameCount;
        m_rangeCustomized = false;
    }
    emit rangeChanged();
}

qint64 AnalysisFragmentController::playbackTimeUs(qint64 frameIndex) const
{
    const double rate = m_playbackFrameRate;
    if (!std::isfinite(rate) || rate <= 0.0)
        return 0;
    // Limited to the duration before rounding: the last frame may end a little past it.
    return roundedCount(std::min(double(frameIndex) * 1e6 / rate, double(m_durationUs)));
}

} // namespace orvi::ui::controllers
