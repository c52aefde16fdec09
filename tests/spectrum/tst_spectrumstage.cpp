#include "SpectrumTestSignals.h"
#include "motion/MotionWorkerPool.h"
#include "spectrum/SpectrumStage.h"

#include <QtTest>
#include <cmath>
#include <complex>
#include <functional>
#include <numbers>
#include <random>

using namespace orvi;
using namespace orvi::spectrum;
using orvi::spectrum::testing::emptySignals;
using orvi::spectrum::testing::sum;
using orvi::spectrum::testing::tone;

namespace {

// Detrend, Hann window and a direct DFT, all in double precision.
std::vector<double> referencePowerSpectrum(const std::vector<float>& x, int first, int n, int m)
{
    const double c = (n - 1) / 2.0;
    double mean = 0.0;
    for (int i = 0; i < n; ++i)
        mean += x[size_t(first + i)];
    mean /= n;
    double num = 0.0;
    double den = 0.0;
    for (int i = 0; i < n; ++i) {
        num += (i - c) * x[size_t(first + i)];
        den += (i - c) * (i - c);
    }
    const double slope = num / den;
    std::vector<double> y(static_cast<size_t>(n));
    double s = 0.0;
    for (int i = 0; i < n; ++i) {
        const double w = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / (n - 1));
        s += w;
        y[size_t(i)] = (x[size_t(first + i)] - mean - slope * (i - c)) * w;
    }
    std::vector<double> p(size_t(m / 2), 0.0);
    for (int k = 1; k < m / 2; ++k) {
        std::complex<double> acc;
        for (int i = 0; i < n; ++i)
            acc += y[size_t(i)] * std::polar(1.0, -2.0 * std::numbers::pi * double(k) * i / m);
        p[size_t(k)] = 2.0 * std::norm(acc) / (s * s);
    }
    return p;
}

struct Stage
{
    project_data::SpectrumResult result;
    bool ok = false;
};

Stage runStage(const std::vector<std::vector<float>>& series, double rate, int workers = 1,
               qint64 fragmentFrames = 0)
{
    Stage stage;
    stage.result.acceptedSignals = emptySignals(int(series.size() / 2));
    stage.result.request.startFrame = 0;
    stage.result.request.endFrame = fragmentFrames;
    motion_core::MotionWorkerPool pool;
    pool.setWorkerCount(workers);
    stage.ok = computeSpectrum(series, rate, stage.result, {}, pool, {});
    return stage;
}

// One point per tone (X carries the tone, Y only faint noise): the aggregate adds the
// tones' powers without interference.
std::vector<std::vector<float>> pointsWithTones(int n, const std::vector<double>& bins,
                                                const std::vector<double>& amplitudes, int fft,
                                                double noise = 1e-4)
{
    std::vector<std::vector<float>> series;
    for (size_t i = 0; i < bins.size(); ++i) {
        series.push_back(
            tone(n, bins[i] / fft, amplitudes[i], 0.3 * double(i), noise, quint32(10 + i)));
        series.push_back(tone(n, 0.0, 0.0, 0.0, noise, quint32(100 + i)));
    }
    return series;
}

int binOf(const project_data::FrequencyCandidate& candidate, double binWidth)
{
    return int(std::lround(candidate.frequencyHz / binWidth));
}

} // namespace

class SpectrumStageTest : public QObject
{
    Q_OBJECT

private slots:
    void fftAgreesWithDirectTransform_data();
    void fftAgreesWithDirectTransform();
    void pureToneGivesOneCandidateWithHalfPowerBand();
    void peaksTwoBinsApartKeepOnlyTheStronger();
    void peaksSixBinsApartMeetAtTheMidpoint();
    void twentyFirstPeakIsDroppedSilently();
    void silentInputSucceedsWithoutCandidates();
    void stabilityNeedsTheWholeFragment();
    void stabilityCountsTheHalvesThatShowThePeak();
    void resultsDoNotDependOnWorkerCount();
    void inputChecksAndCancellationRefuse();
    void localBackgroundIsUpperMedianOfNeighbours();
    void relativeBandPowerCountsBinCentres_data();
    void relativeBandPowerCountsBinCentres();
};

void SpectrumStageTest::fftAgreesWithDirectTransform_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("fftSize");
    QTest::newRow("shortest segment, no padding") << 64 << 0 << 64;
    QTest::newRow("half segment from an offset") << 500 << 500 << 512;
    QTest::newRow("heavy zero padding") << 100 << 7 << 1024;
}

void SpectrumStageTest::fftAgreesWithDirectTransform()
{
    QFETCH(int, length);
    QFETCH(int, first);
    QFETCH(int, fftSize);
    const std::vector<float> series =
        sum(tone(first + length, 0.0371, 2.0, 0.4, 0.5, 7), tone(first + length, 0.21, 0.7));
    const std::vector<double> fast = segmentPowerSpectrum(series, first, length, fftSize);
    const std::vector<double> direct = referencePowerSpectrum(series, first, length, fftSize);
    QCOMPARE(int(fast.size()), fftSize / 2);
    QCOMPARE(fast[0], 0.0);
    const double peak = *std::max_element(direct.begin(), direct.end());
    for (int k = 0; k < fftSize / 2; ++k)
        QVERIFY2(std::abs(fast[size_t(k)] - direct[size_t(k)]) <= 1e-10 * peak,
                 qPrintable(QStringLiteral("bin %1").arg(k)));

    // Two series through one packed transform: each as its own transform gives it.
    const std::vector<float> other = tone(first + length, 0.113, 0.05, 1.1, 0.3, 11);
    const auto twiddles = orvi::spectrum::twiddleTable(fftSize);
    std::vector<std::complex<double>> pairedX, pairedY;
    double windowSum = 0.0;
    QVERIFY(orvi::spectrum::pairedWindowedTransform(
        series.data() + first, other.data() + first, length, fftSize, twiddles,
        orvi::spectrum::hannWindow(length), pairedX, pairedY, &windowSum));
    for (const auto& [paired, input] :
         {std::pair{&pairedX, &series}, std::pair{&pairedY, &other}}) {
        double single = 0.0;
        const auto alone = orvi::spectrum::windowedTransform(input->data() + first, length, fftSize,
                                                             twiddles, &single);
        QCOMPARE(windowSum, single);
        for (int k = 0; k < fftSize; ++k)
            QVERIFY2(std::abs((*paired)[size_t(k)] - alone[size_t(k)]) <= 1e-9 * windowSum,
                     qPrintable(QStringLiteral("bin %1").arg(k)));
    }
}

void SpectrumStageTest::pureToneGivesOneCandidateWithHalfPowerBand()
{
    // Ten periods over 1000 samples at 100 fps: 1 Hz, a single point.
    const std::vector<std::vector<float>> series = {tone(1000, 0.01, 1.0, 0.0, 1e-3),
                                                    tone(1000, 0.01, 0.5, 1.0, 1e-3, 2)};
    const Stage stage = runStage(series, 100.0);
    QVERIFY(stage.ok);
    QCOMPARE(int(stage.result.candidates.size()), 1);
    const auto& candidate = stage.result.candidates[0];
    const double binWidth = stage.result.binWidthHz;
    QVERIFY(std::abs(candidate.frequencyHz - 1.0) <= binWidth);
    QVERIFY(candidate.contrastDb > 20.0);
    QCOMPARE(candidate.spatialSupport, 1.0);
    QVERIFY(!stage.result.unresolvedPeaks);
    // The band edges sit half a bin outside the last bins at or above half the peak power.
    const std::vector<double>& v = stage.result.spectrum;
    const int k = binOf(candidate, binWidth);
    const int lowBin = int(std::lround(candidate.lowerFrequencyHz / binWidth + 0.5));
    const int highBin = int(std::lround(candidate.upperFrequencyHz / binWidth - 0.5));
    QVERIFY(lowBin <= k && highBin >= k);
    for (int j = lowBin; j <= highBin; ++j)
        QVERIFY(v[size_t(j)] >= 0.5 * v[size_t(k)]);
    QVERIFY(v[size_t(lowBin - 1)] < 0.5 * v[size_t(k)]);
    QVERIFY(v[size_t(highBin + 1)] < 0.5 * v[size_t(k)]);
}

void SpectrumStageTest::peaksTwoBinsApartKeepOnlyTheStronger()
{
    const Stage stage = runStage(pointsWithTones(1024, {100, 102}, {1.0, 0.8}, 1024), 1024.0);
    QVERIFY(stage.ok);
    QCOMPARE(int(stage.result.candidates.size()), 1);
    QCOMPARE(binOf(stage.result.candidates[0], stage.result.binWidthHz), 100);
    QVERIFY(stage.result.unresolvedPeaks);
}

void SpectrumStageTest::peaksSixBinsApartMeetAtTheMidpoint()
{
    // A 4096-sample silent point sets N = 4096; the tone points are 1200 samples long, so
    // their main lobes are wide enough for the half-power regions to overlap.
    std::vector<std::vector<float>> series = pointsWithTones(1200, {1000, 1006}, {1.0, 0.9}, 4096);
    series.push_back(tone(4096, 0.0, 0.0, 0.0, 1e-4, 77));
    series.push_back(tone(4096, 0.0, 0.0, 0.0, 1e-4, 78));
    const Stage stage = runStage(series, 4096.0);
    QVERIFY(stage.ok);
    QCOMPARE(stage.result.fftSize, 4096);
    QCOMPARE(int(stage.result.candidates.size()), 2);
    const double binWidth = stage.result.binWidthHz;
    const auto& strong = stage.result.candidates[0];
    const auto& weak = stage.result.candidates[1];
    QCOMPARE(binOf(strong, binWidth), 1000);
    QCOMPARE(binOf(weak, binWidth), 1006);
    QCOMPARE(strong.upperFrequencyHz, 1003 * binWidth);
    QCOMPARE(weak.lowerFrequencyHz, 1003 * binWidth);
    QVERIFY(strong.lowerFrequencyHz < 1000 * binWidth - 0.5 * binWidth);
    QVERIFY(stage.result.unresolvedPeaks);
}

void SpectrumStageTest::twentyFirstPeakIsDroppedSilently()
{
    std::vector<double> bins;
    std::vector<double> amplitudes;
    for (int i = 0; i < 21; ++i) {
        bins.push_back(20.0 + 20.0 * i);
        amplitudes.push_back(1.0 - 0.02 * i);
    }
    // Noise-free, so only the point carrying a tone supports its bin.
    const Stage stage = runStage(pointsWithTones(1024, bins, amplitudes, 1024, 0.0), 1024.0);
    QVERIFY(stage.ok);
    QCOMPARE(int(stage.result.candidates.size()), 20);
    for (int i = 0; i < 20; ++i) {
        QCOMPARE(binOf(stage.result.candidates[size_t(i)], stage.result.binWidthHz),
                 int(bins[size_t(i)]));
        QCOMPARE(stage.result.candidates[size_t(i)].spatialSupport, 1.0 / 21.0);
    }
    QVERIFY(!stage.result.unresolvedPeaks);
}

void SpectrumStageTest::silentInputSucceedsWithoutCandidates()
{
    std::vector<float> ramp(512);
    for (size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = 0.25f * float(i);
    const Stage stage = runStage({std::vector<float>(512, 3.0f), ramp}, 240.0);
    QVERIFY(stage.ok);
    QVERIFY(stage.result.candidates.empty());
    QVERIFY(std::all_of(stage.result.spectrum.begin(), stage.result.spectrum.end(),
                        [](double v) { return v == 0.0; }));
}

void SpectrumStageTest::stabilityNeedsTheWholeFragment()
{
    const std::vector<std::vector<float>> series = {tone(1000, 0.05, 1.0, 0.0, 0.01),
                                                    tone(1000, 0.05, 1.0, 1.0, 0.01, 2)};
    // 1001 frames: every point kept all 1000 samples.
    const Stage whole = runStage(series, 100.0, 1, 1001);
    QVERIFY(whole.ok);
    QVERIFY(!whole.result.candidates.empty());
    QVERIFY(whole.result.candidates[0].stabilityEvaluated);
    QCOMPARE(whole.result.candidates[0].stability, 1.0);
    // 1200 frames: the segment has a gap somewhere, so no candidate is evaluated.
    const Stage gap = runStage(series, 100.0, 1, 1200);
    QVERIFY(gap.ok);
    QVERIFY(!gap.result.candidates.empty());
    for (const auto& candidate : gap.result.candidates) {
        QVERIFY(!candidate.stabilityEvaluated);
        QCOMPARE(candidate.stability, 0.0);
    }
    // 0.5 Hz over halves of 5 s is fewer than four periods per half: not evaluated.
    const Stage slow = runStage(
        {tone(1000, 0.005, 1.0, 0.0, 0.01), tone(1000, 0.005, 1.0, 0.0, 0.01, 2)}, 100.0, 1, 1001);
    QVERIFY(slow.ok);
    QVERIFY(!slow.result.candidates.empty());
    QVERIFY(!slow.result.candidates[0].stabilityEvaluated);
}

void SpectrumStageTest::stabilityCountsTheHalvesThatShowThePeak()
{
    // The 15 Hz tone only lives in the first half; the 30 Hz tone runs throughout.
    std::vector<float> x = sum(tone(2000, 0.3, 0.5, 0.0, 0.01), tone(2000, 0.15, 1.0));
    for (size_t i = 1000; i < x.size(); ++i)
        x[i] -= float(std::cos(2.0 * std::numbers::pi * 0.15 * double(i)));
    const Stage stage = runStage({x, tone(2000, 0.0, 0.0, 0.0, 0.01, 3)}, 100.0, 1, 2001);
    QVERIFY(stage.ok);
    bool sawHalf = false;
    bool sawWhole = false;
    for (const auto& candidate : stage.result.candidates) {
        QVERIFY(candidate.stabilityEvaluated);
        if (std::abs(candidate.frequencyHz - 15.0) < 0.1) {
            QCOMPARE(candidate.stability, 0.5);
            sawHalf = true;
        }
        if (std::abs(candidate.frequencyHz - 30.0) < 0.1) {
            QCOMPARE(candidate.stability, 1.0);
            sawWhole = true;
        }
    }
    QVERIFY(sawHalf && sawWhole);
}

void SpectrumStageTest::resultsDoNotDependOnWorkerCount()
{
    std::vector<std::vector<float>> series;
    for (int i = 0; i < 12; ++i) {
        series.push_back(tone(3000, 0.02 + 0.01 * i, 1.0, 0.1 * i, 0.2, quint32(i + 1)));
        series.push_back(tone(3000, 0.11, 0.3, 0.2 * i, 0.2, quint32(i + 50)));
    }
    const Stage single = runStage(series, 240.0, 1, 3001);
    const Stage parallel = runStage(series, 240.0, 2, 3001);
    QVERIFY(single.ok && parallel.ok);
    QVERIFY(single.result.spectrum == parallel.result.spectrum);
    QCOMPARE(single.result.candidates.size(), parallel.result.candidates.size());
    for (size_t i = 0; i < single.result.acceptedSignals.size(); ++i)
        QVERIFY(single.result.acceptedSignals[i].powerSpectrum ==
                parallel.result.acceptedSignals[i].powerSpectrum);
}

void SpectrumStageTest::inputChecksAndCancellationRefuse()
{
    const auto accepted = [](const std::vector<std::vector<float>>& series, double rate,
                             int signalCount, const std::function<bool()>& cancel = {}) {
        project_data::SpectrumResult result;
        result.acceptedSignals = emptySignals(signalCount);
        motion_core::MotionWorkerPool pool;
        return computeSpectrum(series, rate, result, cancel, pool, {});
    };
    const std::vector<float> x = tone(128, 0.1, 1.0);
    std::vector<float> withNan = x;
    withNan[5] = std::numeric_limits<float>::quiet_NaN();
    QVERIFY(accepted({x, x}, 100.0, 1));
    QVERIFY(!accepted({x}, 100.0, 1));                                      // odd series count
    QVERIFY(!accepted({tone(63, 0.1, 1.0), tone(63, 0.1, 1.0)}, 100.0, 1)); // shorter than 64
    QVERIFY(!accepted({x, withNan}, 100.0, 1));
    QVERIFY(!accepted({x, std::vector<float>(x.begin(), x.end() - 1)}, 100.0, 1)); // X, Y lengths
    QVERIFY(!accepted({x, x}, 0.0, 1));
    // 258 series of 65536: 16 908 288 samples, more than 2^24.
    QVERIFY(!accepted(std::vector<std::vector<float>>(258, std::vector<float>(65536)), 100.0, 129));
    // Cancelled after the input checks, in the middle of the transforms.
    const std::vector<float> longer = tone(1000, 0.1, 1.0);
    int polls = 0;
    QVERIFY(!accepted({longer, longer}, 100.0, 1, [&polls] { return ++polls > 5; }));
    QVERIFY(polls > 5);

    const std::vector<float> series = tone(100, 0.1, 1.0);
    QVERIFY(segmentPowerSpectrum(series, 50, 51, 64).empty()); // past the end
    QVERIFY(segmentPowerSpectrum(series, 0, 100, 96).empty()); // not a power of two
    QVERIFY(segmentPowerSpectrum(series, 0, 100, 64).empty()); // shorter than the segment
    QVERIFY(segmentPowerSpectrum(series, 0, 100, 128, [] { return true; }).empty());
}

void SpectrumStageTest::localBackgroundIsUpperMedianOfNeighbours()
{
    std::vector<double> v(40, 0.0);
    for (int j = 0; j < 40; ++j)
        v[size_t(j)] = j; // increasing: the median is easy to predict
    // Bin 20: neighbours 8..17 and 23..32 (20 values), element 10 after ordering is 23.
    QCOMPARE(localBackground(v, 20), 23.0);
    // Bin 2: neighbours from 1 only: 5..14, element 5 is 10.
    QCOMPARE(localBackground(v, 2), 10.0);
    // Nothing left: the floor.
    QCOMPARE(localBackground(std::vector<double>(3, 5.0), 1), 1e-30);
    QCOMPARE(localBackground(std::vector<double>(40, 0.0), 20), 1e-30);

    // The one-pass form gives every bin's value, near the ends, with ties and with NaN.
    std::mt19937 random(5);
    std::uniform_int_distribution<int> level(0, 6); // few levels: many ties
    for (int size : {2, 5, 16, 27, 300}) {
        std::vector<double> spectrum(static_cast<size_t>(size));
        for (double& value : spectrum)
            value = level(random) * 0.5;
        if (size == 300)
            spectrum[150] = std::numeric_limits<double>::quiet_NaN();
        const std::vector<double> all = orvi::spectrum::localBackgrounds(spectrum);
        for (int k = 1; k < size; ++k)
            QCOMPARE(all[size_t(k)], localBackground(spectrum, k));
    }
}

void SpectrumStageTest::relativeBandPowerCountsBinCentres_data()
{
    QTest::addColumn<double>("lower");
    QTest::addColumn<double>("upper");
    QTest::addColumn<double>("expected");
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // Bin width 1 Hz, bins 1..9 each 1: total 9.
    QTest::newRow("bins 2..4") << 1.5 << 4.5 << 3.0 / 9.0;
    QTest::newRow("narrower than a bin") << 2.2 << 2.8 << 0.0;
    QTest::newRow("beyond the spectrum") << 8.5 << 50.0 << 1.0 / 9.0;
    QTest::newRow("lower zero") << 0.0 << 3.0 << nan;
}

void SpectrumStageTest::relativeBandPowerCountsBinCentres()
{
    QFETCH(double, lower);
    QFETCH(double, upper);
    QFETCH(double, expected);
    project_data::SpectrumResult result;
    result.binWidthHz = 1.0;
    result.spectrum.assign(10, 1.0);
    result.spectrum[0] = 0.0;
    const double value = relativeBandPower(result, lower, upper);
    if (std::isnan(expected))
        QVERIFY(std::isnan(value));
    else
        QCOMPARE(value, expected);
}

QTEST_GUILESS_MAIN(SpectrumStageTest)
#include "tst_spectrumstage.moc"
