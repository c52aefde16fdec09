#pragma once

#include "processing/ProcessingRequest.h"
#include "records/ProcessingProgress.h"
#include "records/ProcessingResult.h"

#include <functional>

namespace orvi::processing {

// Runs one processing job synchronously on the caller's thread. Both callbacks are called on
// that thread; a throwing progress callback is ignored, a throwing cancellation callback
// counts as a stop request.
class IProcessingPipeline
{
public:
    using ProgressCallback = std::function<void(const project_data::ProcessingProgress&)>;
    using CancellationCallback = std::function<bool()>;

    virtual ~IProcessingPipeline() = default;
    virtual project_data::ProcessingResult run(const project_data::ProcessingRequest& request,
                                               const ProgressCallback& progress,
                                               const CancellationCallback& cancellation) = 0;
};

} // namespace orvi::processing
