#include "StoreTestFixtures.h"
#include "results/TemporaryVideo.h"
#include "results/TemporaryVideoSource.h"

#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using orvi::media::ReadResult;
using orvi::media::TemporaryVideoSource;
using orvi::media::VideoFrame;
using orvi::project_data::TemporaryVideo;
using namespace store_test;

namespace {

const QString kOutside = QStringLiteral("The requested frame is outside the analysis result.");
const QSize kSize(6, 4);

std::shared_ptr<TemporaryVideo> makeResult(int frames, double rate = 30.0)
{
    auto result = std::make_shared<TemporaryVideo>(makeInfo(kSize, rate));
    if (!result->begin())
        return nullptr;
    for (int i = 0; i < frames; ++i)
        if (!result->appendFrame(makeFrame(kSize, i, 999 + i)))
            return nullptr;
    return result->finish() ? result : nullptr;
}

} // namespace

class TestTemporaryVideoSource : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_temp.isValid());
        qputenv("TMPDIR", QFile::encodeName(m_temp.path()));
    }

    void refusesAnEmptyResult()
    {
        TemporaryVideoSource source(makeResult(0), 0);
        QString error;
        QVERIFY(!source.open(makeInfo(kSize), &error));
        QCOMPARE(error, QStringLiteral("No analysis result is available."));
        VideoFrame frame;
        QCOMPARE(source.readFrame(frame), ReadResult::Error);
    }

    void seeksWithinTheFragmentNumbering_data()
    {
        QTest::addColumn<bool>("byTime");
        QTest::addColumn<qint64>("target");
        QTest::addColumn<qint64>("expectedIndex"); // -1: refused

        QTest::newRow("frame-before-fragment") << false << qint64(99) << qint64(-1);
        QTest::newRow("frame-past-fragment") << false << qint64(150) << qint64(-1);
        QTest::newRow("inside-fragment") << false << qint64(120) << qint64(120);
        QTest::newRow("last-frame") << false << qint64(149) << qint64(149);
        QTest::newRow("time-rounds-to-nearest-frame") << true << qint64(4'016'000) << qint64(120);
        QTest::newRow("time-before-fragment") << true << qint64(3'000'000) << qint64(-1);
    }

    void seeksWithinTheFragmentNumbering()
    {
        QFETCH(bool, byTime);
        QFETCH(qint64, target);
        QFETCH(qint64, expectedIndex);

        auto result = makeResult(50);
        QVERIFY(result);
        TemporaryVideoSource source(result, 100);
        QVERIFY(source.open(QString()));
        QString error;
        const bool sought =
            byTime ? source.seekToTimeUs(target, &error) : source.seekToFrame(target, &error);
        VideoFrame frame;
        if (expectedIndex < 0) {
            QVERIFY(!sought);
            QCOMPARE(error, kOutside);
            // A refused seek keeps the cursor where it was.
            QCOMPARE(source.readFrame(frame), ReadResult::Frame);
            QCOMPARE(frame.frameIndex, qint64(100));
            return;
        }
        QVERIFY2(sought, qPrintable(error));
        QCOMPARE(source.readFrame(frame, &error), ReadResult::Frame);
        QCOMPARE(frame.frameIndex, expectedIndex);
        QVERIFY(framePixelsMatch(frame.image, expectedIndex - 100));
    }

    void readsRestampFramesOntoTheSourceGrid()
    {
        auto result = makeResult(3, 29.97);
        QVERIFY(result);
        TemporaryVideoSource source(result, 10);
        QVERIFY(source.open(QString()));
        VideoFrame frame;
        for (qint64 i = 0; i < 3; ++i) {
            QCOMPARE(source.readFrame(frame), ReadResult::Frame);
            QCOMPARE(frame.frameIndex, 10 + i);
            QCOMPARE(frame.presentationTimeUs, qint64(std::llround((10 + i) * 1e6 / 29.97)));
        }
        QCOMPARE(source.readFrame(frame), ReadResult::EndOfStream);
        QCOMPARE(source.skipFrame(), ReadResult::EndOfStream);

        QVERIFY(source.seekToFrame(11));
        qint64 index = -1;
        qint64 timeUs = -1;
        QCOMPARE(source.skipFrame(&index, &timeUs), ReadResult::Frame);
        QCOMPARE(index, qint64(11));
        QCOMPARE(timeUs, qint64(std::llround(11 * 1e6 / 29.97)));
        QCOMPARE(source.readFrame(frame), ReadResult::Frame);
        QCOMPARE(frame.frameIndex, qint64(12)); // skipping advanced the cursor
        source.close();
        QCOMPARE(source.readFrame(frame), ReadResult::Error);
    }

    void opensWithGivenMetadataOrTheStoredOne()
    {
        auto result = makeResult(2, 25.0);
        QVERIFY(result);
        TemporaryVideoSource source(result, 0);
        QVERIFY(source.open(QStringLiteral("/somewhere/else.mp4")));
        QCOMPARE(source.videoInfo().filePath, QStringLiteral("/videos/source.mp4"));

        orvi::media::VideoInfo given = makeInfo(kSize, 50.0);
        given.filePath = QStringLiteral("/given.mp4");
        QVERIFY(source.open(given));
        QCOMPARE(source.videoInfo().filePath, QStringLiteral("/given.mp4"));
        VideoFrame frame;
        QVERIFY(source.seekToFrame(1));
        QCOMPARE(source.readFrame(frame), ReadResult::Frame);
        QCOMPARE(frame.presentationTimeUs, qint64(20'000)); // the reported rate is the given one
    }

private:
    QTemporaryDir m_temp;
};

QTEST_MAIN(TestTemporaryVideoSource)
#include "tst_TemporaryVideoSource.moc"
