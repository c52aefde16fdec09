#include "motion/MotionWorkerPool.h"

#include "records/ThreadHandOff.h"

#include <QRunnable>
#include <QSemaphore>
#include <QThread>
#include <algorithm>
#include <exception>
#include <limits>
#include <vector>

namespace orvi::motion_core {

using project_data::publishHandOff;
using project_data::receiveHandOff;

namespace {

// One queued task. The pool passes it to a worker thread inside Qt, so the task itself is the
// channel on which it is handed over.
class PoolTask final : public QRunnable
{
public:
    explicit PoolTask(std::function<void()> task) : m_task(std::move(task))
    {
        publishHandOff(this);
    }

    void run() override
    {
        receiveHandOff(this);
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

    std::vector<std::exception_ptr> failures(static_cast<std::size_t>(taskCount));
    QSemaphore finished(0);
    std::exception_ptr startFailure;
    int started = 0;
    for (qint64 i = 0; i < taskCount; ++i) {
        const int begin = static_cast<int>(i * itemCount / taskCount);
        const int end = static_cast<int>((i + 1) * itemCount / taskCount);
        std::exception_ptr* failureSlot = &failures[static_cast<std::size_t>(i)];
        try {
            pool.start([task, begin, end, failureSlot, &finished] {
                try {
                    task(begin, end);
                } catch (...) {
                    *failureSlot = std::current_exception();
                }
                publishHandOff(&finished);
                finished.release();
            });
        } catch (...) {
            startFailure = std::current_exception();
            break;
        }
        ++started;
    }
    finished.acquire(started);
    receiveHandOff(&finished);

    if (startFailure)
        std::rethrow_exception(startFailure);
    for (const std::exception_ptr& failure : failures) {
        if (failure)
            std::rethrow_exception(failure);
    }
}

} // namespace orvi::motion_core
