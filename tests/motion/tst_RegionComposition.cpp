#include "MotionTestSupport.h"
#include "ReferenceKernels.h"
#include "motion/FrameComposition.h"
#include "motion/MotionWorkerPool.h"
#include "motion/ProcessingRegion.h"

#include <QTest>

using namespace orvi::motion_core;
using namespace orvi::motion_core::testing;

class RegionCompositionTest : public QObject
{
    Q_OBJECT

private slots:
    void cropCoversRegionAlignedAndLargeEnough_data()
    {
        QTest::addColumn<QSize>("frame");
        QTest::addColumn<QRectF>("roi");
        QTest::addColumn<int>("levels");
        QTest::addColumn<QRect>("processing");
        // 3840 x 2160, L = 4: margin max(ceil(21.6), 16) = 22, context 48, minimum 256, step 16.
        // ROI (1728, 972, 384, 216) -> expanded (1706, 950, 428, 260) -> context
        // (1658, 902, 524, 356), already above the minimum; aligned outward to 16.
        QTest::newRow("10 % region in 4K")
            << QSize(3840, 2160) << QRectF(0.45, 0.45, 0.1, 0.1) << 4 << QRect(1648, 896, 544, 368);
        // A tiny region: the crop is the 256 px minimum, centred, aligned to 16.
        QTest::newRow("tiny region") << QSize(3840, 2160) << QRectF(0.5, 0.5, 0.001, 0.001) << 4
                                     << QRect(1792, 944, 272, 272);
        // Near the corner the crop is pushed inside the frame.
        QTest::newRow("corner region")
            << QSize(1920, 1080) << QRectF(0.0, 0.0, 0.02, 0.02) << 4 << QRect(0, 0, 256, 256);
        QTest::newRow("bottom-right region")
            << QSize(1000, 700) << QRectF(0.97, 0.97, 0.03, 0.03) << 4 << QRect(736, 432, 264, 268);
        // Frame height below the 128 px minimum of three levels: the crop takes the whole height.
        QTest::newRow("small frame")
            << QSize(200, 120) << QRectF(0.375, 0.375, 0.25, 0.25) << 3 << QRect(32, 0, 136, 120);
    }

    void cropCoversRegionAlignedAndLargeEnough()
    {
        QFETCH(QSize, frame);
        QFETCH(QRectF, roi);
        QFETCH(int, levels);
        QFETCH(QRect, processing);
        const double feather = featherWidth(frame);
        const ProcessingRegion plan = planRegion(frame, roi, true, levels, feather);
        QVERIFY(plan.optimizationActive);
        QCOMPARE(plan.processingRect, processing);
        const int step = 1 << levels, minimum = 32 << (levels - 1);
        const QRect p = plan.processingRect;
        QVERIFY(p.x() % step == 0 && p.y() % step == 0);
        QVERIFY(p.right() + 1 == frame.width() || (p.right() + 1) % step == 0);
        QVERIFY(p.width() >= std::min(minimum, frame.width()));
        QVERIFY(p.height() >= std::min(minimum, frame.height()));
        // The region, back in frame pixels, lies inside the crop, and the expanded region
        // contains it.
        const QRectF roiPixels(p.x() + plan.regionOfInterest.x() * p.width(),
                               p.y() + plan.regionOfInterest.y() * p.height(),
                               plan.regionOfInterest.width() * p.width(),
                               plan.regionOfInterest.height() * p.height());
        QVERIFY(QRectF(p).contains(roiPixels));
        QVERIFY(plan.expandedRegion.contains(plan.regionOfInterest));
        QVERIFY(roiPixels.left() <= roi.left() * frame.width() + 1e-9);
        QVERIFY(roiPixels.right() >= roi.right() * frame.width() - 1e-9);
    }

    void regionWeightMatchesFormula()
    {
        const QRectF r(0.25, 0.2, 0.5, 0.6);
        for (double feather : {0.0, 3.0, 40.0})
            for (int y = 0; y < 20; ++y)
                for (int x = 0; x < 32; ++x)
                    QCOMPARE(regionWeight(x, y, 32, 20, r, feather),
                             reference::regionWeight(x, y, 32, 20, r, feather));
        QCOMPARE(regionWeight(0, 0, 10, 10, QRectF(0, 0, 1, 1), 5.0), 1.0f);
    }

    void compositionMatchesReference_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<QRectF>("roi");
        QTest::addColumn<QRectF>("expanded");
        QTest::addColumn<double>("k");
        QTest::newRow("whole frame")
            << int(QImage::Format_RGBA8888) << QRectF(0, 0, 1, 1) << QRectF(0, 0, 1, 1) << 0.0;
        QTest::newRow("feathered region")
            << int(QImage::Format_RGBA8888) << QRectF(0.2, 0.3, 0.5, 0.4)
            << QRectF(0.2, 0.3, 0.5, 0.4) << 0.0;
        QTest::newRow("expanded blend") << int(QImage::Format_ARGB32) << QRectF(0.3, 0.3, 0.3, 0.3)
                                        << QRectF(0.1, 0.1, 0.7, 0.7) << 0.45;
        QTest::newRow("other format") << int(QImage::Format_RGB888) << QRectF(0.1, 0.1, 0.8, 0.5)
                                      << QRectF(0.0, 0.0, 0.9, 0.9) << 0.3;
    }

    void compositionMatchesReference()
    {
        QFETCH(int, format);
        QFETCH(QRectF, roi);
        QFETCH(QRectF, expanded);
        QFETCH(double, k);
        MotionWorkerPool pool;
        pool.setWorkerCount(2);
        const int w = 97, h = 61;
        const QImage image = randomImage(w, h, 4, QImage::Format(format));
        const FloatPlane before = randomPlane(w, h, 5, 0.0f, 255.0f);
        FloatPlane after = before;
        const FloatPlane change = randomPlane(w, h, 6, -30.0f, 30.0f);
        for (std::size_t i = 0; i < after.size(); ++i)
            after.samples[i] += change.samples[i];
        const QImage result =
            composeLuminanceChange(pool, image, before, after, roi, expanded, k, 4.0);
        QCOMPARE(result.format(), QImage::Format_ARGB32);
        QCOMPARE(result, reference::compose(image, before, after, roi, expanded, k, 4.0));
    }

    // Pasting replaces pixels (a translucent crop is not blended), serially and on the pool.
    void pasteReplacesPixels_data()
    {
        QTest::addColumn<QImage::Format>("format");
        for (const QImage::Format format :
             {QImage::Format_RGBA8888, QImage::Format_RGB32, QImage::Format_RGB888})
            QTest::addRow("format %d", int(format)) << format;
    }

    void pasteReplacesPixels()
    {
        QFETCH(QImage::Format, format);
        MotionWorkerPool pool;
        pool.setWorkerCount(2);
        const QImage full = randomImage(300, 250, 1, format);
        const QImage crop = randomImage(64, 48, 2, QImage::Format_ARGB32);
        for (const QPoint at : {QPoint(0, 0), QPoint(236, 202), QPoint(100, 37)}) {
            QImage expected = full.convertToFormat(QImage::Format_ARGB32);
            for (int y = 0; y < crop.height(); ++y)
                for (int x = 0; x < crop.width(); ++x)
                    expected.setPixel(at.x() + x, at.y() + y, crop.pixel(x, y));
            QCOMPARE(pasteRegion(full, crop, at), expected);
            QCOMPARE(pasteRegion(pool, full, crop, at), expected);
        }
        QCOMPARE(pasteRegion(pool, full, crop, QPoint(237, 0)), full);
        QCOMPARE(pasteRegion(full, crop, QPoint(-1, 0)), full);
        QCOMPARE(pasteRegion(full, QImage(), QPoint(0, 0)), full);
    }
};

QTEST_GUILESS_MAIN(RegionCompositionTest)
#include "tst_RegionComposition.moc"
