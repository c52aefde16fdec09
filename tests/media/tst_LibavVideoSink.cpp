#include "media/libav/LibavVideoSink.h"
#include "support/MediaTools.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <atomic>

using orvi::media::VideoExportOptions;
using orvi::media::VideoInfo;
using orvi::media::libav::LibavVideoSink;
using namespace orvi::test;

namespace {

const QSize kSize(64, 48);

// Metadata whose average playback rate is frameCount * 1e6 / durationUs.
VideoInfo makeSinkInfo(const QSize& size, qint64 frameCount = 300, qint64 durationUs = 10'000'000)
{
    VideoInfo info;
    info.filePath = QStringLiteral("/videos/source.mp4");
    info.frameSize = size;
    info.frameCount = frameCount;
    info.durationUs = durationUs;
    info.nominalFrameRate = 30.0;
    return info;
}

// A moving gradient with varying alpha, different for every index.
orvi::media::VideoFrame makeSinkFrame(const QSize& size, qint64 index)
{
    QImage image(size, QImage::Format_RGBA8888);
    for (int y = 0; y < size.height(); ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < size.width(); ++x) {
            row[4 * x + 0] = uchar((x * 4 + index * 9) & 0xff);
            row[4 * x + 1] = uchar((y * 4 + index * 5) & 0xff);
            row[4 * x + 2] = uchar(((x + y) * 2 + index) & 0xff);
            row[4 * x + 3] = uchar(255 - ((x * y + index) & 0x3f));
        }
    }
    orvi::media::VideoFrame frame;
    frame.image = image;
    frame.frameIndex = index;
    frame.presentationTimeUs = 1'000'000 + index * 7; // deliberately not on the output grid
    return frame;
}

QByteArray packedRgba(const QImage& image)
{
    const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    QByteArray bytes;
    for (int y = 0; y < rgba.height(); ++y)
        bytes.append(reinterpret_cast<const char*>(rgba.constScanLine(y)), rgba.width() * 4);
    return bytes;
}

VideoExportOptions mkvOptions()
{
    VideoExportOptions options;
    options.container = QStringLiteral("Matroska");
    options.videoCodec = QStringLiteral("FFV1");
    return options;
}

bool writeFrames(LibavVideoSink& sink, const QSize& size, int count, QString* error)
{
    for (int i = 0; i < count; ++i)
        if (!sink.writeFrame(makeSinkFrame(size, i), error))
            return false;
    return true;
}

} // namespace

class TestLibavVideoSink : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (orvi::test::findTool(QStringLiteral("ffprobe")).isEmpty() ||
            orvi::test::findTool(QStringLiteral("ffmpeg")).isEmpty())
            QSKIP("ffmpeg and ffprobe are needed to check the encoded files");
    }

    void refusesRequestsBeforeCreatingAnyFile_data()
    {
        QTest::addColumn<QString>("fileName"); // "missing/..." = no folder; absolute: elsewhere
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("quality");
        QTest::addColumn<int>("flags");       // 1 audio
        QTest::addColumn<QString>("message"); // a prefix when it ends with ": "

        const QString unsupported =
            QStringLiteral("The requested video output format is unsupported.");
        QTest::newRow("odd-width-h264")
            << "out.mp4" << QSize(1919, 1080) << 75 << 0
            << "H.264/yuv420p export requires an even frame width and height.";
        QTest::newRow("quality-above-100")
            << "out.mp4" << kSize << 101 << 0 << "Export quality must be between 0 and 100.";
        QTest::newRow("audio-requested") << "out.mp4" << kSize << 75 << 1 << unsupported;
        QTest::newRow("missing-folder")
            << "missing/out.mp4" << kSize << 75 << 0 << "The output directory does not exist.";
        // Nothing can be created in /proc, not even by root.
        QTest::newRow("unwritable-folder") << "/proc/orvi-sink-test.mp4" << kSize << 75 << 0
                                           << "Could not open the output video file: ";
    }

    void refusesRequestsBeforeCreatingAnyFile()
    {
        QFETCH(QString, fileName);
        QFETCH(QSize, size);
        QFETCH(int, quality);
        QFETCH(int, flags);
        QFETCH(QString, message);

        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        QFile existing(folder.filePath(QStringLiteral("existing.mp4")));
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.write("not a video");
        existing.close();
        const QStringList before = folderEntries(folder.path());

        VideoExportOptions options;
        options.qualityPercent = quality;
        options.includeAudio = (flags & 1) != 0;

        LibavVideoSink sink;
        QString error;
        const QString path = fileName.startsWith('/') ? fileName : folder.filePath(fileName);
        QVERIFY(!sink.open(path, makeSinkInfo(size), options, &error));
        QVERIFY2(message.endsWith(": ") ? error.startsWith(message) : error == message,
                 qPrintable(error));
        QVERIFY(!sink.isOpen() && sink.cleanupWarning().isEmpty());
        QVERIFY(!QFileInfo::exists(QStringLiteral("/proc/orvi-sink-test.mp4")));
        QCOMPARE(folderEntries(folder.path()), before);
        QFile check(existing.fileName());
        QVERIFY(check.open(QIODevice::ReadOnly));
        QCOMPARE(check.readAll(), QByteArray("not a video"));
    }

    void exportsH264Mp4ThatFfprobeAccepts_data()
    {
        QTest::addColumn<qint64>("durationUs");
        QTest::addColumn<QString>("averageRate");

        QTest::newRow("integer-rate") << qint64(10'000'000) << "30/1";
        QTest::newRow("ntsc-rate") << qint64(10'010'000) << "30000/1001";
        QTest::newRow("rounded-duration") << qint64(10'000'011) << "30/1";
    }

    void exportsH264Mp4ThatFfprobeAccepts()
    {
        QFETCH(qint64, durationUs);
        QFETCH(QString, averageRate);

        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("export.mp4"));
        const QSize size(320, 240);
        LibavVideoSink sink;
        QString error;
        QVERIFY2(sink.open(path, makeSinkInfo(size, 300, durationUs), VideoExportOptions(), &error),
                 qPrintable(error));
        QCOMPARE(sink.encoderName(), QStringLiteral("libx264")); // no platform encoder here
        QVERIFY(!QFileInfo::exists(path));
        QVERIFY2(writeFrames(sink, size, 45, &error), qPrintable(error));
        QVERIFY2(sink.finish(&error), qPrintable(error));
        QCOMPARE(folderEntries(folder.path()), QStringList{QStringLiteral("export.mp4")});

        QString output;
        const QJsonObject stream = probeVideoStream(path, &output);
        QVERIFY2(!stream.isEmpty(), qPrintable(output));
        QCOMPARE(stream.value("codec_name").toString(), QStringLiteral("h264"));
        QCOMPARE(stream.value("pix_fmt").toString(), QStringLiteral("yuv420p"));
        QCOMPARE(stream.value("width").toInt(), 320);
        QCOMPARE(stream.value("nb_read_frames").toString(), QStringLiteral("45"));
        QCOMPARE(stream.value("avg_frame_rate").toString(), averageRate);
        QVERIFY(stream.value("has_b_frames").toInt() == 0);

        const QStringList boxes = mp4TopLevelBoxes(path);
        QVERIFY2(boxes.contains("moov") && boxes.contains("mdat"), qPrintable(boxes.join(',')));
        QVERIFY2(boxes.indexOf("moov") < boxes.indexOf("mdat"), qPrintable(boxes.join(',')));
    }

    void ffv1MatroskaDecodesToTheFramesWritten()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("lossless.mkv"));
        const QSize odd(33, 17); // FFV1 takes any size
        LibavVideoSink sink;
        QString error;
        QVERIFY2(sink.open(path, makeSinkInfo(odd), mkvOptions(), &error), qPrintable(error));
        QCOMPARE(sink.encoderName(), QStringLiteral("ffv1"));
        QByteArray expected;
        for (int i = 0; i < 6; ++i) {
            orvi::media::VideoFrame frame = makeSinkFrame(odd, i);
            // Frames may arrive in the motion core's format; the sink converts them.
            if (i % 2 == 1)
                frame.image = frame.image.convertToFormat(QImage::Format_ARGB32);
            expected += packedRgba(frame.image);
            QVERIFY2(sink.writeFrame(frame, &error), qPrintable(error));
        }
        QVERIFY2(sink.finish(&error), qPrintable(error));

        QString output;
        const QByteArray decoded = decodeRgba(path, &output);
        QVERIFY2(!decoded.isEmpty(), qPrintable(output));
        QVERIFY(decoded == expected);
    }

    void cancellationLeavesNoFiles_data()
    {
        QTest::addColumn<int>("cancelAfterFrames"); // -1: before open
        QTest::addColumn<bool>("duringFinish");
        QTest::addColumn<QString>("message");

        QTest::newRow("before-encoding-starts")
            << -1 << false << "Starting video encoding was cancelled.";
        QTest::newRow("during-the-frame-loop") << 3 << false << "Video encoding was cancelled.";
        QTest::newRow("before-finalizing") << 4 << true << "Finalizing the video was cancelled.";
    }

    void cancellationLeavesNoFiles()
    {
        QFETCH(int, cancelAfterFrames);
        QFETCH(bool, duringFinish);
        QFETCH(QString, message);

        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("cancelled.mp4"));
        std::atomic<bool> stop{cancelAfterFrames < 0};
        LibavVideoSink sink([&stop] { return stop.load(); });
        QString error;
        const bool opened = sink.open(path, makeSinkInfo(kSize), VideoExportOptions(), &error);
        if (cancelAfterFrames < 0) {
            QVERIFY(!opened);
            QCOMPARE(error, message);
        } else {
            QVERIFY2(opened, qPrintable(error));
            QVERIFY(writeFrames(sink, kSize, cancelAfterFrames, &error));
            stop = true;
            const bool ok = duringFinish ? sink.finish(&error)
                                         : sink.writeFrame(makeSinkFrame(kSize, 99), &error);
            QVERIFY(!ok);
            QCOMPARE(error, message);
        }
        QVERIFY(sink.wasCancelled());
        QVERIFY(folderEntries(folder.path()).isEmpty());

        // The next open starts afresh once the caller no longer asks to stop.
        stop = false;
        QVERIFY2(sink.open(path, makeSinkInfo(kSize), VideoExportOptions(), &error),
                 qPrintable(error));
        QVERIFY(!sink.wasCancelled());
        sink.close();
    }

    void reservedModeLeavesTheFileForTheCaller()
    {
        QTemporaryDir folder;
        const QString reserved = folder.filePath(QStringLiteral(".run.mp4.x.staging.mp4"));
        const auto reserve = [&reserved] {
            QFile file(reserved);
            return file.open(QIODevice::NewOnly | QIODevice::WriteOnly);
        };
        QVERIFY(reserve());

        LibavVideoSink sink;
        QString error;
        QVERIFY2(sink.openReserved(reserved, makeSinkInfo(kSize), VideoExportOptions(), &error),
                 qPrintable(error));
        QCOMPARE(sink.stagingPath(), reserved);
        QVERIFY(writeFrames(sink, kSize, 4, &error));
        QVERIFY2(sink.finish(&error), qPrintable(error));
        QCOMPARE(probeVideoStream(reserved).value("nb_read_frames").toString(),
                 QStringLiteral("4"));
        sink.close(); // after finishing, closing leaves the caller's file alone
        QVERIFY(QFileInfo::exists(reserved));

        // A reserved file must be empty, and an abandoned reserved export is removed.
        error.clear();
        QVERIFY(!sink.openReserved(reserved, makeSinkInfo(kSize), VideoExportOptions(), &error));
        QCOMPARE(error, QStringLiteral("The reserved staging file is missing or is not empty."));
        QVERIFY(QFile::remove(reserved));
        QVERIFY(reserve());
        QVERIFY(sink.openReserved(reserved, makeSinkInfo(kSize), VideoExportOptions(), &error));
        sink.close();
        QVERIFY(folderEntries(folder.path()).isEmpty());
    }

    void unremovableStagingFileIsReportedAndBlocksTheNextOpen()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("blocked.mkv"));
        LibavVideoSink sink;
        QString error;
        QVERIFY(sink.open(path, makeSinkInfo(kSize), mkvOptions(), &error));
        const QString staging = sink.stagingPath();
        // A non-empty folder where the staging file was cannot be removed as a file.
        QVERIFY(QFile::remove(staging));
        QVERIFY(QDir().mkpath(staging + QStringLiteral("/inner")));
        sink.close();
        error.clear();
        QVERIFY(!sink.open(folder.filePath(QStringLiteral("next.mkv")), makeSinkInfo(kSize),
                           mkvOptions(), &error));
        QVERIFY(
            error.startsWith(QStringLiteral("A temporary file may remain at %1: ").arg(staging)));
        QVERIFY(!QFileInfo::exists(folder.filePath(QStringLiteral("next.mkv"))));

        // Once it is gone, the sink opens again.
        QVERIFY(QDir(staging).removeRecursively());
        QVERIFY(sink.open(folder.filePath(QStringLiteral("next.mkv")), makeSinkInfo(kSize),
                          mkvOptions(), &error));
        sink.close();
    }

    void refusesFramesOfAnotherSizeOrWhenClosed()
    {
        QTemporaryDir folder;
        LibavVideoSink sink;
        QString error;
        QVERIFY(!sink.writeFrame(makeSinkFrame(kSize, 0), &error));
        QVERIFY(!sink.finish(&error));
        QVERIFY(sink.open(folder.filePath(QStringLiteral("a.mp4")), makeSinkInfo(kSize),
                          VideoExportOptions(), &error));
        QVERIFY(!sink.writeFrame(makeSinkFrame(QSize(62, 48), 0), &error));
        QCOMPARE(error,
                 QStringLiteral("The exported frame size differs from the source frame size."));
        QVERIFY(sink.isOpen()); // a refused frame does not end the export
        QVERIFY(writeFrames(sink, kSize, 1, &error));
        QVERIFY(sink.finish(&error));
        QVERIFY(QFileInfo::exists(folder.filePath(QStringLiteral("a.mp4"))));
    }
};

QTEST_MAIN(TestLibavVideoSink)
#include "tst_LibavVideoSink.moc"
