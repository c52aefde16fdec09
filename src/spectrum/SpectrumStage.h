#pragma once

#include "records/SpectrumResult.h"
#include "spectrum/SpectrumCallbacks.h"

#include <vector>

namespace orvi::motion_core {
class MotionWorkerPool;
}

namespace orvi::spectrum {

inline constexpr int kMaximumSeries = 4096; // X and Y of at most 2048 points
inline constexpr int kMinimumSeriesSamples = 64;
inline constexpr int kMaximumSeriesSamples = 65536;
inline constexpr qint64 kMaximumTotalSamples = 16777216;  // 2^24 over all series
inline constexpr qint64 kBatchWorkingSetBytes = 67108864; // 2^26, counted as N * 64 a point
inline constexpr int kMaximumCandidates = 20;
inline constexpr double kPeakFloor = 0.02; // of the aggregate maximum
inline constexpr double kPeakToBackground = 4.0;
inline constexpr int kBackgroundHalfWindow = 12; // bins on either side
inline constexpr int kBackgroundGuardBins = 2;   // nearest neighbours left out
inline constexpr double kBackgroundFloor = 1e-30;
inline constexpr double kSilentSpectrum = 1e-12;
inline constexpr double kSupportFloor = 1e-12;
inline constexpr int kCandidateSeparationBins = 3;
inline constexpr int kStabilityMinimumSamples = 128;
inline constexpr double kStabilityMinimumPeriods = 4.0;
// Key-frame distances seen before a cadence counts as steady.
inline constexpr int kSteadyKeyFrameIntervals = 2;
// Bins between key-frame lines below which candidates are not marked.
inline constexpr double kKeyFrameLineMinimumBins = 10.0;

// The spectrum stage of an analysis run. `series` holds two float segments per accepted
// point (X then Y) in the order of result.acceptedSignals. Fills each signal's power
// spectrum and background and the result's spectrum, candidates and summary figures.
// Candidates within a bin of a multiple of the key-frame rate (result.keyFrameInterval, when
// set and the lines lie at least ten bins apart) are marked as possible compression artefacts
// and never keep a real peak out of the list.
// False when the input is refused, cancellation is seen or a worker stops; the spectrum
// fields are then undefined. `isCancelled` is polled from worker threads as well, so it
// must be thread-safe. Allocation failures propagate as exceptions.
bool computeSpectrum(const std::vector<std::vector<float>>& series, double captureRate,
                     project_data::SpectrumResult& result, const CancellationCheck& isCancelled,
                     motion_core::MotionWorkerPool& pool, const ProgressCallback& progress);

// One-sided power spectrum (fftSize / 2 bins, bin 0 is 0) of `length` samples from `first`,
// linear trend removed, Hann windowed, zero-padded to the power of two `fftSize`. Empty when
// cancelled or when the arguments do not describe a segment inside the series.
std::vector<double> segmentPowerSpectrum(const std::vector<float>& series, int first, int length,
                                         int fftSize, const CancellationCheck& isCancelled = {});

// Upper median of the bins within 12 of `bin` (bin 0, the bin and its 2 nearest neighbours
// on each side left out), at least 1e-30.
double localBackground(const std::vector<double>& spectrum, int bin);

// The distance in frames between consecutive key frames (frame indices in order) when at least
// two distances were seen and three in four of them are the same; 0 otherwise.
int steadyKeyFrameInterval(const std::vector<qint64>& keyFrames);

// True when the frequency lies within the tolerance of a whole multiple (1, 2, ...) of the
// key-frame rate; false for a rate that is not above 0.
bool onKeyFrameMultiple(double frequencyHz, double keyFrameRateHz, double toleranceHz);

// Share of the normalised spectrum (bins from 1 on) whose bin centres lie in the band; NaN
// when the band or the spectrum is unusable.
double relativeBandPower(const project_data::SpectrumResult& result, double lowerHz,
                         double upperHz);

} // namespace orvi::spectrum
