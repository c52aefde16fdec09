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

// Largest channel error against RGB (200, 50, 50) on the left and (40, 180, 90) on the right;
// for a luminance image (Grayscale16, luminance × 256), the error of their luminance.
int halvesError(const QImage& image)
{
    if (image.format() == QImage::Format_Grayscale16) {
        const auto at = [&](int x) {
            return reinterpret_cast<const quint16*>(image.constScanLine(image.height() / 2))[x] /
                   256.0;
        };
        return qRound(std::max(std::abs(at(image.width() / 4) - 81.886),
                               std::abs(at(image.width() * 3 / 4) - 143.738)));
    }
    const QColor left = image.pixelColor(image.width() / 4, image.height() / 2);
    const QColor right = image.pixelColor(image.width() * 3 / 4, image.height() / 2);
    return std::max({std::abs(left.red() - 200), std::abs(left.green() - 50),
                     std::abs(left.blue() - 50), std::abs(right.red() - 40),
                     std::abs(right.green() - 180), std::abs(right.blue() - 90)});
}

} // namespace

// Files as cameras and ordinary tools write them: HD colours, millisecond time bases, streams
// without a seek index or without timestamps.
class TestLibavRealWorldFiles : public QObject
{
    Q_OBJECT

private slots:
    void coloursSurviveDecodingAndExport_data()
    {
        QTest::addColumn<QString>("samples"); // matrix and range of the samples, then stream tags
        QTest::newRow("BT.709 limited") << "bt709:out_range=tv -colorspace bt709 -color_primaries "
                                           "bt709 -color_trc bt709 -color_range tv";
        QTest::newRow("BT.709 full") << "bt709:out_range=pc -colorspace bt709 -color_range pc";
        QTest::newRow("BT.601 limited on HD") << "bt601:out_range=tv -colorspace smpte170m";
        QTest::newRow("untagged HD is BT.709") << "bt709:out_range=tv";
    }

    void coloursSurviveDecodingAndExport()
    {
        QFETCH(QString, samples);
        const QString clip = m_directory.filePath(QTest::currentDataTag());
        QStringList arguments = samples.split(' ');
        arguments[0] = "scale=out_color_matrix=" + arguments[0] + ",format=yuv420p";
        QVERIFY(orvi::test::encodeClip(
            clip + ".mp4",
            "color=c=0xC83232:s=640x720,format=rgb24[a];color=c=0x28B45A:s=640x720,format=rgb24[b];"
            "[a][b]hstack",
            2, QStringList{"-qp", "0", "-vf"} + arguments));
        QImage first;
        VideoInfo info;
        QVERIFY(LibavVideoAnalyzer().analyze({}, clip + ".mp4", &info, nullptr,
                                             [&](const QImage& image) { first = image; }));
        LibavVideoSource source;
        QImage whole;
        VideoFrame frame; // reduced for analysis
        QVERIFY(source.open(info) && source.readReducedFrame({0, 0, 1280, 720}, {320, 180}, frame,
                                                             &whole) == ReadResult::Frame);
        QVERIFY(std::max({halvesError(first), halvesError(whole), halvesError(frame.image)}) <= 2);

        // Exported, the colours come back where the stream tags are read (ffmpeg) and where an
        // untagged stream would be taken by its size (players, this decoder).
        whole.fill(QColor(200, 50, 50));
        QPainter(&whole).fillRect(640, 0, 640, 720, QColor(40, 180, 90));
        LibavVideoSink sink;
        QVERIFY(sink.open(clip + ".out.mp4", info, {}) && sink.writeFrame({whole, 0, 0}) &&
                sink.finish());
        QVERIFY(orvi::test::runTool("ffmpeg", {"-i", clip + ".out.mp4", clip + ".png"}));
        QVERIFY(halvesError(QImage(clip + ".png")) <= 2);
        QVERIFY(source.open(clip + ".out.mp4") && source.readFrame(frame) == ReadResult::Frame &&
                halvesError(frame.image) <= 2);
    }

    void opensTimesAndSeeksOrdinaryFiles_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<int>("rate");
        QTest::addColumn<QString>("extra");
        QTest::addColumn<bool>("uniform");
        for (const int rate : {30, 240}) { // Matroska and WebM store 1 ms ticks
            QTest::addRow("Matroska %d fps", rate) << "mkv" << rate << "" << true;
            QTest::addRow("WebM %d fps", rate) << "webm" << rate << "-c:v libvpx" << true;
            QTest::addRow("MP4 %d fps", rate) << "mp4" << rate << "" << true;
        }
        QTest::newRow("Matroska dropping frames")
            << "mkv" << 240 << "-vf setpts=(N+floor(N/10))/(FRAME_RATE*TB) -fps_mode passthrough"
            << false;
        QTest::newRow("MPEG-TS with B-frames") << "ts" << 30 << "-bf 2" << true;
        QTest::newRow("raw H.264 without timestamps") << "h264" << 30 << "-bf 2" << false;
    }

    void opensTimesAndSeeksOrdinaryFiles()
    {
        QFETCH(QString, suffix);
        QFETCH(int, rate);
        QFETCH(QString, extra);
        QFETCH(bool, uniform);
        const QString clip = m_directory.filePath(QTest::currentDataTag() + ("." + suffix));
        QVERIFY(orvi::test::encodeClip(
            clip, QStringLiteral("nullsrc=s=64x48:r=%1,geq=lum='16+2*N':cb=128:cr=128").arg(rate),
            90, extra.split(' ', Qt::SkipEmptyParts)));
        LibavVideoSource source; // opens from the probed record, as playback and analysis do
        QVERIFY(source.open(clip));
        QCOMPARE(source.videoInfo().variableFrameRate, !uniform);
        QCOMPARE(source.videoInfo().isUniformFrameTiming(17, 80), uniform); // fragments alike

        QList<QImage> frames; // of the 90, every one differs from the others
        VideoFrame frame;
        while (source.readFrame(frame) == ReadResult::Frame)
            frames << frame.image;
        for (const qint64 index : {37, 0, 89, 61, 64}) {
            QVERIFY(source.seekToFrame(index) && source.readFrame(frame) == ReadResult::Frame);
            QVERIFY(frame.frameIndex == index && frame.image == frames.value(index));
        }
        // A frame whose conversion fails was consumed all the same: the next keeps its number.
        QCOMPARE(source.readReducedFrame({0, 0, 999, 999}, {8, 8}, frame), ReadResult::Error);
        QVERIFY(source.readFrame(frame) == ReadResult::Frame && frame.frameIndex == 66 &&
                frame.image == frames.value(66));
    }

private:
    QTemporaryDir m_directory;
};

QTEST_GUILESS_MAIN(TestLibavRealWorldFiles)
#include "tst_LibavRealWorldFiles.moc"
