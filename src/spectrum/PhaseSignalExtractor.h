#pragma once

#include "motion/FloatPlane.h"
#include "motion/RieszPyramid.h"
#include "records/AcceptedSignal.h"
#include "records/GridSite.h"

#include <QImage>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <memory>
#include <vector>

namespace orvi::motion_core {
class MotionWorkerPool;
}

namespace orvi::spectrum {

// Follows the local image phase at one textured pixel per grid cell through a fragment and
// keeps every point's phase series (NaN where a sample was rejected). One per analysis run.
class PhaseSignalExtractor
{
public:
    PhaseSignalExtractor();
    ~PhaseSignalExtractor();

    PhaseSignalExtractor(const PhaseSignalExtractor&) = delete;
    PhaseSignalExtractor& operator=(const PhaseSignalExtractor&) = delete;

    // `sampleCount` is the number of phase samples, one less than the frames to come.
    void initialise(const QRectF& analysisRegion, int sampleCount, const QSize& grid,
                    motion_core::MotionWorkerPool& pool);
    // Consumes one decoded frame. False when the frame cannot be analysed: limits exceeded,
    // an analysis image too small for the grid or differing from the first frame's, or more
    // frames than announced.
    bool addFrame(const QImage& frame);
    // Consumes one frame already reduced to its analysis image: `crop` of a `frameSize`
    // frame (source pixels) scaled as `addFrame` would. Every frame of a run must come the
    // same way, so that all analysis images are resampled alike.
    bool addAnalysisImage(const QImage& analysisImage, const QRect& crop, const QSize& frameSize);
    // Hands out every point (grid order) and, for the accepted ones, the signal records and
    // their longest continuous X and Y segments (X then Y per point). The extractor is empty
    // afterwards.
    void finish(std::vector<std::vector<float>>& series,
                std::vector<project_data::AcceptedSignal>& acceptedSignals,
                std::vector<project_data::GridSite>& sites);

    int siteCount() const { return int(m_sites.size()); }
    QSize analysisImageSize() const { return m_imageSize; }

private:
    struct WorkingSite
    {
        project_data::GridSite site;
        int x = 0;
        int y = 0;
        float previousI = 0.0f;
        float previousR1 = 0.0f;
        float previousR2 = 0.0f;
        float sumX = 0.0f;
        float sumY = 0.0f;
    };

    bool withinLimits() const;
    bool acceptAnalysisImage(const QRect& crop, const QSize& frameSize);
    bool consume(const QRect& crop, const QSize& frameSize);
    void transform();
    void layOutSites();
    void appendSamples();

    QRectF m_region;
    int m_sampleCount = 0;
    QSize m_grid;
    bool m_initialised = false;
    QSize m_imageSize;
    QRect m_crop;      // of the first frame, in source pixels
    QSize m_frameSize; // source frame size of the first frame
    int m_framesSeen = 0;
    motion_core::MotionWorkerPool* m_pool = nullptr;
    std::unique_ptr<motion_core::RieszPyramid> m_pyramid;
    std::vector<WorkingSite> m_sites;

    // Per-frame work, reused between frames.
    QImage m_analysisImage;
    motion_core::FloatPlane m_luminance;
    motion_core::FloatPlane m_residual;
    std::vector<motion_core::FloatPlane> m_levels;
    std::vector<motion_core::FloatPlane> m_r1;
    std::vector<motion_core::FloatPlane> m_r2;
    motion_core::PyramidScratch m_scratch;
};

} // namespace orvi::spectrum
