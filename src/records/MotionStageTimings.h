#pragma once

#include <QtGlobal>

namespace orvi::project_data {

// Accumulated whole microseconds per stage of the motion chain (each measurement truncated
// from nanoseconds), with the processed size and whether a crop was planned. The phase
// motion processor forms the Riesz components inside the accumulation and the shift, and
// shifts inside the denoising pass, so its quadrature and phase-shift times stay 0.
struct MotionStageTimings
{
    qint64 luminanceUs = 0;
    qint64 pyramidDecompositionUs = 0;
    qint64 quadratureUs = 0;
    qint64 phaseAccumulationUs = 0;
    qint64 temporalFilterUs = 0;
    qint64 phaseDenoisingUs = 0;
    qint64 phaseShiftUs = 0;
    qint64 reconstructionUs = 0;
    qint64 compositionUs = 0;
    qint64 measuredFrames = 0;
    qint32 processingWidth = 0;
    qint32 processingHeight = 0;
    bool regionOptimizationApplied = false;

    qint64 totalUs() const
    {
        return luminanceUs + pyramidDecompositionUs + quadratureUs + phaseAccumulationUs +
               temporalFilterUs + phaseDenoisingUs + phaseShiftUs + reconstructionUs +
               compositionUs;
    }
};

} // namespace orvi::project_data
