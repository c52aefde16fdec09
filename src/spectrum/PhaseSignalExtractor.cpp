#include "spectrum/PhaseSignalExtractor.h"

#include "motion/MotionWorkerPool.h"
#include "motion/PhaseKernels.h"
#include "motion/PlaneKernels.h"
#include "spectrum/SpectrumAnalysisLimits.h"

#include <cmath>
#include <limits>

namespace orvi::spectrum {

namespace {

constexpr int kMinimumSamples = 64;
constexpr int kMaximumSamples = 65536;
constexpr int kMaximumColumns = 64;
constexpr int kMaximumRows = 32;
// Energy and amplitude floors, in luminance units of 0 ... 255.
constexpr float kTextureEnergy = 1.0f;
constexpr float kMinimumAmplitude = 1.0f;
// A phase step beyond a quarter turn of the finest level between frames is taken as a
// tracking failure.
constexpr float kMaximumPhaseStep = 1.5707963f;

// The crop of a 32-bit frame without copying it; other formats are copied. Decoded video is
// opaque, so RGBA is read as RGBX: smooth scaling then works on the bytes as they are instead
// of converting the whole frame to premultiplied ARGB first. Luminance ignores alpha.
QImage cropView(const QImage& frame, const QRect& crop)
{
    if (frame.depth() != 32)
        return frame.copy(crop);
    const QImage::Format format =
        frame.format() == QImage::Format_RGBA8888 ? QImage::Format_RGBX8888 : frame.format();
    const uchar* origin =
        frame.constBits() + qsizetype(crop.y()) * frame.bytesPerLine() + qsizetype(crop.x()) * 4;
    return QImage(origin, crop.width(), crop.height(), frame.bytesPerLine(), format);
}

// Band value and Riesz components of one pixel of a level: the three-tap transform with the
// whole-sample symmetric border, as the full-plane transform computes them.
struct Reading
{
    float i = 0.0f;
    float r1 = 0.0f;
    float r2 = 0.0f;
};

Reading readAt(const motion_core::FloatPlane& band, int x, int y)
{
    const int w = band.width;
    const int h = band.height;
    const float* row = band.row(y);
    return {row[x],
            0.5f * (row[motion_core::reflectWholeSample(x - 1, w)] -
                    row[motion_core::reflectWholeSample(x + 1, w)]),
            0.5f * (band.at(x, motion_core::reflectWholeSample(y - 1, h)) -
                    band.at(x, motion_core::reflectWholeSample(y + 1, h)))};
}

// First pixel of a level whose finest-level position (pixel << level) is at least `from`.
int firstPixelAt(int from, int level)
{
    return (from + (1 << level) - 1) >> level;
}

} // namespace

int PhaseSignalExtractor::levelCountFor(const QSize& imageSize, const QSize& grid)
{
    if (grid.width() < 1 || grid.height() < 1)
        return 1;
    const int cell = std::min((imageSize.width() - 2 * kGridMargin) / grid.width(),
                              (imageSize.height() - 2 * kGridMargin) / grid.height());
    int levels = 1;
    while ((1 << levels) <= cell)
        ++levels;
    const int pyramidLimit =
        motion_core::RieszPyramid::levelCountFor(imageSize.width(), imageSize.height());
    return std::max(1, std::min(levels, pyramidLimit));
}

PhaseSignalExtractor::PhaseSignalExtractor() = default;
PhaseSignalExtractor::~PhaseSignalExtractor() = default;

void PhaseSignalExtractor::initialise(const QRectF& analysisRegion, int sampleCount,
                                      const QSize& grid, motion_core::MotionWorkerPool& pool)
{
    m_region = analysisRegion;
    m_sampleCount = sampleCount;
    m_grid = grid;
    m_initialised = false;
    m_imageSize = QSize();
    m_crop = QRect();
    m_frameSize = QSize();
    m_framesSeen = 0;
    m_pool = &pool;
    m_pyramid.reset();
    m_sites.clear();
}

bool PhaseSignalExtractor::withinLimits() const
{
    const qint64 points = qint64(m_grid.width()) * m_grid.height();
    return m_pool && m_sampleCount >= kMinimumSamples && m_sampleCount <= kMaximumSamples &&
           m_grid.width() >= 1 && m_grid.height() >= 1 && m_grid.width() <= kMaximumColumns &&
           m_grid.height() <= kMaximumRows && qint64(m_sampleCount) * points <= kSignalSampleBudget;
}

bool PhaseSignalExtractor::addFrame(const QImage& frame)
{
    const QRect crop = analysisCropRect(m_region, frame.size());
    if (frame.isNull() || crop.isNull())
        return false;
    const QImage view = cropView(frame, crop);
    const QSize fitted = fittedAnalysisSize(crop.size());
    // The analysis image may point into the caller's frame; `consume` never keeps it.
    m_analysisImage = fitted == crop.size()
                          ? view
                          : view.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return consume(crop, frame.size());
}

bool PhaseSignalExtractor::addAnalysisImage(const QImage& analysisImage, const QRect& crop,
                                            const QSize& frameSize)
{
    m_analysisImage = analysisImage;
    return consume(crop, frameSize);
}

bool PhaseSignalExtractor::consume(const QRect& crop, const QSize& frameSize)
{
    const bool ok =
        withinLimits() && m_framesSeen <= m_sampleCount && acceptAnalysisImage(crop, frameSize);
    if (ok) {
        transform();
        if (!m_initialised)
            layOutSites();
        else
            appendSamples();
        ++m_framesSeen;
    }
    m_analysisImage = QImage();
    return ok;
}

bool PhaseSignalExtractor::acceptAnalysisImage(const QRect& crop, const QSize& frameSize)
{
    const int w = m_analysisImage.width();
    const int h = m_analysisImage.height();
    if (m_analysisImage.isNull() || crop.isEmpty() || w < kMinimumAnalysisSide ||
        h < kMinimumAnalysisSide || m_grid.width() > (w - 2 * kGridMargin) / kMinimumCellPixels ||
        m_grid.height() > (h - 2 * kGridMargin) / kMinimumCellPixels)
        return false;
    if (m_initialised && QSize(w, h) != m_imageSize)
        return false;
    if (!m_initialised) {
        m_imageSize = QSize(w, h);
        m_crop = crop;
        m_frameSize = frameSize;
        m_pyramid = std::make_unique<motion_core::RieszPyramid>(levelCountFor(m_imageSize, m_grid),
                                                                *m_pool);
    }
    return true;
}

void PhaseSignalExtractor::transform()
{
    motion_core::extractLuminanceInto(*m_pool, m_analysisImage, m_luminance);
    // Riesz components are read only at the tracked pixels (`readAt`).
    m_pyramid->decompose(m_luminance, m_levels, m_residual, &m_scratch);
}

void PhaseSignalExtractor::layOutSites()
{
    const int columns = m_grid.width();
    m_sites.assign(size_t(columns) * size_t(m_grid.height()), WorkingSite());
    for (size_t index = 0; index < m_sites.size(); ++index)
        layOutSite(int(index % size_t(columns)), int(index / size_t(columns)), m_sites[index]);
    if (m_trackDisplacement)
        resetDisplacementTracker();
    m_initialised = true;
}

void PhaseSignalExtractor::resetDisplacementTracker()
{
    // The tracker's cells are the grid's cells, laid out as in layOutSite.
    const auto edges = [](int span, int count) {
        std::vector<int> edges(size_t(count) + 1);
        for (int i = 0; i <= count; ++i)
            edges[size_t(i)] = span * i / count + kGridMargin;
        return edges;
    };
    m_tracker.reset(m_imageSize, edges(m_imageSize.width() - 2 * kGridMargin, m_grid.width()),
                    edges(m_imageSize.height() - 2 * kGridMargin, m_grid.height()));
    m_tracker.addFrame(m_luminance);
    for (WorkingSite& working : m_sites) {
        if (!working.site.textured)
            continue;
        working.site.displacementSeriesX.reserve(size_t(m_sampleCount));
        working.site.displacementSeriesY.reserve(size_t(m_sampleCount));
    }
}

void PhaseSignalExtractor::appendDisplacements()
{
    m_tracker.addFrame(m_luminance);
    const std::vector<float>& displacement = m_tracker.displacement();
    if (displacement.size() != 2 * m_sites.size())
        return;
    // Analysis-image pixels to source pixels.
    const float scaleX = float(m_crop.width()) / float(m_imageSize.width());
    const float scaleY = float(m_crop.height()) / float(m_imageSize.height());
    for (size_t i = 0; i < m_sites.size(); ++i) {
        project_data::GridSite& site = m_sites[i].site;
        if (!site.textured)
            continue;
        site.displacementSeriesX.push_back(displacement[2 * i] * scaleX);
        site.displacementSeriesY.push_back(displacement[2 * i + 1] * scaleY);
    }
}

void PhaseSignalExtractor::layOutSite(int column, int row, WorkingSite& working) const
{
    const int columns = m_grid.width();
    const int rows = m_grid.height();
    const int spanX = m_imageSize.width() - 2 * kGridMargin;
    const int spanY = m_imageSize.height() - 2 * kGridMargin;
    const int x0 = spanX * column / columns + kGridMargin;
    const int x1 = spanX * (column + 1) / columns + kGridMargin;
    const int y0 = spanY * row / rows + kGridMargin;
    const int y1 = spanY * (row + 1) / rows + kGridMargin;

    // The strongest pixel of the cell on every level; on equal energies the first one wins.
    for (int level = 0; level < int(m_levels.size()); ++level) {
        const motion_core::FloatPlane& band = m_levels[size_t(level)];
        const int lastX = std::min((x1 - 1) >> level, band.width - 1);
        const int lastY = std::min((y1 - 1) >> level, band.height - 1);
        float bestEnergy = kTextureEnergy;
        Track best;
        bool found = false;
        for (int y = firstPixelAt(y0, level); y <= lastY; ++y) {
            for (int x = firstPixelAt(x0, level); x <= lastX; ++x) {
                const Reading r = readAt(band, x, y);
                const float energy = r.i * r.i + r.r1 * r.r1 + r.r2 * r.r2;
                if (energy > bestEnergy) {
                    bestEnergy = energy;
                    best.x = x;
                    best.y = y;
                    found = true;
                }
            }
        }
        // Whether a cell is textured is decided on the finest level alone, as the coarser
        // levels of an untextured cell would only see its neighbours' structure.
        if (!found && level == 0)
            break;
        if (!found)
            continue;
        const Reading r = readAt(band, best.x, best.y);
        best.level = level;
        best.previousI = r.i;
        best.previousR1 = r.r1;
        best.previousR2 = r.r2;
        best.seriesX.reserve(size_t(trialSamples()));
        best.seriesY.reserve(size_t(trialSamples()));
        working.tracks.push_back(std::move(best));
    }

    project_data::GridSite& site = working.site;
    site.textured = !working.tracks.empty();
    if (site.textured) {
        placeSite(site, working.tracks.front());
    } else {
        Track centre;
        centre.x = spanX * (2 * column + 1) / (2 * columns) + kGridMargin;
        centre.y = spanY * (2 * row + 1) / (2 * rows) + kGridMargin;
        placeSite(site, centre);
    }
    const double scaleX = double(m_crop.width()) / m_imageSize.width();
    const double scaleY = double(m_crop.height()) / m_imageSize.height();
    const double sourceW = m_frameSize.width();
    const double sourceH = m_frameSize.height();
    site.cellRect =
        QRectF((x0 * scaleX + m_crop.x()) / sourceW, (y0 * scaleY + m_crop.y()) / sourceH,
               (x1 - x0) * scaleX / sourceW, (y1 - y0) * scaleY / sourceH);
}

void PhaseSignalExtractor::placeSite(project_data::GridSite& site, const Track& track) const
{
    const double scaleX = double(m_crop.width()) / m_imageSize.width();
    const double scaleY = double(m_crop.height()) / m_imageSize.height();
    // A level-k pixel p sits at finest-level pixel p * 2^k (downsampling keeps even samples).
    const int x = track.x << track.level;
    const int y = track.y << track.level;
    site.pyramidLevel = track.level;
    site.sampleX = ((x + 0.5) * scaleX + m_crop.x()) / m_frameSize.width();
    site.sampleY = ((y + 0.5) * scaleY + m_crop.y()) / m_frameSize.height();
}

void PhaseSignalExtractor::appendSamples()
{
    // After this frame, m_framesSeen samples exist.
    const bool trialEnds = m_framesSeen == trialSamples();
    if (m_trackDisplacement)
        appendDisplacements();
    for (WorkingSite& working : m_sites) {
        for (Track& track : working.tracks)
            appendSample(track);
        if (trialEnds)
            chooseTrack(working);
    }
}

void PhaseSignalExtractor::appendSample(Track& track) const
{
    const Reading now = readAt(m_levels[size_t(track.level)], track.x, track.y);
    const motion_core::PhaseDifference d = motion_core::quaternionPhaseDifference(
        now.i, now.r1, now.r2, track.previousI, track.previousR1, track.previousR2);
    // In radians of the finest level, so that the jump rule means the same displacement on
    // every level.
    const float scale = float(1 << track.level);
    bool accepted = false;
    if (!std::isfinite(d.amplitude) || !std::isfinite(d.cosPart) || !std::isfinite(d.sinPart))
        ++track.nonFinite;
    else if (d.amplitude < kMinimumAmplitude)
        ++track.lowContrast;
    else if (std::hypot(d.cosPart, d.sinPart) * scale > kMaximumPhaseStep)
        ++track.phaseJump;
    else
        accepted = true;
    if (accepted) {
        track.sumX += d.cosPart * scale;
        track.sumY += d.sinPart * scale;
        track.seriesX.push_back(track.sumX);
        track.seriesY.push_back(track.sumY);
        track.squaredSteps += double(d.cosPart) * d.cosPart + double(d.sinPart) * d.sinPart;
    } else {
        // Each continuous run restarts from zero phase.
        const float nan = std::numeric_limits<float>::quiet_NaN();
        track.seriesX.push_back(nan);
        track.seriesY.push_back(nan);
        track.sumX = 0.0f;
        track.sumY = 0.0f;
    }
    track.previousI = now.i;
    track.previousR1 = now.r1;
    track.previousR2 = now.r2;
}

// Keeps the level with the fewest rejected trial samples, then the steadiest phase (the
// smallest mean squared step in the level's own radians: noise moves the phase least where
// the band's amplitude stands out most from it), then the finest.
void PhaseSignalExtractor::chooseTrack(WorkingSite& working) const
{
    if (working.tracks.empty())
        return;
    const auto meanSquaredStep = [](const Track& track) {
        const qint64 accepted = qint64(track.seriesX.size()) - track.rejected();
        return accepted > 0 ? track.squaredSteps / double(accepted)
                            : std::numeric_limits<double>::infinity();
    };
    size_t best = 0;
    for (size_t i = 1; i < working.tracks.size(); ++i) {
        const Track& candidate = working.tracks[i];
        const Track& current = working.tracks[best];
        if (candidate.rejected() < current.rejected() ||
            (candidate.rejected() == current.rejected() &&
             meanSquaredStep(candidate) < meanSquaredStep(current)))
            best = i;
    }
    if (best != 0)
        std::swap(working.tracks.front(), working.tracks[best]);
    working.tracks.resize(1);
    Track& chosen = working.tracks.front();
    chosen.seriesX.reserve(size_t(m_sampleCount));
    chosen.seriesY.reserve(size_t(m_sampleCount));
    placeSite(working.site, chosen);
}

void PhaseSignalExtractor::finish(std::vector<std::vector<float>>& series,
                                  std::vector<project_data::AcceptedSignal>& acceptedSignals,
                                  std::vector<project_data::GridSite>& sites)
{
    const int minimumSegment = std::max((m_sampleCount + 3) / 4, kMinimumSamples);
    for (WorkingSite& working : m_sites) {
        project_data::GridSite& site = working.site;
        chooseTrack(working);
        if (!working.tracks.empty()) {
            Track& track = working.tracks.front();
            site.lowContrastSamples = track.lowContrast;
            site.phaseJumpSamples = track.phaseJump;
            site.nonFiniteSamples = track.nonFinite;
            site.phaseSeriesX = std::move(track.seriesX);
            site.phaseSeriesY = std::move(track.seriesY);
        }
        const int count = int(site.phaseSeriesX.size());
        int runStart = 0;
        bool inRun = false;
        for (int k = 0; k <= count; ++k) {
            const bool valid = k < count && std::isfinite(site.phaseSeriesX[size_t(k)]) &&
                               std::isfinite(site.phaseSeriesY[size_t(k)]);
            if (valid) {
                ++site.validSamples;
                if (!inRun)
                    runStart = k;
                inRun = true;
                continue;
            }
            if (inRun && k - runStart > site.segmentLength) {
                site.segmentStart = runStart;
                site.segmentLength = k - runStart;
            }
            if (k < count && (k == 0 || inRun))
                ++site.gapCount;
            inRun = false;
        }
        site.accepted = site.textured && site.segmentLength >= minimumSegment;
        if (site.accepted) {
            project_data::AcceptedSignal signal;
            signal.sampleX = site.sampleX;
            signal.sampleY = site.sampleY;
            signal.cellRect = site.cellRect;
            acceptedSignals.push_back(std::move(signal));
            const auto first = std::ptrdiff_t(site.segmentStart);
            const auto last = first + std::ptrdiff_t(site.segmentLength);
            series.emplace_back(site.phaseSeriesX.begin() + first,
                                site.phaseSeriesX.begin() + last);
            series.emplace_back(site.phaseSeriesY.begin() + first,
                                site.phaseSeriesY.begin() + last);
        }
        sites.push_back(std::move(site));
    }
    m_sites.clear();
    m_initialised = false;
}

} // namespace orvi::spectrum
