#include "motion/ImageShift.h"

#include "motion/KernelSupport.h"
#include "motion/MotionWorkerPool.h"

#include <algorithm>
#include <cmath>

namespace orvi::motion_core {

namespace {

// Every pass rounds to 8 bits, so all arithmetic fits 16-bit lanes (at most one level off
// the exact blend): as the two weights add up to 256, no sum reaches 2^16, and cutting the
// sums to 16 bits before the shift lets the compiler keep every lane at 16 bits.

// One row across: `in` points at the first source pixel; the far pixel is 4 bytes on.
ORVI_MOTION_HOT_INTEGER void blendAcross(const uchar* __restrict in, uchar* __restrict out,
                                         int bytes, uint16_t near, uint16_t far)
{
    for (int j = 0; j < bytes; ++j)
        out[j] = uchar(uint16_t(in[j] * near + in[j + 4] * far + 128u) >> 8);
}

// Two rows blended across, blended down.
ORVI_MOTION_HOT_INTEGER void blendDown(const uchar* __restrict upper, const uchar* __restrict lower,
                                       uchar* __restrict out, int bytes, uint16_t near,
                                       uint16_t far)
{
    for (int j = 0; j < bytes; ++j)
        out[j] = uchar(uint16_t(upper[j] * near + lower[j] * far + 128u) >> 8);
}

// A 32-bit copy of the source in the format the moved image gets.
QImage thirtyTwoBit(const QImage& source)
{
    return source.depth() == 32 ? source : source.convertToFormat(QImage::Format_ARGB32);
}

void prepareTarget(const QImage& source, const QSize& size, QImage& target)
{
    if (target.size() != size || target.format() != source.format() ||
        target.constBits() == source.constBits())
        target = QImage(size, source.format());
}

// One row of 16-bit grey samples blended across and down: `upper` and `lower` point at the
// first source sample of each source row; the far sample is the next one.
ORVI_MOTION_HOT void blendGrey(const quint16* __restrict upper, const quint16* __restrict lower,
                               quint16* __restrict out, int count, uint32_t xNear, uint32_t xFar,
                               uint32_t yNear, uint32_t yFar)
{
    for (int i = 0; i < count; ++i) {
        const uint32_t top = (upper[i] * xNear + upper[i + 1] * xFar + 128u) >> 8;
        const uint32_t bottom = (lower[i] * xNear + lower[i + 1] * xFar + 128u) >> 8;
        out[i] = quint16((top * yNear + bottom * yFar + 128u) >> 8);
    }
}

// Rows [begin, end) of `area` of a 16-bit grey image moved with the same weights; the sums
// stay in 32 bits.
void shiftGreyRows(const QImage& source, const QPointF& offset, const QRect& area, uchar* bits,
                   qsizetype stride, int begin, int end)
{
    const ImageShift::Axis x = ImageShift::axisFor(offset.x());
    const ImageShift::Axis y = ImageShift::axisFor(offset.y());
    const int w = source.width();
    const int h = source.height();
    // Area columns whose two source samples both lie inside the row.
    const int first = std::clamp(-x.whole - area.left(), 0, area.width());
    const int last = std::clamp(w - 1 - x.whole - area.left(), first, area.width()); // exclusive
    for (int row = begin; row < end; ++row) {
        const int sourceRow = area.top() + row + y.whole;
        const auto* upper =
            reinterpret_cast<const quint16*>(source.constScanLine(std::clamp(sourceRow, 0, h - 1)));
        const auto* lower = reinterpret_cast<const quint16*>(
            source.constScanLine(std::clamp(sourceRow + 1, 0, h - 1)));
        auto* out = reinterpret_cast<quint16*>(bits + row * stride);
        const auto edge = [&](int column) {
            const int x0 = std::clamp(area.left() + column + x.whole, 0, w - 1);
            const int x1 = std::clamp(area.left() + column + x.whole + 1, 0, w - 1);
            const uint32_t top = (upper[x0] * x.near + upper[x1] * x.far + 128u) >> 8;
            const uint32_t bottom = (lower[x0] * x.near + lower[x1] * x.far + 128u) >> 8;
            out[column] = quint16((top * y.near + bottom * y.far + 128u) >> 8);
        };
        for (int column = 0; column < first; ++column)
            edge(column);
        const int from = area.left() + first + x.whole;
        blendGrey(upper + from, lower + from, out + first, last - first, x.near, x.far, y.near,
                  y.far);
        for (int column = last; column < area.width(); ++column)
            edge(column);
    }
}

} // namespace

ImageShift::ImageShift(const QImage& source, const QPointF& offset, int from, int to)
    : m_source(source), m_x(axisFor(offset.x())), m_y(axisFor(offset.y())), m_from(from), m_to(to)
{
    for (std::vector<uchar>& row : m_across)
        row.resize(std::size_t(std::max(to - from, 0)) * 4);
}

ImageShift::Axis ImageShift::axisFor(double offset)
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

const uchar* ImageShift::across(int sourceRow)
{
    sourceRow = std::clamp(sourceRow, 0, m_source.height() - 1);
    for (std::size_t i = 0; i < 2; ++i)
        if (m_acrossRow[i] == sourceRow)
            return m_across[i].data();
    // Into the buffer filled before the last one, which the next target row no longer needs.
    m_lastFilled = 1 - m_lastFilled;
    m_acrossRow[std::size_t(m_lastFilled)] = sourceRow;
    uchar* out = m_across[std::size_t(m_lastFilled)].data();
    const uchar* in = m_source.constScanLine(sourceRow);
    const int w = m_source.width();
    // Columns whose two source pixels both lie inside the row.
    const int first = std::clamp(-m_x.whole, m_from, m_to);
    const int last = std::clamp(w - 1 - m_x.whole, first, m_to); // exclusive
    const auto edge = [&](int column) {
        const int x0 = std::clamp(column + m_x.whole, 0, w - 1);
        const int x1 = std::clamp(column + m_x.whole + 1, 0, w - 1);
        for (int c = 0; c < 4; ++c)
            out[4 * (column - m_from) + c] =
                uchar((in[4 * x0 + c] * m_x.near + in[4 * x1 + c] * m_x.far + 128u) >> 8);
    };
    for (int column = m_from; column < first; ++column)
        edge(column);
    if (last > first)
        blendAcross(in + 4 * (first + m_x.whole), out + 4 * (first - m_from), 4 * (last - first),
                    uint16_t(m_x.near), uint16_t(m_x.far));
    for (int column = last; column < m_to; ++column)
        edge(column);
    return out;
}

void ImageShift::row(int row, int from, int to, uchar* out)
{
    const uchar* upper = across(row + m_y.whole);
    const uchar* lower = across(row + m_y.whole + 1);
    const int offset = 4 * (from - m_from);
    blendDown(upper + offset, lower + offset, out, 4 * (to - from), uint16_t(m_y.near),
              uint16_t(m_y.far));
}

void shiftImage(const QImage& source, const QPointF& offset, QImage& target, MotionWorkerPool* pool)
{
    shiftImageArea(source, offset, source.rect(), target, pool);
}

void shiftImageArea(const QImage& source, const QPointF& offset, const QRect& area, QImage& target,
                    MotionWorkerPool* pool)
{
    if (source.isNull() || !std::isfinite(offset.x()) || !std::isfinite(offset.y()) ||
        area.isEmpty() || !source.rect().contains(area)) {
        target = QImage();
        return;
    }
    const bool grey = source.format() == QImage::Format_Grayscale16;
    const QImage input = grey ? source : thirtyTwoBit(source);
    prepareTarget(input, area.size(), target);
    // Detached here, once: the rows below are written from several threads.
    uchar* const bits = target.bits();
    const qsizetype stride = target.bytesPerLine();
    const int from = area.left(), to = area.left() + area.width();
    const auto rows = [&](int begin, int end) {
        if (grey) {
            shiftGreyRows(input, offset, area, bits, stride, begin, end);
            return;
        }
        ImageShift shift(input, offset, from, to);
        for (int y = begin; y < end; ++y)
            shift.row(area.top() + y, from, to, bits + y * stride);
    };
    if (pool)
        runParallel(*pool, area.height(), qint64(area.width()) * 8, rows);
    else
        rows(0, area.height());
}

} // namespace orvi::motion_core
