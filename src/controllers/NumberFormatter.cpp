#include "controllers/NumberFormatter.h"

#include <algorithm>
#include <cmath>

namespace orvi::ui::controllers {

namespace {

const QString kNoValue = QStringLiteral("—");

} // namespace

QString NumberFormatter::fixed(double value, int decimals) const
{
    return fixedText(QLocale(), value, decimals);
}

int NumberFormatter::significantDecimals(double value, int digits, int maximumDecimals) const
{
    return significantDecimalsFor(value, digits, maximumDecimals);
}

QString NumberFormatter::significant(double value, int digits) const
{
    if (!std::isfinite(value))
        return kNoValue;
    if (value == 0.0)
        return QStringLiteral("0");
    return fixed(value, significantDecimalsFor(value, digits, 12));
}

QString NumberFormatter::frequency(double hz, double stepHz) const
{
    return fixed(hz, frequencyDecimalsFor(stepHz));
}

QLocale NumberFormatter::plainSystemLocale()
{
    QLocale locale = QLocale::system();
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale;
}

QString NumberFormatter::fixedText(const QLocale& locale, double value, int decimals)
{
    return locale.toString(value, 'f', decimals);
}

// One decimal finer than the bin width, as the views show frequencies.
int NumberFormatter::frequencyDecimalsFor(double stepHz)
{
    return std::clamp(int(std::ceil(-std::log10(std::max(1e-6, stepHz)))) + 1, 0, 5);
}

int NumberFormatter::significantDecimalsFor(double value, int digits, int maximumDecimals)
{
    const int magnitude = int(std::floor(std::log10(std::max(std::abs(value), 1e-12))));
    return std::clamp(digits - 1 - magnitude, 0, std::max(0, maximumDecimals));
}

QString NumberFormatter::trimmed(const QLocale& locale, double value, int digits)
{
    if (!std::isfinite(value))
        return kNoValue;
    if (value == 0.0)
        return QStringLiteral("0");
    const int decimals = significantDecimalsFor(value, digits, 12);
    QString text = fixedText(locale, value, decimals);
    const QString point = locale.decimalPoint();
    if (decimals > 0 && text.contains(point)) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(point))
            text.chop(point.size());
    }
    return text;
}

} // namespace orvi::ui::controllers
