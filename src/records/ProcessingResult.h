#pragma once

#include "records/CameraMotion.h"
#include "records/ProcessingPerformance.h"
#include "records/ProcessingState.h"

#include <QMetaType>
#include <QString>
#include <limits>
#include <memory>

namespace orvi::project_data {

class TemporaryVideo;

// Outcome of one pipeline job.
struct ProcessingResult
{
    ProcessingState state = ProcessingState::Idle;
    QString publishedVideoPath;
    QString publishedParametersPath;
    QString message; // failure or cancellation text; empty on success
    ProcessingPerformance performance;
    // Set only for a completed analysis-mode job.
    std::shared_ptr<TemporaryVideo> temporaryResult;
    // Motion gain reached in the band, measured on the region's source and processed frames;
    // NaN when unknown (no measurable motion in the band, or a pass-through export).
    double measuredMotionGain = std::numeric_limits<double>::quiet_NaN();
    // The camera motion measured and removed (`compensated` false without compensation).
    CameraMotion cameraMotion;

    bool isSuccessful() const { return state == ProcessingState::Completed; }
};

} // namespace orvi::project_data

Q_DECLARE_METATYPE(orvi::project_data::ProcessingResult)
