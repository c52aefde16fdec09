#pragma once

#include "records/LengthScale.h"

#include <QSize>

namespace orvi::spectrum {

// A sinusoidal vibration of known displacement amplitude in physical units.
struct PhysicalAmplitude
{
    double displacementUm = 0.0;               // peak
    double velocityMmPerSecondRms = 0.0;       // RMS of the velocity along the motion
    double accelerationMetresPerSecond2 = 0.0; // peak
};

// Millimetres per source pixel of a length scale on a frame of `frameSize` (square pixels),
// or NaN when the scale is unusable: a coordinate outside 0 ... 1 or not finite, a length not
// above 0, or points less than one pixel apart.
double millimetresPerPixel(const project_data::LengthScale& scale, const QSize& frameSize);

// For x(t) = A sin(2 pi f t) with A = amplitudePx * mmPerPixel: displacement A (in um),
// velocity 2 pi f A / sqrt(2) (RMS, mm/s), acceleration (2 pi f)^2 A (peak, in m/s^2).
// NaN fields when any input is not finite or the frequency or the scale is not above 0.
PhysicalAmplitude physicalAmplitude(double amplitudePx, double frequencyHz, double mmPerPixel);

} // namespace orvi::spectrum
