#include "controllers/items/SpectrumChartRange.h"

#include "controllers/items/PlotGeometry.h"

#include <algorithm>
#include <cmath>

namespace orvi::ui::items {
namespace {

constexpr double kMinimumStepHz = 1e-6;
constexpr double kMinimumSpanHz = 0.001;

} // namespace

void SpectrumChartRange::setLimits(double minimumHz, double maximumHz, double stepHz)
{
    m_minimum = std::isfinite(minimumHz) ? minimumHz : 0.0;
    m_maximum = std::isfinite(maximumHz) ? maximumHz : m_minimum;
    m_step = std::isfinite(stepHz) ? stepHz : 0.0;
    reset();
}

double SpectrumChartRange::step() const
{
    return std::max(kMinimumStepHz, m_step);
}

double SpectrumChartRange::fullUpper() const
{
    return std::max(m_maximum, m_minimum + kMinimumSpanHz);
}

void SpectrumChartRange::reset()
{
    m_lower = m_minimum;
    m_upper = fullUpper();
}

bool SpectrumChartRange::setView(double lower, double upper)
{
    if (!std::isfinite(lower) || !std::isfinite(upper) || lower < m_minimum || lower >= upper ||
        upper > m_maximum)
        return false;
    m_lower = lower;
    m_upper = upper;
    return true;
}

void SpectrumChartRange::show(PlotRange range)
{
    m_lower = range.lower;
    m_upper = range.upper;
}

void SpectrumChartRange::zoomAbout(double fraction, bool zoomIn)
{
    fraction = std::clamp(std::isfinite(fraction) ? fraction : 0.5, 0.0, 1.0);
    show(PlotGeometry::zoomedRange({m_lower, m_upper}, {m_minimum, fullUpper()},
                                   frequencyAt(fraction), zoomIn ? 0.8 : 1.25, 4.0 * step()));
}

void SpectrumChartRange::zoomTo(FrequencyBand band)
{
    if (!std::isfinite(band.lower) || !std::isfinite(band.upper) || band.upper <= band.lower)
        return;
    show(PlotGeometry::shiftedRange({band.lower, band.upper}, {m_minimum, fullUpper()}, 0.0));
}

double SpectrumChartRange::fractionOf(double frequencyHz) const
{
    return span() > 0.0 ? (frequencyHz - m_lower) / span() : 0.0;
}

FrequencyBand SpectrumChartRange::draftBand(double pressedHz, double currentHz) const
{
    const double half = step() / 2.0;
    const double lower = std::min(pressedHz, currentHz) - half;
    const double upper = std::max(pressedHz, currentHz) + half;
    return {std::clamp(lower, m_minimum, m_maximum), std::clamp(upper, m_minimum, m_maximum)};
}

int SpectrumChartRange::frequencyDecimals(double stepHz)
{
    const double step = std::max(kMinimumStepHz, std::isfinite(stepHz) ? stepHz : 0.0);
    return std::min(5, std::max(0, int(std::ceil(-std::log10(step))) + 1));
}

int SpectrumChartRange::nearestIndex(const std::vector<double>& frequencies, double frequencyHz)
{
    if (frequencies.empty())
        return -1;
    const auto above = std::lower_bound(frequencies.begin(), frequencies.end(), frequencyHz);
    if (above == frequencies.begin())
        return 0;
    if (above == frequencies.end())
        return int(frequencies.size()) - 1;
    const auto below = above - 1;
    // Ties go to the higher point.
    return int((frequencyHz - *below < *above - frequencyHz ? below : above) - frequencies.begin());
}

} // namespace orvi::ui::items
