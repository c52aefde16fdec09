#pragma once

#include "diagnostics/DiagnosticsControllers.h"
#include "diagnostics/DispatchResult.h"

#include <QJsonObject>
#include <functional>

namespace orvi::diagnostics::service {

class DiagnosticsEventJournal;

// "diagnostics.spectrum": one command to the spectrum analysis per call. It applies its
// own checks instead of the service's busy gate; an accepted command raises the revision,
// is journalled as "spectrum.command" and answers with a fresh snapshot.
class DiagnosticsSpectrumMethods
{
public:
    static constexpr int kExportFormatCount = 8;
    static constexpr int kPhaseAxisCount = 2;

    DiagnosticsSpectrumMethods(const DiagnosticsControllers& controllers,
                               DiagnosticsEventJournal& journal,
                               std::function<QJsonObject()> snapshot);

    DispatchResult command(const QJsonObject& params) const;

private:
    // Any analysis, phase calculation, report export, preview, video export or source
    // analysis: a command other than a cancellation must wait.
    bool workRuns() const;
    // The action's own checks and the controller call; false with the error code when the
    // action was not taken.
    bool run(const QString& action, const QJsonObject& params, QString* errorCode) const;
    bool start(const QJsonObject& params, QString* errorCode) const;
    bool selectCandidate(const QJsonObject& params, QString* errorCode) const;
    bool setBand(const QJsonObject& params, QString* errorCode) const;
    bool exportAnalysis(const QJsonObject& params, QString* errorCode) const;
    // The band of a current result may not reach half its capture rate.
    bool bandValid(double lowerHz, double upperHz) const;
    bool resultCurrent() const;
    int pointCount() const;

    DiagnosticsControllers controllers_;
    DiagnosticsEventJournal& journal_;
    std::function<QJsonObject()> snapshot_;
};

} // namespace orvi::diagnostics::service
