#pragma once

#include <atomic>
#include <functional>

namespace orvi::media::libav {

// A caller's stop request, polled by the media code and by FFmpeg's interrupt callback.
// Once the callable has returned true (or thrown), the request stays set until reset.
class LibavCancellation
{
public:
    using Callable = std::function<bool()>;

    LibavCancellation() = default;
    explicit LibavCancellation(Callable callable);

    LibavCancellation(const LibavCancellation&) = delete;
    LibavCancellation& operator=(const LibavCancellation&) = delete;

    // Replaces the callable and clears the sticky state.
    void reset(Callable callable);
    // Clears the sticky state, keeping the callable.
    void clear();
    // Sets the sticky state, as if the callable had asked to stop.
    void markCancelled() { m_cancelled.store(true, std::memory_order_release); }
    // Polls the callable unless the request is already set.
    bool isCancelled() const;
    // The sticky state without polling.
    bool wasCancelled() const { return m_cancelled.load(std::memory_order_acquire); }

    // For AVIOInterruptCB: opaque is a LibavCancellation*.
    static int interruptCallback(void* opaque);

private:
    Callable m_callable;
    mutable std::atomic<bool> m_cancelled{false};
};

} // namespace orvi::media::libav
