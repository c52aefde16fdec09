#include "spectrum/FramePrefetcher.h"

#include <QtTest>
#include <atomic>
#include <chrono>
#include <new>
#include <thread>

using namespace orvi;
using orvi::spectrum::FramePrefetcher;

namespace {

// Numbered 8 x 4 frames; fails, throws or blocks at chosen reads. Counts what it was asked.
class FakeSource final : public media::IVideoSource
{
public:
    qint64 failAt = -1;  // this read returns Error with "broken packet"
    qint64 throwAt = -1; // this read throws std::bad_alloc
    std::atomic<qint64> reads{0};

    bool open(const QString&, QString*) override { return true; }
    bool open(const media::VideoInfo&, QString*) override { return true; }
    void close() override {}
    bool isOpen() const override { return true; }
    media::VideoInfo videoInfo() const override { return {}; }
    bool seekToTimeUs(qint64, QString*) override { return true; }
    bool seekToFrame(qint64, QString*) override { return true; }
    media::ReadResult skipFrame(qint64*, qint64*, QString*) override
    {
        return media::ReadResult::Error;
    }
    bool wasCancelled() const override { return false; }

    media::ReadResult readFrame(media::VideoFrame& frame, QString* error) override
    {
        const qint64 index = reads++;
        if (index == throwAt)
            throw std::bad_alloc();
        if (index == failAt) {
            *error = QStringLiteral("broken packet");
            return media::ReadResult::Error;
        }
        frame.image = QImage(8, 4, QImage::Format_RGBA8888);
        frame.image.fill(Qt::black);
        frame.frameIndex = index;
        frame.presentationTimeUs = index * 1000;
        return media::ReadResult::Frame;
    }
};

// Waits up to two seconds for the reading thread to get as far as `reads`.
bool waitForReads(const FakeSource& source, qint64 reads)
{
    for (int i = 0; i < 200 && source.reads.load() < reads; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return source.reads.load() == reads;
}

} // namespace

class FramePrefetcherTest : public QObject
{
    Q_OBJECT

private slots:
    void deliversEveryFrameInOrder();
    void failuresEndTheRunAfterEarlierFrames();
    void stopOrCancelWhileTheQueueIsFullEndsReading_data();
    void stopOrCancelWhileTheQueueIsFullEndsReading();
};

// A queue of one, and one longer than the run.
void FramePrefetcherTest::deliversEveryFrameInOrder()
{
    for (const auto& [frames, capacity] : {std::pair{40, 1}, {5, 8}}) {
        FakeSource source;
        FramePrefetcher prefetcher(source, frames, capacity, {});
        prefetcher.start();
        FramePrefetcher::Item item;
        for (int i = 0; i < frames; ++i) {
            QVERIFY(prefetcher.next(item));
            QCOMPARE(item.result, media::ReadResult::Frame);
            QCOMPARE(item.frame.frameIndex, qint64(i));
        }
        QVERIFY(!prefetcher.next(item));
        QCOMPARE(source.reads.load(), qint64(frames)); // never reads beyond the range
    }
}

void FramePrefetcherTest::failuresEndTheRunAfterEarlierFrames()
{
    FakeSource failing;
    failing.failAt = 3;
    FramePrefetcher prefetcher(failing, 10, 2, {});
    prefetcher.start();
    FramePrefetcher::Item item;
    for (int i = 0; i < 4; ++i)
        QVERIFY(prefetcher.next(item));
    QCOMPARE(item.result, media::ReadResult::Error);
    QCOMPARE(item.error, QStringLiteral("broken packet"));
    QVERIFY(!prefetcher.next(item));
    QCOMPARE(failing.reads.load(), qint64(4));

    FakeSource throwing;
    throwing.throwAt = 2;
    FramePrefetcher rethrowing(throwing, 10, 4, {});
    rethrowing.start();
    QVERIFY(rethrowing.next(item) && rethrowing.next(item));
    QVERIFY_THROWS_EXCEPTION(std::bad_alloc, rethrowing.next(item));
    QVERIFY(!rethrowing.next(item));
}

void FramePrefetcherTest::stopOrCancelWhileTheQueueIsFullEndsReading_data()
{
    QTest::addColumn<bool>("cancel");
    QTest::newRow("stop") << false;
    QTest::newRow("cancellation") << true;
}

void FramePrefetcherTest::stopOrCancelWhileTheQueueIsFullEndsReading()
{
    QFETCH(bool, cancel);
    FakeSource source;
    std::atomic<bool> cancelled{false};
    auto prefetcher = std::make_unique<FramePrefetcher>(source, 1000, 2,
                                                        [&cancelled] { return cancelled.load(); });
    prefetcher->start();
    // Never more than the queue's capacity ahead of the consumer.
    QVERIFY(waitForReads(source, 2));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    QCOMPARE(source.reads.load(), qint64(2));
    // The reading thread is waiting for room; it must wake and end without another read.
    if (cancel)
        cancelled.store(true);
    else
        prefetcher->stop();
    FramePrefetcher::Item item;
    QVERIFY(prefetcher->next(item)); // what was read stays available
    QVERIFY(prefetcher->next(item));
    QVERIFY(!prefetcher->next(item));
    prefetcher.reset();
    QCOMPARE(source.reads.load(), qint64(2));
}

QTEST_GUILESS_MAIN(FramePrefetcherTest)
#include "tst_frameprefetcher.moc"
