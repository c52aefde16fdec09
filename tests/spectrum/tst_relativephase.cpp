#include "SpectrumTestSignals.h"
#include "spectrum/RelativePhase.h"

#include <QtTest>
#include <cmath>
#include <numbers>

using namespace orvi;
using namespace orvi::spectrum;
using orvi::spectrum::testing::sum;
using orvi::spectrum::testing::tone;
using project_data::GridSite;

namespace {

constexpr double kRate = 100.0;

GridSite site(std::vector<float> x, std::vector<float> y, int start = 0, int length = -1)
{
    GridSite s;
    s.textured = true;
    s.accepted = true;
    s.segmentStart = start;
    s.segmentLength = length < 0 ? int(x.size()) - start : length;
    s.phaseSeriesX = std::move(x);
    s.phaseSeriesY = std::move(y);
    s.cellRect = QRectF(0.1, 0.2, 0.3, 0.4);
    s.sampleX = 0.25;
    return s;
}

// A motion component at f Hz with the given phase in degrees, plus faint noise.
std::vector<float> motion(int n, double f, double phaseDegrees, quint32 seed = 1,
                          double amplitude = 0.2)
{
    return tone(n, f / kRate, amplitude, phaseDegrees * std::numbers::pi / 180.0, 0.005, seed);
}

std::vector<float> quiet(int n, quint32 seed)
{
    return tone(n, 0.0, 0.0, 0.0, 0.005, seed);
}

} // namespace

class RelativePhaseTest : public QObject
{
    Q_OBJECT

private slots:
    void fitRecoversAmplitudeAndPhase();
    void fitFailures_data();
    void fitFailures();
    void leadingPointIsPositive();
    void reasonCodes();
    void referenceChecksMarkEveryPoint_data();
    void referenceChecksMarkEveryPoint();
    void tooManyPointsOrCancellationGiveNothing();

private:
    void checkLead(int axis, double lead);
};

void RelativePhaseTest::fitRecoversAmplitudeAndPhase()
{
    // Offset, trend and 0.7 cos(w i + 40 deg): the phasor is 0.7 e^(i 40 deg).
    const double omega = 2.0 * std::numbers::pi * 0.03;
    std::vector<float> x(500);
    for (int i = 0; i < 500; ++i)
        x[size_t(i)] =
            float(3.0 + 0.01 * i + 0.7 * std::cos(omega * i + 40.0 * std::numbers::pi / 180));
    std::vector<float> padded(20, 99.0f); // the fit starts at its own first sample
    padded.insert(padded.end(), x.begin(), x.end());
    const SinusoidFit fit = fitSinusoid(padded, 20, 500, omega);
    QVERIFY(fit.ok);
    QVERIFY(std::abs(std::hypot(fit.phasorRe, fit.phasorIm) - 0.7) < 1e-4);
    QVERIFY(std::abs(std::atan2(fit.phasorIm, fit.phasorRe) * 180 / std::numbers::pi - 40.0) <
            0.01);
    QVERIFY(fit.fraction > 0.9999 && fit.fraction <= 1.0);
}

void RelativePhaseTest::fitFailures_data()
{
    QTest::addColumn<std::vector<float>>("series");
    QTest::addColumn<double>("omega");
    QTest::addColumn<bool>("zeroFraction");
    std::vector<float> withNan = tone(300, 0.05, 1.0);
    withNan[100] = std::numeric_limits<float>::quiet_NaN();
    QTest::newRow("non-finite sample") << withNan << 0.1 * std::numbers::pi << true;
    std::vector<float> line(300);
    for (size_t i = 0; i < line.size(); ++i)
        line[i] = 2.0f + 0.5f * float(i);
    QTest::newRow("a straight line has no energy") << line << 0.1 * std::numbers::pi << true;
    // At omega 0 the cosine column equals the constant: singular normal equations.
    QTest::newRow("singular basis") << tone(300, 0.05, 1.0) << 0.0 << true;
    QTest::newRow("pure noise explains little")
        << tone(300, 0.0, 0.0, 0.0, 1.0, 9) << 2.0 * std::numbers::pi * 0.05 << false;
    QTest::newRow("amplitude below 1e-6") << sum(tone(300, 0.05, 1e-7), tone(300, 0.2, 1.0))
                                          << 2.0 * std::numbers::pi * 0.05 << false;
}

void RelativePhaseTest::fitFailures()
{
    QFETCH(std::vector<float>, series);
    QFETCH(double, omega);
    QFETCH(bool, zeroFraction);
    const SinusoidFit fit = fitSinusoid(series, 0, int(series.size()), omega);
    QVERIFY(!fit.ok);
    if (zeroFraction)
        QCOMPARE(fit.fraction, 0.0);
    else
        QVERIFY(fit.fraction < 0.3);
}

// On X the site leads by 90 degrees, on Y by 135.
void RelativePhaseTest::leadingPointIsPositive()
{
    for (const auto& [axis, lead] : {std::pair{0, 90.0}, {1, 135.0}})
        checkLead(axis, lead);
}

void RelativePhaseTest::checkLead(int axis, double lead)
{
    const int n = 1000;
    const double f = 7.0;
    // The other component carries an unrelated phase, so the axis choice matters.
    const std::vector<float> referenceMotion = motion(n, f, 10.0, 1);
    const std::vector<float> siteMotion = motion(n, f, 10.0 + lead, 2);
    const std::vector<float> decoy = motion(n, f, -170.0, 3);
    std::vector<GridSite> sites;
    if (axis == 0) {
        sites = {site(referenceMotion, decoy), site(siteMotion, decoy)};
    } else {
        sites = {site(decoy, referenceMotion), site(decoy, siteMotion)};
    }
    const auto samples = computeRelativePhase(sites, 0, axis, kRate, f, {});
    QCOMPARE(int(samples.size()), 2);
    QVERIFY(samples[0].valid);
    QCOMPARE(samples[0].phaseDegrees, 0.0); // the reference against itself
    QVERIFY(samples[1].valid);
    QCOMPARE(samples[1].reason, 0);
    QVERIFY2(std::abs(samples[1].phaseDegrees - lead) < 1.0,
             qPrintable(QString::number(samples[1].phaseDegrees)));
    QVERIFY(samples[1].quality > 0.9 && samples[1].quality <= 1.0);
}

void RelativePhaseTest::reasonCodes()
{
    const int n = 2000;
    const double f = 5.0;
    const std::vector<float> ref = motion(n, f, 0.0, 1);
    // Turns by 45 degrees between the first and the second half of the common interval.
    std::vector<float> drifting = motion(n, f, 30.0, 4);
    const std::vector<float> later = motion(n, f, 75.0, 5);
    std::copy(later.begin() + n / 2, later.end(), drifting.begin() + n / 2);

    GridSite rejected = site(ref, quiet(n, 6));
    rejected.accepted = false;
    std::vector<float> gap = motion(n, f, 20.0, 7);
    const std::vector<GridSite> sites = {
        site(ref, quiet(n, 2)),
        site(motion(n, f, 50.0, 3), quiet(n, 3), 1000, 1000), // overlap 1000: fine
        site(motion(n, f, 50.0, 3), quiet(n, 3), 1900, 100),  // overlap 100: too short
        site(tone(n, 0.0, 0.0, 0.0, 0.3, 8), quiet(n, 8)),    // noise: weak fit
        site(drifting, quiet(n, 9)),                          // drift of 45 degrees
        rejected,
        site(gap, quiet(n, 10), 0, 63), // a segment below 64 samples is not usable
    };
    const auto samples = computeRelativePhase(sites, 0, 0, kRate, f, {});
    QCOMPARE(int(samples.size()), int(sites.size()));
    QCOMPARE(samples[1].reason, 0);
    QCOMPARE(samples[1].intervalStart, 1000);
    QCOMPARE(samples[1].intervalLength, 1000);
    QVERIFY(std::abs(samples[1].phaseDegrees - 50.0) < 1.0);
    QCOMPARE(samples[2].reason, 2);
    QCOMPARE(samples[2].intervalLength, 100);
    QCOMPARE(samples[3].reason, 3);
    QVERIFY(samples[3].quality < 0.3);
    QCOMPARE(samples[4].reason, 4);
    QVERIFY(!samples[4].valid);
    QCOMPARE(samples[5].reason, 1);
    QCOMPARE(samples[6].reason, 1);

    // Segments that do not overlap at all: the common length is negative, reason 2.
    const std::vector<GridSite> apart = {site(ref, quiet(n, 2), 0, 900),
                                         site(ref, quiet(n, 2), 1000, 1000)};
    const auto separated = computeRelativePhase(apart, 0, 0, kRate, f, {});
    QCOMPARE(separated[1].reason, 2);
    QVERIFY(separated[1].intervalLength <= 0);
}

void RelativePhaseTest::referenceChecksMarkEveryPoint_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<double>("frequency");
    QTest::addColumn<int>("reference");
    QTest::addColumn<int>("reason");
    QTest::newRow("frequency at half the rate") << 1000 << kRate / 2 << 0 << 1;
    // f = r / 100: 256 samples give halves of 1.28 periods; 1000 samples give 5.
    QTest::newRow("1.28 periods per half") << 256 << 1.0 << 0 << 2;
    QTest::newRow("5 periods per half") << 1000 << 1.0 << 0 << 0;
    QTest::newRow("reference without energy") << 1000 << 1.0 << 1 << 3;
}

void RelativePhaseTest::referenceChecksMarkEveryPoint()
{
    QFETCH(int, length);
    QFETCH(double, frequency);
    QFETCH(int, reference);
    QFETCH(int, reason);
    std::vector<float> flat(size_t(length), 0.0f);
    const std::vector<GridSite> sites = {site(motion(length, 1.0, 0.0), quiet(length, 2)),
                                         site(flat, flat)};
    const auto samples = computeRelativePhase(sites, reference, 0, kRate, frequency, {});
    QCOMPARE(int(samples.size()), 2);
    if (reason == 0) {
        QCOMPARE(samples[0].reason, 0); // the flat site fails on its own, not the reference
        QCOMPARE(samples[1].reason, 3);
        return;
    }
    for (const auto& sample : samples) {
        QCOMPARE(sample.reason, reason);
        QVERIFY(!sample.valid);
    }
}

void RelativePhaseTest::tooManyPointsOrCancellationGiveNothing()
{
    const std::vector<float> ref = motion(1000, 5.0, 0.0);
    QVERIFY(computeRelativePhase(std::vector<GridSite>(2049, site(ref, ref)), 0, 0, kRate, 5.0, {})
                .empty());
    QCOMPARE(computeRelativePhase(std::vector<GridSite>(2048), 0, 0, kRate, 5.0, {}).size(),
             size_t(2048));
    int polls = 0;
    const auto cancelAfterReference = [&polls] { return ++polls > 4; };
    QVERIFY(computeRelativePhase({site(ref, ref), site(ref, ref)}, 0, 0, kRate, 5.0,
                                 cancelAfterReference)
                .empty());
    QVERIFY(polls > 4);
}

QTEST_GUILESS_MAIN(RelativePhaseTest)
#include "tst_relativephase.moc"
