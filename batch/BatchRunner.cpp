#include "BatchRunner.h"

#include "BatchProgress.h"
#include "RecordingTask.h"

#include <QMetaObject>

namespace orvi::batch {

namespace {
// Progress reaches the interface thread at most once a percent per recording.
constexpr double kProgressStep = 0.01;
} // namespace

BatchRunner::BatchRunner(BatchJob job, std::vector<int> selection, const Options& options,
                         BatchProgress* progress, QObject* parent)
    : QObject(parent), m_job(std::move(job)), m_selection(std::move(selection)),
      m_options(options), m_progress(progress), m_memory(options.memoryLimitBytes)
{
    m_pool.setMaxThreadCount(std::max(options.parallel, 1));
    // Decoding threads and the analysis' own pools do the heavy work; these only wait on them.
    m_pool.setThreadPriority(QThread::LowPriority);
}

BatchRunner::~BatchRunner()
{
    cancel();
    wait();
}

void BatchRunner::start()
{
    m_remaining = int(m_selection.size());
    if (m_remaining == 0) {
        QMetaObject::invokeMethod(this, &BatchRunner::finished, Qt::QueuedConnection);
        return;
    }
    TaskEnvironment environment;
    environment.verb = m_job.verb;
    environment.outputFolder = m_job.outputFolder;
    environment.memory = &m_memory;
    environment.workerThreads = m_options.workerThreads;
    environment.cancelled = m_cancelled;
    for (const int index : m_selection) {
        const BatchRecording recording = m_job.recordings[size_t(index)];
        m_pool.start([this, recording, environment] {
            double reported = -1.0;
            // The runner outlives its pool's tasks (its destructor waits for them), and a call
            // queued to it is dropped once it is gone.
            const RecordingOutcome outcome = RecordingTask::run(
                recording, environment, [this, &reported, index = recording.index](double f) {
                    if (f - reported < kProgressStep && f < 1.0)
                        return;
                    reported = f;
                    QMetaObject::invokeMethod(
                        this,
                        [this, index, f] {
                            if (m_progress)
                                m_progress->setFraction(index, f);
                        },
                        Qt::QueuedConnection);
                });
            {
                QMutexLocker lock(&m_mutex);
                m_outcomes.push_back(outcome);
            }
            QMetaObject::invokeMethod(
                this, [this, outcome] { onRecordingFinished(outcome); }, Qt::QueuedConnection);
        });
    }
}

void BatchRunner::cancel()
{
    m_cancelled->store(true);
}

void BatchRunner::wait()
{
    m_pool.waitForDone();
}

std::vector<RecordingOutcome> BatchRunner::outcomes() const
{
    QMutexLocker lock(&m_mutex);
    return m_outcomes;
}

void BatchRunner::onRecordingFinished(const RecordingOutcome& outcome)
{
    if (m_progress)
        m_progress->recordingFinished(outcome);
    if (--m_remaining == 0)
        emit finished();
}

} // namespace orvi::batch
