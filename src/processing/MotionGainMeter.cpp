#include "processing/MotionGainMeter.h"

#include "motion/ProcessingRegion.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace orvi::processing {

using motion_core::CellDisplacementTracker;
using motion_core::TemporalBandpassFilter;

namespace {

constexpr int kMeterSide = 160;  // longest side of the reduced region, pixels
constexpr int kCellPixels = 16;  // nominal cell side in the reduced region
constexpr int kMaximumCells = 8; // per side
constexpr int kMinimumCellSide = 4;
// In-band displacement RMS of the source (pixels of the reduced region) below which the
// estimator's noise would decide the ratio.
constexpr double kMinimumBandRms = 0.002;

std::vector<int> cellEdges(int size, int cells)
{
    const int from = CellDisplacementTracker::kReach;
    const int span = size - 2 * from;
    std::vector<int> edges(size_t(cells) + 1);
    for (int i = 0; i <= cells; ++i)
        edges[size_t(i)] = from + span * i / cells;
    return edges;
}

int cellCount(int size)
{
    return std::clamp((size - 2 * CellDisplacementTracker::kReach) / kCellPixels, 1, kMaximumCells);
}

// Byte offsets of red, green and blue in a 32-bit pixel of the given format, or false.
bool channelOffsets(QImage::Format format, int* red, int* green, int* blue)
{
    switch (format) {
    case QImage::Format_RGBA8888:
    case QImage::Format_RGBX8888:
    case QImage::Format_RGBA8888_Premultiplied:
        *red = 0;
        *green = 1;
        *blue = 2;
        return true;
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        // 0xAARRGGBB in memory order B, G, R, A on little-endian machines.
        *red = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? 2 : 1;
        *green = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? 1 : 2;
        *blue = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? 0 : 3;
        return true;
    default:
        return false;
    }
}

} // namespace

void MotionGainMeter::BandSeries::add(double value, const TemporalBandpassFilter::Coefficients& c,
                                      bool settled)
{
    const double y = c.b0 * value + s1;
    s1 = c.b1 * value + s2 - c.a1 * y;
    s2 = c.b2 * value - c.a2 * y;
    if (settled)
        power += y * y;
}

bool MotionGainMeter::configure(const QSize& frameSize, const QRectF& regionOfInterest,
                                double captureRate, double lowerHz, double upperHz)
{
    m_configured = false;
    if (frameSize.isEmpty() ||
        !TemporalBandpassFilter::designCoefficients(captureRate, lowerHz, upperHz, &m_coefficients))
        return false;
    m_settlingFrames = TemporalBandpassFilter::settlingFrameCount(captureRate, lowerHz, upperHz);
    // Inside the feathered edge the amplification is at full strength.
    const QRectF pixels(regionOfInterest.x() * frameSize.width(),
                        regionOfInterest.y() * frameSize.height(),
                        regionOfInterest.width() * frameSize.width(),
                        regionOfInterest.height() * frameSize.height());
    const int inset = int(std::ceil(motion_core::featherWidth(frameSize)));
    m_area = pixels.toAlignedRect()
                 .intersected(QRect(QPoint(0, 0), frameSize))
                 .adjusted(inset, inset, -inset, -inset);
    if (m_area.isEmpty())
        return false;
    m_factor =
        std::max(1, (std::max(m_area.width(), m_area.height()) + kMeterSide - 1) / kMeterSide);
    m_reducedSize = m_area.size() / m_factor;
    const int minimum = 2 * CellDisplacementTracker::kReach + kMinimumCellSide;
    if (m_reducedSize.width() < minimum || m_reducedSize.height() < minimum)
        return false;
    const int columns = cellCount(m_reducedSize.width());
    const int rows = cellCount(m_reducedSize.height());
    for (CellDisplacementTracker* tracker : {&m_sourceTracker, &m_processedTracker})
        tracker->reset(m_reducedSize, cellEdges(m_reducedSize.width(), columns),
                       cellEdges(m_reducedSize.height(), rows));
    const size_t cells = size_t(columns) * size_t(rows);
    m_source.assign(2 * cells, BandSeries());
    m_processed.assign(2 * cells, BandSeries());
    m_usable.assign(cells, true);
    m_frameSize = frameSize;
    m_frames = 0;
    m_configured = true;
    return true;
}

// Luminance of the measured area, averaged over blocks of m_factor x m_factor pixels.
void MotionGainMeter::reduce(const QImage& image, motion_core::FloatPlane& plane) const
{
    int red = 0, green = 0, blue = 0;
    const QImage converted = channelOffsets(image.format(), &red, &green, &blue)
                                 ? image
                                 : image.copy(m_area).convertToFormat(QImage::Format_ARGB32);
    const QPoint origin = converted.size() == image.size() ? m_area.topLeft() : QPoint(0, 0);
    channelOffsets(converted.format(), &red, &green, &blue);
    const int width = m_reducedSize.width();
    plane.reshape(width, m_reducedSize.height());
    const float weight = 1.0f / float(m_factor * m_factor);
    for (int y = 0; y < plane.height; ++y) {
        float* out = plane.row(y);
        std::fill(out, out + width, 0.0f);
        for (int dy = 0; dy < m_factor; ++dy) {
            const uchar* line =
                converted.constScanLine(origin.y() + y * m_factor + dy) + size_t(origin.x()) * 4;
            for (int x = 0; x < width; ++x) {
                float sum = 0.0f;
                for (int dx = 0; dx < m_factor; ++dx) {
                    const uchar* p = line + size_t(x * m_factor + dx) * 4;
                    sum += 0.2126f * p[red] + 0.7152f * p[green] + 0.0722f * p[blue];
                }
                out[x] += sum;
            }
        }
        for (int x = 0; x < width; ++x)
            out[x] *= weight;
    }
}

void MotionGainMeter::filter(const CellDisplacementTracker& tracker,
                             std::vector<BandSeries>& series, bool settled)
{
    const std::vector<float>& displacement = tracker.displacement();
    for (size_t cell = 0; cell < m_usable.size(); ++cell) {
        const float x = displacement[2 * cell];
        const float y = displacement[2 * cell + 1];
        if (!std::isfinite(x) || !std::isfinite(y)) {
            m_usable[cell] = false;
            continue;
        }
        series[2 * cell].add(x, m_coefficients, settled);
        series[2 * cell + 1].add(y, m_coefficients, settled);
    }
}

void MotionGainMeter::addFrames(const QImage& source, const QImage& processed)
{
    if (!m_configured || source.size() != m_frameSize || processed.size() != m_frameSize)
        return;
    const bool settled = m_frames > m_settlingFrames;
    reduce(source, m_plane);
    m_sourceTracker.addFrame(m_plane);
    reduce(processed, m_plane);
    m_processedTracker.addFrame(m_plane);
    filter(m_sourceTracker, m_source, settled);
    filter(m_processedTracker, m_processed, settled);
    ++m_frames;
}

double MotionGainMeter::gain() const
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const qint64 settledFrames = m_frames - m_settlingFrames - 1;
    if (!m_configured || settledFrames < 1)
        return nan;
    double source = 0.0;
    double processed = 0.0;
    qint64 samples = 0;
    for (size_t cell = 0; cell < m_usable.size(); ++cell) {
        if (!m_usable[cell])
            continue;
        source += m_source[2 * cell].power + m_source[2 * cell + 1].power;
        processed += m_processed[2 * cell].power + m_processed[2 * cell + 1].power;
        samples += 2 * settledFrames;
    }
    if (samples < 1 || !(std::sqrt(source / double(samples)) >= kMinimumBandRms))
        return nan;
    return std::sqrt(processed / source);
}

} // namespace orvi::processing
