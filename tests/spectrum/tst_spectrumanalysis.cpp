#include "SpectrumTestVideo.h"
#include "spectrum/SpectrumAnalysisLimits.h"
#include "spectrum/SpectrumAnalysisRun.h"
#include "spectrum/SpectrumViews.h"

#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <functional>
#include <limits>
#include <numbers>

using namespace orvi;
using namespace orvi::spectrum;
using orvi::spectrum::testing::SyntheticTexture;
using orvi::spectrum::testing::writeTestVideo;
using project_data::SpectrumAnalysisRequest;

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

// A valid request: 1920 x 1080 source, 1000 frames, whole frame, 32 x 16 grid.
SpectrumAnalysisRequest validRequest()
{
    SpectrumAnalysisRequest request;
    request.videoInfo.filePath = QStringLiteral("/videos/pump.mp4");
    request.videoInfo.frameSize = QSize(1920, 1080);
    request.videoInfo.frameCount = 100000;
    request.videoInfo.captureFrameRate = 240.0;
    request.startFrame = 0;
    request.endFrame = 1000;
    return request;
}

const QString kWorkers =
    QStringLiteral("Select automatic resource usage or a supported worker thread count.");
const QString kSource = QStringLiteral("A prepared source video is required.");
const QString kRateMessage =
    QStringLiteral("Enter a capture frame rate greater than 0 and no greater than 10000 fps.");
const QString kRange = QStringLiteral("Select a frame range inside the source video.");
const QString kLength = QStringLiteral("Select between 65 and 65537 frames for spectrum analysis.");
const QString kRegion =
    QStringLiteral("Select a region at least 32 by 32 pixels inside the frame.");
const QString kMegapixels =
    QStringLiteral("The source exceeds the spectrum analysis limit of 32 megapixels.");
const QString kGrid = QStringLiteral("Select one of the available grid densities.");
const QString kNarrow =
    QStringLiteral("The analysis region is too narrow after spatial reduction.");

QString budgetMessage(qint64 frames)
{
    return QStringLiteral("This grid supports at most %1 frames within the signal memory "
                          "budget. Shorten the fragment or choose a coarser grid.")
        .arg(frames);
}

} // namespace

Q_DECLARE_METATYPE(SpectrumAnalysisRequest)

// The request limits and the whole analysis run on rendered clips.
class SpectrumAnalysisTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void findsBothPatchFrequencies();
    void flatRegionHasNoReliableSignals();
    void refusalsBeforeReadingLeaveNoSites();
    void readingPastTheEndReportsIncompleteDecoding();
    void validationOrder_data();
    void validationOrder();
    void geometry();
    void identityTracksEveryInput();

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

void SpectrumAnalysisTest::validationOrder_data()
{
    QTest::addColumn<SpectrumAnalysisRequest>("request");
    QTest::addColumn<QString>("message");
    using Change = std::function<void(SpectrumAnalysisRequest&)>;
    const auto row = [](const char* name, const Change& change, const QString& message) {
        SpectrumAnalysisRequest r = validRequest();
        change(r);
        QTest::newRow(name) << r << message;
    };
    row(
        "valid request", [](auto&) {}, QString());
    row(
        "257 workers fail first whatever else is wrong",
        [](auto& r) {
            r.workerThreadCount = 257;
            r.videoInfo.filePath.clear();
            r.endFrame = 10;
        },
        kWorkers);
    row(
        "no path", [](auto& r) { r.videoInfo.filePath.clear(); }, kSource);
    for (double rate : {0.0, 10000.5, std::numeric_limits<double>::quiet_NaN()}) {
        SpectrumAnalysisRequest r = validRequest();
        r.videoInfo.captureFrameRate = rate;
        QTest::addRow("rate %g", rate) << r << kRateMessage;
    }
    row(
        "end past the video", [](auto& r) { r.videoInfo.frameCount = 999; }, kRange);
    row(
        "64 frames", [](auto& r) { r.endFrame = 64; }, kLength);
    row(
        "65538 frames", [](auto& r) { r.endFrame = 65538, r.requestedGrid = QSize(16, 8); },
        kLength);
    row(
        "20 x 40 region fails before the grid rules",
        [](auto& r) {
            r.analysisRegion = QRectF(0.1, 0.1, 20.0 / 1920, 40.0 / 1080);
            r.requestedGrid = QSize(5, 5);
        },
        kRegion);
    row(
        "edge tolerance", [](auto& r) { r.analysisRegion = QRectF(0.5, 0.0, 0.5000001, 1.0); },
        QString());
    row(
        "8192 x 4097", [](auto& r) { r.videoInfo.frameSize = QSize(8192, 4097); }, kMegapixels);
    row(
        "density index 3", [](auto& r) { r.requestedGrid = gridForDensity(3); }, kGrid);
    // Reduced to 512 x 1: no room for a grid.
    row(
        "narrow after reduction", [](auto& r) { r.videoInfo.frameSize = QSize(20000, 40); },
        kNarrow);
    row(
        "65537 frames on 32 x 16", [](auto& r) { r.endFrame = 65537; }, budgetMessage(16385));
    row(
        "65537 frames on 16 x 8 pass",
        [](auto& r) { r.endFrame = 65537, r.requestedGrid = QSize(16, 8); }, QString());
}

void SpectrumAnalysisTest::validationOrder()
{
    QFETCH(SpectrumAnalysisRequest, request);
    QFETCH(QString, message);
    QString problem;
    QCOMPARE(validate(request, &problem), message.isEmpty());
    QCOMPARE(problem, message);
}

void SpectrumAnalysisTest::geometry()
{
    struct Case
    {
        QSize source;
        QRectF region;
        QSize grid, image, effective;
        qint64 maximum;
    };
    // 1080p whole frame; 40 x 40 pixels; fractional edges widen outward; a 600 x 300 crop
    // scales to 512 x 256; too small for a grid.
    for (const Case& c :
         {Case{{1920, 1080}, {0, 0, 1, 1}, {64, 32}, {512, 288}, {64, 32}, 4097},
          Case{{1000, 1000}, {0.1, 0.2, 0.04, 0.04}, {64, 32}, {40, 40}, {7, 7}, 65537},
          Case{{100, 100}, {0.105, 0.2, 0.5, 0.301}, {32, 16}, {51, 31}, {9, 4}, 65537},
          Case{{1200, 600}, {0.25, 0.25, 0.5, 0.5}, {32, 16}, {512, 256}, {32, 16}, 16385},
          Case{{100, 100}, {0, 0, 0.15, 1}, {32, 16}, {15, 100}, {}, 0}}) {
        SpectrumAnalysisRequest request = validRequest();
        request.videoInfo.frameSize = c.source;
        request.analysisRegion = c.region;
        request.requestedGrid = c.grid;
        QCOMPARE(analysisImageSize(request), c.image);
        QCOMPARE(effectiveGrid(request), c.effective);
        QCOMPARE(maximumFragmentFrames(request), c.maximum);
    }
}

void SpectrumAnalysisTest::identityTracksEveryInput()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("clip.mp4"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("0123456789");
    }
    SpectrumAnalysisRequest request = validRequest();
    request.videoInfo.filePath = path;
    const QByteArray identity = makeIdentity(3, request);
    QCOMPARE(identity.size(), 64);
    QCOMPARE(makeIdentity(3, request), identity);
    // The worker count is not an input of the result; everything else is (the region and the
    // capture rate: the controller's staleness test).
    SpectrumAnalysisRequest changed = request;
    changed.workerThreadCount = 1;
    QCOMPARE(makeIdentity(3, changed), identity);
    QVERIFY(makeIdentity(4, request) != identity);
    const std::function<void(SpectrumAnalysisRequest&)> changes[] = {
        [](auto& r) { r.endFrame += 1; },
        [](auto& r) { r.requestedGrid = QSize(64, 32); },
    };
    for (const auto& change : changes) {
        changed = request;
        change(changed);
        QVERIFY(makeIdentity(3, changed) != identity);
    }
    // Rewriting the file changes its size and so the identity.
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::Append));
        file.write("more");
    }
    QVERIFY(makeIdentity(3, request) != identity);
}

QTEST_GUILESS_MAIN(SpectrumAnalysisTest)
#include "tst_spectrumanalysis.moc"
