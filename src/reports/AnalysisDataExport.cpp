#include "reports/AnalysisDataExport.h"

#include "records/SpectrumAlgorithms.h"
#include "reports/AnalysisExportContext.h"
#include "reports/ReportPalette.h"
#include "spectrum/SpectrumAnalysisLimits.h"
#include "spectrum/SpectrumViews.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonValue>
#include <array>
#include <cmath>

namespace orvi::reports {
namespace {

using project_data::BandMapEntry;

constexpr double kCellTolerance = 1e-12;

QJsonValue number(double value)
{
    return std::isfinite(value) ? QJsonValue(value) : QJsonValue(QJsonValue::Null);
}

bool nearlyEqual(double a, double b)
{
    if (a == 0.0 || b == 0.0)
        return std::abs(a - b) <= kCellTolerance;
    return std::abs(a - b) <= kCellTolerance * std::max(std::abs(a), std::abs(b));
}

bool sameCell(const QRectF& a, const QRectF& b)
{
    return nearlyEqual(a.x(), b.x()) && nearlyEqual(a.y(), b.y()) &&
           nearlyEqual(a.width(), b.width()) && nearlyEqual(a.height(), b.height());
}

QString phaseReasonText(qint32 reason)
{
    switch (reason) {
    case 0:
        return QStringLiteral("usable");
    case 2:
        return QStringLiteral("short_overlap");
    case 3:
        return QStringLiteral("weak_fit");
    case 4:
        return QStringLiteral("unstable_phase");
    default:
        return QStringLiteral("unavailable");
    }
}

QJsonObject rectObject(const QRectF& rect)
{
    return QJsonObject{{QStringLiteral("x"), number(rect.x())},
                       {QStringLiteral("y"), number(rect.y())},
                       {QStringLiteral("width"), number(rect.width())},
                       {QStringLiteral("height"), number(rect.height())}};
}

double captureRateOf(const AnalysisExportContext& context)
{
    return context.result.request.videoInfo.captureFrameRate;
}

// Bins 0 ... N/2 - 1 of the normalised aggregate spectrum with their frequencies.
template <typename Visitor>
void forEachSpectrumBin(const AnalysisExportContext& context, Visitor visit)
{
    const auto& spectrum = context.result.spectrum;
    for (std::size_t k = 0; k < spectrum.size(); ++k)
        visit(double(k) * context.result.binWidthHz, spectrum[k]);
}

QString csvNumber(const QJsonValue& value)
{
    if (value.isBool())
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    if (value.isDouble()) {
        const double v = value.toDouble();
        return std::isfinite(v) ? QString::number(v, 'g', 17) : QString();
    }
    if (value.isString())
        return value.toString();
    return QString();
}

QString csvNumber(double value)
{
    return std::isfinite(value) ? QString::number(value, 'g', 17) : QString();
}

QByteArray csvDocument(const QStringList& lines)
{
    QByteArray bytes("\xEF\xBB\xBF");
    for (const QString& line : lines) {
        bytes += line.toUtf8();
        bytes += "\r\n";
    }
    return bytes;
}

} // namespace

QJsonArray buildCellsArray(const AnalysisExportContext& context)
{
    const project_data::SpectrumResult& result = context.result;
    const std::vector<BandMapEntry> map = spectrum::bandPowerMap(
        result.acceptedSignals, result.binWidthHz, context.lowerHz, context.upperHz);
    const double rate = captureRateOf(context);
    const QString defaultPhaseReason = context.hasPhaseCalculation
                                           ? QStringLiteral("unavailable")
                                           : QStringLiteral("not_calculated");

    QJsonArray cells;
    for (std::size_t i = 0; i < context.sites.size(); ++i) {
        const AnalysisExportSite& site = context.sites[i];
        QJsonObject cell;
        cell.insert(QStringLiteral("point"), qint64(i) + 1);
        cell.insert(QStringLiteral("cell"), rectObject(site.cellRect));
        cell.insert(QStringLiteral("sampleX"), number(site.sampleX));
        cell.insert(QStringLiteral("sampleY"), number(site.sampleY));
        cell.insert(QStringLiteral("signalAccepted"), site.signalAccepted);
        cell.insert(QStringLiteral("validSamples"), site.validSamples);
        cell.insert(QStringLiteral("gaps"), site.gaps);
        cell.insert(QStringLiteral("segmentStartSeconds"), number((site.segmentStart + 1) / rate));
        cell.insert(QStringLiteral("segmentDurationSeconds"), number(site.segmentLength / rate));

        cell.insert(QStringLiteral("powerValid"), false);
        cell.insert(QStringLiteral("relativeBandPower"), QJsonValue::Null);
        cell.insert(QStringLiteral("localPeakHz"), QJsonValue::Null);
        cell.insert(QStringLiteral("powerReason"),
                    !site.signalAccepted   ? QStringLiteral("signal_unavailable")
                    : !context.hasPowerMap ? QStringLiteral("no_valid_band")
                                           : QStringLiteral("weak_band_power"));
        for (const BandMapEntry& entry : map) {
            if (entry.valid && sameCell(entry.cellRect, site.cellRect)) {
                cell.insert(QStringLiteral("powerValid"), true);
                cell.insert(QStringLiteral("relativeBandPower"), number(entry.value));
                cell.insert(QStringLiteral("localPeakHz"), number(entry.peakFrequencyHz));
                cell.insert(QStringLiteral("powerReason"), QStringLiteral("usable"));
                break;
            }
        }

        cell.insert(QStringLiteral("phaseValid"), false);
        cell.insert(QStringLiteral("phaseDegrees"), QJsonValue::Null);
        cell.insert(QStringLiteral("phaseQuality"), QJsonValue::Null);
        cell.insert(QStringLiteral("phaseStartSeconds"), QJsonValue::Null);
        cell.insert(QStringLiteral("phaseDurationSeconds"), QJsonValue::Null);
        cell.insert(QStringLiteral("phaseReason"), defaultPhaseReason);
        if (context.hasPhaseCalculation && i < context.relativePhase.size()) {
            const project_data::RelativePhaseSample& sample = context.relativePhase[i];
            cell.insert(QStringLiteral("phaseValid"), sample.valid);
            cell.insert(QStringLiteral("phaseReason"), phaseReasonText(sample.reason));
            if (sample.valid) {
                cell.insert(QStringLiteral("phaseDegrees"), number(sample.phaseDegrees));
                cell.insert(QStringLiteral("phaseQuality"), number(sample.quality));
                cell.insert(QStringLiteral("phaseStartSeconds"),
                            number((sample.intervalStart + 1) / rate));
                cell.insert(QStringLiteral("phaseDurationSeconds"),
                            number(sample.intervalLength / rate));
            }
        }
        cells.append(cell);
    }
    return cells;
}

QJsonObject buildSettingsObject(const AnalysisExportContext& context)
{
    const project_data::SpectrumResult& result = context.result;
    const project_data::SpectrumAnalysisRequest& request = result.request;
    const media::VideoInfo& video = request.videoInfo;
    const QSize grid = spectrum::effectiveGrid(request);

    QJsonObject o;
    o.insert(QStringLiteral("schemaVersion"), 1);
    o.insert(QStringLiteral("application"), QStringLiteral("orvi-motion"));
    o.insert(QStringLiteral("version"), context.versionText);
    o.insert(QStringLiteral("created"), context.created.toString(Qt::ISODate));
    o.insert(QStringLiteral("algorithm"), QLatin1String(project_data::kSpectrumAlgorithmId));
    o.insert(QStringLiteral("phaseAlgorithm"),
             QLatin1String(project_data::kRelativePhaseAlgorithmId));
    o.insert(QStringLiteral("identity"), QString::fromLatin1(request.identity));
    o.insert(QStringLiteral("sourceFile"), QFileInfo(video.filePath).fileName());
    o.insert(QStringLiteral("sourceWidth"), video.frameSize.width());
    o.insert(QStringLiteral("sourceHeight"), video.frameSize.height());
    o.insert(QStringLiteral("captureFps"), number(video.captureFrameRate));
    o.insert(QStringLiteral("captureFpsManual"), video.captureFrameRateManual);
    o.insert(QStringLiteral("nominalPlaybackFps"), number(video.nominalFrameRate));
    o.insert(QStringLiteral("analysisWidth"), result.analysisImageSize.width());
    o.insert(QStringLiteral("analysisHeight"), result.analysisImageSize.height());
    o.insert(QStringLiteral("startFrameZeroBased"), request.startFrame);
    o.insert(QStringLiteral("endFrameExclusive"), request.endFrame);
    o.insert(QStringLiteral("roiNormalized"), rectObject(request.analysisRegion));
    o.insert(QStringLiteral("requestedColumns"), request.requestedGrid.width());
    o.insert(QStringLiteral("requestedRows"), request.requestedGrid.height());
    o.insert(QStringLiteral("gridColumns"), grid.width());
    o.insert(QStringLiteral("gridRows"), grid.height());
    o.insert(QStringLiteral("acceptedSites"), result.acceptedCount);
    o.insert(QStringLiteral("selectedSites"), result.siteCount);
    o.insert(QStringLiteral("fftSize"), result.fftSize);
    o.insert(QStringLiteral("binWidthHz"), number(result.binWidthHz));
    o.insert(QStringLiteral("sampleCount"), result.sampleCount);
    o.insert(QStringLiteral("unresolvedPeaks"), result.unresolvedPeaks);
    o.insert(QStringLiteral("windowResolutionHz"), number(result.windowResolutionHz));
    o.insert(QStringLiteral("keyFrameInterval"), result.keyFrameInterval);
    o.insert(QStringLiteral("lowerHz"), number(context.lowerHz));
    o.insert(QStringLiteral("upperHz"), number(context.upperHz));
    o.insert(QStringLiteral("logarithmicColors"), context.logarithmicColors);
    o.insert(QStringLiteral("colorFloor"), kColorFloor);
    o.insert(QStringLiteral("minimumDisplayedBandPower"), kColorFloor);
    o.insert(QStringLiteral("hasPhase"), context.hasPhase);
    o.insert(QStringLiteral("hasPowerMap"), context.hasPowerMap);
    o.insert(QStringLiteral("hasPhaseCalculation"), context.hasPhaseCalculation);
    o.insert(QStringLiteral("timeOrigin"), QStringLiteral("seconds_from_fragment_start"));
    o.insert(QStringLiteral("powerNormalization"),
             QStringLiteral("maximum_accepted_site_in_selected_band"));
    o.insert(QStringLiteral("spectrumNormalization"),
             QStringLiteral("maximum_aggregate_spectral_bin"));
    o.insert(QStringLiteral("phaseConvention"),
             QStringLiteral("positive_leads_reference_in_cos_omega_t_plus_phi"));
    if (context.hasPhaseCalculation) {
        o.insert(QStringLiteral("phase"),
                 QJsonObject{
                     {QStringLiteral("frequencyHz"), number(context.phaseFrequencyHz)},
                     {QStringLiteral("axis"),
                      context.phaseAxis == 1 ? QStringLiteral("Y") : QStringLiteral("X")},
                     {QStringLiteral("referencePointOneBased"), context.phaseReferenceIndex + 1},
                     {QStringLiteral("minimumSamples"), project_data::kRelativePhaseMinimumSamples},
                     {QStringLiteral("minimumPeriodsPerHalf"),
                      project_data::kRelativePhaseMinimumPeriodsPerHalf},
                     {QStringLiteral("minimumFitFraction"),
                      project_data::kRelativePhaseMinimumFitFraction},
                     {QStringLiteral("maximumPhaseDriftDegrees"),
                      project_data::kRelativePhaseMaximumDriftDegrees},
                     {QStringLiteral("minimumAmplitudeRadians"),
                      project_data::kRelativePhaseMinimumAmplitudeRadians}});
    }
    return o;
}

QByteArray spectrumCsv(const AnalysisExportContext& context)
{
    QStringList lines{QStringLiteral("frequency_hz,relative_power")};
    forEachSpectrumBin(context, [&](double frequency, double power) {
        lines.append(csvNumber(frequency) + QLatin1Char(',') + csvNumber(power));
    });
    return csvDocument(lines);
}

QByteArray cellDataCsv(const AnalysisExportContext& context)
{
    static const std::array<const char*, 22> columns{"point",
                                                     "cell.x",
                                                     "cell.y",
                                                     "cell.width",
                                                     "cell.height",
                                                     "sampleX",
                                                     "sampleY",
                                                     "signalAccepted",
                                                     "validSamples",
                                                     "gaps",
                                                     "segmentStartSeconds",
                                                     "segmentDurationSeconds",
                                                     "powerValid",
                                                     "relativeBandPower",
                                                     "localPeakHz",
                                                     "phaseValid",
                                                     "phaseDegrees",
                                                     "phaseQuality",
                                                     "phaseStartSeconds",
                                                     "phaseDurationSeconds",
                                                     "phaseReason",
                                                     "powerReason"};
    QStringList lines{QStringLiteral(
        "point,cell_x,cell_y,cell_width,cell_height,sample_x,sample_y,signal_accepted,"
        "valid_samples,gaps,segment_start_s,segment_duration_s,power_valid,relative_band_power,"
        "local_peak_hz,phase_valid,phase_degrees,phase_fit_fraction,phase_start_s,"
        "phase_duration_s,phase_reason,power_reason")};
    const QJsonArray cells = buildCellsArray(context);
    for (const QJsonValue& value : cells) {
        const QJsonObject cell = value.toObject();
        const QJsonObject rect = cell.value(QStringLiteral("cell")).toObject();
        QStringList fields;
        for (const char* column : columns) {
            const QString key = QLatin1String(column);
            fields.append(key.startsWith(QLatin1String("cell.")) ? csvNumber(rect.value(key.mid(5)))
                                                                 : csvNumber(cell.value(key)));
        }
        lines.append(fields.join(QLatin1Char(',')));
    }
    return csvDocument(lines);
}

QByteArray analysisDataJson(const AnalysisExportContext& context)
{
    QJsonObject root = buildSettingsObject(context);
    root.insert(QStringLiteral("spectrumColumns"),
                QJsonArray{QStringLiteral("frequencyHz"), QStringLiteral("relativePower")});
    QJsonArray spectrumPairs;
    forEachSpectrumBin(context, [&](double frequency, double power) {
        spectrumPairs.append(QJsonArray{number(frequency), number(power)});
    });
    root.insert(QStringLiteral("spectrum"), spectrumPairs);
    QJsonArray candidates;
    for (const project_data::FrequencyCandidate& c : context.result.candidates) {
        candidates.append(QJsonObject{
            {QStringLiteral("frequencyHz"), number(c.frequencyHz)},
            {QStringLiteral("relativePower"), number(c.relativePower)},
            {QStringLiteral("contrastDb"), number(c.contrastDb)},
            {QStringLiteral("spatialSupport"), number(c.spatialSupport)},
            {QStringLiteral("stabilityEvaluated"), c.stabilityEvaluated},
            {QStringLiteral("stability"), number(c.stability)},
            {QStringLiteral("lowerHz"), number(c.lowerFrequencyHz)},
            {QStringLiteral("upperHz"), number(c.upperFrequencyHz)},
            {QStringLiteral("possibleCompressionArtefact"), c.possibleCompressionArtefact}});
    }
    root.insert(QStringLiteral("candidates"), candidates);
    root.insert(QStringLiteral("cells"), buildCellsArray(context));
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

} // namespace orvi::reports
