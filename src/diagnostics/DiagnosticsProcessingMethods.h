#pragma once

#include "diagnostics/DiagnosticsControllers.h"
#include "diagnostics/DispatchResult.h"

#include <QJsonObject>

namespace orvi::diagnostics::service {

class DiagnosticsSnapshot;

// The control methods over playback and the processing jobs that run on worker threads.
// A job method answers as soon as the job has started; a request the controller ignores
// is a state conflict, never "accepted".
class DiagnosticsProcessingMethods
{
public:
    DiagnosticsProcessingMethods(const DiagnosticsControllers& controllers,
                                 const DiagnosticsSnapshot& snapshot);

    DispatchResult playback(const QJsonObject& params) const;
    DispatchResult startPreview(const QJsonObject& params) const;
    DispatchResult cancelPreview(const QJsonObject& params) const;
    DispatchResult setExportDestination(const QJsonObject& params) const;
    DispatchResult startExport(const QJsonObject& params) const;
    DispatchResult cancelExport(const QJsonObject& params) const;

private:
    // Runs one playback action; false with the error code when the controller did not take it.
    bool playbackAction(const QString& action, const QJsonObject& params, QString* errorCode) const;

    DiagnosticsControllers controllers_;
    const DiagnosticsSnapshot& snapshot_;
};

} // namespace orvi::diagnostics::service
