#include "SpectrumTestVideo.h"
#include "spectrum/SpectrumAnalysisLimits.h"
#include "spectrum/SpectrumAnalysisRun.h"
#include "spectrum/SpectrumViews.h"

#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <numbers>

using namespace orvi;
using namespace orvi::spectrum;
using orvi::spectrum::testing::SyntheticTexture;
using orvi::spectrum::testing::writeTestVideo;

namespace {

constexpr double kRate = 240.0;
constexpr int kFrames = 257; // 256 phase samples: N = 256, bin width 0.9375 Hz
const QSize kSize(160, 96);

// Horizontal motion of the left half (x < 80) at 12 Hz and of the right half at 30 Hz.
QPointF twoFrequencies(int x, int, double t)
{
    const double w = 2.0 * std::numbers::pi * t;
    return QPointF(x < kSize.width() / 2 ? 0.4 * std::cos(w * 12.0) : 0.2 * std::cos(w * 30.0),
                   0.0);
}

project_data::SpectrumAnalysisRequest requestFor(const media::VideoInfo& info, int density = 0)
{
    project_data::SpectrumAnalysisRequest request;
    request.videoInfo = info;
    request.startFrame = 0;
    request.endFrame = std::min<qint64>(info.frameCount, kFrames);
    request.requestedGrid = gridForDensity(density);
    request.workerThreadCount = 2; // the pooled extraction
    request.identity = makeIdentity(1, request);
    return request;
}

bool near(double frequency, double target, double binWidth)
{
    return std::abs(frequency - target) <= binWidth;
}

} // namespace

class SpectrumAnalysisTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void findsBothPatchFrequencies();
    void flatRegionHasNoReliableSignals();
    void refusalsBeforeReadingLeaveNoSites();
    void readingPastTheEndReportsIncompleteDecoding();

private:
    QTemporaryDir m_dir;
    media::VideoInfo m_twoFrequencies;
    media::VideoInfo m_flat;
};

void SpectrumAnalysisTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const SyntheticTexture texture(7);
    QString error;
    QVERIFY2(writeTestVideo(
                 m_dir.filePath("two-frequencies.mp4"), kSize, kFrames, kRate,
                 [&](int i) { return texture.frame(kSize, twoFrequencies, i / kRate); },
                 &m_twoFrequencies, &error),
             qPrintable(error));
    QVERIFY2(writeTestVideo(
                 m_dir.filePath("flat.mp4"), QSize(96, 64), 80, kRate,
                 [](int) {
                     QImage image(96, 64, QImage::Format_Grayscale8);
                     image.fill(90);
                     return image;
                 },
                 &m_flat, &error),
             qPrintable(error));
    QCOMPARE(m_twoFrequencies.frameCount, qint64(kFrames));
}

void SpectrumAnalysisTest::findsBothPatchFrequencies()
{
    std::vector<double> progress;
    const auto result = runSpectrumAnalysis(
        requestFor(m_twoFrequencies), [] { return false; },
        [&progress](double fraction) { progress.push_back(fraction); });
    QVERIFY2(result.ok, qPrintable(result.errorMessage));
    QVERIFY(result.acceptedCount > 100);
    QCOMPARE(result.firstFrame.size(), kSize);

    QVERIFY(!result.candidates.empty());
    const double bin = result.binWidthHz;
    QVERIFY2(near(result.candidates[0].frequencyHz, 12.0, bin),
             qPrintable(QString::number(result.candidates[0].frequencyHz)));
    QCOMPARE(result.candidates[0].relativePower, 1.0);
    const auto second =
        std::find_if(result.candidates.begin(), result.candidates.end(),
                     [bin](const auto& c) { return near(c.frequencyHz, 30.0, bin); });
    QVERIFY(second != result.candidates.end());
    QCOMPARE(result.candidates[0].stability, 1.0);

    // The 12 Hz band lights up the left half only, the 30 Hz band the right half.
    for (const auto& [candidate, leftSide] :
         {std::pair{result.candidates[0], true}, std::pair{*second, false}}) {
        const auto map = bandPowerMap(result.acceptedSignals, bin, candidate.lowerFrequencyHz,
                                      candidate.upperFrequencyHz);
        int inside = 0;
        int outside = 0;
        for (const auto& entry : map) {
            if (!entry.valid || entry.value < 0.1)
                continue;
            // Points within a few pixels of the seam see both patches through the filters.
            const bool left = entry.sampleX < 0.45;
            const bool right = entry.sampleX > 0.55;
            if ((leftSide && left) || (!leftSide && right))
                ++inside;
            else if (left || right)
                ++outside;
        }
        QVERIFY2(inside > 30 && outside == 0,
                 qPrintable(QStringLiteral("%1 inside, %2 outside").arg(inside).arg(outside)));
    }

    QVERIFY(!progress.empty());
    QVERIFY(std::is_sorted(progress.begin(), progress.end()));
    QCOMPARE(progress.back(), 1.0);
}

void SpectrumAnalysisTest::flatRegionHasNoReliableSignals()
{
    auto request = requestFor(m_flat);
    const auto result = runSpectrumAnalysis(request, {}, {});
    QVERIFY(!result.ok && !result.cancelled);
    QCOMPARE(result.errorMessage,
             QStringLiteral("No continuous reliable phase signals were found. Select a textured "
                            "region or a shorter stable fragment."));
    // The sites stay for the diagnostics.
    QCOMPARE(int(result.sites.size()), 128);
    QVERIFY(std::none_of(result.sites.begin(), result.sites.end(),
                         [](const auto& s) { return s.textured; }));
}

void SpectrumAnalysisTest::refusalsBeforeReadingLeaveNoSites()
{
    // 160 x 96 gives a 37 x 21 grid for 64 x 32: 8388608 / 777 + 1 frames at most. The run
    // must refuse before it opens the file or reserves the signals.
    auto request = requestFor(m_twoFrequencies, 2);
    request.videoInfo.frameCount = 20000;
    request.endFrame = 10798;
    auto result = runSpectrumAnalysis(request, {}, {});
    QVERIFY(!result.ok && !result.cancelled && result.sites.empty());
    QVERIFY(result.errorMessage.contains(QStringLiteral("at most 10797 frames")));

    request = requestFor(m_twoFrequencies);
    request.videoInfo.filePath = m_dir.filePath("missing.mp4");
    result = runSpectrumAnalysis(request, {}, {});
    QVERIFY(!result.ok && !result.cancelled && result.sites.empty());
    QVERIFY(!result.errorMessage.isEmpty());
}

void SpectrumAnalysisTest::readingPastTheEndReportsIncompleteDecoding()
{
    // Metadata promising 40 frames more than the file holds: decoding ends early while
    // frames read ahead of the extraction are still waiting.
    auto request = requestFor(m_twoFrequencies);
    request.videoInfo.frameCount = kFrames + 40;
    request.videoInfo.frameTimestamps.clear();
    request.endFrame = kFrames + 40;
    request.identity = makeIdentity(1, request);
    const auto result = runSpectrumAnalysis(request, {}, {});
    QVERIFY(!result.ok && !result.cancelled);
    QCOMPARE(result.errorMessage,
             QStringLiteral("The selected frame range could not be decoded completely."));
    QVERIFY(result.sites.empty());
    QVERIFY(!result.firstFrame.isNull());
}

QTEST_GUILESS_MAIN(SpectrumAnalysisTest)
#include "tst_spectrumanalysis.moc"
