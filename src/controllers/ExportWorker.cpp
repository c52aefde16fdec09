#include "controllers/ExportWorker.h"

#include "controllers/PipelineJobRunner.h"

namespace orvi::ui::exporting {

void ExportWorker::run(quint64 operationId, const project_data::ProcessingRequest& request,
                       CancelFlag cancelFlag)
{
    emit finished(operationId,
                  controllers::runPipelineJob(
                      request, cancelFlag, [&](const project_data::ProcessingProgress& progress) {
                          emit progressChanged(operationId, progress);
                      }));
}

} // namespace orvi::ui::exporting
