#include "controllers/MediaRuntimeController.h"
#include "controllers/VideoSessionController.h"
#include "media/LibavClipFixtures.h"
#include "orvi/Version.h"

#include <QTemporaryDir>
#include <QtTest>

using orvi::media::VideoBackend;
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
        m_uniform = m_clips.uniformMp4(QStringLiteral("uniform.mp4"));
        m_second = m_clips.uniformMp4(QStringLiteral("second.mp4"), 12, QSize(96, 64));
        QVERIFY2(!m_uniform.isEmpty() && !m_second.isEmpty(), qPrintable(m_clips.lastError()));
    }

    void probesRealClips_data()
    {
        QTest::addColumn<QString>("clip");
        QTest::addColumn<QSize>("frameSize");
        QTest::addColumn<qint64>("frameCount");
        QTest::addColumn<double>("detectedRate");
        QTest::addColumn<qint64>("uniformStart");

        auto& c = m_clips;
        QTest::newRow("uniform") << m_uniform << QSize(160, 120) << 48LL << 30.0 << 0LL;
        QTest::newRow("rotated") << c.cornerMarkedMp4("rotated.mp4", 90.0) << QSize(120, 160) << 6LL
                                 << 30.0 << 0LL;
        QTest::newRow("slow-motion intent")
            << c.playbackIntentMov("intent.mov", "0") << QSize(64, 48) << 12LL << 0.0 << 0LL;
        QTest::newRow("irregular head, uniform tail")
            << c.irregularStartMp4("irregular.mp4") << QSize(64, 48) << 40LL << 0.0 << 4LL;
        QTest::newRow("one frame")
            << c.uniformMp4("single.mp4", 1) << QSize(160, 120) << 1LL << 0.0 << -1LL;
        QTest::newRow("broken") << c.textFile("notes.mp4") << QSize(0, 0) << 0LL << 0.0 << -1LL;
    }

    // States, progress, metadata and messages of a probe, then a retry of its outcome.
    void probesRealClips()
    {
        QFETCH(QString, clip);
        QFETCH(QSize, frameSize);
        QFETCH(qint64, frameCount);
        QFETCH(double, detectedRate);
        QFETCH(qint64, uniformStart);
        QVERIFY2(!clip.isEmpty(), qPrintable(m_clips.lastError()));
        const bool ready = frameCount > 0;

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
            // 240 fps is assumed, not entered, until the user confirms it (the same value) or
            // changes it; going back to the starting value makes it an assumption again.
            QCOMPARE(session.captureFrameRate(), 240.0);
            QCOMPARE(session.captureFrameRateOrigin(), QStringLiteral("assumed"));
            QVERIFY(!session.captureFrameRateManual() && session.captureTimingMapRequired());
            QVERIFY(session.setCaptureFrameRate(240.0));
            QCOMPARE(session.captureFrameRateOrigin(), QStringLiteral("entered"));
            session.resetCaptureFrameRate();
            QCOMPARE(session.captureFrameRateOrigin(), QStringLiteral("assumed"));
            QVERIFY(!session.setCaptureFrameRate(10000.5) && session.setCaptureFrameRate(10000));
            session.clearCaptureFrameRateOverride();
            QCOMPARE(session.captureFrameRate(), detectedRate);
            QCOMPARE(session.captureFrameRateOrigin(),
                     detectedRate > 0.0 ? QStringLiteral("detected") : QString());
            QCOMPARE(session.captureFrameRateRequired(), detectedRate == 0.0);
        }

        // A retry only follows a failure: a ready file keeps its metadata and entered rate.
        session.retryAnalysis();
        QCOMPARE(session.busy(), !ready);
        QTRY_VERIFY_WITH_TIMEOUT(!session.busy(), 30000);
        QCOMPARE(session.state(), outcome);
    }

    // Refused opens: an unsaved result changes nothing but the message, the rest fail.
    void openMessages_data()
    {
        QTest::addColumn<QUrl>("url");
        QTest::addColumn<bool>("unsaved");
        QTest::addColumn<QString>("message"); // empty: the libraries are unusable

        const QUrl local = QUrl::fromLocalFile(m_uniform);
        QTest::newRow("nothing chosen") << QUrl() << false << "No video file was selected.";
        QTest::newRow("web address") << QUrl("https://example.org/clip.mp4") << false
                                     << "Only local video files can be analyzed.";
        QTest::newRow("unsaved result")
            << local << true
            << "Save or discard the current analysis result before opening another video.";
        QTest::newRow("libraries unusable") << local << false << QString();
    }

    void openMessages()
    {
        QFETCH(QUrl, url);
        QFETCH(bool, unsaved);
        QFETCH(QString, message);

        auto libraries = VideoBackend::loadedLibraries();
        libraries.at(0).builtMajor += message.isEmpty() ? 1 : 0; // as if built for others
        MediaRuntimeController runtime(libraries, nullptr);
        Session session(&runtime);
        session.setUnsavedProcessedResult(unsaved);
        session.openSource(url);
        QCOMPARE(session.errorMessage(), message.isEmpty() ? runtime.errorMessage() : message);
        // Libraries built for others are refused with the program's own explanation.
        QCOMPARE(runtime.available(), !message.isEmpty());
        QCOMPARE(runtime.errorMessage().contains(QLatin1String(orvi::version::kProductIdentity)),
                 message.isEmpty());
        QCOMPARE(session.state(), unsaved ? Session::Empty : Session::Error);
        QCOMPARE(session.fileName(), unsaved ? QString() : url.fileName());
    }

    void interruptedProbe_data()
    {
        QTest::addColumn<bool>("openSecond");
        QTest::addColumn<QList<Session::AnalysisState>>("states");
        QTest::addColumn<QList<QSize>>("firstFrames");

        QTest::newRow("cancel ends cancelled without late progress")
            << false << QList{Session::Analyzing, Session::Cancelling, Session::Cancelled}
            << QList{QSize(160, 120)};
        QTest::newRow("second file supersedes the first")
            << true << QList{Session::Analyzing, Session::Ready}
            << QList{QSize(160, 120), QSize(96, 64)};
    }

    // Interrupts the probe of the first clip as soon as its first frame is shown; nothing the
    // first probe still had on its way may count afterwards.
    void interruptedProbe()
    {
        QFETCH(bool, openSecond);
        QFETCH(QList<Session::AnalysisState>, states);
        QFETCH(QList<QSize>, firstFrames);

        Session session(&m_runtime);
        Observed seen;
        observe(session, seen);
        qsizetype progressAtInterruption = -1;
        auto interrupt = [&] {
            progressAtInterruption = seen.progress.size();
            if (openSecond) {
                session.openSource(QUrl::fromLocalFile(m_second));
            } else {
                session.cancelAnalysis();
                session.retryAnalysis(); // ignored until the probe has wound down
            }
        };
        connect(&session, &Session::firstFrameReady, &session, interrupt, Qt::SingleShotConnection);
        session.openSource(QUrl::fromLocalFile(m_uniform));
        QTRY_VERIFY_WITH_TIMEOUT(!session.busy(), 30000);
        QTest::qWait(50); // whatever the first probe still had queued

        QCOMPARE(seen.states, states);
        QCOMPARE(seen.firstFrames, firstFrames);
        QCOMPARE(session.frameCount(), openSecond ? 12 : 0);
        if (!openSecond)
            QCOMPARE(seen.progress.size(), progressAtInterruption);
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
