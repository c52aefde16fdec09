#include "media/libav/LibavVideoAnalyzer.h"
#include "media/libav/LibavVideoSink.h"
#include "media/libav/LibavVideoSource.h"
#include "support/MediaTools.h"
#include "support/TestSupport.h"

#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

using namespace orvi::media;
using namespace orvi::media::libav;

namespace {

// The two solid halves of every clip here, as RGB.
const QColor kLeft(200, 50, 50);
const QColor kRight(40, 180, 90);

int worstChannelError(const QColor& actual, const QColor& expected)
{
    return std::max({std::abs(actual.red() - expected.red()),
                     std::abs(actual.green() - expected.green()),
                     std::abs(actual.blue() - expected.blue())});
}

// Largest error of the two halves' centres of a display-sized image.
int halvesError(const QImage& image)
{
    const int y = image.height() / 2;
    return std::max(worstChannelError(image.pixelColor(image.width() / 4, y), kLeft),
                    worstChannelError(image.pixelColor(image.width() * 3 / 4, y), kRight));
}

QImage halvesImage(const QSize& size)
{
    QImage image(size, QImage::Format_RGBA8888);
    QPainter painter(&image);
    painter.fillRect(0, 0, size.width() / 2, size.height(), kLeft);
    painter.fillRect(size.width() / 2, 0, size.width() / 2, size.height(), kRight);
    return image;
}

} // namespace

// Decoding follows the colour matrix and range of the stream (or what players assume when
// it is untagged) in every conversion path, and exports say what they were written in.
class TestLibavColours : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (orvi::test::findTool(QStringLiteral("ffmpeg")).isEmpty())
            QSKIP("ffmpeg is needed to make and check the clips");
        QVERIFY(m_directory.isValid());
    }

    void decodesWithTheStreamColours_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QString>("matrix"); // what ffmpeg writes the samples in
        QTest::addColumn<QString>("range");
        QTest::addColumn<QStringList>("tags");
        const QSize hd(1280, 720);
        QTest::newRow("BT.709 limited")
            << hd << "bt709"
            << "tv" << QStringList{"-colorspace", "bt709", "-color_primaries", "bt709",
                                   "-color_trc",  "bt709", "-color_range",     "tv"};
        QTest::newRow("BT.709 full")
            << hd << "bt709"
            << "pc" << QStringList{"-colorspace", "bt709", "-color_range", "pc"};
        QTest::newRow("BT.601 limited on HD")
            << hd << "bt601"
            << "tv" << QStringList{"-colorspace", "smpte170m", "-color_range", "tv"};
        QTest::newRow("untagged HD is BT.709") << hd << "bt709"
                                               << "tv" << QStringList{};
        QTest::newRow("untagged SD is BT.601") << QSize(640, 480) << "bt601"
                                               << "tv" << QStringList{};
    }

    void decodesWithTheStreamColours()
    {
        QFETCH(QSize, size);
        QFETCH(QString, matrix);
        QFETCH(QString, range);
        QFETCH(QStringList, tags);
        const QString half = QStringLiteral("s=%1x%2").arg(size.width() / 2).arg(size.height());
        const QString graph = QStringLiteral("color=c=0xC83232:%1,format=rgb24[a];"
                                             "color=c=0x28B45A:%1,format=rgb24[b];[a][b]hstack")
                                  .arg(half);
        const QString clip = m_directory.filePath(QTest::currentDataTag() + QStringLiteral(".mp4"));
        QString output;
        QVERIFY2(orvi::test::encodeClip(
                     clip, graph, 2,
                     QStringList{"-vf",
                                 QStringLiteral("scale=out_color_matrix=%1:out_range=%2,format="
                                                "yuv420p")
                                     .arg(matrix, range),
                                 "-qp", "0"} +
                         tags,
                     &output),
                 qPrintable(output));

        QImage firstFrame;
        VideoInfo info;
        LibavVideoAnalyzer analyzer;
        QVERIFY(analyzer.analyze({}, clip, &info, &output,
                                 [&](const QImage& image) { firstFrame = image; }));
        QVERIFY2(halvesError(firstFrame) <= 2, "first frame of the probe");

        LibavVideoSource source;
        QVERIFY2(source.open(info, &output), qPrintable(output));
        VideoFrame frame;
        QCOMPARE(source.readFrame(frame, &output), ReadResult::Frame);
        QVERIFY2(halvesError(frame.image) <= 2, "whole frame");
        QCOMPARE(
            source.readReducedFrame(QRect(QPoint(0, 0), size), size / 4, frame, nullptr, &output),
            ReadResult::Frame);
        QVERIFY2(halvesError(frame.image) <= 2, "reduced analysis frame");
    }

    void exportedColoursComeBackThroughItsTags_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("HD") << QSize(1280, 720);
        QTest::newRow("SD") << QSize(320, 240);
    }

    void exportedColoursComeBackThroughItsTags()
    {
        QFETCH(QSize, size);
        VideoInfo info;
        info.frameSize = size;
        info.nominalFrameRate = 30.0;
        VideoExportOptions options;
        options.qualityPercent = 100;
        const QString path =
            m_directory.filePath(QStringLiteral("export-%1.mp4").arg(size.width()));
        LibavVideoSink sink;
        QString error;
        QVERIFY2(sink.open(path, info, options, &error), qPrintable(error));
        VideoFrame frame{halvesImage(size), 0, 0};
        for (int i = 0; i < 3; ++i)
            QVERIFY2(sink.writeFrame(frame, &error), qPrintable(error));
        QVERIFY2(sink.finish(&error), qPrintable(error));

        const QByteArray rgba = orvi::test::decodeRgba(path, &error);
        QVERIFY2(!rgba.isEmpty(), qPrintable(error));
        const QImage decoded(reinterpret_cast<const uchar*>(rgba.constData()), size.width(),
                             size.height(), QImage::Format_RGBA8888);
        QVERIFY(halvesError(decoded) <= 2);
    }

private:
    QTemporaryDir m_directory;
};

QTEST_GUILESS_MAIN(TestLibavColours)
#include "tst_LibavColours.moc"
