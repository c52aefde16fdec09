#pragma once

#include <QByteArray>
#include <QJsonObject>
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
// Indexes of the needles in order inside the haystack, -1 from the first one missing.
bool containsInOrder(const QString& haystack, const QStringList& needles, QString* missing);
QByteArray readFile(const QString& path);
// A DOCX as python-docx reads it (after unzip -t checks the package): "paragraphs" as
// [style, text], "tables" as rows of cell texts, "landscape", "pageWidth", "header",
// "footer", "pictures", "title", "creator". Empty with the tools' output on failure.
QJsonObject docxSummary(const QString& path, QString* output);

} // namespace orvi::reports::test
