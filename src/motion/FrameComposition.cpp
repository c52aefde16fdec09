#include "motion/FrameComposition.h"

#include "motion/ImageShift.h"
#include "motion/KernelSupport.h"
#include "motion/MotionWorkerPool.h"
#include "motion/ProcessingRegion.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace orvi::motion_core {

namespace {

float smoothStep(double distance, double feather)
{
    const double t = std::clamp(distance / feather, 0.0, 1.0);
    return static_cast<float>(t * t * (3.0 - 2.0 * t));
}

// regionWeight() split by axis. The weight depends on min(dx, dy), the smaller of the
// column's and the row's distance to the region edge, so it is the smoothstep of whichever
// is smaller: both are evaluated once per column and once per row.
class RegionWeights
{
public:
    RegionWeights(int width, int height, const QRectF& region, double feather)
        : m_whole(isWholeFrame(region)), m_feather(feather)
    {
        if (m_whole)
            return;
        axis(width, region.left(), region.right(), m_columnDistance, m_columnWeight);
        axis(height, region.top(), region.bottom(), m_rowDistance, m_rowWeight);
    }

    // Weights of row y into `out` (width samples).
    void row(int y, float* __restrict out, int width) const
    {
        if (m_whole) {
            std::fill(out, out + width, 1.0f);
            return;
        }
        const double dy = m_rowDistance[y];
        const float wy = m_rowWeight[y];
        const double* __restrict dx = m_columnDistance.data();
        const float* __restrict wx = m_columnWeight.data();
        const bool rowInside = dy >= 0.0;
        for (int x = 0; x < width; ++x) {
            const bool inside = rowInside & (dx[x] >= 0.0);
            out[x] = detail::pick(inside, detail::pick(dx[x] <= dy, wx[x], wy), 0.0f);
        }
    }

private:
    void axis(int size, double low, double high, std::vector<double>& distance,
              std::vector<float>& weight) const
    {
        distance.resize(size);
        weight.resize(size);
        for (int i = 0; i < size; ++i) {
            const double u = (i + 0.5) / size;
            const bool outside = u < low || u > high;
            distance[i] = outside ? -1.0 : size * std::min(u - low, high - u);
            weight[i] = outside            ? 0.0f
                        : m_feather <= 0.0 ? 1.0f
                                           : smoothStep(distance[i], m_feather);
        }
    }

    bool m_whole;
    double m_feather;
    std::vector<double> m_columnDistance;
    std::vector<float> m_columnWeight;
    std::vector<double> m_rowDistance;
    std::vector<float> m_rowWeight;
};

// channel + delta rounded half away from zero and clamped to 0..255 (NaN gives 0), in integer
// steps that vectorise.
inline int shiftedChannel(int channel, float delta)
{
    float v = static_cast<float>(channel) + delta;
    v = detail::pick(v > 256.0f, 256.0f, v);
    v = detail::pick(v >= -1.0f, v, -1.0f);
    int rounded = static_cast<int>(v);
    const float fraction = v - static_cast<float>(rounded);
    rounded += int(fraction >= 0.5f) - int(fraction <= -0.5f);
    return std::clamp(rounded, 0, 255);
}

struct CompositionRow
{
    const uchar* source;
    bool rgbaBytes;
    bool opaque;
    const float* before;
    const float* after;
    const float* roiWeight;
    const float* expandedWeight; // null without blending
    float k;
    float* delta;
    quint32* out;
};

ORVI_MOTION_HOT void composeRow(const CompositionRow& row, int w)
{
    float* __restrict delta = row.delta;
    const float* __restrict before = row.before;
    const float* __restrict after = row.after;
    const float* __restrict wr = row.roiWeight;
    if (row.expandedWeight) {
        const float* __restrict we = row.expandedWeight;
        for (int x = 0; x < w; ++x) {
            const float w2 = row.k * we[x];
            delta[x] = (after[x] - before[x]) * ((1.0f - w2) * wr[x] + w2);
        }
    } else {
        for (int x = 0; x < w; ++x)
            delta[x] = (after[x] - before[x]) * wr[x];
    }
    quint32* __restrict out = row.out;
    if (row.rgbaBytes) {
        const uchar* __restrict p = row.source;
        const quint32 opaqueMask = row.opaque ? 0xffu : 0u;
        for (int x = 0; x < w; ++x) {
            const quint32 alpha = p[4 * x + 3];
            const quint32 a = alpha | opaqueMask;
            out[x] = (a << 24) | (quint32(shiftedChannel(p[4 * x], delta[x])) << 16) |
                     (quint32(shiftedChannel(p[4 * x + 1], delta[x])) << 8) |
                     quint32(shiftedChannel(p[4 * x + 2], delta[x]));
        }
    } else {
        const quint32* __restrict p = reinterpret_cast<const quint32*>(row.source);
        for (int x = 0; x < w; ++x) {
            out[x] = (p[x] & 0xff000000u) |
                     (quint32(shiftedChannel((p[x] >> 16) & 0xff, delta[x])) << 16) |
                     (quint32(shiftedChannel((p[x] >> 8) & 0xff, delta[x])) << 8) |
                     quint32(shiftedChannel(p[x] & 0xff, delta[x]));
        }
    }
}

} // namespace

QImage composeLuminanceChange(MotionWorkerPool& pool, const QImage& image,
                              const FloatPlane& inputLuminance,
                              const FloatPlane& processedLuminance, const QRectF& regionOfInterest,
                              const QRectF& expandedRegion, double expandedWeight,
                              double featherPixels)
{
    const int w = image.width(), h = image.height();
    if (image.isNull() || inputLuminance.isEmpty() || processedLuminance.isEmpty() ||
        inputLuminance.width != w || inputLuminance.height != h ||
        !inputLuminance.sameSize(processedLuminance))
        return image;

    const QImage::Format format = image.format();
    const bool rgbaBytes = format == QImage::Format_RGBA8888 || format == QImage::Format_RGBX8888;
    QImage source = image;
    if (!rgbaBytes && format != QImage::Format_ARGB32)
        source = image.convertToFormat(QImage::Format_ARGB32);
    QImage result(w, h, QImage::Format_ARGB32);
    if (result.isNull() || source.isNull())
        return QImage();

    const RegionWeights roi(w, h, regionOfInterest, featherPixels);
    const bool blendExpanded = expandedWeight > 0.0 && expandedRegion != regionOfInterest;
    const RegionWeights expanded(w, h, blendExpanded ? expandedRegion : regionOfInterest,
                                 featherPixels);

    runParallel(pool, h, qint64(w) * 16, [&](int begin, int end) {
        std::vector<float> buffers(static_cast<std::size_t>(w) * 3);
        float* roiWeight = buffers.data();
        float* expandedRow = roiWeight + w;
        for (int y = begin; y < end; ++y) {
            roi.row(y, roiWeight, w);
            if (blendExpanded)
                expanded.row(y, expandedRow, w);
            const CompositionRow row{source.constScanLine(y),
                                     rgbaBytes,
                                     format == QImage::Format_RGBX8888,
                                     inputLuminance.row(y),
                                     processedLuminance.row(y),
                                     roiWeight,
                                     blendExpanded ? expandedRow : nullptr,
                                     static_cast<float>(expandedWeight),
                                     expandedRow + w,
                                     reinterpret_cast<quint32*>(result.scanLine(y))};
            composeRow(row, w);
        }
    });
    return result;
}

QImage pasteRegion(const QImage& fullFrame, const QImage& crop, const QPoint& topLeft)
{
    if (fullFrame.isNull() || crop.isNull() ||
        !fullFrame.rect().contains(QRect(topLeft, crop.size())))
        return fullFrame;
    QImage result = fullFrame.convertToFormat(QImage::Format_ARGB32);
    QPainter painter(&result);
    if (!painter.isActive())
        return fullFrame;
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(topLeft, crop);
    painter.end();
    return result;
}

} // namespace orvi::motion_core

namespace orvi::motion_core {

namespace {

// One row of RGBA8888 bytes (R, G, B, A) as ARGB32 words; `opaque` forces alpha to 255.
ORVI_MOTION_HOT_INTEGER void rgbaRowToArgb(const uchar* source, quint32* out, int width,
                                           bool opaque)
{
    const quint32 alphaMask = opaque ? 0xff000000u : 0u;
    for (int x = 0; x < width; ++x) {
        const quint32 r = source[4 * x], g = source[4 * x + 1], b = source[4 * x + 2],
                      a = source[4 * x + 3];
        out[x] = (a << 24) | alphaMask | (r << 16) | (g << 8) | b;
    }
}

// The frame formats whose rows convertRow() turns into ARGB32.
bool isRowFormat(QImage::Format format)
{
    return format == QImage::Format_RGBA8888 || format == QImage::Format_RGBX8888 ||
           format == QImage::Format_ARGB32 || format == QImage::Format_RGB32;
}

void convertRow(const uchar* in, quint32* out, int width, QImage::Format format)
{
    if (format == QImage::Format_RGBA8888 || format == QImage::Format_RGBX8888)
        rgbaRowToArgb(in, out, width, format == QImage::Format_RGBX8888);
    else if (format == QImage::Format_RGB32)
        for (int x = 0; x < width; ++x)
            out[x] = reinterpret_cast<const quint32*>(in)[x] | 0xff000000u;
    else
        std::memcpy(out, in, std::size_t(width) * 4);
}

bool fitsFastPaste(const QImage& fullFrame, const QImage& crop, const QPoint& topLeft)
{
    return !fullFrame.isNull() && !crop.isNull() && crop.format() == QImage::Format_ARGB32 &&
           isRowFormat(fullFrame.format()) &&
           fullFrame.rect().contains(QRect(topLeft, crop.size()));
}

} // namespace

QImage pasteRegion(MotionWorkerPool& pool, const QImage& fullFrame, const QImage& crop,
                   const QPoint& topLeft)
{
    if (!fitsFastPaste(fullFrame, crop, topLeft))
        return pasteRegion(fullFrame, crop, topLeft);

    const QImage::Format format = fullFrame.format();
    const int w = fullFrame.width(), h = fullFrame.height();
    QImage result(fullFrame.size(), QImage::Format_ARGB32);
    if (result.isNull())
        return result;
    const QRect target(topLeft, crop.size());
    runParallel(pool, h, qint64(w) * 2, [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            quint32* out = reinterpret_cast<quint32*>(result.scanLine(y));
            convertRow(fullFrame.constScanLine(y), out, w, format);
            if (y >= target.top() && y <= target.bottom())
                std::memcpy(out + target.left(), crop.constScanLine(y - target.top()),
                            std::size_t(target.width()) * 4);
        }
    });
    return result;
}

QImage pasteRegionShifted(MotionWorkerPool& pool, const QImage& fullFrame, const QPointF& offset,
                          const QImage& crop, const QPoint& topLeft)
{
    if (!fitsFastPaste(fullFrame, crop, topLeft) || !std::isfinite(offset.x()) ||
        !std::isfinite(offset.y())) {
        QImage moved;
        shiftImage(fullFrame, offset, moved, &pool);
        return pasteRegion(pool, moved, crop, topLeft);
    }

    const QImage::Format format = fullFrame.format();
    const int w = fullFrame.width(), h = fullFrame.height();
    QImage result(fullFrame.size(), QImage::Format_ARGB32);
    if (result.isNull())
        return result;
    const QRect target(topLeft, crop.size());
    runParallel(pool, h, qint64(w) * 8, [&](int begin, int end) {
        ImageShift shift(fullFrame, offset, 0, w);
        std::vector<uchar> moved(std::size_t(w) * 4);
        // Pixels [from, to) of row y, moved, then converted into the result.
        const auto movedPart = [&](int y, int from, int to, quint32* out) {
            if (from >= to)
                return;
            shift.row(y, from, to, moved.data());
            convertRow(moved.data(), out + from, to - from, format);
        };
        for (int y = begin; y < end; ++y) {
            quint32* out = reinterpret_cast<quint32*>(result.scanLine(y));
            if (y < target.top() || y > target.bottom()) {
                movedPart(y, 0, w, out);
                continue;
            }
            movedPart(y, 0, target.left(), out);
            std::memcpy(out + target.left(), crop.constScanLine(y - target.top()),
                        std::size_t(target.width()) * 4);
            movedPart(y, target.right() + 1, w, out);
        }
    });
    return result;
}

} // namespace orvi::motion_core
