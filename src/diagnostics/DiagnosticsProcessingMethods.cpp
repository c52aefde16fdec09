#include "diagnostics/DiagnosticsProcessingMethods.h"

#include "controllers/ExportController.h"
#include "controllers/PlaybackController.h"
#include "controllers/PreviewController.h"
#include "diagnostics/DiagnosticsProtocol.h"
#include "diagnostics/DiagnosticsSnapshot.h"
#include "records/ErrorMessage.h"

#include <QDir>
#include <QUrl>
#include <cmath>

namespace orvi::diagnostics::service {

using project_data::failWith;

namespace {

using ui::playback::PlaybackController;
namespace codes = protocol::codes;

// The number under key when it is finite and within [minimum, maximum].
bool numberIn(const QJsonObject& params, const char* key, double minimum, double maximum,
              double* value)
{
    const QJsonValue given = params.value(QLatin1String(key));
    if (!given.isDouble() || !std::isfinite(given.toDouble()) || given.toDouble() < minimum ||
        given.toDouble() > maximum)
        return false;
    *value = given.toDouble();
    return true;
}

// A job already cancelling is accepted again without action.
template <typename Job> DispatchResult cancelJob(Job& job)
{
    if (job.cancelling())
        return DispatchResult::accepted();
    if (!job.busy())
        return DispatchResult::failure(codes::kStateConflict);
    job.cancel();
    return DispatchResult::accepted();
}

} // namespace

DiagnosticsProcessingMethods::DiagnosticsProcessingMethods(
    const DiagnosticsControllers& controllers, const DiagnosticsSnapshot& snapshot)
    : controllers_(controllers), snapshot_(snapshot)
{}

DispatchResult DiagnosticsProcessingMethods::playback(const QJsonObject& params) const
{
    QString code;
    if (!playbackAction(params.value(QStringLiteral("action")).toString(), params, &code))
        return DispatchResult::failure(code);
    return DispatchResult::accepted({{QStringLiteral("playback"), snapshot_.playback()}});
}

bool DiagnosticsProcessingMethods::playbackAction(const QString& action, const QJsonObject& params,
                                                  QString* errorCode) const
{
    PlaybackController& playback = *controllers_.playback;
    const QString conflict = QLatin1String(codes::kStateConflict);
    const bool pending = playback.playPending() || playback.pausePending();
    // Play, toggle and seek are ignored by the controller in states these checks cannot all
    // see (an invalid fragment, a seek while playing); each sets a pending or busy flag at
    // once when taken, so a request that left them unset did nothing.
    if (action == QLatin1String("play")) {
        if (playback.playing() || !playback.canPlay() || pending)
            return failWith(errorCode, conflict);
        playback.play();
        return playback.playPending() || failWith(errorCode, conflict);
    }
    if (action == QLatin1String("pause")) {
        if (playback.playPending())
            return failWith(errorCode, conflict);
        if (playback.playing() && !playback.pausePending())
            playback.pause();
        return true;
    }
    if (action == QLatin1String("toggle")) {
        // A playing video cannot "play", yet toggling must pause it.
        if (!(playback.canPlay() || playback.playing()) || pending)
            return failWith(errorCode, conflict);
        playback.togglePlayback();
        return playback.playPending() || playback.pausePending() || failWith(errorCode, conflict);
    }
    if (action == QLatin1String("seek")) {
        double fraction = 0.0;
        if (!numberIn(params, "fraction", 0.0, 1.0, &fraction))
            return failWith(errorCode, QLatin1String(codes::kInvalidParams));
        if (!playback.canNavigate())
            return failWith(errorCode, conflict);
        playback.seekToFraction(fraction);
        return playback.busy() || failWith(errorCode, conflict);
    }
    if (action == QLatin1String("setSpeed")) {
        double speed = 0.0;
        if (!numberIn(params, "speed", PlaybackController::kMinimumPlaybackSpeed,
                      PlaybackController::kMaximumPlaybackSpeed, &speed))
            return failWith(errorCode, QLatin1String(codes::kInvalidParams));
        if (pending)
            return failWith(errorCode, conflict);
        playback.setPlaybackSpeed(speed);
        return true;
    }
    return failWith(errorCode, QStringLiteral("invalid_playback_action"));
}

DispatchResult DiagnosticsProcessingMethods::startPreview(const QJsonObject&) const
{
    ui::controllers::PreviewController& preview = *controllers_.preview;
    if (!preview.available() || preview.busy())
        return DispatchResult::failure(codes::kStateConflict);
    preview.createPreview();
    if (!preview.busy())
        return DispatchResult::failure("preview_start_rejected");
    return DispatchResult::accepted(
        {{QStringLiteral("settingsRevision"), double(preview.settingsRevision())}});
}

DispatchResult DiagnosticsProcessingMethods::cancelPreview(const QJsonObject&) const
{
    return cancelJob(*controllers_.preview);
}

DispatchResult DiagnosticsProcessingMethods::setExportDestination(const QJsonObject& params) const
{
    const QJsonValue path = params.value(QStringLiteral("path"));
    if (!path.isString() || path.toString().isEmpty())
        return DispatchResult::failure("invalid_path");
    // The controller would resolve a relative path against the program's working folder,
    // which the caller neither knows nor chose.
    if (!QDir::isAbsolutePath(path.toString()))
        return DispatchResult::failure(codes::kInvalidParams);
    ui::controllers::ExportController& exporter = *controllers_.exporter;
    if (!exporter.available())
        return DispatchResult::failure(codes::kStateConflict);
    if (!exporter.setDestination(QUrl::fromLocalFile(path.toString())))
        return DispatchResult::failure(exporter.errorMessage().isEmpty()
                                           ? "export_destination_rejected"
                                           : "invalid_export_destination");
    return DispatchResult::accepted(
        {{QStringLiteral("destinationFilePath"), exporter.destinationFilePath()},
         {QStringLiteral("parametersFilePath"), exporter.parametersFilePath()}});
}

DispatchResult DiagnosticsProcessingMethods::startExport(const QJsonObject&) const
{
    ui::controllers::ExportController& exporter = *controllers_.exporter;
    if (!exporter.canStart() || exporter.busy())
        return DispatchResult::failure(codes::kStateConflict);
    exporter.startExport();
    if (!exporter.busy())
        return DispatchResult::failure("export_start_rejected");
    return DispatchResult::accepted(
        {{QStringLiteral("destinationFilePath"), exporter.destinationFilePath()}});
}

DispatchResult DiagnosticsProcessingMethods::cancelExport(const QJsonObject&) const
{
    return cancelJob(*controllers_.exporter);
}

} // namespace orvi::diagnostics::service
