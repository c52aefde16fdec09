#pragma once

#include "diagnostics/DispatchResult.h"

#include <QJsonObject>
#include <QVariant>
#include <functional>
#include <optional>

class QQuickWindow;

namespace orvi::diagnostics::service {

class DiagnosticsEventJournal;

// The methods that reach the main window: its automation functions (diagnosticUiState and
// diagnosticUiAction, declared by the QML document) and a PNG capture of its contents.
class DiagnosticsWindowMethods
{
public:
    static constexpr char kMainWindowName[] = "orviMainWindow";
    static constexpr int kDefaultCaptureWidth = 1920;
    static constexpr int kMinimumCaptureWidth = 320;
    static constexpr int kMaximumCaptureSide = 4096;
    static constexpr qsizetype kMaximumPngBytes = 20971520;

    // snapshot gives the "diagnostics.getSnapshot" result that a capture carries.
    DiagnosticsWindowMethods(DiagnosticsEventJournal& journal,
                             std::function<QJsonObject()> snapshot);

    DispatchResult getUi(const QJsonObject& params) const;
    DispatchResult ui(const QJsonObject& params) const;
    DispatchResult screenshot(const QJsonObject& params) const;

    // The application's Qt Quick window named kMainWindowName, or null.
    static QQuickWindow* mainWindow();

private:
    // Runs a function that the window's document declares; nullopt when it has none or the
    // call fails to run. The result is converted from a script value when it is one.
    static std::optional<QVariant> callWindowFunction(QQuickWindow* window, const char* signature,
                                                      const std::optional<QVariant>& argument);

    DiagnosticsEventJournal& journal_;
    std::function<QJsonObject()> snapshot_;
};

} // namespace orvi::diagnostics::service
