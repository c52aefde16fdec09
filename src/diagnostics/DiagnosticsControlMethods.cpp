#include "diagnostics/DiagnosticsControlMethods.h"

#include "controllers/AnalysisFragmentController.h"
#include "controllers/ExportController.h"
#include "controllers/ProcessingSettingsController.h"
#include "controllers/VideoSessionController.h"
#include "diagnostics/DiagnosticsProtocol.h"
#include "diagnostics/DiagnosticsSnapshot.h"
#include "motion/ProcessingSettings.h"

#include <QFileInfo>
#include <QUrl>
#include <cmath>
#include <limits>
#include <optional>

namespace orvi::diagnostics::service {

namespace {

using motion_core::ProcessingSettings;

bool isFiniteNumber(const QJsonValue& value)
{
    return value.isDouble() && std::isfinite(value.toDouble());
}

// The parameters of "diagnostics.setProcessingParameters" that were given, type-checked.
struct ProcessingChange
{
    std::optional<double> rotationSpeedRpm;
    std::optional<double> lowerFrequencyHz;
    std::optional<double> upperFrequencyHz;
    std::optional<double> amplificationFactor;
    std::optional<int> workerThreadCount;
    std::optional<bool> regionProcessingOptimizationEnabled;
    // A null rectangle clears the camera motion reference region.
    std::optional<QRectF> stabilizationReferenceRegion;
    std::optional<bool> stabilizationEnabled;

    bool empty() const
    {
        return !rotationSpeedRpm && !lowerFrequencyHz && !upperFrequencyHz &&
               !amplificationFactor && !workerThreadCount && !regionProcessingOptimizationEnabled &&
               !stabilizationReferenceRegion && !stabilizationEnabled;
    }
};

// A rectangle object {x, y, width, height} of finite numbers, or null for none.
bool readRectangle(const QJsonObject& params, const char* key, std::optional<QRectF>* target)
{
    const QJsonValue value = params.value(QLatin1String(key));
    if (value.isUndefined())
        return true;
    if (value.isNull()) {
        *target = QRectF();
        return true;
    }
    if (!value.isObject())
        return false;
    const QJsonObject rect = value.toObject();
    const QJsonValue x = rect.value(QStringLiteral("x"));
    const QJsonValue y = rect.value(QStringLiteral("y"));
    const QJsonValue width = rect.value(QStringLiteral("width"));
    const QJsonValue height = rect.value(QStringLiteral("height"));
    if (!isFiniteNumber(x) || !isFiniteNumber(y) || !isFiniteNumber(width) ||
        !isFiniteNumber(height))
        return false;
    *target = QRectF(x.toDouble(), y.toDouble(), width.toDouble(), height.toDouble());
    return !target->value().isNull();
}

bool readNumber(const QJsonObject& params, const char* key, std::optional<double>* target)
{
    const QJsonValue value = params.value(QLatin1String(key));
    if (value.isUndefined())
        return true;
    if (!isFiniteNumber(value))
        return false;
    *target = value.toDouble();
    return true;
}

// False for a key of the wrong type, a number that is not finite, or a worker count that is
// not a whole number within 0..2^31 - 1 (a negative count would be refused by the settings
// after the request had been accepted).
bool readProcessingChange(const QJsonObject& params, ProcessingChange* change)
{
    if (!readNumber(params, "rotationSpeedRpm", &change->rotationSpeedRpm) ||
        !readNumber(params, "lowerFrequencyHz", &change->lowerFrequencyHz) ||
        !readNumber(params, "upperFrequencyHz", &change->upperFrequencyHz) ||
        !readNumber(params, "amplificationFactor", &change->amplificationFactor))
        return false;
    const QJsonValue workers = params.value(QStringLiteral("workerThreadCount"));
    if (!workers.isUndefined()) {
        if (!protocol::isWholeNumber(workers) || workers.toDouble() < 0 ||
            workers.toDouble() > std::numeric_limits<int>::max())
            return false;
        change->workerThreadCount = static_cast<int>(workers.toDouble());
    }
    const QJsonValue optimization =
        params.value(QStringLiteral("regionProcessingOptimizationEnabled"));
    if (!optimization.isUndefined()) {
        if (!optimization.isBool())
            return false;
        change->regionProcessingOptimizationEnabled = optimization.toBool();
    }
    const QJsonValue stabilization = params.value(QStringLiteral("stabilizationEnabled"));
    if (!stabilization.isUndefined()) {
        if (!stabilization.isBool())
            return false;
        change->stabilizationEnabled = stabilization.toBool();
    }
    return readRectangle(params, "stabilizationReferenceRegion",
                         &change->stabilizationReferenceRegion);
}

} // namespace

DiagnosticsControlMethods::DiagnosticsControlMethods(const DiagnosticsControllers& controllers)
    : controllers_(controllers)
{}

bool DiagnosticsControlMethods::fragmentEditable() const
{
    return controllers_.analysisFragment->available() &&
           !controllers_.analysisFragment->operationLocked();
}

bool DiagnosticsControlMethods::settingsEditable() const
{
    return controllers_.processingSettings->available() &&
           !controllers_.processingSettings->operationLocked();
}

DispatchResult DiagnosticsControlMethods::openVideo(const QJsonObject& params) const
{
    const QJsonValue path = params.value(QStringLiteral("path"));
    if (!path.isString() || path.toString().isEmpty())
        return DispatchResult::failure("invalid_path");
    const QString canonical = QFileInfo(path.toString()).canonicalFilePath();
    const QFileInfo file(canonical);
    if (canonical.isEmpty() || !file.exists() || !file.isFile() || !file.isReadable())
        return DispatchResult::failure("invalid_path");

    ui::controllers::VideoSessionController& session = *controllers_.videoSession;
    // The session ignores a request while running work locks it or while a processed
    // result waits to be saved; answering "accepted" then would report an open that never
    // happens.
    if (session.busy() || session.cancelling() || controllers_.exporter->busy() ||
        session.operationLocked() || session.unsavedProcessedResult())
        return DispatchResult::failure(protocol::codes::kStateConflict);
    session.openSource(QUrl::fromLocalFile(canonical));
    return DispatchResult::accepted({{QStringLiteral("path"), canonical}});
}

DispatchResult DiagnosticsControlMethods::setCaptureFrameRate(const QJsonObject& params) const
{
    const QJsonValue rate = params.value(QStringLiteral("framesPerSecond"));
    if (!isFiniteNumber(rate))
        return DispatchResult::failure(protocol::codes::kInvalidParams);
    ui::controllers::VideoSessionController& session = *controllers_.videoSession;
    if (!session.setCaptureFrameRate(rate.toDouble()))
        return DispatchResult::failure("capture_frame_rate_rejected");
    return DispatchResult::accepted(
        {{QStringLiteral("captureFrameRate"), session.captureFrameRate()}});
}

DispatchResult DiagnosticsControlMethods::setRange(const QJsonObject& params) const
{
    const QJsonValue startValue = params.value(QStringLiteral("startFrame"));
    const QJsonValue endValue = params.value(QStringLiteral("endFrameExclusive"));
    if (!protocol::isWholeNumber(startValue) || !protocol::isWholeNumber(endValue))
        return DispatchResult::failure(protocol::codes::kInvalidParams);
    // Locked by running work counts as not available: the controller would refuse.
    if (!fragmentEditable())
        return DispatchResult::failure(protocol::codes::kStateConflict);
    const auto start = static_cast<qint64>(startValue.toDouble());
    const auto end = static_cast<qint64>(endValue.toDouble());
    if (start < 0 || end - start < 2 || end > controllers_.videoSession->frameCount())
        return DispatchResult::failure("invalid_range");

    ui::controllers::AnalysisFragmentController& fragment = *controllers_.analysisFragment;
    if (!fragment.setRangeFrames(start, end))
        return DispatchResult::failure("range_rejected");
    return DispatchResult::accepted(
        {{QStringLiteral("startFrame"), static_cast<double>(fragment.startFrame())},
         {QStringLiteral("endFrameExclusive"), static_cast<double>(fragment.endFrameExclusive())}});
}

DispatchResult DiagnosticsControlMethods::setRoi(const QJsonObject& params) const
{
    const QJsonValue space = params.value(QStringLiteral("coordinateSpace"));
    if (!space.isUndefined() && space.toString() != QStringLiteral("normalized_upright_frame"))
        return DispatchResult::failure("unsupported_coordinate_space");
    const QJsonValue x = params.value(QStringLiteral("x"));
    const QJsonValue y = params.value(QStringLiteral("y"));
    const QJsonValue width = params.value(QStringLiteral("width"));
    const QJsonValue height = params.value(QStringLiteral("height"));
    if (!isFiniteNumber(x) || !isFiniteNumber(y) || !isFiniteNumber(width) ||
        !isFiniteNumber(height))
        return DispatchResult::failure(protocol::codes::kInvalidParams);
    if (!settingsEditable())
        return DispatchResult::failure(protocol::codes::kStateConflict);

    ui::controllers::ProcessingSettingsController& settings = *controllers_.processingSettings;
    if (!settings.setRegionOfInterest(x.toDouble(), y.toDouble(), width.toDouble(),
                                      height.toDouble()))
        return DispatchResult::failure("invalid_roi");
    return DispatchResult::accepted(DiagnosticsSnapshot::region(settings.regionOfInterest()));
}

DispatchResult DiagnosticsControlMethods::setProcessingParameters(const QJsonObject& params) const
{
    // Locked settings ignore every setter; "accepted" would be a change that never happened.
    if (!settingsEditable())
        return DispatchResult::failure(protocol::codes::kStateConflict);
    ProcessingChange change;
    if (!readProcessingChange(params, &change))
        return DispatchResult::failure(protocol::codes::kInvalidParams);
    if (change.empty())
        return DispatchResult::failure("empty_processing_parameters");

    ui::controllers::ProcessingSettingsController& settings = *controllers_.processingSettings;
    const double rotation = change.rotationSpeedRpm.value_or(settings.rotationSpeedRpm());
    const double lower = change.lowerFrequencyHz.value_or(settings.lowerFrequencyHz());
    const double upper = change.upperFrequencyHz.value_or(settings.upperFrequencyHz());
    const double factor = change.amplificationFactor.value_or(settings.amplificationFactor());
    const int workers = change.workerThreadCount.value_or(settings.workerThreadCount());
    const double rate = settings.captureFrameRate();
    const bool valid =
        (rotation == 0.0 || (rotation >= ProcessingSettings::kMinimumRotationSpeedRpm &&
                             rotation <= ProcessingSettings::kMaximumRotationSpeedRpm)) &&
        factor >= ProcessingSettings::kMinimumAmplificationFactor &&
        factor <= ProcessingSettings::kMaximumAmplificationFactor &&
        workers <= settings.maximumWorkerThreadCount() && rate > 0.0 && lower > 0.0 &&
        upper > lower && upper < rate / 2.0;
    if (!valid)
        return DispatchResult::failure("invalid_processing_parameters");
    // Compensation needs a usable reference region: the one given, else the current one.
    const QRectF reference =
        change.stabilizationReferenceRegion.value_or(settings.stabilizationReferenceRegion());
    if (change.stabilizationReferenceRegion && !reference.isNull() &&
        !settings.isRegionValid(reference))
        return DispatchResult::failure("invalid_stabilization_reference_region");
    if (change.stabilizationEnabled.value_or(settings.stabilizationEnabled()) && reference.isNull())
        return DispatchResult::failure("stabilization_reference_required");

    // Every value passed the checks the setters make, so each one is taken.
    bool applied = true;
    if (change.rotationSpeedRpm)
        applied &= settings.setRotationSpeedRpm(rotation);
    if (change.lowerFrequencyHz || change.upperFrequencyHz)
        applied &= settings.setFrequencyBand(lower, upper);
    if (change.amplificationFactor)
        applied &= settings.setAmplificationFactor(factor);
    if (change.workerThreadCount)
        applied &= settings.setWorkerThreadCount(workers);
    if (change.regionProcessingOptimizationEnabled)
        applied &= settings.setRegionProcessingOptimizationEnabled(
            *change.regionProcessingOptimizationEnabled);
    if (change.stabilizationReferenceRegion)
        applied &= reference.isNull()
                       ? settings.clearStabilizationReferenceRegion()
                       : settings.setStabilizationReferenceRegion(
                             reference.x(), reference.y(), reference.width(), reference.height());
    if (change.stabilizationEnabled)
        applied &= settings.setStabilizationEnabled(*change.stabilizationEnabled);
    if (!applied)
        return DispatchResult::failure(protocol::codes::kStateConflict);
    return DispatchResult::accepted(
        {{QStringLiteral("settingsValid"), settings.settingsValid()},
         {QStringLiteral("regionProcessingOptimizationEnabled"),
          settings.regionProcessingOptimizationEnabled()},
         {QStringLiteral("stabilizationEnabled"), settings.stabilizationEnabled()},
         {QStringLiteral("stabilizationReferenceRegion"),
          settings.stabilizationReferenceSet()
              ? QJsonValue(DiagnosticsSnapshot::region(settings.stabilizationReferenceRegion()))
              : QJsonValue(QJsonValue::Null)}});
}

DispatchResult DiagnosticsControlMethods::cancelAnalysis(const QJsonObject&) const
{
    ui::controllers::VideoSessionController& session = *controllers_.videoSession;
    if (session.state() == ui::controllers::VideoSessionController::Analyzing)
        session.cancelAnalysis();
    else if (!session.cancelling())
        return DispatchResult::failure(protocol::codes::kStateConflict);
    return DispatchResult::accepted();
}

} // namespace orvi::diagnostics::service
