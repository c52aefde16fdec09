#pragma once

#include <QString>

namespace orvi::reports {

// Locale-independent report number: "—" when not finite, else `decimals` digits after the
// point (more for 0 < |v| < 1 so that small values keep significant digits, at most 12),
// with trailing zeros removed.
QString formatReportNumber(double value, int decimals);

// Decimals of a spectral line's frequency, the same in every table, heading and figure.
inline constexpr int kLineFrequencyDecimals = 3;

} // namespace orvi::reports
