#include "controllers/AnalysisFragmentController.h"
#include "controllers/MediaRuntimeController.h"
#include "controllers/ProcessingSettingsController.h"
#include "controllers/VideoSessionController.h"
#include "media/LibavClipFixtures.h"
#include "motion/TemporalBandpassFilter.h"
#include "processing/VideoProcessingPipeline.h"
#include "records/ProcessingRequest.h"
#include "results/TemporaryVideo.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

using namespace orvi::ui::controllers;
using orvi::media::tests::LibavClipFixtures;
using orvi::motion_core::TemporalBandpassFilter;

namespace {

// The session, fragment and settings wired as the application wires them.
struct Controllers
{
    MediaRuntimeController runtime;
    VideoSessionController session{&runtime};
    AnalysisFragmentController fragment{&session};
    ProcessingSettingsController settings{&session, &fragment};

    bool open(const QString& clip)
    {
        session.openSource(QUrl::fromLocalFile(clip));
        return QTest::qWaitFor([this] { return !session.busy(); }, 30000) && session.ready();
    }
};

} // namespace

class TestProcessingSettingsController : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!LibavClipFixtures::ffmpegAvailable())
            QSKIP("ffmpeg is needed to make the clips");
        QVERIFY(m_folder.isValid() && m_store.isValid());
        qputenv("TMPDIR", QFile::encodeName(m_store.path()));
        m_uniform = m_clips.uniformMp4(QStringLiteral("uniform.mp4"), 90);
        m_irregular = m_clips.irregularStartMp4(QStringLiteral("irregular.mp4"));
        QVERIFY2(!m_uniform.isEmpty() && !m_irregular.isEmpty(), qPrintable(m_clips.lastError()));
    }

    void defaultFragmentStartsAtUniformTail()
    {
        Controllers c;
        QVERIFY(c.open(m_irregular));
        QVERIFY(c.session.uniformStartFrame() >= 1);
        QCOMPARE(c.fragment.startFrame(), c.session.uniformStartFrame());
        QCOMPARE(c.fragment.endFrameExclusive(), c.session.frameCount());
        QVERIFY(c.fragment.autoStartAdjusted() && !c.fragment.rangeCustomized());
        c.fragment.clearRange();
        QCOMPARE(c.fragment.startFrame(), 0);
        QVERIFY(!c.fragment.autoStartAdjusted());
        // One frame cannot be chosen: the range keeps two.
        QVERIFY(c.fragment.setRangeFrames(10, 10));
        QCOMPARE(c.fragment.selectedFrameCount(), 2);
    }

    void messages_data()
    {
        QTest::addColumn<bool>("irregular");
        QTest::addColumn<double>("rate"); // 0: the detected rate
        QTest::addColumn<double>("rpm");
        QTest::addColumn<double>("lower");
        QTest::addColumn<double>("upper");
        QTest::addColumn<double>("factor");
        QTest::addColumn<qint64>("end"); // 0: the whole video
        QTest::addColumn<QString>("validation");
        QTest::addColumn<QString>("warning"); // after the fragment's timing warning

        const QString nearNyquist = QStringLiteral(
            "The selected band is close to Nyquist; reliable frequency separation may be poor.");
        const QString tooShort = QStringLiteral("The selected fragment is too short for this "
                                                "frequency band. Select at least %1 frames.");
        QTest::newRow("valid") << false << 30.0 << 700.0 << 5.0 << 10.0 << 5.0 << 0LL << ""
                               << "";
        QTest::newRow("near Nyquist")
            << false << 30.0 << 700.0 << 9.0 << 14.0 << 5.0 << 0LL << "" << nearNyquist;
        QTest::newRow("capture rate unknown")
            << true << 0.0 << 700.0 << 5.0 << 10.0 << 5.0 << 0LL
            << "Enter the camera capture frame rate before choosing the frequency band."
            << "";
        QTest::newRow("rotation speed") << false << 30.0 << 300.0 << 5.0 << 10.0 << 5.0 << 0LL
                                        << "Rotation speed must be 0 or between 500 and 7000 RPM."
                                        << "";
        QTest::newRow("lower edge") << false << 30.0 << 0.0 << 0.0 << 10.0 << 5.0 << 0LL
                                    << "Lower frequency must be greater than 0 Hz."
                                    << "";
        QTest::newRow("upper edge") << false << 30.0 << 700.0 << 9.0 << 9.0 << 5.0 << 0LL
                                    << "Upper frequency must be greater than lower frequency."
                                    << "";
        QTest::newRow("Nyquist") << false << 30.0 << 700.0 << 9.0 << 16.0 << 5.0 << 0LL
                                 << QStringLiteral("Upper frequency must be below the Nyquist "
                                                   "frequency of %1 Hz.")
                                        .arg(QLocale().toString(15.0, 'f', 2))
                                 << "";
        QTest::newRow("amplification") << false << 30.0 << 700.0 << 5.0 << 10.0 << 60.0 << 0LL
                                       << "Amplification factor must be between 1 and 50."
                                       << "";
        QTest::newRow("high amplification")
            << false << 30.0 << 700.0 << 5.0 << 10.0 << 25.0 << 0LL << ""
            << "High amplification may produce visible artifacts.";
        QTest::newRow("fragment too short")
            << false << 30.0 << 700.0 << 5.0 << 10.0 << 5.0 << 30LL
            << tooShort.arg(TemporalBandpassFilter::recommendedMinimumFrameCount(30.0, 5.0, 10.0))
            << "";
        QTest::newRow("factor of one on irregular timing")
            << true << 25.0 << 700.0 << 2.0 << 5.0 << 1.0 << 0LL
            << tooShort.arg(TemporalBandpassFilter::recommendedMinimumFrameCount(25.0, 2.0, 5.0))
            << "An amplification factor of 1 leaves motion unchanged.";
    }

    void messages()
    {
        QFETCH(bool, irregular);
        QFETCH(double, rate);
        QFETCH(double, rpm);
        QFETCH(double, lower);
        QFETCH(double, upper);
        QFETCH(double, factor);
        QFETCH(qint64, end);
        QFETCH(QString, validation);
        QFETCH(QString, warning);

        Controllers c;
        QCOMPARE(c.settings.validationMessage(),
                 QStringLiteral("Open and analyze a source video."));
        QVERIFY(c.open(irregular ? m_irregular : m_uniform));
        QVERIFY(rate > 0.0 ? c.session.setCaptureFrameRate(rate)
                           : (c.session.clearCaptureFrameRateOverride(), true));
        if (end > 0)
            QVERIFY(c.fragment.setRangeFrames(0, end));
        else
            c.fragment.clearRange();
        QVERIFY(c.settings.setRotationSpeedRpm(rpm) && c.settings.setFrequencyBand(lower, upper) &&
                c.settings.setAmplificationFactor(factor));

        QCOMPARE(c.settings.validationMessage(), validation);
        QCOMPARE(c.settings.settingsValid(), validation.isEmpty());
        const QString timing =
            c.session.videoInfo().timingWarning(0, c.fragment.endFrameExclusive());
        QCOMPARE(timing.isEmpty(), !irregular);
        QCOMPARE(c.settings.warningMessage(), timing.isEmpty() || warning.isEmpty()
                                                  ? timing + warning
                                                  : timing + "\n\n" + warning);
    }

    void lockedControllersRefuseEveryChange()
    {
        Controllers c;
        QVERIFY(c.open(m_uniform));
        c.session.setOperationLocked(true);
        c.fragment.setOperationLocked(true);
        c.settings.setOperationLocked(true);
        QSignalSpy sessionSpy(&c.session, &VideoSessionController::videoInfoChanged);
        QSignalSpy rangeSpy(&c.fragment, &AnalysisFragmentController::rangeChanged);
        QSignalSpy settingsSpy(&c.settings, &ProcessingSettingsController::settingsChanged);

        auto& s = c.settings;
        const std::vector<std::pair<const char*, std::function<bool()>>> changes = {
            {"capture rate", [&] { return c.session.setCaptureFrameRate(50.0); }},
            {"range", [&] { return c.fragment.setRangeFrames(1, 20); }},
            {"start", [&] { return c.fragment.setStartFrame(3); }},
            {"end", [&] { return c.fragment.setEndFrameInclusive(30); }},
            {"rotation", [&] { return s.setRotationSpeedRpm(1200.0); }},
            {"band", [&] { return s.setFrequencyBand(3.0, 6.0); }},
            {"rotation band", [&] { return s.applyRotationBand(1, 10.0); }},
            {"factor", [&] { return s.setAmplificationFactor(7.0); }},
            {"threads", [&] { return s.setWorkerThreadCount(1); }},
            {"optimisation", [&] { return s.setRegionProcessingOptimizationEnabled(false); }},
            {"region", [&] { return s.setRegionOfInterest(0.1, 0.1, 0.5, 0.5); }},
            {"full frame", [&] { return s.useFullFrame(); }},
            {"defaults", [&] { return s.resetToDefaults(); }},
        };
        for (const auto& [name, change] : changes)
            QVERIFY2(!change(), name);
        c.session.clearCaptureFrameRateOverride();
        c.session.openSource(QUrl::fromLocalFile(m_irregular));
        QVERIFY(c.session.ready());
        QCOMPARE(sessionSpy.count() + rangeSpy.count() + settingsSpy.count(), 0);
    }

    // The controllers' state as one job: the pipeline makes exactly the chosen fragment.
    void requestRunsThroughPipeline()
    {
        Controllers c;
        QVERIFY(c.open(m_uniform));
        QVERIFY(c.session.setCaptureFrameRate(30.0));
        QVERIFY(c.settings.applyRotationBand(1, 20.0));
        QCOMPARE(c.settings.lowerFrequencyHz(), c.settings.harmonic1FrequencyHz() * 0.8);
        QVERIFY(c.fragment.setRangeFrames(10, 80));
        QVERIFY(c.settings.setRegionOfInterest(0.25, 0.25, 0.5, 0.5));
        QVERIFY2(c.settings.settingsValid(), qPrintable(c.settings.validationMessage()));

        orvi::project_data::ProcessingRequest request;
        QString error;
        QVERIFY2(c.settings.buildRequest(&request, &error), qPrintable(error));
        QCOMPARE(request.sourceInfo.captureFrameRate, 30.0);
        request.analysisMode = true;
        const auto result =
            orvi::processing::VideoProcessingPipeline().run(request, {}, [] { return false; });
        QVERIFY2(result.isSuccessful(), qPrintable(result.message));
        QVERIFY(result.temporaryResult);
        QCOMPARE(result.temporaryResult->frameCount(), c.fragment.selectedFrameCount());
    }

private:
    QTemporaryDir m_folder;
    QTemporaryDir m_store;
    LibavClipFixtures m_clips{m_folder.path()};
    QString m_uniform;
    QString m_irregular;
};

QTEST_MAIN(TestProcessingSettingsController)
#include "tst_ProcessingSettingsController.moc"
