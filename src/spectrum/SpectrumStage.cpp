#include "spectrum/SpectrumStage.h"

#include "motion/MotionWorkerPool.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <complex>
#include <functional>
#include <limits>
#include <map>
#include <numbers>
#include <set>

namespace orvi::spectrum {

using Complex = std::complex<double>;

std::vector<Complex> twiddleTable(int size)
{
    std::vector<Complex> twiddles(static_cast<size_t>(std::max(size / 2, 1)));
    for (int j = 0; j < size / 2; ++j) {
        const double angle = -2.0 * std::numbers::pi * j / size;
        twiddles[size_t(j)] = Complex(std::cos(angle), std::sin(angle));
    }
    return twiddles;
}

namespace {

int nextPowerOfTwo(int value)
{
    int size = 1;
    while (size < value)
        size <<= 1;
    return size;
}

bool isPowerOfTwo(int value)
{
    return value > 0 && (value & (value - 1)) == 0;
}

// The product of two finite complex numbers, without the library's checks for infinities.
inline Complex multiply(const Complex& a, const Complex& b)
{
    return Complex(a.real() * b.real() - a.imag() * b.imag(),
                   a.real() * b.imag() + a.imag() * b.real());
}

// In-place radix-2 forward transform; false when cancelled between stages.
bool forwardFft(std::vector<Complex>& data, const std::vector<Complex>& twiddles,
                const CancellationCheck& isCancelled)
{
    const int size = int(data.size());
    for (int i = 1, j = 0; i < size; ++i) {
        int bit = size >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(data[size_t(i)], data[size_t(j)]);
    }
    for (int length = 2; length <= size; length <<= 1) {
        if (isCancelled && isCancelled())
            return false;
        const int half = length / 2;
        const int stride = size / length;
        for (int start = 0; start < size; start += length) {
            Complex* lowHalf = data.data() + start;
            Complex* highHalf = lowHalf + half;
            for (int j = 0; j < half; ++j) {
                const Complex product = multiply(highHalf[j], twiddles[size_t(j) * size_t(stride)]);
                highHalf[j] = lowHalf[j] - product;
                lowHalf[j] += product;
            }
        }
    }
    return true;
}

// Windowed, detrended samples (see windowedTransform) into every `stride`-th double of `out`;
// returns the window's sum.
double fillDetrended(const float* samples, int count, const std::vector<double>& window,
                     double* out, int stride)
{
    const double centre = (count - 1) * 0.5;
    double sum = 0.0;
    double weighted = 0.0;
    double spread = 0.0;
    for (int i = 0; i < count; ++i) {
        const double offset = i - centre;
        sum += samples[i];
        weighted += offset * samples[i];
        spread += offset * offset;
    }
    const double mean = sum / count;
    const double slope = spread > 0.0 ? weighted / spread : 0.0;
    double windows = 0.0;
    for (int i = 0; i < count; ++i) {
        windows += window[size_t(i)];
        out[size_t(i) * size_t(stride)] =
            (samples[i] - mean - slope * (i - centre)) * window[size_t(i)];
    }
    return windows;
}

// One-sided power (fftSize / 2 bins, bin 0 is 0) from a transform's squared magnitude at each
// bin, scaled by a Hann window of the given sum.
template <typename BinPower>
std::vector<double> oneSidedPower(int fftSize, double windowSum, const BinPower& binPower)
{
    std::vector<double> power(size_t(fftSize / 2), 0.0);
    if (windowSum <= 0.0)
        return power;
    const double scale = 2.0 / (windowSum * windowSum);
    for (int k = 1; k < fftSize / 2; ++k)
        power[size_t(k)] = binPower(k) * scale;
    return power;
}

// Transform of x + i y (all fftSize bins); false when cancelled.
bool packedTransform(const float* x, const float* y, int count,
                     const std::vector<Complex>& twiddles, const std::vector<double>& window,
                     std::vector<Complex>& data, double* windowSum,
                     const CancellationCheck& isCancelled)
{
    std::fill(data.begin(), data.end(), Complex(0.0, 0.0));
    // std::complex is laid out as two doubles, real part first.
    double* parts = reinterpret_cast<double*>(data.data());
    *windowSum = fillDetrended(x, count, window, parts, 2);
    fillDetrended(y, count, window, parts + 1, 2);
    return forwardFft(data, twiddles, isCancelled);
}

// One-sided power spectrum of x plus that of y (fftSize / 2 bins, bin 0 is 0), each linear
// trend removed, Hann windowed and zero-padded. With Z the transform of x + i y,
// |X_k|^2 + |Y_k|^2 = (|Z_k|^2 + |Z_(N-k)|^2) / 2. Empty when cancelled.
std::vector<double> pairedPowerSpectrum(const float* x, const float* y, int count, int fftSize,
                                        const std::vector<Complex>& twiddles,
                                        const std::vector<double>& window,
                                        const CancellationCheck& isCancelled)
{
    std::vector<Complex> data(static_cast<size_t>(fftSize));
    double windowSum = 0.0;
    if (!packedTransform(x, y, count, twiddles, window, data, &windowSum, isCancelled))
        return {};
    return oneSidedPower(fftSize, windowSum, [&](int k) {
        return 0.5 * (std::norm(data[size_t(k)]) + std::norm(data[size_t(fftSize - k)]));
    });
}

// The Hann window of the last length asked for, kept while lengths repeat.
class WindowCache
{
public:
    const std::vector<double>& of(int count)
    {
        if (count != m_count) {
            m_count = count;
            m_window = hannWindow(count);
        }
        return m_window;
    }

private:
    int m_count = -1;
    std::vector<double> m_window;
};

double upperMedian(std::vector<double> values)
{
    const auto middle = values.begin() + std::ptrdiff_t(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return std::max(*middle, kBackgroundFloor);
}

// Work of one point, kept until the batch is summed in point order.
struct PointHalves
{
    std::vector<double> first;  // X + Y, first half of the segment
    std::vector<double> second; // X + Y, second half
    // Power of every bin over the point's own local background at that bin.
    std::vector<float> evidence;
};

struct Sizes
{
    int points = 0;
    int maxLength = 0;
    int minLength = 0;
    int fftSize = 0;  // N
    int halfSize = 0; // Nh
};

bool checkInput(const std::vector<std::vector<float>>& series, double captureRate,
                const project_data::SpectrumResult& result, const CancellationCheck& isCancelled,
                Sizes& sizes)
{
    if (series.empty() || series.size() % 2 != 0 || series.size() > size_t(kMaximumSeries))
        return false;
    if (!std::isfinite(captureRate) || captureRate <= 0.0)
        return false;
    if (result.acceptedSignals.size() != series.size() / 2)
        return false;
    qint64 total = 0;
    sizes.maxLength = 0;
    sizes.minLength = kMaximumSeriesSamples;
    for (size_t index = 0; index < series.size(); ++index) {
        if (isCancelled && isCancelled())
            return false;
        const std::vector<float>& samples = series[index];
        const int length = int(std::min(samples.size(), size_t(kMaximumSeriesSamples + 1)));
        if (length < kMinimumSeriesSamples || length > kMaximumSeriesSamples)
            return false;
        total += length;
        if (total > kMaximumTotalSamples)
            return false;
        if (!std::all_of(samples.begin(), samples.end(), [](float v) { return std::isfinite(v); }))
            return false;
        if (index % 2 == 1 && samples.size() != series[index - 1].size())
            return false;
        sizes.maxLength = std::max(sizes.maxLength, length);
        sizes.minLength = std::min(sizes.minLength, length);
    }
    sizes.points = int(series.size() / 2);
    sizes.fftSize = nextPowerOfTwo(sizes.maxLength);
    sizes.halfSize = nextPowerOfTwo(sizes.maxLength / 2);
    return true;
}

// Peaks of the detection statistic from the lowest bin with two periods in the shortest
// segment, strongest first by the aggregate. False when cancelled.
bool detectPeaks(const std::vector<double>& detection, const std::vector<double>& aggregate,
                 const Sizes& sizes, const CancellationCheck& isCancelled, std::vector<int>& peaks)
{
    const double maximum = *std::max_element(aggregate.begin(), aggregate.end());
    const int bins = int(detection.size());
    const int lowest = std::max(int(std::ceil(2.0 * sizes.fftSize / double(sizes.minLength))), 2);
    for (int k = lowest; k + 1 < bins; ++k) {
        if (k % 256 == 0 && isCancelled && isCancelled())
            return false;
        const double value = detection[size_t(k)];
        if (value > detection[size_t(k - 1)] && value >= detection[size_t(k + 1)] &&
            aggregate[size_t(k)] >= kPeakFloor * maximum &&
            value >= kPeakToBackground * localBackground(detection, k))
            peaks.push_back(k);
    }
    std::stable_sort(peaks.begin(), peaks.end(), [&aggregate](int a, int b) {
        return aggregate[size_t(a)] > aggregate[size_t(b)];
    });
    return true;
}

// Peaks in order of power, at least 3 bins apart, at most 20. A possible compression artefact
// never keeps a real peak out: once the list is full, a later real peak takes the place of
// the weakest artefact in it.
std::vector<int> selectPeaks(const std::vector<int>& peaks,
                             const std::function<bool(int)>& isArtefact, bool& unresolved)
{
    std::vector<int> selected;
    const auto tooClose = [&selected](int peak) {
        return std::any_of(selected.begin(), selected.end(), [peak](int other) {
            return std::abs(peak - other) < kCandidateSeparationBins;
        });
    };
    for (int peak : peaks) {
        const bool full = int(selected.size()) >= kMaximumCandidates;
        auto weakestArtefact = selected.rend();
        if (full) {
            weakestArtefact = std::find_if(selected.rbegin(), selected.rend(), isArtefact);
            if (weakestArtefact == selected.rend())
                break;
            if (isArtefact(peak))
                continue;
        }
        if (tooClose(peak)) {
            unresolved = true;
            continue;
        }
        if (full)
            selected.erase(std::next(weakestArtefact).base());
        selected.push_back(peak);
    }
    return selected;
}

double spatialSupport(const std::vector<project_data::AcceptedSignal>& pointSignals, int bin)
{
    int supporting = 0;
    for (const project_data::AcceptedSignal& signal : pointSignals) {
        const double power = signal.powerSpectrum[size_t(bin)];
        if (power >= kPeakToBackground * localBackground(signal.powerSpectrum, bin) &&
            power > kSupportFloor)
            ++supporting;
    }
    return pointSignals.empty() ? 0.0 : double(supporting) / double(pointSignals.size());
}

// 0.5 for each half-fragment aggregate that shows a local peak near the frequency.
double halfStability(const std::vector<std::vector<double>>& halves, int halfSize, double frequency,
                     double captureRate)
{
    const int bins = halfSize / 2;
    if (bins < 3)
        return 0.0;
    const int expected = int(std::llround(halfSize * frequency / captureRate));
    double stability = 0.0;
    for (const std::vector<double>& half : halves) {
        const int start = std::clamp(expected, 1, bins - 2);
        int best = start;
        for (int j = std::max(1, start - 1); j <= std::min(expected + 1, bins - 2); ++j) {
            if (half[size_t(j)] > half[size_t(best)])
                best = j;
        }
        const double value = half[size_t(best)];
        if (value >= kPeakToBackground * localBackground(half, best) &&
            value >= half[size_t(best - 1)] && value >= half[size_t(best + 1)])
            stability += 0.5;
    }
    return stability;
}

// Shared read-only state of one stage: sizes and the transform tables of both FFT sizes.
struct StagePlan
{
    Sizes sizes;
    std::vector<Complex> fullTwiddles;
    std::vector<Complex> halfTwiddles;
};

// Spectra of one point: its power spectrum and background go into `signal`, the X + Y
// half-segment spectra into `halves`. False when cancelled.
bool analysePoint(const std::vector<float>& seriesX, const std::vector<float>& seriesY,
                  const StagePlan& plan, const CancellationCheck& isCancelled,
                  WindowCache windows[2], project_data::AcceptedSignal& signal, PointHalves& halves)
{
    const Sizes& sizes = plan.sizes;
    const int length = int(seriesX.size());
    const int half = length / 2;
    const float* x = seriesX.data();
    const float* y = seriesY.data();
    const std::vector<double> full = pairedPowerSpectrum(
        x, y, length, sizes.fftSize, plan.fullTwiddles, windows[0].of(length), isCancelled);
    const std::vector<double>& halfWindow = windows[1].of(half);
    const std::vector<double> parts[2] = {
        pairedPowerSpectrum(x, y, half, sizes.halfSize, plan.halfTwiddles, halfWindow, isCancelled),
        pairedPowerSpectrum(x + (length - half), y + (length - half), half, sizes.halfSize,
                            plan.halfTwiddles, halfWindow, isCancelled)};
    if (full.empty() || parts[0].empty() || parts[1].empty())
        return false;
    const int bins = sizes.fftSize / 2;
    signal.powerSpectrum.assign(size_t(bins), 0.0);
    for (int k = 1; k < bins; ++k)
        signal.powerSpectrum[size_t(k)] = full[size_t(k)];
    signal.localBackground = upperMedian(signal.powerSpectrum);
    halves.evidence.assign(size_t(bins), 0.0f);
    const std::vector<double> backgrounds = localBackgrounds(signal.powerSpectrum);
    for (int k = 1; k < bins; ++k)
        halves.evidence[size_t(k)] =
            float(signal.powerSpectrum[size_t(k)] / backgrounds[size_t(k)]);
    const int halfBins = sizes.halfSize / 2;
    halves.first.assign(size_t(halfBins), 0.0);
    halves.second.assign(size_t(halfBins), 0.0);
    for (int k = 1; k < halfBins; ++k) {
        halves.first[size_t(k)] = parts[0][size_t(k)];
        halves.second[size_t(k)] = parts[1][size_t(k)];
    }
    return true;
}

// The strongest evidence of the points at every bin: a bounded min-heap per bin. Its contents
// do not depend on the order in which the points arrive.
class StrongestEvidence
{
public:
    void reset(int bins, int kept)
    {
        m_kept = std::max(kept, 1);
        m_heaps.assign(size_t(bins), {});
    }

    void add(const std::vector<float>& evidence)
    {
        for (size_t k = 1; k < evidence.size() && k < m_heaps.size(); ++k) {
            std::vector<float>& heap = m_heaps[k];
            if (int(heap.size()) < m_kept) {
                heap.push_back(evidence[k]);
                std::push_heap(heap.begin(), heap.end(), std::greater<float>());
            } else if (evidence[k] > heap.front()) {
                std::pop_heap(heap.begin(), heap.end(), std::greater<float>());
                heap.back() = evidence[k];
                std::push_heap(heap.begin(), heap.end(), std::greater<float>());
            }
        }
    }

    // Mean of the kept values of every bin, summed in ascending order.
    std::vector<double> means()
    {
        std::vector<double> mean(m_heaps.size(), 0.0);
        for (size_t k = 1; k < m_heaps.size(); ++k) {
            std::vector<float>& heap = m_heaps[k];
            std::sort(heap.begin(), heap.end());
            double sum = 0.0;
            for (float value : heap)
                sum += value;
            mean[k] = heap.empty() ? 0.0 : sum / double(heap.size());
        }
        return mean;
    }

private:
    int m_kept = 1;
    std::vector<std::vector<float>> m_heaps;
};

// Aggregates of all points and of the two fragment halves, summed in point order.
struct Aggregates
{
    std::vector<double> full;
    std::vector<std::vector<double>> halves;
    // Detection statistic: at every bin, the mean evidence of the points that show the most.
    std::vector<double> detection;
    double rawMaximum = 0.0; // of the unweighted sum of the points' spectra
};

// Runs the points batch by batch on the pool. False when cancelled or a worker stopped.
bool aggregatePoints(const std::vector<std::vector<float>>& series, const StagePlan& plan,
                     project_data::SpectrumResult& result, const CancellationCheck& isCancelled,
                     motion_core::MotionWorkerPool& pool, const ProgressCallback& progress,
                     Aggregates& aggregates)
{
    const Sizes& sizes = plan.sizes;
    const int bins = sizes.fftSize / 2;
    const int halfBins = sizes.halfSize / 2;
    aggregates.full.assign(size_t(bins), 0.0);
    aggregates.halves.assign(2, std::vector<double>(size_t(halfBins), 0.0));
    StrongestEvidence strongest;
    std::vector<double> raw(size_t(bins), 0.0);
    strongest.reset(bins, std::max(kDetectionMinimumPoints,
                                   int(std::lround(kDetectionPointShare * sizes.points))));
    const qint64 pointsPerBudget =
        std::max<qint64>(1, kBatchWorkingSetBytes / (qint64(sizes.fftSize) * 64));
    const int batchSize =
        int(std::min<qint64>({qint64(sizes.points), qint64(pool.workerCount()), pointsPerBudget}));
    std::vector<PointHalves> halves(static_cast<size_t>(batchSize));
    std::atomic<bool> stop{false};

    for (int batchStart = 0; batchStart < sizes.points; batchStart += batchSize) {
        if (isCancelled && isCancelled())
            return false;
        const int count = std::min(batchSize, sizes.points - batchStart);
        motion_core::runParallel(pool, count, qint64(sizes.fftSize) * 32, [&](int begin, int end) {
            WindowCache windows[2];
            for (int i = begin; i < end; ++i) {
                const int point = batchStart + i;
                if (stop.load() || (isCancelled && isCancelled()) ||
                    !analysePoint(series[size_t(2 * point)], series[size_t(2 * point + 1)], plan,
                                  isCancelled, windows, result.acceptedSignals[size_t(point)],
                                  halves[size_t(i)])) {
                    stop.store(true);
                    return;
                }
            }
        });
        if (stop.load() || (isCancelled && isCancelled()))
            return false;
        // Summed on this thread in point order, so the split never changes a sum.
        for (int i = 0; i < count; ++i) {
            const std::vector<double>& power =
                result.acceptedSignals[size_t(batchStart + i)].powerSpectrum;
            for (int k = 1; k < bins; ++k)
                raw[size_t(k)] += power[size_t(k)];
            for (int k = 1; k < halfBins; ++k) {
                aggregates.halves[0][size_t(k)] += halves[size_t(i)].first[size_t(k)];
                aggregates.halves[1][size_t(k)] += halves[size_t(i)].second[size_t(k)];
            }
            strongest.add(halves[size_t(i)].evidence);
        }
        const int done = batchStart + count;
        if (progress && (done / 16 > batchStart / 16 || done == sizes.points))
            progress(double(done) / sizes.points);
    }
    aggregates.detection = strongest.means();
    aggregates.rawMaximum = *std::max_element(raw.begin(), raw.end());
    // Points more than twice as noisy as three in four of them weigh less, by their noise
    // level: hundreds of noisy points then cannot bury a line that clean ones carry, while the
    // others count by their power alone (in a clean video a larger motion brings more
    // sampling noise, and must not lose its rank for it).
    std::vector<double> levels;
    levels.reserve(result.acceptedSignals.size());
    for (const project_data::AcceptedSignal& signal : result.acceptedSignals)
        levels.push_back(signal.localBackground);
    std::sort(levels.begin(), levels.end());
    const double ordinary = levels[std::min(
        levels.size() - 1, size_t(std::floor(kOrdinaryNoiseShare * double(levels.size()))))];
    for (const project_data::AcceptedSignal& signal : result.acceptedSignals) {
        const double limit = kNoisyPointFactor * ordinary;
        const double weight = limit / std::max(signal.localBackground, limit);
        for (int k = 1; k < bins; ++k)
            aggregates.full[size_t(k)] += signal.powerSpectrum[size_t(k)] * weight;
    }
    return true;
}

// The peaks (strongest first) that may come from the encoder: those on a multiple of the
// key-frame rate, and those on such a multiple plus or minus the frequency of a stronger peak
// that is not on one (the cadence modulating a real motion).
std::set<int> compressionArtefacts(const std::vector<int>& peaks, double binWidth,
                                   double keyFrameRate)
{
    std::set<int> artefacts;
    std::vector<double> motions;
    for (int k : peaks) {
        const double hz = k * binWidth;
        const auto modulated = [&](double motion) {
            return onKeyFrameMultiple(std::abs(hz - motion), keyFrameRate, binWidth) ||
                   onKeyFrameMultiple(hz + motion, keyFrameRate, binWidth);
        };
        if (onKeyFrameMultiple(hz, keyFrameRate, binWidth))
            artefacts.insert(k);
        else if (std::any_of(motions.begin(), motions.end(), modulated))
            artefacts.insert(k);
        else
            motions.push_back(hz);
    }
    return artefacts;
}

// Half-power band around peak k, capped at the midpoint towards every other detected peak.
void proposeBand(const std::vector<double>& aggregate, const std::vector<int>& peaks, int k,
                 double binWidth, project_data::FrequencyCandidate& candidate, bool& unresolved)
{
    const int bins = int(aggregate.size());
    const double power = aggregate[size_t(k)];
    int low = k;
    while (low - 1 >= 1 && aggregate[size_t(low - 1)] >= 0.5 * power)
        --low;
    int high = k;
    while (high + 1 < bins && aggregate[size_t(high + 1)] >= 0.5 * power)
        ++high;
    candidate.lowerFrequencyHz = binWidth * std::max(low - 0.5, 0.5);
    candidate.upperFrequencyHz = binWidth * std::min(high + 0.5, bins - 0.5);
    for (int other : peaks) {
        const double middle = (other + k) * 0.5 * binWidth;
        if (other < k && middle > candidate.lowerFrequencyHz) {
            candidate.lowerFrequencyHz = middle;
            unresolved = true;
        } else if (other > k && middle < candidate.upperFrequencyHz) {
            candidate.upperFrequencyHz = middle;
            unresolved = true;
        }
    }
}

} // namespace

std::vector<double> hannWindow(int count)
{
    std::vector<double> window(size_t(std::max(count, 0)), 0.0);
    for (int i = 0; i < count && count > 1; ++i)
        window[size_t(i)] = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / (count - 1));
    return window;
}

std::vector<Complex> windowedTransform(const float* samples, int count, int fftSize,
                                       const std::vector<Complex>& twiddles, double* windowSum,
                                       const CancellationCheck& isCancelled)
{
    std::vector<Complex> data(static_cast<size_t>(fftSize), Complex(0.0, 0.0));
    const double windows =
        fillDetrended(samples, count, hannWindow(count), reinterpret_cast<double*>(data.data()), 2);
    if (windowSum)
        *windowSum = windows;
    if (!forwardFft(data, twiddles, isCancelled))
        return {};
    return data;
}

bool pairedWindowedTransform(const float* x, const float* y, int count, int fftSize,
                             const std::vector<Complex>& twiddles,
                             const std::vector<double>& window, std::vector<Complex>& transformX,
                             std::vector<Complex>& transformY, double* windowSum,
                             const CancellationCheck& isCancelled)
{
    std::vector<Complex> packed(static_cast<size_t>(fftSize));
    double windows = 0.0;
    if (!packedTransform(x, y, count, twiddles, window, packed, &windows, isCancelled))
        return false;
    if (windowSum)
        *windowSum = windows;
    // X_k = (Z_k + conj Z_(N-k)) / 2, Y_k = (Z_k - conj Z_(N-k)) / 2i.
    transformX.resize(size_t(fftSize));
    transformY.resize(size_t(fftSize));
    for (int k = 0; k < fftSize; ++k) {
        const Complex z = packed[size_t(k)];
        const Complex mirror = std::conj(packed[size_t((fftSize - k) % fftSize)]);
        transformX[size_t(k)] = 0.5 * (z + mirror);
        const Complex difference = 0.5 * (z - mirror);
        transformY[size_t(k)] = Complex(difference.imag(), -difference.real());
    }
    return true;
}

std::vector<double> segmentPowerSpectrum(const std::vector<float>& series, int first, int length,
                                         int fftSize, const CancellationCheck& isCancelled)
{
    if (first < 0 || length < 1 || qint64(first) + length > qint64(series.size()) ||
        !isPowerOfTwo(fftSize) || fftSize < length || fftSize < 2)
        return {};
    double windowSum = 0.0;
    const std::vector<Complex> data = windowedTransform(
        series.data() + first, length, fftSize, twiddleTable(fftSize), &windowSum, isCancelled);
    if (data.empty())
        return {};
    return oneSidedPower(fftSize, windowSum, [&](int k) { return std::norm(data[size_t(k)]); });
}

double interpolatedPeakHz(const std::vector<double>& spectrum, double binWidth, int bin)
{
    const double centre = bin * binWidth;
    if (bin < 1 || size_t(bin) + 1 >= spectrum.size())
        return centre;
    const double below = spectrum[size_t(bin) - 1];
    const double peak = spectrum[size_t(bin)];
    const double above = spectrum[size_t(bin) + 1];
    if (!(below > 0.0 && peak > 0.0 && above > 0.0))
        return centre;
    const double curvature = std::log(below) - 2.0 * std::log(peak) + std::log(above);
    if (!(curvature < 0.0))
        return centre;
    const double offset =
        std::clamp(0.5 * (std::log(below) - std::log(above)) / curvature, -0.5, 0.5);
    return (bin + offset) * binWidth;
}

int steadyKeyFrameInterval(const std::vector<qint64>& keyFrames)
{
    std::map<qint64, int> counts;
    for (size_t i = 1; i < keyFrames.size(); ++i)
        ++counts[keyFrames[i] - keyFrames[i - 1]];
    const int intervals = keyFrames.size() > 1 ? int(keyFrames.size() - 1) : 0;
    if (intervals < kSteadyKeyFrameIntervals)
        return 0;
    // The most common distance (the shortest of equally common ones) must be the rule.
    const auto common = std::max_element(counts.begin(), counts.end(),
                                         [](auto a, auto b) { return a.second < b.second; });
    const bool steady = common->first >= 1 && 4 * common->second >= 3 * intervals;
    return steady ? int(std::min<qint64>(common->first, std::numeric_limits<int>::max())) : 0;
}

bool onKeyFrameMultiple(double frequencyHz, double keyFrameRateHz, double toleranceHz)
{
    if (!(keyFrameRateHz > 0.0) || !std::isfinite(frequencyHz) || !std::isfinite(toleranceHz))
        return false;
    const double multiple = std::round(frequencyHz / keyFrameRateHz);
    return multiple >= 1.0 && std::abs(frequencyHz - multiple * keyFrameRateHz) <= toleranceHz;
}

double localBackground(const std::vector<double>& spectrum, int bin)
{
    // Read for every bin of every point: a fixed buffer instead of an allocation each time.
    const int bins = int(spectrum.size());
    std::array<double, 2 * kBackgroundHalfWindow> window;
    size_t count = 0;
    for (int j = std::max(bin - kBackgroundHalfWindow, 1);
         j <= std::min(bin + kBackgroundHalfWindow, bins - 1); ++j) {
        if (std::abs(j - bin) > kBackgroundGuardBins)
            window[count++] = spectrum[size_t(j)];
    }
    if (count == 0)
        return kBackgroundFloor;
    const auto middle = window.begin() + std::ptrdiff_t(count / 2);
    std::nth_element(window.begin(), middle, window.begin() + std::ptrdiff_t(count));
    return std::max(*middle, kBackgroundFloor);
}

namespace {

// The values of a sliding background window, kept in ascending order.
class SortedWindow
{
public:
    void insert(double value)
    {
        double* end = m_values.data() + m_count;
        double* at = std::upper_bound(m_values.data(), end, value);
        std::copy_backward(at, end, end + 1);
        *at = value;
        ++m_count;
    }
    void remove(double value)
    {
        double* end = m_values.data() + m_count;
        double* at = std::lower_bound(m_values.data(), end, value);
        std::copy(at + 1, end, at);
        --m_count;
    }
    // What nth_element places in the middle: the upper median.
    double upperMedian() const
    {
        return m_count == 0 ? kBackgroundFloor : std::max(m_values[m_count / 2], kBackgroundFloor);
    }

private:
    std::array<double, 2 * kBackgroundHalfWindow> m_values{};
    size_t m_count = 0;
};

} // namespace

std::vector<double> localBackgrounds(const std::vector<double>& spectrum)
{
    const int bins = int(spectrum.size());
    std::vector<double> backgrounds(spectrum.size(), kBackgroundFloor);
    const bool ordered =
        std::all_of(spectrum.begin(), spectrum.end(), [](double v) { return std::isfinite(v); });
    if (!ordered) { // no order to keep: each bin on its own
        for (int k = 1; k < bins; ++k)
            backgrounds[size_t(k)] = localBackground(spectrum, k);
        return backgrounds;
    }
    // Bin k reads j in [k - 12, k - 3] and [k + 3, k + 12] within 1 ... bins - 1.
    const auto inside = [bins](int j) { return j >= 1 && j < bins; };
    SortedWindow window;
    for (int j = 1; j <= std::min(1 + kBackgroundHalfWindow, bins - 1); ++j) {
        if (j - 1 > kBackgroundGuardBins)
            window.insert(spectrum[size_t(j)]);
    }
    for (int k = 1; k < bins; ++k) {
        backgrounds[size_t(k)] = window.upperMedian();
        // From bin k to bin k + 1.
        const int leaving[2] = {k - kBackgroundHalfWindow, k + kBackgroundGuardBins + 1};
        const int entering[2] = {k - kBackgroundGuardBins, k + kBackgroundHalfWindow + 1};
        for (int j : leaving) {
            if (inside(j))
                window.remove(spectrum[size_t(j)]);
        }
        for (int j : entering) {
            if (inside(j))
                window.insert(spectrum[size_t(j)]);
        }
    }
    return backgrounds;
}

double relativeBandPower(const project_data::SpectrumResult& result, double lowerHz, double upperHz)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double binWidth = result.binWidthHz;
    const std::vector<double>& spectrum = result.spectrum;
    if (!std::isfinite(binWidth) || binWidth <= 0.0 || !std::isfinite(lowerHz) ||
        !std::isfinite(upperHz) || lowerHz <= 0.0 || lowerHz >= upperHz || spectrum.size() < 2)
        return nan;
    const bool usable = std::all_of(spectrum.begin() + 1, spectrum.end(),
                                    [](double v) { return std::isfinite(v) && v >= 0.0; });
    if (!usable)
        return nan;
    const double low = std::max(std::ceil(lowerHz / binWidth), 1.0);
    const double high = std::floor(upperHz / binWidth);
    double total = 0.0;
    double inBand = 0.0;
    for (size_t k = 1; k < spectrum.size(); ++k) {
        total += spectrum[k];
        if (double(k) >= low && double(k) <= high)
            inBand += spectrum[k];
    }
    return total > 0.0 && std::isfinite(total) ? inBand / total : nan;
}

bool computeSpectrum(const std::vector<std::vector<float>>& series, double captureRate,
                     project_data::SpectrumResult& result, const CancellationCheck& isCancelled,
                     motion_core::MotionWorkerPool& pool, const ProgressCallback& progress)
{
    StagePlan plan;
    if (!checkInput(series, captureRate, result, isCancelled, plan.sizes))
        return false;
    const Sizes& sizes = plan.sizes;
    plan.fullTwiddles = twiddleTable(sizes.fftSize);
    plan.halfTwiddles = twiddleTable(sizes.halfSize);
    Aggregates aggregates;
    if (!aggregatePoints(series, plan, result, isCancelled, pool, progress, aggregates))
        return false;
    const std::vector<double>& aggregate = aggregates.full;
    const int bins = sizes.fftSize / 2;

    result.sampleCount = sizes.maxLength;
    result.fftSize = sizes.fftSize;
    result.binWidthHz = captureRate / sizes.fftSize;
    result.windowResolutionHz = captureRate / sizes.minLength;
    result.candidates.clear();
    result.unresolvedPeaks = false;
    const double maximum = *std::max_element(aggregate.begin(), aggregate.end());
    result.powerNormalization =
        aggregates.rawMaximum / (sizes.points < 2 ? 1.0 : double(sizes.points));
    if (aggregates.rawMaximum < kSilentSpectrum || !(maximum > 0.0)) {
        result.spectrum.assign(size_t(bins), 0.0);
        return true;
    }
    result.spectrum.resize(size_t(bins));
    for (int k = 0; k < bins; ++k)
        result.spectrum[size_t(k)] = aggregate[size_t(k)] / maximum;

    std::vector<int> peaks;
    const std::vector<double>& detection = aggregates.detection;
    if (!detectPeaks(detection, aggregate, sizes, isCancelled, peaks))
        return false;
    const double binWidth = result.binWidthHz;
    // A line's peak lands on a bin next to it. Key-frame lines closer together than ten bins
    // would mark almost any frequency, so such a dense comb marks none.
    const double keyFrameRate =
        result.keyFrameInterval >= 1 ? captureRate / result.keyFrameInterval : 0.0;
    const bool sparseComb = keyFrameRate >= kKeyFrameLineMinimumBins * binWidth;
    const std::set<int> artefacts =
        sparseComb ? compressionArtefacts(peaks, binWidth, keyFrameRate) : std::set<int>();
    const auto isArtefact = [&artefacts](int k) { return artefacts.count(k) > 0; };
    bool unresolved = false;
    const std::vector<int> selected = selectPeaks(peaks, isArtefact, unresolved);

    // Half-fragment stability is only meaningful when every point kept the whole fragment.
    const qint64 fragmentSamples = result.request.endFrame - result.request.startFrame - 1;
    const bool wholeFragment = sizes.maxLength == sizes.minLength &&
                               sizes.maxLength == fragmentSamples &&
                               sizes.maxLength >= kStabilityMinimumSamples;
    for (int k : selected) {
        if (isCancelled && isCancelled())
            return false;
        project_data::FrequencyCandidate candidate;
        const double power = aggregate[size_t(k)];
        candidate.frequencyHz = k * binWidth;
        candidate.relativePower = power / maximum;
        candidate.contrastDb =
            10.0 * std::log10(detection[size_t(k)] / localBackground(detection, k));
        candidate.refinedFrequencyHz = interpolatedPeakHz(result.spectrum, binWidth, k);
        candidate.spatialSupport = spatialSupport(result.acceptedSignals, k);
        candidate.stabilityEvaluated =
            wholeFragment &&
            (sizes.maxLength / 2) * candidate.frequencyHz / captureRate >= kStabilityMinimumPeriods;
        if (candidate.stabilityEvaluated)
            candidate.stability = halfStability(aggregates.halves, sizes.halfSize,
                                                candidate.frequencyHz, captureRate);
        proposeBand(aggregate, peaks, k, binWidth, candidate, unresolved);
        candidate.possibleCompressionArtefact = isArtefact(k);
        result.candidates.push_back(candidate);
    }
    result.unresolvedPeaks = unresolved;
    return true;
}

} // namespace orvi::spectrum
