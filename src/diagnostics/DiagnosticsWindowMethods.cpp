#include "diagnostics/DiagnosticsWindowMethods.h"

#include "controllers/WindowAutomation.h"
#include "diagnostics/DiagnosticsEventJournal.h"
#include "diagnostics/DiagnosticsProtocol.h"
#include "processing/OutputDestination.h"
#include "records/ErrorMessage.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QQuickWindow>
#include <QTemporaryFile>
#include <optional>
#include <utility>

namespace orvi::diagnostics::service {

using project_data::failWith;

namespace {

// What the capture checks of "maxWidth" and "path" leave: the width limit, or an error.
std::optional<int> captureWidth(const QJsonObject& params)
{
    const QJsonValue width = params.value(QStringLiteral("maxWidth"));
    const QJsonValue path = params.value(QStringLiteral("path"));
    if ((!width.isUndefined() && !width.isDouble()) || (!path.isUndefined() && !path.isString()))
        return std::nullopt;
    if (width.isUndefined())
        return DiagnosticsWindowMethods::kDefaultCaptureWidth;
    if (!protocol::isWholeNumber(width) ||
        width.toDouble() < DiagnosticsWindowMethods::kMinimumCaptureWidth ||
        width.toDouble() > DiagnosticsWindowMethods::kMaximumCaptureSide)
        return std::nullopt;
    return static_cast<int>(width.toDouble());
}

bool isCapturePathAcceptable(const QString& path)
{
    return QDir::isAbsolutePath(path) &&
           QFileInfo(path).suffix().compare(QStringLiteral("png"), Qt::CaseInsensitive) == 0;
}

// Writes the bytes under a hidden staging name beside `path`, then gives the file its name
// without replacing anything, so that no file under the final name is ever partial and an
// existing one stays as it was. False with the error code when it cannot.
bool writeNewFile(const QString& path, const QByteArray& bytes, QString* errorCode)
{
    const QFileInfo target(path);
    const QString folder = processing::OutputDestination::resolvedFolder(path);
    if (target.exists() || target.isSymLink() || folder.isEmpty() ||
        processing::OutputDestination::isSystemFolder(folder))
        return failWith(errorCode, QStringLiteral("capture_path_exists_or_unwritable"));
    QTemporaryFile staging(
        target.absoluteDir().filePath(QStringLiteral(".%1.XXXXXX.part").arg(target.fileName())));
    if (!staging.open())
        return failWith(errorCode, QStringLiteral("capture_path_exists_or_unwritable"));
    if (staging.write(bytes) != bytes.size() || !staging.flush())
        return failWith(errorCode, QStringLiteral("capture_write_failed"));
    // The rename refuses an existing target, also one that appeared since the check above.
    if (!staging.rename(path))
        return failWith(errorCode, QStringLiteral("capture_path_exists_or_unwritable"));
    staging.setAutoRemove(false);
    return true;
}

} // namespace

DiagnosticsWindowMethods::DiagnosticsWindowMethods(DiagnosticsEventJournal& journal,
                                                   std::function<QJsonObject()> snapshot)
    : journal_(journal), snapshot_(std::move(snapshot))
{}

QQuickWindow* DiagnosticsWindowMethods::mainWindow()
{
    const auto windows = QGuiApplication::allWindows();
    for (QWindow* window : windows) {
        if (window->objectName() == QLatin1String(kMainWindowName)) {
            if (auto* quickWindow = qobject_cast<QQuickWindow*>(window))
                return quickWindow;
        }
    }
    return nullptr;
}

ui::controllers::WindowAutomation* DiagnosticsWindowMethods::automation(QQuickWindow* window)
{
    return window->findChild<ui::controllers::WindowAutomation*>();
}

DispatchResult DiagnosticsWindowMethods::getUi(const QJsonObject&) const
{
    QQuickWindow* window = mainWindow();
    if (!window)
        return DispatchResult::failure("ui_unavailable");
    const ui::controllers::WindowAutomation* contract = automation(window);
    if (!contract)
        return DispatchResult::failure("ui_method_unavailable");
    QJsonObject result = QJsonObject::fromVariantMap(contract->state());
    result.insert(QStringLiteral("revision"), static_cast<double>(journal_.revision()));
    return DispatchResult::success(result);
}

DispatchResult DiagnosticsWindowMethods::ui(const QJsonObject& params) const
{
    QQuickWindow* window = mainWindow();
    if (!window)
        return DispatchResult::failure("ui_unavailable");
    ui::controllers::WindowAutomation* contract = automation(window);
    if (!contract)
        return DispatchResult::failure("ui_method_unavailable");
    QString refusal;
    if (!contract->act(params.value(QStringLiteral("request")).toObject().toVariantMap(), &refusal))
        return DispatchResult::failure(refusal);
    journal_.recordCoalesced(QStringLiteral("ui.action"));
    return DispatchResult::success(
        {{QStringLiteral("ok"), true},
         {QStringLiteral("revision"), static_cast<double>(journal_.revision())}});
}

DispatchResult DiagnosticsWindowMethods::screenshot(const QJsonObject& params) const
{
    QQuickWindow* window = mainWindow();
    if (!window || !window->isVisible() || (window->windowStates() & Qt::WindowMinimized))
        return DispatchResult::failure("window_not_visible");
    const std::optional<int> maxWidth = captureWidth(params);
    if (!maxWidth)
        return DispatchResult::failure("invalid_parameters");

    QImage image = window->grabWindow();
    if (image.isNull())
        return DispatchResult::failure("capture_failed");
    if (image.width() > *maxWidth || image.height() > kMaximumCaptureSide)
        image = image.scaled(*maxWidth, kMaximumCaptureSide, Qt::KeepAspectRatio,
                             Qt::SmoothTransformation);
    // The window is opaque: an RGB image at the fastest compression encodes in about a third
    // of the default's time for a few percent more bytes.
    constexpr int kFastPngQuality = 80;
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) ||
        !image.convertToFormat(QImage::Format_RGB32).save(&buffer, "PNG", kFastPngQuality) ||
        png.size() > kMaximumPngBytes)
        return DispatchResult::failure("capture_too_large");

    const QString path = params.value(QStringLiteral("path")).toString();
    if (!path.isEmpty()) {
        if (!isCapturePathAcceptable(path))
            return DispatchResult::failure("invalid_capture_path");
        QString error;
        if (!writeNewFile(path, png, &error))
            return DispatchResult::failure(error);
    }
    const DispatchResult ui = getUi({});
    return DispatchResult::success(
        {{QStringLiteral("pngBase64"), QString::fromLatin1(png.toBase64())},
         {QStringLiteral("width"), image.width()},
         {QStringLiteral("height"), image.height()},
         {QStringLiteral("path"), path},
         {QStringLiteral("revision"), static_cast<double>(journal_.revision())},
         {QStringLiteral("capturedAtUtc"),
          QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs)},
         {QStringLiteral("applicationVersion"), QCoreApplication::applicationVersion()},
         {QStringLiteral("ui"), ui.ok() ? ui.result : QJsonObject()},
         {QStringLiteral("snapshot"), snapshot_()}});
}

} // namespace orvi::diagnostics::service
