#include "spectrum/VibrationUnits.h"

#include <cmath>
#include <limits>
#include <numbers>

namespace orvi::spectrum {

namespace {

bool normalised(double value)
{
    return std::isfinite(value) && value >= 0.0 && value <= 1.0;
}

} // namespace

double millimetresPerPixel(const project_data::LengthScale& scale, const QSize& frameSize)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    if (frameSize.width() < 1 || frameSize.height() < 1 || !std::isfinite(scale.lengthMm) ||
        !(scale.lengthMm > 0.0) || !normalised(scale.first.x()) || !normalised(scale.first.y()) ||
        !normalised(scale.second.x()) || !normalised(scale.second.y()))
        return nan;
    const double pixels = std::hypot((scale.second.x() - scale.first.x()) * frameSize.width(),
                                     (scale.second.y() - scale.first.y()) * frameSize.height());
    return pixels >= 1.0 ? scale.lengthMm / pixels : nan;
}

PhysicalAmplitude physicalAmplitude(double amplitudePx, double frequencyHz, double mmPerPixel)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    if (!std::isfinite(amplitudePx) || !std::isfinite(frequencyHz) || !std::isfinite(mmPerPixel) ||
        !(frequencyHz > 0.0) || !(mmPerPixel > 0.0))
        return {nan, nan, nan};
    const double millimetres = amplitudePx * mmPerPixel;
    const double omega = 2.0 * std::numbers::pi * frequencyHz;
    return {millimetres * 1000.0, omega * millimetres / std::numbers::sqrt2,
            omega * omega * millimetres / 1000.0};
}

} // namespace orvi::spectrum
