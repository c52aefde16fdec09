#include "ReportFixture.h"

#include "media/libav/LibavVideoAnalyzer.h"
#include "motion/MotionWorkerPool.h"
#include "orvi/Version.h"
#include "spectrum/DisplacementAmplitudes.h"
#include "spectrum/RelativePhase.h"
#include "spectrum/SpectrumAnalysisLimits.h"
#include "spectrum/SpectrumStage.h"
#include "spectrum/SpectrumViews.h"
#include "support/MediaTools.h"

#include <QPainter>
#include <QRandomGenerator>
#include <cmath>
#include <limits>
#include <numbers>

namespace orvi::reports::test {
namespace {

using project_data::GridSite;

constexpr double kToneHz = 24.6;
constexpr double kHarmonicHz = 51.3;
constexpr double kSlowHz = 7.9;

// Longest run of valid samples, gaps and valid count, as the extractor's finish step does.
void summariseSeries(GridSite& site, int length)
{
    int runStart = 0;
    int runLength = 0;
    bool previousValid = true;
    for (int i = 0; i < int(site.phaseSeriesX.size()); ++i) {
        const bool valid =
            std::isfinite(site.phaseSeriesX[i]) && std::isfinite(site.phaseSeriesY[i]);
        if (valid) {
            ++site.validSamples;
            if (!previousValid || i == 0)
                runStart = i, runLength = 0;
            ++runLength;
            if (runLength > site.segmentLength) {
                site.segmentLength = runLength;
                site.segmentStart = runStart;
            }
        } else if (previousValid) {
            ++site.gapCount;
        }
        previousValid = valid;
    }
    site.accepted = site.textured && site.segmentLength >= std::max((length + 3) / 4, 64);
}

std::vector<GridSite> makeSites(const project_data::SpectrumAnalysisRequest& request, int length,
                                const FixtureOptions& options)
{
    const QSize analysis = spectrum::analysisImageSize(request);
    const QSize grid = spectrum::effectiveGrid(request);
    const QRect crop =
        spectrum::analysisCropRect(request.analysisRegion, request.videoInfo.frameSize);
    const double ws = request.videoInfo.frameSize.width();
    const double hs = request.videoInfo.frameSize.height();
    const int w = analysis.width();
    const int h = analysis.height();
    QRandomGenerator random(20261206);
    const float nan = std::numeric_limits<float>::quiet_NaN();

    std::vector<GridSite> sites;
    for (int r = 0; r < grid.height(); ++r) {
        for (int c = 0; c < grid.width(); ++c) {
            const int x0 = (w - 12) * c / grid.width() + 6;
            const int x1 = (w - 12) * (c + 1) / grid.width() + 6;
            const int y0 = (h - 12) * r / grid.height() + 6;
            const int y1 = (h - 12) * (r + 1) / grid.height() + 6;
            GridSite site;
            site.cellRect = QRectF((x0 * crop.width() / double(w) + crop.x()) / ws,
                                   (y0 * crop.height() / double(h) + crop.y()) / hs,
                                   (x1 - x0) * crop.width() / double(w) / ws,
                                   (y1 - y0) * crop.height() / double(h) / hs);
            site.sampleX = site.cellRect.center().x();
            site.sampleY = site.cellRect.center().y();
            const double u = (c + 0.5) / grid.width();
            const double v = (r + 0.5) / grid.height();
            // The top right corner is flat: no texture, no series.
            site.textured = !(u > 0.85 && v < 0.2);
            if (site.textured) {
                const double blob =
                    std::exp(-((u - 0.35) * (u - 0.35) + (v - 0.5) * (v - 0.5)) / 0.06);
                const double toneAmplitude = options.withTones ? 0.6 * blob + 0.02 : 0.0;
                const double harmonic = options.withTones ? 0.3 * (0.2 + u) : 0.0;
                const double slow = options.withTones ? 0.12 * v : 0.0;
                const double lead = 2.0 * std::numbers::pi * (0.3 * u - 0.15);
                site.phaseSeriesX.resize(std::size_t(length));
                site.phaseSeriesY.resize(std::size_t(length));
                for (int i = 0; i < length; ++i) {
                    const double t = (i + 1) / options.captureRate;
                    const double tone = std::cos(2.0 * std::numbers::pi * kToneHz * t + lead);
                    const double second = std::cos(2.0 * std::numbers::pi * kHarmonicHz * t);
                    const double third = std::sin(2.0 * std::numbers::pi * kSlowHz * t);
                    const double noiseX = (random.generateDouble() - 0.5) * 0.12;
                    const double noiseY = (random.generateDouble() - 0.5) * 0.12;
                    site.phaseSeriesX[i] =
                        float(toneAmplitude * tone + harmonic * second + slow * third + noiseX);
                    site.phaseSeriesY[i] =
                        float(0.5 * toneAmplitude * tone + 0.4 * harmonic * second + noiseY);
                }
                // Gaps: one in column 3, a rejected point with many in column 6 row 1.
                if (c == 3)
                    site.phaseSeriesX[length * 2 / 3] = site.phaseSeriesY[length * 2 / 3] = nan;
                if (c == 6 && r == 1) {
                    const int step = std::max(length / 7, 1);
                    for (int i = step; i < length; i += step) {
                        site.phaseSeriesX[i] = site.phaseSeriesY[i] = nan;
                        ++site.lowContrastSamples;
                    }
                }
                // Displacement in pixels follows the phase.
                for (const float v : site.phaseSeriesX)
                    site.displacementSeriesX.push_back(0.25f * v);
                for (const float v : site.phaseSeriesY)
                    site.displacementSeriesY.push_back(0.25f * v);
                summariseSeries(site, length);
            }
            sites.push_back(std::move(site));
        }
    }
    return sites;
}

} // namespace

bool makeClip(const QString& path, const QSize& size, int frames, QString* error)
{
    return orvi::test::encodeClip(
        path, QStringLiteral("testsrc2=size=%1x%2:rate=30").arg(size.width()).arg(size.height()),
        frames, {}, error);
}

bool probeClip(const QString& path, media::VideoInfo* info, QImage* firstFrame, QString* error)
{
    media::libav::LibavVideoAnalyzer analyzer;
    return analyzer.analyze({}, path, info, error, [firstFrame](const QImage& image) {
        if (firstFrame && firstFrame->isNull())
            *firstFrame = image;
    });
}

QImage fixtureIcon()
{
    QImage icon(64, 64, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(31, 78, 145));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QRectF(4, 4, 56, 56));
    painter.setPen(QPen(Qt::white, 5));
    painter.drawLine(QPointF(14, 40), QPointF(50, 24));
    return icon;
}

AnalysisExportContext makeContext(const media::VideoInfo& info, const QImage& firstFrame,
                                  const FixtureOptions& options)
{
    AnalysisExportContext context;
    project_data::SpectrumResult& result = context.result;
    project_data::SpectrumAnalysisRequest& request = result.request;
    request.videoInfo = info;
    request.videoInfo.captureFrameRate = options.captureRate;
    request.videoInfo.captureFrameRateManual = true;
    request.analysisRegion = options.region;
    request.startFrame = options.startFrame;
    request.endFrame = options.startFrame + options.frameCount;
    request.requestedGrid = options.requestedGrid;
    if (options.withScale) // 0.8 of the frame width is 200 mm
        request.lengthScale = {QPointF(0.1, 0.9), QPointF(0.9, 0.9), 200.0};
    request.identity = spectrum::makeIdentity(1, request);

    const int length = int(options.frameCount - 1);
    result.sites = makeSites(request, length, options);
    result.siteCount = qint32(result.sites.size());
    result.analysisImageSize = spectrum::analysisImageSize(request);
    result.firstFrame = firstFrame;
    std::vector<std::vector<float>> series;
    for (const GridSite& site : result.sites) {
        if (!site.accepted)
            continue;
        project_data::AcceptedSignal signal;
        signal.sampleX = site.sampleX;
        signal.sampleY = site.sampleY;
        signal.cellRect = site.cellRect;
        result.acceptedSignals.push_back(signal);
        const auto first = site.phaseSeriesX.begin() + site.segmentStart;
        series.emplace_back(first, first + site.segmentLength);
        const auto firstY = site.phaseSeriesY.begin() + site.segmentStart;
        series.emplace_back(firstY, firstY + site.segmentLength);
    }
    result.acceptedCount = qint32(result.acceptedSignals.size());
    motion_core::MotionWorkerPool pool;
    pool.setWorkerCount(2);
    result.ok = spectrum::computeSpectrum(series, options.captureRate, result, {}, pool, {}) &&
                spectrum::measureDisplacementAmplitudes(result, {});
    result.elapsedMs = 1234;

    context.applicationIcon = fixtureIcon();
    context.versionText = QLatin1String(orvi::version::kText);
    context.created = QDateTime(QDate(2026, 12, 6), QTime(14, 30, 5));
    context.sites = AnalysisExportContext::sitesFrom(result.sites);
    // The selected band and the phase frequency follow the vibrating blob's tone.
    const project_data::FrequencyCandidate* tone = nullptr;
    for (const auto& candidate : result.candidates) {
        if (!tone ||
            std::abs(candidate.frequencyHz - kToneHz) < std::abs(tone->frequencyHz - kToneHz))
            tone = &candidate;
    }
    context.lowerHz = tone ? tone->lowerFrequencyHz : 20.0;
    context.upperHz = tone ? tone->upperFrequencyHz : 30.0;
    const auto map = spectrum::bandPowerMap(result.acceptedSignals, result.binWidthHz,
                                            context.lowerHz, context.upperHz);
    context.hasPowerMap = !map.empty();
    context.logarithmicColors = false;

    if (options.withPhase) {
        context.phaseFrequencyHz = tone ? tone->frequencyHz : kToneHz;
        context.phaseAxis = 0;
        // Reference in the middle of the vibrating blob.
        const QSize grid = spectrum::effectiveGrid(request);
        context.phaseReferenceIndex = (grid.height() / 2) * grid.width() + grid.width() * 35 / 100;
        context.relativePhase = spectrum::computeRelativePhase(
            result.sites, context.phaseReferenceIndex, context.phaseAxis, options.captureRate,
            context.phaseFrequencyHz, {});
        context.hasPhaseCalculation = !context.relativePhase.empty();
        context.hasPhase = std::any_of(context.relativePhase.begin(), context.relativePhase.end(),
                                       [](const auto& s) { return s.valid; });
    }
    return context;
}

} // namespace orvi::reports::test
