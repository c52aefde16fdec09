#include "controllers/PipelineJobWorker.h"

#include "motion/BackgroundPriority.h"
#include "processing/VideoProcessingPipeline.h"
#include "records/ThreadHandOff.h"

#include <QElapsedTimer>

namespace orvi::ui::controllers {

namespace {

constexpr qint64 kProgressIntervalMs = 100;

} // namespace

void PipelineJobWorker::run(quint64 requestId, const project_data::ProcessingRequest& request,
                            const CancelFlag& cancelFlag)
{
    QElapsedTimer sinceReport;
    sinceReport.start();
    QString lastStage;
    // Progress and result are copied into Qt's queue for the owner's thread.
    auto onProgress = [&](const project_data::ProcessingProgress& progress) {
        const bool lastFrame =
            progress.totalFrames > 0 && progress.processedFrames >= progress.totalFrames;
        if (progress.stage == lastStage && !lastFrame &&
            sinceReport.elapsed() < kProgressIntervalMs)
            return;
        lastStage = progress.stage;
        sinceReport.restart();
        project_data::postHandOff(this, [&] { emit progressChanged(requestId, progress); });
    };
    auto cancelled = [&cancelFlag] { return cancelFlag && cancelFlag->load(); };
    motion_core::lowerCurrentThreadPriority();
    processing::VideoProcessingPipeline pipeline;
    const project_data::ProcessingResult result = pipeline.run(request, onProgress, cancelled);
    project_data::postHandOff(this, [&] { emit finished(requestId, result); });
}

} // namespace orvi::ui::controllers
