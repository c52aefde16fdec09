#pragma once

#include "controllers/PipelineJobWorker.h"

#include <QObject>
#include <QThread>

namespace orvi::ui::controllers {

// A named thread that runs the pipeline jobs of one controller, one at a time. Every start
// is a new request; progress and results of earlier requests are dropped before they reach
// the controller. The controller's thread never waits on a job, except in shutdown().
class PipelineJobThread : public QObject
{
    Q_OBJECT

public:
    explicit PipelineJobThread(const QString& threadName, QObject* parent = nullptr);
    ~PipelineJobThread() override;

    // Queues the job on the thread; nothing happens after shutdown.
    void start(const project_data::ProcessingRequest& request);
    // Asks the current job to stop; it still reports a result.
    void cancel();
    // A job was started and has not reported its result yet.
    bool hasJob() const { return m_cancelFlag != nullptr; }
    // Cancels the current job and ends the thread, waiting for it; nothing starts after.
    void shutdown();

signals:
    void progressChanged(const orvi::project_data::ProcessingProgress& progress);
    void finished(const orvi::project_data::ProcessingResult& result);

private:
    void onProgress(quint64 requestId, const project_data::ProcessingProgress& progress);
    void onFinished(quint64 requestId, const project_data::ProcessingResult& result);

    QThread m_thread;
    PipelineJobWorker* m_worker = nullptr; // deleted on the thread when it ends
    CancelFlag m_cancelFlag;
    quint64 m_requestId = 0;
};

} // namespace orvi::ui::controllers
