#pragma once

class QIODevice;

namespace orvi::reports {

struct ReportDocument;

// Lays the report out on A4 pages (72 units per inch, one unit = one point) and writes it
// as PDF into the device.
bool writePdf(QIODevice* device, const ReportDocument& document);

} // namespace orvi::reports
