#include "motion/BackgroundPriority.h"

#include <QCoreApplication>
#include <QThread>
#include <algorithm>

#if defined(Q_OS_LINUX)
#include <cerrno>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace orvi::motion_core {

bool lowerCurrentThreadPriority()
{
    thread_local bool lowered = false;
    if (lowered)
        return true;
    const QCoreApplication* application = QCoreApplication::instance();
    if (application && application->thread() == QThread::currentThread())
        return false;
#if defined(Q_OS_LINUX)
    // Raising the nice value needs no privilege, lowering it again would: a thread that was
    // lowered stays lowered, which is why only work threads come here.
    sched_param parameters{};
    parameters.sched_priority = 0;
    const bool batch = pthread_setschedparam(pthread_self(), SCHED_BATCH, &parameters) == 0;
    const pid_t thread = gettid();
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, thread);
    const bool niced = errno == 0 && setpriority(PRIO_PROCESS, thread,
                                                 std::min(19, nice + kBackgroundNiceOffset)) == 0;
    lowered = batch || niced;
#else
    if (QThread* current = QThread::currentThread()) {
        current->setPriority(QThread::LowPriority);
        lowered = true;
    }
#endif
    return lowered;
}

} // namespace orvi::motion_core
