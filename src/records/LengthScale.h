#pragma once

#include <QPointF>

namespace orvi::project_data {

// A known length on the frame: two points normalised to the upright frame and the distance
// between them in millimetres. Without one, amplitudes stay in pixels.
struct LengthScale
{
    QPointF first;
    QPointF second;
    double lengthMm = 0.0;

    // Anything entered at all; whether it is usable is the spectrum analysis' judgement.
    bool isSet() const { return lengthMm != 0.0 || !first.isNull() || !second.isNull(); }
};

} // namespace orvi::project_data
