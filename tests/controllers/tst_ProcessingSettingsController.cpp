#include "media/LibavClipFixtures.h"
#include "motion/TemporalBandpassFilter.h"
#include "support/ControllerWorkbench.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace orvi::ui::controllers;
using orvi::media::tests::LibavClipFixtures;
using orvi::motion_core::TemporalBandpassFilter;

namespace {

struct Controllers : orvi::test::ControllerWorkbench
{
    bool open(const QString& clip)
    {
        session.openSource(QUrl::fromLocalFile(clip));
        return QTest::qWaitFor([this] { return !session.busy(); }, 30000) && session.ready();
    }
};

// What a row sets before reading the messages; a capture rate of 0 keeps the detected one
// and an end of 0 the whole video.
struct Inputs
{
    bool irregular = false;
    double rate = 30, rpm = 700, lower = 5, upper = 10, factor = 5;
    qint64 end = 0;
};

} // namespace

Q_DECLARE_METATYPE(Inputs)

class TestProcessingSettingsController : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!LibavClipFixtures::ffmpegAvailable())
            QSKIP("ffmpeg is needed to make the clips");
        m_uniform = m_clips.uniformMp4(QStringLiteral("uniform.mp4"), 90);
        m_irregular = m_clips.irregularStartMp4(QStringLiteral("irregular.mp4"));
        QVERIFY2(!m_uniform.isEmpty() && !m_irregular.isEmpty(), qPrintable(m_clips.lastError()));
    }

    void messages_data()
    {
        QTest::addColumn<Inputs>("in");
        QTest::addColumn<QString>("validation");
        QTest::addColumn<QString>("warning"); // after the fragment's timing warning

        const QString tooShort = QStringLiteral("The selected fragment is too short for this "
                                                "frequency band. Select at least %1 frames.");
        const auto row = [](const char* name, Inputs in, const QString& validation,
                            const QString& warning = {}) {
            QTest::newRow(name) << in << validation << warning;
        };
        row("valid", {}, "");
        row("near Nyquist", {.lower = 9, .upper = 14}, "",
            "The selected band is close to Nyquist; reliable frequency separation may be poor.");
        row("capture rate unknown", {.irregular = true, .rate = 0},
            "Enter the camera capture frame rate before choosing the frequency band.");
        row("rotation speed", {.rpm = 300},
            "Rotation speed must be 0 or between 500 and 7000 RPM.");
        row("lower edge", {.rpm = 0, .lower = 0}, "Lower frequency must be greater than 0 Hz.");
        row("upper edge", {.upper = 5}, "Upper frequency must be greater than lower frequency.");
        row("Nyquist", {.upper = 16},
            QStringLiteral("Upper frequency must be below the Nyquist frequency of %1 Hz.")
                .arg(QLocale().toString(15.0, 'f', 2)));
        row("amplification", {.factor = 60}, "Amplification factor must be between 1 and 50.");
        row("high amplification", {.factor = 25}, "",
            "High amplification may produce visible artifacts.");
        row("fragment too short", {.end = 30},
            tooShort.arg(TemporalBandpassFilter::recommendedMinimumFrameCount(30, 5, 10)));
        row("factor of one on irregular timing",
            {.irregular = true, .rate = 25, .lower = 2, .upper = 5, .factor = 1},
            tooShort.arg(TemporalBandpassFilter::recommendedMinimumFrameCount(25, 2, 5)),
            "An amplification factor of 1 leaves motion unchanged.");
    }

    void messages()
    {
        QFETCH(Inputs, in);
        QFETCH(QString, validation);
        QFETCH(QString, warning);

        Controllers c;
        QCOMPARE(c.settings.validationMessage(),
                 QStringLiteral("Open and analyze a source video."));
        QVERIFY(c.open(in.irregular ? m_irregular : m_uniform));
        // The default fragment of a recording with an irregular head starts at its uniform tail.
        QCOMPARE(c.fragment.startFrame(), std::max<qint64>(c.session.uniformStartFrame(), 0));
        QCOMPARE(c.fragment.autoStartAdjusted(), in.irregular);
        if (in.rate > 0)
            QVERIFY(c.session.setCaptureFrameRate(in.rate));
        else
            c.session.clearCaptureFrameRateOverride();
        c.fragment.clearRange();
        QVERIFY(in.end == 0 || c.fragment.setRangeFrames(0, in.end));
        QVERIFY(c.settings.setRotationSpeedRpm(in.rpm) &&
                c.settings.setFrequencyBand(in.lower, in.upper) &&
                c.settings.setAmplificationFactor(in.factor));

        QCOMPARE(c.settings.validationMessage(), validation);
        QCOMPARE(c.settings.settingsValid(), validation.isEmpty());
        const QString timing =
            c.session.videoInfo().timingWarning(0, c.fragment.endFrameExclusive());
        QCOMPARE(timing.isEmpty(), !in.irregular);
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
        const int accepted =
            c.session.setCaptureFrameRate(50) + c.fragment.setRangeFrames(1, 20) +
            c.fragment.setStartFrame(3) + c.fragment.setEndFrameInclusive(30) +
            s.setRotationSpeedRpm(1200) + s.setFrequencyBand(3, 6) + s.applyRotationBand(1, 10) +
            s.setAmplificationFactor(7) + s.setWorkerThreadCount(1) +
            s.setRegionProcessingOptimizationEnabled(false) +
            s.setRegionOfInterest(0.1, 0.1, 0.5, 0.5) + s.useFullFrame() + s.resetToDefaults();
        QCOMPARE(accepted, 0);
        c.session.clearCaptureFrameRateOverride();
        c.session.openSource(QUrl::fromLocalFile(m_irregular));
        QCOMPARE(sessionSpy.count() + rangeSpy.count() + settingsSpy.count(), 0);
    }

private:
    QTemporaryDir m_folder;
    LibavClipFixtures m_clips{m_folder.path()};
    QString m_uniform;
    QString m_irregular;
};

QTEST_MAIN(TestProcessingSettingsController)
#include "tst_ProcessingSettingsController.moc"
