#pragma once

#include "diagnostics/DiagnosticsControllers.h"
#include "diagnostics/DispatchResult.h"

#include <QJsonObject>

namespace orvi::diagnostics::service {

// The control methods over the video session, the fragment and the processing settings.
// Each checks its parameters and the controllers' state before it calls the operation the
// interface calls, so an error leaves the application unchanged, and it answers "accepted"
// only when the controller took the change. Control mode, "expectedRevision" and the busy
// gate are the dispatcher's.
class DiagnosticsControlMethods
{
public:
    explicit DiagnosticsControlMethods(const DiagnosticsControllers& controllers);

    DispatchResult openVideo(const QJsonObject& params) const;
    DispatchResult setCaptureFrameRate(const QJsonObject& params) const;
    DispatchResult setRange(const QJsonObject& params) const;
    DispatchResult setRoi(const QJsonObject& params) const;
    DispatchResult setProcessingParameters(const QJsonObject& params) const;
    DispatchResult cancelAnalysis(const QJsonObject& params) const;

private:
    // Available and not locked by running work: a change can be taken now.
    bool fragmentEditable() const;
    bool settingsEditable() const;

    DiagnosticsControllers controllers_;
};

} // namespace orvi::diagnostics::service
