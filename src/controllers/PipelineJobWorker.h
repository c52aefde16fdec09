#pragma once

#include "records/ProcessingProgress.h"
#include "processing/ProcessingRequest.h"
#include "records/ProcessingResult.h"

#include <QObject>
#include <atomic>
#include <memory>

namespace orvi::ui::controllers {

using CancelFlag = std::shared_ptr<std::atomic_bool>;

// Runs one pipeline job per call on its thread and reports its progress (at most every
// 100 ms, besides stage changes and the last frame) and its result, tagged with the request
// that asked for it.
class PipelineJobWorker : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Posted by PipelineJobThread as a queued call on the worker's thread.
    void run(quint64 requestId, const project_data::ProcessingRequest& request,
             const CancelFlag& cancelFlag);

signals:
    void progressChanged(quint64 requestId, const orvi::project_data::ProcessingProgress& progress);
    void finished(quint64 requestId, const orvi::project_data::ProcessingResult& result);
};

} // namespace orvi::ui::controllers
