#include "ReportTools.h"

#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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

QStringList renderPdfPages(const QString& path, const QString& prefix, int dpi)
{
    QString output;
    if (!orvi::test::runTool(
            QStringLiteral("pdftoppm"),
            {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-png"), path, prefix},
            &output))
        return {};
    const QFileInfo info(prefix);
    QStringList files =
        QDir(info.absolutePath())
            .entryList({info.fileName() + QStringLiteral("-*.png")}, QDir::Files, QDir::Name);
    for (QString& file : files)
        file = info.absolutePath() + QLatin1Char('/') + file;
    return files;
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

void keepCopy(const QString& path, const QString& name)
{
    const QString folder = qEnvironmentVariable("ORVI_REPORT_KEEP_DIR");
    if (folder.isEmpty())
        return;
    QFile::remove(folder + QLatin1Char('/') + name);
    QFile::copy(path, folder + QLatin1Char('/') + name);
    if (path.endsWith(QLatin1String(".pdf")))
        renderPdfPages(path, folder + QLatin1Char('/') + QFileInfo(name).baseName(), 70);
}

} // namespace orvi::reports::test
