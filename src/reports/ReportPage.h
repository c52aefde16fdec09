#pragma once

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

namespace orvi::reports {

// One page of a composed report, rendered alike by the PDF and the DOCX writer.
struct ReportPage
{
    QString heading;
    QStringList paragraphs;
    bool paragraphsAfterFigure = false; // paragraphs follow the figure instead of preceding it
    bool fullPageFigure = false;
    QImage figure;                // may be null
    QList<QStringList> tableRows; // the first row is the header
    QStringList closingNotes;
};

} // namespace orvi::reports
