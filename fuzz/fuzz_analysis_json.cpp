// The analysis data exports (JSON and both CSV files) of a result with arbitrary numbers,
// sizes and selections, within the shape an analysis run gives its result (one accepted
// signal per accepted point, one amplitude per candidate): the JSON must parse back as one
// object and every CSV row must have its header's column count.
#include "FuzzSupport.h"
#include "reports/AnalysisDataExport.h"
#include "reports/AnalysisExportContext.h"

#include <QJsonDocument>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>

using namespace orvi;

namespace {

constexpr int kMaximumItems = 64;
// Sample indices and lengths stay within a fragment, as the analysis gives them.
constexpr qint32 kMaximumSamples = 1 << 24;

double real(FuzzedDataProvider& input)
{
    return input.ConsumeFloatingPoint<double>();
}

QRectF rect(FuzzedDataProvider& input)
{
    return QRectF(real(input), real(input), real(input), real(input));
}

void fillResult(FuzzedDataProvider& input, project_data::SpectrumResult& result)
{
    result.ok = true;
    result.request.videoInfo.filePath = QString::fromUtf8(input.ConsumeRandomLengthString(64));
    result.request.videoInfo.captureFrameRate = real(input);
    result.request.videoInfo.nominalFrameRate = real(input);
    result.request.startFrame = input.ConsumeIntegral<qint64>();
    result.request.endFrame = input.ConsumeIntegral<qint64>();
    result.request.requestedGrid =
        QSize(input.ConsumeIntegralInRange(-2, 300), input.ConsumeIntegralInRange(-2, 300));
    result.request.lengthScale.lengthMm = real(input);
    result.binWidthHz = real(input);
    result.spectrum.resize(input.ConsumeIntegralInRange(1, 4 * kMaximumItems));
    for (double& value : result.spectrum)
        value = real(input);
    result.candidates.resize(input.ConsumeIntegralInRange(0, 20));
    for (project_data::FrequencyCandidate& candidate : result.candidates) {
        candidate.frequencyHz = real(input);
        candidate.refinedFrequencyHz = real(input);
        candidate.relativePower = real(input);
        candidate.contrastDb = real(input);
        candidate.amplitudePx = real(input);
        candidate.amplitudePoint = input.ConsumeIntegralInRange(-1, kMaximumItems);
    }
    result.sites.resize(input.ConsumeIntegralInRange(0, kMaximumItems));
    for (project_data::GridSite& site : result.sites) {
        site.cellRect = rect(input);
        site.accepted = input.ConsumeBool();
        site.segmentStart = input.ConsumeIntegralInRange<qint32>(0, kMaximumSamples);
        site.segmentLength = input.ConsumeIntegralInRange<qint32>(0, kMaximumSamples);
        if (!site.accepted)
            continue;
        project_data::AcceptedSignal signal;
        signal.cellRect = site.cellRect;
        signal.powerSpectrum.resize(result.spectrum.size());
        for (double& value : signal.powerSpectrum)
            value = real(input);
        signal.amplitudes.resize(result.candidates.size());
        for (project_data::PointAmplitude& amplitude : signal.amplitudes)
            amplitude.amplitudePx = real(input);
        result.acceptedSignals.push_back(std::move(signal));
    }
    result.acceptedCount = qint32(result.acceptedSignals.size());
    result.siteCount = qint32(result.sites.size());
}

void fillSelection(FuzzedDataProvider& input, reports::AnalysisExportContext& context)
{
    context.lowerHz = real(input);
    context.upperHz = real(input);
    context.phaseFrequencyHz = real(input);
    context.phaseAxis = input.ConsumeIntegralInRange(0, 1);
    context.phaseReferenceIndex = input.ConsumeIntegralInRange(-1, kMaximumItems);
    context.hasPhase = input.ConsumeBool();
    context.hasPhaseCalculation = input.ConsumeBool();
    context.hasPowerMap = input.ConsumeBool();
    context.logarithmicColors = input.ConsumeBool();
    if (context.hasPhaseCalculation) {
        context.relativePhase.resize(context.sites.size());
        for (project_data::RelativePhaseSample& sample : context.relativePhase) {
            sample.valid = input.ConsumeBool();
            sample.reason = input.ConsumeIntegral<qint32>();
            sample.phaseDegrees = real(input);
            sample.intervalStart = input.ConsumeIntegralInRange<qint32>(0, kMaximumSamples);
            sample.intervalLength = input.ConsumeIntegralInRange<qint32>(0, kMaximumSamples);
        }
    }
}

void checkCsv(const QByteArray& bytes)
{
    const QList<QByteArray> lines = bytes.split('\n');
    const qsizetype columns = lines.value(0).count(',');
    for (const QByteArray& line : lines)
        if (!line.isEmpty() && line.count(',') != columns)
            std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    orvi::fuzzing::application<QCoreApplication>(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    reports::AnalysisExportContext context;
    fillResult(input, context.result);
    context.sites = reports::AnalysisExportContext::sitesFrom(context.result.sites);
    fillSelection(input, context);

    const QJsonDocument document = QJsonDocument::fromJson(reports::analysisDataJson(context));
    if (!document.isObject())
        std::abort();
    checkCsv(reports::spectrumCsv(context));
    checkCsv(reports::cellDataCsv(context));
    return 0;
}
