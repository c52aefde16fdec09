// The analysis of clips as a high-speed camera records a vibration shaker: a dark T-shaped bar
// (level 38) on a grey wall (95) above a dark floor (22), moving vertically; edges area-sampled
// and lens-blurred, sensor noise of 3 levels, libx264 at CRF 23 with a key frame every 12 frames.

#include "media/libav/LibavVideoAnalyzer.h"
#include "spectrum/SpectrumAnalysisLimits.h"
#include "spectrum/SpectrumAnalysisRun.h"
#include "spectrum/SpectrumViews.h"
#include "support/TestSupport.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <numbers>

using namespace orvi;

namespace {

constexpr int kWidth = 356, kHeight = 280, kFrames = 1200, kKeyFrameInterval = 12;
constexpr double kRate = 240.0;
constexpr QRect kBar{93, 100, 170, 12}, kStem{168, 112, 20, 83}; // at rest

// Area coverage of [lo, hi) by each of n pixels, Gaussian-blurred (the edge pixel repeats). The
// scene is a sum of rectangles, so its 2-D blur is a product of such profiles.
std::vector<double> profile(int n, double lo, double hi, double sigma)
{
    const int radius = int(std::ceil(4.0 * sigma));
    std::vector<double> line(static_cast<size_t>(n), 0.0);
    for (int i = 0; i < n; ++i) {
        double sum = 0.0, weights = 0.0;
        for (int k = -radius; k <= radius; ++k) {
            const int j = std::clamp(i + k, 0, n - 1);
            const double g = radius > 0 ? std::exp(-0.5 * k * k / (sigma * sigma)) : 1.0;
            sum += g * std::max(0.0, std::min(j + 1.0, hi) - std::max(double(j), lo));
            weights += g;
        }
        line[size_t(i)] = sum / weights;
    }
    return line;
}

// The bar and stem move by amplitude x sin(2 pi f t); frames are piped to the ffmpeg tool.
bool writeShakerClip(const QString& path, double amplitude, double hz, double blur)
{
    QProcess ffmpeg;
    ffmpeg.start(test::findTool(QStringLiteral("ffmpeg")),
                 QString::asprintf("-v error -y -f rawvideo -pix_fmt gray -s %dx%d -r %g -i - -c:v "
                                   "libx264 -crf 23 -g %d -sc_threshold 0 -pix_fmt yuv420p",
                                   kWidth, kHeight, kRate, kKeyFrameInterval)
                         .split(QLatin1Char(' '))
                     << path);
    const auto barX = profile(kWidth, kBar.left(), kBar.right() + 1, blur);
    const auto stemX = profile(kWidth, kStem.left(), kStem.right() + 1, blur);
    const auto floorY = profile(kHeight, 200.0, kHeight, blur);
    // Nearly Gaussian noise, cheaply: the four 16-bit parts of a xorshift64 draw, summed.
    quint64 random = 0x9e3779b97f4a7c15ull;
    QByteArray frame(kWidth * kHeight, Qt::Uninitialized);
    for (int i = 0; i < kFrames && ffmpeg.waitForStarted(); ++i) {
        const double d = amplitude * std::sin(2.0 * std::numbers::pi * hz * i / kRate);
        const auto barY = profile(kHeight, kBar.top() + d, kBar.bottom() + 1 + d, blur);
        const auto stemY = profile(kHeight, kStem.top() + d, kStem.bottom() + 1 + d, blur);
        for (int p = 0; p < kWidth * kHeight; ++p) {
            const size_t x = size_t(p % kWidth), y = size_t(p / kWidth);
            random ^= random << 13, random ^= random >> 7, random ^= random << 17;
            const double noise = double((random & 0xffff) + ((random >> 16) & 0xffff) +
                                        ((random >> 32) & 0xffff) + (random >> 48)) -
                                 2.0 * 65535.0;
            const double v = 95.0 - 73.0 * floorY[y] -
                             57.0 * (barX[x] * barY[y] + stemX[x] * stemY[y]) +
                             noise * 3.0 * std::sqrt(3.0) / 65536.0;
            frame[p] = char(std::clamp(std::lround(v), 0L, 255L));
        }
        ffmpeg.write(frame);
        ffmpeg.waitForBytesWritten(-1);
    }
    ffmpeg.closeWriteChannel();
    return ffmpeg.waitForFinished(120000) && ffmpeg.exitStatus() == QProcess::NormalExit &&
           ffmpeg.exitCode() == 0;
}

// On the bar or stem, within a cell's height of their edges.
bool onTheBar(const QRectF& cell)
{
    const QRectF px(cell.x() * kWidth, cell.y() * kHeight, cell.width() * kWidth,
                    cell.height() * kHeight);
    return px.intersects(QRectF(kBar).adjusted(-2, -9, 2, 9)) ||
           px.intersects(QRectF(kStem).adjusted(-2, 0, 2, 9));
}

} // namespace

class CameraClipsTest : public QObject
{
    Q_OBJECT

private slots:
    void strongestCandidateIsTheVibration_data()
    {
        QTest::addColumn<double>("amplitude");
        QTest::addColumn<double>("frequency");
        QTest::addColumn<double>("blur");
        QTest::addColumn<double>("minimumContrastDb");
        QTest::addColumn<bool>("onKeyFrameLine"); // 240 / 12 = 20 Hz and its multiples
        QTest::newRow("blurred 0.2 px at 2 Hz") << 0.2 << 2.0 << 1.5 << 6.0 << false;
        QTest::newRow("blurred 0.1 px at 20 Hz") << 0.1 << 20.0 << 1.5 << 6.0 << true;
        QTest::newRow("sharp 0.4 px at 2 Hz") << 0.4 << 2.0 << 0.0 << 20.0 << false;
        // Without motion, the strongest line comes from the encoder.
        QTest::newRow("key-frame lines without motion") << 0.0 << 0.0 << 1.5 << 6.0 << true;
    }

    void strongestCandidateIsTheVibration()
    {
        QFETCH(double, amplitude);
        QFETCH(double, frequency);
        QFETCH(double, blur);
        QFETCH(double, minimumContrastDb);
        QFETCH(bool, onKeyFrameLine);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("shaker.mp4"));
        QVERIFY(writeShakerClip(path, amplitude, frequency, blur));
        project_data::SpectrumAnalysisRequest request;
        QString error;
        QVERIFY2(media::libav::LibavVideoAnalyzer().analyze({}, path, &request.videoInfo, &error),
                 qPrintable(error));
        request.videoInfo.captureFrameRate = kRate;
        request.endFrame = kFrames;
        request.requestedGrid = spectrum::gridForDensity(2);
        const auto result = spectrum::runSpectrumAnalysis(request, {}, {});
        QVERIFY2(result.ok, qPrintable(result.errorMessage));
        QCOMPARE(result.keyFrameInterval, kKeyFrameInterval);
        QVERIFY(!result.candidates.empty());
        for (const project_data::FrequencyCandidate& c : result.candidates) {
            const double offLine = std::remainder(c.frequencyHz, kRate / kKeyFrameInterval);
            QVERIFY2(std::abs(offLine) > result.binWidthHz || c.possibleCompressionArtefact,
                     qPrintable(QString::number(c.frequencyHz)));
        }
        const project_data::FrequencyCandidate& strongest = result.candidates.front();
        QCOMPARE(strongest.possibleCompressionArtefact, onKeyFrameLine);
        if (amplitude == 0.0)
            return;
        QVERIFY(std::abs(strongest.frequencyHz - frequency) <= result.binWidthHz);
        QVERIFY(strongest.contrastDb >= minimumContrastDb);

        // The band map lights the bar: nine in ten of its strong cells touch the bar's edges.
        int strong = 0, strongOnBar = 0;
        for (const auto& entry :
             spectrum::bandPowerMap(result.acceptedSignals, result.binWidthHz,
                                    strongest.lowerFrequencyHz, strongest.upperFrequencyHz)) {
            const bool isStrong = entry.valid && entry.value >= 0.5;
            strong += isStrong ? 1 : 0;
            strongOnBar += isStrong && onTheBar(entry.cellRect) ? 1 : 0;
        }
        QVERIFY2(strong > 0 && strongOnBar * 10 >= strong * 9,
                 qPrintable(QStringLiteral("%1 of %2").arg(strongOnBar).arg(strong)));
    }

    // The sample clip the build writes for a first start (with the program's own encoder):
    // parts moving 0.4 px at 12.5 Hz and 0.3 px at 37.5 Hz are its two strongest lines.
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
                [&](const auto& c) { return std::abs(c.frequencyHz - hz) <= result.binWidthHz; });
            QVERIFY2(found != result.candidates.begin() + 2, qPrintable(QString::number(hz)));
            QVERIFY2(std::abs(found->amplitudePx - px) <= 0.2 * px,
                     qPrintable(QString::number(found->amplitudePx)));
        }
    }
};

QTEST_GUILESS_MAIN(CameraClipsTest)
#include "tst_cameraclips.moc"
