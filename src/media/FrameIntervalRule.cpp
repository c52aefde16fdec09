#include "media/FrameIntervalRule.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace orvi::media {

namespace {

constexpr double kRelativeTolerance = 0.02;
constexpr double kMinimumToleranceSeconds = 0.0001;

double toleranceFor(double interval)
{
    return std::max(kRelativeTolerance * interval, kMinimumToleranceSeconds);
}

} // namespace

FrameIntervalRule::FrameIntervalRule(std::vector<double> intervals, double nominalFrameRate,
                                     double tickSeconds)
    : m_intervals(std::move(intervals))
{
    if (!m_intervals.empty()) {
        std::vector<double> ordered = m_intervals;
        const auto middle = ordered.begin() + std::ptrdiff_t(ordered.size() / 2);
        std::nth_element(ordered.begin(), middle, ordered.end());
        m_median = *middle;
    }
    m_tolerance = toleranceFor(m_median);
    if (std::isfinite(nominalFrameRate) && nominalFrameRate > 0.0)
        m_nominalInterval = 1.0 / nominalFrameRate;
    if (std::isfinite(tickSeconds) && tickSeconds > 0.0)
        m_tick = tickSeconds;
}

std::size_t FrameIntervalRule::uniformTailStart() const
{
    const std::size_t strict = scanFromEnd(false);
    if (strict == 0 || m_nominalInterval <= 0.0 || m_tick <= 0.0)
        return strict;
    const std::size_t rounded = scanFromEnd(true);
    return rounded < strict && isMeanOnGrid(rounded) ? rounded : strict;
}

std::size_t FrameIntervalRule::scanFromEnd(bool allowTickRounding) const
{
    std::size_t k = m_intervals.size();
    while (k > 0 && (isNearMedian(m_intervals[k - 1]) ||
                     (allowTickRounding && isTickRounding(m_intervals[k - 1]))))
        --k;
    return k;
}

bool FrameIntervalRule::isNearMedian(double interval) const
{
    return std::abs(interval - m_median) <= m_tolerance;
}

bool FrameIntervalRule::isTickRounding(double interval) const
{
    // Timestamps rounded to the tick move each end of an interval by at most half a tick.
    return std::abs(interval - m_nominalInterval) <= m_tick * (1.0 + 1e-9);
}

bool FrameIntervalRule::isMeanOnGrid(std::size_t first) const
{
    const std::size_t count = m_intervals.size() - first;
    if (count == 0)
        return false;
    const double sum =
        std::accumulate(m_intervals.begin() + std::ptrdiff_t(first), m_intervals.end(), 0.0);
    return std::abs(sum / double(count) - m_nominalInterval) <= toleranceFor(m_nominalInterval);
}

} // namespace orvi::media
