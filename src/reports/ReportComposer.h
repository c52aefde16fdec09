#pragma once

#include "reports/ReportDocument.h"

#include <QImage>

namespace orvi::reports {

struct AnalysisExportContext;

// Composes the report pages of an analysis. `reportFrame` is frame 0 of the source video
// (at most 1920 x 1920), shown on the title page.
ReportDocument composeReport(const AnalysisExportContext& context, const QImage& reportFrame);

} // namespace orvi::reports
