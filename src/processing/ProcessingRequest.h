#pragma once

#include "media/VideoExportOptions.h"
#include "media/VideoInfo.h"
#include "motion/ProcessingSettings.h"
#include "records/CameraMotion.h"

#include <QDateTime>
#include <QMetaType>
#include <QString>
#include <limits>
#include <memory>

namespace orvi::project_data {

class TemporaryVideo;

// Description of one pipeline job.
struct ProcessingRequest
{
    // Starts with the source file path; the capture rate may be the user's entry.
    media::VideoInfo sourceInfo;
    motion_core::ProcessingSettings settings;
    media::VideoExportOptions exportOptions;

    // Recording description, written to the parameters file.
    QString equipmentType;
    QString equipmentDesignation;
    QString inspectedComponent;
    QDateTime recordingDateTime;
    QString operatingMode;
    QString loadDescription;
    QString comment;

    QString outputVideoPath;
    QString outputParametersPath; // empty: the video path with ".json" appended
    bool analysisMode = false;
    // Set when the source is an existing analysis result (pass-through export).
    std::shared_ptr<TemporaryVideo> sourceTemporaryResult;
    // The gain measured when that result was made, written to the parameters file of its
    // export (a pass-through export has no source frames to measure it on); NaN = unknown.
    double measuredMotionGain = std::numeric_limits<double>::quiet_NaN();
    // Likewise the camera motion measured and removed when that result was made.
    CameraMotion cameraMotion;
};

// Registers the processing records and the request for queued connections under their
// qualified names.
void registerProcessingMetaTypes();

} // namespace orvi::project_data

Q_DECLARE_METATYPE(orvi::project_data::ProcessingRequest)
