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
    void geometry_data();
    void geometry();
    void identityTracksEveryInput();
};

void SpectrumLimitsTest::validationOrder_data()
{
    QTest::addColumn<SpectrumAnalysisRequest>("request");
    QTest::addColumn<QString>("message");
    const double nan = std::numeric_limits<double>::quiet_NaN();

    QTest::newRow("valid request") << validRequest() << QString();
    SpectrumAnalysisRequest r = validRequest();
    r.workerThreadCount = 257;
    r.videoInfo.filePath.clear();
    r.endFrame = 10;
    QTest::newRow("257 workers fail first whatever else is wrong") << r << kWorkers;
    r = validRequest();
    r.videoInfo.filePath.clear();
    QTest::newRow("no path") << r << kSource;
    for (double rate : {0.0, 10000.5, nan}) {
        r = validRequest();
        r.videoInfo.captureFrameRate = rate;
        QTest::addRow("rate %g", rate) << r << kRate;
    }
    r = validRequest();
    r.startFrame = -1;
    QTest::newRow("negative start") << r << kRange;
    r = validRequest();
    r.videoInfo.frameCount = 999;
    QTest::newRow("end past the video") << r << kRange;
    r = validRequest();
    r.endFrame = 64;
    QTest::newRow("64 frames") << r << kLength;
    r = validRequest();
    r.endFrame = 65538;
    r.requestedGrid = QSize(16, 8);
    QTest::newRow("65538 frames") << r << kLength;
    r = validRequest();
    r.analysisRegion = QRectF(0.1, 0.1, 20.0 / 1920, 40.0 / 1080);
    r.requestedGrid = QSize(5, 5);
    QTest::newRow("20 x 40 region fails before the grid rules") << r << kRegion;
    r = validRequest();
    r.analysisRegion = QRectF(0.5, 0.0, 0.5000001, 1.0);
    QTest::newRow("edge tolerance") << r << QString();
    r = validRequest();
    r.videoInfo.frameSize = QSize(8192, 4097);
    QTest::newRow("8192 x 4097") << r << kMegapixels;
    r = validRequest();
    r.requestedGrid = gridForDensity(3);
    QTest::newRow("density index 3") << r << kGrid;
    r = validRequest();
    r.videoInfo.frameSize = QSize(20000, 40); // reduced to 512 x 1: no room for a grid
    r.analysisRegion = QRectF(0, 0, 1, 1);
    QTest::newRow("narrow after reduction") << r << kNarrow;
    r = validRequest();
    r.endFrame = 65537;
    QTest::newRow("65537 frames on 32 x 16") << r << budgetMessage(16385);
    r = validRequest();
    r.endFrame = 65537;
    r.requestedGrid = QSize(16, 8);
    QTest::newRow("65537 frames on 16 x 8 pass") << r << QString();
}

void SpectrumLimitsTest::validationOrder()
{
    QFETCH(SpectrumAnalysisRequest, request);
    QFETCH(QString, message);
    QString problem;
    QCOMPARE(validate(request, &problem), message.isEmpty());
    QCOMPARE(problem, message);
}

void SpectrumLimitsTest::geometry_data()
{
    QTest::addColumn<QSize>("source");
    QTest::addColumn<QRectF>("region");
    QTest::addColumn<QSize>("grid");
    QTest::addColumn<QSize>("image");
    QTest::addColumn<QSize>("effective");
    QTest::addColumn<qint64>("maximum");
    QTest::newRow("1080p whole frame, 64 x 32")
        << QSize(1920, 1080) << QRectF(0, 0, 1, 1) << QSize(64, 32) << QSize(512, 288)
        << QSize(64, 32) << qint64(4097);
    QTest::newRow("40 x 40 pixels, 64 x 32")
        << QSize(1000, 1000) << QRectF(0.1, 0.2, 0.04, 0.04) << QSize(64, 32) << QSize(40, 40)
        << QSize(7, 7) << qint64(65537);
    QTest::newRow("fractional edges widen outward")
        << QSize(100, 100) << QRectF(0.105, 0.2, 0.5, 0.301) << QSize(32, 16) << QSize(51, 31)
        << QSize(9, 4) << qint64(65537);
    QTest::newRow("600 x 300 crop scales to 512 x 256")
        << QSize(1200, 600) << QRectF(0.25, 0.25, 0.5, 0.5) << QSize(32, 16) << QSize(512, 256)
        << QSize(32, 16) << qint64(16385);
    QTest::newRow("too small for a grid")
        << QSize(100, 100) << QRectF(0, 0, 0.15, 1) << QSize(32, 16) << QSize(15, 100) << QSize()
        << qint64(0);
}

void SpectrumLimitsTest::geometry()
{
    QFETCH(QSize, source);
    QFETCH(QRectF, region);
    QFETCH(QSize, grid);
    QFETCH(QSize, image);
    QFETCH(QSize, effective);
    QFETCH(qint64, maximum);
    SpectrumAnalysisRequest request = validRequest();
    request.videoInfo.frameSize = source;
    request.analysisRegion = region;
    request.requestedGrid = grid;
    QCOMPARE(analysisImageSize(request), image);
    QCOMPARE(effectiveGrid(request), effective);
    QCOMPARE(maximumFragmentFrames(request), maximum);
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
