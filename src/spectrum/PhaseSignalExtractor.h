#pragma once

#include "motion/CellDisplacementTracker.h"
#include "motion/FloatPlane.h"
#include "motion/RieszPyramid.h"
#include "records/AcceptedSignal.h"
#include "records/GridSite.h"

#include <QImage>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <algorithm>
#include <memory>
#include <vector>

namespace orvi::motion_core {
class MotionWorkerPool;
}

namespace orvi::spectrum {

// Follows the local image phase at one textured pixel per grid cell through a fragment and
// keeps every point's phase series (NaN where a sample was rejected). One per analysis run.
//
// A textured cell (one whose finest level has a pixel of energy above 1.0 on the first frame)
// is read on the pyramid level where its phase is steadiest: lens blur moves an edge's energy
// to coarser levels, and sensor and compression noise weigh differently on each level. The
// cell's strongest pixel on every level is followed through a trial of the first samples;
// the level with the fewest rejected samples and the smallest phase steps keeps the cell.
// Phases are expressed in radians of the finest level (a level-k phase times 2^k), so points
// read on different levels measure the same displacement alike.
//
// Beside the phase, every textured cell's displacement in pixels of the source frame is
// followed on the analysis image's luminance (motion_core::CellDisplacementTracker, over the
// cell itself), so that vibration amplitudes can be stated in pixels.
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
    // Whether cell displacements are measured (on unless switched off before the first frame).
    void setDisplacementTracking(bool enabled) { m_trackDisplacement = enabled; }
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

    // Pyramid levels read for an analysis image of this size and grid: a level's pixel may
    // not outgrow the smallest cell, and the pyramid's own limit holds.
    static int levelCountFor(const QSize& imageSize, const QSize& grid);
    // Samples of the level trial (fewer when the fragment is shorter).
    static constexpr int kLevelTrialSamples = 256;

private:
    // The phase of one cell read at one pixel of one level.
    struct Track
    {
        int level = 0;
        int x = 0; // pixel at that level
        int y = 0;
        float previousI = 0.0f;
        float previousR1 = 0.0f;
        float previousR2 = 0.0f;
        float sumX = 0.0f;
        float sumY = 0.0f;
        qint32 lowContrast = 0;
        qint32 phaseJump = 0;
        qint32 nonFinite = 0;
        double squaredSteps = 0.0; // accepted phase steps in the level's radians, squared
        std::vector<float> seriesX;
        std::vector<float> seriesY;

        qint32 rejected() const { return lowContrast + phaseJump + nonFinite; }
    };

    struct WorkingSite
    {
        project_data::GridSite site;
        std::vector<Track> tracks; // one per level during the trial, then the chosen one
    };

    bool withinLimits() const;
    bool acceptAnalysisImage(const QRect& crop, const QSize& frameSize);
    bool consume(const QRect& crop, const QSize& frameSize);
    void transform();
    void layOutSites();
    void layOutSite(int column, int row, WorkingSite& working) const;
    void appendSamples();
    void appendSample(Track& track) const;
    void resetDisplacementTracker();
    void appendDisplacements();
    void chooseTrack(WorkingSite& working) const;
    void placeSite(project_data::GridSite& site, const Track& track) const;
    int trialSamples() const { return std::min(m_sampleCount, kLevelTrialSamples); }

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
    bool m_trackDisplacement = true;
    motion_core::CellDisplacementTracker m_tracker;

    // Per-frame work, reused between frames.
    QImage m_analysisImage;
    motion_core::FloatPlane m_luminance;
    motion_core::FloatPlane m_residual;
    std::vector<motion_core::FloatPlane> m_levels;
    motion_core::PyramidScratch m_scratch;
};

} // namespace orvi::spectrum
