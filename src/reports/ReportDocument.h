#pragma once

#include "reports/ReportPage.h"

#include <QImage>
#include <QList>
#include <QString>

namespace orvi::reports {

// A report composed once from an analysis and then written as PDF or DOCX.
struct ReportDocument
{
    QString title;
    QString versionText;
    QString createdText; // ISO 8601
    QImage logo;
    bool landscape = false; // the source frame is wider than tall
    QList<ReportPage> pages;
};

} // namespace orvi::reports
