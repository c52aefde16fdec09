#pragma once

#include <QtGlobal>
#include <cmath>

namespace orvi::ui::controllers {

// Nearest whole number of a non-negative quantity (frames, microseconds); 0 when the value
// is not finite, negative or beyond a signed 64-bit count, so that a wild entry never turns
// into undefined arithmetic.
inline qint64 roundedCount(double value)
{
    if (!std::isfinite(value) || value < 0.0 || value >= 9223372036854775807.0)
        return 0;
    return qint64(std::llround(value));
}

// The same for the next whole number upwards.
inline qint64 ceiledCount(double value)
{
    return roundedCount(std::ceil(value));
}

} // namespace orvi::ui::controllers
