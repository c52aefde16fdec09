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
    void localSpectrumOnlyForUsableSegments();
    void traceWindowMarksGapsAndExtremes();
    void detrendRunsTreatsEveryRunAlone();
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
    QCOMPARE(entries[0].peakFrequencyHz, 5.25); // between two equal bins
    QVERIFY(entries[1].valid);
    QCOMPARE(entries[1].value, (2.0 + 0.01) / 8.0);
    QCOMPARE(entries[1].peakFrequencyHz, 5.5);
    QCOMPARE(entries[1].cellRect, QRectF(0.5, 0.5, 0.1, 0.1));
    QVERIFY(!entries[2].valid);
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
    // Bands that hold no frequency give no map at all.
    QVERIFY(bandPowerMap({silent}, 0.0, 1.0, 2.0).empty());
    QVERIFY(bandPowerMap({silent}, 1.0, 2.0, 2.0).empty());
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
    QCOMPARE(local.fftSize, 1024);
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
    QVERIFY(list[2].valid && !list[2].hasGap);
    QCOMPARE(list[2].xMin, 3.0);
    QCOMPARE(list[2].yMax, -3.0);
    QVERIFY(!list[3].valid && list[3].hasGap);
    QVERIFY(!list[5].valid && list[5].hasGap);

    // Many samples on few columns are bucketed; mismatched input gives nothing.
    const std::vector<float> long_ = tone(1000, 0.01, 1.0);
    QCOMPARE(int(traceWindow(long_, long_, 100.0, 0.0, 11.0, 10, &raw).size()), 32);
    QVERIFY(!raw);
    QVERIFY(traceWindow(x, std::vector<float>(7), 1.0, 0.0, 10.0, 32).empty());
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

QTEST_GUILESS_MAIN(SpectrumViewsTest)
#include "tst_spectrumviews.moc"
