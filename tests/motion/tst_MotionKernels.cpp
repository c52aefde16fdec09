#include "MotionTestSupport.h"
#include "ReferenceKernels.h"
#include "motion/FrameComposition.h"
#include "motion/ImageShift.h"
#include "motion/KernelSupport.h"
#include "motion/MotionWorkerPool.h"
#include "motion/PhaseKernels.h"
#include "motion/PlaneKernels.h"
#include "motion/ProcessingRegion.h"
#include "motion/RieszPyramid.h"
#include "motion/TemporalBandpassFilter.h"

#include <QRandomGenerator>
#include <QTest>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <stdexcept>

using namespace orvi::motion_core;
using namespace orvi::motion_core::testing;

// Float rounding of a few chained operations on samples of magnitude ~100.
static constexpr double kTolerance = 1e-5;
// Relative tolerance for phase results that differ from the plain formula only in rounding (a
// few float ulps, scaled to the magnitude of the terms).
static constexpr double kPhaseTolerance = 2e-6;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::vector<FloatPlane> levels(std::initializer_list<QSize> sizes, float value = 0.0f)
{
    std::vector<FloatPlane> out;
    for (const QSize& s : sizes) {
        out.emplace_back(s.width(), s.height());
        std::fill(out.back().samples.begin(), out.back().samples.end(), value);
    }
    return out;
}

// Peak output of a unit cosine at `frequency` (0: a constant) after the filter has settled.
double steadyGain(double fs, double fl, double fh, double frequency)
{
    MotionWorkerPool pool;
    TemporalBandpassFilter filter;
    filter.configure(fs, fl, fh);
    std::vector<FloatPlane> in = levels({QSize(1, 1)}), out;
    const int settle = int(TemporalBandpassFilter::recommendedMinimumFrameCount(fs, fl, fh));
    double peak = 0.0;
    const int periods = frequency > 0.0 ? int(4 * fs / frequency) : int(fs);
    for (int n = 0; n < settle + periods; ++n) {
        in[0].samples[0] = float(std::cos(2.0 * M_PI * frequency * n / fs));
        filter.process(in, &out, pool);
        if (n >= settle)
            peak = std::max(peak, double(std::abs(out[0].samples[0])));
    }
    return peak;
}

struct PhaseFixture
{
    FloatPlane i, r1, r2, pi, pr1, pr2;

    // A previous frame and a current frame that differs from it by `change` (relative).
    PhaseFixture(int w, int h, quint32 seed, float change)
    {
        pi = randomPlane(w, h, seed, -40.0f, 40.0f);
        pr1 = randomPlane(w, h, seed + 1, -20.0f, 20.0f);
        pr2 = randomPlane(w, h, seed + 2, -20.0f, 20.0f);
        i = pi;
        r1 = pr1;
        r2 = pr2;
        const FloatPlane noise = randomPlane(w, h, seed + 3, -1.0f, 1.0f);
        for (std::size_t k = 0; k < i.size(); ++k) {
            i.samples[k] += change * 40.0f * noise.samples[k];
            r1.samples[k] -= change * 20.0f * noise.samples[(k * 7) % i.size()];
            r2.samples[k] += change * 20.0f * noise.samples[(k * 13) % i.size()];
        }
    }
};

} // namespace

// The plane, phase, composition and temporal filter kernels of the motion core and its region
// plan, against plain reference formulas.
class MotionKernelsTest : public QObject
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
    void rieszMatchesReference()
    {
        MotionWorkerPool pool;
        pool.setWorkerCount(2);
        // 1 x 1 (whose transform is zero), a single row, odd sizes.
        for (const QSize size : {QSize(1, 1), {9, 1}, {41, 17}}) {
            const FloatPlane level = randomPlane(size.width(), size.height(), 3);
            FloatPlane r1, r2, e1, e2;
            rieszTransform(pool, level, r1, r2);
            reference::riesz(level, e1, e2);
            QVERIFY2(identical(r1, e1) && identical(r2, e2),
                     qPrintable(QString::number(size.width())));
        }
    }

    void angleApproximationStaysWithinRounding()
    {
        // Every octant, tiny and huge ratios, both signs of x.
        QRandomGenerator random(5);
        double worst = 0.0;
        for (int n = 0; n < 200000; ++n) {
            const float y =
                float(std::ldexp(random.generateDouble(), int(random.bounded(-30, 30))));
            float x = float(std::ldexp(random.generateDouble(), int(random.bounded(-30, 30))));
            if (n % 2)
                x = -x;
            const double exact = std::atan2(double(y), double(x));
            const double error =
                std::abs(double(detail::atan2NonNegative(y, x)) - exact) / std::max(exact, 1e-30);
            worst = std::max(worst, error);
        }
        QVERIFY2(worst < 4.0 * 5.96e-8, qPrintable(QString::number(worst)));
        QCOMPARE(detail::atan2NonNegative(0.0f, 0.0f), 0.0f);
        QCOMPARE(detail::atan2NonNegative(1.0f, 0.0f), float(M_PI / 2));
    }

    void phaseDifferenceMatchesReference_data()
    {
        QTest::addColumn<float>("change");
        // Identical frames: the first frame after a reset.
        QTest::newRow("identical frames") << 0.0f;
        QTest::newRow("small motion") << 0.01f;
        QTest::newRow("unrelated frames") << 50.0f;
    }

    void phaseDifferenceMatchesReference()
    {
        QFETCH(float, change);
        MotionWorkerPool pool;
        pool.setWorkerCount(2);
        const PhaseFixture f(97, 31, 7, change);
        FloatPlane c, s, m;
        quaternionPhaseDifference(pool, f.i, f.r1, f.r2, f.pi, f.pr1, f.pr2, c, s, m);
        QCOMPARE(c.width, 97);
        double worst = 0.0;
        for (std::size_t k = 0; k < c.size(); ++k) {
            float ec, es, em;
            reference::phaseDifference(f.i.samples[k], f.r1.samples[k], f.r2.samples[k],
                                       f.pi.samples[k], f.pr1.samples[k], f.pr2.samples[k], ec, es,
                                       em);
            // Scale: the phase magnitude (the parts are phi times a unit vector).
            const double phi = std::hypot(double(ec), double(es)) + 1e-3;
            worst = std::max(
                {worst, std::abs(c.samples[k] - ec) / phi, std::abs(s.samples[k] - es) / phi});
            QCOMPARE(m.samples[k], em); // same square roots of the same sum
            if (change == 0.0f)
                QVERIFY(c.samples[k] == 0.0f && s.samples[k] == 0.0f);
        }
        QVERIFY2(worst < kPhaseTolerance, qPrintable(QString::number(worst)));
        // A product below 1e-6 has no orientation: no phase either.
        FloatPlane tiny(1, 1), tinyR(1, 1), zero(1, 1);
        tiny.samples[0] = 1e-4f;
        tinyR.samples[0] = 5e-4f;
        quaternionPhaseDifference(pool, tiny, tinyR, zero, tiny, zero, zero, c, s, m);
        QVERIFY(c.samples[0] == 0.0f && s.samples[0] == 0.0f);
    }

    // The processor's fused passes form the Riesz components row by row and shift inside the
    // denoising: against the plain formulas, and the separate accumulation to the very float.
    void fusedPassesMatchReference_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("workers");
        QTest::addColumn<bool>("nearFloor"); // amplitudes around the denoising floor
        QTest::newRow("1x1") << 1 << 1 << 2 << false;
        QTest::newRow("single row") << 9 << 1 << 2 << false;
        QTest::newRow("odd, inline") << 41 << 17 << 1 << false;
        QTest::newRow("amplitude near the floor") << 40 << 30 << 2 << true;
        QTest::newRow("wide, several column blocks") << 1100 << 13 << 8 << false;
        QTest::newRow("split across workers") << 640 << 203 << 3 << false;
    }

    void fusedPassesMatchReference()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, workers);
        QFETCH(bool, nearFloor);
        MotionWorkerPool pool;
        pool.setWorkerCount(workers);
        const FloatPlane band = randomPlane(width, height, 11, -40.0f, 40.0f);
        FloatPlane previous = band;
        const FloatPlane noise = randomPlane(width, height, 12, -4.0f, 4.0f);
        for (std::size_t k = 0; k < previous.size(); ++k)
            previous.samples[k] += noise.samples[k];

        FloatPlane r1, r2, pr1, pr2, amplitude, fusedAmplitude;
        rieszTransform(pool, band, r1, r2);
        rieszTransform(pool, previous, pr1, pr2);
        FloatPlane cos = randomPlane(width, height, 13, -1.0f, 1.0f);
        FloatPlane sin = randomPlane(width, height, 14, -1.0f, 1.0f);
        FloatPlane fusedCos = cos, fusedSin = sin;
        QVERIFY(accumulatePhase(pool, band, r1, r2, previous, pr1, pr2, cos, sin, amplitude));
        QVERIFY(accumulatePhase(pool, band, previous, fusedCos, fusedSin, fusedAmplitude));
        QVERIFY(identical(fusedCos, cos));
        QVERIFY(identical(fusedSin, sin));
        QVERIFY(identical(fusedAmplitude, amplitude));
        if (nearFloor)
            amplitude = randomPlane(width, height, 3, 0.0f, 0.0002f);

        FloatPlane expectedCos = cos, expectedSin = sin, er1, er2;
        reference::denoise(expectedCos, expectedSin, amplitude);
        reference::riesz(band, er1, er2);
        int zeros = 0;
        for (float factor : {0.0f, 4.0f, 49.0f}) {
            FloatPlane out;
            denoiseAndShiftPhase(pool, cos, sin, amplitude, band, factor, out);
            QCOMPARE(out.size(), band.size());
            double worst = 0.0;
            for (std::size_t k = 0; k < out.size(); ++k) {
                const float expected =
                    reference::shiftSample(band.samples[k], er1.samples[k], er2.samples[k],
                                           expectedCos.samples[k], expectedSin.samples[k], factor);
                const double scale = std::abs(band.samples[k]) + std::abs(er1.samples[k]) +
                                     std::abs(er2.samples[k]) + 1e-3;
                worst = std::max(worst, std::abs(out.samples[k] - expected) / scale);
                // Where the blurred amplitude is at or below the floor the phase is exactly 0.
                if (expectedCos.samples[k] == 0.0f && expectedSin.samples[k] == 0.0f) {
                    QCOMPARE(out.samples[k], band.samples[k]);
                    ++zeros;
                }
            }
            QVERIFY2(worst < kPhaseTolerance, qPrintable(QString::number(worst)));
            if (factor == 0.0f)
                QVERIFY(identical(out, band));
        }
        if (nearFloor)
            QVERIFY(zeros > 0);
        FloatPlane aliased = band, wrong(width + 1, height);
        denoiseAndShiftPhase(pool, cos, sin, amplitude, aliased, 4.0f, aliased);
        QVERIFY(aliased.isEmpty());
        FloatPlane out;
        denoiseAndShiftPhase(pool, cos, wrong, amplitude, band, 4.0f, out);
        QVERIFY(out.isEmpty());
    }

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

    // The temporal band-pass filter: its design, its recursion and its response.
    void invalidParameters_data()
    {
        QTest::addColumn<double>("fs");
        QTest::addColumn<double>("fl");
        QTest::addColumn<double>("fh");
        QTest::newRow("upper at Nyquist") << 100.0 << 10.0 << 50.0;
        QTest::newRow("lower equals upper") << 100.0 << 20.0 << 20.0;
        QTest::newRow("lower at 0") << 100.0 << 0.0 << 20.0;
        QTest::newRow("NaN rate") << kNaN << 1.0 << 2.0;
        QTest::newRow("NaN upper") << 100.0 << 1.0 << kNaN;
    }

    void invalidParameters()
    {
        QFETCH(double, fs);
        QFETCH(double, fl);
        QFETCH(double, fh);
        TemporalBandpassFilter filter;
        QVERIFY(filter.configure(100.0, 10.0, 20.0));
        QString error;
        QVERIFY(!filter.configure(fs, fl, fh, &error));
        QCOMPARE(error, QStringLiteral("The temporal band-pass filter parameters are invalid."));
        QVERIFY(!filter.isConfigured());
        QCOMPARE(TemporalBandpassFilter::recommendedMinimumFrameCount(fs, fl, fh), 0);
    }

    // 100 fps at 10..20 Hz (the two-second floor) and 240 fps at 1..2 Hz.
    void designExamples()
    {
        struct Case
        {
            double fs, fl, fh, radius;
            qint64 settling, count;
        };
        for (const Case& c : {Case{100.0, 10.0, 20.0, 0.7138, 14, 200},
                              Case{240.0, 1.0, 2.0, 0.98699, 352, 1552}}) {
            QVERIFY(std::abs(TemporalBandpassFilter::poleRadius(c.fs, c.fl, c.fh) - c.radius) <
                    5e-5);
            QCOMPARE(TemporalBandpassFilter::settlingFrameCount(c.fs, c.fl, c.fh), c.settling);
            QCOMPARE(TemporalBandpassFilter::recommendedMinimumFrameCount(c.fs, c.fl, c.fh),
                     c.count);
        }
    }

    void matchesPlainRecursion()
    {
        // Transposed direct form II in single precision, one sample at a time, against the
        // split-up version over several levels and workers.
        MotionWorkerPool pool;
        pool.setWorkerCount(4);
        TemporalBandpassFilter filter;
        QVERIFY(filter.configure(240.0, 9.0, 14.0));
        const TemporalBandpassFilter::Coefficients d = filter.coefficients();
        const float b0 = float(d.b0), b1 = float(d.b1), b2 = float(d.b2), a1 = float(d.a1),
                    a2 = float(d.a2);
        std::vector<FloatPlane> in = levels({QSize(300, 120), QSize(150, 60), QSize(1, 1)}), out;
        std::vector<std::vector<float>> s1, s2;
        for (const FloatPlane& level : in) {
            s1.emplace_back(level.size(), 0.0f);
            s2.emplace_back(level.size(), 0.0f);
        }
        quint32 seed = 1;
        for (int frame = 0; frame < 20; ++frame) {
            for (FloatPlane& level : in)
                for (float& v : level.samples) {
                    seed = seed * 1664525u + 1013904223u;
                    v = float(seed >> 8) / float(1 << 24) - 0.5f;
                }
            QVERIFY(filter.process(in, &out, pool));
            for (std::size_t l = 0; l < in.size(); ++l)
                for (std::size_t i = 0; i < in[l].size(); ++i) {
                    const float x = in[l].samples[i];
                    const float y = b0 * x + s1[l][i];
                    s1[l][i] = b1 * x + s2[l][i] - a1 * y;
                    s2[l][i] = b2 * x - a2 * y;
                    QCOMPARE(out[l].samples[i], y);
                }
        }
    }

    void passesCentreAndHalvesPowerAtEdges()
    {
        const double fs = 240.0, fl = 10.0, fh = 14.0;
        const double k1 = std::tan(M_PI * fl / fs), k2 = std::tan(M_PI * fh / fs);
        const double centre = fs / M_PI * std::atan(std::sqrt(k1 * k2));
        QVERIFY(std::abs(steadyGain(fs, fl, fh, centre) - 1.0) < 2e-3);
        QVERIFY(std::abs(steadyGain(fs, fl, fh, fl) - M_SQRT1_2) < 5e-3);
        QVERIFY(std::abs(steadyGain(fs, fl, fh, fh) - M_SQRT1_2) < 5e-3);
        QVERIFY(steadyGain(fs, fl, fh, 40.0) < 0.15);
        QVERIFY(steadyGain(fs, fl, fh, 0.0) < 1e-3);
    }

    void reconfigureStartsAfresh()
    {
        // A filter configured again after it has processed frames starts from an empty state of
        // the new shape instead of failing its next frame.
        MotionWorkerPool pool;
        TemporalBandpassFilter filter, fresh;
        QVERIFY(filter.configure(100.0, 10.0, 20.0));
        std::vector<FloatPlane> out, expected;
        QVERIFY(filter.process(levels({QSize(8, 8), QSize(4, 4)}, 3.0f), &out, pool));
        QVERIFY(filter.configure(240.0, 9.0, 14.0));
        QVERIFY(!filter.isStateReady());
        QString error;
        const std::vector<FloatPlane> next = levels({QSize(6, 5)}, 2.0f);
        QVERIFY2(filter.process(next, &out, pool, &error), qPrintable(error));
        QVERIFY(fresh.configure(240.0, 9.0, 14.0));
        QVERIFY(fresh.process(next, &expected, pool));
        QCOMPARE(out[0].samples, expected[0].samples);
    }

    void widening_data()
    {
        QTest::addColumn<double>("fl");
        QTest::addColumn<double>("fh");
        QTest::addColumn<qint64>("frames");
        QTest::addColumn<bool>("fits");
        QTest::newRow("already fits") << 10.0 << 14.0 << qint64(1000) << true;
        // A narrow band settles slowly; widening shortens the settling.
        QTest::newRow("widened") << 20.0 << 20.2 << qint64(1000) << true;
        QTest::newRow("shorter than two seconds") << 20.0 << 20.2 << qint64(400) << false;
        QTest::newRow("four times is not enough") << 20.0 << 20.02 << qint64(500) << false;
    }

    void widening()
    {
        QFETCH(double, fl);
        QFETCH(double, fh);
        QFETCH(qint64, frames);
        QFETCH(bool, fits);
        const double fs = 240.0;
        double low = fl, high = fh;
        QCOMPARE(TemporalBandpassFilter::widenBandToFit(fs, &low, &high, frames), fits);
        if (!fits) {
            QCOMPARE(low, fl);
            QCOMPARE(high, fh);
            return;
        }
        const qint64 n = TemporalBandpassFilter::recommendedMinimumFrameCount(fs, low, high);
        QVERIFY(n >= 1 && n <= frames);
        QVERIFY(std::abs((low + high) / 2.0 - (fl + fh) / 2.0) < 1e-9);
        QVERIFY((high - low) <= 4.0 * (fh - fl) + 1e-9);
        QVERIFY(low > 0.0 && high < fs / 2.0);
        if (TemporalBandpassFilter::recommendedMinimumFrameCount(fs, fl, fh) > frames) {
            // Close to the narrowest band that fits.
            QVERIFY(TemporalBandpassFilter::recommendedMinimumFrameCount(fs, low + 1e-6,
                                                                         high - 1e-6) > frames ||
                    n == frames);
        }
    }
};

QTEST_GUILESS_MAIN(MotionKernelsTest)
#include "tst_MotionKernels.moc"
