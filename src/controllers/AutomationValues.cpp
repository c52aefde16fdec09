#include "controllers/AutomationValues.h"

#include "spectrum/SpectrumAnalysisLimits.h"

#include <algorithm>
#include <cmath>

namespace orvi::ui::controllers {

bool AutomationValues::isString(const QVariant& value)
{
    return value.typeId() == QMetaType::QString;
}

bool AutomationValues::isBool(const QVariant& value)
{
    return value.typeId() == QMetaType::Bool;
}

bool AutomationValues::isNumber(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

bool AutomationValues::isFinite(const QVariant& value)
{
    return isNumber(value) && std::isfinite(value.toDouble());
}

bool AutomationValues::isWholeIn(const QVariant& value, double minimum, double maximum)
{
    const double number = value.toDouble();
    return isFinite(value) && number == std::trunc(number) && number >= minimum &&
           number <= maximum;
}

bool AutomationValues::isCaptureFrameRate(double framesPerSecond)
{
    return framesPerSecond > 0.0 && framesPerSecond <= spectrum::kMaximumCaptureFrameRate;
}

QString AutomationValues::string(const QVariantMap& map, const char* key)
{
    const QVariant value = map.value(QLatin1String(key));
    return isString(value) ? value.toString() : QString();
}

bool AutomationValues::onlyFiniteNumbers(const QVariantMap& map,
                                         std::initializer_list<const char*> allowed)
{
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        const bool known = std::any_of(allowed.begin(), allowed.end(), [&](const char* key) {
            return it.key() == QLatin1String(key);
        });
        if (!known || !isFinite(it.value()))
            return false;
    }
    return true;
}

} // namespace orvi::ui::controllers
