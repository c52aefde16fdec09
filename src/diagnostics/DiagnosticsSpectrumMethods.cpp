#include "diagnostics/DiagnosticsSpectrumMethods.h"

#include "controllers/ExportController.h"
#include "controllers/PreviewController.h"
#include "controllers/SpectrumController.h"
#include "controllers/VideoSessionController.h"
#include "diagnostics/DiagnosticsEventJournal.h"
#include "diagnostics/DiagnosticsProtocol.h"
#include "motion/TemporalBandpassFilter.h"
#include "records/ErrorMessage.h"
#include "spectrum/SpectrumAnalysisLimits.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <cmath>
#include <optional>

namespace orvi::diagnostics::service {

using project_data::failWith;

namespace {

const QString kInvalidParameters = QStringLiteral("invalid_parameters");

// The whole number under key within [minimum, maximum], the fallback when the key is
// absent, or nullopt.
std::optional<int> wholeIn(const QJsonObject& params, const char* key, int fallback, int minimum,
                           int maximum)
{
    const QJsonValue value = params.value(QLatin1String(key));
    if (value.isUndefined())
        return fallback;
    if (!protocol::isWholeNumber(value) || value.toDouble() < minimum || value.toDouble() > maximum)
        return std::nullopt;
    return static_cast<int>(value.toDouble());
}

// Present keys of the wrong JSON type make the whole command invalid, whatever its action.
bool typesValid(const QJsonObject& params)
{
    for (const char* key : {"density", "workers", "captureFrameRate", "index", "lowerHz", "upperHz",
                            "axis", "format"}) {
        const QJsonValue value = params.value(QLatin1String(key));
        if (!value.isUndefined() && !value.isDouble())
            return false;
    }
    const QJsonValue logarithmic = params.value(QStringLiteral("logarithmic"));
    const QJsonValue path = params.value(QStringLiteral("path"));
    return (logarithmic.isUndefined() || logarithmic.isBool()) &&
           (path.isUndefined() || path.isString());
}

} // namespace

DiagnosticsSpectrumMethods::DiagnosticsSpectrumMethods(const DiagnosticsControllers& controllers,
                                                       DiagnosticsEventJournal& journal,
                                                       std::function<QJsonObject()> snapshot)
    : controllers_(controllers), journal_(journal), snapshot_(std::move(snapshot))
{}

DispatchResult DiagnosticsSpectrumMethods::command(const QJsonObject& params) const
{
    if (!typesValid(params))
        return DispatchResult::failure(kInvalidParameters);
    const QString action = params.value(QStringLiteral("action")).toString();
    ui::controllers::SpectrumController& spectrum = *controllers_.spectrum;
    QString code;
    bool taken = true;
    if (action == QLatin1String("cancel"))
        spectrum.cancel();
    else if (action == QLatin1String("cancel_phase"))
        spectrum.cancelPhaseMap();
    else if (workRuns())
        taken = failWith(&code, QLatin1String(protocol::codes::kStateConflict));
    else
        taken = run(action, params, &code);
    if (!taken)
        return DispatchResult::failure(code);
    journal_.recordCoalesced(QStringLiteral("spectrum.command"));
    return DispatchResult::success(snapshot_());
}

bool DiagnosticsSpectrumMethods::workRuns() const
{
    const ui::controllers::SpectrumController& spectrum = *controllers_.spectrum;
    return spectrum.busy() || spectrum.phaseBusy() || spectrum.reportBusy() ||
           controllers_.preview->busy() || controllers_.exporter->busy() ||
           controllers_.videoSession->busy();
}

bool DiagnosticsSpectrumMethods::run(const QString& action, const QJsonObject& params,
                                     QString* errorCode) const
{
    ui::controllers::SpectrumController& spectrum = *controllers_.spectrum;
    if (action == QLatin1String("start"))
        return start(params, errorCode);
    if (action == QLatin1String("select_candidate"))
        return selectCandidate(params, errorCode);
    if (action == QLatin1String("set_band"))
        return setBand(params, errorCode);
    if (action == QLatin1String("apply_band"))
        return spectrum.applyBandToAmplification() ||
               failWith(errorCode, QStringLiteral("band_application_rejected"));
    if (action == QLatin1String("select_point") || action == QLatin1String("set_phase_reference")) {
        const std::optional<int> index = wholeIn(params, "index", -1, 0, pointCount() - 1);
        if (!index || *index < 0)
            return failWith(errorCode, kInvalidParameters);
        if (action == QLatin1String("select_point"))
            spectrum.selectDiagnosticSite(*index);
        else
            spectrum.setPhaseReferenceSite(*index);
        return true;
    }
    if (action == QLatin1String("set_phase_axis")) {
        const std::optional<int> axis = wholeIn(params, "axis", -1, 0, kPhaseAxisCount - 1);
        if (!axis || *axis < 0)
            return failWith(errorCode, kInvalidParameters);
        spectrum.setPhaseAxis(*axis);
        return true;
    }
    if (action == QLatin1String("calculate_phase")) {
        if (!spectrum.phaseCanCalculate())
            return failWith(errorCode, QStringLiteral("phase_start_rejected"));
        spectrum.calculatePhaseMap();
        return true;
    }
    if (action == QLatin1String("export"))
        return exportAnalysis(params, errorCode);
    return failWith(errorCode, QStringLiteral("unknown_spectrum_action"));
}

bool DiagnosticsSpectrumMethods::start(const QJsonObject& params, QString* errorCode) const
{
    ui::controllers::SpectrumController& spectrum = *controllers_.spectrum;
    const std::optional<int> density = wholeIn(params, "density", spectrum.gridDensityIndex(), 0,
                                               orvi::spectrum::kGridDensityCount - 1);
    const std::optional<int> workers = wholeIn(params, "workers", spectrum.workerThreadCount(), 0,
                                               spectrum.maximumWorkerThreadCount());
    const QJsonValue rate = params.value(QStringLiteral("captureFrameRate"));
    if (!density || !workers || (!rate.isUndefined() && !std::isfinite(rate.toDouble())))
        return failWith(errorCode, kInvalidParameters);
    ui::controllers::VideoSessionController& session = *controllers_.videoSession;
    const double captureFrameRate =
        rate.isUndefined() ? session.captureFrameRate() : rate.toDouble();
    // A rate the client states is its user's entry, also when it repeats the assumed one.
    if (!rate.isUndefined() && session.captureFrameRateAssumed() &&
        captureFrameRate == session.captureFrameRate())
        session.setCaptureFrameRate(captureFrameRate);
    if (!spectrum.startAnalysis(captureFrameRate, *density, *workers))
        return failWith(errorCode, QStringLiteral("spectrum_start_rejected"));
    return true;
}

bool DiagnosticsSpectrumMethods::selectCandidate(const QJsonObject& params,
                                                 QString* errorCode) const
{
    ui::controllers::SpectrumController& spectrum = *controllers_.spectrum;
    const int count = resultCurrent() ? int(spectrum.candidates().size()) : 0;
    const std::optional<int> index = wholeIn(params, "index", -1, 0, count - 1);
    if (!index || *index < 0)
        return failWith(errorCode, QStringLiteral("invalid_candidate"));
    spectrum.selectCandidate(*index);
    return true;
}

bool DiagnosticsSpectrumMethods::setBand(const QJsonObject& params, QString* errorCode) const
{
    const double lower = params.value(QStringLiteral("lowerHz")).toDouble(0.0);
    const double upper = params.value(QStringLiteral("upperHz")).toDouble(0.0);
    if (!bandValid(lower, upper))
        return failWith(errorCode, QStringLiteral("invalid_band"));
    controllers_.spectrum->setSelectedBand(lower, upper);
    return true;
}

bool DiagnosticsSpectrumMethods::bandValid(double lowerHz, double upperHz) const
{
    return resultCurrent() &&
           motion_core::TemporalBandpassFilter::isBandValid(
               controllers_.spectrum->result().request.videoInfo.captureFrameRate, lowerHz,
               upperHz);
}

bool DiagnosticsSpectrumMethods::exportAnalysis(const QJsonObject& params, QString* errorCode) const
{
    const std::optional<int> format = wholeIn(params, "format", -1, 0, kExportFormatCount - 1);
    if (!format || *format < 0)
        return failWith(errorCode, kInvalidParameters);
    const QString path = params.value(QStringLiteral("path")).toString();
    if (path.isEmpty() || !QDir::isAbsolutePath(path) || QFileInfo::exists(path))
        return failWith(errorCode, QStringLiteral("invalid_or_existing_export_path"));
    const bool logarithmic = params.value(QStringLiteral("logarithmic")).toBool(true);
    if (!controllers_.spectrum->exportAnalysis(QUrl::fromLocalFile(path), *format, logarithmic))
        return failWith(errorCode, QStringLiteral("report_export_rejected"));
    return true;
}

bool DiagnosticsSpectrumMethods::resultCurrent() const
{
    return controllers_.spectrum->ready() && !controllers_.spectrum->stale();
}

int DiagnosticsSpectrumMethods::pointCount() const
{
    return int(controllers_.spectrum->inspection().sites().size());
}

} // namespace orvi::diagnostics::service
