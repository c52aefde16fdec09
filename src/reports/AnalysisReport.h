#pragma once

#include <QCoreApplication>

namespace orvi::reports {

// Translation context of every text written into analysis exports and reports.
class AnalysisReport
{
    Q_DECLARE_TR_FUNCTIONS(AnalysisReport)
};

} // namespace orvi::reports
