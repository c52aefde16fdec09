#include "controllers/items/UiModule.h"
#include "processing/VideoProcessingPipeline.h"
#include "results/TemporaryVideo.h"
#include "support/ControllerWorkbench.h"
#include "support/MediaTools.h"
#include "support/TestSupport.h"

#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <cmath>

using namespace orvi::ui::controllers;
using orvi::project_data::ProcessingRequest;
using orvi::ui::playback::PlaybackController;

namespace {

constexpr QSize kFrameSize(160, 120);
constexpr int kClipFrames = 640;

using Workbench = orvi::test::ControllerWorkbench;

// Largest and mean per-channel difference between two images of one size.
struct Difference
{
    int largest = 255;
    double mean = 255.0;
};

Difference compare(QImage a, QImage b)
{
    a = a.convertToFormat(QImage::Format_RGBA8888);
    b = b.convertToFormat(QImage::Format_RGBA8888);
    if (a.size() != b.size() || a.isNull())
        return {};
    Difference d{0, 0.0};
    for (int y = 0; y < a.height(); ++y) {
        const uchar* p = a.constScanLine(y);
        const uchar* q = b.constScanLine(y);
        for (int i = 0; i < a.width() * 4; i += 4)
            for (int c = 0; c < 3; ++c) {
                const int delta = std::abs(p[i + c] - q[i + c]);
                d.largest = std::max(d.largest, delta);
                d.mean += delta;
            }
    }
    d.mean /= double(a.width()) * a.height() * 3;
    return d;
}

} // namespace

class TestPlaybackPreview : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (orvi::test::findTool(QStringLiteral("ffmpeg")).isEmpty())
            QSKIP("ffmpeg is needed to make the clip and its reference frames");
        qputenv("TMPDIR", QFile::encodeName(m_folder.path())); // the temporary results
        // A moving test pattern at 240 fps with a patch that vibrates at 12 Hz.
        m_clip = m_folder.filePath(QStringLiteral("vibration.mp4"));
        QString output;
        QVERIFY2(orvi::test::encodeClip(
                     m_clip,
                     QStringLiteral("testsrc2=size=160x120:rate=240[bg];"
                                    "color=c=white:size=12x12:rate=240[patch];"
                                    "[bg][patch]overlay=x='70+2*sin(2*PI*12*t)':y=54:eval=frame"),
                     kClipFrames, {}, &output),
                 qPrintable(output));
        m_reference = orvi::test::decodeRgba(m_clip, &output);
        QCOMPARE(m_reference.size(),
                 qsizetype(kClipFrames) * kFrameSize.width() * kFrameSize.height() * 4);
        orvi::ui::registerUiModule();
    }

    // Transport on the real clip: playback stays inside the fragment, starts over from its
    // last frame, converts only about every eighth frame at 240 fps, pauses where it is, and
    // seeks and steps onto the frames the ffmpeg tool decodes.
    void transportStaysInsideTheFragment()
    {
        Workbench w;
        open(w);
        QVERIFY(w.fragment.setRangeFrames(100, 160));
        QList<qint64> shown;
        connect(&w.playback, &PlaybackController::positionChanged, this,
                [&] { shown << w.playback.currentFrameIndex(); });

        QList<qsizetype> imagesPerRun;
        for (const double speed : {1.0, 1.0, 0.25}) { // from outside, from the last frame
            w.playback.setPlaybackSpeed(speed);
            shown.clear();
            w.playback.play();
            QVERIFY(w.playback.playPending() && !w.playback.canPlay());
            QTRY_VERIFY_WITH_TIMEOUT(w.playback.canPlay(), 20000);
            QVERIFY2(shown.first() == 100 && shown.last() == 159,
                     qPrintable(QStringLiteral("%1..%2").arg(shown.first()).arg(shown.last())));
            QVERIFY(std::is_sorted(shown.begin(), shown.end()) &&
                    std::adjacent_find(shown.begin(), shown.end()) == shown.end());
            imagesPerRun << shown.size();
        }
        QVERIFY2(imagesPerRun[0] < 15 && imagesPerRun[2] > 3 * imagesPerRun[0],
                 qPrintable(
                     QStringLiteral("%1 and %2 images").arg(imagesPerRun[0]).arg(imagesPerRun[2])));

        // Out-of-range speeds are ignored; a new speed pauses a running playback.
        w.playback.setPlaybackSpeed(1.5);
        w.playback.setPlaybackSpeed(0.01);
        QCOMPARE(w.playback.playbackSpeed(), 0.25);
        w.playback.play();
        QTRY_VERIFY_WITH_TIMEOUT(w.playback.playing() && w.playback.currentFrameIndex() > 110,
                                 20000);
        w.playback.setPlaybackSpeed(0.5);
        QVERIFY(w.playback.pausePending());
        QTRY_VERIFY_WITH_TIMEOUT(w.playback.canPlay(), 20000);
        const qint64 pausedAt = w.playback.currentFrameIndex();
        QTest::qWait(150);
        QVERIFY(pausedAt < 158 && w.playback.currentFrameIndex() == pausedAt);
        w.playback.stepForward(); // from the frame shown, wherever the decoder had got to
        QTRY_VERIFY_WITH_TIMEOUT(w.playback.canPlay(), 20000);
        QCOMPARE(w.playback.currentFrameIndex(), pausedAt + 1);
        QVERIFY(compare(w.playback.sourceImage(), referenceFrame(pausedAt + 1)).largest <= 3);
        const qint64 resumeFrom = pausedAt + 1;
        shown.clear();
        w.playback.play();
        QTRY_VERIFY_WITH_TIMEOUT(shown.size() >= 2, 20000);
        QVERIFY(shown.first() > resumeFrom); // on from where it stood
        w.playback.pause();
        QTRY_VERIFY_WITH_TIMEOUT(w.playback.canPlay(), 20000);

        // A seek far past its key frame shows the probe's picture of the frame at once, then
        // the decoded frame; the slider stays put. The picture is the frame's, not a
        // neighbour's.
        const qint64 middle = qint64(std::llround((kClipFrames - 1) * 0.5));
        shown.clear();
        w.playback.seekToFraction(0.5);
        QCOMPARE(w.playback.progress(), double(middle) / (kClipFrames - 1));
        QCOMPARE(w.playback.currentFrameIndex(), middle);
        const QImage picture = w.playback.sourceImage();
        qint64 closest = -1;
        double closestError = 256.0;
        for (qint64 index = middle - 3; index <= middle + 3; ++index) {
            const double error = compare(picture, referenceFrame(index)).mean;
            std::tie(closest, closestError) =
                error < closestError ? std::pair(index, error) : std::pair(closest, closestError);
        }
        QCOMPARE(closest, middle);
        QTRY_VERIFY_WITH_TIMEOUT(w.playback.canPlay(), 20000);
        QCOMPARE(QSet<qint64>(shown.begin(), shown.end()), QSet<qint64>{middle}); // no key frame
        QVERIFY(compare(w.playback.sourceImage(), referenceFrame(middle)).largest <= 3);
        for (const int delta : {1, -1, -1}) {
            delta > 0 ? w.playback.stepForward() : w.playback.stepBackward();
            QTRY_VERIFY_WITH_TIMEOUT(w.playback.canPlay(), 20000);
        }
        QCOMPARE(w.playback.currentFrameIndex(), middle - 1);
        QVERIFY(compare(w.playback.sourceImage(), referenceFrame(middle - 1)).largest <= 3);

        // A dragged slider: every position is pictured at once; seeks asked for while one
        // decodes replace each other, and the first's frame, decoded last, is not shown over
        // the latest position's picture.
        QSignalSpy decoded(&w.playback, &PlaybackController::frameReady);
        for (const double fraction : {0.1, 0.7, 0.3, 0.9, 0.25}) {
            QVERIFY(w.playback.canSeek());
            w.playback.seekToFraction(fraction);
        }
        const qint64 last = qint64(std::llround((kClipFrames - 1) * 0.25));
        QCOMPARE(decoded.count(), 5);
        QTRY_VERIFY_WITH_TIMEOUT(w.playback.canPlay(), 20000);
        QCOMPARE(w.playback.currentFrameIndex(), last);
        QCOMPARE(decoded.count(), 6);
        QVERIFY(compare(w.playback.sourceImage(), referenceFrame(last)).largest <= 3);
    }

    // A preview of a fragment that starts at frame 100: its frames are the pipeline's for the
    // same request, play beside the source frames of the same index (also in frame items of a
    // QML window), go stale and fresh with the settings, and are protected until acknowledged.
    void previewMatchesThePipelineAndPlaysInLockstep()
    {
        Workbench w;
        open(w);
        QVERIFY(w.fragment.setRangeFrames(100, 580));
        QTRY_VERIFY2_WITH_TIMEOUT(w.preview.available(), qPrintable(w.settings.validationMessage()),
                                  20000);
        w.preview.createPreview();
        QVERIFY(w.preview.busy() && !w.playback.canPlay());
        QTRY_VERIFY_WITH_TIMEOUT(!w.preview.busy(), 300000);
        QVERIFY2(w.preview.ready(), qPrintable(w.preview.errorMessage()));
        QVERIFY(w.preview.unsaved() && !w.preview.stale());
        QCOMPARE(w.preview.frameCount(), 480);

        ProcessingRequest request;
        QVERIFY(w.settings.buildRequest(&request));
        request.analysisMode = true;
        const auto pipelineResult =
            orvi::processing::VideoProcessingPipeline().run(request, {}, [] { return false; });
        const auto expected = pipelineResult.temporaryResult;
        ProcessingRequest made;
        QVERIFY(expected && w.preview.exportRequest(&made));
        // The gain measured by the analysis goes with the result to its export.
        QVERIFY(std::isfinite(w.preview.measuredMotionGain()));
        QCOMPARE(w.preview.measuredMotionGain(), pipelineResult.measuredMotionGain);
        QCOMPARE(made.measuredMotionGain, pipelineResult.measuredMotionGain);
        const auto result = made.sourceTemporaryResult;
        QCOMPARE(result->frameCount(), expected->frameCount());
        for (qint64 k = 0; k < result->frameCount(); ++k)
            QVERIFY2(frame(*result, k) == frame(*expected, k), qPrintable(QString::number(k)));

        QTRY_VERIFY_WITH_TIMEOUT(w.playback.previewAvailable() && w.playback.canPlay(), 20000);
        QCOMPARE(w.playback.currentFrameIndex(), 100);
        QCOMPARE(w.playback.previewImage(), frame(*result, 0));

        // Two frame items in a QML window, the right one on the processed frames.
        QQmlEngine engine;
        QQmlComponent component(&engine);
        component.setData(
            "import QtQuick\nimport OrviMotion.Ui\nimport OrviMotion.Ui.Items\n"
            "Window { width: 320; height: 120; visible: true; color: 'black'\n"
            "  required property var playback\n"
            "  VideoFrameItem { width: 160; height: 120; playbackController: playback }\n"
            "  VideoFrameItem { x: 160; width: 160; height: 120;\n"
            "    playbackController: playback; processedPreview: true } }",
            {});
        std::unique_ptr<QObject> root(component.createWithInitialProperties(
            {{QStringLiteral("playback"), QVariant::fromValue(&w.playback)}}));
        auto* window = qobject_cast<QQuickWindow*>(root.get());
        QVERIFY2(window, qPrintable(component.errorString()));
        QVERIFY(QTest::qWaitForWindowExposed(window));

        // While it plays, every processed frame is the one stored for its source frame.
        QList<qint64> mismatched;
        QImage grabbed;
        qint64 grabbedIndex = -1;
        connect(&w.playback, &PlaybackController::previewFrameReady, this,
                [&](const QImage& image) {
                    const qint64 index = w.playback.currentFrameIndex();
                    if (image != frame(*result, index - 100))
                        mismatched << index;
                    if (grabbed.isNull() && index >= 120) {
                        grabbed = window->grabWindow();
                        grabbedIndex = index;
                    }
                });
        w.playback.play();
        QTRY_VERIFY_WITH_TIMEOUT(!grabbed.isNull(), 20000);
        w.playback.pause();
        QTRY_VERIFY_WITH_TIMEOUT(w.playback.canPlay(), 20000);
        QVERIFY2(mismatched.isEmpty(), qPrintable(QString::number(mismatched.value(0))));
        const Difference source =
            compare(grabbed.copy(0, 0, 160, 120), referenceFrame(grabbedIndex));
        const Difference processed =
            compare(grabbed.copy(160, 0, 160, 120), frame(*result, grabbedIndex - 100));
        QVERIFY2(source.largest <= 3 && processed.largest <= 3,
                 qPrintable(QStringLiteral("%1 %2").arg(source.largest).arg(processed.largest)));
        QVERIFY(compare(frame(*result, grabbedIndex - 100), referenceFrame(grabbedIndex)).largest >
                40);

        // Outside the processed range the processed image is empty.
        w.playback.seekToFraction(0.0);
        QTRY_VERIFY_WITH_TIMEOUT(w.playback.canPlay(), 20000);
        QVERIFY(w.playback.previewImage().isNull() && !w.playback.hasPreviewFrame());

        QVERIFY(w.settings.setAmplificationFactor(6.0) && w.preview.stale());
        QVERIFY(w.settings.setAmplificationFactor(5.0) && !w.preview.stale());

        w.preview.createPreview();
        QVERIFY(!w.preview.busy());
        QCOMPARE(
            w.preview.errorMessage(),
            QStringLiteral("Save or discard the current result before starting another analysis."));
        QSignalSpy notified(&w.preview, &PreviewController::stateChanged);
        w.preview.acknowledgeDiscard();
        QVERIFY(notified.size() == 1 && !w.preview.unsaved());

        // A cancelled run keeps the previous result.
        QVERIFY(w.settings.setAmplificationFactor(6.0));
        w.preview.createPreview();
        QVERIFY(w.preview.busy());
        w.preview.cancel();
        QTRY_VERIFY_WITH_TIMEOUT(!w.preview.busy(), 60000);
        QVERIFY(w.preview.exportRequest(&made) && made.sourceTemporaryResult == result);
        QVERIFY(w.preview.ready() && w.preview.stale());
        QCOMPARE(w.preview.stageName(), QStringLiteral("Analysis result was cancelled"));

        // Discarding it while it plays stops playback where it is.
        w.playback.play();
        QTRY_VERIFY_WITH_TIMEOUT(w.playback.playing(), 20000);
        w.preview.discardResult();
        QTRY_VERIFY_WITH_TIMEOUT(w.playback.canPlay(), 20000);
        const qint64 stoppedAt = w.playback.currentFrameIndex();
        QTest::qWait(150);
        QVERIFY(!w.preview.ready() && !w.playback.previewAvailable());
        QVERIFY(!w.playback.playing() && w.playback.currentFrameIndex() == stoppedAt);
    }

private:
    void open(Workbench& w)
    {
        w.session.openSource(QUrl::fromLocalFile(m_clip));
        QTRY_VERIFY_WITH_TIMEOUT(w.playback.canPlay(), 60000);
        QCOMPARE(w.playback.currentFrameIndex(), 0);
        QVERIFY(w.session.setCaptureFrameRate(240.0)); // the camera's rate, as the user states it
    }

    QImage referenceFrame(qint64 index) const
    {
        const qsizetype bytes = qsizetype(kFrameSize.width()) * kFrameSize.height() * 4;
        return QImage(reinterpret_cast<const uchar*>(m_reference.constData()) + index * bytes,
                      kFrameSize.width(), kFrameSize.height(), QImage::Format_RGBA8888);
    }

    static QImage frame(const orvi::project_data::TemporaryVideo& video, qint64 index)
    {
        orvi::media::VideoFrame loaded;
        return video.loadFrame(index, loaded) ? loaded.image : QImage();
    }

    QTemporaryDir m_folder;
    QString m_clip;
    QByteArray m_reference;
};

QTEST_MAIN(TestPlaybackPreview)
#include "tst_PlaybackPreview.moc"
