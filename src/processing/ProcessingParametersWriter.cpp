#include "processing/ProcessingParametersWriter.h"

#include "orvi/Version.h"
#include "processing/VideoWatermarkRenderer.h"
#include "records/ErrorMessage.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QRectF>
#include <cmath>
#include <exception>

namespace orvi::processing {

using project_data::failWith;

namespace {

QJsonObject rectangleObject(const QRectF& rectangle)
{
    return QJsonObject{{QStringLiteral("x"), rectangle.x()},
                       {QStringLiteral("y"), rectangle.y()},
                       {QStringLiteral("width"), rectangle.width()},
                       {QStringLiteral("height"), rectangle.height()}};
}

QString isoWithMilliseconds(const QDateTime& dateTime)
{
    return dateTime.isValid() ? dateTime.toString(Qt::ISODateWithMs) : QString();
}

QJsonObject sourceObject(const project_data::ProcessingRequest& parameters,
                         const media::VideoInfo& source, double captureFrameRate)
{
    // The derived recording values follow the rate that was actually used.
    media::VideoInfo usedRate = source;
    usedRate.captureFrameRate = captureFrameRate;
    return QJsonObject{
        {QStringLiteral("filePath"), source.filePath},
        {QStringLiteral("container"), source.containerName},
        {QStringLiteral("videoCodec"), source.codecName},
        {QStringLiteral("width"), source.frameSize.width()},
        {QStringLiteral("height"), source.frameSize.height()},
        {QStringLiteral("durationUs"), source.durationUs},
        {QStringLiteral("frameCount"), source.frameCount},
        {QStringLiteral("nominalFrameRate"), source.nominalFrameRate},
        {QStringLiteral("averagePlaybackFrameRate"), source.averagePlaybackFrameRate()},
        {QStringLiteral("detectedCaptureFrameRate"), source.detectedCaptureFrameRate},
        {QStringLiteral("captureFrameRate"), captureFrameRate},
        {QStringLiteral("captureFrameRateManual"), parameters.sourceInfo.captureFrameRateManual},
        {QStringLiteral("captureFrameRateOrigin"), parameters.sourceInfo.captureFrameRateOrigin()},
        {QStringLiteral("slowMotionPlaybackIntent"), source.slowMotionPlaybackIntent},
        {QStringLiteral("estimatedRecordingDurationUs"), usedRate.estimatedRecordingDurationUs()},
        {QStringLiteral("averageSlowMotionFactor"), usedRate.averageSlowMotionFactor()},
        {QStringLiteral("variableFrameRate"), source.variableFrameRate},
        {QStringLiteral("uniformStartFrame"), source.uniformStartFrame},
    };
}

QJsonValue number(double value)
{
    return std::isfinite(value) ? QJsonValue(value) : QJsonValue(QJsonValue::Null);
}

// The camera motion taken out of the frames; null without compensation.
QJsonValue cameraMotionValue(const project_data::CameraMotion& motion)
{
    if (!motion.compensated)
        return QJsonValue(QJsonValue::Null);
    return QJsonObject{
        {QStringLiteral("compensatedMotion"), QStringLiteral("translation")},
        {QStringLiteral("peakDisplacementPx"), number(motion.peakPx)},
        {QStringLiteral("rmsDisplacementPx"), number(motion.rmsPx)},
        {QStringLiteral("meanMatchQuality"), number(motion.meanQuality)},
        {QStringLiteral("lowestMatchQuality"), number(motion.lowestQuality)},
        {QStringLiteral("measuredFrames"), qint64(motion.displacementX.size())},
    };
}

QJsonObject processingObject(const motion_core::ProcessingSettings& settings,
                             double measuredMotionGain,
                             const project_data::CameraMotion& cameraMotion,
                             qint64 processedFrameCount)
{
    const QJsonObject fragment{
        {QStringLiteral("startFrame"), settings.startFrame},
        {QStringLiteral("endFrameExclusive"), settings.endFrameExclusive},
        {QStringLiteral("startTimeUs"), settings.startTimeUs},
        {QStringLiteral("endTimeUs"), settings.endTimeUs},
        {QStringLiteral("processedFrameCount"), processedFrameCount},
    };
    const double rpm = settings.rotationSpeedRpm;
    return QJsonObject{
        {QStringLiteral("fragment"), fragment},
        {QStringLiteral("regionCoordinateSpace"), QStringLiteral("decodedFrameNormalizedTopLeft")},
        {QStringLiteral("regionOfInterest"), rectangleObject(settings.regionOfInterest)},
        {QStringLiteral("regionProcessingOptimizationEnabled"),
         settings.regionProcessingOptimizationEnabled},
        {QStringLiteral("expandedRegionAmplificationFactor"),
         settings.regionProcessingOptimizationEnabled
             ? QJsonValue(settings.amplificationFactor * 0.5)
             : QJsonValue(QJsonValue::Null)},
        {QStringLiteral("stabilizationReferenceRegion"),
         settings.stabilizationEnabled
             ? QJsonValue(rectangleObject(settings.stabilizationReferenceRegion))
             : QJsonValue(QJsonValue::Null)},
        {QStringLiteral("lowerFrequencyHz"), settings.lowerFrequencyHz},
        {QStringLiteral("upperFrequencyHz"), settings.upperFrequencyHz},
        {QStringLiteral("amplificationFactor"), settings.amplificationFactor},
        {QStringLiteral("rotationSpeedRpm"), rpm},
        {QStringLiteral("rotationFrequencyHz"), rpm > 0.0 ? rpm / 60.0 : 0.0},
        {QStringLiteral("workerThreadCount"), settings.workerThreadCount},
        {QStringLiteral("effectiveWorkerThreadCount"), settings.effectiveWorkerCount()},
        {QStringLiteral("workerThreadMode"),
         settings.workerThreadCount != 0 ? QStringLiteral("manual") : QStringLiteral("automatic")},
        // The gain the motion reached in the band, measured on the region; null when unknown.
        {QStringLiteral("measuredMotionGain"), std::isfinite(measuredMotionGain)
                                                   ? QJsonValue(measuredMotionGain)
                                                   : QJsonValue(QJsonValue::Null)},
        // The camera's own translation measured on the reference region and taken out of
        // every frame; null without compensation.
        {QStringLiteral("cameraMotion"), cameraMotionValue(cameraMotion)},
    };
}

QJsonObject exportObject(const project_data::ProcessingRequest& parameters,
                         const media::VideoInfo& source)
{
    const media::VideoExportOptions& options = parameters.exportOptions;
    const QJsonObject watermark{
        {QStringLiteral("enabled"), true},
        {QStringLiteral("text"), VideoWatermarkRenderer::text()},
        {QStringLiteral("position"), QStringLiteral("bottomRight")},
        {QStringLiteral("maximumWidthRatio"), VideoWatermarkRenderer::maximumWidthRatio},
        {QStringLiteral("marginRatio"), VideoWatermarkRenderer::marginRatio},
    };
    return QJsonObject{
        {QStringLiteral("videoFilePath"), parameters.outputVideoPath},
        {QStringLiteral("container"), options.container},
        {QStringLiteral("videoCodec"), options.videoCodec},
        {QStringLiteral("qualityPercent"), options.qualityPercent},
        {QStringLiteral("includeAudio"), options.includeAudio},
        {QStringLiteral("preserveFrameSize"), options.preserveFrameSize},
        {QStringLiteral("preserveFrameRate"), options.preserveFrameRate},
        {QStringLiteral("playbackFrameRate"), source.nominalFrameRate},
        {QStringLiteral("watermark"), watermark},
    };
}

QJsonObject recordingObject(const project_data::ProcessingRequest& parameters)
{
    return QJsonObject{
        {QStringLiteral("equipmentType"), parameters.equipmentType},
        {QStringLiteral("equipmentDesignation"), parameters.equipmentDesignation},
        {QStringLiteral("inspectedComponent"), parameters.inspectedComponent},
        {QStringLiteral("recordingDateTime"), isoWithMilliseconds(parameters.recordingDateTime)},
        {QStringLiteral("operatingMode"), parameters.operatingMode},
        {QStringLiteral("loadDescription"), parameters.loadDescription},
        {QStringLiteral("comment"), parameters.comment},
    };
}

bool isEmptyRegularFile(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() && info.isFile() && !info.isSymLink() && info.size() == 0;
}

} // namespace

QByteArray
ProcessingParametersWriter::buildDocument(const project_data::ProcessingRequest& parameters,
                                          const media::VideoInfo& sourceInfo,
                                          double captureFrameRate, qint64 processedFrameCount)
{
    const QJsonObject document{
        {QStringLiteral("schemaVersion"), 1},
        {QStringLiteral("createdAtUtc"), isoWithMilliseconds(QDateTime::currentDateTimeUtc())},
        {QStringLiteral("application"),
         QJsonObject{{QStringLiteral("name"), QStringLiteral("orvi-motion")},
                     {QStringLiteral("version"), QLatin1String(version::kText)}}},
        {QStringLiteral("algorithm"),
         QJsonObject{{QStringLiteral("name"), QStringLiteral("Riesz phase magnification")},
                     {QStringLiteral("version"), QStringLiteral("riesz-phase-cpu-0.3")}}},
        {QStringLiteral("source"), sourceObject(parameters, sourceInfo, captureFrameRate)},
        {QStringLiteral("processing"),
         processingObject(parameters.settings, parameters.measuredMotionGain,
                          parameters.cameraMotion, processedFrameCount)},
        {QStringLiteral("export"), exportObject(parameters, sourceInfo)},
        {QStringLiteral("recording"), recordingObject(parameters)},
    };
    // QJsonObject keeps its keys sorted, so the output is in sorted key order.
    return QJsonDocument(document).toJson(QJsonDocument::Indented);
}

bool ProcessingParametersWriter::writeStaging(const QString& stagingPath,
                                              const project_data::ProcessingRequest& parameters,
                                              const media::VideoInfo& sourceInfo,
                                              double captureFrameRate, qint64 processedFrameCount,
                                              QString* error)
{
    if (!isEmptyRegularFile(stagingPath))
        return failWith(error, tr("The reserved staging JSON file is missing or is not empty."));

    QString message;
    try {
        const QByteArray bytes =
            buildDocument(parameters, sourceInfo, captureFrameRate, processedFrameCount);
        QFile file(stagingPath);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            message = tr("Could not open the staging JSON file: %1").arg(file.errorString());
        } else if (file.write(bytes) != bytes.size() || !file.flush()) {
            message = tr("Could not write the staging JSON file: %1").arg(file.errorString());
        } else {
            file.close();
            if (QFileInfo(stagingPath).size() <= 0)
                message = tr("The written staging JSON file is empty.");
        }
    } catch (const std::exception& exception) {
        message = tr("Exception while writing the staging JSON file: %1")
                      .arg(QString::fromLocal8Bit(exception.what()));
    } catch (...) {
        message = tr("Unknown exception while writing the staging JSON file.");
    }
    if (message.isEmpty()) {
        if (error)
            error->clear();
        return true;
    }

    QFile staging(stagingPath);
    if (staging.exists() && !staging.remove()) {
        message +=
            QLatin1Char(' ') +
            tr("A temporary file may remain at %1: %2").arg(stagingPath, staging.errorString());
    }
    return failWith(error, message);
}

} // namespace orvi::processing
