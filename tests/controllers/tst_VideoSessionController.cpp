#include "controllers/MediaRuntimeController.h"
#include "controllers/VideoSessionController.h"
#include "media/LibavClipFixtures.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using orvi::media::libav::LibavRuntime;
using orvi::media::tests::LibavClipFixtures;
using orvi::ui::controllers::MediaRuntimeController;
using Session = orvi::ui::controllers::VideoSessionController;

namespace {

// What the interface saw of one probe.
struct Observed
{
    QList<Session::AnalysisState> states;
    QList<double> progress; // known fractions in arrival order
    QList<QSize> firstFrames;
};

void observe(Session& session, Observed& seen)
{
    QObject::connect(&session, &Session::stateChanged, &session,
                     [&] { seen.states << session.state(); });
    QObject::connect(&session, &Session::progressChanged, &session, [&] {
        if (session.progressKnown())
            seen.progress << session.progress();
    });
    QObject::connect(&session, &Session::firstFrameReady, &session,
                     [&](const QImage& image) { seen.firstFrames << image.size(); });
}

} // namespace

class TestVideoSessionController : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!LibavClipFixtures::ffmpegAvailable())
            QSKIP("ffmpeg is needed to make the clips");
        QVERIFY(m_folder.isValid());
        m_uniform = m_clips.uniformMp4(QStringLiteral("uniform.mp4"));
        m_second = m_clips.uniformMp4(QStringLiteral("second.mp4"), 12, QSize(96, 64));
        QVERIFY2(!m_uniform.isEmpty() && !m_second.isEmpty(), qPrintable(m_clips.lastError()));
    }

    void probesRealClips_data()
    {
        QTest::addColumn<QString>("clip");
        QTest::addColumn<bool>("ready");
        QTest::addColumn<QSize>("frameSize");
        QTest::addColumn<qint64>("frameCount");
        QTest::addColumn<double>("detectedRate");
        QTest::addColumn<qint64>("uniformStart");

        auto& c = m_clips;
        QTest::newRow("uniform") << m_uniform << true << QSize(160, 120) << 48LL << 30.0 << 0LL;
        QTest::newRow("rotated") << c.cornerMarkedMp4("rotated.mp4", 90.0) << true
                                 << QSize(120, 160) << 6LL << 30.0 << 0LL;
        QTest::newRow("slow-motion intent") << c.playbackIntentMov("intent.mov", "0") << true
                                            << QSize(64, 48) << 12LL << 0.0 << 0LL;
        QTest::newRow("irregular head, uniform tail")
            << c.irregularStartMp4("irregular.mp4") << true << QSize(64, 48) << 40LL << 0.0 << 4LL;
        QTest::newRow("one frame")
            << c.uniformMp4("single.mp4", 1) << true << QSize(160, 120) << 1LL << 0.0 << -1LL;
        QTest::newRow("broken") << c.textFile("notes.mp4") << false << QSize(0, 0) << 0LL << 0.0
                                << -1LL;
    }

    // States, progress, metadata and messages of a probe, then a retry of its outcome.
    void probesRealClips()
    {
        QFETCH(QString, clip);
        QFETCH(bool, ready);
        QFETCH(QSize, frameSize);
        QFETCH(qint64, frameCount);
        QFETCH(double, detectedRate);
        QFETCH(qint64, uniformStart);
        QVERIFY2(!clip.isEmpty(), qPrintable(m_clips.lastError()));

        Session session(&m_runtime);
        Observed seen;
        observe(session, seen);
        session.openSource(QUrl::fromLocalFile(clip));
        QTRY_VERIFY_WITH_TIMEOUT(!session.busy(), 30000);

        const auto outcome = ready ? Session::Ready : Session::Error;
        QCOMPARE(seen.states, (QList<Session::AnalysisState>{Session::Analyzing, outcome}));
        for (qsizetype i = 0; i + 1 < seen.progress.size(); ++i)
            QVERIFY(seen.progress[i] <= 0.99 && seen.progress[i] <= seen.progress[i + 1]);
        QCOMPARE(!seen.progress.isEmpty() && seen.progress.last() == 1.0, ready);
        QCOMPARE(session.fileName(), QFileInfo(clip).fileName());
        QCOMPARE(session.errorMessage().isEmpty(), ready);
        QCOMPARE(QSize(session.frameWidth(), session.frameHeight()), frameSize);
        QCOMPARE(session.frameCount(), frameCount);
        QCOMPARE(session.detectedCaptureFrameRate(), detectedRate);
        QCOMPARE(session.variableFrameRate(), ready && uniformStart != 0);
        QCOMPARE(session.uniformStartFrame(), uniformStart);
        if (ready) {
            QCOMPARE(seen.firstFrames, QList<QSize>{frameSize});
            QCOMPARE(session.captureFrameRate(), 240.0);
            QVERIFY(session.captureFrameRateManual() && session.captureTimingMapRequired());
            QVERIFY(!session.setCaptureFrameRate(10000.5) && session.setCaptureFrameRate(10000));
            session.clearCaptureFrameRateOverride();
            QCOMPARE(session.captureFrameRate(), detectedRate);
            QCOMPARE(session.captureFrameRateRequired(), detectedRate == 0.0);
        }

        // A retry only follows a failure: a ready file keeps its metadata and entered rate.
        session.retryAnalysis();
        QCOMPARE(session.busy(), !ready);
        QTRY_VERIFY_WITH_TIMEOUT(!session.busy(), 30000);
        QCOMPARE(session.state(), outcome);
    }

    void openMessages_data()
    {
        QTest::addColumn<QUrl>("url");
        QTest::addColumn<bool>("unsaved");
        QTest::addColumn<bool>("runtimeAvailable");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("state");

        const QUrl local = QUrl::fromLocalFile(m_uniform);
        QTest::newRow("nothing chosen")
            << QUrl() << false << true << "No video file was selected." << int(Session::Error);
        QTest::newRow("web address")
            << QUrl("https://example.org/clip.mp4") << false << true
            << "Only local video files can be analyzed." << int(Session::Error);
        QTest::newRow("unsaved result")
            << local << true << true
            << "Save or discard the current analysis result before opening another video."
            << int(Session::Empty);
        QTest::newRow("libraries unusable")
            << local << false << false << QString() << int(Session::Error);
    }

    void openMessages()
    {
        QFETCH(QUrl, url);
        QFETCH(bool, unsaved);
        QFETCH(bool, runtimeAvailable);
        QFETCH(QString, message);
        QFETCH(int, state);

        auto libraries = LibavRuntime::loadedLibraries();
        if (!runtimeAvailable)
            libraries.at(0).builtMajor += 1;
        MediaRuntimeController runtime(libraries, nullptr);
        if (message.isEmpty())
            message = runtime.errorMessage();
        Session session(&runtime);
        session.setUnsavedProcessedResult(unsaved);
        session.openSource(url);
        QCOMPARE(session.errorMessage(), message);
        QCOMPARE(int(session.state()), state);
        QCOMPARE(session.fileName(), state == Session::Empty ? QString() : url.fileName());
    }

    void cancelEndsWithoutLateProgress()
    {
        Session session(&m_runtime);
        Observed seen;
        observe(session, seen);
        qsizetype progressAtCancel = -1;
        connect(&session, &Session::firstFrameReady, &session, [&] {
            session.cancelAnalysis();
            progressAtCancel = seen.progress.size();
            session.retryAnalysis(); // ignored until the probe has wound down
        });
        session.openSource(QUrl::fromLocalFile(m_uniform));
        QTRY_VERIFY_WITH_TIMEOUT(!session.busy(), 30000);

        QCOMPARE(seen.states, (QList<Session::AnalysisState>{
                                  Session::Analyzing, Session::Cancelling, Session::Cancelled}));
        QCOMPARE(seen.progress.size(), progressAtCancel);
        QVERIFY(session.errorMessage().isEmpty() && session.frameCount() == 0);
        QTest::qWait(50);
        QCOMPARE(seen.progress.size(), progressAtCancel);
    }

    void secondFileSupersedesRunningProbe()
    {
        Session session(&m_runtime);
        Observed seen;
        observe(session, seen);
        connect(
            &session, &Session::firstFrameReady, &session,
            [&] { session.openSource(QUrl::fromLocalFile(m_second)); }, Qt::SingleShotConnection);
        session.openSource(QUrl::fromLocalFile(m_uniform));
        QTRY_VERIFY_WITH_TIMEOUT(!session.busy(), 30000);
        QTest::qWait(50); // anything the first probe still had queued

        QCOMPARE(seen.states, (QList<Session::AnalysisState>{Session::Analyzing, Session::Ready}));
        QCOMPARE(session.filePath(), QFileInfo(m_second).absoluteFilePath());
        QCOMPARE(session.videoInfo().filePath, QFileInfo(m_second).absoluteFilePath());
        QCOMPARE(QSize(session.frameWidth(), session.frameHeight()), QSize(96, 64));
        QCOMPARE(session.frameCount(), 12);
        QCOMPARE(seen.firstFrames, (QList<QSize>{QSize(160, 120), QSize(96, 64)}));
    }

private:
    QTemporaryDir m_folder;
    LibavClipFixtures m_clips{m_folder.path()};
    MediaRuntimeController m_runtime;
    QString m_uniform;
    QString m_second;
};

QTEST_GUILESS_MAIN(TestVideoSessionController)
#include "tst_VideoSessionController.moc"
