#pragma once

#include <QRectF>
#include <QtGlobal>

namespace orvi::reports {

// One grid point as frozen for an export, copied from its grid site.
struct AnalysisExportSite
{
    double sampleX = 0.0;
    double sampleY = 0.0;
    QRectF cellRect;
    bool signalAccepted = false;
    qint32 validSamples = 0;
    qint32 gaps = 0;
    qint32 segmentStart = 0;
    qint32 segmentLength = 0;
};

} // namespace orvi::reports
