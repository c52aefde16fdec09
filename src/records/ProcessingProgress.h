#pragma once

#include "records/ProcessingPerformance.h"
#include "records/ProcessingState.h"

#include <QMetaType>
#include <QString>

namespace orvi::project_data {

// One progress report of a running job.
struct ProcessingProgress
{
    ProcessingState state = ProcessingState::Idle;
    QString stage; // translated
    qint64 processedFrames = 0;
    qint64 totalFrames = 0;
    ProcessingPerformance performance;

    // processed / total clamped to 0..1; 0 while the total is unknown.
    double fraction() const
    {
        if (totalFrames < 1)
            return 0.0;
        const double value = double(processedFrames) / double(totalFrames);
        return value < 0.0 ? 0.0 : (value > 1.0 ? 1.0 : value);
    }
};

} // namespace orvi::project_data

Q_DECLARE_METATYPE(orvi::project_data::ProcessingProgress)
