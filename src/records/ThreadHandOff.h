#pragma once

// Hand-overs between threads whose synchronisation happens inside libraries that the thread
// checker does not see (Qt's thread pool, semaphores, wait conditions and event queues).
// In a thread-checked build each hand-over is announced on one address, the channel: the
// sending thread publishes after its last write that the receiver may read, the receiving
// thread receives before its first read. In every other build these compile to nothing.

#if defined(__SANITIZE_THREAD__)
#define ORVI_THREAD_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define ORVI_THREAD_CHECKED 1
#endif
#endif

#ifdef ORVI_THREAD_CHECKED
extern "C" {
void __tsan_acquire(void* address);
void __tsan_release(void* address);
void __tsan_ignore_thread_begin();
void __tsan_ignore_thread_end();
}
#endif

namespace orvi::project_data {

// Everything this thread wrote so far becomes visible to a later `receiveHandOff` on the
// same channel, in any thread.
inline void publishHandOff([[maybe_unused]] const void* channel)
{
#ifdef ORVI_THREAD_CHECKED
    __tsan_release(const_cast<void*>(channel));
#endif
}

inline void receiveHandOff([[maybe_unused]] const void* channel)
{
#ifdef ORVI_THREAD_CHECKED
    __tsan_acquire(const_cast<void*>(channel));
#endif
}

// While it lives, this thread's memory accesses are left out of the check.
class UncheckedAccesses
{
public:
    UncheckedAccesses()
    {
#ifdef ORVI_THREAD_CHECKED
        __tsan_ignore_thread_begin();
#endif
    }
    ~UncheckedAccesses()
    {
#ifdef ORVI_THREAD_CHECKED
        __tsan_ignore_thread_end();
#endif
    }
    UncheckedAccesses(const UncheckedAccesses&) = delete;
    UncheckedAccesses& operator=(const UncheckedAccesses&) = delete;
};

// Posts a call to another thread through Qt, which moves the call into an event of its own and
// queues it: those writes of Qt's come after any publication could, so they are left out of the
// check. What the call carries was written before and is published on the channel. Only for
// queued posting: a call that ran here would run unchecked.
template <typename Post> void postHandOff(const void* channel, Post&& post)
{
    publishHandOff(channel);
    const UncheckedAccesses unchecked;
    post();
}

} // namespace orvi::project_data
