#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace orvi::reports::test {

// Thin wrappers around the external PDF and DOCX readers used to check the reports.
struct PdfInfo
{
    QString title;
    QString creator;
    QString pageSize;
    int pages = 0;
};

bool pdfInfo(const QString& path, PdfInfo* info, QString* output);
bool qpdfCheck(const QString& path, QString* output);
// Text of the whole document, and of each page in order (one tool run either way).
QString pdfText(const QString& path);
QStringList pdfPages(const QString& path);
// Renders every page to PNG files "<prefix>-<n>.png"; returns the files.
QStringList renderPdfPages(const QString& path, const QString& prefix, int dpi);
// Indexes of the needles in order inside the haystack, -1 from the first one missing.
bool containsInOrder(const QString& haystack, const QStringList& needles, QString* missing);
QByteArray readFile(const QString& path);
// Copies an output to ORVI_REPORT_KEEP_DIR for inspection (PDF pages also as PNG), if set.
void keepCopy(const QString& path, const QString& name);

} // namespace orvi::reports::test
