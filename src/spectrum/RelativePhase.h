#pragma once

#include "records/GridSite.h"
#include "records/RelativePhaseSample.h"
#include "spectrum/SpectrumCallbacks.h"

#include <vector>

namespace orvi::spectrum {

// Least-squares fit of offset + trend + a cos(w i) + b sin(w i) to one stretch of a series.
struct SinusoidFit
{
    double phasorRe = 0.0; // A cos(phi) of A cos(w i + phi)
    double phasorIm = 0.0; // A sin(phi)
    double fraction = 0.0; // explained share of the detrended energy, 0 ... 1
    bool ok = false;
};

// `omega` in radians per sample; the angle counts from `first`.
SinusoidFit fitSinusoid(const std::vector<float>& series, int first, int length, double omega);

// Phase of every grid site's sinusoid at `frequencyHz` relative to the reference site, on
// component X (axis 0) or Y (axis 1), over each pair's common accepted interval. Positive
// means the site leads. Empty for more than 2048 sites or on cancellation.
std::vector<project_data::RelativePhaseSample>
computeRelativePhase(const std::vector<project_data::GridSite>& sites, int referenceIndex, int axis,
                     double captureRate, double frequencyHz, const CancellationCheck& isCancelled);

} // namespace orvi::spectrum
