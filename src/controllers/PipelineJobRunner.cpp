#include "controllers/PipelineJobRunner.h"

#include "motion/BackgroundPriority.h"
#include "processing/VideoProcessingPipeline.h"

#include <QElapsedTimer>

namespace orvi::ui::controllers {

namespace {

constexpr qint64 kProgressIntervalMs = 100;

} // namespace

project_data::ProcessingResult
runPipelineJob(const project_data::ProcessingRequest& request,
               const std::shared_ptr<std::atomic_bool>& cancelFlag,
               const std::function<void(const project_data::ProcessingProgress&)>& report)
{
    QElapsedTimer sinceReport;
    sinceReport.start();
    QString lastStage;
    auto onProgress = [&](const project_data::ProcessingProgress& progress) {
        const bool lastFrame =
            progress.totalFrames > 0 && progress.processedFrames >= progress.totalFrames;
        if (progress.stage == lastStage && !lastFrame &&
            sinceReport.elapsed() < kProgressIntervalMs)
            return;
        lastStage = progress.stage;
        sinceReport.restart();
        report(progress);
    };
    auto cancelled = [&cancelFlag] { return cancelFlag && cancelFlag->load(); };
    motion_core::lowerCurrentThreadPriority();
    processing::VideoProcessingPipeline pipeline;
    return pipeline.run(request, onProgress, cancelled);
}

} // namespace orvi::ui::controllers
