#pragma once

#include "records/RelativePhaseSample.h"
#include "records/SpectrumResult.h"
#include "reports/AnalysisExportSite.h"

#include <QDateTime>
#include <QImage>
#include <QString>
#include <vector>

namespace orvi::reports {

// A frozen copy of the current analysis, built on the interface thread and handed to the
// export worker by value.
struct AnalysisExportContext
{
    project_data::SpectrumResult result; // request included
    QImage applicationIcon;
    QString versionText;
    QDateTime created;    // local time
    double lowerHz = 0.0; // the band selected in the interface
    double upperHz = 0.0;
    double phaseFrequencyHz = 0.0;
    int phaseAxis = 0;                // 0 = X, 1 = Y
    int phaseReferenceIndex = 0;      // zero-based point index
    bool hasPhase = false;            // a valid, current phase map exists
    bool hasPhaseCalculation = false; // a phase vector exists
    bool hasPowerMap = false;         // the band map was available
    bool logarithmicColors = false;
    std::vector<project_data::RelativePhaseSample> relativePhase;
    std::vector<AnalysisExportSite> sites; // one per grid point, grid order

    // Export sites copied from the result's grid sites.
    static std::vector<AnalysisExportSite>
    sitesFrom(const std::vector<project_data::GridSite>& gridSites);
};

} // namespace orvi::reports
