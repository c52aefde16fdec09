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
// A phase step beyond a quarter turn between frames is taken as a tracking failure.
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

} // namespace

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
    m_pyramid = std::make_unique<motion_core::RieszPyramid>(1, pool);
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
    }
    return true;
}

void PhaseSignalExtractor::transform()
{
    motion_core::extractLuminanceInto(*m_pool, m_analysisImage, m_luminance);
    m_pyramid->decompose(m_luminance, m_levels, m_residual, &m_scratch);
    m_pyramid->rieszTransform(m_levels, m_r1, m_r2);
}

void PhaseSignalExtractor::layOutSites()
{
    const motion_core::FloatPlane& band = m_levels[0];
    const motion_core::FloatPlane& r1 = m_r1[0];
    const motion_core::FloatPlane& r2 = m_r2[0];
    const int w = m_imageSize.width();
    const int h = m_imageSize.height();
    const int columns = m_grid.width();
    const int rows = m_grid.height();
    const int spanX = w - 2 * kGridMargin;
    const int spanY = h - 2 * kGridMargin;
    const double scaleX = double(m_crop.width()) / w;
    const double scaleY = double(m_crop.height()) / h;
    const double sourceW = m_frameSize.width();
    const double sourceH = m_frameSize.height();

    m_sites.assign(size_t(columns) * size_t(rows), WorkingSite());
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            WorkingSite& working = m_sites[size_t(r) * size_t(columns) + size_t(c)];
            const int x0 = spanX * c / columns + kGridMargin;
            const int x1 = spanX * (c + 1) / columns + kGridMargin;
            const int y0 = spanY * r / rows + kGridMargin;
            const int y1 = spanY * (r + 1) / rows + kGridMargin;
            float bestEnergy = kTextureEnergy;
            bool textured = false;
            for (int y = y0; y < y1; ++y) {
                for (int x = x0; x < x1; ++x) {
                    const float i = band.at(x, y);
                    const float a = r1.at(x, y);
                    const float b = r2.at(x, y);
                    const float energy = i * i + a * a + b * b;
                    if (energy > bestEnergy) {
                        bestEnergy = energy;
                        working.x = x;
                        working.y = y;
                        textured = true;
                    }
                }
            }
            if (!textured) {
                working.x = spanX * (2 * c + 1) / (2 * columns) + kGridMargin;
                working.y = spanY * (2 * r + 1) / (2 * rows) + kGridMargin;
            }
            project_data::GridSite& site = working.site;
            site.textured = textured;
            site.sampleX = ((working.x + 0.5) * scaleX + m_crop.x()) / sourceW;
            site.sampleY = ((working.y + 0.5) * scaleY + m_crop.y()) / sourceH;
            site.cellRect =
                QRectF((x0 * scaleX + m_crop.x()) / sourceW, (y0 * scaleY + m_crop.y()) / sourceH,
                       (x1 - x0) * scaleX / sourceW, (y1 - y0) * scaleY / sourceH);
            working.previousI = band.at(working.x, working.y);
            working.previousR1 = r1.at(working.x, working.y);
            working.previousR2 = r2.at(working.x, working.y);
            if (textured) {
                site.phaseSeriesX.reserve(size_t(m_sampleCount));
                site.phaseSeriesY.reserve(size_t(m_sampleCount));
            }
        }
    }
    m_initialised = true;
}

void PhaseSignalExtractor::appendSamples()
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const motion_core::FloatPlane& band = m_levels[0];
    const motion_core::FloatPlane& r1 = m_r1[0];
    const motion_core::FloatPlane& r2 = m_r2[0];
    for (WorkingSite& working : m_sites) {
        project_data::GridSite& site = working.site;
        if (!site.textured)
            continue;
        const float i = band.at(working.x, working.y);
        const float a = r1.at(working.x, working.y);
        const float b = r2.at(working.x, working.y);
        const motion_core::PhaseDifference d = motion_core::quaternionPhaseDifference(
            i, a, b, working.previousI, working.previousR1, working.previousR2);
        bool accepted = false;
        if (!std::isfinite(d.amplitude) || !std::isfinite(d.cosPart) || !std::isfinite(d.sinPart))
            ++site.nonFiniteSamples;
        else if (d.amplitude < kMinimumAmplitude)
            ++site.lowContrastSamples;
        else if (std::hypot(d.cosPart, d.sinPart) > kMaximumPhaseStep)
            ++site.phaseJumpSamples;
        else
            accepted = true;
        if (accepted) {
            working.sumX += d.cosPart;
            working.sumY += d.sinPart;
            site.phaseSeriesX.push_back(working.sumX);
            site.phaseSeriesY.push_back(working.sumY);
        } else {
            // Each continuous run restarts from zero phase.
            site.phaseSeriesX.push_back(nan);
            site.phaseSeriesY.push_back(nan);
            working.sumX = 0.0f;
            working.sumY = 0.0f;
        }
        working.previousI = i;
        working.previousR1 = a;
        working.previousR2 = b;
    }
}

void PhaseSignalExtractor::finish(std::vector<std::vector<float>>& series,
                                  std::vector<project_data::AcceptedSignal>& acceptedSignals,
                                  std::vector<project_data::GridSite>& sites)
{
    const int minimumSegment = std::max((m_sampleCount + 3) / 4, kMinimumSamples);
    for (WorkingSite& working : m_sites) {
        project_data::GridSite& site = working.site;
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
