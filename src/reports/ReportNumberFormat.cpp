#include "reports/ReportNumberFormat.h"

#include <algorithm>
#include <cmath>

namespace orvi::reports {

QString formatReportNumber(double value, int decimals)
{
    if (!std::isfinite(value))
        return QStringLiteral("\u2014");
    int digits = std::max(decimals, 0);
    const double magnitude = std::abs(value);
    if (magnitude > 0.0 && magnitude < 1.0)
        digits = std::max(digits, digits - int(std::floor(std::log10(magnitude))) - 1);
    digits = std::min(digits, 12);
    QString text = QString::number(value, 'f', digits);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    if (text == QLatin1String("-0"))
        text = QStringLiteral("0");
    return text;
}

} // namespace orvi::reports
