#include "controllers/PointInspection.h"

#include "controllers/SpectrumInputs.h"
#include "spectrum/SpectrumViews.h"

#include <QCoreApplication>
#include <algorithm>

namespace orvi::ui::controllers {

using project_data::GridSite;

void PointInspection::adopt(const project_data::SpectrumResult& result,
                            std::vector<project_data::GridSite> sites)
{
    m_request = result.request;
    m_identity = result.request.identity;
    m_sites = std::make_shared<const std::vector<GridSite>>(std::move(sites));
    m_frame = result.firstFrame;
    m_region = result.request.analysisRegion;
}

void PointInspection::clear()
{
    m_request = {};
    m_identity.clear();
    m_sites = std::make_shared<const std::vector<GridSite>>();
    m_frame = {};
    m_region = {};
}

void PointInspection::rebuild(int preferred)
{
    m_siteList.clear();
    m_text.clear();
    m_selected = -1;
    m_detrendedX.clear();
    m_detrendedY.clear();
    if (!sites().empty()) {
        const double rate = m_request.videoInfo.captureFrameRate;
        const qint64 samples = m_request.endFrame - m_request.startFrame - 1;
        int accepted = 0;
        for (std::size_t i = 0; i < sites().size(); ++i) {
            const GridSite& site = sites()[i];
            accepted += site.accepted ? 1 : 0;
            m_siteList.append(
                QVariantMap{{QStringLiteral("index"), int(i)},
                            {QStringLiteral("accepted"), site.accepted},
                            {QStringLiteral("reason"), spectrum::siteReason(site, rate)},
                            {QStringLiteral("validFraction"),
                             samples > 0 ? double(site.validSamples) / double(samples) : 0.0},
                            {QStringLiteral("gapCount"), site.gapCount}});
        }
        m_text = QCoreApplication::translate(
                     "SpectrumController",
                     "Accepted points: %1 of %2. Spectrum uses each point's longest "
                     "continuous segment; gaps are not interpolated.")
                     .arg(accepted)
                     .arg(sites().size());
        // An excluded point says nothing about the vibration.
        const auto firstAccepted = std::find_if(sites().begin(), sites().end(),
                                                [](const GridSite& site) { return site.accepted; });
        const int fallback =
            firstAccepted == sites().end() ? 0 : int(firstAccepted - sites().begin());
        selectTrace(preferred >= 0 && preferred < int(sites().size()) ? preferred : fallback);
    }
    rebuildLocalSpectrum();
}

bool PointInspection::select(int index)
{
    if (index < 0 || index >= int(sites().size()))
        return false;
    selectTrace(index);
    rebuildLocalSpectrum();
    return true;
}

void PointInspection::selectTrace(int index)
{
    m_selected = index;
    const GridSite& site = sites()[std::size_t(index)];
    m_detrendedX = spectrum::detrendRuns(site.phaseSeriesX);
    m_detrendedY = spectrum::detrendRuns(site.phaseSeriesY);
}

QVariantMap PointInspection::site(int index) const
{
    return index >= 0 && index < m_siteList.size() ? m_siteList[index].toMap() : QVariantMap();
}

QVariantMap PointInspection::cellEntry(const QRectF& cell, double sampleX, double sampleY)
{
    return {{QStringLiteral("x"), cell.x()},         {QStringLiteral("y"), cell.y()},
            {QStringLiteral("width"), cell.width()}, {QStringLiteral("height"), cell.height()},
            {QStringLiteral("sampleX"), sampleX},    {QStringLiteral("sampleY"), sampleY}};
}

QString PointInspection::gridDescription() const
{
    return sites().empty() ? QString() : SpectrumInputs::gridDescription(m_request);
}

bool PointInspection::siteAccepted(int index) const
{
    return index >= 0 && index < int(sites().size()) && sites()[std::size_t(index)].accepted;
}

double PointInspection::sampleRate() const
{
    return sites().empty() ? 0.0 : m_request.videoInfo.captureFrameRate;
}

double PointInspection::durationSeconds() const
{
    const double rate = sampleRate();
    if (!(rate > 0.0))
        return 0.0;
    return double(m_request.endFrame - m_request.startFrame) / rate;
}

double PointInspection::segmentStartSeconds() const
{
    const double rate = sampleRate();
    if (!segmentAccepted() || !(rate > 0.0))
        return 0.0;
    return double(sites()[std::size_t(m_selected)].segmentStart + 1) / rate;
}

double PointInspection::segmentEndSeconds() const
{
    const double rate = sampleRate();
    if (!segmentAccepted() || !(rate > 0.0))
        return 0.0;
    const GridSite& site = sites()[std::size_t(m_selected)];
    return double(qint64(site.segmentStart) + site.segmentLength + 1) / rate;
}

void PointInspection::rebuildLocalSpectrum()
{
    m_localPoints.clear();
    m_localCandidates.clear();
    m_localStepHz = 0.0;
    m_localPeakHz = 0.0;
    m_localPowerNormalization = 0.0;
    m_localAvailable = false;
    if (!segmentAccepted()) {
        m_localMessage = QCoreApplication::translate(
            "SpectrumController",
            "Local spectrum unavailable: this point has no accepted continuous segment.");
        return;
    }
    project_data::SpectrumResult local;
    if (!spectrum::localSpectrum(sites()[std::size_t(m_selected)],
                                 m_request.videoInfo.captureFrameRate, &local)) {
        m_localMessage = QCoreApplication::translate("SpectrumController",
                                                     "The local spectrum could not be calculated.");
        return;
    }
    for (const project_data::FrequencyCandidate& c : local.candidates)
        m_localCandidates.append(
            QVariantMap{{QStringLiteral("lowerFrequencyHz"), c.lowerFrequencyHz},
                        {QStringLiteral("upperFrequencyHz"), c.upperFrequencyHz},
                        {QStringLiteral("frequencyHz"), c.measuredFrequencyHz()},
                        {QStringLiteral("relativePower"), c.relativePower}});
    double largest = 0.0;
    for (std::size_t k = 1; k < local.spectrum.size(); ++k) {
        const double frequency = double(k) * local.binWidthHz;
        m_localPoints.append(QVariantMap{{QStringLiteral("frequencyHz"), frequency},
                                         {QStringLiteral("relativePower"), local.spectrum[k]}});
        if (local.spectrum[k] > largest) {
            largest = local.spectrum[k];
            m_localPeakHz = frequency;
        }
    }
    m_localStepHz = local.binWidthHz;
    m_localPowerNormalization = local.powerNormalization;
    m_localAvailable = largest > 0.0;
    m_localMessage = m_localAvailable
                         ? QCoreApplication::translate(
                               "SpectrumController",
                               "Local spectrum of the highlighted segment. Linear trend is "
                               "removed; power is normalized within this point. The largest bin "
                               "is not a confirmed vibration frequency.")
                         : QCoreApplication::translate(
                               "SpectrumController",
                               "No measurable local spectral power in the accepted segment.");
}

QVariantMap PointInspection::traceWindow(double startSeconds, double endSeconds, int columns,
                                         bool detrend) const
{
    QVariantList samples;
    bool raw = false;
    if (m_selected >= 0 && m_selected < int(sites().size())) {
        const GridSite& site = sites()[std::size_t(m_selected)];
        const std::vector<project_data::TraceBucket> buckets = spectrum::traceWindow(
            detrend ? m_detrendedX : site.phaseSeriesX, detrend ? m_detrendedY : site.phaseSeriesY,
            sampleRate(), startSeconds, endSeconds, columns, &raw);
        samples.reserve(qsizetype(buckets.size()));
        for (const project_data::TraceBucket& b : buckets)
            samples.append(QVariantMap{{QStringLiteral("timeSeconds"), b.startSeconds},
                                       {QStringLiteral("timeEndSeconds"), b.endSeconds},
                                       {QStringLiteral("xMin"), b.xMin},
                                       {QStringLiteral("xMax"), b.xMax},
                                       {QStringLiteral("yMin"), b.yMin},
                                       {QStringLiteral("yMax"), b.yMax},
                                       {QStringLiteral("valid"), b.valid},
                                       {QStringLiteral("hasGap"), b.hasGap}});
    }
    return {{QStringLiteral("samples"), samples},
            {QStringLiteral("raw"), raw && !samples.isEmpty()}};
}

} // namespace orvi::ui::controllers
