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
    void rieszMatchesReference_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("1x1") << 1 << 1;
        QTest::newRow("single row") << 9 << 1;
        QTest::newRow("odd") << 41 << 17;
    }

    void rieszMatchesReference()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        MotionWorkerPool pool;
        pool.setWorkerCount(2);
        const FloatPlane level = randomPlane(width, height, 3);
        FloatPlane r1, r2, e1, e2;
        rieszTransform(pool, level, r1, r2);
        reference::riesz(level, e1, e2);
        QVERIFY(identical(r1, e1));
        QVERIFY(identical(r2, e2));
        if (width == 1 && height == 1) {
            QCOMPARE(r1.samples[0], 0.0f);
            QCOMPARE(r2.samples[0], 0.0f);
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
        }
        QVERIFY2(worst < kTolerance, qPrintable(QString::number(worst)));
    }

    void degeneratePhaseProductGivesZero()
    {
        MotionWorkerPool pool;
        // Identical frames (the first frame after a reset) and a product below 1e-6.
        const PhaseFixture f(16, 8, 9, 0.0f);
        FloatPlane c, s, m;
        quaternionPhaseDifference(pool, f.i, f.r1, f.r2, f.pi, f.pr1, f.pr2, c, s, m);
        FloatPlane tiny(1, 1), tinyR(1, 1), zero(1, 1);
        tiny.samples[0] = 1e-4f;
        tinyR.samples[0] = 5e-4f;
        FloatPlane c1, s1, m1;
        quaternionPhaseDifference(pool, tiny, tinyR, zero, tiny, zero, zero, c1, s1, m1);
        for (const FloatPlane* plane : {&c, &s, &c1, &s1})
            QVERIFY(std::all_of(plane->samples.begin(), plane->samples.end(),
                                [](float v) { return v == 0.0f; }));
    }

    void denoiseMatchesReference_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<float>("amplitudeScale");
        QTest::newRow("1x1") << 1 << 1 << 1.0f;
        QTest::newRow("wide, several column blocks") << 1100 << 13 << 1.0f;
        QTest::newRow("amplitude near the floor") << 40 << 30 << 0.0002f;
        QTest::newRow("tall, split across workers") << 300 << 301 << 1.0f;
    }

    void denoiseMatchesReference()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(float, amplitudeScale);
        MotionWorkerPool pool;
        pool.setWorkerCount(8);
        FloatPlane a = randomPlane(width, height, 1, -2.0f, 2.0f);
        FloatPlane b = randomPlane(width, height, 2, -2.0f, 2.0f);
        const FloatPlane m = randomPlane(width, height, 3, 0.0f, amplitudeScale);
        FloatPlane ea = a, eb = b;
        DenoiseScratch scratch;
        denoisePhase(pool, a, b, m, &scratch);
        reference::denoise(ea, eb, m);
        QVERIFY(maxRelativeDifference(a, ea) < kTolerance);
        QVERIFY(maxRelativeDifference(b, eb) < kTolerance);
        // Where the blurred amplitude is at or below the floor the phase is exactly 0.
        int zeros = 0;
        for (std::size_t k = 0; k < ea.size(); ++k) {
            if (ea.samples[k] == 0.0f) {
                QCOMPARE(a.samples[k], 0.0f);
                ++zeros;
            }
        }
        if (amplitudeScale < 0.001f)
            QVERIFY(zeros > 0);

        FloatPlane wrong(width + 1, height);
        denoisePhase(pool, a, wrong, m);
        QVERIFY(a.isEmpty());
    }

    void shiftMatchesReference_data()
    {
        QTest::addColumn<float>("factor");
        QTest::newRow("factor 1 leaves the band") << 0.0f;
        QTest::newRow("factor 5") << 4.0f;
        QTest::newRow("factor 50, limited") << 49.0f;
    }

    void shiftMatchesReference()
    {
        QFETCH(float, factor);
        MotionWorkerPool pool;
        pool.setWorkerCount(2);
        const int w = 301, h = 7;
        const FloatPlane band = randomPlane(w, h, 1), r1 = randomPlane(w, h, 2),
                         r2 = randomPlane(w, h, 3);
        // Filtered phase spanning tiny to large values.
        FloatPlane fc = randomPlane(w, h, 4, -0.2f, 0.2f), fs = randomPlane(w, h, 5, -0.2f, 0.2f);
        for (std::size_t k = 0; k < fc.size(); k += 5) {
            fc.samples[k] *= 1e-7f;
            fs.samples[k] *= 1e-7f;
        }
        FloatPlane out;
        shiftPhase(pool, band, r1, r2, fc, fs, factor, out);
        double worst = 0.0;
        for (std::size_t k = 0; k < out.size(); ++k) {
            const float expected =
                reference::shiftSample(band.samples[k], r1.samples[k], r2.samples[k], fc.samples[k],
                                       fs.samples[k], factor);
            const double scale =
                std::abs(band.samples[k]) + std::abs(r1.samples[k]) + std::abs(r2.samples[k]);
            worst = std::max(worst, std::abs(out.samples[k] - expected) / scale);
        }
        QVERIFY2(worst < kTolerance, qPrintable(QString::number(worst)));
        if (factor == 0.0f)
            QVERIFY(identical(out, band));

        // In place gives the same samples.
        FloatPlane inPlace = band;
        shiftPhase(pool, inPlace, r1, r2, fc, fs, factor, inPlace);
        QVERIFY(identical(inPlace, out));
    }

    // The processor's fused passes form the Riesz components row by row and shift inside the
    // denoising; they must give the very floats of the separate kernels.
    void fusedPassesMatchSeparateKernels_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("workers");
        QTest::newRow("1x1") << 1 << 1 << 2;
        QTest::newRow("single row") << 9 << 1 << 2;
        QTest::newRow("single column") << 1 << 9 << 2;
        QTest::newRow("odd, inline") << 41 << 17 << 1;
        QTest::newRow("split across workers") << 640 << 203 << 3;
    }

    void fusedPassesMatchSeparateKernels()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, workers);
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

        for (float factor : {0.0f, 4.0f, 49.0f}) {
            const FloatPlane filteredCos = cos, filteredSin = sin;
            FloatPlane fused;
            denoiseAndShiftPhase(pool, filteredCos, filteredSin, amplitude, band, factor, fused);
            FloatPlane denoisedCos = cos, denoisedSin = sin, expected;
            denoisePhase(pool, denoisedCos, denoisedSin, amplitude);
            shiftPhase(pool, band, r1, r2, denoisedCos, denoisedSin, factor, expected);
            QVERIFY(identical(fused, expected));
        }
        FloatPlane aliased = band;
        denoiseAndShiftPhase(pool, cos, sin, amplitude, aliased, 4.0f, aliased);
        QVERIFY(aliased.isEmpty());
    }
};

QTEST_GUILESS_MAIN(PhaseKernelsTest)
#include "tst_PhaseKernels.moc"
