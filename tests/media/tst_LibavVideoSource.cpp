#include "LibavClipFixtures.h"
#include "media/libav/LibavVideoAnalyzer.h"
#include "media/libav/LibavVideoSource.h"

#include <QTemporaryDir>
#include <QtTest>
#include <atomic>
#include <cmath>
#include <memory>

using orvi::media::IVideoSource;
using orvi::media::ReadResult;
using orvi::media::VideoFrame;
using orvi::media::VideoInfo;
using orvi::media::libav::LibavVideoAnalyzer;
using orvi::media::libav::LibavVideoSource;
using orvi::media::tests::LibavClipFixtures;

namespace {

qint64 gridUs(qint64 index, double rate)
{
    return std::llround(static_cast<double>(index) * 1e6 / rate);
}

QList<QImage> readAll(IVideoSource& source, QString* error)
{
    QList<QImage> images;
    VideoFrame frame;
    ReadResult result;
    while ((result = source.readFrame(frame, error)) == ReadResult::Frame)
        images << frame.image;
    if (result == ReadResult::Error)
        images.clear();
    return images;
}

VideoInfo probe(const QString& path)
{
    LibavVideoAnalyzer analyzer;
    VideoInfo info;
    QString error;
    if (!analyzer.analyze({}, path, &info, &error))
        qWarning("probe of %s failed: %s", qPrintable(path), qPrintable(error));
    return info;
}

} // namespace

class TestLibavVideoSource : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!LibavClipFixtures::ffmpegAvailable())
            QSKIP("the ffmpeg tool is needed to make test videos");
        QVERIFY(m_dir.isValid());
        m_clips = std::make_unique<LibavClipFixtures>(m_dir.path());
        m_uniform = m_clips->uniformMp4(QStringLiteral("uniform.mp4"));
        QVERIFY2(!m_uniform.isEmpty(), qPrintable(m_clips->lastError()));
        m_uniformInfo = probe(m_uniform);
        QCOMPARE(m_uniformInfo.frameCount, 48);
    }

    // Reads, skips and seeks of a file opened from its probed record, all on the 30 fps grid.
    void readsSkipsAndSeeksOnTheNominalGrid()
    {
        LibavVideoSource source(nullptr, 1);
        QString error;
        QVERIFY2(source.open(m_uniformInfo, &error), qPrintable(error));
        QList<QImage> images;
        VideoFrame frame;
        for (qint64 index = 0; index < 48; ++index) {
            QCOMPARE(source.readFrame(frame, &error), ReadResult::Frame);
            QCOMPARE(frame.frameIndex, index);
            QCOMPARE(frame.presentationTimeUs, gridUs(index, 30.0));
            QCOMPARE(frame.image.format(), QImage::Format_RGBA8888);
            images << frame.image;
        }
        QCOMPARE(source.readFrame(frame, &error), ReadResult::EndOfStream);
        QVERIFY(error.isEmpty());

        // A time between two frames gives the later one.
        struct Seek
        {
            bool byTime;
            qint64 position;
            qint64 index;
        };
        for (const Seek& seek : {Seek{true, gridUs(12, 30.0), 12},
                                 {true, gridUs(12, 30.0) + 1, 13},
                                 {false, 47, 47}}) {
            const auto [byTime, position, index] = seek;
            QVERIFY(byTime ? source.seekToTimeUs(position, &error)
                           : source.seekToFrame(position, &error));
            QCOMPARE(source.readFrame(frame, &error), ReadResult::Frame);
            QCOMPARE(frame.frameIndex, index);
            QCOMPARE(frame.presentationTimeUs, gridUs(index, 30.0));
            QCOMPARE(frame.image, images.at(index));
        }
        QCOMPARE(source.readFrame(frame, &error), ReadResult::EndOfStream);

        QVERIFY(source.seekToFrame(0, &error));
        qint64 index = -1;
        qint64 timeUs = -1;
        for (int i = 0; i < 3; ++i)
            QCOMPARE(source.skipFrame(&index, &timeUs, &error), ReadResult::Frame);
        QCOMPARE(index, 2);
        QCOMPARE(timeUs, gridUs(2, 30.0));
        QCOMPARE(source.skipFrame(nullptr, nullptr, nullptr), ReadResult::Frame);
        QCOMPARE(source.readFrame(frame, &error), ReadResult::Frame);
        QCOMPARE(frame.frameIndex, 4);
        QCOMPARE(frame.image, images.at(4));
        source.close();
        QCOMPARE(source.readFrame(frame, &error), ReadResult::Error);
    }

    void knowsKeyFramesAhead()
    {
        const QString path = m_clips->groupedMp4(QStringLiteral("grouped.mp4"), 12);
        QVERIFY2(!path.isEmpty(), qPrintable(m_clips->lastError()));
        LibavVideoSource source;
        QString error;
        QVERIFY2(source.open(path, &error), qPrintable(error));
        // From the container's index, before any frame is decoded.
        QCOMPARE(source.keyFrameAfter(0), 12);
        QCOMPARE(source.keyFrameAfter(30), 36);
        QCOMPARE(source.keyFrameAfter(36), -1);
        QVERIFY(source.seekToFrame(24, &error));
        VideoFrame frame;
        QCOMPARE(source.readFrame(frame, &error), ReadResult::Frame);
        QCOMPARE(frame.frameIndex, 24);
        QVERIFY(frame.keyFrame);
    }

    void refusesUnusableRecord_data()
    {
        QTest::addColumn<QString>("defect");

        QTest::newRow("no path") << QStringLiteral("path");
        QTest::newRow("variable without timing map") << QStringLiteral("map");
        QTest::newRow("size differs from the stream") << QStringLiteral("mismatch");
        QTest::newRow("rotation off the right angles") << QStringLiteral("tilted");
    }

    void refusesUnusableRecord()
    {
        QFETCH(QString, defect);

        VideoInfo info = m_uniformInfo;
        QString expected =
            QStringLiteral("The prepared video metadata is incomplete or unsupported.");
        if (defect == QLatin1String("path")) {
            info.filePath.clear();
        } else if (defect == QLatin1String("map")) {
            info.variableFrameRate = true;
            info.frameTimestamps.pop_back();
        } else if (defect == QLatin1String("mismatch")) {
            info.frameSize = QSize(120, 160);
            expected =
                QStringLiteral("Decoded video dimensions do not match the analyzed metadata.");
        } else {
            info = probe(m_clips->cornerMarkedMp4(QStringLiteral("tilted.mp4"), 45.0));
            expected =
                QStringLiteral("This video uses an unsupported non-right-angle display rotation.");
        }
        LibavVideoSource source;
        QString error;
        QVERIFY(!source.open(info, &error));
        QCOMPARE(error, expected);
        QVERIFY(!source.isOpen());
    }

    void turnsFramesUpright_data() { LibavClipFixtures::addRotationRows(); }

    void turnsFramesUpright()
    {
        QFETCH(double, degrees);
        QFETCH(QSize, frameSize);
        QFETCH(bool, markerRight);
        QFETCH(bool, markerBottom);

        const QString path =
            m_clips->cornerMarkedMp4(QStringLiteral("upright-%1.mp4").arg(degrees), degrees);
        QVERIFY2(!path.isEmpty(), qPrintable(m_clips->lastError()));
        LibavVideoSource source;
        QString error;
        QVERIFY2(source.open(path, &error), qPrintable(error));
        QCOMPARE(source.videoInfo().frameSize, frameSize);
        const QList<QImage> images = readAll(source, &error);
        QCOMPARE(images.size(), 6);
        for (const QImage& image : images) {
            QCOMPARE(image.size(), frameSize);
            const int x = markerRight ? image.width() * 7 / 8 : image.width() / 8;
            const int y = markerBottom ? image.height() * 7 / 8 : image.height() / 8;
            QVERIFY(image.pixelColor(x, y).red() > 180);
            QVERIFY(image.pixelColor(image.width() - 1 - x, image.height() - 1 - y).red() < 80);
        }
    }

    void refusesSeeksOutsideTheVideo_data()
    {
        QTest::addColumn<bool>("open");
        QTest::addColumn<bool>("byTime");
        QTest::addColumn<qint64>("position");
        QTest::addColumn<QString>("expected");

        const QString closed = QStringLiteral("The video file is not open.");
        const QString outsideIndex = QStringLiteral("The frame index is outside the video.");
        const QString outsideTime = QStringLiteral("The seek position is outside the video.");
        QTest::newRow("frame while closed") << false << false << qint64(0) << closed;
        QTest::newRow("negative frame") << true << false << qint64(-1) << outsideIndex;
        QTest::newRow("frame count") << true << false << qint64(48) << outsideIndex;
        QTest::newRow("time equal to the duration")
            << true << true << qint64(1600000) << outsideTime;
    }

    void refusesSeeksOutsideTheVideo()
    {
        QFETCH(bool, open);
        QFETCH(bool, byTime);
        QFETCH(qint64, position);
        QFETCH(QString, expected);

        LibavVideoSource source;
        QString error;
        if (open)
            QVERIFY2(source.open(m_uniformInfo, &error), qPrintable(error));
        const bool sought =
            byTime ? source.seekToTimeUs(position, &error) : source.seekToFrame(position, &error);
        QVERIFY(!sought);
        QCOMPARE(error, expected);
        QCOMPARE(source.isOpen(), open);
        if (open) {
            // A refused seek leaves the read position alone.
            VideoFrame frame;
            QCOMPARE(source.readFrame(frame, &error), ReadResult::Frame);
            QCOMPARE(frame.frameIndex, 0);
        }
    }

    void stopsWhenCancelled()
    {
        auto stop = std::make_shared<std::atomic<bool>>(false);
        LibavVideoSource source([stop] { return stop->load(); });
        QString error;
        QVERIFY2(source.open(m_uniformInfo, &error), qPrintable(error));
        VideoFrame frame;
        QCOMPARE(source.readFrame(frame, &error), ReadResult::Frame);

        stop->store(true);
        QCOMPARE(source.readFrame(frame, &error), ReadResult::Error);
        QCOMPARE(error, QStringLiteral("Video decoding was cancelled."));
        QVERIFY(!source.seekToFrame(3, &error));

        // The request sticks until the next open, even when the flag is lowered again.
        stop->store(false);
        QCOMPARE(source.readFrame(frame, &error), ReadResult::Error);
        source.close();
        QVERIFY(source.wasCancelled());
        QVERIFY2(source.open(m_uniformInfo, &error), qPrintable(error));
        QVERIFY(!source.wasCancelled());

        stop->store(true);
        QVERIFY(!source.open(m_uniformInfo, &error));
        QCOMPARE(error, QStringLiteral("Starting video decoding was cancelled."));
    }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<LibavClipFixtures> m_clips;
    QString m_uniform;
    VideoInfo m_uniformInfo;
};

QTEST_GUILESS_MAIN(TestLibavVideoSource)
#include "tst_LibavVideoSource.moc"
