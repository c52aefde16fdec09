#include "SpectrumTestVideo.h"
#include "motion/MotionWorkerPool.h"
#include "spectrum/PhaseSignalExtractor.h"

#include <QtTest>
#include <cmath>
#include <numbers>

using namespace orvi;
using namespace orvi::spectrum;

namespace {

// Vertical stripes with an 8-pixel period, moved right by `shift` pixels.
QImage stripes(const QSize& size, double shift, double contrast = 60.0)
{
    QImage image(size, QImage::Format_Grayscale8);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.scanLine(y)[x] = uchar(std::lround(
                128.0 + contrast * std::cos(2.0 * std::numbers::pi * (x - shift) / 8.0)));
    return image;
}

struct Extraction
{
    std::vector<std::vector<float>> series;
    std::vector<project_data::AcceptedSignal> signals_;
    std::vector<project_data::GridSite> sites;
    bool allFramesTaken = true;
    QSize imageSize;
};

Extraction extract(int frames, const QSize& grid, const std::function<QImage(int)>& frameAt)
{
    motion_core::MotionWorkerPool pool;
    pool.setWorkerCount(2);
    PhaseSignalExtractor extractor;
    extractor.initialise(QRectF(0, 0, 1, 1), frames - 1, grid, pool);
    Extraction out;
    for (int i = 0; i < frames; ++i)
        out.allFramesTaken = extractor.addFrame(frameAt(i)) && out.allFramesTaken;
    out.imageSize = extractor.analysisImageSize();
    extractor.finish(out.series, out.signals_, out.sites);
    return out;
}

} // namespace

class PhaseSignalExtractorTest : public QObject
{
    Q_OBJECT

private slots:
    void phaseJumpRestartsTheRun_data();
    void phaseJumpRestartsTheRun();
    void fadingContrastIsCountedAsLowContrast();
    void largeCropIsReducedAndLaterFramesMustMatch();
    void limitsRefuseFrames_data();
    void limitsRefuseFrames();
};

void PhaseSignalExtractorTest::phaseJumpRestartsTheRun_data()
{
    QTest::addColumn<int>("jumpFrame");
    QTest::addColumn<int>("segmentStart");
    QTest::addColumn<int>("segmentLength");
    // 130 frames, 129 samples; the jump between frames j - 1 and j rejects sample j - 1.
    QTest::newRow("the longer later run is kept") << 40 << 40 << 89;
    QTest::newRow("two equal runs keep the earlier") << 65 << 0 << 64;
}

void PhaseSignalExtractorTest::phaseJumpRestartsTheRun()
{
    QFETCH(int, jumpFrame);
    QFETCH(int, segmentStart);
    QFETCH(int, segmentLength);
    const QSize size(96, 64);
    const auto frameAt = [&](int i) {
        const double wobble = 0.2 * std::sin(2.0 * std::numbers::pi * i / 10.0);
        return stripes(size, wobble + (i >= jumpFrame ? 3.0 : 0.0));
    };
    const Extraction out = extract(130, QSize(16, 8), frameAt);
    QVERIFY(out.allFramesTaken);
    int checked = 0;
    for (const project_data::GridSite& site : out.sites) {
        if (!site.textured)
            continue;
        ++checked;
        QCOMPARE(site.phaseJumpSamples, 1);
        QCOMPARE(site.gapCount, 1);
        QVERIFY(std::isnan(site.phaseSeriesX[size_t(jumpFrame - 1)]));
        // The running sums start again from zero: one small step, not the old total.
        QVERIFY(std::abs(site.phaseSeriesX[size_t(jumpFrame)]) < 0.3f);
        QCOMPARE(site.segmentStart, segmentStart);
        QCOMPARE(site.segmentLength, segmentLength);
        QVERIFY(site.accepted);
    }
    QVERIFY(checked > 100);
    QCOMPARE(int(out.series.size()), 2 * checked);
    // The segments are copies of the longest runs, X before Y for every point.
    const auto& first =
        *std::find_if(out.sites.begin(), out.sites.end(), [](const auto& s) { return s.accepted; });
    QCOMPARE(out.series[0][0], first.phaseSeriesX[size_t(segmentStart)]);
    QCOMPARE(out.series[1][0], first.phaseSeriesY[size_t(segmentStart)]);
}

void PhaseSignalExtractorTest::fadingContrastIsCountedAsLowContrast()
{
    // Stripes fade to near-flat after frame 100: the local amplitude falls below 1.
    const auto frameAt = [](int i) {
        return stripes(QSize(96, 64), 0.1 * std::sin(i * 0.5), i < 100 ? 60.0 : 0.4);
    };
    const Extraction out = extract(130, QSize(16, 8), frameAt);
    for (const project_data::GridSite& site : out.sites) {
        if (!site.textured)
            continue;
        QVERIFY(site.lowContrastSamples >= 28);
        QCOMPARE(site.segmentStart, 0);
        QVERIFY(site.segmentLength <= 99);
        QVERIFY(site.accepted); // 99 samples: above 64 and a quarter of 129
    }
}

void PhaseSignalExtractorTest::largeCropIsReducedAndLaterFramesMustMatch()
{
    motion_core::MotionWorkerPool pool;
    PhaseSignalExtractor extractor;
    extractor.initialise(QRectF(0, 0, 1, 1), 64, QSize(32, 16), pool);
    const orvi::spectrum::testing::SyntheticTexture texture;
    QVERIFY(extractor.addFrame(texture.frame(QSize(600, 300), {}, 0.0)));
    QCOMPARE(extractor.analysisImageSize(), QSize(512, 256));
    QVERIFY(extractor.addFrame(texture.frame(QSize(600, 300), {}, 0.0)));
    QVERIFY(!extractor.addFrame(texture.frame(QSize(640, 300), {}, 0.0))); // 512 x 240
    // 256 x 512 has the same area as 512 x 256 but would put the points elsewhere.
    QVERIFY(!extractor.addFrame(texture.frame(QSize(300, 600), {}, 0.0)));
    QVERIFY(extractor.addFrame(texture.frame(QSize(600, 300), {}, 0.0)));
}

void PhaseSignalExtractorTest::limitsRefuseFrames_data()
{
    QTest::addColumn<int>("samples");
    QTest::addColumn<QSize>("grid");
    QTest::addColumn<QSize>("frame");
    QTest::addColumn<int>("acceptedFrames");
    QTest::newRow("63 samples") << 63 << QSize(16, 8) << QSize(96, 64) << 0;
    QTest::newRow("signal budget") << 8193 << QSize(64, 16) << QSize(600, 300) << 0;
    QTest::newRow("grid too dense for the image") << 64 << QSize(32, 16) << QSize(96, 64) << 0;
    QTest::newRow("more frames than announced") << 64 << QSize(16, 8) << QSize(96, 64) << 65;
}

void PhaseSignalExtractorTest::limitsRefuseFrames()
{
    QFETCH(int, samples);
    QFETCH(QSize, grid);
    QFETCH(QSize, frame);
    QFETCH(int, acceptedFrames);
    motion_core::MotionWorkerPool pool;
    PhaseSignalExtractor extractor;
    extractor.initialise(QRectF(0, 0, 1, 1), samples, grid, pool);
    const QImage image = stripes(frame, 0.0);
    for (int i = 0; i < acceptedFrames; ++i)
        QVERIFY(extractor.addFrame(image));
    QVERIFY(!extractor.addFrame(image));
}

QTEST_GUILESS_MAIN(PhaseSignalExtractorTest)
#include "tst_phasesignalextractor.moc"
