#pragma once

#include "records/MotionStageTimings.h"

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

    // The motion core's stage times, processed size and crop, as its processor last reported.
    MotionStageTimings motion;

    qint64 processedFrames = 0;
    qint32 availableLogicalProcessorCount = 1;
    qint32 requestedWorkerThreadCount = 0;
    qint32 effectiveWorkerThreadCount = 1;
    // Left at 0 by the pipeline; the diagnostics documents may fill them.
    qint32 decoderThreadLimit = 0;
    qint32 encoderThreadLimit = 0;
    qint64 reservedCounter = 0;
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
    double frameThroughputFps() const
    {
        if (processedFrames < 1 || frameLoopElapsedUs < 1)
            return 0.0;
        return double(processedFrames) * 1e6 / double(frameLoopElapsedUs);
    }
    bool isPresent() const { return totalElapsedUs > 0 || processedFrames > 0; }
};

} // namespace orvi::project_data
