#pragma once

#include <QJsonObject>

namespace orvi::project_data {
struct ProcessingPerformance;
}

namespace orvi::diagnostics::service {

// A processing job's timing report as the snapshot shows it: microseconds become
// milliseconds, with per-frame averages and shares of the frame loop derived from them.
class DiagnosticsPerformanceReport
{
public:
    // The full report of a preview run, with the pipeline and motion core stages.
    static QJsonObject full(const project_data::ProcessingPerformance& report);
    // The shorter summary of an export run.
    static QJsonObject summary(const project_data::ProcessingPerformance& report);

private:
    static QJsonObject pipeline(const project_data::ProcessingPerformance& report);
    static QJsonObject motionCore(const project_data::ProcessingPerformance& report);
};

} // namespace orvi::diagnostics::service
