#include "controllers/PreviewWorker.h"

#include "controllers/PipelineJobRunner.h"
#include "records/ThreadHandOff.h"

namespace orvi::ui::preview {

void PreviewWorker::run(quint64 generation, const project_data::ProcessingRequest& request,
                        CancelFlag cancelFlag)
{
    // Progress and result are copied into Qt's queue for the controller's thread.
    const project_data::ProcessingResult result = controllers::runPipelineJob(
        request, cancelFlag, [&](const project_data::ProcessingProgress& progress) {
            project_data::postHandOff(this, [&] { emit progressChanged(generation, progress); });
        });
    project_data::postHandOff(this, [&] { emit finished(generation, result); });
}

} // namespace orvi::ui::preview
