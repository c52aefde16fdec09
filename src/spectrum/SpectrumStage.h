#pragma once

#include "records/SpectrumResult.h"
#include "spectrum/SpectrumCallbacks.h"

#include <complex>
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
// Detection reads, at every bin, the mean evidence of the 5 % of points (at least 4) that show
// the most there: enough points to steady the noise, few enough for a local vibration.
inline constexpr double kDetectionPointShare = 0.05;
inline constexpr int kDetectionMinimumPoints = 4;
// A point whose noise level (its spectrum's median) exceeds this factor times the level below
// which this share of the points lie weighs less in the aggregate, in inverse proportion.
inline constexpr double kOrdinaryNoiseShare = 0.75;
inline constexpr double kNoisyPointFactor = 2.0;
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
//
// Every point is judged against its own noise. In the aggregate spectrum a point much noisier
// than most (see kNoisyPointFactor) weighs less, in inverse proportion to its spectrum's
// median, so hundreds of noisy points cannot bury a line that a few clean ones carry;
// candidates are ordered by it, and must reach 2 % of its maximum. A bin is a candidate when
// its evidence (each point's power over that point's local background at the bin, averaged
// over the points that show the most) is a local peak standing four times above the evidence
// of the neighbouring bins; that ratio is the candidate's contrast.
//
// Candidates within a bin of a multiple of the key-frame rate (result.keyFrameInterval, when
// set and the lines lie at least ten bins apart), or of such a multiple plus or minus a
// stronger candidate's frequency (the encoder's cadence modulating a real motion), are marked
// as possible compression artefacts and never keep a real peak out of the list.
// False when the input is refused, cancellation is seen or a worker stops; the spectrum
// fields are then undefined. `isCancelled` is polled from worker threads as well, so it
// must be thread-safe. Allocation failures propagate as exceptions.
bool computeSpectrum(const std::vector<std::vector<float>>& series, double captureRate,
                     project_data::SpectrumResult& result, const CancellationCheck& isCancelled,
                     motion_core::MotionWorkerPool& pool, const ProgressCallback& progress);

// exp(-2 pi i j / fftSize) for j < fftSize / 2: the table `windowedTransform` reads.
std::vector<std::complex<double>> twiddleTable(int fftSize);

// Transform (all fftSize bins) of `count` samples with their linear trend removed, Hann
// windowed and zero-padded to the power of two `fftSize` (at least `count`); `windowSum`
// receives the window's sum. Empty when cancelled between the transform's stages.
std::vector<std::complex<double>>
windowedTransform(const float* samples, int count, int fftSize,
                  const std::vector<std::complex<double>>& twiddles, double* windowSum,
                  const CancellationCheck& isCancelled = {});

// The Hann window 0.5 - 0.5 cos(2 pi i / (count - 1)) of `count` samples (zero for one sample),
// the window every transform here applies.
std::vector<double> hannWindow(int count);

// What `windowedTransform` gives for `x` and for `y` (the same `count`, `fftSize` and
// `window`, which is hannWindow(count)), from one complex transform of x + i y split by its
// symmetry. Agrees with two separate transforms within double rounding. False when cancelled.
bool pairedWindowedTransform(const float* x, const float* y, int count, int fftSize,
                             const std::vector<std::complex<double>>& twiddles,
                             const std::vector<double>& window,
                             std::vector<std::complex<double>>& transformX,
                             std::vector<std::complex<double>>& transformY, double* windowSum,
                             const CancellationCheck& isCancelled = {});

// One-sided power spectrum (fftSize / 2 bins, bin 0 is 0) of `length` samples from `first`,
// linear trend removed, Hann windowed, zero-padded to the power of two `fftSize`. Empty when
// cancelled or when the arguments do not describe a segment inside the series.
std::vector<double> segmentPowerSpectrum(const std::vector<float>& series, int first, int length,
                                         int fftSize, const CancellationCheck& isCancelled = {});

// Upper median of the bins within 12 of `bin` (bin 0, the bin and its 2 nearest neighbours
// on each side left out), at least 1e-30.
double localBackground(const std::vector<double>& spectrum, int bin);

// localBackground of every bin (entry 0 is the floor), in one pass over the spectrum.
std::vector<double> localBackgrounds(const std::vector<double>& spectrum);

// The distance in frames between consecutive key frames (frame indices in order) when at least
// two distances were seen and three in four of them are the same; 0 otherwise.
int steadyKeyFrameInterval(const std::vector<qint64>& keyFrames);

// True when the frequency lies within the tolerance of a whole multiple (1, 2, ...) of the
// key-frame rate; false for a rate that is not above 0.
bool onKeyFrameMultiple(double frequencyHz, double keyFrameRateHz, double toleranceHz);

// The frequency of a line between bins from the peak bin `bin` and its neighbours: a parabola
// through their logarithms (a Hann window's main lobe is close to a Gaussian), at most half a
// bin from the bin's centre; the bin's centre where the neighbours do not allow it.
double interpolatedPeakHz(const std::vector<double>& spectrum, double binWidth, int bin);

// Share of the normalised spectrum (bins from 1 on) whose bin centres lie in the band; NaN
// when the band or the spectrum is unusable.
double relativeBandPower(const project_data::SpectrumResult& result, double lowerHz,
                         double upperHz);

} // namespace orvi::spectrum
