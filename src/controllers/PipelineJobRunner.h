#pragma once

#include "processing/ProcessingRequest.h"
#include "records/ProcessingProgress.h"
#include "records/ProcessingResult.h"

#include <atomic>
#include <functional>
#include <memory>

namespace orvi::ui::controllers {

// Runs one pipeline job on the calling thread. Progress goes to `report` at most every
// 100 ms, besides stage changes and the last frame, so the interface thread is not flooded.
project_data::ProcessingResult
runPipelineJob(const project_data::ProcessingRequest& request,
               const std::shared_ptr<std::atomic_bool>& cancelFlag,
               const std::function<void(const project_data::ProcessingProgress&)>& report);

} // namespace orvi::ui::controllers
