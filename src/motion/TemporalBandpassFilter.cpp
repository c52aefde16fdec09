#include "motion/TemporalBandpassFilter.h"

#include "motion/KernelSupport.h"
#include "motion/MotionWorkerPool.h"
#include "records/ErrorMessage.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace orvi::motion_core {

using project_data::failWith;

namespace {

struct SingleCoefficients
{
    float b0, b1, b2, a1, a2;
};

ORVI_MOTION_HOT void filterSamples(const SingleCoefficients& c, const float* x, float* s1,
                                   float* s2, float* y, int begin, int end)
{
    for (int i = begin; i < end; ++i) {
        const float in = x[i];
        const float out = c.b0 * in + s1[i];
        s1[i] = c.b1 * in + s2[i] - c.a1 * out;
        s2[i] = c.b2 * in - c.a2 * out;
        y[i] = out;
    }
}

bool isFinite(double v)
{
    return std::isfinite(v);
}

} // namespace

bool TemporalBandpassFilter::isBandValid(double frameRate, double lowerHz, double upperHz)
{
    return isFinite(frameRate) && isFinite(lowerHz) && isFinite(upperHz) && frameRate > 0.0 &&
           lowerHz > 0.0 && upperHz > lowerHz && frameRate * 0.5 > upperHz;
}

bool TemporalBandpassFilter::designCoefficients(double frameRate, double lowerHz, double upperHz,
                                                Coefficients* coefficients)
{
    if (!isBandValid(frameRate, lowerHz, upperHz))
        return false;
    const double k1 = std::tan(std::numbers::pi * lowerHz / frameRate);
    const double k2 = std::tan(std::numbers::pi * upperHz / frameRate);
    const double b = k2 - k1, p = k1 * k2, n = 1.0 + b + p;
    Coefficients c;
    c.b0 = b / n;
    c.b1 = 0.0;
    c.b2 = -b / n;
    c.a1 = 2.0 * (p - 1.0) / n;
    c.a2 = (1.0 - b + p) / n;
    if (!isFinite(c.b0) || !isFinite(c.b1) || !isFinite(c.b2) || !isFinite(c.a1) || !isFinite(c.a2))
        return false;
    if (coefficients)
        *coefficients = c;
    return true;
}

bool TemporalBandpassFilter::configure(double frameRate, double lowerHz, double upperHz,
                                       QString* error)
{
    m_configured = false;
    if (!isBandValid(frameRate, lowerHz, upperHz))
        return failWith(error, tr("The temporal band-pass filter parameters are invalid."));
    Coefficients c;
    if (!designCoefficients(frameRate, lowerHz, upperHz, &c))
        return failWith(error, tr("Could not calculate the band-pass filter coefficients."));
    m_coefficients = c;
    m_configured = true;
    // A new design starts from no state: the next frame sizes it afresh.
    reset();
    return true;
}

void TemporalBandpassFilter::reset()
{
    m_stateReady = false;
    m_s1.clear();
    m_s2.clear();
}

bool TemporalBandpassFilter::process(const std::vector<FloatPlane>& input,
                                     std::vector<FloatPlane>* output, MotionWorkerPool& pool,
                                     QString* error)
{
    if (!prepare(input, output, error))
        return false;
    for (std::size_t level = 0; level < input.size(); ++level) {
        runParallel(pool, static_cast<int>(input[level].size()), 12, [&](int begin, int end) {
            filterRange(level, input[level], (*output)[level], begin, end);
        });
    }
    return true;
}

bool TemporalBandpassFilter::prepare(const std::vector<FloatPlane>& input,
                                     std::vector<FloatPlane>* output, QString* error)
{
    if (!m_configured)
        return failWith(error, tr("The temporal filter has not been configured."));
    if (!output || input.empty())
        return failWith(error, tr("Phase components and an output container are required."));
    for (const FloatPlane& level : input) {
        if (level.isEmpty())
            return failWith(error, tr("The phase pyramid contains an empty level."));
    }
    if (m_stateReady) {
        bool same = m_s1.size() == input.size();
        for (std::size_t i = 0; same && i < input.size(); ++i)
            same = m_s1[i].sameSize(input[i]);
        if (!same)
            return failWith(error, tr("The phase pyramid size changed during processing."));
    } else {
        std::vector<FloatPlane> s1, s2;
        for (const FloatPlane& level : input) {
            s1.emplace_back(level.width, level.height);
            s2.emplace_back(level.width, level.height);
        }
        m_s1 = std::move(s1);
        m_s2 = std::move(s2);
        m_stateReady = true;
    }
    // Refill in place so that the planes' storage is reused from frame to frame.
    reshapeLike(*output, input);
    return true;
}

void TemporalBandpassFilter::filterRange(std::size_t level, const FloatPlane& input,
                                         FloatPlane& output, int begin, int end)
{
    const SingleCoefficients c{
        static_cast<float>(m_coefficients.b0), static_cast<float>(m_coefficients.b1),
        static_cast<float>(m_coefficients.b2), static_cast<float>(m_coefficients.a1),
        static_cast<float>(m_coefficients.a2)};
    filterSamples(c, input.samples.data(), m_s1[level].samples.data(), m_s2[level].samples.data(),
                  output.samples.data(), begin, end);
}

double TemporalBandpassFilter::poleRadius(double frameRate, double lowerHz, double upperHz)
{
    Coefficients c;
    if (!designCoefficients(frameRate, lowerHz, upperHz, &c))
        return 0.0;
    const double d = c.a1 * c.a1 - 4.0 * c.a2;
    if (d >= 0.0) {
        const double root = std::sqrt(d);
        return std::max(std::abs((-c.a1 - root) / 2.0), std::abs((-c.a1 + root) / 2.0));
    }
    return c.a2 > 0.0 ? std::sqrt(c.a2) : 0.0;
}

qint64 TemporalBandpassFilter::settlingFrameCount(double frameRate, double lowerHz, double upperHz)
{
    const double r = poleRadius(frameRate, lowerHz, upperHz);
    if (!(r > 0.0 && r < 1.0))
        return 0;
    return static_cast<qint64>(std::ceil(std::log(0.01) / std::log(r)));
}

qint64 TemporalBandpassFilter::recommendedMinimumFrameCount(double frameRate, double lowerHz,
                                                            double upperHz)
{
    if (!designCoefficients(frameRate, lowerHz, upperHz, nullptr))
        return 0;
    const double r = poleRadius(frameRate, lowerHz, upperHz);
    const double settling = (r > 0.0 && r < 1.0) ? std::ceil(std::log(0.01) / std::log(r)) : 0.0;
    const double observation = std::ceil(5.0 * frameRate / lowerHz);
    const double count = std::max(observation + settling, std::ceil(2.0 * frameRate));
    // 2^63 itself does not fit a signed 64-bit count.
    if (!std::isfinite(count) || count <= 0.0 || count >= 9223372036854775808.0)
        return 0;
    return static_cast<qint64>(count);
}

bool TemporalBandpassFilter::isNearNyquist(double frameRate, double lowerHz, double upperHz)
{
    return isBandValid(frameRate, lowerHz, upperHz) && upperHz >= 0.8 * frameRate / 2.0;
}

bool TemporalBandpassFilter::widenBandToFit(double frameRate, double* lowerHz, double* upperHz,
                                            qint64 frameCount)
{
    if (!lowerHz || !upperHz || !isBandValid(frameRate, *lowerHz, *upperHz) || frameCount < 1)
        return false;
    auto fits = [&](double low, double high) {
        const qint64 n = recommendedMinimumFrameCount(frameRate, low, high);
        return n >= 1 && n <= frameCount;
    };
    if (fits(*lowerHz, *upperHz))
        return true;
    if (std::ceil(2.0 * frameRate) > double(frameCount))
        return false;

    const double centre = (*lowerHz + *upperHz) / 2.0;
    const double half = (*upperHz - *lowerHz) / 2.0;
    const double epsilon = std::max(frameRate * 1e-9, 1e-9);
    const double limit =
        std::min({4.0 * half, centre - epsilon, frameRate / 2.0 - centre - epsilon});
    if (half >= limit)
        return false;
    auto widthFits = [&](double w) { return fits(centre - w, centre + w); };

    double failing = half;
    double fitting = -1.0;
    for (int i = 1; i <= 256; ++i) {
        const double w = half + i * (limit - half) / 256.0;
        if (widthFits(w)) {
            fitting = w;
            break;
        }
        failing = w;
    }
    if (fitting < 0.0)
        return false;
    for (int step = 0; step < 48; ++step) {
        const double middle = (failing + fitting) / 2.0;
        if (widthFits(middle))
            fitting = middle;
        else
            failing = middle;
    }
    if (!widthFits(fitting))
        return false;
    *lowerHz = centre - fitting;
    *upperHz = centre + fitting;
    return true;
}

} // namespace orvi::motion_core
