#include "diagnostics/SemanticDebugService.h"

#include "controllers/AnalysisFragmentController.h"
#include "controllers/ExportController.h"
#include "controllers/MediaRuntimeController.h"
#include "controllers/PlaybackController.h"
#include "controllers/PreviewController.h"
#include "controllers/ProcessingSettingsController.h"
#include "controllers/SpectrumController.h"
#include "controllers/VideoSessionController.h"
#include "diagnostics/DiagnosticsProtocol.h"

#include <QJsonArray>

namespace orvi::diagnostics::service {

namespace {

namespace codes = protocol::codes;

} // namespace

const std::array<SemanticDebugService::MethodInfo, 20>& SemanticDebugService::catalogue()
{
    static const std::array<MethodInfo, 20> methods{{
        {"diagnostics.getUi", false},
        {"diagnostics.ui", true},
        {"diagnostics.screenshot", true},
        {"diagnostics.spectrum", true},
        {"diagnostics.getCapabilities", false},
        {"diagnostics.getSnapshot", false},
        {"diagnostics.getPerformance", false},
        {"diagnostics.getEvents", false},
        {"diagnostics.openVideo", true},
        {"diagnostics.setCaptureFrameRate", true},
        {"diagnostics.setRange", true},
        {"diagnostics.setRoi", true},
        {"diagnostics.setProcessingParameters", true},
        {"diagnostics.playback", true},
        {"diagnostics.startPreview", true},
        {"diagnostics.cancelPreview", true},
        {"diagnostics.setExportDestination", true},
        {"diagnostics.startExport", true},
        {"diagnostics.cancelExport", true},
        {"diagnostics.cancelAnalysis", true},
    }};
    return methods;
}

SemanticDebugService::SemanticDebugService(const DiagnosticsControllers& controllers,
                                           QObject* parent)
    : QObject(parent), controllers_(controllers), snapshot_(controllers), control_(controllers),
      processing_(controllers, snapshot_),
      spectrum_(controllers, journal_, [this] { return snapshotResult(); }),
      window_(journal_, [this] { return snapshotResult(); }), endpoint_(*this)
{
    registerMethods();
    connectEventSources();
}

SemanticDebugService::~SemanticDebugService()
{
    stop();
}

bool SemanticDebugService::start(bool controlEnabled, QString* errorCode)
{
    if (endpoint_.isStarted())
        return endpoint_.start(controlEnabled, errorCode);
    if (!endpoint_.start(controlEnabled, errorCode))
        return false;
    previewProgress_.reset();
    exportProgress_.reset();
    journal_.reset(true);
    journal_.recordDirect(QStringLiteral("service.started"));
    return true;
}

void SemanticDebugService::stop()
{
    endpoint_.stop();
    journal_.reset(false);
    previewProgress_.reset();
    exportProgress_.reset();
}

DispatchResult SemanticDebugService::dispatch(const QString& method, const QJsonObject& params)
{
    const auto entry = methods_.constFind(method);
    if (entry == methods_.cend())
        return DispatchResult::failure(codes::kMethodNotFound);
    if (!entry->mutating)
        return entry->run(params);
    if (!endpoint_.controlEnabled())
        return DispatchResult::failure(codes::kControlDisabled);
    QString revisionError;
    if (!protocol::checkExpectedRevision(params, journal_.revision(), &revisionError))
        return DispatchResult::failure(revisionError);
    if (entry->gated && busyGateCloses(method))
        return DispatchResult::failure(codes::kStateConflict);
    return entry->run(params);
}

bool SemanticDebugService::busyGateCloses(const QString& method) const
{
    if (controllers_.exporter->busy())
        return method != QLatin1String("diagnostics.cancelExport");
    return controllers_.spectrum->busy();
}

void SemanticDebugService::add(const char* name, Handler run, bool gated)
{
    for (const MethodInfo& info : catalogue()) {
        if (qstrcmp(info.name, name) == 0) {
            methods_.insert(QLatin1String(name),
                            Method{info.mutating, info.mutating && gated, std::move(run)});
            return;
        }
    }
    Q_ASSERT_X(false, "SemanticDebugService::add", "method missing from the catalogue");
}

void SemanticDebugService::registerMethods()
{
    const auto result = [](auto build) {
        return [build](const QJsonObject&) { return DispatchResult::success(build()); };
    };
    add("diagnostics.getCapabilities", result([this] { return capabilities(); }));
    add("diagnostics.getSnapshot", result([this] { return snapshotResult(); }));
    add("diagnostics.getPerformance", result([this] {
            return DiagnosticsSnapshot::performance(snapshot_.document(journal_.revision()));
        }));
    add("diagnostics.getEvents", [this](const QJsonObject& p) { return journal_.events(p); });

    const auto control =
        [this](DispatchResult (DiagnosticsControlMethods::*method)(const QJsonObject&) const) {
            return [this, method](const QJsonObject& p) { return (control_.*method)(p); };
        };
    add("diagnostics.openVideo", control(&DiagnosticsControlMethods::openVideo));
    add("diagnostics.setCaptureFrameRate",
        control(&DiagnosticsControlMethods::setCaptureFrameRate));
    add("diagnostics.setRange", control(&DiagnosticsControlMethods::setRange));
    add("diagnostics.setRoi", control(&DiagnosticsControlMethods::setRoi));
    add("diagnostics.setProcessingParameters",
        control(&DiagnosticsControlMethods::setProcessingParameters));
    add("diagnostics.cancelAnalysis", control(&DiagnosticsControlMethods::cancelAnalysis));

    const auto processing =
        [this](DispatchResult (DiagnosticsProcessingMethods::*method)(const QJsonObject&) const) {
            return [this, method](const QJsonObject& p) { return (processing_.*method)(p); };
        };
    add("diagnostics.playback", processing(&DiagnosticsProcessingMethods::playback));
    add("diagnostics.startPreview", processing(&DiagnosticsProcessingMethods::startPreview));
    add("diagnostics.cancelPreview", processing(&DiagnosticsProcessingMethods::cancelPreview));
    add("diagnostics.setExportDestination",
        processing(&DiagnosticsProcessingMethods::setExportDestination));
    add("diagnostics.startExport", processing(&DiagnosticsProcessingMethods::startExport));
    add("diagnostics.cancelExport", processing(&DiagnosticsProcessingMethods::cancelExport));
    add(
        "diagnostics.spectrum", [this](const QJsonObject& p) { return spectrum_.command(p); },
        false);

    const auto window =
        [this](DispatchResult (DiagnosticsWindowMethods::*method)(const QJsonObject&) const) {
            return [this, method](const QJsonObject& p) { return (window_.*method)(p); };
        };
    add("diagnostics.getUi", window(&DiagnosticsWindowMethods::getUi));
    add("diagnostics.ui", window(&DiagnosticsWindowMethods::ui), false);
    add("diagnostics.screenshot", window(&DiagnosticsWindowMethods::screenshot), false);
}

void SemanticDebugService::connectEventSources()
{
    using namespace ui::controllers;
    const VideoSessionController* session = controllers_.videoSession;
    watch(session, &VideoSessionController::sourceChanged, "source.changed");
    watch(session, &VideoSessionController::stateChanged, "source.state_changed");
    watch(session, &VideoSessionController::videoInfoChanged, "source.metadata_changed");
    watch(session, &VideoSessionController::errorMessageChanged, "source.error_changed");
    watch(controllers_.analysisFragment, &AnalysisFragmentController::rangeChanged,
          "selection.changed");
    watch(controllers_.processingSettings, &ProcessingSettingsController::settingsChanged,
          "settings.changed");
    watch(controllers_.mediaRuntime, &MediaRuntimeController::statusChanged,
          "media_runtime.changed");

    using ui::playback::PlaybackController;
    const PlaybackController* playback = controllers_.playback;
    watch(playback, &PlaybackController::stateChanged, "playback.state_changed");
    watch(playback, &PlaybackController::timelineChanged, "playback.timeline_changed");
    watch(playback, &PlaybackController::playbackModeChanged, "playback.mode_changed");
    watch(playback, &PlaybackController::errorMessageChanged, "playback.error_changed");
    watch(playback, &PlaybackController::previewStateChanged, "playback.preview_changed");

    const PreviewController* preview = controllers_.preview;
    watch(preview, &PreviewController::stateChanged, "preview.state_changed");
    watchProgress(preview, &PreviewController::progressChanged, "preview.progress_changed",
                  previewProgress_);

    const ExportController* exporter = controllers_.exporter;
    watch(exporter, &ExportController::stateChanged, "export.state_changed");
    watchProgress(exporter, &ExportController::progressChanged, "export.progress_changed",
                  exportProgress_);

    const SpectrumController* spectrum = controllers_.spectrum;
    watch(spectrum, &SpectrumController::stateChanged, "spectrum.state_changed");
    watch(spectrum, &SpectrumController::phaseChanged, "spectrum.phase_changed");
    watch(spectrum, &SpectrumController::reportChanged, "spectrum.report_changed");
    watch(spectrum, &SpectrumController::diagnosticChanged, "spectrum.point_changed");
}

QJsonObject SemanticDebugService::capabilities() const
{
    QJsonArray methods;
    for (const MethodInfo& info : catalogue()) {
        methods.append(QJsonObject{{QStringLiteral("name"), QLatin1String(info.name)},
                                   {QStringLiteral("mutating"), info.mutating}});
    }
    return {{QStringLiteral("apiVersion"), protocol::kApiVersion},
            {QStringLiteral("instanceId"), instanceId()},
            {QStringLiteral("controlEnabled"), controlEnabled()},
            {QStringLiteral("framing"), QLatin1String(protocol::kFraming)},
            {QStringLiteral("maximumMessageBytes"), double(protocol::kMaximumMessageBytes)},
            {QStringLiteral("maximumClientCount"), protocol::kMaximumClientCount},
            {QStringLiteral("revision"), static_cast<double>(journal_.revision())},
            {QStringLiteral("revisionScope"), QStringLiteral("configuration_and_state")},
            {QStringLiteral("methods"), methods}};
}

QJsonObject SemanticDebugService::snapshotResult() const
{
    QJsonObject result = snapshot_.document(journal_.revision());
    result.insert(QStringLiteral("instanceId"), instanceId());
    result.insert(QStringLiteral("controlEnabled"), controlEnabled());
    return result;
}

} // namespace orvi::diagnostics::service
