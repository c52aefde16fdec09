#include "media/libav/LibavCancellation.h"

#include <utility>

namespace orvi::media::libav {

LibavCancellation::LibavCancellation(Callable callable) : m_callable(std::move(callable)) {}

void LibavCancellation::reset(Callable callable)
{
    m_callable = std::move(callable);
    clear();
}

void LibavCancellation::clear()
{
    m_cancelled.store(false, std::memory_order_release);
}

bool LibavCancellation::isCancelled() const
{
    if (m_cancelled.load(std::memory_order_acquire)) {
        return true;
    }
    if (!m_callable) {
        return false;
    }
    bool stop = true; // a throwing callable counts as a stop request
    try {
        stop = m_callable();
    } catch (...) {
    }
    if (stop) {
        m_cancelled.store(true, std::memory_order_release);
    }
    return stop;
}

int LibavCancellation::interruptCallback(void* opaque)
{
    const auto* cancellation = static_cast<const LibavCancellation*>(opaque);
    return cancellation != nullptr && cancellation->isCancelled() ? 1 : 0;
}

} // namespace orvi::media::libav
