#include "reports/ReportNumberFormat.h"
#include "reports/ReportTools.h"
#include "spectrum/SpectrumTestVideo.h"
#include "support/ControllerWorkbench.h"
#include "support/MediaTools.h"
#include "support/TestSupport.h"

#include <QIcon>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <numbers>

using namespace orvi::ui::controllers;
using orvi::spectrum::testing::SyntheticTexture;
namespace test = orvi::reports::test;

namespace {

constexpr double kRate = 240.0;
const QSize kSize(160, 96);

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

} // namespace

class TestExportSpectrum : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (orvi::test::findTool(QStringLiteral("ffmpeg")).isEmpty())
            QSKIP("ffmpeg is needed to make the clips");
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
    }

    // A real preview saved as "clip": the suggested and chosen names, a refused existing
    // target, a cancelled run without leftovers, the frame count ffprobe reads, and a file that
    // appears at the target mid-export.
    void exportOfARealPreview()
    {
        Workbench w;
        open(w, QStringLiteral("two.mp4"));
        QVERIFY(w.fragment.setRangeFrames(40, 560));
        QTRY_VERIFY2_WITH_TIMEOUT(w.preview.available(), qPrintable(w.settings.validationMessage()),
                                  20000);
        w.preview.createPreview();
        QTRY_VERIFY_WITH_TIMEOUT(!w.preview.busy(), 300000);
        QVERIFY2(w.preview.ready(), qPrintable(w.preview.errorMessage()));
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

private:
    void open(Workbench& w, const QString& name)
    {
        w.session.openSource(QUrl::fromLocalFile(m_folder.filePath(name)));
        QTRY_VERIFY_WITH_TIMEOUT(w.playback.canPlay() && w.session.ready(), 60000);
        QVERIFY(w.session.setCaptureFrameRate(kRate));
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
};

QTEST_MAIN(TestExportSpectrum)
#include "tst_ExportSpectrum.moc"
