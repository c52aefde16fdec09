#include "controllers/PreviewWorker.h"

#include "processing/VideoProcessingPipeline.h"

#include <QElapsedTimer>

namespace orvi::ui::preview {

namespace {

constexpr qint64 kProgressIntervalMs = 100;

} // namespace

void PreviewWorker::run(quint64 generation, const project_data::ProcessingRequest& request,
                        CancelFlag cancelFlag)
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
        emit progressChanged(generation, progress);
    };
    auto cancelled = [&cancelFlag] { return cancelFlag && cancelFlag->load(); };
    processing::VideoProcessingPipeline pipeline;
    emit finished(generation, pipeline.run(request, onProgress, cancelled));
}

} // namespace orvi::ui::preview
