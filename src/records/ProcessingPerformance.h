#pragma once

#include <QtGlobal>

namespace orvi::project_data {

// Timing report of one pipeline job; durations are whole microseconds truncated from
// nanosecond timers.
struct ProcessingPerformance
{
    qint64 totalElapsedUs = 0;
    qint64 frameLoopElapsedUs = 0;
    qint64 sourceOpeningUs = 0;
    qint64 sourceSeekUs = 0;
    qint64 decoderUs = 0;
    qint64 motionProcessingUs = 0;
    qint64 encoderStartupUs = 0;
    qint64 encoderWriteUs = 0;
    qint64 encoderFinalizeUs = 0;
    qint64 parametersWriteUs = 0;
    qint64 publicationUs = 0;

    // Motion core stages, in the order of the processor's timing record.
    qint64 luminanceUs = 0;
    qint64 pyramidDecompositionUs = 0;
    qint64 quadratureUs = 0;
    qint64 phaseAccumulationUs = 0;
    qint64 temporalFilterUs = 0;
    qint64 phaseDenoisingUs = 0;
    qint64 phaseShiftUs = 0;
    qint64 reconstructionUs = 0;
    qint64 compositionUs = 0;

    qint64 processedFrames = 0;
    qint32 availableLogicalProcessorCount = 1;
    qint32 requestedWorkerThreadCount = 0;
    qint32 effectiveWorkerThreadCount = 1;
    // Left at 0 by the pipeline; the diagnostics documents may fill them.
    qint32 decoderThreadLimit = 0;
    qint32 encoderThreadLimit = 0;
    qint64 reservedCounter = 0;
    qint32 motionProcessingFrameWidth = 0;
    qint32 motionProcessingFrameHeight = 0;
    bool regionProcessingOptimizationApplied = false;
    // Measuring the motion gain in the frame loop (not one of the stages summed below).
    qint64 gainMeasurementUs = 0;

    // Sum of the nine pipeline stages from source opening to publication.
    qint64 accountedElapsedUs() const
    {
        return sourceOpeningUs + sourceSeekUs + decoderUs + motionProcessingUs + encoderStartupUs +
               encoderWriteUs + encoderFinalizeUs + parametersWriteUs + publicationUs;
    }
    qint64 unaccountedElapsedUs() const
    {
        const qint64 rest = totalElapsedUs - accountedElapsedUs();
        return rest > 0 ? rest : 0;
    }
    qint64 encoderCriticalPathUs() const
    {
        return encoderStartupUs + encoderWriteUs + encoderFinalizeUs;
    }
    qint64 motionStageSumUs() const
    {
        return luminanceUs + pyramidDecompositionUs + quadratureUs + phaseAccumulationUs +
               temporalFilterUs + phaseDenoisingUs + phaseShiftUs + reconstructionUs +
               compositionUs;
    }
    double frameThroughputFps() const
    {
        if (processedFrames < 1 || frameLoopElapsedUs < 1)
            return 0.0;
        return double(processedFrames) * 1e6 / double(frameLoopElapsedUs);
    }
    bool isPresent() const { return totalElapsedUs > 0 || processedFrames > 0; }
};

} // namespace orvi::project_data
