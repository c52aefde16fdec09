#include "SpectrumTestSignals.h"
#include "spectrum/SpectrumViews.h"

#include <QtTest>
#include <cmath>
#include <limits>

using namespace orvi;
using namespace orvi::spectrum;
using orvi::spectrum::testing::tone;

namespace {

const float kNan = std::numeric_limits<float>::quiet_NaN();

// A signal whose spectrum is flat at `floor` with the given bins raised.
project_data::AcceptedSignal flatSignal(double floor, std::vector<std::pair<int, double>> raised)
{
    project_data::AcceptedSignal signal;
    signal.powerSpectrum.assign(64, floor);
    signal.powerSpectrum[0] = 0.0;
    for (const auto& [bin, value] : raised)
        signal.powerSpectrum[size_t(bin)] = value;
    signal.localBackground = floor;
    return signal;
}

project_data::GridSite acceptedSite(std::vector<float> x, std::vector<float> y, int start,
                                    int length)
{
    project_data::GridSite site;
    site.textured = true;
    site.accepted = true;
    site.phaseSeriesX = std::move(x);
    site.phaseSeriesY = std::move(y);
    site.segmentStart = start;
    site.segmentLength = length;
    site.sampleX = 0.25;
    site.sampleY = 0.75;
    return site;
}

} // namespace

class SpectrumViewsTest : public QObject
{
    Q_OBJECT

private slots:
    void bandMapNormalisesToTheStrongestPoint();
    void bandMapNeedsPowerAboveFourTimesTheBackground();
    void bandMapRefusesBadBands_data();
    void bandMapRefusesBadBands();
    void localSpectrumOnlyForUsableSegments();
    void traceWindowBuckets_data();
    void traceWindowBuckets();
    void traceWindowMarksGapsAndExtremes();
    void detrendRunsTreatsEveryRunAlone();
    void siteReasonTexts();
};

void SpectrumViewsTest::bandMapNormalisesToTheStrongestPoint()
{
    std::vector<project_data::AcceptedSignal> list = {flatSignal(0.01, {{10, 4.0}, {11, 4.0}}),
                                                      flatSignal(0.01, {{11, 2.0}}),
                                                      flatSignal(0.01, {})};
    list[1].cellRect = QRectF(0.5, 0.5, 0.1, 0.1);
    const auto entries = bandPowerMap(list, 0.5, 4.8, 5.6); // bins 10 and 11
    QCOMPARE(int(entries.size()), 3);
    QVERIFY(entries[0].valid);
    QCOMPARE(entries[0].value, 1.0);
    QCOMPARE(entries[0].peakFrequencyHz, 5.0); // first of equal maxima
    QVERIFY(entries[1].valid);
    QCOMPARE(entries[1].value, (2.0 + 0.01) / 8.0);
    QCOMPARE(entries[1].peakFrequencyHz, 5.5);
    QCOMPARE(entries[1].cellRect, QRectF(0.5, 0.5, 0.1, 0.1));
    QVERIFY(!entries[2].valid);
    QCOMPARE(entries[2].value, 0.0);

    // A single valid entry becomes exactly 1.
    const auto single = bandPowerMap({list[1], list[2]}, 0.5, 4.8, 5.6);
    QVERIFY(single[0].valid);
    QCOMPARE(single[0].value, 1.0);
}

void SpectrumViewsTest::bandMapNeedsPowerAboveFourTimesTheBackground()
{
    // Three bins of background 1: valid needs a band power of at least 12.
    const auto below = bandPowerMap({flatSignal(1.0, {{20, 9.99}})}, 1.0, 19.0, 21.0);
    QVERIFY(!below[0].valid);
    const auto at = bandPowerMap({flatSignal(1.0, {{20, 10.0}})}, 1.0, 19.0, 21.0);
    QVERIFY(at[0].valid);
    // A band narrower than one bin holds no bin centre: nothing is valid.
    const auto narrow = bandPowerMap({flatSignal(1.0, {{20, 100.0}})}, 1.0, 20.2, 20.8);
    QVERIFY(!narrow[0].valid);
    // A silent point never counts, however small its background.
    project_data::AcceptedSignal silent = flatSignal(0.0, {});
    silent.localBackground = 1e-30;
    QVERIFY(!bandPowerMap({silent}, 1.0, 2.0, 40.0)[0].valid);
}

void SpectrumViewsTest::bandMapRefusesBadBands_data()
{
    QTest::addColumn<double>("binWidth");
    QTest::addColumn<double>("lower");
    QTest::addColumn<double>("upper");
    QTest::newRow("zero bin width") << 0.0 << 1.0 << 2.0;
    QTest::newRow("lower equals upper") << 1.0 << 2.0 << 2.0;
    QTest::newRow("infinite upper") << 1.0 << 2.0 << std::numeric_limits<double>::infinity();
}

void SpectrumViewsTest::bandMapRefusesBadBands()
{
    QFETCH(double, binWidth);
    QFETCH(double, lower);
    QFETCH(double, upper);
    QVERIFY(bandPowerMap({flatSignal(1.0, {{2, 50.0}})}, binWidth, lower, upper).empty());
}

void SpectrumViewsTest::localSpectrumOnlyForUsableSegments()
{
    // 12 Hz at 240 fps over the segment 100 ... 1099 of a 1200-sample series.
    std::vector<float> x = tone(1200, 12.0 / 240.0, 0.3, 0.0, 0.01);
    std::vector<float> y = tone(1200, 0.0, 0.0, 0.0, 0.01, 5);
    x[50] = kNan;
    y[50] = kNan;
    const project_data::GridSite site = acceptedSite(x, y, 100, 1000);
    project_data::SpectrumResult local;
    QVERIFY(localSpectrum(site, 240.0, &local));
    QVERIFY(local.ok);
    QCOMPARE(local.fftSize, 1024);
    QCOMPARE(int(local.acceptedSignals.size()), 1);
    QCOMPARE(local.acceptedSignals[0].sampleX, 0.25);
    QVERIFY(!local.candidates.empty());
    QVERIFY(std::abs(local.candidates[0].frequencyHz - 12.0) <= local.binWidthHz);

    project_data::GridSite rejected = site;
    rejected.accepted = false;
    QVERIFY(!localSpectrum(rejected, 240.0, &local));
    project_data::GridSite shortSegment = site;
    shortSegment.segmentLength = 63;
    QVERIFY(!localSpectrum(shortSegment, 240.0, &local));
    // The segment includes the rejected sample: the stage refuses non-finite input.
    project_data::GridSite withGap = site;
    withGap.segmentStart = 0;
    QVERIFY(!localSpectrum(withGap, 240.0, &local));
}

void SpectrumViewsTest::traceWindowBuckets_data()
{
    QTest::addColumn<int>("samples");
    QTest::addColumn<double>("start");
    QTest::addColumn<double>("end");
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("buckets");
    QTest::addColumn<bool>("raw");
    // Whole fragment of 1000 samples at 100 fps ends at 10.01 s.
    QTest::newRow("10 columns use 32") << 1000 << 0.0 << 11.0 << 10 << 32 << false;
    QTest::newRow("5000 columns use 2048 (raw)") << 1000 << 0.0 << 11.0 << 5000 << 1000 << true;
    QTest::newRow("a window in the middle") << 1000 << 2.0 << 3.0 << 2048 << 101 << true;
    QTest::newRow("window before the first sample") << 1000 << 0.0 << 0.005 << 100 << 0 << false;
}

void SpectrumViewsTest::traceWindowBuckets()
{
    QFETCH(int, samples);
    QFETCH(double, start);
    QFETCH(double, end);
    QFETCH(int, columns);
    QFETCH(int, buckets);
    QFETCH(bool, raw);
    const std::vector<float> x = tone(samples, 0.01, 1.0);
    bool isRaw = !raw;
    const auto list = traceWindow(x, x, 100.0, start, end, columns, &isRaw);
    QCOMPARE(int(list.size()), buckets);
    QCOMPARE(isRaw, raw);
    for (size_t i = 1; i < list.size(); ++i) {
        QCOMPARE(list[i].startSeconds, list[i - 1].endSeconds);
        QVERIFY(list[i].startSeconds >= start - 0.01 && list[i].endSeconds <= end + 0.011);
    }
}

void SpectrumViewsTest::traceWindowMarksGapsAndExtremes()
{
    std::vector<float> x = {1, 2, 3, kNan, 5, 6, 7, 8};
    std::vector<float> y = {-1, -2, -3, -4, -5, kNan, kNan, kNan};
    bool raw = false;
    // 8 samples at 1 fps, columns raised to 32: one sample per bucket.
    auto list = traceWindow(x, y, 1.0, 0.0, 100.0, 1, &raw);
    QVERIFY(raw);
    QCOMPARE(int(list.size()), 8);
    QCOMPARE(list[0].startSeconds, 1.0); // sample 0 sits at (0 + 1) / rate
    QCOMPARE(list[0].endSeconds, 2.0);
    QVERIFY(list[2].valid && !list[2].hasGap);
    QCOMPARE(list[2].xMin, 3.0);
    QCOMPARE(list[2].yMax, -3.0);
    QVERIFY(!list[3].valid && list[3].hasGap);
    QVERIFY(!list[5].valid && list[5].hasGap);

    // Mismatched or oversized input gives nothing.
    QVERIFY(traceWindow(x, std::vector<float>(7), 1.0, 0.0, 10.0, 32).empty());
    QVERIFY(traceWindow(std::vector<float>(65537), std::vector<float>(65537), 1.0, 0.0, 10.0, 32)
                .empty());
    QVERIFY(traceWindow(x, y, 0.0, 0.0, 10.0, 32).empty());
}

void SpectrumViewsTest::detrendRunsTreatsEveryRunAlone()
{
    const std::vector<float> series = {1, 3, 5, 7, kNan, 42, kNan, kNan, 10, 10, 16};
    const std::vector<float> out = detrendRuns(series);
    QCOMPARE(out.size(), series.size());
    for (int i : {0, 1, 2, 3})
        QVERIFY(std::abs(out[size_t(i)]) < 1e-6f); // a straight line leaves nothing
    QVERIFY(std::isnan(out[4]) && std::isnan(out[6]) && std::isnan(out[7]));
    QCOMPARE(out[5], 0.0f); // a run of one sample: the mean goes, slope 0
    // 10, 10, 16: mean 12, slope 3 about the centre: residuals 1, -2, 1.
    QVERIFY(std::abs(out[8] - 1.0f) < 1e-6f);
    QVERIFY(std::abs(out[9] + 2.0f) < 1e-6f);
    QVERIFY(std::abs(out[10] - 1.0f) < 1e-6f);
    QVERIFY(detrendRuns({}).empty());
}

void SpectrumViewsTest::siteReasonTexts()
{
    project_data::GridSite site;
    QCOMPARE(siteReason(site, 100.0),
             QStringLiteral("No textured point in this cell on the first frame."));
    site.textured = true;
    site.segmentStart = 9;
    site.segmentLength = 250;
    site.lowContrastSamples = 3;
    site.phaseJumpSamples = 2;
    site.nonFiniteSamples = 1;
    QCOMPARE(siteReason(site, 100.0),
             QStringLiteral("Continuous segment is too short (minimum 64 samples and 25% of the "
                            "fragment). Longest segment: 2.500 s, starting at 0.100 s. Lost "
                            "samples: low contrast 3, phase jump 2, non-finite 1."));
}

QTEST_GUILESS_MAIN(SpectrumViewsTest)
#include "tst_spectrumviews.moc"
