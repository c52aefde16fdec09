#pragma once

#include <QRectF>
#include <QtGlobal>

namespace orvi::project_data {

// Outcome codes of one relative phase estimate.
enum RelativePhaseReason : qint32
{
    RelativePhaseAccepted = 0,
    RelativePhaseNoSignal = 1,     // no accepted signal in this cell or the reference
    RelativePhaseShortOverlap = 2, // common interval too short
    RelativePhaseWeakFit = 3,      // insufficient energy, a fit failed
    RelativePhaseUnstable = 4,     // drift between the interval halves above 30 degrees
};

// Relative phase of one grid point against the reference point; positive leads.
struct RelativePhaseSample
{
    QRectF cellRect;
    double sampleX = 0.0;
    double sampleY = 0.0;
    bool valid = false;
    qint32 reason = RelativePhaseNoSignal;
    double phaseDegrees = 0.0; // -180 ... 180, meaningful when valid
    double quality = 0.0;      // smallest explained-energy fraction of the six fits
    qint32 intervalStart = 0;  // first phase sample of the common interval
    qint32 intervalLength = 0; // its length in samples
};

} // namespace orvi::project_data
