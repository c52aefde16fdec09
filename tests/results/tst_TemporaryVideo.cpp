#include "StoreTestFixtures.h"
#include "results/TemporaryVideo.h"
#include "results/TemporaryVideoSource.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>
#include <memory>

using orvi::media::ReadResult;
using orvi::media::TemporaryVideoSource;
using orvi::media::VideoFrame;
using orvi::project_data::TemporaryVideo;
using namespace store_test;

namespace {

const QString kHoldResultArgument = QStringLiteral("--hold-result");
const QString kWriteError = QStringLiteral(
    "Could not write the temporary analysis result. Check free disk space and access to the "
    "temporary folder.");
const QString kReadError =
    QStringLiteral("Could not read the temporary analysis result. Run the analysis again.");

// Child mode: keep one finished result alive until the parent kills this process.
int holdResultUntilKilled(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    TemporaryVideo video(makeInfo(QSize(8, 6)));
    if (!video.begin() || !video.appendFrame(makeFrame(QSize(8, 6), 0, 0)) || !video.finish())
        return 2;
    std::printf("%s\n", qPrintable(video.directoryPath()));
    std::fflush(stdout);
    for (;;)
        QThread::sleep(1);
}

QStringList resultDirectories()
{
    return QDir(TemporaryVideo::storeRootPath())
        .entryList({QStringLiteral("result-*")}, QDir::Dirs | QDir::NoDotAndDotDot);
}

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

class TestTemporaryVideo : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_temp.isValid());
        // Keep the store of this test (and of its child processes) apart from everyone else's.
        qputenv("TMPDIR", QFile::encodeName(m_temp.path()));
        QCOMPARE(TemporaryVideo::storeRootPath(),
                 QDir(m_temp.path()).filePath(QStringLiteral("orvi-motion-results-v1")));
    }

    void cleanup()
    {
        QDir root(TemporaryVideo::storeRootPath());
        if (QFileInfo(root.path()).isSymLink())
            QFile::remove(root.path());
        else
            root.removeRecursively();
    }

    void storesFramesAndReadsThemBackByIndex()
    {
        const QSize size(37, 21); // odd width: rows are stored as held in memory
        TemporaryVideo video(makeInfo(size));
        QString error;
        QVERIFY2(video.begin(&error), qPrintable(error));
        for (qint64 i = 0; i < 5; ++i)
            QVERIFY2(video.appendFrame(makeFrame(size, 100 + i, i * 33'333), &error),
                     qPrintable(error));
        QVERIFY2(video.finish(&error), qPrintable(error));
        QCOMPARE(video.frameCount(), qint64(5));

        // Out of order on purpose: reads seek straight to their record.
        for (qint64 i : {3, 0, 4, 1, 2}) {
            orvi::media::VideoFrame frame;
            QVERIFY2(video.loadFrame(i, frame, &error), qPrintable(error));
            QCOMPARE(frame.frameIndex, 100 + i);
            QCOMPARE(frame.presentationTimeUs, i * 33'333);
            QCOMPARE(frame.image.size(), size);
            QVERIFY(framePixelsMatch(frame.image, 100 + i));
        }
    }

    void refusesReadsThatCannotBeServed_data()
    {
        QTest::addColumn<QSize>("storedSize");
        QTest::addColumn<bool>("finish");
        QTest::addColumn<qint64>("index");

        QTest::newRow("before-finish") << QSize(8, 6) << false << qint64(0);
        QTest::newRow("index-past-end") << QSize(8, 6) << true << qint64(2);
        QTest::newRow("record-width-differs-from-metadata") << QSize(9, 6) << true << qint64(0);
    }

    void refusesReadsThatCannotBeServed()
    {
        QFETCH(QSize, storedSize);
        QFETCH(bool, finish);
        QFETCH(qint64, index);

        TemporaryVideo video(makeInfo(QSize(8, 6)));
        QVERIFY(video.begin());
        QVERIFY(video.appendFrame(makeFrame(storedSize, 0, 0)));
        QVERIFY(video.appendFrame(makeFrame(storedSize, 1, 10)));
        if (finish)
            QVERIFY(video.finish());
        orvi::media::VideoFrame frame;
        QString error;
        QVERIFY(!video.loadFrame(index, frame, &error));
        QCOMPARE(error, kReadError);
        QVERIFY(frame.image.isNull());
    }

    void refusesWritesOutsideTheWritingState()
    {
        TemporaryVideo video(makeInfo(QSize(8, 6)));
        QString error;
        QVERIFY(!video.appendFrame(makeFrame(QSize(8, 6), 0, 0), &error));
        QCOMPARE(error, kWriteError);
        error.clear();
        QVERIFY(!video.finish(&error));
        QCOMPARE(error, kWriteError);

        QVERIFY(video.begin());
        QVERIFY(!video.appendFrame(orvi::media::VideoFrame()));
        QVERIFY(!video.begin()); // a second begin would orphan the first directory
        QVERIFY(video.finish());
        QVERIFY(!video.appendFrame(makeFrame(QSize(8, 6), 0, 0)));
    }

    void abandonedResultOfAKilledProcessIsRemovedByNextBegin()
    {
        QProcess child;
        child.setProgram(QCoreApplication::applicationFilePath());
        child.setArguments({kHoldResultArgument});
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start();
        QVERIFY(child.waitForStarted());
        QVERIFY(child.waitForReadyRead(30000));
        const QString childDirectory = QString::fromLocal8Bit(child.readLine()).trimmed();
        QVERIFY2(QFileInfo(childDirectory).isDir(), qPrintable(childDirectory));

        {
            // The owner is alive: another instance's begin and cleanup leave it alone.
            TemporaryVideo mine(makeInfo(QSize(8, 6)));
            QVERIFY(mine.begin());
            QCOMPARE(TemporaryVideo::cleanupStaleResults(), 0);
            QVERIFY(QFileInfo::exists(QDir(childDirectory).filePath("frames.bin")));
            QVERIFY(QFileInfo::exists(QDir(childDirectory).filePath("owner.lock")));
        }

        child.kill();
        QVERIFY(child.waitForFinished(30000));
        QVERIFY(QFileInfo(childDirectory).isDir()); // killed owners cannot clean up

        TemporaryVideo next(makeInfo(QSize(8, 6)));
        QVERIFY(next.begin());
        QVERIFY(!QFileInfo::exists(childDirectory));
        QCOMPARE(resultDirectories(), QStringList{QFileInfo(next.directoryPath()).fileName()});
    }

    void ignoresASymbolicLinkAsStoreRoot()
    {
        QTemporaryDir elsewhere;
        QVERIFY(elsewhere.isValid());
        const QString victim = QDir(elsewhere.path()).filePath(QStringLiteral("result-abcdef"));
        QVERIFY(QDir().mkpath(victim));
        QVERIFY(QFile::link(elsewhere.path(), TemporaryVideo::storeRootPath()));

        QCOMPARE(TemporaryVideo::cleanupStaleResults(), 0);
        TemporaryVideo video(makeInfo(QSize(8, 6)));
        QString error;
        QVERIFY(!video.begin(&error));
        QCOMPARE(error, kWriteError);
        QVERIFY(QFileInfo(victim).isDir());
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

int main(int argc, char** argv)
{
    if (argc >= 2 && QString::fromLocal8Bit(argv[1]) == kHoldResultArgument)
        return holdResultUntilKilled(argc, argv);
    QGuiApplication app(argc, argv);
    TestTemporaryVideo test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_TemporaryVideo.moc"
