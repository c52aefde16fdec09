#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <initializer_list>

namespace orvi::ui::controllers {

// The JSON value checks of the automation contract on the values a request carries: a JSON
// string, boolean or number, whatever integer or floating type Qt holds it in.
class AutomationValues
{
public:
    static bool isString(const QVariant& value);
    static bool isBool(const QVariant& value);
    static bool isNumber(const QVariant& value);
    static bool isFinite(const QVariant& value);
    // A whole number within minimum ... maximum.
    static bool isWholeIn(const QVariant& value, double minimum, double maximum);
    // Above 0 and at most the highest capture rate the program accepts.
    static bool isCaptureFrameRate(double framesPerSecond);
    // The string under key; empty when it is absent or no string.
    static QString string(const QVariantMap& map, const char* key);
    // Every key is one of `allowed` and holds a finite number.
    static bool onlyFiniteNumbers(const QVariantMap& map,
                                  std::initializer_list<const char*> allowed);
};

} // namespace orvi::ui::controllers
