#pragma once

class QIODevice;

namespace orvi::reports {

struct ReportDocument;

// Writes the report as a WordprocessingML package in a stored ZIP container.
bool writeDocx(QIODevice* device, const ReportDocument& document);

} // namespace orvi::reports
