#include "spectrum/DisplacementAmplitudes.h"

#include "motion/MotionWorkerPool.h"
#include "spectrum/SpectrumStage.h"

#include <QSizeF>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <complex>
#include <numbers>
#include <numeric>
#include <unordered_map>

namespace orvi::spectrum {

namespace {

using Complex = std::complex<double>;
using project_data::GridSite;
using project_data::PointAmplitude;

constexpr double kRadiansToDegrees = 180.0 / std::numbers::pi;
// Golden-section steps of the frequency refinement: the bracket of 1.2 bins shrinks to a
// ten-thousandth of a bin.
constexpr int kRefinementSteps = 20;
// Largest standard error of a point's amplitude, relative to the amplitude, that still counts
// as a measurement.
constexpr double kMaximumRelativeError = 0.25;
// Standard error below which points weigh by their amplitude alone in a candidate's figures: a
// thousandth of a pixel is beyond what a cell can resolve.
constexpr double kPrecisionFloorPx = 0.001;

// Mean and slope (per sample, about the centre) of a stretch of samples.
struct Line
{
    double mean = 0.0;
    double slope = 0.0;
};

Line fitLine(const float* x, int n)
{
    const double centre = (n - 1) * 0.5;
    double sum = 0.0;
    double weighted = 0.0;
    double spread = 0.0;
    for (int j = 0; j < n; ++j) {
        sum += x[j];
        weighted += (j - centre) * x[j];
        spread += (j - centre) * (j - centre);
    }
    return {sum / n, spread > 0.0 ? weighted / spread : 0.0};
}

// Hann-weighted complex sinusoid w_j e^(-i omega j) of one length, for projections. Rebuilt
// only when the length or the frequency changes, so points are visited by segment length;
// the sinusoid of a frequency and the window of a length are kept, so that a rebuild
// multiplies two tables instead of evaluating a sine and a cosine per sample.
class Projector
{
public:
    void prepare(int length, double omega)
    {
        if (length == m_length && omega == m_omega)
            return;
        if (omega != m_omega)
            m_sinusoid.clear();
        m_length = length;
        m_omega = omega;
        for (int j = int(m_sinusoid.size()); j < length; ++j)
            m_sinusoid.push_back(std::polar(1.0, -omega * j));
        const std::vector<double>& window = windowOf(length);
        m_re.resize(size_t(length));
        m_im.resize(size_t(length));
        const double centre = (length - 1) * 0.5;
        m_windowSum = 0.0;
        m_constant = 0.0;
        m_ramp = 0.0;
        for (int j = 0; j < length; ++j) {
            const double w = window[size_t(j)];
            const Complex term = w * m_sinusoid[size_t(j)];
            m_re[size_t(j)] = term.real();
            m_im[size_t(j)] = term.imag();
            m_windowSum += w;
            m_constant += term;
            m_ramp += (j - centre) * term;
        }
    }

    // Sum of w_j (x_j - mean - slope (j - centre)) e^(-i omega j): the detrended samples'
    // Hann-weighted projection. A sinusoid A cos(omega j + phi) gives (A / 2) e^(i phi) times
    // the window sum.
    Complex project(const float* x, const Line& line) const
    {
        // Four partial sums a part break the chain of dependent additions (the sums differ
        // from one running sum only by double rounding).
        double re[4] = {0.0, 0.0, 0.0, 0.0};
        double im[4] = {0.0, 0.0, 0.0, 0.0};
        const double* const a = m_re.data();
        const double* const b = m_im.data();
        int j = 0;
        for (; j + 4 <= m_length; j += 4) {
            for (int k = 0; k < 4; ++k) {
                re[k] += a[j + k] * x[j + k];
                im[k] += b[j + k] * x[j + k];
            }
        }
        for (; j < m_length; ++j) {
            re[0] += a[j] * x[j];
            im[0] += b[j] * x[j];
        }
        const Complex sum((re[0] + re[1]) + (re[2] + re[3]), (im[0] + im[1]) + (im[2] + im[3]));
        return sum - line.mean * m_constant - line.slope * m_ramp;
    }

    // Amplitude phasor A e^(i phi) of the projected sinusoid.
    Complex phasor(const Complex& projection) const
    {
        return m_windowSum > 0.0 ? projection * (2.0 / m_windowSum) : Complex(NAN, NAN);
    }

private:
    const std::vector<double>& windowOf(int length)
    {
        std::vector<double>& window = m_windows[length];
        if (int(window.size()) != length) {
            window.resize(size_t(length));
            for (int j = 0; j < length; ++j)
                window[size_t(j)] =
                    length > 1 ? 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * j / (length - 1))
                               : 0.0;
        }
        return window;
    }

    int m_length = 0;
    double m_omega = NAN;
    std::vector<Complex> m_sinusoid;                        // e^(-i omega j)
    std::unordered_map<int, std::vector<double>> m_windows; // Hann window by length
    std::vector<double> m_re;
    std::vector<double> m_im;
    double m_windowSum = 0.0;
    Complex m_constant;
    Complex m_ramp;
};

// The accepted segment of a site's displacement when it is finite throughout.
struct Segment
{
    int site = -1;
    const float* x = nullptr;
    const float* y = nullptr;
    int first = 0;
    int length = 0;
};

// Indices of `segments`, shortest first (stable).
std::vector<size_t> orderByLength(const std::vector<Segment>& segments)
{
    std::vector<size_t> order(segments.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return segments[a].length < segments[b].length; });
    return order;
}

bool displacementSegment(const GridSite& site, int index, Segment* out)
{
    const qint64 end = qint64(site.segmentStart) + site.segmentLength;
    if (!site.accepted || site.segmentStart < 0 || site.segmentLength < 2 ||
        end > qint64(site.displacementSeriesX.size()) ||
        end > qint64(site.displacementSeriesY.size()))
        return false;
    const auto finite = [&](const std::vector<float>& series) {
        return std::all_of(series.begin() + site.segmentStart, series.begin() + end,
                           [](float v) { return std::isfinite(v); });
    };
    if (!finite(site.displacementSeriesX) || !finite(site.displacementSeriesY))
        return false;
    *out = {index, site.displacementSeriesX.data() + site.segmentStart,
            site.displacementSeriesY.data() + site.segmentStart, site.segmentStart,
            site.segmentLength};
    return true;
}

double wrappedDegrees(double radians)
{
    double degrees = std::remainder(radians * kRadiansToDegrees, 360.0);
    if (degrees <= -180.0)
        degrees += 360.0;
    return degrees;
}

// Restates the motion's amplitude and phase along the axis at `angle` (radians).
void alongAxis(PointAmplitude& a, const Complex& cx, const Complex& cy, double angle)
{
    // The axis points right (or straight down), so that its phase is defined.
    if (angle <= -std::numbers::pi / 2.0)
        angle += std::numbers::pi;
    else if (angle > std::numbers::pi / 2.0)
        angle -= std::numbers::pi;
    const Complex along = std::cos(angle) * cx + std::sin(angle) * cy;
    a.amplitudePx = std::abs(along);
    a.directionDegrees = angle * kRadiansToDegrees;
    a.phaseDegrees = wrappedDegrees(std::arg(along));
}

// The motion (x, y) = Re((cx, cy) e^(i omega t)) described by its phasors, along its major
// axis.
PointAmplitude describeMotion(const Complex& cx, const Complex& cy)
{
    PointAmplitude a;
    a.amplitudeXPx = std::abs(cx);
    a.amplitudeYPx = std::abs(cy);
    a.phaseXDegrees = wrappedDegrees(std::arg(cx));
    a.phaseYDegrees = wrappedDegrees(std::arg(cy));
    // |d|^2 = (|cx|^2 + |cy|^2) / 2 + Re((cx^2 + cy^2) e^(2 i omega t)) / 2.
    const Complex squares = cx * cx + cy * cy;
    // At the largest displacement e^(i omega t) = e^(-i arg(squares) / 2).
    const Complex turn =
        std::abs(squares) > 0.0 ? std::polar(1.0, -0.5 * std::arg(squares)) : Complex(1.0, 0.0);
    alongAxis(a, cx, cy, std::atan2((cy * turn).real(), (cx * turn).real()));
    return a;
}

// Phasors (x, y) of a segment at `omega` (radians per sample), with phases counted from the
// fragment start: phase sample i describes frame i + 1.
std::pair<Complex, Complex> segmentPhasors(const Segment& segment, double omega,
                                           Projector& projector)
{
    projector.prepare(segment.length, omega);
    const Complex toFragmentTime = std::polar(1.0, -omega * (segment.first + 1));
    return {projector.phasor(projector.project(segment.x, fitLine(segment.x, segment.length))) *
                toFragmentTime,
            projector.phasor(projector.project(segment.y, fitLine(segment.y, segment.length))) *
                toFragmentTime};
}

PointAmplitude measureSegment(const Segment& segment, double omega, Projector& projector)
{
    const auto [cx, cy] = segmentPhasors(segment, omega, projector);
    return describeMotion(cx, cy);
}

bool standsOut(const project_data::AcceptedSignal& signal, int bin)
{
    if (bin < 1 || size_t(bin) >= signal.powerSpectrum.size())
        return false;
    const double power = signal.powerSpectrum[size_t(bin)];
    return power >= kPeakToBackground * localBackground(signal.powerSpectrum, bin) &&
           power > kSupportFloor;
}

// A value and the weight it carries in a weighted quantile.
struct Weighted
{
    double value = 0.0;
    double weight = 0.0;
};

// The weighted quantile at `fraction` (0 ... 1) of values sorted ascending: the first value
// at which the cumulative weight reaches that fraction of the total.
double weightedQuantile(const std::vector<Weighted>& sorted, double fraction)
{
    double total = 0.0;
    for (const Weighted& w : sorted)
        total += w.weight;
    double cumulative = 0.0;
    for (const Weighted& w : sorted) {
        cumulative += w.weight;
        if (cumulative >= fraction * total)
            return w.value;
    }
    return sorted.empty() ? NAN : sorted.back().value;
}

// What every candidate needs to measure a point: its refined frequency and its bin.
struct CandidateLine
{
    double omega = 0.0; // radians per sample
    int bin = 0;
};

// The displacement spectrum of one segment, kept while its candidates are measured.
class SegmentSpectrum
{
public:
    SegmentSpectrum(const Segment& segment, int fftSize, const std::vector<Complex>& twiddles,
                    const std::vector<double>& window)
    {
        double windowSum = 0.0;
        pairedWindowedTransform(segment.x, segment.y, segment.length, fftSize, twiddles, window,
                                m_x, m_y, &windowSum);
        m_scale = windowSum > 0.0 ? 2.0 / (windowSum * windowSum) : 0.0;
        m_bins = int(std::min(m_x.size(), m_y.size()) / 2);
    }

    // Standard error of a sinusoid's amplitude along the axis at `degrees` near `bin`. A bin
    // of noise power P carries, on average, P of squared amplitude error along a sinusoid; P
    // is the neighbouring bins' median over ln 2 (the median of exponentially distributed
    // powers), which a neighbouring line does not sway. The noise is taken along the motion's
    // own axis: a cell whose gradients are weak or run one way amplifies its noise in that
    // direction, and an axis that follows the noise shows it.
    double standardError(int bin, double degrees) const
    {
        const double angle = degrees / kRadiansToDegrees;
        const double ux = std::cos(angle);
        const double uy = std::sin(angle);
        std::vector<double> power(size_t(std::max(m_bins, 0)), 0.0);
        const int from = std::max(bin - kBackgroundHalfWindow, 1);
        const int to = std::min(bin + kBackgroundHalfWindow, m_bins - 1);
        for (int k = from; k <= to; ++k)
            power[size_t(k)] = std::norm(ux * m_x[size_t(k)] + uy * m_y[size_t(k)]) * m_scale;
        return std::sqrt(localBackground(power, bin) / std::numbers::ln2);
    }

private:
    std::vector<Complex> m_x;
    std::vector<Complex> m_y;
    double m_scale = 0.0;
    int m_bins = 0;
};

// A point's amplitude is trustworthy when its standard error is at most a quarter of it (noise
// alone reaches that rarely, even along the axis it picks itself) and its swing, twice the
// peak, stays inside its cell: the tracker follows the content of the cell, so a larger figure
// measures something else.
bool trustworthy(const PointAmplitude& amplitude, const QSizeF& cellPixels)
{
    return std::isfinite(amplitude.amplitudePx) && std::isfinite(amplitude.standardErrorPx) &&
           amplitude.standardErrorPx <= kMaximumRelativeError * amplitude.amplitudePx &&
           2.0 * amplitude.amplitudePx <= std::min(cellPixels.width(), cellPixels.height());
}

// What one worker keeps from point to point (segments come by length): the window and one
// projector per candidate line.
struct PointTables
{
    std::vector<double> window;
    std::vector<Projector> projectors;
};

// Every candidate's amplitude at one point.
void measurePoint(project_data::SpectrumResult& result, const Segment& segment, int signalIndex,
                  const std::vector<CandidateLine>& lines, const std::vector<Complex>& twiddles,
                  PointTables& tables)
{
    project_data::AcceptedSignal& signal = result.acceptedSignals[size_t(signalIndex)];
    if (tables.window.size() != size_t(segment.length))
        tables.window = hannWindow(segment.length);
    tables.projectors.resize(lines.size());
    const SegmentSpectrum spectrum(segment, result.fftSize, twiddles, tables.window);
    const QSizeF frame = result.request.videoInfo.frameSize;
    const QSizeF cell(signal.cellRect.width() * frame.width(),
                      signal.cellRect.height() * frame.height());
    for (size_t c = 0; c < lines.size(); ++c) {
        PointAmplitude amplitude = measureSegment(segment, lines[c].omega, tables.projectors[c]);
        if (std::isfinite(amplitude.amplitudePx))
            amplitude.standardErrorPx =
                spectrum.standardError(lines[c].bin, amplitude.directionDegrees);
        amplitude.carriesLine = standsOut(signal, lines[c].bin);
        amplitude.reliable = amplitude.carriesLine && trustworthy(amplitude, cell);
        signal.amplitudes[c] = amplitude;
    }
}

// The candidate's headline figures from the reliable points that carry its line.
void summarise(project_data::SpectrumResult& result, size_t candidateIndex,
               const std::vector<Segment>& segments, const std::vector<int>& signalOfSegment)
{
    project_data::FrequencyCandidate& candidate = result.candidates[candidateIndex];
    candidate.strongestAmplitudePx = NAN;
    candidate.amplitudePoint = -1;
    std::vector<Weighted> values;
    for (size_t i = 0; i < segments.size(); ++i) {
        const PointAmplitude& a =
            result.acceptedSignals[size_t(signalOfSegment[i])].amplitudes[candidateIndex];
        if (!a.reliable)
            continue;
        // A point weighs by how clearly it shows the motion: its amplitude over its standard
        // error, squared. Cells on the moving structure then outweigh those that only touch it
        // (whose weak gradients, diluted by noise, read low), faint traces the encoder or the
        // harmonics of another line leave at the same frequency, and the rare noisy estimate
        // that passed as reliable.
        const double clarity = a.amplitudePx / std::max(a.standardErrorPx, kPrecisionFloorPx);
        values.push_back({a.amplitudePx, clarity * clarity});
        // Ties go to the earlier grid point, whatever the segments' order.
        if (!(a.amplitudePx < candidate.strongestAmplitudePx) &&
            (a.amplitudePx > candidate.strongestAmplitudePx || candidate.amplitudePoint < 0 ||
             segments[i].site < candidate.amplitudePoint)) {
            candidate.strongestAmplitudePx = a.amplitudePx;
            candidate.amplitudePoint = segments[i].site;
        }
    }
    std::sort(values.begin(), values.end(),
              [](const Weighted& a, const Weighted& b) { return a.value < b.value; });
    candidate.amplitudePoints = qint32(values.size());
    candidate.amplitudePx = weightedQuantile(values, 0.5);
    candidate.amplitudeLowerPx = weightedQuantile(values, 0.25);
    candidate.amplitudeUpperPx = weightedQuantile(values, 0.75);
}

// Summed power, each point over its own local background, of the phase segments of the
// points at `omega` (radians per sample).
// `trends` holds the fitted lines of the x and y segments, two a segment.
double linePower(const std::vector<Segment>& segments, const std::vector<Line>& trends,
                 const std::vector<double>& backgrounds, double omega, Projector& projector)
{
    double power = 0.0;
    for (size_t i = 0; i < segments.size(); ++i) {
        const Segment& segment = segments[i];
        projector.prepare(segment.length, omega);
        power += std::norm(projector.phasor(projector.project(segment.x, trends[2 * i]))) /
                 backgrounds[i];
        power += std::norm(projector.phasor(projector.project(segment.y, trends[2 * i + 1]))) /
                 backgrounds[i];
    }
    return power;
}

// The frequency between bins at which a candidate is measured: where the phase spectra of
// the points that carry the line (all accepted points when none does), each over its own
// background, peak together, searched within 0.6 bins of the peak bin. This is the
// least-squares frequency of a sinusoid common to those points, finer than the bins.
double refinedFrequency(const project_data::SpectrumResult& result, size_t candidateIndex,
                        Projector& projector)
{
    const project_data::FrequencyCandidate& candidate = result.candidates[candidateIndex];
    const double binWidth = result.binWidthHz;
    const double rate = result.request.videoInfo.captureFrameRate;
    const int bin = int(std::lround(candidate.frequencyHz / binWidth));
    std::vector<Segment> carrying, all;
    std::vector<double> carryingBackgrounds, allBackgrounds;
    size_t signal = 0;
    for (size_t i = 0; i < result.sites.size() && signal < result.acceptedSignals.size(); ++i) {
        const GridSite& site = result.sites[i];
        if (!site.accepted)
            continue;
        const project_data::AcceptedSignal& accepted = result.acceptedSignals[signal++];
        const qint64 end = qint64(site.segmentStart) + site.segmentLength;
        if (site.segmentStart < 0 || site.segmentLength < 2 ||
            end > qint64(site.phaseSeriesX.size()) || end > qint64(site.phaseSeriesY.size()) ||
            bin >= int(accepted.powerSpectrum.size()))
            continue;
        const Segment segment{int(i), site.phaseSeriesX.data() + site.segmentStart,
                              site.phaseSeriesY.data() + site.segmentStart, site.segmentStart,
                              site.segmentLength};
        const double background = localBackground(accepted.powerSpectrum, bin);
        all.push_back(segment);
        allBackgrounds.push_back(background);
        if (standsOut(accepted, bin)) {
            carrying.push_back(segment);
            carryingBackgrounds.push_back(background);
        }
    }
    if (carrying.empty()) {
        carrying = std::move(all);
        carryingBackgrounds = std::move(allBackgrounds);
    }
    if (carrying.empty() || !(rate > 0.0))
        return interpolatedPeakHz(result.spectrum, binWidth, bin);
    // By length, so that the projection tables are built once per length and frequency.
    std::vector<Segment> segments;
    std::vector<double> backgrounds;
    std::vector<Line> trends; // the same at every frequency
    for (size_t i : orderByLength(carrying)) {
        segments.push_back(carrying[i]);
        backgrounds.push_back(carryingBackgrounds[i]);
        trends.push_back(fitLine(carrying[i].x, carrying[i].length));
        trends.push_back(fitLine(carrying[i].y, carrying[i].length));
    }
    const auto power = [&](double hz) {
        return linePower(segments, trends, backgrounds, 2.0 * std::numbers::pi * hz / rate,
                         projector);
    };
    const double golden = 0.5 * (std::sqrt(5.0) - 1.0);
    double low = (bin - 0.6) * binWidth;
    double high = (bin + 0.6) * binWidth;
    double left = high - golden * (high - low);
    double right = low + golden * (high - low);
    double leftPower = power(left);
    double rightPower = power(right);
    for (int step = 0; step < kRefinementSteps; ++step) {
        if (leftPower >= rightPower) {
            high = right;
            right = left;
            rightPower = leftPower;
            left = high - golden * (high - low);
            leftPower = power(left);
        } else {
            low = left;
            left = right;
            leftPower = rightPower;
            right = low + golden * (high - low);
            rightPower = power(right);
        }
    }
    return 0.5 * (low + high);
}

} // namespace

PointAmplitude pointAmplitude(const GridSite& site, double captureRate, double frequencyHz)
{
    Segment segment;
    if (!(captureRate > 0.0) || !std::isfinite(frequencyHz) ||
        !displacementSegment(site, 0, &segment))
        return {};
    Projector projector;
    return measureSegment(segment, 2.0 * std::numbers::pi * frequencyHz / captureRate, projector);
}

std::vector<double> displacementAmplitudeSpectrum(const GridSite& site, int fftSize)
{
    Segment segment;
    if (!displacementSegment(site, 0, &segment))
        return {};
    const std::vector<double> x =
        segmentPowerSpectrum(site.displacementSeriesX, segment.first, segment.length, fftSize);
    const std::vector<double> y =
        segmentPowerSpectrum(site.displacementSeriesY, segment.first, segment.length, fftSize);
    if (x.empty() || x.size() != y.size())
        return {};
    // A sinusoid of peak amplitude A has power A^2 / 2 in its bin.
    std::vector<double> amplitude(x.size());
    for (size_t k = 0; k < x.size(); ++k)
        amplitude[k] = std::sqrt(2.0 * (x[k] + y[k]));
    return amplitude;
}

bool measureDisplacementAmplitudes(project_data::SpectrumResult& result,
                                   const CancellationCheck& isCancelled,
                                   motion_core::MotionWorkerPool* pool)
{
    const double rate = result.request.videoInfo.captureFrameRate;
    for (project_data::AcceptedSignal& signal : result.acceptedSignals) {
        signal.amplitudes.assign(result.candidates.size(), PointAmplitude());
        signal.amplitudeSpectrumPx.clear();
    }
    if (!(rate > 0.0) || !(result.binWidthHz > 0.0) || result.candidates.empty())
        return true;

    // Accepted signals follow the accepted sites in grid order.
    std::vector<Segment> segments;
    std::vector<int> signalOfSegment;
    int signal = 0;
    for (size_t i = 0; i < result.sites.size(); ++i) {
        if (!result.sites[i].accepted)
            continue;
        Segment segment;
        if (size_t(signal) < result.acceptedSignals.size() &&
            displacementSegment(result.sites[i], int(i), &segment) &&
            segment.length <= result.fftSize) {
            segments.push_back(segment);
            signalOfSegment.push_back(signal);
        }
        ++signal;
    }
    // By segment length, so that the projection tables are built once per length.
    std::vector<Segment> sortedSegments;
    std::vector<int> sortedSignals;
    for (size_t i : orderByLength(segments)) {
        sortedSegments.push_back(segments[i]);
        sortedSignals.push_back(signalOfSegment[i]);
    }

    // Candidates are refined side by side, each with tables of its own.
    std::atomic<bool> stopped{false};
    const int candidateCount = int(result.candidates.size());
    std::vector<double> refined(size_t(candidateCount), NAN);
    const auto refine = [&](int begin, int end) {
        Projector projector;
        for (int c = begin; c < end && !stopped.load(); ++c) {
            if (isCancelled && isCancelled()) {
                stopped.store(true);
                return;
            }
            refined[size_t(c)] = refinedFrequency(result, size_t(c), projector);
        }
    };
    const qint64 costPerCandidate = qint64(sortedSegments.size()) * result.fftSize * 64;
    if (pool)
        motion_core::runParallel(*pool, candidateCount, costPerCandidate, refine);
    else
        refine(0, candidateCount);
    if (stopped.load())
        return false;
    std::vector<CandidateLine> lines;
    for (int c = 0; c < candidateCount; ++c) {
        project_data::FrequencyCandidate& candidate = result.candidates[size_t(c)];
        candidate.refinedFrequencyHz = refined[size_t(c)];
        lines.push_back({2.0 * std::numbers::pi * candidate.refinedFrequencyHz / rate,
                         int(std::lround(candidate.frequencyHz / result.binWidthHz))});
    }

    const std::vector<Complex> twiddles = twiddleTable(result.fftSize);
    const auto measure = [&](int begin, int end) {
        PointTables own;
        for (int i = begin; i < end && !stopped.load(); ++i) {
            if (isCancelled && isCancelled()) {
                stopped.store(true);
                return;
            }
            measurePoint(result, sortedSegments[size_t(i)], sortedSignals[size_t(i)], lines,
                         twiddles, own);
        }
    };
    const int count = int(sortedSegments.size());
    const qint64 costPerPoint = qint64(result.fftSize) * 40 + qint64(lines.size()) * 4096;
    if (pool)
        motion_core::runParallel(*pool, count, costPerPoint, measure);
    else
        measure(0, count);
    if (stopped.load())
        return false;
    for (size_t c = 0; c < result.candidates.size(); ++c)
        summarise(result, c, sortedSegments, sortedSignals);

    // The strongest points keep their amplitude spectrum.
    for (const project_data::FrequencyCandidate& candidate : result.candidates) {
        const auto at =
            std::find_if(sortedSegments.begin(), sortedSegments.end(),
                         [&](const Segment& s) { return s.site == candidate.amplitudePoint; });
        if (at == sortedSegments.end())
            continue;
        project_data::AcceptedSignal& strongest =
            result.acceptedSignals[size_t(sortedSignals[size_t(at - sortedSegments.begin())])];
        if (strongest.amplitudeSpectrumPx.empty())
            strongest.amplitudeSpectrumPx = displacementAmplitudeSpectrum(
                result.sites[size_t(candidate.amplitudePoint)], result.fftSize);
    }
    return true;
}

} // namespace orvi::spectrum
