#include "ReportTools.h"

#include "support/TestSupport.h"

#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>

namespace orvi::reports::test {

bool pdfInfo(const QString& path, PdfInfo* info, QString* output)
{
    if (!orvi::test::runTool(QStringLiteral("pdfinfo"), {path}, output))
        return false;
    for (const QString& line : output->split(QLatin1Char('\n'))) {
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon < 0)
            continue;
        const QString key = line.left(colon);
        const QString value = line.mid(colon + 1).trimmed();
        if (key == QLatin1String("Title"))
            info->title = value;
        else if (key == QLatin1String("Creator"))
            info->creator = value;
        else if (key == QLatin1String("Page size"))
            info->pageSize = value;
        else if (key == QLatin1String("Pages"))
            info->pages = value.toInt();
    }
    return true;
}

bool qpdfCheck(const QString& path, QString* output)
{
    return orvi::test::runTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), path}, output);
}

QString pdfText(const QString& path)
{
    QString output;
    orvi::test::runTool(
        QStringLiteral("pdftotext"),
        {QStringLiteral("-enc"), QStringLiteral("UTF-8"), path, QStringLiteral("-")}, &output);
    return output;
}

QStringList pdfPages(const QString& path)
{
    // The tool ends every page with a form feed.
    QStringList pages = pdfText(path).split(QLatin1Char('\f'));
    pages.removeLast();
    return pages;
}

bool containsInOrder(const QString& haystack, const QStringList& needles, QString* missing)
{
    // pdftotext may break a line anywhere whitespace was; compare with whitespace collapsed.
    QString text = haystack;
    text.replace(QRegularExpression(QStringLiteral("\\s+")), QStringLiteral(" "));
    qsizetype from = 0;
    for (QString needle : needles) {
        needle.replace(QRegularExpression(QStringLiteral("\\s+")), QStringLiteral(" "));
        const qsizetype at = text.indexOf(needle, from);
        if (at < 0) {
            if (missing)
                *missing = needle;
            return false;
        }
        from = at + needle.size();
    }
    return true;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QJsonObject docxSummary(const QString& path, QString* output)
{
    static const char* const script = R"(
import json, sys, docx
d = docx.Document(sys.argv[1])
s = d.sections[0]
print(json.dumps({
  "paragraphs": [[p.style.name, p.text] for p in d.paragraphs],
  "tables": [[[c.text for c in row.cells] for row in t.rows] for t in d.tables],
  "landscape": s.orientation == docx.enum.section.WD_ORIENT.LANDSCAPE,
  "pageWidth": s.page_width,
  "header": "".join(p.text for p in s.header.paragraphs),
  "footer": "".join(p.text for p in s.footer.paragraphs),
  "pictures": len(d.inline_shapes),
  "title": d.core_properties.title, "creator": d.core_properties.author,
}))
)";
    if (!orvi::test::runTool(QStringLiteral("unzip"), {QStringLiteral("-t"), path}, output) ||
        !orvi::test::runTool(QStringLiteral("/usr/bin/python3"),
                             {QStringLiteral("-c"), QLatin1String(script), path}, output))
        return {};
    return QJsonDocument::fromJson(output->toUtf8()).object();
}

} // namespace orvi::reports::test
