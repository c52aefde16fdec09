#include "MotionTestSupport.h"
#include "ReferenceKernels.h"
#include "motion/ImageShift.h"
#include "motion/MotionWorkerPool.h"
#include "motion/PlaneKernels.h"
#include "motion/RieszPyramid.h"

#include <QTest>
#include <atomic>
#include <stdexcept>

using namespace orvi::motion_core;
using namespace orvi::motion_core::testing;

// Float rounding of a few chained operations on samples of magnitude ~100.
static constexpr double kTolerance = 1e-5;

class PlaneKernelsTest : public QObject
{
    Q_OBJECT

private slots:
    void runParallelCoversRangeOnce_data()
    {
        QTest::addColumn<int>("workers");
        QTest::addColumn<int>("items");
        QTest::addColumn<qint64>("cost");
        QTest::addColumn<int>("expectedTasks");
        QTest::newRow("one worker runs inline") << 1 << 1000 << qint64(1000000) << 1;
        QTest::newRow("cost splits into chunks") << 8 << 1000 << qint64(200) << 4;
        QTest::newRow("never more tasks than workers") << 2 << 1000 << qint64(1000000) << 2;
        QTest::newRow("never more tasks than items") << 8 << 3 << qint64(1000000) << 3;
        QTest::newRow("saturating cost") << 4 << 7 << std::numeric_limits<qint64>::max() << 4;
        QTest::newRow("no items") << 4 << 0 << qint64(10) << 0;
        QTest::newRow("negative count") << 4 << -5 << qint64(10) << 0;
    }

    void runParallelCoversRangeOnce()
    {
        QFETCH(int, workers);
        QFETCH(int, items);
        QFETCH(qint64, cost);
        QFETCH(int, expectedTasks);
        MotionWorkerPool pool;
        pool.setWorkerCount(workers);
        std::vector<std::atomic<int>> hits(static_cast<std::size_t>(std::max(items, 0)));
        std::atomic<int> calls{0};
        runParallel(pool, items, cost, [&](int begin, int end) {
            ++calls;
            for (int i = begin; i < end; ++i)
                ++hits[std::size_t(i)];
        });
        QCOMPARE(calls.load(), expectedTasks);
        for (const auto& h : hits)
            QCOMPARE(h.load(), 1);
    }

    void runParallelCarriesExceptionsBack()
    {
        MotionWorkerPool pool;
        pool.setWorkerCount(4);
        std::atomic<int> finished{0};
        try {
            runParallel(pool, 4, 1000000, [&](int begin, int) {
                if (begin > 0)
                    throw std::runtime_error("chunk " + std::to_string(begin));
                ++finished;
            });
            QFAIL("no exception");
        } catch (const std::runtime_error& e) {
            // The first failing chunk in chunk order, after every chunk has finished.
            QCOMPARE(QByteArray(e.what()), QByteArray("chunk 1"));
            QCOMPARE(finished.load(), 1);
        }
        QVERIFY_THROWS_EXCEPTION(std::bad_alloc,
                                 runParallel(pool, 1, 1, [](int, int) { throw std::bad_alloc(); }));
    }

    // 1 x 1, a single row, a single column, odd sizes, wide.
    void kernelsMatchReference_data()
    {
        QTest::addColumn<QSize>("size");
        for (const QSize size : {QSize(1, 1), {17, 1}, {1, 13}, {37, 23}, {300, 41}})
            QTest::addRow("%dx%d", size.width(), size.height()) << size;
    }

    void kernelsMatchReference()
    {
        QFETCH(QSize, size);
        const int width = size.width(), height = size.height();
        MotionWorkerPool pool;
        pool.setWorkerCount(3);
        const FloatPlane a = randomPlane(width, height, 11, 0.0f, 255.0f);
        const FloatPlane b = randomPlane(width, height, 12, 0.0f, 255.0f);

        const auto pyramidTaps = reference::pyramidTaps();
        const auto denoiseTaps = reference::denoiseTaps();
        QVERIFY(maxRelativeDifference(blur(pool, a, pyramidTaps.data(), 5),
                                      reference::blur(a, pyramidTaps)) < kTolerance);
        QVERIFY(maxRelativeDifference(blur(pool, a, denoiseTaps.data(), 9),
                                      reference::blur(a, denoiseTaps)) < kTolerance);
        const std::vector<float> threeTaps{0.2f, 0.5f, 0.3f};
        QVERIFY(maxRelativeDifference(blur(pool, a, threeTaps.data(), 3),
                                      reference::blur(a, threeTaps)) < kTolerance);
        QVERIFY(identical(downsample(pool, a), reference::downsample(a)));
        for (const QSize target : {QSize(1, 1), QSize(2 * width, 2 * height + 1),
                                   QSize((width + 1) / 2, (height + 1) / 2), QSize(5, 3)}) {
            QVERIFY(maxRelativeDifference(resizeBilinear(pool, a, target.width(), target.height()),
                                          reference::resizeBilinear(a, target.width(),
                                                                    target.height())) < kTolerance);
        }
        QVERIFY(identical(add(pool, a, b), reference::add(a, b)));
        QVERIFY(identical(subtract(pool, a, b), reference::subtract(a, b)));

        for (const QImage::Format format :
             {QImage::Format_RGBA8888, QImage::Format_RGBX8888, QImage::Format_ARGB32,
              QImage::Format_RGB32, QImage::Format_ARGB32_Premultiplied, QImage::Format_RGB888}) {
            const QImage image = randomImage(width, height, 13, format);
            QVERIFY2(maxRelativeDifference(extractLuminance(pool, image),
                                           reference::luminance(image)) < kTolerance,
                     qPrintable(QString::number(int(format))));
        }
    }

    void levelCount()
    {
        // Levels while the smaller side keeps at least 32 pixels, at most four.
        QCOMPARE(RieszPyramid::levelCountFor(31, 1000), 0);
        QCOMPARE(RieszPyramid::levelCountFor(32, 32), 1);
        QCOMPARE(RieszPyramid::levelCountFor(100, 63), 2);
        QCOMPARE(RieszPyramid::levelCountFor(1920, 1080), 4);
    }

    // Even and odd sizes, and levels thinner than the taps.
    void pyramidMatchesReference_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("levels");
        for (const auto& [size, levels] :
             {std::pair{QSize(64, 48), 3}, {QSize(77, 45), 4}, {QSize(33, 5), 4}})
            QTest::addRow("%dx%d", size.width(), size.height()) << size << levels;
    }

    void pyramidMatchesReference()
    {
        QFETCH(QSize, size);
        QFETCH(int, levels);
        const int width = size.width(), height = size.height();
        MotionWorkerPool pool;
        pool.setWorkerCount(2);
        const RieszPyramid pyramid(levels, pool);
        QCOMPARE(pyramid.levelCount(), std::max(levels, 1));
        const FloatPlane lum = randomPlane(width, height, 21, 0.0f, 255.0f);

        std::vector<FloatPlane> bands, expectedBands;
        FloatPlane residual, expectedResidual;
        PyramidScratch scratch;
        // Twice through the same scratch and outputs: reused storage must not leak into results.
        for (int pass = 0; pass < 2; ++pass)
            pyramid.decompose(lum, bands, residual, &scratch);
        reference::decompose(lum, pyramid.levelCount(), expectedBands, expectedResidual);
        QCOMPARE(bands.size(), expectedBands.size());
        for (std::size_t l = 0; l < bands.size(); ++l)
            QVERIFY2(maxRelativeDifference(bands[l], expectedBands[l], 255.0) < kTolerance,
                     qPrintable(QString::number(l)));
        QVERIFY(maxRelativeDifference(residual, expectedResidual) < kTolerance);

        FloatPlane rebuilt;
        pyramid.reconstruct(bands, residual, rebuilt, &scratch);
        QVERIFY(maxRelativeDifference(rebuilt, reference::reconstruct(bands, residual)) <
                kTolerance);
        // The band split is exactly invertible up to float rounding.
        QVERIFY(maxRelativeDifference(rebuilt, lum) < kTolerance);
    }

    // A luminance image (16-bit grey) moves like the same grey picture in 32 bits, up to the
    // 8-bit rounding of the latter, at the borders too.
    void greyShiftMatchesColourShift_data()
    {
        QTest::addColumn<QPointF>("offset");
        QTest::addColumn<QRect>("area");
        QTest::newRow("sub-pixel, whole") << QPointF(0.37, -0.81) << QRect(0, 0, 61, 37);
        QTest::newRow("beyond a pixel, whole") << QPointF(-2.6, 1.2) << QRect(0, 0, 61, 37);
        QTest::newRow("past the right edge, area") << QPointF(-5.5, 0.5) << QRect(40, 3, 21, 30);
        QTest::newRow("past the left edge, area") << QPointF(4.25, -3.75) << QRect(0, 10, 17, 27);
    }

    void greyShiftMatchesColourShift()
    {
        QFETCH(QPointF, offset);
        QFETCH(QRect, area);
        const FloatPlane values = randomPlane(61, 37, 5, 0.0f, 255.0f);
        QImage grey(61, 37, QImage::Format_Grayscale16);
        QImage colour(61, 37, QImage::Format_ARGB32);
        for (int y = 0; y < grey.height(); ++y)
            for (int x = 0; x < grey.width(); ++x) {
                const int level = int(values.at(x, y));
                reinterpret_cast<quint16*>(grey.scanLine(y))[x] = quint16(level * 256);
                colour.setPixel(x, y, qRgb(level, level, level));
            }
        MotionWorkerPool pool;
        pool.setWorkerCount(2);
        QImage movedGrey, movedColour;
        shiftImageArea(grey, offset, area, movedGrey, &pool);
        shiftImageArea(colour, offset, area, movedColour);
        QCOMPARE(movedGrey.format(), QImage::Format_Grayscale16);
        QCOMPARE(movedGrey.size(), area.size());
        for (int y = 0; y < area.height(); ++y)
            for (int x = 0; x < area.width(); ++x) {
                const double level =
                    reinterpret_cast<const quint16*>(movedGrey.constScanLine(y))[x] / 256.0;
                QVERIFY2(std::abs(level - qRed(movedColour.pixel(x, y))) <= 1.0,
                         qPrintable(QString("%1, %2").arg(x).arg(y)));
            }
    }
};

QTEST_GUILESS_MAIN(PlaneKernelsTest)
#include "tst_PlaneKernels.moc"
