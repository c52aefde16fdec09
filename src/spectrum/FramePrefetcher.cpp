#include "spectrum/FramePrefetcher.h"

#include <algorithm>
#include <utility>

namespace orvi::spectrum {

FramePrefetcher::FramePrefetcher(media::IVideoSource& source, qint64 frameCount, int capacity,
                                 CancellationCheck isCancelled)
    : FramePrefetcher([&source](media::VideoFrame& frame,
                                QString* error) { return source.readFrame(frame, error); },
                      frameCount, capacity, std::move(isCancelled))
{}

FramePrefetcher::FramePrefetcher(FrameReader read, qint64 frameCount, int capacity,
                                 CancellationCheck isCancelled)
    : m_read(std::move(read)), m_frameCount(frameCount), m_capacity(size_t(std::max(capacity, 1))),
      m_isCancelled(std::move(isCancelled))
{}

FramePrefetcher::~FramePrefetcher()
{
    stop();
}

void FramePrefetcher::start()
{
    if (!m_thread.joinable())
        m_thread = std::thread([this] { produce(); });
}

void FramePrefetcher::stop()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopRequested = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

bool FramePrefetcher::waitForRoom()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_stopRequested || m_items.size() < m_capacity; });
    return !m_stopRequested;
}

void FramePrefetcher::produce()
{
    try {
        for (qint64 i = 0; i < m_frameCount; ++i) {
            if (!waitForRoom() || (m_isCancelled && m_isCancelled()))
                break;
            Item item;
            takeSpare(item.frame.image);
            item.result = m_read(item.frame, &item.error);
            const bool last = item.result != media::ReadResult::Frame;
            {
                const std::lock_guard lock(m_mutex);
                m_items.push_back(std::move(item));
            }
            m_changed.notify_all();
            if (last)
                break;
        }
    } catch (...) {
        const std::lock_guard lock(m_mutex);
        m_exception = std::current_exception();
    }
    {
        const std::lock_guard lock(m_mutex);
        m_finished = true;
    }
    m_changed.notify_all();
}

void FramePrefetcher::recycle(QImage&& image)
{
    const std::lock_guard lock(m_mutex);
    if (!image.isNull() && m_spares.size() <= m_capacity)
        m_spares.push_back(std::move(image));
    image = QImage();
}

void FramePrefetcher::takeSpare(QImage& image)
{
    const std::lock_guard lock(m_mutex);
    if (!m_spares.empty()) {
        image = std::move(m_spares.back());
        m_spares.pop_back();
    }
}

bool FramePrefetcher::next(Item& item)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_items.empty() || m_finished || !m_thread.joinable(); });
    if (m_items.empty()) {
        if (m_exception)
            std::rethrow_exception(std::exchange(m_exception, nullptr));
        return false;
    }
    item = std::move(m_items.front());
    m_items.pop_front();
    lock.unlock();
    m_changed.notify_all();
    return true;
}

} // namespace orvi::spectrum
