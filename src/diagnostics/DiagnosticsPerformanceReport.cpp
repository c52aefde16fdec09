#include "diagnostics/DiagnosticsPerformanceReport.h"

#include "records/ProcessingPerformance.h"

namespace orvi::diagnostics::service {

namespace {

using project_data::ProcessingPerformance;

double ms(qint64 microseconds)
{
    return double(microseconds) / 1000.0;
}

// Milliseconds per frame; 0 when nothing was measured.
double perFrameMs(qint64 microseconds, qint64 frames)
{
    return microseconds < 1 || frames < 1 ? 0.0 : ms(microseconds) / double(frames);
}

// 0 when either side is empty, so an unfinished report shows no share rather than NaN.
double percent(qint64 part, qint64 whole)
{
    return part < 1 || whole < 1 ? 0.0 : double(part) * 100.0 / double(whole);
}

QString workerMode(const ProcessingPerformance& report)
{
    return report.requestedWorkerThreadCount != 0 ? QStringLiteral("manual")
                                                  : QStringLiteral("automatic");
}

// The keys that the full report and the summary share.
QJsonObject common(const ProcessingPerformance& report)
{
    return {
        {QStringLiteral("available"), report.isPresent()},
        {QStringLiteral("clock"), QStringLiteral("monotonic_wall")},
        {QStringLiteral("measuredFrames"), double(report.processedFrames)},
        {QStringLiteral("totalElapsedMs"), ms(report.totalElapsedUs)},
        {QStringLiteral("frameLoopElapsedMs"), ms(report.frameLoopElapsedUs)},
        {QStringLiteral("frameThroughputFps"), report.frameThroughputFps()},
        {QStringLiteral("availableLogicalProcessorCount"), report.availableLogicalProcessorCount},
        {QStringLiteral("requestedMotionWorkerThreadCount"), report.requestedWorkerThreadCount},
        {QStringLiteral("motionWorkerThreadCount"), report.effectiveWorkerThreadCount},
        {QStringLiteral("decoderThreadLimit"), report.decoderThreadLimit},
        {QStringLiteral("encoderThreadLimit"), report.encoderThreadLimit},
        {QStringLiteral("motionProcessingFrameWidth"), report.motion.processingWidth},
        {QStringLiteral("motionProcessingFrameHeight"), report.motion.processingHeight},
        {QStringLiteral("regionProcessingOptimizationApplied"),
         report.motion.regionOptimizationApplied}};
}

} // namespace

QJsonObject DiagnosticsPerformanceReport::full(const ProcessingPerformance& report)
{
    QJsonObject result = common(report);
    result.insert(QStringLiteral("motionWorkerThreadMode"), workerMode(report));
    result.insert(QStringLiteral("threadLimitZeroMeans"), QStringLiteral("backend_automatic"));
    result.insert(QStringLiteral("accountedElapsedMs"), ms(report.accountedElapsedUs()));
    result.insert(QStringLiteral("unaccountedElapsedMs"), ms(report.unaccountedElapsedUs()));
    result.insert(QStringLiteral("pipeline"), pipeline(report));
    result.insert(QStringLiteral("motionCore"), motionCore(report));
    return result;
}

QJsonObject DiagnosticsPerformanceReport::summary(const ProcessingPerformance& report)
{
    QJsonObject result = common(report);
    result.insert(QStringLiteral("decoderMs"), ms(report.decoderUs));
    result.insert(QStringLiteral("motionProcessingMs"), ms(report.motionProcessingUs));
    result.insert(QStringLiteral("encoderCriticalPathMs"), ms(report.encoderCriticalPathUs()));
    return result;
}

QJsonObject DiagnosticsPerformanceReport::pipeline(const ProcessingPerformance& report)
{
    const qint64 frames = report.processedFrames;
    const qint64 loop = report.frameLoopElapsedUs;
    return {
        {QStringLiteral("sourceOpeningMs"), ms(report.sourceOpeningUs)},
        {QStringLiteral("sourceSeekMs"), ms(report.sourceSeekUs)},
        {QStringLiteral("decoderMs"), ms(report.decoderUs)},
        {QStringLiteral("motionProcessingMs"), ms(report.motionProcessingUs)},
        {QStringLiteral("encoderStartupMs"), ms(report.encoderStartupUs)},
        {QStringLiteral("encoderWriteMs"), ms(report.encoderWriteUs)},
        {QStringLiteral("encoderFinalizeMs"), ms(report.encoderFinalizeUs)},
        {QStringLiteral("encoderCriticalPathMs"), ms(report.encoderCriticalPathUs())},
        {QStringLiteral("parametersWriteMs"), ms(report.parametersWriteUs)},
        {QStringLiteral("publicationMs"), ms(report.publicationUs)},
        {QStringLiteral("averageDecoderMsPerFrame"), perFrameMs(report.decoderUs, frames)},
        {QStringLiteral("averageMotionMsPerFrame"), perFrameMs(report.motionProcessingUs, frames)},
        {QStringLiteral("averageEncoderWriteMsPerFrame"),
         perFrameMs(report.encoderWriteUs, frames)},
        {QStringLiteral("decoderShareOfFrameLoopPercent"), percent(report.decoderUs, loop)},
        {QStringLiteral("motionShareOfFrameLoopPercent"), percent(report.motionProcessingUs, loop)},
        {QStringLiteral("encoderWriteShareOfFrameLoopPercent"),
         percent(report.encoderWriteUs, loop)}};
}

QJsonObject DiagnosticsPerformanceReport::motionCore(const ProcessingPerformance& report)
{
    const qint64 measured = report.motion.totalUs();
    return {{QStringLiteral("measuredMs"), ms(measured)},
            {QStringLiteral("coverageOfMotionProcessingPercent"),
             percent(measured, report.motionProcessingUs)},
            {QStringLiteral("luminanceMs"), ms(report.motion.luminanceUs)},
            {QStringLiteral("pyramidDecompositionMs"), ms(report.motion.pyramidDecompositionUs)},
            {QStringLiteral("quadratureMs"), ms(report.motion.quadratureUs)},
            {QStringLiteral("phaseAccumulationMs"), ms(report.motion.phaseAccumulationUs)},
            {QStringLiteral("temporalFilterMs"), ms(report.motion.temporalFilterUs)},
            {QStringLiteral("phaseDenoisingMs"), ms(report.motion.phaseDenoisingUs)},
            {QStringLiteral("phaseShiftMs"), ms(report.motion.phaseShiftUs)},
            {QStringLiteral("reconstructionMs"), ms(report.motion.reconstructionUs)},
            {QStringLiteral("compositionMs"), ms(report.motion.compositionUs)}};
}

} // namespace orvi::diagnostics::service
