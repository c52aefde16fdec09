#include "reports/AnalysisDataExport.h"

#include "records/SpectrumAlgorithms.h"
#include "reports/AnalysisExportContext.h"
#include "reports/ReportPalette.h"
#include "spectrum/SpectrumAnalysisLimits.h"
#include "spectrum/SpectrumViews.h"
#include "spectrum/VibrationUnits.h"

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

double millimetresPerPixelOf(const AnalysisExportContext& context)
{
    const auto& request = context.result.request;
    return spectrum::millimetresPerPixel(request.lengthScale, request.videoInfo.frameSize);
}

// Displacement, velocity and acceleration of an amplitude; null without a usable scale.
void insertPhysical(QJsonObject& object, const AnalysisExportContext& context, double amplitudePx,
                    double frequencyHz)
{
    const spectrum::PhysicalAmplitude u =
        spectrum::physicalAmplitude(amplitudePx, frequencyHz, millimetresPerPixelOf(context));
    object.insert(QStringLiteral("displacementUm"), number(u.displacementUm));
    object.insert(QStringLiteral("velocityMmPerSecondRms"), number(u.velocityMmPerSecondRms));
    object.insert(QStringLiteral("accelerationMetresPerSecond2"),
                  number(u.accelerationMetresPerSecond2));
}

QJsonObject amplitudeObject(const AnalysisExportContext& context, double frequencyHz,
                            const project_data::PointAmplitude& a)
{
    QJsonObject object{{QStringLiteral("frequencyHz"), number(frequencyHz)},
                       {QStringLiteral("amplitudePx"), number(a.amplitudePx)},
                       {QStringLiteral("directionDegrees"), number(a.directionDegrees)},
                       {QStringLiteral("phaseDegrees"), number(a.phaseDegrees)},
                       {QStringLiteral("amplitudeXPx"), number(a.amplitudeXPx)},
                       {QStringLiteral("phaseXDegrees"), number(a.phaseXDegrees)},
                       {QStringLiteral("amplitudeYPx"), number(a.amplitudeYPx)},
                       {QStringLiteral("phaseYDegrees"), number(a.phaseYDegrees)},
                       {QStringLiteral("amplitudeStandardErrorPx"), number(a.standardErrorPx)},
                       {QStringLiteral("amplitudeReliable"), a.reliable},
                       {QStringLiteral("carriesLine"), a.carriesLine}};
    insertPhysical(object, context, a.amplitudePx, frequencyHz);
    return object;
}

QJsonObject pointObject(const QPointF& point)
{
    return QJsonObject{{QStringLiteral("x"), number(point.x())},
                       {QStringLiteral("y"), number(point.y())}};
}

// Accepted signal index of every grid site, -1 where the site was not accepted.
std::vector<int> signalOfSites(const AnalysisExportContext& context)
{
    std::vector<int> indices(context.sites.size(), -1);
    int next = 0;
    for (std::size_t i = 0; i < context.sites.size(); ++i)
        if (context.sites[i].signalAccepted &&
            std::size_t(next) < context.result.acceptedSignals.size())
            indices[i] = next++;
    return indices;
}

// The keys of the cell CSV's amplitude columns, for the export's amplitude candidate.
void insertExportAmplitude(QJsonObject& cell, const AnalysisExportContext& context, int candidate,
                           int signal)
{
    const auto& result = context.result;
    project_data::PointAmplitude a;
    double frequency = std::numeric_limits<double>::quiet_NaN();
    if (candidate >= 0) {
        frequency = result.candidates[std::size_t(candidate)].measuredFrequencyHz();
        if (signal >= 0) {
            const auto& amplitudes = result.acceptedSignals[std::size_t(signal)].amplitudes;
            if (std::size_t(candidate) < amplitudes.size())
                a = amplitudes[std::size_t(candidate)];
        }
    }
    // Beside the relative phase keys, every amplitude key names itself as such.
    const QJsonObject values = amplitudeObject(context, frequency, a);
    for (auto it = values.begin(); it != values.end(); ++it) {
        QString key = it.key();
        if (!key.startsWith(QLatin1String("amplitude")) && key.endsWith(QLatin1String("Degrees")))
            key = QStringLiteral("amplitude") + key.at(0).toUpper() + key.mid(1);
        else if (key == QLatin1String("frequencyHz"))
            key = QStringLiteral("amplitudeFrequencyHz");
        cell.insert(key, it.value());
    }
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
    const int amplitudeCandidate = amplitudeCandidateIndex(context);
    const std::vector<int> signalOf = signalOfSites(context);
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

        // Displacement at the export's amplitude candidate, then at every candidate.
        insertExportAmplitude(cell, context, amplitudeCandidate, signalOf[i]);
        if (signalOf[i] >= 0) {
            const auto& amplitudes = result.acceptedSignals[std::size_t(signalOf[i])].amplitudes;
            QJsonArray list;
            for (std::size_t c = 0; c < amplitudes.size() && c < result.candidates.size(); ++c)
                list.append(amplitudeObject(context, result.candidates[c].measuredFrequencyHz(),
                                            amplitudes[c]));
            cell.insert(QStringLiteral("amplitudes"), list);
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
    o.insert(QStringLiteral("captureFpsOrigin"), video.captureFrameRateOrigin());
    o.insert(QStringLiteral("amplitudeStatistic"),
             QStringLiteral("median_of_reliable_points_carrying_the_line_weighted_by_clarity"));
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
    // Present only with camera motion compensation, so other exports stay as they were.
    if (request.cameraMotionCompensation) {
        const project_data::CameraMotion& camera = result.cameraMotion;
        o.insert(QStringLiteral("cameraMotionCompensation"),
                 QJsonObject{{QStringLiteral("referenceNormalized"),
                              rectObject(request.cameraReferenceRegion)},
                             {QStringLiteral("compensatedMotion"), QStringLiteral("translation")},
                             {QStringLiteral("peakDisplacementPx"), number(camera.peakPx)},
                             {QStringLiteral("rmsDisplacementPx"), number(camera.rmsPx)},
                             {QStringLiteral("meanMatchQuality"), number(camera.meanQuality)},
                             {QStringLiteral("lowestMatchQuality"), number(camera.lowestQuality)}});
    }
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
    o.insert(QStringLiteral("displacementConvention"),
             QStringLiteral("peak_source_pixels_x_right_y_down_cos_omega_t_plus_phi"));
    const project_data::LengthScale& scale = request.lengthScale;
    const double mmPerPixel = millimetresPerPixelOf(context);
    o.insert(QStringLiteral("lengthScale"),
             std::isfinite(mmPerPixel)
                 ? QJsonValue(QJsonObject{{QStringLiteral("first"), pointObject(scale.first)},
                                          {QStringLiteral("second"), pointObject(scale.second)},
                                          {QStringLiteral("lengthMm"), number(scale.lengthMm)},
                                          {QStringLiteral("millimetresPerPixel"), mmPerPixel}})
                 : QJsonValue(QJsonValue::Null));
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

int amplitudeCandidateIndex(const AnalysisExportContext& context)
{
    const auto& candidates = context.result.candidates;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        const double f = candidates[i].measuredFrequencyHz();
        if (f >= context.lowerHz && f <= context.upperHz)
            return int(i);
    }
    return candidates.empty() ? -1 : 0;
}

QByteArray spectrumCsv(const AnalysisExportContext& context)
{
    // Beside the aggregate: the displacement amplitude spectrum of the strongest point of the
    // export's amplitude candidate, in pixels and, with a scale, in micrometres.
    const std::vector<double>* amplitudes = nullptr;
    const int candidate = amplitudeCandidateIndex(context);
    const std::vector<int> signalOf = signalOfSites(context);
    if (candidate >= 0) {
        const int point = context.result.candidates[std::size_t(candidate)].amplitudePoint;
        if (point >= 0 && std::size_t(point) < signalOf.size() && signalOf[std::size_t(point)] >= 0)
            amplitudes = &context.result.acceptedSignals[std::size_t(signalOf[std::size_t(point)])]
                              .amplitudeSpectrumPx;
    }
    const double micrometresPerPixel = millimetresPerPixelOf(context) * 1000.0;
    QStringList lines{
        QStringLiteral("frequency_hz,relative_power,point_amplitude_px,point_amplitude_um")};
    std::size_t bin = 0;
    forEachSpectrumBin(context, [&](double frequency, double power) {
        const double px = amplitudes && bin < amplitudes->size()
                              ? (*amplitudes)[bin]
                              : std::numeric_limits<double>::quiet_NaN();
        lines.append(csvNumber(frequency) + QLatin1Char(',') + csvNumber(power) + QLatin1Char(',') +
                     csvNumber(px) + QLatin1Char(',') + csvNumber(px * micrometresPerPixel));
        ++bin;
    });
    return csvDocument(lines);
}

QByteArray cellDataCsv(const AnalysisExportContext& context)
{
    static const std::array<const char*, 35> columns{"point",
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
                                                     "powerReason",
                                                     "amplitudeFrequencyHz",
                                                     "amplitudePx",
                                                     "amplitudeDirectionDegrees",
                                                     "amplitudePhaseDegrees",
                                                     "amplitudeXPx",
                                                     "amplitudePhaseXDegrees",
                                                     "amplitudeYPx",
                                                     "amplitudePhaseYDegrees",
                                                     "displacementUm",
                                                     "velocityMmPerSecondRms",
                                                     "accelerationMetresPerSecond2",
                                                     "amplitudeStandardErrorPx",
                                                     "amplitudeReliable"};
    QStringList lines{QStringLiteral(
        "point,cell_x,cell_y,cell_width,cell_height,sample_x,sample_y,signal_accepted,"
        "valid_samples,gaps,segment_start_s,segment_duration_s,power_valid,relative_band_power,"
        "local_peak_hz,phase_valid,phase_degrees,phase_fit_fraction,phase_start_s,"
        "phase_duration_s,phase_reason,power_reason,amplitude_frequency_hz,amplitude_px,"
        "amplitude_direction_deg,amplitude_phase_deg,amplitude_x_px,amplitude_phase_x_deg,"
        "amplitude_y_px,amplitude_phase_y_deg,displacement_um,velocity_mm_s_rms,"
        "acceleration_m_s2,amplitude_standard_error_px,amplitude_reliable")};
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
    QJsonArray amplitudeSpectra;
    const std::vector<int> signalOf = signalOfSites(context);
    for (const project_data::FrequencyCandidate& c : context.result.candidates) {
        QJsonObject candidate{
            {QStringLiteral("frequencyHz"), number(c.measuredFrequencyHz())},
            {QStringLiteral("binFrequencyHz"), number(c.frequencyHz)},
            {QStringLiteral("relativePower"), number(c.relativePower)},
            {QStringLiteral("contrastDb"), number(c.contrastDb)},
            {QStringLiteral("spatialSupport"), number(c.spatialSupport)},
            {QStringLiteral("stabilityEvaluated"), c.stabilityEvaluated},
            {QStringLiteral("stability"), number(c.stability)},
            {QStringLiteral("lowerHz"), number(c.lowerFrequencyHz)},
            {QStringLiteral("upperHz"), number(c.upperFrequencyHz)},
            {QStringLiteral("possibleCompressionArtefact"), c.possibleCompressionArtefact},
            {QStringLiteral("refinedFrequencyHz"), number(c.refinedFrequencyHz)},
            {QStringLiteral("amplitudePx"), number(c.amplitudePx)},
            {QStringLiteral("medianAmplitudePx"), number(c.amplitudePx)},
            {QStringLiteral("amplitudeLowerQuartilePx"), number(c.amplitudeLowerPx)},
            {QStringLiteral("amplitudeUpperQuartilePx"), number(c.amplitudeUpperPx)},
            {QStringLiteral("amplitudePoints"), c.amplitudePoints},
            {QStringLiteral("strongestAmplitudePx"), number(c.strongestAmplitudePx)},
            {QStringLiteral("amplitudePointOneBased"),
             c.amplitudePoint >= 0 ? QJsonValue(c.amplitudePoint + 1) : QJsonValue()}};
        insertPhysical(candidate, context, c.amplitudePx, c.measuredFrequencyHz());
        // The mark exists only where camera motion was compensated.
        if (context.result.request.cameraMotionCompensation)
            candidate.insert(QStringLiteral("cameraMotion"), c.cameraMotion);
        candidates.append(candidate);
        // The strongest point's displacement amplitude spectrum, on the bins of "spectrum".
        const int point = c.amplitudePoint;
        if (point >= 0 && std::size_t(point) < signalOf.size() &&
            signalOf[std::size_t(point)] >= 0) {
            QJsonArray values;
            for (double v :
                 context.result.acceptedSignals[std::size_t(signalOf[std::size_t(point)])]
                     .amplitudeSpectrumPx)
                values.append(number(v));
            if (!values.isEmpty())
                amplitudeSpectra.append(QJsonObject{
                    {QStringLiteral("pointOneBased"), point + 1},
                    {QStringLiteral("candidateFrequencyHz"), number(c.measuredFrequencyHz())},
                    {QStringLiteral("amplitudePx"), values}});
        }
    }
    root.insert(QStringLiteral("candidates"), candidates);
    root.insert(QStringLiteral("amplitudeSpectra"), amplitudeSpectra);
    root.insert(QStringLiteral("cells"), buildCellsArray(context));
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

} // namespace orvi::reports
