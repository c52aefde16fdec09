#pragma once

#include <QMetaType>

namespace orvi::project_data {

// State of a processing job. The pipeline reports Running on every progress update and
// ends with Completed, Failed or Cancelled; the other values belong to the controllers.
enum class ProcessingState : int
{
    Idle = 0,
    Queued = 1,
    Running = 2,
    Cancelling = 3,
    Completed = 4,
    Failed = 5,
    Cancelled = 6,
};

} // namespace orvi::project_data

Q_DECLARE_METATYPE(orvi::project_data::ProcessingState)
