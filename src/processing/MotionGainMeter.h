#pragma once

#include "motion/CellDisplacementTracker.h"
#include "motion/FloatPlane.h"
#include "motion/TemporalBandpassFilter.h"

#include <QImage>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <vector>

namespace orvi::processing {

// The motion gain an amplification actually reached in its band. The same cell displacement
// estimator that states the analysis' amplitudes (motion_core::CellDisplacementTracker) follows
// the region of interest in the source frames and in the processed frames, reduced to at most
// 160 pixels a side and kept clear of the region's feathered edge. Both displacements pass the
// band-pass filter of the amplification band (the temporal filter's own design); the gain is
// the square root of the ratio of their powers summed over all cells, once the filter has
// settled. The phase method's visible gain lies well below the factor (about
// 1 + 0.5 (factor - 1) on textured scenes).
class MotionGainMeter
{
public:
    // False, and the meter stays off, when the region leaves too few pixels or the band is
    // invalid at the capture rate.
    bool configure(const QSize& frameSize, const QRectF& regionOfInterest, double captureRate,
                   double lowerHz, double upperHz);
    bool isConfigured() const { return m_configured; }
    // One source frame and its processed counterpart, both of the configured frame size.
    void addFrames(const QImage& source, const QImage& processed);
    // NaN while unknown: not configured, not settled, or no motion in the band of the source
    // above the estimator's noise.
    double gain() const;

private:
    // One displacement component through the band-pass, and the power after settling.
    struct BandSeries
    {
        double s1 = 0.0;
        double s2 = 0.0;
        double power = 0.0;
        void add(double value, const motion_core::TemporalBandpassFilter::Coefficients& c,
                 bool settled);
    };

    void reduce(const QImage& image, motion_core::FloatPlane& plane) const;
    void filter(const motion_core::CellDisplacementTracker& tracker,
                std::vector<BandSeries>& series, bool settled);

    bool m_configured = false;
    QSize m_frameSize;
    QRect m_area; // source pixels measured
    int m_factor = 1;
    QSize m_reducedSize;
    motion_core::TemporalBandpassFilter::Coefficients m_coefficients;
    qint64 m_settlingFrames = 0;
    qint64 m_frames = 0;
    motion_core::FloatPlane m_plane;
    motion_core::CellDisplacementTracker m_sourceTracker;
    motion_core::CellDisplacementTracker m_processedTracker;
    std::vector<BandSeries> m_source;    // x and y per cell
    std::vector<BandSeries> m_processed; // likewise
    std::vector<bool> m_usable;          // per cell: finite in both so far
};

} // namespace orvi::processing
