#pragma once

#include "records/SpectrumResult.h"

namespace orvi::spectrum {

// The camera's motion in pixels (x and y) at which a line of its spectrum counts as present.
inline constexpr double kCameraLineFloorPx = 0.01;

// With camera motion compensation: the power spectrum of the camera's displacement on the
// result's bins (stored in the result's camera motion record), and the "camera motion" mark
// on every candidate whose line also stands out in it (at its bin or a neighbour, four times
// its local background, at least kCameraLineFloorPx and at least half the candidate's own
// amplitude). Nothing happens without compensation or without a spectrum.
void markCameraMotionLines(project_data::SpectrumResult& result);

} // namespace orvi::spectrum
