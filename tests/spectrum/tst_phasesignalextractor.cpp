#include "SpectrumTestVideo.h"
#include "motion/MotionWorkerPool.h"
#include "spectrum/FramePrefetcher.h"
#include "spectrum/PhaseSignalExtractor.h"

#include <QtTest>
#include <atomic>
#include <chrono>
#include <cmath>
#include <new>
#include <numbers>
#include <thread>

using namespace orvi;
using namespace orvi::spectrum;
using orvi::spectrum::FramePrefetcher;

namespace {

// Vertical stripes with an 8-pixel period, moved right by `shift` pixels.
QImage stripes(const QSize& size, double shift, double contrast = 60.0)
{
    QImage image(size, QImage::Format_Grayscale8);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.scanLine(y)[x] = uchar(std::lround(
                128.0 + contrast * std::cos(2.0 * std::numbers::pi * (x - shift) / 8.0)));
    return image;
}

struct Extraction
{
    std::vector<std::vector<float>> series;
    std::vector<project_data::AcceptedSignal> signals_;
    std::vector<project_data::GridSite> sites;
    bool allFramesTaken = true;
    QSize imageSize;
};

Extraction extract(int frames, const QSize& grid, const std::function<QImage(int)>& frameAt)
{
    motion_core::MotionWorkerPool pool;
    pool.setWorkerCount(2);
    PhaseSignalExtractor extractor;
    extractor.initialise(QRectF(0, 0, 1, 1), frames - 1, grid, pool);
    Extraction out;
    for (int i = 0; i < frames; ++i)
        out.allFramesTaken = extractor.addFrame(frameAt(i)) && out.allFramesTaken;
    out.imageSize = extractor.analysisImageSize();
    extractor.finish(out.series, out.signals_, out.sites);
    return out;
}

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

// The analysis run's two stages before the spectrum: frames read ahead on their own thread,
// and the phase signals extracted from them.
class PhaseSignalExtractorTest : public QObject
{
    Q_OBJECT

private slots:
    void deliversEveryFrameInOrder();
    void failuresEndTheRunAfterEarlierFrames();
    void stopOrCancelWhileTheQueueIsFullEndsReading_data();
    void stopOrCancelWhileTheQueueIsFullEndsReading();
    void phaseJumpRestartsTheRun_data();
    void phaseJumpRestartsTheRun();
    void fadingContrastIsCountedAsLowContrast();
    void largeCropIsReducedAndLaterFramesMustMatch();
    void limitsRefuseFrames_data();
    void limitsRefuseFrames();
};

void PhaseSignalExtractorTest::phaseJumpRestartsTheRun_data()
{
    QTest::addColumn<int>("jumpFrame");
    QTest::addColumn<int>("segmentStart");
    QTest::addColumn<int>("segmentLength");
    // 130 frames, 129 samples; the jump between frames j - 1 and j rejects sample j - 1.
    QTest::newRow("the longer later run is kept") << 40 << 40 << 89;
    QTest::newRow("two equal runs keep the earlier") << 65 << 0 << 64;
}

void PhaseSignalExtractorTest::phaseJumpRestartsTheRun()
{
    QFETCH(int, jumpFrame);
    QFETCH(int, segmentStart);
    QFETCH(int, segmentLength);
    const QSize size(96, 64);
    const auto frameAt = [&](int i) {
        const double wobble = 0.2 * std::sin(2.0 * std::numbers::pi * i / 10.0);
        return stripes(size, wobble + (i >= jumpFrame ? 3.0 : 0.0));
    };
    const Extraction out = extract(130, QSize(16, 8), frameAt);
    QVERIFY(out.allFramesTaken);
    int checked = 0;
    for (const project_data::GridSite& site : out.sites) {
        if (!site.textured)
            continue;
        ++checked;
        QCOMPARE(site.phaseJumpSamples, 1);
        QCOMPARE(site.gapCount, 1);
        QVERIFY(std::isnan(site.phaseSeriesX[size_t(jumpFrame - 1)]));
        // The running sums start again from zero: one small step, not the old total.
        QVERIFY(std::abs(site.phaseSeriesX[size_t(jumpFrame)]) < 0.3f);
        QCOMPARE(site.segmentStart, segmentStart);
        QCOMPARE(site.segmentLength, segmentLength);
        QVERIFY(site.accepted);
    }
    QVERIFY(checked > 100);
    QCOMPARE(int(out.series.size()), 2 * checked);
    // The segments are copies of the longest runs, X before Y for every point.
    const auto& first =
        *std::find_if(out.sites.begin(), out.sites.end(), [](const auto& s) { return s.accepted; });
    QCOMPARE(out.series[0][0], first.phaseSeriesX[size_t(segmentStart)]);
    QCOMPARE(out.series[1][0], first.phaseSeriesY[size_t(segmentStart)]);
}

void PhaseSignalExtractorTest::fadingContrastIsCountedAsLowContrast()
{
    // Stripes fade to near-flat after frame 100: the local amplitude falls below 1.
    const auto frameAt = [](int i) {
        return stripes(QSize(96, 64), 0.1 * std::sin(i * 0.5), i < 100 ? 60.0 : 0.4);
    };
    const Extraction out = extract(130, QSize(16, 8), frameAt);
    for (const project_data::GridSite& site : out.sites) {
        if (!site.textured)
            continue;
        QVERIFY(site.lowContrastSamples >= 28);
        QCOMPARE(site.segmentStart, 0);
        QVERIFY(site.segmentLength <= 99);
        QVERIFY(site.accepted); // 99 samples: above 64 and a quarter of 129
    }
}

void PhaseSignalExtractorTest::largeCropIsReducedAndLaterFramesMustMatch()
{
    motion_core::MotionWorkerPool pool;
    PhaseSignalExtractor extractor;
    extractor.initialise(QRectF(0, 0, 1, 1), 64, QSize(32, 16), pool);
    const orvi::spectrum::testing::SyntheticTexture texture;
    QVERIFY(extractor.addFrame(texture.frame(QSize(600, 300), {}, 0.0)));
    QCOMPARE(extractor.analysisImageSize(), QSize(512, 256));
    QVERIFY(extractor.addFrame(texture.frame(QSize(600, 300), {}, 0.0)));
    QVERIFY(!extractor.addFrame(texture.frame(QSize(640, 300), {}, 0.0))); // 512 x 240
    // 256 x 512 has the same area as 512 x 256 but would put the points elsewhere.
    QVERIFY(!extractor.addFrame(texture.frame(QSize(300, 600), {}, 0.0)));
    QVERIFY(extractor.addFrame(texture.frame(QSize(600, 300), {}, 0.0)));
}

void PhaseSignalExtractorTest::limitsRefuseFrames_data()
{
    QTest::addColumn<int>("samples");
    QTest::addColumn<QSize>("grid");
    QTest::addColumn<QSize>("frame");
    QTest::addColumn<int>("acceptedFrames");
    QTest::newRow("63 samples") << 63 << QSize(16, 8) << QSize(96, 64) << 0;
    QTest::newRow("signal budget") << 8193 << QSize(64, 16) << QSize(600, 300) << 0;
    QTest::newRow("grid too dense for the image") << 64 << QSize(32, 16) << QSize(96, 64) << 0;
    QTest::newRow("more frames than announced") << 64 << QSize(16, 8) << QSize(96, 64) << 65;
}

void PhaseSignalExtractorTest::limitsRefuseFrames()
{
    QFETCH(int, samples);
    QFETCH(QSize, grid);
    QFETCH(QSize, frame);
    QFETCH(int, acceptedFrames);
    motion_core::MotionWorkerPool pool;
    PhaseSignalExtractor extractor;
    extractor.initialise(QRectF(0, 0, 1, 1), samples, grid, pool);
    const QImage image = stripes(frame, 0.0);
    for (int i = 0; i < acceptedFrames; ++i)
        QVERIFY(extractor.addFrame(image));
    QVERIFY(!extractor.addFrame(image));
}

// A queue of one, and one longer than the run.
void PhaseSignalExtractorTest::deliversEveryFrameInOrder()
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

void PhaseSignalExtractorTest::failuresEndTheRunAfterEarlierFrames()
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

void PhaseSignalExtractorTest::stopOrCancelWhileTheQueueIsFullEndsReading_data()
{
    QTest::addColumn<bool>("cancel");
    QTest::newRow("stop") << false;
    QTest::newRow("cancellation") << true;
}

void PhaseSignalExtractorTest::stopOrCancelWhileTheQueueIsFullEndsReading()
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

QTEST_GUILESS_MAIN(PhaseSignalExtractorTest)
#include "tst_phasesignalextractor.moc"
