#include "motion/MotionWorkerPool.h"
#include "motion/TemporalBandpassFilter.h"

#include <QTest>
#include <cmath>
#include <limits>

using namespace orvi::motion_core;

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

} // namespace

class TemporalBandpassFilterTest : public QObject
{
    Q_OBJECT

private slots:
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

QTEST_GUILESS_MAIN(TemporalBandpassFilterTest)
#include "tst_TemporalBandpassFilter.moc"
