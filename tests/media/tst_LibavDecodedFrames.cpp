// Decoded frames as the rest of the program gets them: reads, skips and seeks on the nominal
// grid, refusals, upright frames and cancellation of the source itself. Frames read already cropped
// and scaled for analysis must show the same picture as the crop of the full RGBA frame scaled
// afterwards: same place, same orientation, same colours, for every way the converter reaches the
// pixels (planar, high bit depth, grey, packed formats converted whole first, rotated streams).
// Frame widths that are not a multiple of the converter's vector block must come out complete and
// exact, with nothing written past them. Files as cameras and ordinary tools write them: HD
// colours, millisecond time bases, streams without a seek index or without timestamps.

#include "LibavClipFixtures.h"
#include "media/VideoBackend.h"
#include "media/libav/LibavVideoAnalyzer.h"
#include "media/libav/LibavVideoSink.h"
#include "media/libav/LibavVideoSource.h"
#include "support/MediaTools.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>
#include <atomic>
#include <cmath>
#include <memory>

using namespace orvi::media;
using namespace orvi::media::libav;
using orvi::media::tests::LibavClipFixtures;

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

// Largest channel difference between an image and a raw RGBA frame of its size.
int maximumDifference(const QImage& image, const QByteArray& expected)
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

class TestLibavDecodedFrames : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void showsTheScaledCropOfTheFullFrame_data();
    void showsTheScaledCropOfTheFullFrame();
    void framesMatchTheReferenceDecode_data();
    void framesMatchTheReferenceDecode();
    void coloursSurviveDecodingAndExport_data();
    void coloursSurviveDecodingAndExport();
    void opensTimesAndSeeksOrdinaryFiles_data();
    void opensTimesAndSeeksOrdinaryFiles();

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
    QString makeClip(const QString& name, const QStringList& output);

    QTemporaryDir m_dir;
    std::unique_ptr<LibavClipFixtures> m_clips;
    QString m_uniform;
    VideoInfo m_uniformInfo;
};

QString TestLibavDecodedFrames::makeClip(const QString& name, const QStringList& output)
{
    const QString path = m_dir.filePath(name);
    QString log;
    if (!orvi::test::encodeClip(path, "testsrc2=size=640x360:rate=30,gblur=sigma=2", kFrames,
                                output, &log))
        qWarning("ffmpeg failed for %s: %s", qPrintable(name), qPrintable(log));
    return path;
}

void TestLibavDecodedFrames::initTestCase()
{
    if (orvi::test::findTool("ffmpeg").isEmpty())
        QSKIP("The ffmpeg tool is needed to make the clips.");
    QVERIFY(m_dir.isValid());
    m_clips = std::make_unique<LibavClipFixtures>(m_dir.path());
    m_uniform = m_clips->uniformMp4(QStringLiteral("uniform.mp4"));
    QVERIFY2(!m_uniform.isEmpty(), qPrintable(m_clips->lastError()));
    m_uniformInfo = probe(m_uniform);
    QCOMPARE(m_uniformInfo.frameCount, 48);
}

void TestLibavDecodedFrames::showsTheScaledCropOfTheFullFrame_data()
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
    // Wider reductions take eight taps a column, then more than eight.
    QTest::newRow("planar 4:2:0, reduced sevenfold")
        << h264 << QRect(3, 5, 630, 350) << QSize(90, 50) << true;
    QTest::newRow("planar 4:2:0, reduced ninefold")
        << h264 << QRect(0, 0, 630, 360) << QSize(70, 40) << true;
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

void TestLibavDecodedFrames::showsTheScaledCropOfTheFullFrame()
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

void TestLibavDecodedFrames::framesMatchTheReferenceDecode_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("portrait 360 wide") << QSize(360, 576); // SD: BT.601 like the reference
    QTest::newRow("narrow 34 wide") << QSize(34, 18);
    QTest::newRow("width 8 past a block") << QSize(200, 120);
    QTest::newRow("whole blocks") << QSize(352, 64);
}

void TestLibavDecodedFrames::framesMatchTheReferenceDecode()
{
    QFETCH(QSize, size);
    LibavClipFixtures fixtures(m_dir.path());
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

void TestLibavDecodedFrames::coloursSurviveDecodingAndExport_data()
{
    QTest::addColumn<QString>("samples"); // matrix and range of the samples, then stream tags
    QTest::newRow("BT.709 limited") << "bt709:out_range=tv -colorspace bt709 -color_primaries "
                                       "bt709 -color_trc bt709 -color_range tv";
    QTest::newRow("BT.709 full") << "bt709:out_range=pc -colorspace bt709 -color_range pc";
    QTest::newRow("BT.601 limited on HD") << "bt601:out_range=tv -colorspace smpte170m";
    QTest::newRow("untagged HD is BT.709") << "bt709:out_range=tv";
}

void TestLibavDecodedFrames::coloursSurviveDecodingAndExport()
{
    QFETCH(QString, samples);
    const QString clip = m_dir.filePath(QTest::currentDataTag());
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

void TestLibavDecodedFrames::opensTimesAndSeeksOrdinaryFiles_data()
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

void TestLibavDecodedFrames::opensTimesAndSeeksOrdinaryFiles()
{
    QFETCH(QString, suffix);
    QFETCH(int, rate);
    QFETCH(QString, extra);
    QFETCH(bool, uniform);
    const QString clip = m_dir.filePath(QTest::currentDataTag() + ("." + suffix));
    QVERIFY(orvi::test::encodeClip(
        clip, QStringLiteral("nullsrc=s=64x48:r=%1,geq=lum='16+2*N':cb=128:cr=128").arg(rate), 90,
        extra.split(' ', Qt::SkipEmptyParts)));
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
    QString error;
    QCOMPARE(source.readReducedFrame({0, 0, 999, 999}, {8, 8}, frame, nullptr, &error),
             ReadResult::Error);
    QCOMPARE(error, "The requested part of the frame lies outside the decoded frame.");
    QVERIFY(source.readFrame(frame) == ReadResult::Frame && frame.frameIndex == 66 &&
            frame.image == frames.value(66));
    QCOMPARE(source.readReducedFrame({0, 0, 64, 48}, QSize(), frame), ReadResult::Error);
}

QTEST_GUILESS_MAIN(TestLibavDecodedFrames)
#include "tst_LibavDecodedFrames.moc"
