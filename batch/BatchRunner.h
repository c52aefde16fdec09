#pragma once

#include "BatchJob.h"
#include "MemoryGate.h"
#include "RecordingOutcome.h"

#include <QMutex>
#include <QObject>
#include <QThreadPool>
#include <atomic>
#include <memory>
#include <vector>

namespace orvi::batch {

class BatchProgress;

// Runs the selected recordings of a job side by side on a private pool: as many at once as
// `parallel` allows and their memory estimates fit the bound. Each recording reports only
// through queued calls on the interface thread; cancellation is one shared flag.
class BatchRunner : public QObject
{
    Q_OBJECT

public:
    struct Options
    {
        int parallel = 1;
        int workerThreads = 1; // per recording, where its settings leave the count open
        qint64 memoryLimitBytes = 0;
    };

    BatchRunner(BatchJob job, std::vector<int> selection, const Options& options,
                BatchProgress* progress, QObject* parent = nullptr);
    // Stops what still runs and waits for it.
    ~BatchRunner() override;

    void start();
    void cancel();
    // Blocks until every started recording has ended.
    void wait();
    bool isFinished() const { return m_remaining == 0; }
    std::vector<RecordingOutcome> outcomes() const;
    qint64 peakHeldBytes() const { return m_memory.peakHeldBytes(); }

signals:
    void finished();

private:
    void onRecordingFinished(const RecordingOutcome& outcome);

    const BatchJob m_job;
    const std::vector<int> m_selection;
    const Options m_options;
    BatchProgress* m_progress;
    MemoryGate m_memory;
    std::shared_ptr<std::atomic_bool> m_cancelled = std::make_shared<std::atomic_bool>(false);
    QThreadPool m_pool;
    mutable QMutex m_mutex;
    std::vector<RecordingOutcome> m_outcomes;
    int m_remaining = 0;
};

} // namespace orvi::batch
