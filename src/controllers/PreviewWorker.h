#pragma once

#include "processing/ProcessingRequest.h"
#include "records/ProcessingProgress.h"
#include "records/ProcessingResult.h"

#include <QObject>
#include <atomic>
#include <memory>

namespace orvi::ui::preview {

using CancelFlag = std::shared_ptr<std::atomic_bool>;

// Runs one processing job per request on the preview thread and reports its progress (at
// most every 100 ms, besides stage changes and the last frame) and its result, tagged with
// the generation that asked for it.
class PreviewWorker : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Posted by the controller as a queued call on the worker's thread.
    void run(quint64 generation, const project_data::ProcessingRequest& request,
             CancelFlag cancelFlag);

signals:
    void progressChanged(quint64 generation,
                         const orvi::project_data::ProcessingProgress& progress);
    void finished(quint64 generation, const orvi::project_data::ProcessingResult& result);
};

} // namespace orvi::ui::preview
