// Frames read already cropped and scaled for analysis must show the same picture as the crop
// of the full RGBA frame scaled afterwards: same place, same orientation, same colours, for
// every way the converter reaches the pixels (planar, high bit depth, grey, packed formats
// converted whole first, rotated streams).

#include "LibavClipFixtures.h"
#include "media/libav/LibavVideoSource.h"
#include "support/MediaTools.h"
#include "support/TestSupport.h"

#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

using orvi::media::ReadResult;
using orvi::media::VideoFrame;
using orvi::media::libav::LibavVideoSource;

namespace {

constexpr int kFrames = 3;

// Mean absolute difference of the luminance (the weights the analysis uses) of two images
// of one size. Colour differs more: the full-size conversion does not interpolate chroma.
// A luminance image (Grayscale16) holds luminance × 256.
double luminanceAt(const QImage& image, int x, int y)
{
    if (image.format() == QImage::Format_Grayscale16)
        return reinterpret_cast<const quint16*>(image.constScanLine(y))[x] / 256.0;
    const uchar* p = image.constScanLine(y) + 4 * x;
    return 0.2126 * p[0] + 0.7152 * p[1] + 0.0722 * p[2];
}

double meanLuminanceDifference(const QImage& a, const QImage& b)
{
    const auto readable = [](const QImage& image) {
        return image.format() == QImage::Format_Grayscale16
                   ? image
                   : image.convertToFormat(QImage::Format_RGBA8888);
    };
    const QImage left = readable(a);
    const QImage right = readable(b);
    double sum = 0.0;
    for (int y = 0; y < left.height(); ++y)
        for (int x = 0; x < left.width(); ++x)
            sum += std::abs(luminanceAt(left, x, y) - luminanceAt(right, x, y));
    return sum / (double(left.width()) * left.height());
}

QImage scaledCrop(const QImage& full, const QRect& crop, const QSize& size)
{
    const QImage part = full.copy(crop);
    return part.size() == size ? part
                               : part.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace

class TestLibavReducedFrames : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void showsTheScaledCropOfTheFullFrame_data();
    void showsTheScaledCropOfTheFullFrame();
    void refusesACropOutsideTheFrame();

private:
    QString makeClip(const QString& name, const QStringList& output);

    QTemporaryDir m_dir;
};

QString TestLibavReducedFrames::makeClip(const QString& name, const QStringList& output)
{
    const QString path = m_dir.filePath(name);
    QString log;
    if (!orvi::test::encodeClip(path, "testsrc2=size=640x360:rate=30,gblur=sigma=2", kFrames,
                                output, &log))
        qWarning("ffmpeg failed for %s: %s", qPrintable(name), qPrintable(log));
    return path;
}

void TestLibavReducedFrames::initTestCase()
{
    if (orvi::test::findTool("ffmpeg").isEmpty())
        QSKIP("The ffmpeg tool is needed to make the clips.");
    QVERIFY(m_dir.isValid());
}

void TestLibavReducedFrames::showsTheScaledCropOfTheFullFrame_data()
{
    QTest::addColumn<QString>("clip");
    QTest::addColumn<QRect>("crop");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("luminance"); // 4:2:0 reduced at least twice: luminance only

    const QString h264 =
        makeClip("planar.mp4", {"-c:v", "libx264", "-crf", "8", "-pix_fmt", "yuv420p"});
    const QString deep = makeClip("deep.mkv", {"-c:v", "ffv1", "-pix_fmt", "yuv444p10le"});
    const QString grey = makeClip("grey.mkv", {"-c:v", "ffv1", "-pix_fmt", "gray"});
    const QString packed = makeClip("packed.mkv", {"-c:v", "rawvideo", "-pix_fmt", "yuyv422"});
    orvi::media::tests::LibavClipFixtures fixtures(m_dir.path());
    const QString quarter = fixtures.cornerMarkedMp4("quarter.mp4", 90, kFrames);
    const QString threeQuarters = fixtures.cornerMarkedMp4("three-quarters.mp4", 270, kFrames);

    QTest::newRow("planar 4:2:0, whole frame halved")
        << h264 << QRect(0, 0, 640, 360) << QSize(320, 180) << true;
    QTest::newRow("planar 4:2:0, odd offsets, unscaled")
        << h264 << QRect(33, 17, 301, 203) << QSize(301, 203) << false;
    QTest::newRow("planar 4:2:0, odd offsets, scaled")
        << h264 << QRect(101, 51, 411, 257) << QSize(137, 85) << true;
    QTest::newRow("10-bit 4:4:4") << deep << QRect(64, 40, 500, 300) << QSize(250, 150) << false;
    QTest::newRow("grey") << grey << QRect(7, 9, 400, 200) << QSize(200, 100) << false;
    QTest::newRow("packed 4:2:2, odd offset")
        << packed << QRect(31, 12, 402, 300) << QSize(201, 150) << false;
    // The marker block ends in a different corner for each turn; each crop holds its edges
    // and lies off-centre, so a crop mapped back the wrong way shows something else.
    QTest::newRow("rotated a quarter turn")
        << quarter << QRect(25, 0, 95, 120) << QSize(57, 72) << false;
    QTest::newRow("rotated three quarters")
        << threeQuarters << QRect(0, 45, 95, 115) << QSize(57, 69) << false;
}

void TestLibavReducedFrames::showsTheScaledCropOfTheFullFrame()
{
    QFETCH(QString, clip);
    QFETCH(QRect, crop);
    QFETCH(QSize, size);
    QFETCH(bool, luminance);

    LibavVideoSource whole({}, 1);
    LibavVideoSource reduced({}, 1);
    QString error;
    QVERIFY2(whole.open(clip, &error), qPrintable(error));
    QVERIFY2(reduced.open(clip, &error), qPrintable(error));

    VideoFrame full;
    VideoFrame small;
    for (int i = 0; i < kFrames; ++i) {
        QCOMPARE(whole.readFrame(full, &error), ReadResult::Frame);
        QImage alsoWhole;
        QCOMPARE(reduced.readReducedFrame(crop, size, small, i == 0 ? &alsoWhole : nullptr, &error),
                 ReadResult::Frame);
        QCOMPARE(small.frameIndex, full.frameIndex);
        QCOMPARE(small.presentationTimeUs, full.presentationTimeUs);
        QCOMPARE(small.image.size(), size);
        QCOMPARE(small.image.format(),
                 luminance ? QImage::Format_Grayscale16 : QImage::Format_RGBA8888);
        if (i == 0)
            QCOMPARE(alsoWhole, full.image);

        // Two smooth filters differ by rounding and shape, and reduced 4:2:0 pictures carry
        // their chroma at half the reduced size, all worth a level or two of luminance; a
        // misplaced or turned crop differs by the picture itself.
        const double difference =
            meanLuminanceDifference(small.image, scaledCrop(full.image, crop, size));
        const double displaced = meanLuminanceDifference(
            small.image, scaledCrop(full.image, crop.translated(crop.x() > 8 ? -8 : 8, 6), size));
        QVERIFY2(difference < 2.0, qPrintable(QString::number(difference)));
        QVERIFY2(displaced > 2.5 * difference, qPrintable(QString::number(displaced)));
    }
}

void TestLibavReducedFrames::refusesACropOutsideTheFrame()
{
    const QString clip = m_dir.filePath("planar.mp4");
    LibavVideoSource source({}, 1);
    QString error;
    QVERIFY2(source.open(clip, &error), qPrintable(error));
    VideoFrame frame;
    QCOMPARE(
        source.readReducedFrame(QRect(600, 0, 41, 360), QSize(20, 180), frame, nullptr, &error),
        ReadResult::Error);
    QCOMPARE(error, QStringLiteral("The requested part of the frame lies outside the decoded "
                                   "frame."));
    QVERIFY(frame.image.isNull());
    QCOMPARE(source.readReducedFrame(QRect(0, 0, 640, 360), QSize(), frame, nullptr, &error),
             ReadResult::Error);
}

QTEST_GUILESS_MAIN(TestLibavReducedFrames)
#include "tst_LibavReducedFrames.moc"
