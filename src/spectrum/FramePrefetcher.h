#pragma once

#include "media/IVideoSource.h"
#include "spectrum/SpectrumCallbacks.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace orvi::spectrum {

// Reads a fixed number of frames from a source on a thread of its own, at most `capacity`
// ahead of the consumer, so that decoding overlaps the analysis of earlier frames. Frames
// come out in reading order. Reading stops after the first read that is not a frame, on
// cancellation, or when the prefetcher is stopped or destroyed. The source must not be
// touched by anyone else between `start` and `stop`.
class FramePrefetcher
{
public:
    struct Item
    {
        media::ReadResult result = media::ReadResult::Error;
        media::VideoFrame frame;
        QString error; // the source's message when the read failed
    };

    // Reads one frame into the given frame object (whose image may be reused).
    using FrameReader = std::function<media::ReadResult(media::VideoFrame& frame, QString* error)>;

    FramePrefetcher(media::IVideoSource& source, qint64 frameCount, int capacity,
                    CancellationCheck isCancelled);
    FramePrefetcher(FrameReader read, qint64 frameCount, int capacity,
                    CancellationCheck isCancelled);
    ~FramePrefetcher();

    FramePrefetcher(const FramePrefetcher&) = delete;
    FramePrefetcher& operator=(const FramePrefetcher&) = delete;

    void start();
    // Blocks until the next item is ready. False when none will come: reading was cancelled
    // or stopped before it, or every item has been taken. An exception thrown while reading
    // is rethrown here, after the items read before it.
    bool next(Item& item);
    // Hands back an image the consumer is done with; a later read may decode into it.
    void recycle(QImage&& image);
    // Ends reading and waits for the reading thread; safe to call more than once.
    void stop();

private:
    void produce();
    bool waitForRoom();
    void takeSpare(QImage& image);

    const FrameReader m_read;
    const qint64 m_frameCount;
    const size_t m_capacity;
    const CancellationCheck m_isCancelled;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Item> m_items;
    std::vector<QImage> m_spares;
    std::exception_ptr m_exception;
    bool m_stopRequested = false;
    bool m_finished = false;
    std::thread m_thread;
};

} // namespace orvi::spectrum
