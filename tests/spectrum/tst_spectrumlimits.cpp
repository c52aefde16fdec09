#include "spectrum/SpectrumAnalysisLimits.h"

#include <QTemporaryDir>
#include <QtTest>
#include <functional>
#include <limits>

using namespace orvi;
using namespace orvi::spectrum;
using project_data::SpectrumAnalysisRequest;

namespace {

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
const QString kRate =
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

class SpectrumLimitsTest : public QObject
{
    Q_OBJECT

private slots:
    void validationOrder_data();
    void validationOrder();
    void geometry();
    void identityTracksEveryInput();
};

void SpectrumLimitsTest::validationOrder_data()
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
        QTest::addRow("rate %g", rate) << r << kRate;
    }
    row(
        "negative start", [](auto& r) { r.startFrame = -1; }, kRange);
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

void SpectrumLimitsTest::validationOrder()
{
    QFETCH(SpectrumAnalysisRequest, request);
    QFETCH(QString, message);
    QString problem;
    QCOMPARE(validate(request, &problem), message.isEmpty());
    QCOMPARE(problem, message);
}

void SpectrumLimitsTest::geometry()
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

void SpectrumLimitsTest::identityTracksEveryInput()
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

QTEST_GUILESS_MAIN(SpectrumLimitsTest)
#include "tst_spectrumlimits.moc"
