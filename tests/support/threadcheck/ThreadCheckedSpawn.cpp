// Compiled into every test program of a thread-checked build (tests/CMakeLists.txt).
//
// QProcess starts its children with a vfork-style clone (the child shares the parent's memory
// until it executes the program). The thread checker's own handling of such a clone runs its
// after-fork code in the child, on the shared memory, and so switches the parent's thread into
// "ignore everything" mode: from the first started process on, races on the test's main thread
// went unreported, and the next thread the test started was fatal. A test program therefore
// takes the vfork-style clones itself and makes a plain fork of them, which the checker handles
// in the child's own copy of memory; every other clone goes on to the checker and the C library.

#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <dlfcn.h>
#include <sched.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using CloneFunction = int (*)(int (*)(void*), void*, int, void*, ...);

CloneFunction nextClone()
{
    static const auto next = reinterpret_cast<CloneFunction>(dlsym(RTLD_NEXT, "clone"));
    return next;
}

} // namespace

extern "C" int clone(int (*function)(void*), void* stack, int flags, void* argument, ...)
{
    va_list rest;
    va_start(rest, argument);
    int* parentTid = va_arg(rest, int*);
    void* tls = va_arg(rest, void*);
    int* childTid = va_arg(rest, int*);
    va_end(rest);

    constexpr int vforkLike = CLONE_VM | CLONE_VFORK;
    if ((flags & vforkLike) != vforkLike || (flags & CLONE_THREAD)) {
        const CloneFunction next = nextClone();
        if (!next) {
            errno = ENOSYS;
            return -1;
        }
        return next(function, stack, flags, argument, parentTid, tls, childTid);
    }
    // The child only resets signals and descriptors and executes the program; its result
    // reaches the parent through QProcess's own pipe, never through shared memory.
    const pid_t pid = fork();
    if (pid == 0)
        _exit(function(argument));
    if (pid > 0 && (flags & CLONE_PIDFD) && parentTid) {
        const long pidfd = syscall(SYS_pidfd_open, pid, 0);
        if (pidfd < 0) {
            const int error = errno;
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            errno = error;
            return -1;
        }
        *parentTid = static_cast<int>(pidfd);
    }
    return pid;
}
