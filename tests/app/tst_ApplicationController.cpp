#include "app/ApplicationController.h"
#include "media/LibavClipFixtures.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace orvi::ui::controllers;
using orvi::media::tests::LibavClipFixtures;

class TestApplicationController : public QObject
{
    Q_OBJECT

private slots:
    // While the session probes a file, fragment and settings refuse changes but the session
    // itself still takes another file; the locks lift when the probe ends.
    void probeLocksFragmentAndSettings()
    {
        if (!LibavClipFixtures::ffmpegAvailable())
            QSKIP("ffmpeg is needed to make the clips");
        QTemporaryDir folder;
        LibavClipFixtures clips(folder.path());
        const QString first = clips.uniformMp4(QStringLiteral("first.mp4"));
        const QString second = clips.uniformMp4(QStringLiteral("second.mp4"), 24, QSize(96, 64));
        QVERIFY2(!first.isEmpty() && !second.isEmpty(), qPrintable(clips.lastError()));

        ApplicationController app;
        auto* session = app.property("videoSession").value<VideoSessionController*>();
        QCOMPARE(session, app.videoSession());
        auto acceptedChanges = [&] {
            return int(app.analysisFragment()->setRangeFrames(1, 8)) +
                   int(app.processingSettings()->setAmplificationFactor(7.0));
        };
        session->openSource(QUrl::fromLocalFile(first));
        session->openSource(QUrl::fromLocalFile(second)); // not locked: the newer choice wins
        QCOMPARE(acceptedChanges(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(session->ready(), 30000);
        QCOMPARE(session->frameWidth(), 96);
        QCOMPARE(acceptedChanges(), 2);
    }
};

QTEST_GUILESS_MAIN(TestApplicationController)
#include "tst_ApplicationController.moc"
