#include "reports/ReportPalette.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace orvi::reports {

QColor bandPowerColor(double t)
{
    static constexpr std::array<std::array<double, 3>, 5> stops{
        {{68, 1, 84}, {59, 82, 139}, {33, 145, 140}, {94, 201, 98}, {253, 231, 37}}};
    if (!std::isfinite(t))
        t = 0.0;
    const double position = std::clamp(t, 0.0, 1.0) * (stops.size() - 1);
    const auto lower = std::min<std::size_t>(std::size_t(position), stops.size() - 2);
    const double f = position - double(lower);
    auto channel = [&](int c) {
        return int(std::lround(stops[lower][c] + (stops[lower + 1][c] - stops[lower][c]) * f));
    };
    return QColor(channel(0), channel(1), channel(2));
}

double bandPowerColorPosition(double value, bool logarithmic)
{
    const double v = std::isfinite(value) ? std::clamp(value, 0.0, 1.0) : 0.0;
    if (!logarithmic)
        return v;
    return (std::log10(std::max(v, kColorFloor)) + 4.0) * 0.25;
}

QColor phaseColor(double degrees)
{
    double hue = std::fmod((degrees + 180.0) / 360.0, 1.0);
    if (hue < 0.0)
        hue += 1.0;
    if (!std::isfinite(hue))
        hue = 0.0;
    return QColor::fromHsvF(float(hue), 0.8f, 0.95f, 1.0f);
}

} // namespace orvi::reports
