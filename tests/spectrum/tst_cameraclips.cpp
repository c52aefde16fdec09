// The analysis of clips as a high-speed camera records a vibration shaker (a dark T-shaped bar on
// a grey wall, lens-blurred, sensor noise of 3 levels, libx264 at CRF 23 with a key frame every
// 12 frames), rendered by the orvi-tool-shaker-clip process with independent noise seeds: every
// goal has to hold in at least four of five renderings, not in the one it was tuned on.

#include "media/libav/LibavVideoAnalyzer.h"
#include "spectrum/SpectrumAnalysisLimits.h"
#include "spectrum/SpectrumAnalysisRun.h"
#include "spectrum/SpectrumViews.h"
#include "support/TestSupport.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <cmath>

using namespace orvi;

namespace {

constexpr int kWidth = 356, kHeight = 280, kFrames = 1200, kKeyFrameInterval = 12;
constexpr double kRate = 240.0;
constexpr QRect kBar{93, 100, 170, 12}, kStem{168, 112, 20, 83}; // at rest
constexpr int kSeeds = 5, kSeedsRequired = 4;

project_data::SpectrumResult analyse(const QString& path, QString* error)
{
    project_data::SpectrumAnalysisRequest request;
    if (!media::libav::LibavVideoAnalyzer().analyze({}, path, &request.videoInfo, error))
        return {};
    request.videoInfo.captureFrameRate = kRate;
    request.endFrame = kFrames;
    request.requestedGrid = spectrum::gridForDensity(2);
    return spectrum::runSpectrumAnalysis(request, {}, {});
}

// On the bar or stem, within a cell's height of their edges.
bool onTheBar(const QRectF& cell)
{
    const QRectF px(cell.x() * kWidth, cell.y() * kHeight, cell.width() * kWidth,
                    cell.height() * kHeight);
    return px.intersects(QRectF(kBar).adjusted(-2, -9, 2, 9)) ||
           px.intersects(QRectF(kStem).adjusted(-2, 0, 2, 9));
}

// Why a result misses the goal of its row, or an empty text when it meets it.
QString missedGoal(const project_data::SpectrumResult& result, double amplitude, double hz,
                   bool strongest, double minimumContrastDb)
{
    if (!result.ok)
        return result.errorMessage;
    // Every line on the key-frame cadence is marked as a possible compression artefact.
    for (const project_data::FrequencyCandidate& c : result.candidates)
        if (std::abs(std::remainder(c.frequencyHz, kRate / kKeyFrameInterval)) <=
                result.binWidthHz &&
            !c.possibleCompressionArtefact)
            return QStringLiteral("unmarked key-frame line at %1 Hz").arg(c.frequencyHz);
    const auto found =
        std::find_if(result.candidates.begin(), result.candidates.end(), [&](const auto& c) {
            return std::abs(c.frequencyHz - hz) <= result.binWidthHz;
        });
    if (found == result.candidates.end() || (strongest && found != result.candidates.begin()))
        return QStringLiteral("not found or not the strongest");
    if (found->contrastDb < minimumContrastDb || std::abs(found->refinedFrequencyHz - hz) > 0.05)
        return QStringLiteral("%1 dB at %2 Hz")
            .arg(found->contrastDb)
            .arg(found->refinedFrequencyHz);
    if (amplitude >= 0.4) {
        // The headline within 20 %, and no reliable point above three times the truth.
        const size_t line = size_t(found - result.candidates.begin());
        const bool outlier = std::any_of(result.acceptedSignals.begin(),
                                         result.acceptedSignals.end(), [&](const auto& s) {
                                             return s.amplitudes[line].reliable &&
                                                    s.amplitudes[line].amplitudePx > 3 * amplitude;
                                         });
        if (std::abs(found->amplitudePx - amplitude) > 0.2 * amplitude || outlier)
            return QStringLiteral("amplitude %1 px").arg(found->amplitudePx);
    }
    // The band map lights the bar: nine in ten of its strong cells touch the bar's edges.
    int strong = 0, strongOnBar = 0;
    for (const auto& entry :
         spectrum::bandPowerMap(result.acceptedSignals, result.binWidthHz, found->lowerFrequencyHz,
                                found->upperFrequencyHz)) {
        const bool isStrong = entry.valid && entry.value >= 0.5;
        strong += isStrong ? 1 : 0;
        strongOnBar += isStrong && onTheBar(entry.cellRect) ? 1 : 0;
    }
    if (strong == 0 || strongOnBar * 10 < strong * 9)
        return QStringLiteral("%1 of %2 strong cells on the bar").arg(strongOnBar).arg(strong);
    return {};
}

} // namespace

class CameraClipsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_tool = test::testBinaryDir() + QStringLiteral("/bin/orvi-tool-shaker-clip");
        if (!QFileInfo(m_tool).isExecutable() || test::findTool(QStringLiteral("ffmpeg")).isEmpty())
            QSKIP("the shaker clip tool and ffmpeg render the clips");
        QVERIFY(m_dir.isValid());
    }

    void goalsHoldAcrossNoiseSeeds_data()
    {
        QTest::addColumn<double>("amplitude");
        QTest::addColumn<double>("frequency");
        QTest::addColumn<bool>("strongest");
        QTest::addColumn<double>("minimumContrastDb");
        QTest::newRow("0.2 px at 2 Hz, strongest at 12 dB") << 0.2 << 2.0 << true << 12.0;
        QTest::newRow("0.1 px at 7 Hz, found") << 0.1 << 7.0 << false << 0.0;
        // On the key-frame cadence (240 / 12 = 20 Hz), so marked as a possible artefact too.
        QTest::newRow("0.1 px at 20 Hz, strongest") << 0.1 << 20.0 << true << 0.0;
        QTest::newRow("0.4 px at 2 Hz, amplitude") << 0.4 << 2.0 << true << 12.0;
    }

    void goalsHoldAcrossNoiseSeeds()
    {
        QFETCH(double, amplitude);
        QFETCH(double, frequency);
        QFETCH(bool, strongest);
        QFETCH(double, minimumContrastDb);
        QStringList misses;
        for (int seed = 1; seed <= kSeeds; ++seed) {
            QString error;
            const project_data::SpectrumResult result =
                analyse(render(amplitude, frequency, seed), &error);
            const QString missed = error.isEmpty() ? missedGoal(result, amplitude, frequency,
                                                                strongest, minimumContrastDb)
                                                   : error;
            if (!missed.isEmpty())
                misses << QStringLiteral("seed %1: %2").arg(seed).arg(missed);
        }
        QVERIFY2(misses.size() <= kSeeds - kSeedsRequired, qPrintable(misses.join("; ")));
    }

    // Without motion, the strongest line comes from the encoder and is marked so.
    void stillClipShowsOnlyTheEncoder()
    {
        QString error;
        const auto result = analyse(render(0.0, 0.0, 1), &error);
        QVERIFY2(result.ok, qPrintable(error + result.errorMessage));
        QCOMPARE(result.keyFrameInterval, kKeyFrameInterval);
        QVERIFY(!result.candidates.empty() &&
                result.candidates.front().possibleCompressionArtefact);
    }

    // The sample clip the build writes for a first start (with the program's own encoder):
    // parts moving 0.4 px at 12.5 Hz and 0.3 px at 37.5 Hz are its two strongest lines, read
    // between the bins and measured within 20 %.
    void sampleClipShowsItsKnownVibrations()
    {
        const QString path = QCoreApplication::applicationDirPath() +
                             QStringLiteral("/../samples/orvi-sample-240fps.mp4");
        if (!QFileInfo::exists(path))
            QSKIP("the sample clip is built with the tools");
        project_data::SpectrumAnalysisRequest request;
        QString error;
        QVERIFY2(media::libav::LibavVideoAnalyzer().analyze({}, path, &request.videoInfo, &error),
                 qPrintable(error));
        request.videoInfo.captureFrameRate = kRate;
        request.endFrame = request.videoInfo.frameCount;
        request.requestedGrid = spectrum::gridForDensity(1);
        const auto result = spectrum::runSpectrumAnalysis(request, {}, {});
        QVERIFY2(result.ok && result.candidates.size() >= 2, qPrintable(result.errorMessage));
        const std::pair<double, double> known[] = {{12.5, 0.4}, {37.5, 0.3}};
        for (const auto& [hz, px] : known) {
            const auto found = std::find_if(
                result.candidates.begin(), result.candidates.begin() + 2,
                [&](const auto& c) { return std::abs(c.refinedFrequencyHz - hz) <= 0.05; });
            QVERIFY2(found != result.candidates.begin() + 2, qPrintable(QString::number(hz)));
            QVERIFY2(std::abs(found->amplitudePx - px) <= 0.2 * px &&
                         found->amplitudeLowerPx <= found->amplitudePx &&
                         found->amplitudePx <= found->amplitudeUpperPx,
                     qPrintable(QString::number(found->amplitudePx)));
        }
    }

private:
    QString render(double amplitude, double frequency, int seed)
    {
        const QString path = m_dir.filePath(
            QStringLiteral("bar-%1-%2-%3.mp4").arg(amplitude).arg(frequency).arg(seed));
        QString output;
        const bool ok =
            test::runTool(m_tool,
                          {path, "--amplitude", QString::number(amplitude), "--frequency",
                           QString::number(frequency), "--seed", QString::number(seed), "--frames",
                           QString::number(kFrames), "--gop", QString::number(kKeyFrameInterval)},
                          &output, 300000);
        return ok ? path : QString();
    }

    QString m_tool;
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(CameraClipsTest)
#include "tst_cameraclips.moc"
