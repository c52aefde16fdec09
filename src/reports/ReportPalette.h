#pragma once

#include <QColor>

namespace orvi::reports {

constexpr double kColorFloor = 0.0001;

// Five-stop band power palette, t limited to 0 ... 1.
QColor bandPowerColor(double t);
// Colour position of a normalised band power value (limited to 0 ... 1).
double bandPowerColorPosition(double value, bool logarithmic);
// Cyclic hue of a relative phase in degrees.
QColor phaseColor(double degrees);

} // namespace orvi::reports
