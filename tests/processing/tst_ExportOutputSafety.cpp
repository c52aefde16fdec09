#include "processing/VideoProcessingPipeline.h"
#include "results/StagingRecord.h"
#include "results/TemporaryVideo.h"
#include "support/MediaTools.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QUuid>
#include <QtTest>
#include <sys/stat.h>

using namespace orvi::project_data;
using orvi::processing::VideoProcessingPipeline;

// Exports never write through what already sits at the destination, and no crash leaves
// their hidden staging files in the user's folder for good.
class TestExportOutputSafety : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_folder.isValid() && m_store.isValid());
        // This test's store (and its children's) stays apart from everyone else's.
        qputenv("TMPDIR", QFile::encodeName(m_store.path()));
    }

    void refusesAnyEntryAtTheDestination_data()
    {
        QTest::addColumn<QString>("occupied"); // "video" or "parameters"
        QTest::addColumn<bool>("fifo");
        QTest::newRow("dangling link as the video") << "video" << false;
        QTest::newRow("dangling link as the parameters file") << "parameters" << false;
        QTest::newRow("FIFO as the video") << "video" << true;
    }

    void refusesAnyEntryAtTheDestination()
    {
        QFETCH(QString, occupied);
        QFETCH(bool, fifo);
        QTemporaryDir folder;
        const QString video = QDir(folder.path()).filePath(QStringLiteral("out.mp4"));
        const QString entry = occupied == QLatin1String("video") ? video : video + ".json";
        const QString target = QDir(m_folder.path()).filePath(QStringLiteral("elsewhere.mp4"));
        QVERIFY(fifo ? mkfifo(QFile::encodeName(entry).constData(), 0600) == 0
                     : QFile::link(target, entry));

        ProcessingRequest request;
        request.sourceInfo.filePath = QDir(m_folder.path()).filePath(QStringLiteral("in.mp4"));
        request.outputVideoPath = video;
        const ProcessingResult result = VideoProcessingPipeline().run(request, {}, {});
        QCOMPARE(int(result.state), int(ProcessingState::Failed));
        QCOMPARE(result.message, QStringLiteral("An output path matches the input file or a "
                                                "result file already exists."));
        QVERIFY(!QFileInfo::exists(target));
        QCOMPARE(orvi::test::folderEntries(folder.path()),
                 QStringList{QFileInfo(entry).fileName()});
    }

    void stagingFilesOfAKilledExportGoAtTheNextStart()
    {
        const QString tool = QDir(orvi::test::testBinaryDir()).filePath("bin/orvi-tool-pipeline");
        if (!QFileInfo(tool).isExecutable())
            QSKIP("the pipeline tool is not built");
        const QString clip = QDir(m_folder.path()).filePath(QStringLiteral("clip.mp4"));
        QString error;
        QVERIFY2(orvi::test::encodeClip(clip, "testsrc2=size=320x240:rate=30", 240, {}, &error),
                 qPrintable(error));

        // A live export of this process: its record must survive the cleanup below.
        QTemporaryDir mine;
        const QString liveStaging =
            QDir(mine.path())
                .filePath(".live.mp4." + QUuid::createUuid().toString(QUuid::WithoutBraces) +
                          ".staging.mp4");
        StagingRecord liveRecord;
        QVERIFY(liveRecord.add(liveStaging));
        QFile(liveStaging).open(QIODevice::WriteOnly);

        QTemporaryDir folder;
        QProcess child;
        child.setProgram(tool);
        child.setArguments({clip, QDir(folder.path()).filePath(QStringLiteral("out.mp4"))});
        child.start();
        QVERIFY(child.waitForStarted());
        QElapsedTimer waited;
        waited.start();
        while (orvi::test::folderEntries(folder.path()).size() < 2 &&
               child.state() == QProcess::Running && waited.elapsed() < 120000)
            QThread::msleep(2);
        child.kill(); // mid-export: its staging files exist, nothing is published
        QVERIFY(child.waitForFinished(30000));
        const QStringList leftovers = orvi::test::folderEntries(folder.path());
        QVERIFY2(leftovers.size() == 2 && leftovers.first().startsWith('.') &&
                     leftovers.last().startsWith('.'),
                 qPrintable(leftovers.join(' ')));

        TemporaryVideo::cleanupStaleResults(); // what the next start of the program runs first
        QCOMPARE(orvi::test::folderEntries(folder.path()), QStringList());
        QVERIFY(QFileInfo::exists(liveStaging));
        QCOMPARE(QDir(TemporaryVideo::storeRootPath())
                     .entryList({"result-*", "export-*"}, QDir::Dirs)
                     .size(),
                 1); // the live record
    }

private:
    QTemporaryDir m_folder;
    QTemporaryDir m_store;
};

QTEST_GUILESS_MAIN(TestExportOutputSafety)
#include "tst_ExportOutputSafety.moc"
