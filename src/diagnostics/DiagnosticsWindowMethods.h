#pragma once

#include "diagnostics/DispatchResult.h"

#include <QJsonObject>
#include <functional>

class QQuickWindow;

namespace orvi::ui::controllers {
class WindowAutomation;
}

namespace orvi::diagnostics::service {

class DiagnosticsEventJournal;

// The methods that reach the main window: the interface state and named actions of the window's
// automation object, and a PNG capture of its contents.
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
    // The automation object the window's document declares, or null.
    static ui::controllers::WindowAutomation* automation(QQuickWindow* window);

    DiagnosticsEventJournal& journal_;
    std::function<QJsonObject()> snapshot_;
};

} // namespace orvi::diagnostics::service
