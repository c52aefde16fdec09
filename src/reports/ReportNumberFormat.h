#pragma once

#include <QString>

namespace orvi::reports {

// Locale-independent report number: "—" when not finite, else `decimals` digits after the
// point (more for 0 < |v| < 1 so that small values keep significant digits, at most 12),
// with trailing zeros removed.
QString formatReportNumber(double value, int decimals);

} // namespace orvi::reports
