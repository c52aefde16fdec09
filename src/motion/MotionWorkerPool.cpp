#include "motion/MotionWorkerPool.h"

#include "motion/BackgroundPriority.h"
#include "records/ThreadHandOff.h"

#include <QRunnable>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <exception>
#include <limits>
#include <memory>
#include <vector>

namespace orvi::motion_core {

namespace {

// One queued task. The pool passes it to a worker thread inside Qt, so the task itself is the
// channel on which it is handed over.
class PoolTask final : public QRunnable
{
public:
    explicit PoolTask(std::function<void()> task) : m_task(std::move(task))
    {
        project_data::publishHandOff(this);
    }

    void run() override
    {
        project_data::receiveHandOff(this);
        lowerCurrentThreadPriority();
        m_task();
    }

private:
    std::function<void()> m_task;
};

} // namespace

MotionWorkerPool::MotionWorkerPool()
{
    m_pool.setExpiryTimeout(-1);
    m_pool.setThreadPriority(QThread::LowPriority);
    m_pool.setMaxThreadCount(1);
}

MotionWorkerPool::~MotionWorkerPool()
{
    m_pool.waitForDone();
}

void MotionWorkerPool::setWorkerCount(int count)
{
    const quint32 wanted = static_cast<quint32>(std::max(count, 1));
    if (wanted == m_workerCount)
        return;
    m_pool.waitForDone();
    m_pool.setMaxThreadCount(static_cast<int>(wanted));
    m_workerCount = wanted;
}

void MotionWorkerPool::start(std::function<void()> task)
{
    m_pool.start(new PoolTask(std::move(task)));
}

namespace {

qint64 saturatingProduct(qint64 a, qint64 b)
{
    if (a != 0 && b > std::numeric_limits<qint64>::max() / a)
        return std::numeric_limits<qint64>::max();
    return a * b;
}

// What the caller and its helpers share for one runParallel call. Helpers hold it by
// reference count, so one that starts only after every chunk was done (its thread was
// busy or not scheduled) finds nothing to claim and touches nothing of the caller's.
struct ParallelRun
{
    const std::function<void(int, int)>* task = nullptr;
    int itemCount = 0;
    int chunkCount = 0;
    std::atomic<int> nextChunk{0};
    std::atomic<int> unfinished{0};
    std::vector<std::exception_ptr> failures;

    // Runs chunks until none is left to claim.
    void work()
    {
        for (int chunk = nextChunk.fetch_add(1); chunk < chunkCount;
             chunk = nextChunk.fetch_add(1)) {
            const int begin = static_cast<int>(qint64(chunk) * itemCount / chunkCount);
            const int end = static_cast<int>(qint64(chunk + 1) * itemCount / chunkCount);
            try {
                (*task)(begin, end);
            } catch (...) {
                failures[static_cast<std::size_t>(chunk)] = std::current_exception();
            }
            if (unfinished.fetch_sub(1) == 1)
                unfinished.notify_all();
        }
    }
};

} // namespace

void runParallel(MotionWorkerPool& pool, int itemCount, qint64 costPerItem,
                 const std::function<void(int, int)>& task)
{
    if (itemCount < 1 || !task)
        return;
    const qint64 workers = pool.workerCount();
    if (workers < 2 || itemCount < 2) {
        task(0, itemCount);
        return;
    }
    const qint64 total = saturatingProduct(itemCount, std::max<qint64>(costPerItem, 1));
    const qint64 perTask = pool.minimumTaskCost();
    const qint64 chunks = std::max<qint64>(1, total / perTask + (total % perTask != 0));
    const qint64 taskCount = std::max<qint64>(1, std::min({workers, qint64(itemCount), chunks}));
    if (taskCount < 2) {
        task(0, itemCount);
        return;
    }

    // The caller works too: it claims chunks like its helpers, so a helper that is slow to
    // wake costs nothing, and one thread fewer is handed work on every call.
    auto run = std::make_shared<ParallelRun>();
    run->task = &task;
    run->itemCount = itemCount;
    run->chunkCount = static_cast<int>(taskCount);
    run->unfinished.store(run->chunkCount);
    run->failures.resize(static_cast<std::size_t>(taskCount));
    std::exception_ptr startFailure;
    for (qint64 i = 1; i < taskCount; ++i) {
        try {
            pool.start([run] { run->work(); });
        } catch (...) {
            startFailure = std::current_exception();
            break;
        }
    }
    run->work();
    for (int left = run->unfinished.load(); left != 0; left = run->unfinished.load())
        run->unfinished.wait(left);

    if (startFailure)
        std::rethrow_exception(startFailure);
    for (const std::exception_ptr& failure : run->failures) {
        if (failure)
            std::rethrow_exception(failure);
    }
}

} // namespace orvi::motion_core
