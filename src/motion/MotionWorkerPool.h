#pragma once

#include <QThreadPool>
#include <QtGlobal>
#include <algorithm>
#include <functional>

namespace orvi::motion_core {

// Default work per task below which splitting does not pay for the thread hand-off.
inline constexpr qint64 kParallelCostPerTask = 65536;

// A private thread pool for the row-parallel kernels, its threads below the interface
// thread (lowerCurrentThreadPriority). Idle threads never expire, so consecutive frames
// reuse warm threads. Each motion processor and each spectrum analysis run owns one; it is
// driven from one thread at a time.
class MotionWorkerPool
{
public:
    MotionWorkerPool();
    // Waits for every running task before the threads go.
    ~MotionWorkerPool();

    MotionWorkerPool(const MotionWorkerPool&) = delete;
    MotionWorkerPool& operator=(const MotionWorkerPool&) = delete;

    // A count below 1 is taken as 1. A different count first waits for running tasks.
    void setWorkerCount(int count);
    quint32 workerCount() const { return m_workerCount; }

    // Queues one task; throws (std::bad_alloc and the like) when it cannot be queued.
    void start(std::function<void()> task);

    // Least work (cost units, see runParallel) worth one task. Raising it keeps small kernels
    // on the calling thread, for phases where other threads already keep every core busy.
    void setMinimumTaskCost(qint64 cost) { m_minimumTaskCost = std::max<qint64>(cost, 1); }
    qint64 minimumTaskCost() const { return m_minimumTaskCost; }

private:
    QThreadPool m_pool;
    quint32 m_workerCount = 1;
    qint64 m_minimumTaskCost = kParallelCostPerTask;
};

// Runs task(begin, end) over [0, itemCount) split into contiguous chunks.
// At most one chunk per worker and per item, and at least about the pool's minimum task
// cost (itemCount * costPerItem units) per chunk; a single chunk runs inline on the
// calling thread. Otherwise the caller and the pool's threads claim chunks in order until
// none is left, the caller waits until every chunk has finished, then rethrows a failure
// to start a helper or else the first exception of a chunk in chunk order.
//
// Chunks only ever see disjoint item ranges, so a task that writes item i of its output
// from shared read-only inputs gives the same result for any worker count.
void runParallel(MotionWorkerPool& pool, int itemCount, qint64 costPerItem,
                 const std::function<void(int, int)>& task);

} // namespace orvi::motion_core
