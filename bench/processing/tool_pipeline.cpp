// Headless run of the processing pipeline, used to time it end to end: an analysis job into
// a temporary result, then a pass-through export of that result to MP4 + JSON. Prints both
// performance records as one JSON document on standard output.
#include "media/libav/LibavRuntime.h"
#include "processing/VideoProcessingPipeline.h"
#include "results/TemporaryVideo.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRectF>
#include <QStringList>
#include <QTextStream>
#include <cmath>
#include <cstdio>

using namespace orvi::project_data;
using orvi::processing::VideoProcessingPipeline;

namespace {

QJsonObject performanceJson(const ProcessingPerformance& p)
{
    return QJsonObject{
        {"totalElapsedUs", p.totalElapsedUs},
        {"frameLoopElapsedUs", p.frameLoopElapsedUs},
        {"sourceOpeningUs", p.sourceOpeningUs},
        {"sourceSeekUs", p.sourceSeekUs},
        {"decoderUs", p.decoderUs},
        {"motionProcessingUs", p.motionProcessingUs},
        {"encoderStartupUs", p.encoderStartupUs},
        {"encoderWriteUs", p.encoderWriteUs},
        {"encoderFinalizeUs", p.encoderFinalizeUs},
        {"parametersWriteUs", p.parametersWriteUs},
        {"publicationUs", p.publicationUs},
        {"luminanceUs", p.motion.luminanceUs},
        {"pyramidDecompositionUs", p.motion.pyramidDecompositionUs},
        {"quadratureUs", p.motion.quadratureUs},
        {"phaseAccumulationUs", p.motion.phaseAccumulationUs},
        {"temporalFilterUs", p.motion.temporalFilterUs},
        {"phaseDenoisingUs", p.motion.phaseDenoisingUs},
        {"phaseShiftUs", p.motion.phaseShiftUs},
        {"reconstructionUs", p.motion.reconstructionUs},
        {"compositionUs", p.motion.compositionUs},
        {"processedFrames", p.processedFrames},
        {"availableLogicalProcessorCount", p.availableLogicalProcessorCount},
        {"requestedWorkerThreadCount", p.requestedWorkerThreadCount},
        {"effectiveWorkerThreadCount", p.effectiveWorkerThreadCount},
        {"motionProcessingFrameWidth", p.motion.processingWidth},
        {"motionProcessingFrameHeight", p.motion.processingHeight},
        {"regionProcessingOptimizationApplied", p.motion.regionOptimizationApplied},
        {"gainMeasurementUs", p.gainMeasurementUs},
        {"accountedElapsedUs", p.accountedElapsedUs()},
        {"unaccountedElapsedUs", p.unaccountedElapsedUs()},
        {"encoderCriticalPathUs", p.encoderCriticalPathUs()},
        {"motionStageSumUs", p.motion.totalUs()},
        {"frameThroughputFps", p.frameThroughputFps()},
    };
}

QJsonObject resultJson(const ProcessingResult& result)
{
    return QJsonObject{
        {"state", int(result.state)},
        {"message", result.message},
        {"publishedVideoPath", result.publishedVideoPath},
        {"publishedParametersPath", result.publishedParametersPath},
        {"performance", performanceJson(result.performance)},
        {"measuredMotionGain", std::isfinite(result.measuredMotionGain)
                                   ? QJsonValue(result.measuredMotionGain)
                                   : QJsonValue()},
        {"cameraMotionPeakPx", std::isfinite(result.cameraMotion.peakPx)
                                   ? QJsonValue(result.cameraMotion.peakPx)
                                   : QJsonValue()},
    };
}

bool parseNumbers(const QString& text, int expected, QList<double>* numbers)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != expected)
        return false;
    for (const QString& part : parts) {
        bool ok = false;
        numbers->append(part.trimmed().toDouble(&ok));
        if (!ok)
            return false;
    }
    return true;
}

ProcessingResult runQuietly(const ProcessingRequest& request)
{
    VideoProcessingPipeline pipeline;
    return pipeline.run(request, {}, [] { return false; });
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    orvi::media::libav::LibavRuntime::routeLogMessages();
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Times the processing pipeline on a video."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("input"), QStringLiteral("Source video file."));
    parser.addPositionalArgument(QStringLiteral("output"), QStringLiteral("Exported MP4 file."));
    const QCommandLineOption start({"s", "start"}, "First frame.", "frame", "0");
    const QCommandLineOption end({"e", "end"}, "End frame (exclusive); -1 for the last.", "frame",
                                 "-1");
    const QCommandLineOption region({"r", "region"}, "Normalised region x,y,w,h.", "rect",
                                    "0,0,1,1");
    const QCommandLineOption band({"b", "band"}, "Band lower,upper in Hz.", "hz", "5,10");
    const QCommandLineOption factor({"a", "factor"}, "Amplification factor.", "alpha", "10");
    const QCommandLineOption workers({"w", "workers"}, "Worker threads (0 = automatic).", "count",
                                     "0");
    const QCommandLineOption capture({"c", "capture"}, "Capture frame rate (0 = the video's own).",
                                     "fps", "0");
    const QCommandLineOption noOptimization("no-region-optimization", "Process the full frame.");
    const QCommandLineOption cameraReference(
        "camera-reference",
        "Compensate camera motion measured on this still region (normalised x,y,w,h).", "rect");
    parser.addOptions(
        {start, end, region, band, factor, workers, capture, noOptimization, cameraReference});
    parser.process(app);

    QTextStream err(stderr);
    const QStringList positional = parser.positionalArguments();
    QList<double> rect;
    QList<double> edges;
    QList<double> reference;
    if (positional.size() != 2 || !parseNumbers(parser.value(region), 4, &rect) ||
        !parseNumbers(parser.value(band), 2, &edges) ||
        (parser.isSet(cameraReference) &&
         !parseNumbers(parser.value(cameraReference), 4, &reference))) {
        err << parser.helpText();
        return 2;
    }

    ProcessingRequest request;
    request.sourceInfo.filePath = QFileInfo(positional.at(0)).absoluteFilePath();
    request.sourceInfo.captureFrameRate = parser.value(capture).toDouble();
    request.settings.startFrame = parser.value(start).toLongLong();
    request.settings.endFrameExclusive = parser.value(end).toLongLong();
    request.settings.regionOfInterest = QRectF(rect[0], rect[1], rect[2], rect[3]);
    request.settings.lowerFrequencyHz = edges[0];
    request.settings.upperFrequencyHz = edges[1];
    request.settings.amplificationFactor = parser.value(factor).toDouble();
    request.settings.workerThreadCount = parser.value(workers).toInt();
    request.settings.regionProcessingOptimizationEnabled = !parser.isSet(noOptimization);
    if (!reference.isEmpty()) {
        request.settings.stabilizationEnabled = true;
        request.settings.stabilizationReferenceRegion =
            QRectF(reference[0], reference[1], reference[2], reference[3]);
    }
    if (request.settings.endFrameExclusive < 0) {
        if (request.settings.startFrame > 0) {
            err << "--end is required with --start.\n";
            return 2;
        }
        // The whole video: the time range from 0 to its end.
        request.settings.startFrame = -1;
        request.settings.endFrameExclusive = -1;
    }
    request.analysisMode = true;

    const ProcessingResult analysis = runQuietly(request);
    QJsonObject document{{"analysis", resultJson(analysis)}};
    int status = analysis.isSuccessful() ? 0 : 1;
    if (analysis.isSuccessful()) {
        ProcessingRequest exportRequest = request;
        exportRequest.analysisMode = false;
        exportRequest.outputVideoPath = QFileInfo(positional.at(1)).absoluteFilePath();
        exportRequest.sourceTemporaryResult = analysis.temporaryResult;
        // As the interface does: the preview's measured gain goes with its export.
        exportRequest.measuredMotionGain = analysis.measuredMotionGain;
        exportRequest.cameraMotion = analysis.cameraMotion;
        const ProcessingResult exported = runQuietly(exportRequest);
        document.insert("export", resultJson(exported));
        document.insert("temporaryResultBytes", analysis.temporaryResult->storageBytes());
        status = exported.isSuccessful() ? 0 : 1;
    }
    std::fputs(QJsonDocument(document).toJson(QJsonDocument::Indented).constData(), stdout);
    return status;
}
