#include "LibavClipFixtures.h"
#include "media/VideoBackend.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using orvi::media::ReadResult;
using orvi::media::VideoBackend;
using orvi::media::VideoFrame;
using orvi::media::tests::LibavClipFixtures;

// Frame widths that are not a multiple of the converter's vector block: the RGBA images
// must come out complete and exact, and nothing may be written past them.
class TestLibavFrameWidths : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!LibavClipFixtures::ffmpegAvailable())
            QSKIP("ffmpeg is not installed.");
        QVERIFY(m_directory.isValid());
    }

    void framesMatchTheReferenceDecode_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("portrait 360 wide") << QSize(360, 576); // SD: BT.601 like the reference
        QTest::newRow("narrow 34 wide") << QSize(34, 18);
        QTest::newRow("width 8 past a block") << QSize(200, 120);
        QTest::newRow("whole blocks") << QSize(352, 64);
    }

    void framesMatchTheReferenceDecode()
    {
        QFETCH(QSize, size);
        LibavClipFixtures fixtures(m_directory.path());
        const QString name = QStringLiteral("w%1x%2.mp4").arg(size.width()).arg(size.height());
        const QString clip = fixtures.uniformMp4(name, 12, size, 30);
        QVERIFY2(!clip.isEmpty(), qPrintable(fixtures.lastError()));

        const QString rawPath = clip + QStringLiteral(".rgba");
        QString output;
        QVERIFY2(orvi::test::runTool(QStringLiteral("ffmpeg"),
                                     {"-v", "error", "-y", "-i", clip, "-f", "rawvideo", "-pix_fmt",
                                      "rgba", "-sws_flags", "bilinear", rawPath},
                                     &output),
                 qPrintable(output));
        QFile raw(rawPath);
        QVERIFY(raw.open(QIODevice::ReadOnly));
        const qsizetype frameBytes = qsizetype(size.width()) * size.height() * 4;

        // Several rounds of open, read all, close: a damaged heap shows up at the frees.
        for (int round = 0; round < 3; ++round) {
            auto source = VideoBackend::createSource({}, 2);
            QString error;
            QVERIFY2(source->open(clip, &error), qPrintable(error));
            raw.seek(0);
            VideoFrame frame;
            int frames = 0;
            while (source->readFrame(frame, &error) == ReadResult::Frame) {
                QCOMPARE(frame.image.size(), size);
                const QByteArray expected = raw.read(frameBytes);
                QCOMPARE(expected.size(), frameBytes);
                QCOMPARE(maximumDifference(frame.image, expected), 0);
                ++frames;
            }
            QCOMPARE(frames, 12);
            source->close();
        }
    }

private:
    static int maximumDifference(const QImage& image, const QByteArray& expected)
    {
        const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
        const int rowBytes = rgba.width() * 4;
        int worst = 0;
        for (int y = 0; y < rgba.height(); ++y) {
            const uchar* row = rgba.constScanLine(y);
            const auto* reference =
                reinterpret_cast<const uchar*>(expected.constData()) + qsizetype(y) * rowBytes;
            for (int i = 0; i < rowBytes; ++i)
                worst = std::max(worst, std::abs(int(row[i]) - int(reference[i])));
        }
        return worst;
    }

    QTemporaryDir m_directory;
};

QTEST_GUILESS_MAIN(TestLibavFrameWidths)
#include "tst_LibavFrameWidths.moc"
