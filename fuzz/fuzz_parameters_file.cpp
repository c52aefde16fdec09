// The parameters file written beside an exported video, from a request with arbitrary
// descriptions, paths and numbers: it must always be one JSON object that a reader parses
// back, with every text as it was given.
#include "FuzzSupport.h"
#include "processing/ProcessingParametersWriter.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>

using orvi::processing::ProcessingParametersWriter;
using orvi::project_data::ProcessingRequest;

namespace {

QString text(FuzzedDataProvider& input)
{
    return QString::fromUtf8(input.ConsumeRandomLengthString(256));
}

bool containsText(const QJsonValue& value, const QString& wanted)
{
    if (value.isString())
        return value.toString() == wanted;
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it)
            if (containsText(it.value(), wanted))
                return true;
    }
    return false;
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
    ProcessingRequest request;
    request.sourceInfo.filePath = text(input);
    request.sourceInfo.containerName = text(input);
    request.sourceInfo.codecName = text(input);
    request.sourceInfo.frameSize =
        QSize(input.ConsumeIntegral<int>(), input.ConsumeIntegral<int>());
    request.sourceInfo.frameCount = input.ConsumeIntegral<qint64>();
    request.sourceInfo.durationUs = input.ConsumeIntegral<qint64>();
    request.sourceInfo.nominalFrameRate = input.ConsumeFloatingPoint<double>();
    request.sourceInfo.detectedCaptureFrameRate = input.ConsumeFloatingPoint<double>();
    request.sourceInfo.captureFrameRate = input.ConsumeFloatingPoint<double>();
    request.settings.startFrame = input.ConsumeIntegral<qint64>();
    request.settings.endFrameExclusive = input.ConsumeIntegral<qint64>();
    request.settings.lowerFrequencyHz = input.ConsumeFloatingPoint<double>();
    request.settings.upperFrequencyHz = input.ConsumeFloatingPoint<double>();
    request.settings.amplificationFactor = input.ConsumeFloatingPoint<double>();
    request.settings.rotationSpeedRpm = input.ConsumeFloatingPoint<double>();
    request.settings.workerThreadCount = input.ConsumeIntegral<int>();
    request.settings.regionOfInterest =
        QRectF(input.ConsumeFloatingPoint<double>(), input.ConsumeFloatingPoint<double>(),
               input.ConsumeFloatingPoint<double>(), input.ConsumeFloatingPoint<double>());
    request.measuredMotionGain = input.ConsumeFloatingPoint<double>();
    request.equipmentType = text(input);
    request.comment = text(input);
    request.outputVideoPath = text(input);
    const double captureRate = input.ConsumeFloatingPoint<double>();
    const qint64 processed = input.ConsumeIntegral<qint64>();

    const QByteArray bytes = ProcessingParametersWriter::buildDocument(request, request.sourceInfo,
                                                                       captureRate, processed);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        std::abort();
    for (const QString& given : {request.sourceInfo.filePath, request.comment,
                                 request.equipmentType, request.outputVideoPath})
        if (!given.isEmpty() && !containsText(document.object(), given))
            std::abort();
    return 0;
}
