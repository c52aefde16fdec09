#include "motion/PhaseKernels.h"

#include "motion/KernelSupport.h"
#include "motion/MotionWorkerPool.h"
#include "motion/PlaneKernels.h"

namespace orvi::motion_core {

namespace {

bool allSameSize(const FloatPlane& first, std::initializer_list<const FloatPlane*> others)
{
    if (first.isEmpty())
        return false;
    for (const FloatPlane* p : others) {
        if (p->isEmpty() || !p->sameSize(first))
            return false;
    }
    return true;
}

// Row y of both Riesz components of `in`.
ORVI_MOTION_INLINE void rieszRow(const FloatPlane& in, int y, float* __restrict o1,
                                 float* __restrict o2)
{
    const int w = in.width, h = in.height;
    const float* up = in.row(reflectWholeSample(y - 1, h));
    const float* down = in.row(reflectWholeSample(y + 1, h));
    const float* mid = in.row(y);
    for (int x = 0; x < w; ++x)
        o2[x] = 0.5f * (up[x] - down[x]);
    if (w == 1) {
        o1[0] = 0.5f * (mid[0] - mid[0]);
        return;
    }
    o1[0] = 0.5f * (mid[1] - mid[1]);
    for (int x = 1; x < w - 1; ++x)
        o1[x] = 0.5f * (mid[x - 1] - mid[x + 1]);
    o1[w - 1] = 0.5f * (mid[w - 2] - mid[w - 2]);
}

ORVI_MOTION_HOT void rieszRows(const FloatPlane& in, FloatPlane& r1, FloatPlane& r2, int begin,
                               int end)
{
    for (int y = begin; y < end; ++y)
        rieszRow(in, y, r1.row(y), r2.row(y));
}

// Per-thread rows of work: four planes' worth of one row each.
float* rowBuffers(int width)
{
    thread_local std::vector<float> rows;
    rows.resize(4 * static_cast<std::size_t>(width));
    return rows.data();
}

struct PhaseInputs
{
    const float* a0;
    const float* a1;
    const float* a2;
    const float* b0;
    const float* b1;
    const float* b2;
};

// The phase difference of quaternionPhaseDifference() in blocks: products, square roots and
// the angle in separate straight loops so that each vectorises.
ORVI_MOTION_HOT void accumulateSamples(const PhaseInputs& in, float* __restrict accCos,
                                       float* __restrict accSin, float* __restrict amplitude,
                                       int begin, int end)
{
    using detail::kSampleBlock;
    alignas(32) float q1[kSampleBlock], q2[kSampleBlock], r[kSampleBlock];
    alignas(32) float v[kSampleBlock], energy[kSampleBlock];
    alignas(32) double norm[kSampleBlock];
    for (int base = begin; base < end; base += kSampleBlock) {
        const int n = std::min(kSampleBlock, end - base);
        const float* __restrict a0 = in.a0 + base;
        const float* __restrict a1 = in.a1 + base;
        const float* __restrict a2 = in.a2 + base;
        const float* __restrict b0 = in.b0 + base;
        const float* __restrict b1 = in.b1 + base;
        const float* __restrict b2 = in.b2 + base;
        for (int i = 0; i < n; ++i) {
            q1[i] = a1[i] * b0[i] - a0[i] * b1[i];
            q2[i] = a2[i] * b0[i] - a0[i] * b2[i];
            r[i] = a0[i] * b0[i] + a1[i] * b1[i] + a2[i] * b2[i];
            // hypot(q1, q2): exact squares in double, one rounding after the root.
            norm[i] = double(q1[i]) * q1[i] + double(q2[i]) * q2[i];
            const float e = q1[i] * q1[i] + r[i] * r[i] + q2[i] * q2[i];
            energy[i] = e > 0.0f ? e : 0.0f;
        }
        detail::sqrtBlock(norm, v, n);
        detail::sqrtBlock(energy, n);
        detail::sqrtBlock(energy, n);
        float* __restrict c = accCos + base;
        float* __restrict s = accSin + base;
        float* __restrict m = amplitude + base;
        for (int i = 0; i < n; ++i) {
            const float phi = detail::atan2NonNegative(v[i], r[i]);
            const bool oriented = v[i] > 1e-6f;
            const float keep = detail::pick(oriented, 1.0f, 0.0f);
            const float divisor = detail::pick(oriented, v[i], 1.0f);
            c[i] += phi * q1[i] / divisor * keep;
            s[i] += phi * q2[i] / divisor * keep;
            m[i] = energy[i];
        }
    }
}

// Phase accumulation straight from two frames' band levels: each row's Riesz components
// are formed where they are needed, the same floats the planes would hold, so no component
// plane is written or read back.
ORVI_MOTION_HOT void accumulateBandRows(const FloatPlane& current, const FloatPlane& previous,
                                        float* accCos, float* accSin, float* amplitude, int begin,
                                        int end)
{
    const int w = current.width;
    float* currentR1 = rowBuffers(w);
    float* currentR2 = currentR1 + w;
    float* previousR1 = currentR2 + w;
    float* previousR2 = previousR1 + w;
    for (int y = begin; y < end; ++y) {
        rieszRow(current, y, currentR1, currentR2);
        rieszRow(previous, y, previousR1, previousR2);
        const PhaseInputs in{current.row(y),  currentR1,  currentR2,
                             previous.row(y), previousR1, previousR2};
        const std::size_t offset = static_cast<std::size_t>(y) * w;
        accumulateSamples(in, accCos + offset, accSin + offset, amplitude + offset, 0, w);
    }
}

ORVI_MOTION_HOT void shiftSamples(const float* band, const float* __restrict r1,
                                  const float* __restrict r2, const float* __restrict fc,
                                  const float* __restrict fs, float factor, float* out, int begin,
                                  int end)
{
    using detail::kSampleBlock;
    alignas(32) float a1[kSampleBlock], a2[kSampleBlock], theta[kSampleBlock];
    alignas(32) double norm[kSampleBlock];
    for (int base = begin; base < end; base += kSampleBlock) {
        const int n = std::min(kSampleBlock, end - base);
        for (int i = 0; i < n; ++i) {
            a1[i] = factor * fc[base + i];
            a2[i] = factor * fs[base + i];
            norm[i] = double(a1[i]) * a1[i] + double(a2[i]) * a2[i];
        }
        detail::sqrtBlock(norm, theta, n);
        for (int i = 0; i < n; ++i) {
            // Above a quarter turn the shift keeps its direction and is cut to the limit;
            // below, the scale is exactly 1.
            const float length = theta[i];
            const bool limited = length > kMaximumPhaseShift;
            const float scale =
                kMaximumPhaseShift / detail::pick(limited, length, kMaximumPhaseShift);
            const float t = detail::pick(limited, kMaximumPhaseShift, length);
            double cosTheta = 0.0, sinc = 0.0;
            detail::cosAndSinc(t, cosTheta, sinc);
            const float x = a1[i] * scale, y = a2[i] * scale;
            const std::size_t k = static_cast<std::size_t>(base + i);
            // `out` may be `band`: each sample is read before it is written.
            out[k] = static_cast<float>(cosTheta) * band[k] -
                     (r1[k] * x + r2[k] * y) * static_cast<float>(sinc);
        }
    }
}

// Horizontal 9-tap denoising blur of one row; `columns` lists the bordered taps.
ORVI_MOTION_INLINE void blurRow9(const float* __restrict src, float* __restrict dst, int w,
                                 const detail::TapIndex& columns)
{
    constexpr int taps = 9, radius = 4;
    const float* k = kDenoiseTaps;
    const int interiorBegin = std::min(w, radius);
    const int interiorEnd = std::max(interiorBegin, w - radius);
    auto bordered = [&](int x) {
        const int* idx = columns.index.data() + static_cast<std::size_t>(x) * taps;
        float acc = k[0] * src[idx[0]];
        for (int t = 1; t < taps; ++t)
            acc += k[t] * src[idx[t]];
        dst[x] = acc;
    };
    for (int x = 0; x < interiorBegin; ++x)
        bordered(x);
    for (int x = interiorBegin; x < interiorEnd; ++x) {
        const float* q = src + x - radius;
        float acc = k[0] * q[0];
        acc += k[1] * q[1];
        acc += k[2] * q[2];
        acc += k[3] * q[3];
        acc += k[4] * q[4];
        acc += k[5] * q[5];
        acc += k[6] * q[6];
        acc += k[7] * q[7];
        acc += k[8] * q[8];
        dst[x] = acc;
    }
    for (int x = interiorEnd; x < w; ++x)
        bordered(x);
}

// Vertical 9-tap denoising blur of columns [0, n) from nine source rows.
ORVI_MOTION_INLINE void blurColumns9(const float* const* rows, int offset, float* __restrict dst,
                                     int n)
{
    const float* k = kDenoiseTaps;
    const float* __restrict s0 = rows[0] + offset;
    const float* __restrict s1 = rows[1] + offset;
    const float* __restrict s2 = rows[2] + offset;
    const float* __restrict s3 = rows[3] + offset;
    const float* __restrict s4 = rows[4] + offset;
    const float* __restrict s5 = rows[5] + offset;
    const float* __restrict s6 = rows[6] + offset;
    const float* __restrict s7 = rows[7] + offset;
    const float* __restrict s8 = rows[8] + offset;
    for (int x = 0; x < n; ++x) {
        float acc = k[0] * s0[x];
        acc += k[1] * s1[x];
        acc += k[2] * s2[x];
        acc += k[3] * s3[x];
        acc += k[4] * s4[x];
        acc += k[5] * s5[x];
        acc += k[6] * s6[x];
        acc += k[7] * s7[x];
        acc += k[8] * s8[x];
        dst[x] = acc;
    }
}

// Where the denoised rows go: into two planes, or straight into the phase shift of `band`
// (written to `shifted`), so that the denoised phase never makes a round trip to memory.
struct DenoiseTarget
{
    FloatPlane* denoisedCos = nullptr;
    FloatPlane* denoisedSin = nullptr;
    const FloatPlane* band = nullptr;
    float factor = 0.0f;
    FloatPlane* shifted = nullptr;
};

// Amplitude-weighted blur of output rows [begin, end), in blocks of rows: the weighted
// products and their horizontal blur are made for the block's source rows (with the
// four-row halo) in a per-thread buffer, then blurred vertically and normalised. The
// horizontal passes stay in cache instead of going through full planes.
ORVI_MOTION_HOT void denoiseRows(const FloatPlane& a, const FloatPlane& b, const FloatPlane& m,
                                 const detail::TapIndex& columns, const detail::TapIndex& rows,
                                 const DenoiseTarget& target, int begin, int end)
{
    constexpr int taps = 9, radius = 4, blockRows = 32, columnBlock = 512;
    thread_local std::vector<float> work;
    alignas(32) float sumCos[columnBlock], sumSin[columnBlock], sumAmplitude[columnBlock];
    const int w = a.width, h = a.height;
    const std::size_t width = static_cast<std::size_t>(w);
    float* shiftRows = target.band ? rowBuffers(w) : nullptr;
    for (int y0 = begin; y0 < end; y0 += blockRows) {
        const int y1 = std::min(end, y0 + blockRows);
        // Every reflected source row of the block lies in [s0, s1).
        const int s0 = std::max(0, y0 - radius), s1 = std::min(h, y1 + radius);
        const std::size_t count = static_cast<std::size_t>(s1 - s0);
        work.resize((3 * count + 2) * width);
        float* weightedCos = work.data();
        float* weightedSin = weightedCos + width;
        float* blurredCos = weightedSin + width;
        float* blurredSin = blurredCos + count * width;
        float* blurredAmplitude = blurredSin + count * width;
        for (int r = s0; r < s1; ++r) {
            const float* __restrict pa = a.row(r);
            const float* __restrict pb = b.row(r);
            const float* __restrict pm = m.row(r);
            float* __restrict ta = weightedCos;
            float* __restrict tb = weightedSin;
            for (int x = 0; x < w; ++x) {
                ta[x] = pm[x] * pa[x];
                tb[x] = pm[x] * pb[x];
            }
            const std::size_t offset = static_cast<std::size_t>(r - s0) * width;
            blurRow9(ta, blurredCos + offset, w, columns);
            blurRow9(tb, blurredSin + offset, w, columns);
            blurRow9(pm, blurredAmplitude + offset, w, columns);
        }
        for (int y = y0; y < y1; ++y) {
            const int* idx = rows.index.data() + static_cast<std::size_t>(y) * taps;
            const float* rowsCos[taps];
            const float* rowsSin[taps];
            const float* rowsAmplitude[taps];
            for (int t = 0; t < taps; ++t) {
                const std::size_t offset = static_cast<std::size_t>(idx[t] - s0) * width;
                rowsCos[t] = blurredCos + offset;
                rowsSin[t] = blurredSin + offset;
                rowsAmplitude[t] = blurredAmplitude + offset;
            }
            float* __restrict oa = target.band ? shiftRows : target.denoisedCos->row(y);
            float* __restrict ob = target.band ? shiftRows + width : target.denoisedSin->row(y);
            for (int x0 = 0; x0 < w; x0 += columnBlock) {
                const int n = std::min(columnBlock, w - x0);
                blurColumns9(rowsCos, x0, sumCos, n);
                blurColumns9(rowsSin, x0, sumSin, n);
                blurColumns9(rowsAmplitude, x0, sumAmplitude, n);
                for (int x = 0; x < n; ++x) {
                    const bool weighted = sumAmplitude[x] > kDenoiseAmplitudeFloor;
                    const float keep = detail::pick(weighted, 1.0f, 0.0f);
                    const float divisor = detail::pick(weighted, sumAmplitude[x], 1.0f);
                    oa[x0 + x] = sumCos[x] / divisor * keep;
                    ob[x0 + x] = sumSin[x] / divisor * keep;
                }
            }
            if (target.band) {
                float* r1 = shiftRows + 2 * width;
                float* r2 = shiftRows + 3 * width;
                rieszRow(*target.band, y, r1, r2);
                shiftSamples(target.band->row(y), r1, r2, oa, ob, target.factor,
                             target.shifted->row(y), 0, w);
            }
        }
    }
}

} // namespace

void rieszTransform(MotionWorkerPool& pool, const FloatPlane& level, FloatPlane& r1, FloatPlane& r2)
{
    if (level.isEmpty()) {
        r1.clear();
        r2.clear();
        return;
    }
    r1.reshape(level.width, level.height);
    r2.reshape(level.width, level.height);
    runParallel(pool, level.height, qint64(level.width) * 8,
                [&](int begin, int end) { rieszRows(level, r1, r2, begin, end); });
}

void quaternionPhaseDifference(MotionWorkerPool& pool, const FloatPlane& currentI,
                               const FloatPlane& currentR1, const FloatPlane& currentR2,
                               const FloatPlane& previousI, const FloatPlane& previousR1,
                               const FloatPlane& previousR2, FloatPlane& cosPart,
                               FloatPlane& sinPart, FloatPlane& amplitude)
{
    if (!allSameSize(currentI, {&currentR1, &currentR2, &previousI, &previousR1, &previousR2})) {
        cosPart.clear();
        sinPart.clear();
        amplitude.clear();
        return;
    }
    for (FloatPlane* p : {&cosPart, &sinPart, &amplitude}) {
        p->reshape(currentI.width, currentI.height);
        std::fill(p->samples.begin(), p->samples.end(), 0.0f);
    }
    const PhaseInputs in{currentI.samples.data(),   currentR1.samples.data(),
                         currentR2.samples.data(),  previousI.samples.data(),
                         previousR1.samples.data(), previousR2.samples.data()};
    runParallel(pool, static_cast<int>(currentI.size()), 32, [&](int begin, int end) {
        accumulateSamples(in, cosPart.samples.data(), sinPart.samples.data(),
                          amplitude.samples.data(), begin, end);
    });
}

bool accumulatePhase(MotionWorkerPool& pool, const FloatPlane& currentI,
                     const FloatPlane& currentR1, const FloatPlane& currentR2,
                     const FloatPlane& previousI, const FloatPlane& previousR1,
                     const FloatPlane& previousR2, FloatPlane& cosAccumulator,
                     FloatPlane& sinAccumulator, FloatPlane& amplitude)
{
    if (!allSameSize(currentI, {&currentR1, &currentR2, &previousI, &previousR1, &previousR2,
                                &cosAccumulator, &sinAccumulator}))
        return false;
    amplitude.reshape(currentI.width, currentI.height);
    const PhaseInputs in{currentI.samples.data(),   currentR1.samples.data(),
                         currentR2.samples.data(),  previousI.samples.data(),
                         previousR1.samples.data(), previousR2.samples.data()};
    runParallel(pool, static_cast<int>(currentI.size()), 32, [&](int begin, int end) {
        accumulateSamples(in, cosAccumulator.samples.data(), sinAccumulator.samples.data(),
                          amplitude.samples.data(), begin, end);
    });
    return true;
}

void denoisePhase(MotionWorkerPool& pool, FloatPlane& filteredCos, FloatPlane& filteredSin,
                  const FloatPlane& amplitude, DenoiseScratch* scratch)
{
    if (!allSameSize(filteredCos, {&filteredSin, &amplitude})) {
        filteredCos.clear();
        filteredSin.clear();
        return;
    }
    DenoiseScratch local;
    DenoiseScratch& s = scratch ? *scratch : local;
    const int w = filteredCos.width, h = filteredCos.height;
    s.denoisedCos.reshape(w, h);
    s.denoisedSin.reshape(w, h);
    s.columns.build(w, w, 1, 9);
    s.rows.build(h, h, 1, 9);
    const DenoiseTarget target{&s.denoisedCos, &s.denoisedSin};
    runParallel(pool, h, qint64(w) * (2 + 6 * 9), [&](int begin, int end) {
        denoiseRows(filteredCos, filteredSin, amplitude, s.columns, s.rows, target, begin, end);
    });
    // The results replace the inputs; their storage goes back to the scratch for next time.
    std::swap(filteredCos.samples, s.denoisedCos.samples);
    std::swap(filteredSin.samples, s.denoisedSin.samples);
}

void shiftPhase(MotionWorkerPool& pool, const FloatPlane& band, const FloatPlane& r1,
                const FloatPlane& r2, const FloatPlane& filteredCos, const FloatPlane& filteredSin,
                float factor, FloatPlane& out)
{
    if (!allSameSize(band, {&r1, &r2, &filteredCos, &filteredSin})) {
        out.clear();
        return;
    }
    out.reshape(band.width, band.height);
    runParallel(pool, static_cast<int>(band.size()), 24, [&](int begin, int end) {
        shiftSamples(band.samples.data(), r1.samples.data(), r2.samples.data(),
                     filteredCos.samples.data(), filteredSin.samples.data(), factor,
                     out.samples.data(), begin, end);
    });
}

bool accumulatePhase(MotionWorkerPool& pool, const FloatPlane& currentI,
                     const FloatPlane& previousI, FloatPlane& cosAccumulator,
                     FloatPlane& sinAccumulator, FloatPlane& amplitude,
                     const std::function<void(int, int)>& finished)
{
    if (!allSameSize(currentI, {&previousI, &cosAccumulator, &sinAccumulator}))
        return false;
    amplitude.reshape(currentI.width, currentI.height);
    // Blocks of rows small enough that the caller's follow-up reads them from cache.
    constexpr int kFinishedRows = 8;
    const int w = currentI.width;
    runParallel(pool, currentI.height, qint64(w) * (32 + 16), [&](int begin, int end) {
        for (int y0 = begin; y0 < end; y0 += kFinishedRows) {
            const int y1 = std::min(end, y0 + kFinishedRows);
            accumulateBandRows(currentI, previousI, cosAccumulator.samples.data(),
                               sinAccumulator.samples.data(), amplitude.samples.data(), y0, y1);
            if (finished)
                finished(y0 * w, y1 * w);
        }
    });
    return true;
}

void denoiseAndShiftPhase(MotionWorkerPool& pool, const FloatPlane& filteredCos,
                          const FloatPlane& filteredSin, const FloatPlane& amplitude,
                          const FloatPlane& band, float factor, FloatPlane& out,
                          DenoiseScratch* scratch)
{
    if (!allSameSize(filteredCos, {&filteredSin, &amplitude, &band}) || &out == &band) {
        out.clear();
        return;
    }
    DenoiseScratch local;
    DenoiseScratch& s = scratch ? *scratch : local;
    const int w = band.width, h = band.height;
    out.reshape(w, h);
    s.columns.build(w, w, 1, 9);
    s.rows.build(h, h, 1, 9);
    DenoiseTarget target;
    target.band = &band;
    target.factor = factor;
    target.shifted = &out;
    runParallel(pool, h, qint64(w) * (2 + 6 * 9 + 24 + 8), [&](int begin, int end) {
        denoiseRows(filteredCos, filteredSin, amplitude, s.columns, s.rows, target, begin, end);
    });
}

} // namespace orvi::motion_core
