#include "diagnostics/DiagnosticsSpectrumSnapshot.h"

#include "controllers/SpectrumController.h"
#include "records/SpectrumAlgorithms.h"

#include <QJsonArray>

namespace orvi::diagnostics::service {

using ui::controllers::SpectrumController;

// How many points were accepted and what the rejected samples were, over all points.
QJsonObject DiagnosticsSpectrumSnapshot::pointCounts(const SpectrumController& spectrum)
{
    int accepted = 0;
    int untextured = 0;
    qint64 lowContrast = 0;
    qint64 phaseJumps = 0;
    qint64 nonFinite = 0;
    for (const project_data::GridSite& site : spectrum.inspection().sites()) {
        accepted += site.accepted ? 1 : 0;
        untextured += site.textured ? 0 : 1;
        lowContrast += site.lowContrastSamples;
        phaseJumps += site.phaseJumpSamples;
        nonFinite += site.nonFiniteSamples;
    }
    return {{QStringLiteral("diagnosticAccepted"), accepted},
            {QStringLiteral("untexturedCells"), untextured},
            {QStringLiteral("lowContrastSamples"), lowContrast},
            {QStringLiteral("phaseJumpSamples"), phaseJumps},
            {QStringLiteral("nonFiniteSamples"), nonFinite}};
}

QJsonValue DiagnosticsSpectrumSnapshot::lengthScale(const SpectrumController& spectrum)
{
    if (!spectrum.hasLengthScale())
        return QJsonValue::Null;
    const QPointF first = spectrum.lengthScaleFirst();
    const QPointF second = spectrum.lengthScaleSecond();
    return QJsonObject{{QStringLiteral("first"), QJsonArray{first.x(), first.y()}},
                       {QStringLiteral("second"), QJsonArray{second.x(), second.y()}},
                       {QStringLiteral("lengthMm"), spectrum.lengthScaleMillimetres()},
                       {QStringLiteral("millimetresPerPixel"), spectrum.millimetresPerPixel()}};
}

QJsonObject DiagnosticsSpectrumSnapshot::section(const SpectrumController& spectrum)
{
    const project_data::SpectrumResult& result = spectrum.result();
    const ui::controllers::PointInspection& points = spectrum.inspection();
    const QVariantList& phaseCells = spectrum.phase().cells();
    const int reference = spectrum.phaseReferenceSite();
    QJsonValue referenceSample = QJsonValue::Null;
    if (reference >= 0 && reference < phaseCells.size())
        referenceSample = QJsonObject::fromVariantMap(phaseCells[reference].toMap());

    // Inserted in the documented order (the JSON object itself keeps its keys sorted).
    QJsonObject o = pointCounts(spectrum);
    o.insert(QStringLiteral("busy"), spectrum.busy());
    o.insert(QStringLiteral("ready"), spectrum.ready());
    o.insert(QStringLiteral("stale"), spectrum.stale());
    o.insert(QStringLiteral("progress"), spectrum.progress());
    o.insert(QStringLiteral("error"), spectrum.errorMessage());
    o.insert(QStringLiteral("identity"), QString::fromLatin1(result.request.identity));
    o.insert(QStringLiteral("algorithm"), QLatin1String(project_data::kSpectrumAlgorithmId));
    o.insert(QStringLiteral("diagnosticSiteCount"), qint64(points.sites().size()));
    o.insert(QStringLiteral("diagnosticSites"), QJsonArray::fromVariantList(points.siteList()));
    o.insert(QStringLiteral("workerThreadCount"), spectrum.workerThreadCount());
    o.insert(QStringLiteral("maximumWorkerThreadCount"), spectrum.maximumWorkerThreadCount());
    o.insert(QStringLiteral("selectedLowerFrequencyHz"), spectrum.selectedLowerFrequencyHz());
    o.insert(QStringLiteral("selectedUpperFrequencyHz"), spectrum.selectedUpperFrequencyHz());
    o.insert(QStringLiteral("phaseCanCalculate"), spectrum.phaseCanCalculate());
    o.insert(QStringLiteral("bandApplicationMessage"), spectrum.band().applicationMessage());
    o.insert(QStringLiteral("diagnosticStale"), spectrum.diagnosticStale());
    o.insert(QStringLiteral("diagnosticText"), points.text());
    o.insert(QStringLiteral("gridDensityIndex"), spectrum.gridDensityIndex());
    o.insert(QStringLiteral("resultGrid"), spectrum.resultGridDescription());
    o.insert(QStringLiteral("diagnosticGrid"), points.gridDescription());
    o.insert(QStringLiteral("localSpectrumAvailable"), points.localAvailable());
    o.insert(QStringLiteral("localSpectrumPeakHz"), points.localPeakHz());
    o.insert(QStringLiteral("localSpectrumStepHz"), points.localStepHz());
    o.insert(QStringLiteral("localPhasePeakPower"), points.localPowerNormalization());
    o.insert(QStringLiteral("diagnosticSegmentStartSeconds"), points.segmentStartSeconds());
    o.insert(QStringLiteral("diagnosticSegmentEndSeconds"), points.segmentEndSeconds());
    o.insert(QStringLiteral("diagnosticIdentity"), QString::fromLatin1(points.identity()));
    o.insert(QStringLiteral("selectedDiagnosticSite"), points.selectedSite());
    o.insert(QStringLiteral("mapAvailable"), spectrum.mapAvailable());
    o.insert(QStringLiteral("mapMessage"), spectrum.mapMessage());
    o.insert(QStringLiteral("mapFrameNumber"), spectrum.mapFrameNumber());
    o.insert(QStringLiteral("mapSiteCount"), qint64(result.acceptedSignals.size()));
    o.insert(QStringLiteral("phaseAvailable"), spectrum.phaseAvailable());
    o.insert(QStringLiteral("phaseBusy"), spectrum.phaseBusy());
    o.insert(QStringLiteral("phaseReferenceSite"), reference);
    o.insert(QStringLiteral("phaseAxis"), spectrum.phaseAxis());
    o.insert(QStringLiteral("phaseFrequencyHz"), spectrum.phaseFrequencyHz());
    o.insert(QStringLiteral("phaseMessage"), spectrum.phaseMessage());
    o.insert(QStringLiteral("reportBusy"), spectrum.reportBusy());
    o.insert(QStringLiteral("reportMessage"), spectrum.reportMessage());
    o.insert(QStringLiteral("phaseValidSites"), spectrum.phase().validCount());
    o.insert(QStringLiteral("phaseReferenceSample"), referenceSample);
    o.insert(QStringLiteral("validSites"), result.acceptedCount);
    o.insert(QStringLiteral("selectedSites"), result.siteCount);
    o.insert(QStringLiteral("sampleCount"), result.sampleCount);
    o.insert(QStringLiteral("fftSize"), result.fftSize);
    o.insert(QStringLiteral("unresolvedPeaks"), result.unresolvedPeaks);
    o.insert(QStringLiteral("binWidthHz"), result.binWidthHz);
    o.insert(QStringLiteral("elapsedMs"), result.elapsedMs);
    o.insert(QStringLiteral("candidates"), QJsonArray::fromVariantList(spectrum.candidates()));
    o.insert(QStringLiteral("lengthScale"), lengthScale(spectrum));
    o.insert(QStringLiteral("selectedPointAmplitudes"),
             QJsonArray::fromVariantList(spectrum.selectedPointAmplitudes()));
    return o;
}

} // namespace orvi::diagnostics::service
