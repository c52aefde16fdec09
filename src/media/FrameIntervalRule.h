#pragma once

#include <cstddef>
#include <vector>

namespace orvi::media {

// Decides how far a run of frame intervals keeps to a uniform time grid. An interval is
// uniform when it lies within 2 % of the median interval (at least 0.1 ms). Containers that
// store times in coarse ticks (1 ms in Matroska and WebM) round a constant rate to two
// neighbouring values, 33 and 34 ms at 30 fps or 4 and 5 ms at 240 fps; an interval within
// one tick of the nominal interval is therefore uniform too, as long as the mean interval of
// the run stays on the nominal grid (so a real change of rate is not hidden by the ticks).
class FrameIntervalRule
{
public:
    // `intervals` in seconds, each finite and > 0; `nominalFrameRate` 0 when unknown;
    // `tickSeconds` is the time base of the timestamps.
    FrameIntervalRule(std::vector<double> intervals, double nominalFrameRate, double tickSeconds);

    // The smallest k such that the intervals from k on are all uniform: 0 when the whole run
    // is uniform, the interval count when even the last one is not.
    std::size_t uniformTailStart() const;

private:
    std::size_t scanFromEnd(bool allowTickRounding) const;
    bool isNearMedian(double interval) const;
    bool isTickRounding(double interval) const;
    bool isMeanOnGrid(std::size_t first) const;

    std::vector<double> m_intervals;
    double m_median = 0.0;
    double m_tolerance = 0.0;
    double m_nominalInterval = 0.0;
    double m_tick = 0.0;
};

} // namespace orvi::media
