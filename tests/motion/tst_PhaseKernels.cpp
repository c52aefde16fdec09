#include "MotionTestSupport.h"
#include "ReferenceKernels.h"
#include "motion/KernelSupport.h"
#include "motion/MotionWorkerPool.h"
#include "motion/PhaseKernels.h"

#include <QRandomGenerator>
#include <QTest>
#include <algorithm>
#include <cmath>

using namespace orvi::motion_core;
using namespace orvi::motion_core::testing;

// Relative tolerance for results that differ from the plain formula only in rounding (a few
// float ulps, scaled to the magnitude of the terms).
static constexpr double kTolerance = 2e-6;

namespace {

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

class PhaseKernelsTest : public QObject
{
    Q_OBJECT

private slots:
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
        QTest::newRow("large motion") << 0.5f;
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
        QVERIFY2(worst < kTolerance, qPrintable(QString::number(worst)));
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
        QTest::newRow("single column") << 1 << 9 << 2 << false;
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
            QVERIFY2(worst < kTolerance, qPrintable(QString::number(worst)));
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
};

QTEST_GUILESS_MAIN(PhaseKernelsTest)
#include "tst_PhaseKernels.moc"
