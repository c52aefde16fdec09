#include "SpectrumTestVideo.h"
#include "media/libav/LibavVideoSource.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace orvi;

// The analysis reads every frame into the same frame object so that the decoder can convert
// into its buffer again. That must never change what a reader sees.
class DecodedFrameReuseTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void reusedFramesMatchFreshOnes();

private:
    std::vector<QImage> readAll(bool reuseFrame, bool keepShared = false);

    int m_buffersReused = 0;

    QTemporaryDir m_dir;
    media::VideoInfo m_info;
};

void DecodedFrameReuseTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const spectrum::testing::SyntheticTexture texture(3);
    QString error;
    const auto moving = [](int, int, double t) { return QPointF(40.0 * t, 10.0 * t); };
    QVERIFY2(spectrum::testing::writeTestVideo(
                 m_dir.filePath("moving.mp4"), QSize(64, 48), 12, 24.0,
                 [&](int i) { return texture.frame(QSize(64, 48), moving, i / 24.0); }, &m_info,
                 &error),
             qPrintable(error));
}

std::vector<QImage> DecodedFrameReuseTest::readAll(bool reuseFrame, bool keepShared)
{
    media::libav::LibavVideoSource source({}, 2);
    QString error;
    std::vector<QImage> images;
    if (!source.open(m_info, &error) || !source.seekToFrame(0, &error))
        return images;
    media::VideoFrame reused;
    const uchar* previousBits = nullptr;
    for (qint64 i = 0; i < m_info.frameCount; ++i) {
        media::VideoFrame fresh;
        media::VideoFrame& frame = reuseFrame ? reused : fresh;
        if (source.readFrame(frame, &error) != media::ReadResult::Frame || frame.frameIndex != i)
            return {};
        if (frame.image.constBits() == previousBits)
            ++m_buffersReused;
        previousBits = frame.image.constBits();
        // A deep copy keeps the reused buffer unshared for the next read; a shared one must
        // make the decoder convert elsewhere.
        images.push_back(reuseFrame && !keepShared ? frame.image.copy() : frame.image);
    }
    return images;
}

void DecodedFrameReuseTest::reusedFramesMatchFreshOnes()
{
    const std::vector<QImage> fresh = readAll(false);
    m_buffersReused = 0;
    const std::vector<QImage> reused = readAll(true);
    QCOMPARE(m_buffersReused, int(m_info.frameCount) - 1);
    QCOMPARE(qint64(fresh.size()), m_info.frameCount);
    QVERIFY(reused == fresh);
    QVERIFY(fresh[0] != fresh[1]); // the content moves, so stale pixels would show
    QVERIFY(readAll(true, true) == fresh);
}

QTEST_GUILESS_MAIN(DecodedFrameReuseTest)
#include "tst_decodedframereuse.moc"
