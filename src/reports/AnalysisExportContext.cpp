#include "reports/AnalysisExportContext.h"

namespace orvi::reports {

std::vector<AnalysisExportSite>
AnalysisExportContext::sitesFrom(const std::vector<project_data::GridSite>& gridSites)
{
    std::vector<AnalysisExportSite> sites;
    sites.reserve(gridSites.size());
    for (const project_data::GridSite& site : gridSites) {
        AnalysisExportSite s;
        s.sampleX = site.sampleX;
        s.sampleY = site.sampleY;
        s.cellRect = site.cellRect;
        s.signalAccepted = site.accepted;
        s.validSamples = site.validSamples;
        s.gaps = site.gapCount;
        s.segmentStart = site.segmentStart;
        s.segmentLength = site.segmentLength;
        sites.push_back(s);
    }
    return sites;
}

} // namespace orvi::reports
