#include "motion/PlaneKernels.h"

#include "motion/KernelSupport.h"
#include "motion/MotionWorkerPool.h"

#include <algorithm>
#include <cmath>

namespace orvi::motion_core {

using detail::BilinearAxis;
using detail::TapIndex;

int reflectHalfSample(int index, int n)
{
    if (n <= 1)
        return 0;
    while (index < 0 || index >= n)
        index = index < 0 ? -index - 1 : 2 * n - index - 1;
    return index;
}

int reflectWholeSample(int index, int n)
{
    if (n <= 1)
        return 0;
    while (index < 0 || index >= n)
        index = index < 0 ? -index : 2 * n - index - 2;
    return index;
}

void detail::BilinearAxis::build(int from, int to)
{
    first.resize(to);
    second.resize(to);
    weight.resize(to);
    const double scale = static_cast<double>(from) / to;
    for (int i = 0; i < to; ++i) {
        const double s = std::clamp((i + 0.5) * scale - 0.5, 0.0, double(from - 1));
        const int i0 = static_cast<int>(std::floor(s));
        first[i] = i0;
        second[i] = std::min(from - 1, i0 + 1);
        weight[i] = static_cast<float>(s - i0);
    }
    doubling = to == 2 * from && from > 1;
    for (int i = 1; doubling && i + 1 < to; ++i) {
        const int k = (i - 1) / 2;
        const bool odd = i % 2 == 1;
        const int expectedSecond = odd ? std::min(from - 1, k + 1) : k + 1;
        doubling =
            first[i] == k && second[i] == expectedSecond && weight[i] == (odd ? 0.25f : 0.75f);
    }
}

void detail::TapIndex::build(int n, int outputs, int stride, int tapCount)
{
    const int radius = tapCount / 2;
    index.resize(static_cast<std::size_t>(outputs) * tapCount);
    for (int o = 0; o < outputs; ++o) {
        const int centre = std::min(n - 1, o * stride);
        for (int k = 0; k < tapCount; ++k)
            index[static_cast<std::size_t>(o) * tapCount + k] =
                reflectHalfSample(centre + k - radius, n);
    }
}

namespace {

// ---- luminance --------------------------------------------------------------------------

ORVI_MOTION_HOT void lumaRowsRgba(const uchar* bits, qsizetype stride, int width, float* out,
                                  int begin, int end)
{
    for (int y = begin; y < end; ++y) {
        const uchar* p = bits + y * stride;
        float* o = out + static_cast<std::size_t>(y) * width;
        for (int x = 0; x < width; ++x) {
            const float r = p[4 * x], g = p[4 * x + 1], b = p[4 * x + 2];
            o[x] = 0.2126f * r + 0.7152f * g + 0.0722f * b;
        }
    }
}

ORVI_MOTION_HOT void lumaRowsArgb(const uchar* bits, qsizetype stride, int width, float* out,
                                  int begin, int end)
{
    for (int y = begin; y < end; ++y) {
        const quint32* p = reinterpret_cast<const quint32*>(bits + y * stride);
        float* o = out + static_cast<std::size_t>(y) * width;
        for (int x = 0; x < width; ++x) {
            const float r = (p[x] >> 16) & 0xff, g = (p[x] >> 8) & 0xff, b = p[x] & 0xff;
            o[x] = 0.2126f * r + 0.7152f * g + 0.0722f * b;
        }
    }
}

// A luminance image made by the analysis reading holds luminance × 256 (see
// media::LuminanceReducer).
void luminanceFromGrey16(MotionWorkerPool& pool, const QImage& image, FloatPlane& out)
{
    const int w = image.width();
    out.reshape(w, image.height());
    runParallel(pool, out.height, qint64(w), [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            const auto* p = reinterpret_cast<const quint16*>(image.constScanLine(y));
            float* o = out.samples.data() + static_cast<std::size_t>(y) * w;
            for (int x = 0; x < w; ++x)
                o[x] = float(p[x]) * (1.0f / 256.0f);
        }
    });
}

// ---- blur -------------------------------------------------------------------------------

// Horizontal pass over rows [begin, end) at output columns 0, stride, 2 * stride, ...
// Interior outputs run as straight loops over a compile-time tap count.
template <int Taps>
ORVI_MOTION_INLINE void horizontalRows(const FloatPlane& in, const float* taps,
                                       const TapIndex& columns, int outWidth, int stride,
                                       FloatPlane& out, int begin, int end)
{
    constexpr int radius = Taps / 2;
    const int w = in.width;
    // Outputs whose taps all fall inside the row.
    const int interiorBegin = std::min(outWidth, (radius + stride - 1) / stride);
    const int lastCentre = w - 1 - radius; // the last centre with every tap inside
    const int interiorEnd =
        lastCentre < 0 ? interiorBegin
                       : std::max(interiorBegin, std::min(outWidth, lastCentre / stride + 1));
    for (int y = begin; y < end; ++y) {
        const float* src = in.row(y);
        float* dst = out.row(y);
        auto bordered = [&](int o) {
            const int* idx = columns.index.data() + static_cast<std::size_t>(o) * Taps;
            float acc = taps[0] * src[idx[0]];
            for (int k = 1; k < Taps; ++k)
                acc += taps[k] * src[idx[k]];
            dst[o] = acc;
        };
        for (int o = 0; o < interiorBegin; ++o)
            bordered(o);
        for (int o = interiorBegin; o < interiorEnd; ++o) {
            const float* s = src + o * stride - radius;
            float acc = taps[0] * s[0];
            for (int k = 1; k < Taps; ++k)
                acc += taps[k] * s[k];
            dst[o] = acc;
        }
        for (int o = interiorEnd; o < outWidth; ++o)
            bordered(o);
    }
}

// Vertical pass: output row r sums the source rows listed for it in `rows`.
template <int Taps>
ORVI_MOTION_INLINE void verticalRows(const FloatPlane& in, const float* taps, const TapIndex& rows,
                                     FloatPlane& out, int begin, int end)
{
    const int w = in.width;
    for (int y = begin; y < end; ++y) {
        const int* idx = rows.index.data() + static_cast<std::size_t>(y) * Taps;
        const float* src[Taps];
        for (int k = 0; k < Taps; ++k)
            src[k] = in.row(idx[k]);
        float* dst = out.row(y);
        for (int x = 0; x < w; ++x) {
            float acc = taps[0] * src[0][x];
            for (int k = 1; k < Taps; ++k)
                acc += taps[k] * src[k][x];
            dst[x] = acc;
        }
    }
}

// Generic tap count: same sums, index table everywhere.
void horizontalRowsAny(const FloatPlane& in, const float* taps, int tapCount,
                       const TapIndex& columns, int outWidth, FloatPlane& out, int begin, int end)
{
    for (int y = begin; y < end; ++y) {
        const float* src = in.row(y);
        float* dst = out.row(y);
        for (int o = 0; o < outWidth; ++o) {
            const int* idx = columns.index.data() + static_cast<std::size_t>(o) * tapCount;
            float acc = taps[0] * src[idx[0]];
            for (int k = 1; k < tapCount; ++k)
                acc += taps[k] * src[idx[k]];
            dst[o] = acc;
        }
    }
}

void verticalRowsAny(const FloatPlane& in, const float* taps, int tapCount, const TapIndex& rows,
                     FloatPlane& out, int begin, int end)
{
    const int w = in.width;
    for (int y = begin; y < end; ++y) {
        const int* idx = rows.index.data() + static_cast<std::size_t>(y) * tapCount;
        float* dst = out.row(y);
        const float* first = in.row(idx[0]);
        for (int x = 0; x < w; ++x)
            dst[x] = taps[0] * first[x];
        for (int k = 1; k < tapCount; ++k) {
            const float* src = in.row(idx[k]);
            for (int x = 0; x < w; ++x)
                dst[x] += taps[k] * src[x];
        }
    }
}

ORVI_MOTION_HOT void horizontal5(const FloatPlane& in, const float* taps, const TapIndex& c, int ow,
                                 int stride, FloatPlane& out, int b, int e)
{
    horizontalRows<5>(in, taps, c, ow, stride, out, b, e);
}
ORVI_MOTION_HOT void horizontal9(const FloatPlane& in, const float* taps, const TapIndex& c, int ow,
                                 int stride, FloatPlane& out, int b, int e)
{
    horizontalRows<9>(in, taps, c, ow, stride, out, b, e);
}
ORVI_MOTION_HOT void vertical5(const FloatPlane& in, const float* taps, const TapIndex& r,
                               FloatPlane& out, int b, int e)
{
    verticalRows<5>(in, taps, r, out, b, e);
}
ORVI_MOTION_HOT void vertical9(const FloatPlane& in, const float* taps, const TapIndex& r,
                               FloatPlane& out, int b, int e)
{
    verticalRows<9>(in, taps, r, out, b, e);
}

// ---- bilinear resize --------------------------------------------------------------------

ORVI_MOTION_HOT void resizeRows(const FloatPlane& in, const BilinearAxis& ax,
                                const BilinearAxis& ay, FloatPlane& out, int begin, int end)
{
    const int w = out.width;
    const int* x0 = ax.first.data();
    const int* x1 = ax.second.data();
    const float* fx = ax.weight.data();
    for (int y = begin; y < end; ++y) {
        const float* r0 = in.row(ay.first[y]);
        const float* r1 = in.row(ay.second[y]);
        const float fy = ay.weight[y];
        float* dst = out.row(y);
        for (int x = 0; x < w; ++x) {
            const float top = r0[x0[x]] + (r0[x1[x]] - r0[x0[x]]) * fx[x];
            const float bottom = r1[x0[x]] + (r1[x1[x]] - r1[x0[x]]) * fx[x];
            dst[x] = top + (bottom - top) * fy;
        }
    }
}

} // namespace

// ---- public kernels ---------------------------------------------------------------------

void extractLuminanceInto(MotionWorkerPool& pool, const QImage& image, FloatPlane& out)
{
    if (image.isNull() || image.width() < 1 || image.height() < 1) {
        out.clear();
        return;
    }
    if (image.format() == QImage::Format_Grayscale16) {
        luminanceFromGrey16(pool, image, out);
        return;
    }
    // RGBA8888 and (A)RGB32 are read as they are; other formats go through non-premultiplied
    // ARGB32 first.
    QImage converted;
    const QImage* source = &image;
    const QImage::Format format = image.format();
    const bool rgbaBytes = format == QImage::Format_RGBA8888 || format == QImage::Format_RGBX8888;
    if (!rgbaBytes && format != QImage::Format_ARGB32 && format != QImage::Format_RGB32) {
        converted = image.convertToFormat(QImage::Format_ARGB32);
        source = &converted;
    }
    const int w = source->width();
    out.reshape(w, source->height());
    const uchar* bits = source->constBits();
    const qsizetype stride = source->bytesPerLine();
    float* dst = out.samples.data();
    runParallel(pool, out.height, qint64(w) * 5, [&](int begin, int end) {
        if (rgbaBytes)
            lumaRowsRgba(bits, stride, w, dst, begin, end);
        else
            lumaRowsArgb(bits, stride, w, dst, begin, end);
    });
}

FloatPlane extractLuminance(MotionWorkerPool& pool, const QImage& image)
{
    FloatPlane out;
    extractLuminanceInto(pool, image, out);
    return out;
}

void blurInto(MotionWorkerPool& pool, const FloatPlane& plane, const float* taps, int tapCount,
              FloatPlane& out, FloatPlane& scratch)
{
    if (plane.isEmpty() || !taps || tapCount < 1 || tapCount % 2 == 0) {
        out.clear();
        return;
    }
    const int w = plane.width, h = plane.height;
    TapIndex columns, rows;
    columns.build(w, w, 1, tapCount);
    rows.build(h, h, 1, tapCount);
    scratch.reshape(w, h);
    out.reshape(w, h);
    const qint64 cost = qint64(w) * tapCount;
    runParallel(pool, h, cost, [&](int begin, int end) {
        if (tapCount == 5)
            horizontal5(plane, taps, columns, w, 1, scratch, begin, end);
        else if (tapCount == 9)
            horizontal9(plane, taps, columns, w, 1, scratch, begin, end);
        else
            horizontalRowsAny(plane, taps, tapCount, columns, w, scratch, begin, end);
    });
    runParallel(pool, h, cost, [&](int begin, int end) {
        if (tapCount == 5)
            vertical5(scratch, taps, rows, out, begin, end);
        else if (tapCount == 9)
            vertical9(scratch, taps, rows, out, begin, end);
        else
            verticalRowsAny(scratch, taps, tapCount, rows, out, begin, end);
    });
}

FloatPlane blur(MotionWorkerPool& pool, const FloatPlane& plane, const float* taps, int tapCount)
{
    FloatPlane out, scratch;
    blurInto(pool, plane, taps, tapCount, out, scratch);
    return out;
}

FloatPlane downsample(MotionWorkerPool& pool, const FloatPlane& plane)
{
    FloatPlane out;
    if (plane.isEmpty())
        return out;
    const int w = std::max(1, (plane.width + 1) / 2), h = std::max(1, (plane.height + 1) / 2);
    out.reshape(w, h);
    runParallel(pool, h, w, [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            const float* src = plane.row(std::min(plane.height - 1, 2 * y));
            float* dst = out.row(y);
            for (int x = 0; x < w; ++x)
                dst[x] = src[std::min(plane.width - 1, 2 * x)];
        }
    });
    return out;
}

void resizeBilinearInto(MotionWorkerPool& pool, const FloatPlane& plane, int width, int height,
                        FloatPlane& out)
{
    if (plane.isEmpty() || width < 1 || height < 1) {
        out.clear();
        return;
    }
    BilinearAxis ax, ay;
    ax.build(plane.width, width);
    ay.build(plane.height, height);
    out.reshape(width, height);
    runParallel(pool, height, qint64(width) * 12,
                [&](int begin, int end) { resizeRows(plane, ax, ay, out, begin, end); });
}

FloatPlane resizeBilinear(MotionWorkerPool& pool, const FloatPlane& plane, int width, int height)
{
    FloatPlane out;
    resizeBilinearInto(pool, plane, width, height, out);
    return out;
}

namespace {

template <typename Op>
FloatPlane combine(MotionWorkerPool& pool, const FloatPlane& a, const FloatPlane& b, Op op)
{
    FloatPlane out;
    if (a.isEmpty() || b.isEmpty() || !a.sameSize(b))
        return out;
    out.reshape(a.width, a.height);
    const float* pa = a.samples.data();
    const float* pb = b.samples.data();
    float* po = out.samples.data();
    runParallel(pool, static_cast<int>(out.size()), 2, [&](int begin, int end) {
        for (int i = begin; i < end; ++i)
            po[i] = op(pa[i], pb[i]);
    });
    return out;
}

} // namespace

FloatPlane add(MotionWorkerPool& pool, const FloatPlane& a, const FloatPlane& b)
{
    return combine(pool, a, b, [](float x, float y) { return x + y; });
}

FloatPlane subtract(MotionWorkerPool& pool, const FloatPlane& a, const FloatPlane& b)
{
    return combine(pool, a, b, [](float x, float y) { return x - y; });
}

int pyramidLevelCount(int width, int height)
{
    int m = std::min(width, height);
    int count = 0;
    while (count < 4 && m >= 32) {
        ++count;
        m = (m + 1) / 2;
    }
    return count;
}

} // namespace orvi::motion_core
