#include "SpectrumTestSignals.h"
#include "motion/MotionWorkerPool.h"
#include "spectrum/RelativePhase.h"
#include "spectrum/SpectrumStage.h"
#include "spectrum/SpectrumViews.h"

#include <QtTest>
#include <cmath>
#include <complex>
#include <functional>
#include <limits>
#include <numbers>
#include <random>

using namespace orvi;
using namespace orvi::spectrum;
using orvi::spectrum::testing::emptySignals;
using orvi::spectrum::testing::sum;
using orvi::spectrum::testing::tone;
using project_data::GridSite;

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

// Relative phase and the views.
constexpr double kRate = 100.0;
const float kNan = std::numeric_limits<float>::quiet_NaN();

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

} // namespace

// The spectrum stage against a direct transform, and the views of a result that the stage does
// not draw itself: the band power map, a point's local spectrum and trace, and the relative
// phase of every point.
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
    void bandMapNormalisesToTheStrongestPoint();
    void bandMapNeedsPowerAboveFourTimesTheBackground();
    void localSpectrumOnlyForUsableSegments();
    void traceWindowMarksGapsAndExtremes();
    void detrendRunsTreatsEveryRunAlone();
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

void SpectrumStageTest::bandMapNormalisesToTheStrongestPoint()
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

void SpectrumStageTest::bandMapNeedsPowerAboveFourTimesTheBackground()
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

void SpectrumStageTest::localSpectrumOnlyForUsableSegments()
{
    // 12 Hz at 240 fps over the segment 100 ... 1099 of a 1200-sample series.
    std::vector<float> x = tone(1200, 12.0 / 240.0, 0.3, 0.0, 0.01);
    std::vector<float> y = tone(1200, 0.0, 0.0, 0.0, 0.01, 5);
    x[50] = kNan;
    y[50] = kNan;
    const GridSite point = site(x, y, 100, 1000);
    project_data::SpectrumResult local;
    QVERIFY(localSpectrum(point, 240.0, &local));
    QCOMPARE(local.fftSize, 1024);
    QVERIFY(!local.candidates.empty());
    QVERIFY(std::abs(local.candidates[0].frequencyHz - 12.0) <= local.binWidthHz);

    GridSite rejected = point;
    rejected.accepted = false;
    QVERIFY(!localSpectrum(rejected, 240.0, &local));
    GridSite shortSegment = point;
    shortSegment.segmentLength = 63;
    QVERIFY(!localSpectrum(shortSegment, 240.0, &local));
    // The segment includes the rejected sample: the stage refuses non-finite input.
    GridSite withGap = point;
    withGap.segmentStart = 0;
    QVERIFY(!localSpectrum(withGap, 240.0, &local));
}

void SpectrumStageTest::traceWindowMarksGapsAndExtremes()
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

void SpectrumStageTest::detrendRunsTreatsEveryRunAlone()
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

void SpectrumStageTest::fitRecoversAmplitudeAndPhase()
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

void SpectrumStageTest::fitFailures_data()
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

void SpectrumStageTest::fitFailures()
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
void SpectrumStageTest::leadingPointIsPositive()
{
    for (const auto& [axis, lead] : {std::pair{0, 90.0}, {1, 135.0}})
        checkLead(axis, lead);
}

void SpectrumStageTest::checkLead(int axis, double lead)
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

void SpectrumStageTest::reasonCodes()
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

void SpectrumStageTest::referenceChecksMarkEveryPoint_data()
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

void SpectrumStageTest::referenceChecksMarkEveryPoint()
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

void SpectrumStageTest::tooManyPointsOrCancellationGiveNothing()
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

QTEST_GUILESS_MAIN(SpectrumStageTest)
#include "tst_spectrumstage.moc"
