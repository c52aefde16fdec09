#include "spectrum/DisplacementAmplitudes.h"

#include "spectrum/SpectrumStage.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <numeric>

namespace orvi::spectrum {

namespace {

using Complex = std::complex<double>;
using project_data::GridSite;
using project_data::PointAmplitude;

constexpr double kRadiansToDegrees = 180.0 / std::numbers::pi;
// Shortest half segment whose phase takes part in the frequency refinement.
constexpr int kMinimumRefinementSamples = 16;

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
// only when the length or the frequency changes, so points are visited by segment length.
class Projector
{
public:
    void prepare(int length, double omega)
    {
        if (length == m_length && omega == m_omega)
            return;
        m_length = length;
        m_omega = omega;
        m_re.resize(size_t(length));
        m_im.resize(size_t(length));
        const double centre = (length - 1) * 0.5;
        m_windowSum = 0.0;
        m_constant = 0.0;
        m_ramp = 0.0;
        for (int j = 0; j < length; ++j) {
            const double w =
                length > 1 ? 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * j / (length - 1)) : 0.0;
            const Complex term = w * std::polar(1.0, -omega * j);
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
        double re = 0.0;
        double im = 0.0;
        for (int j = 0; j < m_length; ++j) {
            re += m_re[size_t(j)] * x[j];
            im += m_im[size_t(j)] * x[j];
        }
        return Complex(re, im) - line.mean * m_constant - line.slope * m_ramp;
    }

    // Amplitude phasor A e^(i phi) of the projected sinusoid.
    Complex phasor(const Complex& projection) const
    {
        return m_windowSum > 0.0 ? projection * (2.0 / m_windowSum) : Complex(NAN, NAN);
    }

private:
    int m_length = 0;
    double m_omega = NAN;
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

// The motion (x, y) = Re((cx, cy) e^(i omega t)) described by its phasors.
PointAmplitude describeMotion(const Complex& cx, const Complex& cy)
{
    PointAmplitude a;
    a.amplitudeXPx = std::abs(cx);
    a.amplitudeYPx = std::abs(cy);
    a.phaseXDegrees = wrappedDegrees(std::arg(cx));
    a.phaseYDegrees = wrappedDegrees(std::arg(cy));
    // |d|^2 = (|cx|^2 + |cy|^2) / 2 + Re((cx^2 + cy^2) e^(2 i omega t)) / 2.
    const Complex squares = cx * cx + cy * cy;
    a.amplitudePx = std::sqrt(0.5 * (std::norm(cx) + std::norm(cy) + std::abs(squares)));
    // At the largest displacement e^(i omega t) = e^(-i arg(squares) / 2).
    const Complex turn =
        std::abs(squares) > 0.0 ? std::polar(1.0, -0.5 * std::arg(squares)) : Complex(1.0, 0.0);
    double angle = std::atan2((cy * turn).real(), (cx * turn).real());
    // The axis points right (or straight down), so that its phase is defined.
    if (angle <= -std::numbers::pi / 2.0)
        angle += std::numbers::pi;
    else if (angle > std::numbers::pi / 2.0)
        angle -= std::numbers::pi;
    a.directionDegrees = angle * kRadiansToDegrees;
    a.phaseDegrees = wrappedDegrees(std::arg(std::cos(angle) * cx + std::sin(angle) * cy));
    return a;
}

// Amplitude of a segment at `omega` (radians per sample), with phases counted from the
// fragment start: phase sample i describes frame i + 1.
PointAmplitude measureSegment(const Segment& segment, double omega, Projector& projector)
{
    projector.prepare(segment.length, omega);
    const Complex toFragmentTime = std::polar(1.0, -omega * (segment.first + 1));
    const Complex cx =
        projector.phasor(projector.project(segment.x, fitLine(segment.x, segment.length))) *
        toFragmentTime;
    const Complex cy =
        projector.phasor(projector.project(segment.y, fitLine(segment.y, segment.length))) *
        toFragmentTime;
    return describeMotion(cx, cy);
}

// The peak between bins: a parabola through the logarithms of the peak bin and its
// neighbours (the Hann window's main lobe is close to a Gaussian).
double interpolatedPeakHz(const std::vector<double>& spectrum, double binWidth, double frequencyHz)
{
    const long k = std::lround(frequencyHz / binWidth);
    if (k < 1 || size_t(k) + 1 >= spectrum.size())
        return frequencyHz;
    const double below = spectrum[size_t(k) - 1];
    const double peak = spectrum[size_t(k)];
    const double above = spectrum[size_t(k) + 1];
    if (!(below > 0.0 && peak > 0.0 && above > 0.0))
        return frequencyHz;
    const double curvature = std::log(below) - 2.0 * std::log(peak) + std::log(above);
    if (!(curvature < 0.0))
        return frequencyHz;
    const double offset =
        std::clamp(0.5 * (std::log(below) - std::log(above)) / curvature, -0.5, 0.5);
    return (double(k) + offset) * binWidth;
}

// Moves the frequency by the mean rate at which the points' phase advances from the first
// half of their segments to the second (weighted by their power), at most half a bin.
double refinedByProgression(const std::vector<Segment>& segments, double frequencyHz,
                            double captureRate, double binWidth, Projector& projector)
{
    const double omega = 2.0 * std::numbers::pi * frequencyHz / captureRate;
    double weightSum = 0.0;
    double rateSum = 0.0;
    for (const Segment& segment : segments) {
        const int half = segment.length / 2;
        const int offset = segment.length - half;
        if (half < kMinimumRefinementSamples)
            continue;
        projector.prepare(half, omega);
        const Complex back = std::polar(1.0, -omega * offset);
        for (const float* x : {segment.x, segment.y}) {
            const Complex early = projector.project(x, fitLine(x, half));
            const Complex late = projector.project(x + offset, fitLine(x + offset, half));
            const Complex turn = late * std::conj(early) * back;
            const double weight = std::abs(turn);
            if (!(weight > 0.0) || !std::isfinite(weight))
                continue;
            rateSum += weight * std::arg(turn) / offset;
            weightSum += weight;
        }
    }
    if (!(weightSum > 0.0))
        return frequencyHz;
    const double shift = rateSum / weightSum * captureRate / (2.0 * std::numbers::pi);
    return frequencyHz + std::clamp(shift, -0.5 * binWidth, 0.5 * binWidth);
}

bool standsOut(const project_data::AcceptedSignal& signal, int bin)
{
    if (bin < 1 || size_t(bin) >= signal.powerSpectrum.size())
        return false;
    const double power = signal.powerSpectrum[size_t(bin)];
    return power >= kPeakToBackground * localBackground(signal.powerSpectrum, bin) &&
           power > kSupportFloor;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return NAN;
    const auto middle = values.begin() + std::ptrdiff_t(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    if (values.size() % 2 == 1)
        return *middle;
    return 0.5 * (*middle + *std::max_element(values.begin(), middle));
}

// Measures one candidate at every point (segments in order of length).
void measureCandidate(project_data::SpectrumResult& result, size_t candidateIndex,
                      const std::vector<Segment>& segments, const std::vector<int>& signalOfSegment,
                      Projector& projector)
{
    project_data::FrequencyCandidate& candidate = result.candidates[candidateIndex];
    candidate.amplitudePx = candidate.medianAmplitudePx = NAN;
    candidate.amplitudePoint = -1;
    const double rate = result.request.videoInfo.captureFrameRate;
    const double binWidth = result.binWidthHz;
    const int bin = int(std::lround(candidate.frequencyHz / binWidth));

    std::vector<Segment> supporting;
    for (size_t i = 0; i < segments.size(); ++i)
        if (standsOut(result.acceptedSignals[size_t(signalOfSegment[i])], bin))
            supporting.push_back(segments[i]);
    const bool anySupport = !supporting.empty();
    const double interpolated =
        interpolatedPeakHz(result.spectrum, binWidth, candidate.frequencyHz);
    candidate.refinedFrequencyHz = refinedByProgression(anySupport ? supporting : segments,
                                                        interpolated, rate, binWidth, projector);
    const double omega = 2.0 * std::numbers::pi * candidate.refinedFrequencyHz / rate;

    std::vector<double> considered;
    for (size_t i = 0; i < segments.size(); ++i) {
        project_data::AcceptedSignal& signal = result.acceptedSignals[size_t(signalOfSegment[i])];
        const PointAmplitude amplitude = measureSegment(segments[i], omega, projector);
        signal.amplitudes[candidateIndex] = amplitude;
        if ((anySupport && !standsOut(signal, bin)) || !std::isfinite(amplitude.amplitudePx))
            continue;
        considered.push_back(amplitude.amplitudePx);
        if (!(amplitude.amplitudePx <= candidate.amplitudePx)) {
            candidate.amplitudePx = amplitude.amplitudePx;
            candidate.amplitudePoint = segments[i].site;
        }
    }
    candidate.medianAmplitudePx = median(std::move(considered));
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
                                   const CancellationCheck& isCancelled)
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
            displacementSegment(result.sites[i], int(i), &segment)) {
            segments.push_back(segment);
            signalOfSegment.push_back(signal);
        }
        ++signal;
    }
    // By segment length, so that the projection tables are built once per length.
    std::vector<size_t> order(segments.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return segments[a].length < segments[b].length; });
    std::vector<Segment> sortedSegments;
    std::vector<int> sortedSignals;
    for (size_t i : order) {
        sortedSegments.push_back(segments[i]);
        sortedSignals.push_back(signalOfSegment[i]);
    }

    Projector projector;
    for (size_t c = 0; c < result.candidates.size(); ++c) {
        if (isCancelled && isCancelled())
            return false;
        measureCandidate(result, c, sortedSegments, sortedSignals, projector);
    }
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
