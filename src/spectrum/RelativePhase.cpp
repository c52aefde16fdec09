#include "spectrum/RelativePhase.h"

#include "records/SpectrumAlgorithms.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <numbers>

namespace orvi::spectrum {

namespace {

using Complex = std::complex<double>;
using project_data::RelativePhaseSample;

constexpr int kUsableSegmentMinimum = 64;
constexpr size_t kUsableSeriesMaximum = 65536;

// Solves the 4 x 4 system in place by Gaussian elimination with partial pivoting; false
// when a pivot is at most `pivotLimit` in magnitude.
bool solve4(std::array<std::array<double, 5>, 4>& system, double pivotLimit,
            std::array<double, 4>& solution)
{
    for (int column = 0; column < 4; ++column) {
        int pivot = column;
        for (int row = column + 1; row < 4; ++row) {
            if (std::abs(system[size_t(row)][size_t(column)]) >
                std::abs(system[size_t(pivot)][size_t(column)]))
                pivot = row;
        }
        if (std::abs(system[size_t(pivot)][size_t(column)]) <= pivotLimit)
            return false;
        std::swap(system[size_t(pivot)], system[size_t(column)]);
        for (int row = column + 1; row < 4; ++row) {
            const double factor =
                system[size_t(row)][size_t(column)] / system[size_t(column)][size_t(column)];
            for (int k = column; k < 5; ++k)
                system[size_t(row)][size_t(k)] -= factor * system[size_t(column)][size_t(k)];
        }
    }
    for (int row = 3; row >= 0; --row) {
        double value = system[size_t(row)][4];
        for (int k = row + 1; k < 4; ++k)
            value -= system[size_t(row)][size_t(k)] * solution[size_t(k)];
        solution[size_t(row)] = value / system[size_t(row)][size_t(row)];
    }
    return true;
}

bool isUsable(const project_data::GridSite& site)
{
    return site.accepted && site.segmentStart >= 0 && site.segmentLength >= kUsableSegmentMinimum &&
           site.phaseSeriesX.size() == site.phaseSeriesY.size() &&
           site.phaseSeriesX.size() <= kUsableSeriesMaximum &&
           size_t(site.segmentStart) + size_t(site.segmentLength) <= site.phaseSeriesX.size();
}

const std::vector<float>& component(const project_data::GridSite& site, int axis)
{
    return axis == 0 ? site.phaseSeriesX : site.phaseSeriesY;
}

bool enoughPeriods(int length, double frequency, double rate)
{
    return length >= project_data::kRelativePhaseMinimumSamples &&
           (length / 2) * frequency / rate >= project_data::kRelativePhaseMinimumPeriodsPerHalf;
}

// The whole stretch and its two halves (the second takes the odd sample).
std::array<std::pair<int, int>, 3> parts(int start, int length)
{
    const int half = length / 2;
    return {{{start, length}, {start, half}, {start + half, length - half}}};
}

void setAll(std::vector<RelativePhaseSample>& samples, qint32 reason)
{
    for (RelativePhaseSample& sample : samples)
        sample.reason = reason;
}

} // namespace

SinusoidFit fitSinusoid(const std::vector<float>& series, int first, int length, double omega)
{
    SinusoidFit fit;
    if (first < 0 || length < 4 || qint64(first) + length > qint64(series.size()) ||
        !std::isfinite(omega))
        return fit;
    const float* x = series.data() + first;
    for (int i = 0; i < length; ++i) {
        if (!std::isfinite(x[i]))
            return fit;
    }
    const double n = length;
    const double centre = (n - 1.0) * 0.5;

    // Normal equations of the basis (1, t, cos wi, sin wi), with the right-hand side.
    std::array<std::array<double, 5>, 4> system{};
    double sum = 0.0;
    double trendWeighted = 0.0;
    double trendSpread = 0.0;
    for (int i = 0; i < length; ++i) {
        const double t = (i - centre) / n;
        const double angle = omega * i;
        const std::array<double, 4> basis{1.0, t, std::cos(angle), std::sin(angle)};
        for (size_t r = 0; r < 4; ++r) {
            for (size_t c = 0; c < 4; ++c)
                system[r][c] += basis[r] * basis[c];
            system[r][4] += basis[r] * x[i];
        }
        sum += x[i];
        trendWeighted += t * x[i];
        trendSpread += t * t;
    }
    const double mean = sum / n;
    const double trend = trendSpread > 0.0 ? trendWeighted / trendSpread : 0.0;
    double energy = 0.0;
    for (int i = 0; i < length; ++i) {
        const double residual = x[i] - mean - trend * ((i - centre) / n);
        energy += residual * residual;
    }
    if (energy <= n * 1e-12)
        return fit;

    std::array<double, 4> p{};
    if (!solve4(system, n * 1e-10, p))
        return fit;
    double residualEnergy = 0.0;
    for (int i = 0; i < length; ++i) {
        const double angle = omega * i;
        const double model =
            p[0] + p[1] * ((i - centre) / n) + p[2] * std::cos(angle) + p[3] * std::sin(angle);
        residualEnergy += (x[i] - model) * (x[i] - model);
    }
    fit.fraction = std::clamp(1.0 - residualEnergy / energy, 0.0, 1.0);
    // a cos(wi) + b sin(wi) = A cos(wi + phi) with A e^(i phi) = a - i b.
    fit.phasorRe = p[2];
    fit.phasorIm = -p[3];
    fit.ok = std::isfinite(fit.fraction) &&
             std::hypot(p[2], p[3]) >= project_data::kRelativePhaseMinimumAmplitudeRadians &&
             fit.fraction >= project_data::kRelativePhaseMinimumFitFraction;
    return fit;
}

std::vector<RelativePhaseSample>
computeRelativePhase(const std::vector<project_data::GridSite>& sites, int referenceIndex, int axis,
                     double captureRate, double frequencyHz, const CancellationCheck& isCancelled)
{
    if (sites.size() > size_t(project_data::kRelativePhaseMaximumPoints))
        return {};
    std::vector<RelativePhaseSample> samples(sites.size());
    for (size_t i = 0; i < sites.size(); ++i) {
        samples[i].cellRect = sites[i].cellRect;
        samples[i].sampleX = sites[i].sampleX;
        samples[i].sampleY = sites[i].sampleY;
    }
    const double rate = captureRate;
    const double frequency = frequencyHz;
    if (referenceIndex < 0 || size_t(referenceIndex) >= sites.size() || axis < 0 || axis > 1 ||
        !std::isfinite(rate) || rate <= 0.0 || !std::isfinite(frequency) || frequency <= 0.0 ||
        frequency >= rate / 2.0 || !isUsable(sites[size_t(referenceIndex)]))
        return samples;

    const project_data::GridSite& reference = sites[size_t(referenceIndex)];
    const double omega = 2.0 * std::numbers::pi * frequency / rate;
    if (!enoughPeriods(reference.segmentLength, frequency, rate)) {
        setAll(samples, project_data::RelativePhaseShortOverlap);
        return samples;
    }
    const std::vector<float>& referenceSeries = component(reference, axis);
    for (const auto& [start, length] : parts(reference.segmentStart, reference.segmentLength)) {
        if (isCancelled && isCancelled())
            return {};
        if (!fitSinusoid(referenceSeries, start, length, omega).ok) {
            setAll(samples, project_data::RelativePhaseWeakFit);
            return samples;
        }
    }

    const double driftLimit =
        project_data::kRelativePhaseMaximumDriftDegrees * std::numbers::pi / 180.0;
    for (size_t index = 0; index < sites.size(); ++index) {
        if (isCancelled && isCancelled())
            return {};
        const project_data::GridSite& site = sites[index];
        RelativePhaseSample& sample = samples[index];
        if (!isUsable(site))
            continue;
        const int start = std::max(site.segmentStart, reference.segmentStart);
        const int end = std::min(site.segmentStart + site.segmentLength,
                                 reference.segmentStart + reference.segmentLength);
        sample.intervalStart = start;
        sample.intervalLength = end - start;
        if (!enoughPeriods(sample.intervalLength, frequency, rate)) {
            sample.reason = project_data::RelativePhaseShortOverlap;
            continue;
        }
        double quality = 1.0;
        bool fitted = true;
        std::array<Complex, 3> relative{};
        const auto stretches = parts(start, sample.intervalLength);
        for (size_t part = 0; part < stretches.size(); ++part) {
            const auto [first, length] = stretches[part];
            const SinusoidFit own = fitSinusoid(component(site, axis), first, length, omega);
            const SinusoidFit other = fitSinusoid(referenceSeries, first, length, omega);
            quality = std::min({quality, own.fraction, other.fraction});
            fitted = fitted && own.ok && other.ok;
            relative[part] = Complex(own.phasorRe, own.phasorIm) *
                             std::conj(Complex(other.phasorRe, other.phasorIm));
        }
        sample.quality = quality;
        if (!fitted) {
            sample.reason = project_data::RelativePhaseWeakFit;
            continue;
        }
        const double drift = std::abs(std::arg(relative[1] * std::conj(relative[2])));
        if (drift > driftLimit) {
            sample.reason = project_data::RelativePhaseUnstable;
            continue;
        }
        sample.valid = true;
        sample.reason = project_data::RelativePhaseAccepted;
        sample.phaseDegrees = std::arg(relative[0]) * 180.0 / std::numbers::pi;
    }
    return samples;
}

} // namespace orvi::spectrum
