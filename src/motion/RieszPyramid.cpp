#include "motion/RieszPyramid.h"

#include "motion/KernelSupport.h"
#include "motion/MotionWorkerPool.h"
#include "motion/PhaseKernels.h"
#include "motion/PlaneKernels.h"

#include <algorithm>
#include <vector>

namespace orvi::motion_core {

namespace {

using detail::BilinearAxis;
using detail::TapIndex;

// Horizontal 5-tap pass at the even columns of rows [begin, end).
ORVI_MOTION_HOT void blurEvenColumns(const FloatPlane& in, const TapIndex& columns, FloatPlane& out,
                                     int begin, int end)
{
    constexpr int taps = 5, radius = 2;
    const float* k = kPyramidTaps;
    const int w = in.width, outWidth = out.width;
    // Centre 2o needs 2 <= 2o and 2o + 2 <= w - 1.
    const int interiorBegin = std::min(outWidth, 1);
    const int interiorEnd = std::max(interiorBegin, std::min(outWidth, (w - 3) / 2 + 1));
    for (int y = begin; y < end; ++y) {
        const float* src = in.row(y);
        float* dst = out.row(y);
        auto bordered = [&](int o) {
            const int* idx = columns.index.data() + static_cast<std::size_t>(o) * taps;
            float acc = k[0] * src[idx[0]];
            for (int t = 1; t < taps; ++t)
                acc += k[t] * src[idx[t]];
            dst[o] = acc;
        };
        for (int o = 0; o < interiorBegin; ++o)
            bordered(o);
        for (int o = interiorBegin; o < interiorEnd; ++o) {
            const float* s = src + 2 * o - radius;
            float acc = k[0] * s[0];
            acc += k[1] * s[1];
            acc += k[2] * s[2];
            acc += k[3] * s[3];
            acc += k[4] * s[4];
            dst[o] = acc;
        }
        for (int o = interiorEnd; o < outWidth; ++o)
            bordered(o);
    }
}

// Vertical 5-tap pass at the even rows: output rows [begin, end).
ORVI_MOTION_HOT void blurEvenRows(const FloatPlane& in, const TapIndex& rows, FloatPlane& out,
                                  int begin, int end)
{
    constexpr int taps = 5;
    const float* k = kPyramidTaps;
    const int w = in.width;
    for (int y = begin; y < end; ++y) {
        const int* idx = rows.index.data() + static_cast<std::size_t>(y) * taps;
        const float* s0 = in.row(idx[0]);
        const float* s1 = in.row(idx[1]);
        const float* s2 = in.row(idx[2]);
        const float* s3 = in.row(idx[3]);
        const float* s4 = in.row(idx[4]);
        float* dst = out.row(y);
        for (int x = 0; x < w; ++x) {
            float acc = k[0] * s0[x];
            acc += k[1] * s1[x];
            acc += k[2] * s2[x];
            acc += k[3] * s3[x];
            acc += k[4] * s4[x];
            dst[x] = acc;
        }
    }
}

// Row `r` of n samples resized to 2n (an exact doubling, see BilinearAxis): the table's
// formula with the neighbours and weights of the inner outputs known by position, four
// pairs at a time; the first and the last output as the table has them.
ORVI_MOTION_INLINE void doubleRow(const float* r, int n, const BilinearAxis& ax, float* out)
{
    const auto fromTable = [&](int x) {
        const int i0 = ax.first[x], i1 = ax.second[x];
        return r[i0] + (r[i1] - r[i0]) * ax.weight[x];
    };
    out[0] = fromTable(0);
    int k = 0;
#if defined(__SSE2__)
    const __m128 quarter = _mm_set1_ps(0.25f), threeQuarters = _mm_set1_ps(0.75f);
    for (; k + 5 <= n; k += 4) {
        const __m128 here = _mm_loadu_ps(r + k);
        const __m128 step = _mm_sub_ps(_mm_loadu_ps(r + k + 1), here);
        const __m128 odd = _mm_add_ps(here, _mm_mul_ps(step, quarter));
        const __m128 even = _mm_add_ps(here, _mm_mul_ps(step, threeQuarters));
        _mm_storeu_ps(out + 2 * k + 1, _mm_unpacklo_ps(odd, even));
        _mm_storeu_ps(out + 2 * k + 5, _mm_unpackhi_ps(odd, even));
    }
#endif
    for (; k + 1 < n; ++k) {
        out[2 * k + 1] = r[k] + (r[k + 1] - r[k]) * 0.25f;
        out[2 * k + 2] = r[k] + (r[k + 1] - r[k]) * 0.75f;
    }
    out[2 * n - 1] = fromTable(2 * n - 1);
}

// One output row of a bilinear resize of `small`, combined with `full` by `sign`:
// sign -1 gives full - up (band split), +1 gives up + full (reconstruction). Every row of
// `small` feeds about four output rows (as the upper or lower neighbour), so each is resized
// along x once and kept while needed; the values are the same floats either way. The two
// rows an output row needs differ by at most one, so they never share a parity slot.
template <bool Subtract>
ORVI_MOTION_INLINE void upsampleCombineRows(const FloatPlane& small, const BilinearAxis& ax,
                                            const BilinearAxis& ay, const FloatPlane& full,
                                            FloatPlane& out, int begin, int end)
{
    const int w = out.width;
    const int* x0 = ax.first.data();
    const int* x1 = ax.second.data();
    const float* fx = ax.weight.data();
    thread_local std::vector<float> resized;
    resized.resize(2 * static_cast<std::size_t>(w));
    int resizedRow[2] = {-1, -1};
    const auto rowAlongX = [&](int row) -> const float* {
        const int slot = row & 1;
        float* target = resized.data() + static_cast<std::size_t>(slot) * w;
        if (resizedRow[slot] != row) {
            const float* r = small.row(row);
            if (ax.doubling) {
                doubleRow(r, small.width, ax, target);
            } else {
                for (int x = 0; x < w; ++x)
                    target[x] = r[x0[x]] + (r[x1[x]] - r[x0[x]]) * fx[x];
            }
            resizedRow[slot] = row;
        }
        return target;
    };
    for (int y = begin; y < end; ++y) {
        const float* top = rowAlongX(ay.first[y]);
        const float* bottom = rowAlongX(ay.second[y]);
        const float fy = ay.weight[y];
        const float* f = full.row(y);
        float* dst = out.row(y);
        for (int x = 0; x < w; ++x) {
            const float up = top[x] + (bottom[x] - top[x]) * fy;
            dst[x] = Subtract ? f[x] - up : up + f[x];
        }
    }
}

ORVI_MOTION_HOT void bandRows(const FloatPlane& small, const BilinearAxis& ax,
                              const BilinearAxis& ay, const FloatPlane& full, FloatPlane& out,
                              int begin, int end)
{
    upsampleCombineRows<true>(small, ax, ay, full, out, begin, end);
}

ORVI_MOTION_HOT void rebuildRows(const FloatPlane& small, const BilinearAxis& ax,
                                 const BilinearAxis& ay, const FloatPlane& full, FloatPlane& out,
                                 int begin, int end)
{
    upsampleCombineRows<false>(small, ax, ay, full, out, begin, end);
}

} // namespace

RieszPyramid::RieszPyramid(int levelCount, MotionWorkerPool& pool)
    : m_levelCount(std::max(levelCount, 1)), m_pool(pool)
{}

int RieszPyramid::levelCountFor(int width, int height)
{
    return pyramidLevelCount(width, height);
}

void RieszPyramid::decompose(const FloatPlane& luminance, std::vector<FloatPlane>& levels,
                             FloatPlane& residual, PyramidScratch* scratch) const
{
    if (luminance.isEmpty()) {
        levels.clear();
        residual.clear();
        return;
    }
    PyramidScratch local;
    PyramidScratch& s = scratch ? *scratch : local;
    levels.resize(static_cast<std::size_t>(m_levelCount));
    const FloatPlane* current = &luminance;
    for (int level = 0; level < m_levelCount; ++level) {
        const int w = current->width, h = current->height;
        const int w2 = std::max(1, (w + 1) / 2), h2 = std::max(1, (h + 1) / 2);
        FloatPlane& down = level + 1 == m_levelCount ? residual : s.down[level % 2];
        FloatPlane& band = levels[static_cast<std::size_t>(level)];
        s.rowBlurred.reshape(w2, h);
        down.reshape(w2, h2);
        band.reshape(w, h);
        s.columns.build(w, w2, 2, 5);
        s.rows.build(h, h2, 2, 5);
        s.axisX.build(w2, w);
        s.axisY.build(h2, h);

        runParallel(m_pool, h, qint64(w) * 5, [&](int begin, int end) {
            blurEvenColumns(*current, s.columns, s.rowBlurred, begin, end);
        });
        runParallel(m_pool, h2, qint64(w2) * 5, [&](int begin, int end) {
            blurEvenRows(s.rowBlurred, s.rows, down, begin, end);
        });
        runParallel(m_pool, h, qint64(w) * 14, [&](int begin, int end) {
            bandRows(down, s.axisX, s.axisY, *current, band, begin, end);
        });
        current = &down;
    }
}

void RieszPyramid::rieszTransform(const std::vector<FloatPlane>& levels,
                                  std::vector<FloatPlane>& r1, std::vector<FloatPlane>& r2) const
{
    r1.resize(levels.size());
    r2.resize(levels.size());
    for (std::size_t i = 0; i < levels.size(); ++i)
        motion_core::rieszTransform(m_pool, levels[i], r1[i], r2[i]);
}

void RieszPyramid::reconstruct(const std::vector<FloatPlane>& levels, const FloatPlane& residual,
                               FloatPlane& out, PyramidScratch* scratch) const
{
    if (residual.isEmpty()) {
        out.clear();
        return;
    }
    if (levels.empty()) {
        out = residual;
        return;
    }
    PyramidScratch local;
    PyramidScratch& s = scratch ? *scratch : local;
    const FloatPlane* previous = &residual;
    for (int level = static_cast<int>(levels.size()) - 1; level >= 0; --level) {
        const FloatPlane& band = levels[static_cast<std::size_t>(level)];
        if (band.isEmpty()) {
            out.clear();
            return;
        }
        FloatPlane& target = level == 0 ? out : s.rebuilt[level % 2];
        target.reshape(band.width, band.height);
        s.axisX.build(previous->width, band.width);
        s.axisY.build(previous->height, band.height);
        runParallel(m_pool, band.height, qint64(band.width) * 14, [&](int begin, int end) {
            rebuildRows(*previous, s.axisX, s.axisY, band, target, begin, end);
        });
        previous = &target;
    }
}

} // namespace orvi::motion_core
