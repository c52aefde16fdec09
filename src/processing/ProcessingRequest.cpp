#include "processing/ProcessingRequest.h"

#include "records/ProcessingProgress.h"
#include "records/ProcessingResult.h"
#include "records/ProcessingState.h"

namespace orvi::project_data {

void registerProcessingMetaTypes()
{
    qRegisterMetaType<ProcessingState>("orvi::project_data::ProcessingState");
    qRegisterMetaType<ProcessingProgress>("orvi::project_data::ProcessingProgress");
    qRegisterMetaType<ProcessingResult>("orvi::project_data::ProcessingResult");
    qRegisterMetaType<ProcessingRequest>("orvi::project_data::ProcessingRequest");
}

} // namespace orvi::project_data
