#include "controllers/MediaRuntimeController.h"
#include "controllers/VideoSessionController.h"
#include "controllers/items/UiModule.h"
#include "media/LibavClipFixtures.h"
#include "motion/TemporalBandpassFilter.h"
#include "orvi/Version.h"
#include "processing/VideoProcessingPipeline.h"
#include "reports/ReportNumberFormat.h"
#include "reports/ReportTools.h"
#include "results/TemporaryVideo.h"
#include "spectrum/SpectrumTestVideo.h"
#include "support/ControllerWorkbench.h"
#include "support/MediaTools.h"
#include "support/TestSupport.h"

#include <QIcon>
#include <QJsonArray>
#include <QJsonDocument>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <numbers>

using namespace orvi::ui::controllers;
using orvi::media::VideoBackend;
using orvi::media::tests::LibavClipFixtures;
using orvi::motion_core::TemporalBandpassFilter;
using orvi::project_data::ProcessingRequest;
using Session = orvi::ui::controllers::VideoSessionController;
using orvi::spectrum::testing::SyntheticTexture;
using orvi::ui::playback::PlaybackController;
namespace test = orvi::reports::test;

namespace {

constexpr double kRate = 240.0;
const QSize kSize(160, 96);
constexpr QSize kFrameSize(160, 120); // the playback clip
constexpr int kClipFrames = 640;

using Workbench = orvi::test::ControllerWorkbench;

// Horizontal motion of the left and right halves of the frame.
orvi::spectrum::testing::Displacement halves(double leftHz, double rightHz, double leadDegrees)
{
    return [=](int x, int, double t) {
        const double w = 2.0 * std::numbers::pi * t;
        return QPointF(x < kSize.width() / 2
                           ? 0.4 * std::cos(w * leftHz)
                           : 0.3 * std::cos(w * rightHz + leadDegrees * std::numbers::pi / 180),
                       0.0);
    };
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::NewOnly) &&
           file.write(bytes) == bytes.size();
}

int candidateNear(const SpectrumController& spectrum, double hz)
{
    const QVariantList candidates = spectrum.candidates();
    for (int i = 0; i < candidates.size(); ++i)
        if (std::abs(candidates[i].toMap()["frequencyHz"].toDouble() - hz) <=
            spectrum.frequencyStepHz())
            return i;
    return -1;
}

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

// The controllers over real clips: the session's probes, the fragment and settings over a
// probed clip, playback and preview, the processed video's export, the spectrum analysis and
// its exports.
class TestControllers : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (orvi::test::findTool(QStringLiteral("ffmpeg")).isEmpty())
            QSKIP("ffmpeg is needed to make the clips");
        m_uniform = m_clips.uniformMp4(QStringLiteral("uniform.mp4"));
        m_second = m_clips.uniformMp4(QStringLiteral("second.mp4"), 12, QSize(96, 64));
        m_uniform90 = m_clips.uniformMp4(QStringLiteral("uniform90.mp4"), 90);
        m_irregular = m_clips.irregularStartMp4(QStringLiteral("irregular.mp4"));
        QVERIFY2(!m_uniform.isEmpty() && !m_second.isEmpty() && !m_uniform90.isEmpty() &&
                     !m_irregular.isEmpty(),
                 qPrintable(m_clips.lastError()));
        qputenv("TMPDIR", QFile::encodeName(m_folder.path())); // the temporary results
        // The program's icon, as start-up sets it; reports carry it.
        QGuiApplication::setWindowIcon(QIcon(qEnvironmentVariable("ORVI_TEST_SOURCE_DIR") +
                                             QStringLiteral("/../ui/icons/application.png")));
        QString error;
        const SyntheticTexture texture(7);
        orvi::media::VideoInfo info;
        for (const auto& [name, motion] :
             {std::pair{QStringLiteral("two.mp4"), halves(12.0, 30.0, 0.0)},
              std::pair{QStringLiteral("leading.mp4"), halves(20.0, 20.0, 90.0)}})
            QVERIFY2(orvi::spectrum::testing::writeTestVideo(
                         m_folder.filePath(name), kSize, 600, kRate,
                         [&](int i) { return texture.frame(kSize, motion, i / kRate); }, &info,
                         &error),
                     qPrintable(error));
        // A moving test pattern at 240 fps with a patch that vibrates at 12 Hz.
        QString output;
        QVERIFY2(orvi::test::encodeClip(
                     m_folder.filePath(QStringLiteral("vibration.mp4")),
                     QStringLiteral("testsrc2=size=160x120:rate=240[bg];"
                                    "color=c=white:size=12x12:rate=240[patch];"
                                    "[bg][patch]overlay=x='70+2*sin(2*PI*12*t)':y=54:eval=frame"),
                     kClipFrames, {}, &output),
                 qPrintable(output));
        m_reference =
            orvi::test::decodeRgba(m_folder.filePath(QStringLiteral("vibration.mp4")), &output);
        QCOMPARE(m_reference.size(),
                 qsizetype(kClipFrames) * kFrameSize.width() * kFrameSize.height() * 4);
        orvi::ui::registerUiModule();
    }

    // A real preview saved as "clip": the suggested and chosen names, a refused existing
    // target, a cancelled run without leftovers, the frame count ffprobe reads, and a file that
    // appears at the target mid-export.
    void exportOfARealPreview()
    {
        Workbench w;
        makePreview(w, QStringLiteral("two.mp4"), 40, 560);
        if (QTest::currentTestFailed())
            return;
        QTRY_VERIFY_WITH_TIMEOUT(w.exporter.available(), 20000);
        QVERIFY(w.exporter.suggestedFileUrl().toLocalFile().startsWith(
            m_folder.filePath(QStringLiteral("two_analysis_"))));

        QTemporaryDir out(m_folder.filePath(QStringLiteral("out-XXXXXX")));
        const QString taken = out.filePath(QStringLiteral("taken.mp4"));
        QVERIFY(writeFile(taken, "keep"));
        QVERIFY(!w.exporter.setDestination(QUrl::fromLocalFile(taken)));
        QCOMPARE(w.exporter.errorMessage(),
                 QStringLiteral("The selected output file already exists."));
        // The folder is the one the file system finds, and never a device folder.
        QVERIFY(!w.exporter.setDestination(
            QUrl::fromLocalFile(out.filePath(QStringLiteral("missing/../clip.mp4")))));
        QCOMPARE(w.exporter.errorMessage(),
                 QStringLiteral("The destination folder does not exist."));
        QVERIFY(!w.exporter.setDestination(QUrl::fromLocalFile(QStringLiteral("/dev/null"))));
        QVERIFY(w.exporter.errorMessage().startsWith(
            QStringLiteral("The destination is a device or system folder.")));
        QVERIFY(
            w.exporter.setDestination(QUrl::fromLocalFile(out.filePath(QStringLiteral("clip")))));
        QCOMPARE(w.exporter.destinationFilePath(), out.filePath(QStringLiteral("clip.mp4")));
        QCOMPARE(w.exporter.parametersFilePath(), out.filePath(QStringLiteral("clip.mp4.json")));

        w.exporter.startExport();
        QVERIFY(w.exporter.busy());
        w.exporter.cancel();
        QTRY_VERIFY_WITH_TIMEOUT(!w.exporter.busy(), 60000);
        QCOMPARE(w.exporter.stageName(), QStringLiteral("Processed video export was cancelled"));
        QCOMPARE(orvi::test::folderEntries(out.path()), QStringList{QStringLiteral("taken.mp4")});

        QVERIFY(w.exporter.canStart());
        w.exporter.startExport();
        QTRY_VERIFY_WITH_TIMEOUT(!w.exporter.busy(), 120000);
        QVERIFY2(w.exporter.completed(), qPrintable(w.exporter.errorMessage()));
        QCOMPARE(w.exporter.frameCount(), qint64(520));
        QCOMPARE(w.exporter.exportRevision(), quint64(1));
        QVERIFY(!w.preview.unsaved());
        QString output;
        const QJsonObject stream =
            orvi::test::probeVideoStream(w.exporter.destinationFilePath(), &output);
        QCOMPARE(stream.value("nb_read_frames").toString().toLongLong(), qint64(520));
        QVERIFY(QFileInfo::exists(out.filePath(QStringLiteral("clip.mp4.json"))));
        QCOMPARE(test::readFile(taken), QByteArray("keep"));

        // Unrelated changes keep "completed"; the next result clears it.
        QVERIFY(w.settings.setAmplificationFactor(w.settings.amplificationFactor() + 1.0));
        QVERIFY(w.exporter.completed());
        w.preview.createPreview();
        QTRY_VERIFY_WITH_TIMEOUT(!w.preview.busy() && w.preview.ready(), 300000);
        QVERIFY(!w.exporter.completed());

        // A file that appears at the target while the export runs stays and the export fails.
        const QString late = out.filePath(QStringLiteral("late.mp4"));
        QVERIFY(w.exporter.setDestination(QUrl::fromLocalFile(late)));
        w.exporter.startExport();
        QVERIFY(writeFile(late, "someone else's"));
        QTRY_VERIFY_WITH_TIMEOUT(!w.exporter.busy(), 120000);
        QVERIFY(!w.exporter.completed() && w.exporter.hasError());
        QCOMPARE(test::readFile(late), QByteArray("someone else's"));
        QVERIFY(!QFileInfo::exists(late + QStringLiteral(".json")));
    }

    // A run from controller state: both frequencies, band application, staleness by region,
    // a cancelled run that keeps the result.
    void spectrumFromControllerState()
    {
        Workbench w;
        open(w, QStringLiteral("two.mp4"));
        QVERIFY(w.fragment.setRangeFrames(0, 600));
        QVERIFY(w.spectrum.available());
        QVERIFY(w.spectrum.startAnalysis(kRate, 1, 0));
        QTRY_VERIFY_WITH_TIMEOUT(!w.spectrum.busy(), 120000);
        QVERIFY2(w.spectrum.ready(), qPrintable(w.spectrum.errorMessage()));
        const int low = candidateNear(w.spectrum, 12.0);
        QVERIFY(low >= 0 && candidateNear(w.spectrum, 30.0) >= 0);

        // A known length converts the measured amplitude without making the result stale;
        // an unusable one is refused and changes nothing.
        const double px = w.spectrum.candidates()[low].toMap()["amplitudePx"].toDouble();
        QVERIFY(px > 0.0);
        QVERIFY(!w.spectrum.setLengthScale({0.2, 0.5}, {0.2, 0.5}, 10.0));
        QVERIFY(!w.spectrum.lengthScaleMessage().isEmpty() && !w.spectrum.hasLengthScale());
        QVERIFY(w.spectrum.setLengthScale({0.0, 0.5}, {1.0, 0.5}, 32.0));
        const double mmPerPixel = 32.0 / w.session.videoInfo().frameSize.width();
        QVERIFY(!w.spectrum.stale());
        QVERIFY(std::abs(w.spectrum.candidates()[low].toMap()["displacementUm"].toDouble() -
                         px * mmPerPixel * 1000.0) < 1e-9);
        QCOMPARE(w.spectrum.millimetresPerPixel(), mmPerPixel);

        w.spectrum.selectCandidate(low);
        const QVariantMap candidate = w.spectrum.candidates()[low].toMap();
        QCOMPARE(w.spectrum.selectedLowerFrequencyHz(), candidate["lowerFrequencyHz"].toDouble());
        QVERIFY2(w.spectrum.applyBandToAmplification(),
                 qPrintable(w.spectrum.bandApplicationMessage()));
        const double centre =
            0.5 * (w.spectrum.selectedLowerFrequencyHz() + w.spectrum.selectedUpperFrequencyHz());
        QVERIFY(w.settings.lowerFrequencyHz() <= w.spectrum.selectedLowerFrequencyHz());
        QVERIFY(w.settings.upperFrequencyHz() >= w.spectrum.selectedUpperFrequencyHz());
        QVERIFY(std::abs(0.5 * (w.settings.lowerFrequencyHz() + w.settings.upperFrequencyHz()) -
                         centre) < 1e-6);

        const QRectF region = w.settings.regionOfInterest();
        QVERIFY(w.spectrum.canExportReport());
        QSignalSpy reportAbility(&w.spectrum, &SpectrumController::reportChanged);
        QVERIFY(w.settings.setRegionOfInterest(0.1, 0.1, 0.8, 0.8));
        QVERIFY(w.spectrum.ready() && w.spectrum.stale());
        // Bindings on the report's availability hear that it is gone.
        QVERIFY(!w.spectrum.canExportReport() && !reportAbility.isEmpty());
        QCOMPARE(w.spectrum.bandValidationMessage(),
                 QStringLiteral("The spectrum is stale. Recalculate it for the current inputs."));
        QVERIFY(!w.spectrum.applyBandToAmplification());
        QVERIFY(w.settings.setRegionOfInterest(region.x(), region.y(), region.width(),
                                               region.height()));
        QVERIFY(!w.spectrum.stale());
        // So does another capture rate, or the source file rewritten on disk.
        QVERIFY(w.session.setCaptureFrameRate(2 * kRate) && w.spectrum.stale());
        QVERIFY(w.session.setCaptureFrameRate(kRate) && !w.spectrum.stale());
        QFile clip(m_folder.filePath(QStringLiteral("two.mp4")));
        const QDateTime written = QFileInfo(clip).lastModified();
        QVERIFY(clip.open(QIODevice::ReadWrite));
        QVERIFY(clip.setFileTime(written.addSecs(10), QFileDevice::FileModificationTime));
        QVERIFY(w.spectrum.stale());
        QVERIFY(clip.setFileTime(written, QFileDevice::FileModificationTime));
        QVERIFY(!w.spectrum.stale());

        const QVariantList before = w.spectrum.candidates();
        QSignalSpy progress(&w.spectrum, &SpectrumController::progressChanged);
        QVERIFY(w.spectrum.startAnalysis(kRate, 1, 1));
        QTRY_VERIFY_WITH_TIMEOUT(progress.size() > 2, 60000);
        w.spectrum.cancel();
        QTRY_VERIFY_WITH_TIMEOUT(!w.spectrum.busy(), 60000);
        QVERIFY(w.spectrum.cancelled() && w.spectrum.ready());
        QCOMPARE(w.spectrum.candidates(), before);
    }

    // A freshly opened clip of an ordinary 30 fps camera (0.4 px at 3 Hz over ten seconds) is
    // measured only once its capture rate is confirmed; then its line reads at the refined
    // frequency in the candidates, the JSON export and the PDF report (the sample clip's lines:
    // the spectrum's camera clip test).
    void confirmedRateAndRefinedFrequencies()
    {
        const double rate = 30.0, hz = 3.0;
        const QString clip = m_folder.filePath(QStringLiteral("ordinary-30fps.mp4"));
        const SyntheticTexture texture(3);
        const auto motion = [&](int, int, double t) {
            return QPointF(0.4 * std::sin(2.0 * std::numbers::pi * hz * t), 0.0);
        };
        orvi::media::VideoInfo info;
        QString error;
        QVERIFY2(orvi::spectrum::testing::writeTestVideo(
                     clip, kSize, 300, rate,
                     [&](int i) { return texture.frame(kSize, motion, i / rate); }, &info, &error),
                 qPrintable(error));
        Workbench w;
        w.session.openSource(QUrl::fromLocalFile(clip));
        QTRY_VERIFY_WITH_TIMEOUT(w.playback.canPlay() && w.session.ready(), 60000);
        QVERIFY(w.fragment.setRangeFrames(0, w.session.frameCount()));
        QCOMPARE(w.session.captureFrameRateOrigin(), QStringLiteral("assumed"));
        QVERIFY(!w.spectrum.startAnalysis(w.session.captureFrameRate(), 1, 0));
        QVERIFY(w.spectrum.errorMessage().contains(QStringLiteral("assumed")));
        QVERIFY(!w.settings.settingsValid() && !w.preview.available());

        QVERIFY(w.session.setCaptureFrameRate(rate));
        QVERIFY(w.spectrum.startAnalysis(rate, 1, 0));
        QTRY_VERIFY_WITH_TIMEOUT(!w.spectrum.busy(), 120000);
        QVERIFY2(w.spectrum.ready(), qPrintable(w.spectrum.errorMessage()));
        const int line = candidateNear(w.spectrum, hz);
        QVERIFY(line >= 0);
        const QVariantMap candidate = w.spectrum.candidates()[line].toMap();
        QVERIFY2(std::abs(candidate["frequencyHz"].toDouble() - hz) <= 0.05,
                 qPrintable(candidate["frequencyHz"].toString()));
        w.spectrum.selectCandidate(line);

        QTemporaryDir out(m_folder.filePath(QStringLiteral("refined-XXXXXX")));
        for (const QString& name : {QStringLiteral("d.json"), QStringLiteral("r.pdf")}) {
            QVERIFY(w.spectrum.exportAnalysis(QUrl::fromLocalFile(out.filePath(name)),
                                              name.endsWith("json") ? 4 : 0, false));
            QTRY_VERIFY_WITH_TIMEOUT(!w.spectrum.reportBusy(), 60000);
        }
        const QJsonObject data =
            QJsonDocument::fromJson(test::readFile(out.filePath("d.json"))).object();
        QCOMPARE(data["captureFpsOrigin"].toString(), QStringLiteral("entered"));
        const QJsonObject exported = data["candidates"].toArray().at(line).toObject();
        QCOMPARE(exported["frequencyHz"].toDouble(), candidate["frequencyHz"].toDouble());
        // The report names the line by one value, in its table and its own page.
        const QString pdf = test::pdfText(out.filePath("r.pdf"));
        const QString stated = orvi::reports::formatReportNumber(
            exported["frequencyHz"].toDouble(), orvi::reports::kLineFrequencyDecimals);
        QVERIFY2(pdf.contains(QStringLiteral("Peak at %1 Hz").arg(stated)), qPrintable(stated));
        QVERIFY(pdf.contains(QLatin1Char('\n') + stated + QLatin1Char('\n')));
        QVERIFY(std::abs(stated.toDouble() - hz) <= 0.05);
    }

    // Relative phase of a patch leading another by 90 degrees, then every export format.
    void phaseAndEveryExportFormat()
    {
        Workbench w;
        open(w, QStringLiteral("leading.mp4"));
        QVERIFY(w.fragment.setRangeFrames(0, 600));
        QVERIFY(w.spectrum.startAnalysis(kRate, 0, 0));
        QTRY_VERIFY_WITH_TIMEOUT(!w.spectrum.busy(), 120000);
        QVERIFY2(w.spectrum.ready(), qPrintable(w.spectrum.errorMessage()));
        QCOMPARE(candidateNear(w.spectrum, 20.0), 0);
        // The reference: an accepted point well inside the left half.
        const QVariantList sites = w.spectrum.diagnosticSites();
        int reference = -1;
        for (int i = 0; i < sites.size() && reference < 0; ++i)
            if (sites[i].toMap()["accepted"].toBool() &&
                w.spectrum.phaseSamples()[i].toMap()["sampleX"].toDouble() < 0.35)
                reference = i;
        QVERIFY(reference >= 0);
        w.spectrum.setPhaseReferenceSite(reference);
        QVERIFY(w.spectrum.phaseCanCalculate());
        w.spectrum.calculatePhaseMap();
        QTRY_VERIFY_WITH_TIMEOUT(!w.spectrum.phaseBusy(), 60000);
        QVERIFY2(w.spectrum.phaseAvailable(), qPrintable(w.spectrum.phaseMessage()));
        int rightValid = 0;
        for (const QVariant& entry : w.spectrum.phaseSamples()) {
            const QVariantMap sample = entry.toMap();
            if (!sample["valid"].toBool() || sample["sampleX"].toDouble() < 0.6)
                continue;
            ++rightValid;
            QVERIFY2(std::abs(sample["phaseDegrees"].toDouble() - 90.0) <= 10.0,
                     qPrintable(sample["phaseDegrees"].toString()));
        }
        QVERIFY(rightValid > 5);

        const QStringList names{"r.pdf",  "r.docx", "s.csv", "c.csv",
                                "d.json", "s.png",  "m.png", "p.png"};
        QTemporaryDir out(m_folder.filePath(QStringLiteral("analysis-XXXXXX")));
        for (int format = 0; format < names.size(); ++format) {
            const QString path = out.filePath(names[format]);
            QVERIFY(w.spectrum.exportAnalysis(QUrl::fromLocalFile(path), format, true));
            // A refused second export leaves the running export's message alone.
            QVERIFY(!w.spectrum.exportAnalysis(QUrl::fromLocalFile(path + ".png"), 5, true));
            QCOMPARE(w.spectrum.reportMessage(), QStringLiteral("Saving analysis export…"));
            QTRY_VERIFY_WITH_TIMEOUT(!w.spectrum.reportBusy(), 60000);
            QVERIFY2(w.spectrum.reportMessage().startsWith("Analysis export saved: "),
                     qPrintable(w.spectrum.reportMessage()));
            checkExport(path, format, w.spectrum);
        }
        QCOMPARE(orvi::test::folderEntries(out.path()).size(), names.size());

        // A report file that appears while the report is written stays untouched.
        const QString late = out.filePath(QStringLiteral("late.pdf"));
        QVERIFY(w.spectrum.exportAnalysis(QUrl::fromLocalFile(late), 0, true));
        QVERIFY(writeFile(late, "someone else's"));
        QTRY_VERIFY_WITH_TIMEOUT(!w.spectrum.reportBusy(), 60000);
        QVERIFY2(w.spectrum.reportMessage().startsWith("The file "),
                 qPrintable(w.spectrum.reportMessage()));
        QCOMPARE(test::readFile(late), QByteArray("someone else's"));
        QCOMPARE(orvi::test::folderEntries(out.path()).size(), names.size() + 1);
    }

    // Transport on the real clip: playback stays inside the fragment, starts over from its
    // last frame, converts only about every eighth frame at 240 fps, pauses where it is, and
    // seeks and steps onto the frames the ffmpeg tool decodes.
    void transportStaysInsideTheFragment()
    {
        Workbench w;
        open(w, QStringLiteral("vibration.mp4"));
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

        // A seek far past its key frame shows that key frame first; the slider stays put.
        const qint64 middle = qint64(std::llround((kClipFrames - 1) * 0.5));
        shown.clear();
        w.playback.seekToFraction(0.5);
        QCOMPARE(w.playback.progress(), double(middle) / (kClipFrames - 1));
        QTRY_VERIFY_WITH_TIMEOUT(w.playback.canPlay(), 20000);
        QCOMPARE(shown.mid(shown.size() - 2), (QList<qint64>{250, middle}));
        QCOMPARE(w.playback.currentFrameIndex(), middle);
        QVERIFY(compare(w.playback.sourceImage(), referenceFrame(middle)).largest <= 3);
        for (const int delta : {1, -1, -1}) {
            delta > 0 ? w.playback.stepForward() : w.playback.stepBackward();
            QTRY_VERIFY_WITH_TIMEOUT(w.playback.canPlay(), 20000);
        }
        QCOMPARE(w.playback.currentFrameIndex(), middle - 1);
        QVERIFY(compare(w.playback.sourceImage(), referenceFrame(middle - 1)).largest <= 3);

        // A dragged slider: seeks asked for while one decodes replace each other; the first
        // gives up, only the latest is decoded.
        QSignalSpy decoded(&w.playback, &PlaybackController::frameReady);
        for (const double fraction : {0.1, 0.7, 0.3, 0.9, 0.25}) {
            QVERIFY(w.playback.canSeek());
            w.playback.seekToFraction(fraction);
        }
        QTRY_VERIFY_WITH_TIMEOUT(w.playback.canPlay(), 20000);
        const qint64 last = qint64(std::llround((kClipFrames - 1) * 0.25));
        QCOMPARE(w.playback.currentFrameIndex(), last);
        QCOMPARE(decoded.count(), 2); // the latest's key frame, then its frame
        QVERIFY(compare(w.playback.sourceImage(), referenceFrame(last)).largest <= 3);
    }

    // A 640 x 360 clip whose frames 108 or more past their key frame take long to decode: a
    // seek there shows the probe's picture of that very frame at once (not a neighbour's, not
    // the key frame), then the decoded frame; a drag pictures every position and the first
    // seek's late frame is not shown over the latest picture.
    void scrubbingPicturesStandInForDistantFrames()
    {
        constexpr QSize kPicture(384, 216);
        const QString clip = m_folder.filePath(QStringLiteral("scrub.mp4"));
        QString output;
        QVERIFY2(orvi::test::encodeClip(clip, QStringLiteral("testsrc2=size=640x360:rate=240"), 240,
                                        {QStringLiteral("-g"), QStringLiteral("250")}, &output),
                 qPrintable(output));
        const QByteArray nearby = orvi::test::decodeRgba(
            clip, &output,
            {QStringLiteral("-vf"), QStringLiteral("select='between(n,197,203)',scale=384:216"),
             QStringLiteral("-vsync"), QStringLiteral("0")});
        const qsizetype pictureBytes = qsizetype(kPicture.width()) * kPicture.height() * 4;
        QCOMPARE(nearby.size(), 7 * pictureBytes);
        Workbench w;
        open(w, QStringLiteral("scrub.mp4"));
        QSignalSpy shown(&w.playback, &PlaybackController::frameReady);

        w.playback.seekToFrame(200);
        QCOMPARE(shown.count(), 1);
        QCOMPARE(w.playback.currentFrameIndex(), 200);
        const QImage picture = w.playback.sourceImage();
        QCOMPARE(picture.size(), kPicture);
        std::vector<double> errors;
        for (int i = 0; i < 7; ++i)
            errors.push_back(compare(picture, QImage(reinterpret_cast<const uchar*>(
                                                         nearby.constData() + i * pictureBytes),
                                                     kPicture.width(), kPicture.height(),
                                                     QImage::Format_RGBA8888))
                                 .mean);
        QCOMPARE(std::min_element(errors.begin(), errors.end()) - errors.begin(), 3);
        QTRY_VERIFY_WITH_TIMEOUT(w.playback.canPlay(), 20000);
        QCOMPARE(shown.count(), 2);
        QCOMPARE(w.playback.sourceImage().size(), QSize(640, 360));

        shown.clear();
        for (const qint64 frame : {150, 230, 120, 190})
            w.playback.seekToFrame(frame);
        QCOMPARE(shown.count(), 4);
        QTRY_VERIFY_WITH_TIMEOUT(w.playback.canPlay(), 20000);
        QCOMPARE(shown.count(), 5);
        QCOMPARE(w.playback.currentFrameIndex(), 190);
        QCOMPARE(w.playback.sourceImage().size(), QSize(640, 360));
        w.playback.seekToFrame(20); // near its key frame: decoded, no picture
        QTRY_VERIFY_WITH_TIMEOUT(w.playback.canPlay(), 20000);
        QCOMPARE(shown.count(), 6);
    }

    // A preview of a fragment that starts at frame 100: its frames are the pipeline's for the
    // same request, play beside the source frames of the same index (also in frame items of a
    // QML window), go stale and fresh with the settings, and are protected until acknowledged.
    void previewMatchesThePipelineAndPlaysInLockstep()
    {
        Workbench w;
        makePreview(w, QStringLiteral("vibration.mp4"), 100, 580);
        if (QTest::currentTestFailed())
            return;
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
            << m_irregular << QSize(64, 48) << 40LL << 0.0 << 4LL;
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
        QVERIFY(c.open(in.irregular ? m_irregular : m_uniform90));
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
        QVERIFY(c.open(m_uniform90));
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
    // Opens `name`, selects [start, end) and computes its preview; the controllers refuse
    // playback meanwhile.
    void makePreview(Workbench& w, const QString& name, qint64 start, qint64 end)
    {
        open(w, name);
        QVERIFY(w.fragment.setRangeFrames(start, end));
        QTRY_VERIFY2_WITH_TIMEOUT(w.preview.available(), qPrintable(w.settings.validationMessage()),
                                  20000);
        w.preview.createPreview();
        QVERIFY(w.preview.busy() && !w.playback.canPlay());
        QTRY_VERIFY_WITH_TIMEOUT(!w.preview.busy(), 300000);
        QVERIFY2(w.preview.ready(), qPrintable(w.preview.errorMessage()));
    }

    void open(Workbench& w, const QString& name)
    {
        w.session.openSource(QUrl::fromLocalFile(m_folder.filePath(name)));
        QTRY_VERIFY_WITH_TIMEOUT(w.playback.canPlay() && w.session.ready(), 60000);
        QCOMPARE(w.playback.currentFrameIndex(), 0);
        QVERIFY(w.session.setCaptureFrameRate(kRate)); // the camera's rate, as the user states it
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

    // Opens each format with the same outside tools the writers' own tests use.
    static void checkExport(const QString& path, int format, const SpectrumController& spectrum)
    {
        const orvi::project_data::SpectrumResult& result = spectrum.result();
        const QByteArray bytes = test::readFile(path);
        QString output;
        switch (format) {
        case 0:
            QVERIFY2(test::qpdfCheck(path, &output), qPrintable(output));
            QVERIFY(test::pdfPages(path).size() > 1);
            break;
        case 1:
            QVERIFY2(orvi::test::runTool(
                         QStringLiteral("/usr/bin/python3"),
                         {QStringLiteral("-c"),
                          QStringLiteral("import docx,sys; d=docx.Document(sys.argv[1]); "
                                         "print(len(d.tables[0].rows))"),
                          path},
                         &output),
                     qPrintable(output));
            QCOMPARE(output.trimmed().toInt(), int(result.candidates.size()) + 1);
            break;
        case 2:
            QCOMPARE(bytes.count("\r\n"), qsizetype(result.fftSize / 2 + 1));
            break;
        case 3:
            QCOMPARE(bytes.count("\r\n"), qsizetype(result.sites.size() + 1));
            break;
        case 4:
            QCOMPARE(QJsonDocument::fromJson(bytes).object()["candidates"].toArray().size(),
                     qsizetype(result.candidates.size()));
            break;
        default:
            QCOMPARE(orvi::test::probeVideoStream(path, &output).value("codec_name").toString(),
                     QStringLiteral("png"));
        }
    }

    QTemporaryDir m_folder;
    QByteArray m_reference; // the playback clip's frames as the ffmpeg tool decodes them
    LibavClipFixtures m_clips{m_folder.path()};
    MediaRuntimeController m_runtime;
    QString m_uniform;
    QString m_second;
    QString m_uniform90; // three seconds at 30 fps
    QString m_irregular;
};

QTEST_MAIN(TestControllers)
#include "tst_Controllers.moc"
