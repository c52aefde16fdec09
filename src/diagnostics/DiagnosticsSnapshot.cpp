#include "diagnostics/DiagnosticsSnapshot.h"

#include "controllers/AnalysisFragmentController.h"
#include "controllers/ExportController.h"
#include "controllers/MediaRuntimeController.h"
#include "controllers/PlaybackController.h"
#include "controllers/PreviewController.h"
#include "controllers/ProcessingSettingsController.h"
#include "controllers/SpectrumController.h"
#include "controllers/VideoSessionController.h"
#include "diagnostics/DiagnosticsPerformanceReport.h"
#include "diagnostics/DiagnosticsProtocol.h"
#include "diagnostics/DiagnosticsSpectrumSnapshot.h"
#include "media/VideoBackend.h"
#include "processing/VideoWatermarkRenderer.h"

#include <QDateTime>
#include <QGuiApplication>

namespace orvi::diagnostics::service {

namespace {

using ui::controllers::VideoSessionController;

// 64-bit counts travel as JSON numbers, exact up to 2^53 - 1.
double number(qint64 value)
{
    return static_cast<double>(value);
}

QString nowUtc()
{
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
}

QString sourceStateName(VideoSessionController::AnalysisState state)
{
    switch (state) {
    case VideoSessionController::Empty:
        return QStringLiteral("empty");
    case VideoSessionController::Analyzing:
        return QStringLiteral("analyzing");
    case VideoSessionController::Cancelling:
        return QStringLiteral("cancelling");
    case VideoSessionController::Ready:
        return QStringLiteral("ready");
    case VideoSessionController::Error:
        return QStringLiteral("error");
    case VideoSessionController::Cancelled:
        return QStringLiteral("cancelled");
    }
    return QStringLiteral("unknown");
}

} // namespace

DiagnosticsSnapshot::DiagnosticsSnapshot(const DiagnosticsControllers& controllers)
    : controllers_(controllers), backend_(checkBackend())
{}

QJsonObject DiagnosticsSnapshot::document(quint64 revision) const
{
    const QJsonObject runtime = mediaRuntime();
    return {{QStringLiteral("apiVersion"), protocol::kApiVersion},
            {QStringLiteral("applicationVersion"), QCoreApplication::applicationVersion()},
            {QStringLiteral("applicationDisplayName"), QGuiApplication::applicationDisplayName()},
            {QStringLiteral("revision"), static_cast<double>(revision)},
            {QStringLiteral("generatedAtUtc"), nowUtc()},
            {QStringLiteral("source"), source()},
            {QStringLiteral("selection"), selection()},
            {QStringLiteral("settings"), settings()},
            {QStringLiteral("playback"), playback()},
            {QStringLiteral("preview"), preview()},
            {QStringLiteral("spectrum"), spectrum()},
            {QStringLiteral("export"), exporter()},
            {QStringLiteral("ffmpeg"), runtime},
            {QStringLiteral("mediaRuntime"), runtime},
            {QStringLiteral("libav"), backend_}};
}

QJsonObject DiagnosticsSnapshot::spectrum() const
{
    return DiagnosticsSpectrumSnapshot::section(*controllers_.spectrum);
}

QJsonObject DiagnosticsSnapshot::performance(const QJsonObject& document)
{
    const auto section = [&document](const char* name) {
        return document.value(QLatin1String(name)).toObject();
    };
    const QJsonObject metadata = section("source").value(QStringLiteral("metadata")).toObject();
    const QJsonObject preview = section("preview");
    const QJsonObject exporter = section("export");
    const auto previewValue = [&preview](const char* key) {
        return preview.value(QLatin1String(key));
    };
    const auto exportValue = [&exporter](const char* key) {
        return exporter.value(QLatin1String(key));
    };
    const QJsonObject previewPerformance = previewValue("performance").toObject();
    const QJsonObject exportPerformance = exportValue("performance").toObject();
    const QString activeOperation = exportValue("busy").toBool()    ? QStringLiteral("export")
                                    : previewValue("busy").toBool() ? QStringLiteral("preview")
                                                                    : QStringLiteral("none");
    const bool exportMeasured = exportPerformance.value(QStringLiteral("available")).toBool();
    return {
        {QStringLiteral("revision"), document.value(QStringLiteral("revision"))},
        {QStringLiteral("sourcePreparation"), metadata.value(QStringLiteral("preparation"))},
        {QStringLiteral("previewState"), previewValue("state")},
        {QStringLiteral("previewBusy"), previewValue("busy")},
        {QStringLiteral("previewReady"), previewValue("ready")},
        {QStringLiteral("previewProgress"), previewValue("progress")},
        {QStringLiteral("settingsRevision"), previewValue("settingsRevision")},
        {QStringLiteral("previewRevision"), previewValue("previewRevision")},
        {QStringLiteral("exportState"), exportValue("state")},
        {QStringLiteral("exportBusy"), exportValue("busy")},
        {QStringLiteral("exportCompleted"), exportValue("completed")},
        {QStringLiteral("exportProgress"), exportValue("progress")},
        {QStringLiteral("exportRevision"), exportValue("exportRevision")},
        {QStringLiteral("activeOperation"), activeOperation},
        {QStringLiteral("videoSourceBackend"),
         section("libav").value(QStringLiteral("videoSourceBackend"))},
        {QStringLiteral("performance"), exportMeasured ? exportPerformance : previewPerformance},
        {QStringLiteral("previewPerformance"), previewPerformance},
        {QStringLiteral("exportPerformance"), exportPerformance}};
}

QJsonObject DiagnosticsSnapshot::source() const
{
    const VideoSessionController& session = *controllers_.videoSession;
    return {{QStringLiteral("state"), sourceStateName(session.state())},
            {QStringLiteral("hasSource"), session.hasSource()},
            {QStringLiteral("busy"), session.busy()},
            {QStringLiteral("cancelling"), session.cancelling()},
            {QStringLiteral("ready"), session.ready()},
            {QStringLiteral("fileName"), session.fileName()},
            {QStringLiteral("filePath"), session.filePath()},
            {QStringLiteral("errorMessage"), session.errorMessage()},
            {QStringLiteral("metadata"), sourceMetadata()}};
}

QJsonObject DiagnosticsSnapshot::sourceMetadata() const
{
    const VideoSessionController& session = *controllers_.videoSession;
    return {{QStringLiteral("containerName"), session.containerName()},
            {QStringLiteral("codecName"), session.codecName()},
            {QStringLiteral("frameWidth"), session.frameWidth()},
            {QStringLiteral("frameHeight"), session.frameHeight()},
            {QStringLiteral("frameCount"), number(session.frameCount())},
            {QStringLiteral("durationUs"), number(session.durationUs())},
            {QStringLiteral("playbackDurationUs"), number(session.durationUs())},
            {QStringLiteral("nominalFrameRate"), session.nominalFrameRate()},
            {QStringLiteral("playbackFrameRate"), session.playbackFrameRate()},
            {QStringLiteral("detectedCaptureFrameRate"), session.detectedCaptureFrameRate()},
            {QStringLiteral("captureFrameRate"), session.captureFrameRate()},
            {QStringLiteral("captureFrameRateKnown"), session.captureFrameRateKnown()},
            {QStringLiteral("captureFrameRateManual"), session.captureFrameRateManual()},
            {QStringLiteral("captureFrameRateOrigin"), session.captureFrameRateOrigin()},
            {QStringLiteral("captureFrameRateRequired"), session.captureFrameRateRequired()},
            {QStringLiteral("captureTimingMapRequired"), session.captureTimingMapRequired()},
            {QStringLiteral("estimatedRecordingDurationUs"),
             number(session.estimatedRecordingDurationUs())},
            {QStringLiteral("averageSlowMotionFactor"), session.averageSlowMotionFactor()},
            {QStringLiteral("effectiveFrameRate"), session.effectiveFrameRate()},
            {QStringLiteral("variableFrameRate"), session.variableFrameRate()},
            {QStringLiteral("uniformStartFrame"), number(session.uniformStartFrame())},
            {QStringLiteral("preparation"), sourcePreparation()}};
}

QJsonObject DiagnosticsSnapshot::sourcePreparation() const
{
    const media::VideoInfo& info = controllers_.videoSession->videoInfo();
    return {{QStringLiteral("totalMs"), number(info.totalMs)},
            {QStringLiteral("metadataMs"), number(info.metadataMs)},
            {QStringLiteral("decodeMs"), number(info.decodeMs)},
            {QStringLiteral("timingMs"), number(info.timingMs)},
            {QStringLiteral("decoderThreadLimit"), info.decoderThreadLimit}};
}

QJsonObject DiagnosticsSnapshot::selection() const
{
    const ui::controllers::AnalysisFragmentController& fragment = *controllers_.analysisFragment;
    const bool valid = fragment.selectionValid();
    const QString state = !fragment.available() ? QStringLiteral("unavailable")
                          : valid               ? QStringLiteral("ready")
                                                : QStringLiteral("invalid");
    return {{QStringLiteral("state"), state},
            {QStringLiteral("available"), fragment.available()},
            {QStringLiteral("customized"), fragment.rangeCustomized()},
            {QStringLiteral("valid"), valid},
            {QStringLiteral("physicalTimingAvailable"), fragment.physicalTimingAvailable()},
            {QStringLiteral("startFrame"), number(fragment.startFrame())},
            {QStringLiteral("endFrameExclusive"), number(fragment.endFrameExclusive())},
            {QStringLiteral("selectedFrameCount"), number(fragment.selectedFrameCount())},
            {QStringLiteral("playbackStartUs"), number(fragment.playbackStartUs())},
            {QStringLiteral("playbackEndUs"), number(fragment.playbackEndUs())},
            {QStringLiteral("playbackDurationUs"), number(fragment.playbackDurationUs())},
            {QStringLiteral("physicalDurationUs"), number(fragment.physicalDurationUs())}};
}

QJsonObject DiagnosticsSnapshot::settings() const
{
    const ui::controllers::ProcessingSettingsController& settings =
        *controllers_.processingSettings;
    const QString warning = settings.warningMessage();
    const QString state = !settings.available()       ? QStringLiteral("unavailable")
                          : !settings.settingsValid() ? QStringLiteral("invalid")
                          : !warning.isEmpty()        ? QStringLiteral("warning")
                                                      : QStringLiteral("ready");
    return {{QStringLiteral("state"), state},
            {QStringLiteral("available"), settings.available()},
            {QStringLiteral("frequencyEditingAvailable"), settings.frequencyEditingAvailable()},
            {QStringLiteral("valid"), settings.settingsValid()},
            {QStringLiteral("rotationSpeedRpm"), settings.rotationSpeedRpm()},
            {QStringLiteral("harmonic1FrequencyHz"), settings.harmonic1FrequencyHz()},
            {QStringLiteral("harmonic2FrequencyHz"), settings.harmonic2FrequencyHz()},
            {QStringLiteral("harmonic3FrequencyHz"), settings.harmonic3FrequencyHz()},
            {QStringLiteral("lowerFrequencyHz"), settings.lowerFrequencyHz()},
            {QStringLiteral("upperFrequencyHz"), settings.upperFrequencyHz()},
            {QStringLiteral("amplificationFactor"), settings.amplificationFactor()},
            {QStringLiteral("availableLogicalProcessorCount"),
             settings.availableLogicalProcessorCount()},
            {QStringLiteral("maximumWorkerThreadCount"), settings.maximumWorkerThreadCount()},
            {QStringLiteral("workerThreadCount"), settings.workerThreadCount()},
            {QStringLiteral("effectiveWorkerThreadCount"), settings.effectiveWorkerThreadCount()},
            {QStringLiteral("workerThreadMode"), settings.workerThreadCount() != 0
                                                     ? QStringLiteral("manual")
                                                     : QStringLiteral("automatic")},
            {QStringLiteral("captureFrameRate"), settings.captureFrameRate()},
            {QStringLiteral("nyquistFrequencyHz"), settings.nyquistFrequencyHz()},
            {QStringLiteral("nearNyquist"), settings.nearNyquist()},
            {QStringLiteral("fragmentDurationSufficient"), settings.fragmentDurationSufficient()},
            {QStringLiteral("recommendedMinimumFrameCount"),
             number(settings.recommendedMinimumFrameCount())},
            {QStringLiteral("recommendedMinimumDurationUs"),
             number(settings.recommendedMinimumDurationUs())},
            {QStringLiteral("regionCustomized"), settings.regionCustomized()},
            {QStringLiteral("regionProcessingOptimizationEnabled"),
             settings.regionProcessingOptimizationEnabled()},
            {QStringLiteral("regionValid"), settings.regionValid()},
            {QStringLiteral("regionOfInterest"), region(settings.regionOfInterest())},
            {QStringLiteral("stabilizationEnabled"), settings.stabilizationEnabled()},
            {QStringLiteral("stabilizationReferenceRegion"),
             settings.stabilizationReferenceSet()
                 ? QJsonValue(region(settings.stabilizationReferenceRegion()))
                 : QJsonValue(QJsonValue::Null)},
            {QStringLiteral("validationMessage"), settings.validationMessage()},
            {QStringLiteral("warningMessage"), warning}};
}

QJsonObject DiagnosticsSnapshot::playback() const
{
    const ui::playback::PlaybackController& playback = *controllers_.playback;
    const QString state = playback.hasError()       ? QStringLiteral("error")
                          : playback.pausePending() ? QStringLiteral("pausing")
                          : playback.playPending()  ? QStringLiteral("starting")
                          : playback.playing()      ? QStringLiteral("playing")
                          : playback.busy()         ? QStringLiteral("loading")
                          : playback.ready()        ? QStringLiteral("ready")
                                                    : QStringLiteral("unavailable");
    return {{QStringLiteral("state"), state},
            {QStringLiteral("ready"), playback.ready()},
            {QStringLiteral("busy"), playback.busy()},
            {QStringLiteral("playing"), playback.playing()},
            {QStringLiteral("hasFrame"), playback.hasFrame()},
            {QStringLiteral("canPlay"), playback.canPlay()},
            {QStringLiteral("canNavigate"), playback.canNavigate()},
            {QStringLiteral("playPending"), playback.playPending()},
            {QStringLiteral("pausePending"), playback.pausePending()},
            {QStringLiteral("playbackSpeed"), playback.playbackSpeed()},
            {QStringLiteral("positionUs"), number(playback.positionUs())},
            {QStringLiteral("durationUs"), number(playback.durationUs())},
            {QStringLiteral("currentFrameIndex"), number(playback.currentFrameIndex())},
            {QStringLiteral("frameCount"), number(playback.frameCount())},
            {QStringLiteral("progress"), playback.progress()},
            {QStringLiteral("previewAvailable"), playback.previewAvailable()},
            {QStringLiteral("hasPreviewFrame"), playback.hasPreviewFrame()},
            {QStringLiteral("previewGenerationActive"), playback.previewGenerationActive()},
            {QStringLiteral("exportActive"), playback.exportActive()},
            {QStringLiteral("errorMessage"), playback.errorMessage()},
            {QStringLiteral("previewErrorMessage"), playback.previewErrorMessage()}};
}

QJsonObject DiagnosticsSnapshot::preview() const
{
    const ui::controllers::PreviewController& preview = *controllers_.preview;
    const QString state =
        preview.cancelling() ? QStringLiteral("cancelling")
        : preview.busy()     ? QStringLiteral("processing")
        : preview.hasError() ? QStringLiteral("error")
        : preview.ready()    ? (preview.stale() ? QStringLiteral("stale") : QStringLiteral("ready"))
        : preview.available() ? QStringLiteral("available")
                              : QStringLiteral("unavailable");
    return {
        {QStringLiteral("state"), state},
        {QStringLiteral("available"), preview.available()},
        {QStringLiteral("busy"), preview.busy()},
        {QStringLiteral("cancelling"), preview.cancelling()},
        {QStringLiteral("ready"), preview.ready()},
        {QStringLiteral("stale"), preview.stale()},
        {QStringLiteral("progress"), preview.progress()},
        {QStringLiteral("stageName"), preview.stageName()},
        {QStringLiteral("errorMessage"), preview.errorMessage()},
        {QStringLiteral("startFrame"), number(preview.startFrame())},
        {QStringLiteral("endFrameExclusive"), number(preview.endFrameExclusive())},
        {QStringLiteral("frameCount"), number(preview.frameCount())},
        {QStringLiteral("durationUs"), number(preview.durationUs())},
        {QStringLiteral("settingsRevision"), double(preview.settingsRevision())},
        {QStringLiteral("previewRevision"), double(preview.previewRevision())},
        {QStringLiteral("storage"), QStringLiteral("temporary-file")},
        {QStringLiteral("storageBytes"), number(preview.storageBytes())},
        {QStringLiteral("unsaved"), preview.unsaved()},
        {QStringLiteral("performance"), DiagnosticsPerformanceReport::full(preview.performance())}};
}

QJsonObject DiagnosticsSnapshot::exporter() const
{
    const ui::controllers::ExportController& exporter = *controllers_.exporter;
    const QString state = exporter.cancelling()  ? QStringLiteral("cancelling")
                          : exporter.busy()      ? QStringLiteral("processing")
                          : exporter.hasError()  ? QStringLiteral("error")
                          : exporter.completed() ? QStringLiteral("completed")
                          : exporter.canStart()  ? QStringLiteral("ready")
                          : exporter.available() ? QStringLiteral("available")
                                                 : QStringLiteral("unavailable");
    using processing::VideoWatermarkRenderer;
    const QJsonObject watermark{
        {QStringLiteral("enabled"), true}, // every exported frame carries it
        {QStringLiteral("text"), VideoWatermarkRenderer::text()},
        {QStringLiteral("position"), QStringLiteral("bottomRight")},
        {QStringLiteral("maximumWidthRatio"), VideoWatermarkRenderer::maximumWidthRatio},
        {QStringLiteral("marginRatio"), VideoWatermarkRenderer::marginRatio}};
    return {{QStringLiteral("state"), state},
            {QStringLiteral("available"), exporter.available()},
            {QStringLiteral("canStart"), exporter.canStart()},
            {QStringLiteral("busy"), exporter.busy()},
            {QStringLiteral("cancelling"), exporter.cancelling()},
            {QStringLiteral("completed"), exporter.completed()},
            {QStringLiteral("hasError"), exporter.hasError()},
            {QStringLiteral("hasDestination"), exporter.hasDestination()},
            {QStringLiteral("progress"), exporter.progress()},
            {QStringLiteral("stageName"), exporter.stageName()},
            {QStringLiteral("errorMessage"), exporter.errorMessage()},
            {QStringLiteral("destinationFilePath"), exporter.destinationFilePath()},
            {QStringLiteral("parametersFilePath"), exporter.parametersFilePath()},
            {QStringLiteral("frameCount"), number(exporter.frameCount())},
            {QStringLiteral("durationUs"), number(exporter.durationUs())},
            {QStringLiteral("remainingTimeUs"), number(exporter.remainingTimeUs())},
            {QStringLiteral("exportRevision"), double(exporter.exportRevision())},
            {QStringLiteral("watermark"), watermark},
            {QStringLiteral("performance"),
             DiagnosticsPerformanceReport::summary(exporter.performance())}};
}

QJsonObject DiagnosticsSnapshot::region(const QRectF& region)
{
    return {{QStringLiteral("coordinateSpace"), QStringLiteral("normalized_upright_frame")},
            {QStringLiteral("x"), region.x()},
            {QStringLiteral("y"), region.y()},
            {QStringLiteral("width"), region.width()},
            {QStringLiteral("height"), region.height()}};
}

QJsonObject DiagnosticsSnapshot::mediaRuntime() const
{
    const ui::controllers::MediaRuntimeController& runtime = *controllers_.mediaRuntime;
    const QString libraries = QStringLiteral("libavcodec");
    return {{QStringLiteral("state"),
             runtime.available() ? QStringLiteral("ready") : QStringLiteral("unavailable")},
            {QStringLiteral("available"), runtime.available()},
            {QStringLiteral("integration"), QStringLiteral("linked-shared-libraries")},
            {QStringLiteral("versions"), runtime.versionSummary()},
            {QStringLiteral("metadataBackend"), QStringLiteral("libavformat")},
            {QStringLiteral("decoderBackend"), libraries},
            {QStringLiteral("encoderBackend"), libraries},
            {QStringLiteral("errorMessage"), runtime.errorMessage()}};
}

QJsonObject DiagnosticsSnapshot::checkBackend()
{
    using media::VideoBackend;
    QString message;
    const bool compatible = VideoBackend::check(&message);
    return {{QStringLiteral("state"),
             compatible ? QStringLiteral("ready") : QStringLiteral("incompatible")},
            {QStringLiteral("compatible"), compatible},
            {QStringLiteral("versions"), VideoBackend::versionSummary()},
            {QStringLiteral("videoSourceBackend"), VideoBackend::name()},
            {QStringLiteral("errorMessage"), message}};
}

} // namespace orvi::diagnostics::service
