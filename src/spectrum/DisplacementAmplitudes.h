#pragma once

#include "records/GridSite.h"
#include "records/PointAmplitude.h"
#include "records/SpectrumResult.h"
#include "spectrum/SpectrumCallbacks.h"

#include <vector>

namespace orvi::motion_core {
class MotionWorkerPool;
}

namespace orvi::spectrum {

// Vibration amplitudes in pixels of the source frame, from the cell displacements that the
// extraction followed beside the phase (GridSite::displacementSeriesX/Y).
//
// For every candidate of a finished spectrum stage: the frequency is refined between bins
// (peak interpolation on the aggregate spectrum, then the phase progression between the two
// halves of each carrying point's segment); at that frequency every accepted point's
// displacement over its accepted segment, detrended, is projected on a Hann-weighted sinusoid,
// which gives the peak amplitude and phase of x and y and of the motion along its major axis.
// Each amplitude carries a standard error from the point's own displacement noise along that
// axis next to the frequency (a cell whose gradients are weak or run one way amplifies its
// noise along the weak direction, and shows it there), and is reliable when that error is at
// most half of it and its swing stays inside the cell. A candidate's headline is the median,
// with its quartiles, over the reliable points that carry its line (whose phase spectrum shows
// it); the strongest of those points keeps its amplitude spectrum. A point whose displacement
// is not finite over its segment gets NaN. A sinusoid needs about two periods in a segment for
// a faithful amplitude. The points are measured on `pool` when one is given. False when
// cancelled; the amplitudes are then incomplete.
bool measureDisplacementAmplitudes(project_data::SpectrumResult& result,
                                   const CancellationCheck& isCancelled,
                                   motion_core::MotionWorkerPool* pool = nullptr);

// A site's displacement at one frequency over its accepted segment (NaN fields when it has
// no finite displacement there).
project_data::PointAmplitude pointAmplitude(const project_data::GridSite& site, double captureRate,
                                            double frequencyHz);

// Peak displacement amplitude per bin, x and y combined, of a site's accepted segment
// (detrended, Hann window, zero-padded to the power of two `fftSize`; fftSize / 2 bins). A
// sinusoid between two bins reads up to 15 % low. Empty when the site has no finite
// displacement over its segment or the segment does not fit `fftSize`.
std::vector<double> displacementAmplitudeSpectrum(const project_data::GridSite& site, int fftSize);

} // namespace orvi::spectrum
