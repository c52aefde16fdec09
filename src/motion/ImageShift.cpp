#include "motion/ImageShift.h"

#include "motion/KernelSupport.h"
#include "motion/MotionWorkerPool.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace orvi::motion_core {

namespace {

// Offsets and 8-bit weights of one axis: sample p = i + whole + fraction.
struct Axis
{
    int whole = 0;
    uint32_t far = 0; // weight of sample whole + 1, 0 ... 256
    uint32_t near = 256;
};

Axis axisFor(double offset)
{
    const double position = -offset; // target i reads source i - offset
    const double whole = std::floor(position);
    Axis axis;
    axis.whole = int(whole);
    axis.far = uint32_t(std::lround((position - whole) * 256.0));
    if (axis.far == 256) {
        ++axis.whole;
        axis.far = 0;
    }
    axis.near = 256 - axis.far;
    return axis;
}

ORVI_MOTION_HOT void blendRow(const uchar* __restrict upper, const uchar* __restrict lower,
                              uchar* __restrict out, int bytes, uint16_t xNear, uint16_t xFar,
                              uint16_t yNear, uint16_t yFar)
{
    // upper and lower point at the first source pixel; the far pixel is 4 bytes on. Each pass
    // rounds to 8 bits, so all arithmetic fits 16-bit lanes (at most one level off the exact
    // blend).
    for (int j = 0; j < bytes; ++j) {
        const uint16_t top = uint16_t((upper[j] * xNear + upper[j + 4] * xFar + 128u) >> 8);
        const uint16_t bottom = uint16_t((lower[j] * xNear + lower[j + 4] * xFar + 128u) >> 8);
        out[j] = uchar((top * yNear + bottom * yFar + 128u) >> 8);
    }
}

uint32_t blendPixel(const uchar* upper, const uchar* lower, int x0, int x1, int channel,
                    const Axis& x, const Axis& y)
{
    const uint32_t top =
        (upper[4 * x0 + channel] * x.near + upper[4 * x1 + channel] * x.far + 128u) >> 8;
    const uint32_t bottom =
        (lower[4 * x0 + channel] * x.near + lower[4 * x1 + channel] * x.far + 128u) >> 8;
    return (top * y.near + bottom * y.far + 128u) >> 8;
}

void shiftRows(const QImage& source, QImage& target, const Axis& x, const Axis& y, int begin,
               int end)
{
    const int w = source.width();
    const int h = source.height();
    // Target columns whose two source pixels both lie inside the row.
    const int first = std::clamp(-x.whole, 0, w);
    const int last = std::clamp(w - 1 - x.whole, first, w); // exclusive
    for (int row = begin; row < end; ++row) {
        const uchar* upper = source.constScanLine(std::clamp(row + y.whole, 0, h - 1));
        const uchar* lower = source.constScanLine(std::clamp(row + y.whole + 1, 0, h - 1));
        uchar* out = target.scanLine(row);
        const auto edge = [&](int column) {
            const int x0 = std::clamp(column + x.whole, 0, w - 1);
            const int x1 = std::clamp(column + x.whole + 1, 0, w - 1);
            for (int c = 0; c < 4; ++c)
                out[4 * column + c] = uchar(blendPixel(upper, lower, x0, x1, c, x, y));
        };
        for (int column = 0; column < first; ++column)
            edge(column);
        if (last > first) {
            const int from = 4 * (first + x.whole);
            blendRow(upper + from, lower + from, out + 4 * first, 4 * (last - first), x.near, x.far,
                     y.near, y.far);
        }
        for (int column = std::max(last, first); column < w; ++column)
            edge(column);
    }
}

// The 16-bit grey rows of a luminance image, with the same weights; sums stay in 32 bits.
void shiftGreyRows(const QImage& source, QImage& target, const Axis& x, const Axis& y, int begin,
                   int end)
{
    const int w = source.width();
    const int h = source.height();
    for (int row = begin; row < end; ++row) {
        const auto* upper = reinterpret_cast<const quint16*>(
            source.constScanLine(std::clamp(row + y.whole, 0, h - 1)));
        const auto* lower = reinterpret_cast<const quint16*>(
            source.constScanLine(std::clamp(row + y.whole + 1, 0, h - 1)));
        auto* out = reinterpret_cast<quint16*>(target.scanLine(row));
        for (int column = 0; column < w; ++column) {
            const int x0 = std::clamp(column + x.whole, 0, w - 1);
            const int x1 = std::clamp(column + x.whole + 1, 0, w - 1);
            const uint32_t top = (upper[x0] * x.near + upper[x1] * x.far + 128u) >> 8;
            const uint32_t bottom = (lower[x0] * x.near + lower[x1] * x.far + 128u) >> 8;
            out[column] = quint16((top * y.near + bottom * y.far + 128u) >> 8);
        }
    }
}

} // namespace

void shiftImage(const QImage& source, const QPointF& offset, QImage& target, MotionWorkerPool* pool)
{
    if (source.isNull() || !std::isfinite(offset.x()) || !std::isfinite(offset.y())) {
        target = QImage();
        return;
    }
    const bool grey = source.format() == QImage::Format_Grayscale16;
    if (source.depth() != 32 && !grey) {
        shiftImage(source.convertToFormat(QImage::Format_ARGB32), offset, target, pool);
        return;
    }
    if (target.size() != source.size() || target.format() != source.format() ||
        target.constBits() == source.constBits())
        target = QImage(source.size(), source.format());
    const Axis x = axisFor(offset.x());
    const Axis y = axisFor(offset.y());
    const int h = source.height();
    const auto rows = [&](int begin, int end) {
        if (grey)
            shiftGreyRows(source, target, x, y, begin, end);
        else
            shiftRows(source, target, x, y, begin, end);
    };
    if (pool)
        runParallel(*pool, h, qint64(source.width()) * 8, rows);
    else
        rows(0, h);
}

} // namespace orvi::motion_core
