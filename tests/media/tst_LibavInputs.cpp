#include "media/libav/LibavVideoAnalyzer.h"
#include "media/libav/LibavVideoSource.h"
#include "support/MediaTools.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <atomic>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace orvi::media;
using orvi::media::libav::LibavVideoAnalyzer;
using orvi::media::libav::LibavVideoSource;

namespace {

// Frame n is a flat grey, so every frame differs from its neighbours.
const QString kGreyRamp = QStringLiteral("nullsrc=s=64x48:r=30,geq=lum='16+2*N':cb=128:cr=128");
const QStringList kBFrames{"-c:v", "libx264", "-pix_fmt", "yuv420p", "-g", "48", "-bf", "2"};

VideoInfo probe(const QString& path)
{
    VideoInfo info;
    QString error;
    LibavVideoAnalyzer analyzer;
    if (!analyzer.analyze({}, path, &info, &error))
        qWarning("probe of %s failed: %s", qPrintable(path), qPrintable(error));
    return info;
}

} // namespace

// Files that ordinary tools write but that carry no seek index or no timestamps, and paths
// that must never reach the demuxer.
class TestLibavInputs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (orvi::test::findTool(QStringLiteral("ffmpeg")).isEmpty())
            QSKIP("ffmpeg is needed to make the clips");
        QVERIFY(m_directory.isValid());
    }

    void seeksToTheRightFrame_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("extra");
        QTest::newRow("MPEG-TS with B-frames") << "ramp.ts" << kBFrames;
        QTest::newRow("raw H.264 without timestamps") << "ramp.h264" << kBFrames;
    }

    void seeksToTheRightFrame()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, extra);
        const QString clip = m_directory.filePath(name);
        QString error;
        QVERIFY2(orvi::test::encodeClip(clip, kGreyRamp, 100, extra, &error), qPrintable(error));
        const VideoInfo info = probe(clip);
        QCOMPARE(info.frameCount, 100);

        // Opened from the probed record, as playback and analysis open it.
        LibavVideoSource source;
        QVERIFY2(source.open(info, &error), qPrintable(error));
        QList<QImage> frames;
        VideoFrame frame;
        while (source.readFrame(frame, &error) == ReadResult::Frame)
            frames << frame.image;
        QCOMPARE(frames.size(), 100);
        for (const qint64 index : {37, 0, 99, 61, 64}) {
            QVERIFY2(source.seekToFrame(index, &error), qPrintable(error));
            QCOMPARE(source.readFrame(frame, &error), ReadResult::Frame);
            QCOMPARE(frame.frameIndex, index);
            QVERIFY2(frame.image == frames.at(index), qPrintable(QString::number(index)));
        }
    }

    // Frame 10 changes the picture size, so its conversion fails; frame 11 is fine again.
    void aFrameThatFailsToConvertStillCounts()
    {
        const QString clip = m_directory.filePath(QStringLiteral("resized.ts"));
        QFile joined(clip);
        QVERIFY(joined.open(QIODevice::WriteOnly));
        const QList<std::pair<QString, int>> parts{{"64x48", 0}, {"32x24", 10}, {"64x48", 11}};
        for (const auto& [size, first] : parts) {
            const QString part = m_directory.filePath(QStringLiteral("part%1.ts").arg(first));
            QString error;
            QVERIFY2(orvi::test::encodeClip(
                         part, QStringLiteral("testsrc2=s=%1:r=30").arg(size), first == 10 ? 1 : 10,
                         {"-output_ts_offset", QString::number(first / 30.0)}, &error),
                     qPrintable(error));
            QFile file(part);
            QVERIFY(file.open(QIODevice::ReadOnly));
            joined.write(file.readAll());
        }
        joined.close();

        LibavVideoSource source;
        QString error;
        QVERIFY2(source.open(clip, &error), qPrintable(error));
        VideoFrame frame;
        QVERIFY(source.seekToFrame(9, &error));
        QCOMPARE(source.readFrame(frame, &error), ReadResult::Frame);
        QCOMPARE(source.readFrame(frame, &error), ReadResult::Error);
        QCOMPARE(source.readFrame(frame, &error), ReadResult::Frame);
        QCOMPARE(frame.frameIndex, 11);
        QCOMPARE(frame.presentationTimeUs, std::llround(11 * 1e6 / 30.0));
    }

    void refusesPathsThatAreNoRegularFiles_data()
    {
        QTest::addColumn<QString>("path");
        const QString fifo = m_directory.filePath(QStringLiteral("pipe"));
        QVERIFY(mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        QTest::newRow("FIFO") << fifo;
        QTest::newRow("device") << QStringLiteral("/dev/zero");
        QTest::newRow("directory") << m_directory.path();
    }

    void refusesPathsThatAreNoRegularFiles()
    {
        QFETCH(QString, path);
        const QString expected = QStringLiteral("The video path does not name a regular file.");
        std::atomic<bool> done{false};
        QString probeError;
        std::thread probing([&] {
            VideoInfo info;
            LibavVideoAnalyzer().analyze({}, path, &info, &probeError);
            done = true;
        });
        for (int waited = 0; waited < 1000 && !done; ++waited)
            QThread::msleep(10);
        const bool returned = done;
        if (!returned) // release an open that blocks on the FIFO before failing
            ::close(::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK));
        probing.join();
        QVERIFY2(returned, "opening the path blocked");
        QCOMPARE(probeError, expected);

        VideoInfo info;
        info.filePath = path;
        info.frameSize = QSize(64, 48);
        info.nominalFrameRate = 30.0;
        info.frameCount = 10;
        LibavVideoSource source;
        QString error;
        QVERIFY(!source.open(info, &error));
        QCOMPARE(error, expected);
    }

private:
    QTemporaryDir m_directory;
};

QTEST_GUILESS_MAIN(TestLibavInputs)
#include "tst_LibavInputs.moc"
