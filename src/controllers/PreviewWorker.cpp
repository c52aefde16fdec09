#include "controllers/PreviewWorker.h"

#include "controllers/PipelineJobRunner.h"

namespace orvi::ui::preview {

void PreviewWorker::run(quint64 generation, const project_data::ProcessingRequest& request,
                        CancelFlag cancelFlag)
{
    emit finished(generation,
                  controllers::runPipelineJob(
                      request, cancelFlag, [&](const project_data::ProcessingProgress& progress) {
                          emit progressChanged(generation, progress);
                      }));
}

} // namespace orvi::ui::preview
