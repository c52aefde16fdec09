#include "ReportFixture.h"
#include "ReportTools.h"
#include "orvi/Version.h"
#include "reports/AnalysisDataExport.h"
#include "reports/AnalysisExportWriter.h"
#include "reports/DocxWriter.h"
#include "reports/ReportComposer.h"
#include "reports/ReportDocument.h"
#include "reports/ReportNumberFormat.h"
#include "reports/ZipWriter.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <csignal>
#include <functional>
#include <sys/resource.h>

using namespace orvi::reports;

namespace {

// CSV lines after checking the BOM and that every line ends with CR LF.
QStringList csvLines(const QByteArray& bytes)
{
    if (!bytes.startsWith("\xEF\xBB\xBF") || !bytes.endsWith("\r\n"))
        return {};
    const QString text = QString::fromUtf8(bytes.mid(3));
    QStringList lines = text.split(QStringLiteral("\r\n"));
    lines.removeLast();
    for (const QString& line : lines) {
        if (line.contains(QLatin1Char('\n')) || line.contains(QLatin1Char('\r')))
            return {};
    }
    return lines;
}

// Decodes every frame as a 10 x 10 image, whatever the file says.
class WrongSizeSource : public orvi::media::IVideoSource
{
public:
    bool open(const QString&, QString*) override { return true; }
    bool open(const orvi::media::VideoInfo&, QString*) override { return true; }
    void close() override {}
    bool isOpen() const override { return true; }
    orvi::media::VideoInfo videoInfo() const override { return {}; }
    bool seekToTimeUs(qint64, QString*) override { return true; }
    bool seekToFrame(qint64, QString*) override { return true; }
    orvi::media::ReadResult readFrame(orvi::media::VideoFrame& frame, QString*) override
    {
        frame.image = QImage(10, 10, QImage::Format_RGBA8888);
        frame.image.fill(Qt::gray);
        frame.presentationTimeUs = 0;
        frame.frameIndex = 0;
        return orvi::media::ReadResult::Frame;
    }
    orvi::media::ReadResult skipFrame(qint64*, qint64*, QString*) override
    {
        return orvi::media::ReadResult::EndOfStream;
    }
    bool wasCancelled() const override { return false; }
};

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

using ContextChange = std::function<void(AnalysisExportContext&, const QString& folder)>;

// The reason an export that must fail gives; a saved export gives no text.
QString failureOf(const QString& path, int format, const AnalysisExportContext& context,
                  const ReportFrameSourceFactory& frameSourceFactory = {})
{
    QString message;
    const bool saved = frameSourceFactory ? writeAnalysisExport(path, format, context,
                                                                frameSourceFactory, &message)
                                          : writeAnalysisExport(path, format, context, &message);
    return saved ? QString() : message;
}

QStringList headingsOf(const ReportDocument& document)
{
    QStringList headings;
    for (const ReportPage& page : document.pages)
        headings.append(page.heading);
    return headings;
}

using Variant = std::function<void(test::FixtureOptions&)>;
using ReportChange = std::function<void(AnalysisExportContext&)>;

ReportDocument sampleDocument(bool landscape, bool withFigures)
{
    ReportDocument document;
    document.title = QStringLiteral("Report <title> & \"quotes\"");
    document.versionText = QLatin1String(orvi::version::kText);
    document.logo = test::fixtureIcon();
    document.landscape = landscape;
    ReportPage first;
    first.heading = document.title;
    first.paragraphs = {QStringLiteral("Line with a form\ffeed."), QStringLiteral("Second")};
    first.paragraphsAfterFigure = true;
    if (withFigures) {
        first.figure = QImage(800, 450, QImage::Format_RGB32);
        first.figure.fill(Qt::darkCyan);
    }
    ReportPage second;
    second.heading = QStringLiteral("Table page");
    second.paragraphs = {QStringLiteral("Before the table")};
    second.tableRows = {{QStringLiteral("A"), QStringLiteral("B")},
                        {QStringLiteral("1"), QStringLiteral("2")},
                        {QStringLiteral("3"), QStringLiteral("4 < 5")}};
    second.closingNotes = {QStringLiteral("A closing note.")};
    if (withFigures) {
        second.figure = QImage(300, 900, QImage::Format_RGB32);
        second.figure.fill(Qt::darkRed);
        second.fullPageFigure = true;
    }
    document.pages = {first, second};
    return document;
}

QString zipMember(const QString& path, const QString& member)
{
    QString output;
    orvi::test::runTool(QStringLiteral("unzip"), {QStringLiteral("-p"), path, member}, &output);
    return output;
}

} // namespace

Q_DECLARE_METATYPE(ContextChange)
Q_DECLARE_METATYPE(Variant)
Q_DECLARE_METATYPE(ReportChange)

// The analysis exports of one synthetic analysis: the data files and figures, the writer's
// refusals and failures, and the PDF and DOCX reports read by outside tools.
class AnalysisExportTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        if (orvi::test::findTool(QStringLiteral("ffmpeg")).isEmpty())
            QSKIP("ffmpeg is needed to make the clips");
        for (const char* tool : {"qpdf", "pdfinfo", "pdftotext", "pdftoppm"}) {
            if (orvi::test::findTool(QLatin1String(tool)).isEmpty())
                m_missingTool = QStringLiteral("%1 is not installed").arg(QLatin1String(tool));
        }
        if (orvi::test::findTool(QStringLiteral("unzip")).isEmpty() ||
            !QFile::exists(QStringLiteral("/usr/bin/python3")))
            m_missingZipTool = QStringLiteral("unzip or python3 is missing");
        QString error;
        m_clip = m_dir.filePath(QStringLiteral("machine.mp4"));
        QVERIFY2(test::makeClip(m_clip, QSize(640, 360), 1100, &error), qPrintable(error));
        QVERIFY2(test::probeClip(m_clip, &m_landscapeInfo, &m_landscapeFrame, &error),
                 qPrintable(error));
        const QString portrait = m_dir.filePath(QStringLiteral("portrait.mp4"));
        QVERIFY2(test::makeClip(portrait, QSize(360, 640), 120, &error), qPrintable(error));
        QVERIFY2(test::probeClip(portrait, &m_portraitInfo, &m_portraitFrame, &error),
                 qPrintable(error));
        m_context = contextFor({});
        QVERIFY(m_context.result.ok && m_context.hasPhase && m_context.hasPowerMap &&
                m_context.result.candidates.size() >= 3);
    }

    void spectrumCsvHasOneLinePerBin()
    {
        const QString path = m_dir.filePath(QStringLiteral("SPECTRUM.CSV")); // any letter case
        QVERIFY(writeAnalysisExport(path, 2, m_context));
        const QStringList lines = csvLines(test::readFile(path));
        const auto& spectrum = m_context.result.spectrum;
        QCOMPARE(lines.size(), qsizetype(spectrum.size()) + 1); // N/2 bins and the header
        QCOMPARE(
            lines.first(),
            QStringLiteral("frequency_hz,relative_power,point_amplitude_px,point_amplitude_um"));
        QCOMPARE(lines.at(1), QStringLiteral("0,0,0,0"));
        // The strongest point of the candidate in the selected band; 0.8 x 640 px = 200 mm.
        const auto& candidate =
            m_context.result.candidates[std::size_t(amplitudeCandidateIndex(m_context))];
        const long peak = std::lround(candidate.frequencyHz / m_context.result.binWidthHz);
        for (std::size_t k = 0; k < spectrum.size(); ++k) {
            const QStringList fields = lines.at(qsizetype(k) + 1).split(QLatin1Char(','));
            QCOMPARE(fields.size(), 4);
            QCOMPARE(fields[0].toDouble(), double(k) * m_context.result.binWidthHz);
            QCOMPARE(fields[1].toDouble(), spectrum[k]); // 17 digits round-trip exactly
            QVERIFY(std::abs(fields[3].toDouble() - fields[2].toDouble() * 390.625) <=
                    1e-12 * fields[3].toDouble());
            if (long(k) == peak)
                QVERIFY(std::abs(fields[2].toDouble() - candidate.strongestAmplitudePx) <
                        0.2 * candidate.strongestAmplitudePx);
        }
    }

    void cellCsvFollowsTheCellsArray()
    {
        const QString path = m_dir.filePath(QStringLiteral("cells.csv"));
        QVERIFY(writeAnalysisExport(path, 3, m_context));
        const QStringList lines = csvLines(test::readFile(path));
        QCOMPARE(lines.size(), qsizetype(m_context.sites.size()) + 1);
        QCOMPARE(lines.first(),
                 QStringLiteral("point,cell_x,cell_y,cell_width,cell_height,sample_x,sample_y,"
                                "signal_accepted,valid_samples,gaps,segment_start_s,"
                                "segment_duration_s,power_valid,relative_band_power,local_peak_hz,"
                                "phase_valid,phase_degrees,phase_fit_fraction,phase_start_s,"
                                "phase_duration_s,phase_reason,power_reason,amplitude_frequency_hz,"
                                "amplitude_px,amplitude_direction_deg,amplitude_phase_deg,"
                                "amplitude_x_px,amplitude_phase_x_deg,amplitude_y_px,"
                                "amplitude_phase_y_deg,displacement_um,velocity_mm_s_rms,"
                                "acceleration_m_s2,amplitude_standard_error_px,"
                                "amplitude_reliable"));
        const QJsonArray cells = buildCellsArray(m_context);
        int rejected = 0;
        int usable = 0;
        for (qsizetype i = 0; i < cells.size(); ++i) {
            // The same cells as the JSON array, in its order; absent values are empty.
            const QStringList f = lines.at(i + 1).split(QLatin1Char(','));
            QCOMPARE(f.size(), 35);
            const QJsonObject cell = cells.at(i).toObject();
            QCOMPARE(f[1].toDouble(), cell["cell"].toObject()["x"].toDouble());
            QCOMPARE(f[21], cell["powerReason"].toString());
            QCOMPARE(f[23].toDouble(), cell["amplitudePx"].toDouble());
            if (cell["phaseValid"].toBool()) // the relative phase, not the amplitude's
                QCOMPARE(f[16].toDouble(), cell["phaseDegrees"].toDouble());
            if (!cell["signalAccepted"].toBool()) {
                QVERIFY(f[23].isEmpty() && f[30].isEmpty());
                ++rejected;
                QVERIFY(f[13].isEmpty() && f[14].isEmpty());
            }
            if (cell["powerValid"].toBool()) {
                ++usable;
                QCOMPARE(f[13].toDouble(), cell["relativeBandPower"].toDouble());
            }
            const auto& site = m_context.sites[std::size_t(i)];
            QCOMPARE(f[10].toDouble(), (site.segmentStart + 1) / 240.0);
            QCOMPARE(f[11].toDouble(), site.segmentLength / 240.0);
        }
        QVERIFY(rejected > 0);
        QVERIFY(usable > 0);
    }

    void jsonIsSortedAndComplete_data()
    {
        QTest::addColumn<bool>("phaseCalculated");
        QTest::newRow("with a phase calculation") << true;
        QTest::newRow("without a phase calculation") << false;
    }

    void jsonIsSortedAndComplete()
    {
        QFETCH(bool, phaseCalculated);
        AnalysisExportContext context = m_context;
        if (!phaseCalculated) {
            context.hasPhaseCalculation = false;
            context.hasPhase = false;
            context.relativePhase.clear();
        }
        const QString path = m_dir.filePath(QStringLiteral("data-%1.json").arg(phaseCalculated));
        QVERIFY(writeAnalysisExport(path, 4, context));
        const QByteArray bytes = test::readFile(path);
        QJsonParseError error;
        const QJsonObject root = QJsonDocument::fromJson(bytes, &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);

        // The top-level keys appear in the file in lexicographic order.
        QStringList keys;
        const QRegularExpression topKey(QStringLiteral("^    \"([^\"]+)\":"),
                                        QRegularExpression::MultilineOption);
        for (auto it = topKey.globalMatch(QString::fromUtf8(bytes)); it.hasNext();)
            keys.append(it.next().captured(1));
        QStringList sorted = keys;
        sorted.sort();
        QCOMPARE(keys, sorted);
        QCOMPARE(keys.size(), root.size());

        // Values taken from the context, in their written form.
        QCOMPARE(root["created"].toString(), QStringLiteral("2026-12-06T14:30:05"));
        QCOMPARE(root["sourceFile"].toString(), QStringLiteral("machine.mp4"));
        QCOMPARE(root["identity"].toString().size(), 64);
        QCOMPARE(root["gridColumns"].toInt(), 16);
        const QJsonArray spectrum = root["spectrum"].toArray();
        QCOMPARE(spectrum.size(), qsizetype(context.result.spectrum.size()));
        QCOMPARE(spectrum.at(3).toArray().at(0).toDouble(), 3 * context.result.binWidthHz);
        QCOMPARE(root["candidates"].toArray().size(), qsizetype(context.result.candidates.size()));
        const QJsonObject candidate = root["candidates"].toArray().at(0).toObject();
        QCOMPARE(candidate.keys(),
                 QStringLiteral("accelerationMetresPerSecond2 amplitudeLowerQuartilePx "
                                "amplitudePointOneBased amplitudePoints amplitudePx "
                                "amplitudeUpperQuartilePx binFrequencyHz contrastDb displacementUm "
                                "frequencyHz lowerHz medianAmplitudePx possibleCompressionArtefact "
                                "refinedFrequencyHz relativePower spatialSupport stability "
                                "stabilityEvaluated strongestAmplitudePx upperHz "
                                "velocityMmPerSecondRms")
                     .split(' '));
        // The line's frequency is the refined one; the bin's stays under its own key.
        QCOMPARE(candidate["frequencyHz"].toDouble(), candidate["refinedFrequencyHz"].toDouble());
        QVERIFY(std::abs(candidate["frequencyHz"].toDouble() -
                         candidate["binFrequencyHz"].toDouble()) <= context.result.binWidthHz);
        QCOMPARE(root["lengthScale"].toObject()["millimetresPerPixel"].toDouble(), 0.390625);
        QCOMPARE(root["cells"].toArray().size(), qsizetype(context.sites.size()));
        QCOMPARE(root.contains(QStringLiteral("phase")), phaseCalculated);
        QCOMPARE(root["hasPhaseCalculation"].toBool(), phaseCalculated);
        if (phaseCalculated) {
            QCOMPARE(root["phase"].toObject()["referencePointOneBased"].toInt(),
                     context.phaseReferenceIndex + 1);
        } else {
            for (const QJsonValue& cell : root["cells"].toArray())
                QCOMPARE(cell.toObject()["phaseReason"].toString(),
                         QStringLiteral("not_calculated"));
        }
    }

    void powerGroupReasons_data()
    {
        QTest::addColumn<double>("lower");
        QTest::addColumn<double>("upper");
        QTest::addColumn<bool>("hasPowerMap");
        QTest::addColumn<QString>("acceptedWithoutPower");
        QTest::newRow("no map for an invalid band") << 0.0 << 0.0 << false << "no_valid_band";
        QTest::newRow("candidate band") << -1.0 << -1.0 << true << "weak_band_power";
    }

    void powerGroupReasons()
    {
        QFETCH(double, lower);
        QFETCH(double, upper);
        QFETCH(bool, hasPowerMap);
        QFETCH(QString, acceptedWithoutPower);
        AnalysisExportContext context = m_context;
        if (lower >= 0.0) {
            context.lowerHz = lower;
            context.upperHz = upper;
        }
        context.hasPowerMap = hasPowerMap;
        double strongest = 0.0;
        int usable = 0;
        const QJsonArray cells = buildCellsArray(context);
        for (const QJsonValue& value : cells) {
            const QJsonObject cell = value.toObject();
            const QString reason = cell["powerReason"].toString();
            if (!cell["signalAccepted"].toBool()) {
                QCOMPARE(reason, QStringLiteral("signal_unavailable"));
            } else if (cell["powerValid"].toBool()) {
                QCOMPARE(reason, QStringLiteral("usable"));
                ++usable;
                strongest = std::max(strongest, cell["relativeBandPower"].toDouble());
                const double peak = cell["localPeakHz"].toDouble();
                QVERIFY(peak >= context.lowerHz && peak <= context.upperHz);
            } else {
                QCOMPARE(reason, acceptedWithoutPower);
                QVERIFY(cell["relativeBandPower"].isNull());
                QVERIFY(cell["localPeakHz"].isNull());
            }
        }
        if (usable > 0)
            QCOMPARE(strongest, 1.0);
        QCOMPARE(usable > 0, lower < 0.0);
    }

    void phaseGroupFollowsThePhaseVector()
    {
        AnalysisExportContext context = m_context;
        context.relativePhase.resize(context.relativePhase.size() -
                                     3);     // the last cells lie outside
        context.relativePhase[0].reason = 9; // an unknown code
        context.relativePhase[0].valid = false;
        const QJsonArray cells = buildCellsArray(context);
        QSet<QString> seen;
        for (qsizetype i = 0; i < cells.size(); ++i) {
            const QJsonObject cell = cells.at(i).toObject();
            const QString reason = cell["phaseReason"].toString();
            seen.insert(reason);
            if (std::size_t(i) >= context.relativePhase.size() || i == 0) {
                QCOMPARE(reason, QStringLiteral("unavailable"));
                QVERIFY(!cell["phaseValid"].toBool());
                continue;
            }
            const auto& sample = context.relativePhase[std::size_t(i)];
            static const QStringList names{"usable", "unavailable", "short_overlap", "weak_fit",
                                           "unstable_phase"};
            QCOMPARE(reason, names.at(sample.reason));
            QCOMPARE(cell["phaseValid"].toBool(), sample.valid);
            QCOMPARE(cell["phaseDegrees"].isNull(), !sample.valid);
            if (sample.valid) {
                QCOMPARE(cell["phaseDegrees"].toDouble(), sample.phaseDegrees);
                QCOMPARE(cell["phaseStartSeconds"].toDouble(), (sample.intervalStart + 1) / 240.0);
                QCOMPARE(cell["phaseDurationSeconds"].toDouble(), sample.intervalLength / 240.0);
            }
        }
        QVERIFY(seen.contains(QStringLiteral("usable")));
        QVERIFY(seen.contains(QStringLiteral("unavailable")));
    }

    // The figures as PNG: 1600 px wide, the maps in the region's shape above their colour bar.
    // The spectrum (5), band power map (6) and relative phase map (7).
    void figuresKeepTheirShape()
    {
        const QRectF region = m_context.result.request.analysisRegion; // of 640 x 360
        const int mapHeight = int(1600 * region.height() * 360 / (region.width() * 640));
        for (int format = 5; format <= 7; ++format) {
            const QString path = m_dir.filePath(QStringLiteral("figure-%1.png").arg(format));
            QVERIFY(writeAnalysisExport(path, format, m_context));
            QImageReader reader(path);
            QCOMPARE(reader.format(), QByteArray("png"));
            const QSize size = reader.size();
            QCOMPARE(size.width(), 1600);
            QVERIFY2(format == 5 ? size.height() == 900
                                 : size.height() > mapHeight - 2 && size.height() < mapHeight + 250,
                     qPrintable(QStringLiteral("%1: %2").arg(format).arg(size.height())));
        }
    }

    void refusalsLeaveNoFile_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<int>("format");
        QTest::addColumn<ContextChange>("change");
        QTest::addColumn<QString>("message");

        const QString extension = QStringLiteral(
            "Choose a file with the extension required by the selected export format.");
        const QString noAnalysis =
            QStringLiteral("No current analysis is available for this export.");
        const QString source = QStringLiteral("The report cannot replace the source video.");

        const auto row = [](const char* name, const char* file, int format, const QString& message,
                            const ContextChange& change = {}) {
            QTest::newRow(name) << file << format << change << message;
        };
        row("txt suffix for the spectrum CSV", "out.txt", 2, extension);
        row("unknown format", "out.png", 8, extension);
        row("result not ok", "out.csv", 2, noAnalysis, [](auto& c, auto&) { c.result.ok = false; });
        row("phase map without a valid phase map", "out.png", 7, noAnalysis,
            [](auto& c, auto&) { c.hasPhase = false; });
        row("the source video itself", "source.csv", 2, source, [](auto& c, const QString& folder) {
            QFile::copy(c.result.request.videoInfo.filePath, folder + "/source.csv");
            c.result.request.videoInfo.filePath = folder + "/source.csv";
        });
        row("the source video through a link", "link.pdf", 0, source,
            [](auto& c, const QString& folder) {
                QFile::link(c.result.request.videoInfo.filePath, folder + "/link.pdf");
            });
    }

    void refusalsLeaveNoFile()
    {
        QFETCH(QString, fileName);
        QFETCH(int, format);
        QFETCH(ContextChange, change);
        QFETCH(QString, message);
        QTemporaryDir folder(m_dir.filePath(QStringLiteral("refusal-XXXXXX")));
        QVERIFY(folder.isValid());
        AnalysisExportContext context = m_context;
        if (change)
            change(context, folder.path());
        const QStringList before = QDir(folder.path()).entryList(QDir::Files | QDir::System);
        const qint64 clipSize = QFileInfo(m_clip).size();

        QCOMPARE(failureOf(folder.filePath(fileName), format, context), message);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::System), before);
        QCOMPARE(QFileInfo(m_clip).size(), clipSize);
    }

    void failedWriteKeepsTheExistingFile_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<int>("format");
        QTest::addColumn<ContextChange>("change");
        QTest::addColumn<QString>("messageStart");
        QTest::addColumn<bool>("wrongSizeFrames");

        const QString unwritten = "The export could not be written. No completed file was saved.";
        const auto row = [](const char* name, const char* file, int format, const QString& message,
                            const ContextChange& change, bool wrongSizeFrames = false) {
            QTest::newRow(name) << file << format << change << message << wrongSizeFrames;
        };
        row("band map PNG without a power map", "map.png", 6, unwritten,
            [](auto& c, auto&) { c.hasPowerMap = false; });
        row("report whose video is gone", "report.pdf", 0,
            "Cannot read the first source frame for the report: ",
            [](auto& c, const QString& folder) {
                c.result.request.videoInfo.filePath = folder + "/gone.mp4";
            });
        row("report frame of the wrong size", "report.docx", 1,
            "The decoded frame is unavailable or does not match the source.", {}, true);
        row("report without a logo", "report.docx", 1, unwritten,
            [](auto& c, auto&) { c.applicationIcon = QImage(); });
    }

    void failedWriteKeepsTheExistingFile()
    {
        QFETCH(QString, fileName);
        QFETCH(int, format);
        QFETCH(ContextChange, change);
        QFETCH(QString, messageStart);
        QFETCH(bool, wrongSizeFrames);
        QTemporaryDir folder(m_dir.filePath(QStringLiteral("failure-XXXXXX")));
        QVERIFY(folder.isValid());
        AnalysisExportContext context = m_context;
        if (change)
            change(context, folder.path());
        const QString target = folder.filePath(fileName);
        QVERIFY(writeFile(target, "previous export"));

        const QString message = wrongSizeFrames
                                    ? failureOf(target, format, context,
                                                [] { return std::make_unique<WrongSizeSource>(); })
                                    : failureOf(target, format, context);
        QVERIFY2(message.startsWith(messageStart), qPrintable(message));
        QCOMPARE(test::readFile(target), QByteArray("previous export"));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList(fileName));
    }

    void exportNeverReplacesAnExistingEntry()
    {
        QTemporaryDir folder(m_dir.filePath(QStringLiteral("taken-XXXXXX")));
        QVERIFY(folder.isValid());
        const QString target = folder.filePath(QStringLiteral("replace.json"));
        const QString dangling = folder.filePath(QStringLiteral("dangling.json"));
        QVERIFY(writeFile(target, "previous export"));
        QVERIFY(QFile::link(folder.filePath(QStringLiteral("nowhere")), dangling));
        for (const QString& path : {target, dangling}) {
            const QString message = failureOf(path, 4, m_context);
            QVERIFY2(message.startsWith(QLatin1String("The file ")), qPrintable(message));
        }
        QCOMPARE(test::readFile(target), QByteArray("previous export"));
        QVERIFY(QFileInfo(dangling).isSymLink());
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
                 QStringList({QStringLiteral("dangling.json"), QStringLiteral("replace.json")}));

        // Unwritable destinations: a missing folder and a "folder" that is a file.
        QString message =
            failureOf(m_dir.filePath(QStringLiteral("missing/out.csv")), 2, m_context);
        QVERIFY2(message.startsWith(QLatin1String("Cannot open the export file: ")),
                 qPrintable(message));
        message = failureOf(target + QStringLiteral("/out.csv"), 2, m_context);
        QVERIFY2(message.startsWith(QLatin1String("Cannot open the export file: ")),
                 qPrintable(message));
        QVERIFY(!QFileInfo::exists(m_dir.filePath(QStringLiteral("missing"))));
        // Folders resolved by the file system, not as text, and never a device folder.
        message = failureOf(folder.filePath(QStringLiteral("missing/../out.csv")), 2, m_context);
        QVERIFY2(message.endsWith(QLatin1String("The export folder does not exist.")),
                 qPrintable(message));
        message = failureOf(QStringLiteral("/dev/orvi-export-check.csv"), 2, m_context);
        QVERIFY2(message.contains(QLatin1String("device or system folder")), qPrintable(message));
        QVERIFY(QDir(QStringLiteral("/dev"))
                    .entryList({QStringLiteral("*orvi-export-check*")},
                               QDir::AllEntries | QDir::Hidden | QDir::System)
                    .isEmpty());
    }

    // A disk that fills up mid-write: the export fails and its staging file goes at once (the
    // PDF engine seeks within its file, which once hid the write error).
    void fullDiskLeavesNoStagingFile()
    {
        QTemporaryDir folder(m_dir.filePath(QStringLiteral("full-XXXXXX")));
        QVERIFY(folder.isValid());
        // Writes past 4 KiB fail as on a full disk (the size limit's signal is ignored).
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit small = saved;
        small.rlim_cur = 4096;
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const QString message =
            failureOf(folder.filePath(QStringLiteral("report.pdf")), 0, m_context);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);
        QVERIFY(!message.isEmpty());
        QCOMPARE(
            QDir(folder.path())
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
            QStringList());
    }

    void pdfReportPassesExternalChecks()
    {
        if (!m_missingTool.isEmpty())
            QSKIP(qPrintable(m_missingTool));
        const QString path = m_dir.filePath(QStringLiteral("report.pdf"));
        QVERIFY(writeAnalysisExport(path, 0, m_context));
        const ReportDocument expected = composeReport(m_context, m_landscapeFrame);

        QString output;
        QVERIFY2(test::qpdfCheck(path, &output), qPrintable(output));
        test::PdfInfo info;
        QVERIFY2(test::pdfInfo(path, &info, &output), qPrintable(output));
        QCOMPARE(info.title, QStringLiteral("Zazira spectrum analysis report"));
        QCOMPARE(info.creator, QLatin1String(orvi::version::kProductIdentity));
        // Landscape A4 (the tool rounds to whole points for some producers).
        QVERIFY2(QRegularExpression(QStringLiteral("^(841\\.89|842) x 595(\\.\\d+)? pts \\(A4\\)"))
                     .match(info.pageSize)
                     .hasMatch(),
                 qPrintable(info.pageSize));
        QVERIFY(info.pages >= expected.pages.size());

        // Every heading in order; one per PDF page at least (each report page starts a page).
        QString missing;
        const QString text = test::pdfText(path);
        QVERIFY2(test::containsInOrder(text, headingsOf(expected), &missing), qPrintable(missing));
        QVERIFY(test::containsInOrder(
            text,
            {QStringLiteral("Source video: machine.mp4"), QStringLiteral("Frequency Hz"),
             QStringLiteral("Relative band power is the sum"),
             QStringLiteral("Interpretation and limitations"),
             QStringLiteral("No conclusion about equipment condition is generated automatically.")},
            &missing));
        // The default region is small: the figures add close-ups of it.
        QVERIFY2(test::containsInOrder(
                     text,
                     {QStringLiteral("The outline marks the analysis region used for this "
                                     "calculation."),
                      QStringLiteral("Source frame 1: analysis region close-up"),
                      QStringLiteral("Relative phase map — analysis region close-up")},
                     &missing),
                 qPrintable(missing));
        const QStringList pages = test::pdfPages(path);
        QCOMPARE(pages.size(), info.pages);
        for (int page = 1; page <= info.pages; ++page) {
            const QString& pageText = pages.at(page - 1);
            QVERIFY2(pageText.contains(QStringLiteral("Page %1").arg(page)), qPrintable(pageText));
            QVERIFY(pageText.contains(QLatin1String(orvi::version::kProductIdentity)));
        }
    }

    void compositionVariants_data()
    {
        QTest::addColumn<Variant>("variant");
        QTest::addColumn<ReportChange>("change");
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QStringList>("absent");

        const Variant standard;
        const ReportChange unchanged = [](AnalysisExportContext&) {};
        QTest::newRow("region equal to the whole frame")
            << Variant([](test::FixtureOptions& o) { o.region = QRectF(0, 0, 1, 1); }) << unchanged
            << QStringList{"The entire frame was analyzed; no separate analysis region is "
                           "outlined."}
            << QStringList{"close-up", "The outline marks the analysis region"};
        QTest::newRow("no frequency candidates")
            << Variant([](test::FixtureOptions& o) { o.withTones = false; }) << unchanged
            << QStringList{"all 0 detected frequency candidates",
                           "No frequency candidates passed the detection thresholds."}
            << QStringList{"Peak at", "Band power map for peak at", "Frequency Hz"};
        QTest::newRow("no valid selected band")
            << standard << ReportChange([](AnalysisExportContext& c) {
                   c.lowerHz = 30.0;
                   c.upperHz = 20.0;
               })
            << QStringList{"Additional map: band selected in the interface",
                           "No valid frequency band was selected. The band power map is "
                           "unavailable."}
            << QStringList{"Additional map: band selected in the interface — analysis region"};
        QTest::newRow("no valid phase map")
            << standard << ReportChange([](AnalysisExportContext& c) { c.hasPhase = false; })
            << QStringList{"Interpretation and limitations"} << QStringList{"Relative phase map"};
    }

    void compositionVariants()
    {
        if (!m_missingTool.isEmpty())
            QSKIP(qPrintable(m_missingTool));
        QFETCH(Variant, variant);
        QFETCH(ReportChange, change);
        QFETCH(QStringList, present);
        QFETCH(QStringList, absent);
        AnalysisExportContext context = contextFor(variant);
        change(context);
        const QString name = QStringLiteral("variant-%1.pdf")
                                 .arg(QTest::currentDataTag())
                                 .replace(QLatin1Char(' '), QLatin1Char('-'));
        const QString path = m_dir.filePath(name);
        QVERIFY(writeAnalysisExport(path, 0, context));
        QString output;
        QVERIFY2(test::qpdfCheck(path, &output), qPrintable(output));
        const QString text = test::pdfText(path);
        QString missing;
        QVERIFY2(test::containsInOrder(text, present, &missing), qPrintable(missing));
        QString collapsed = text;
        collapsed.replace(QRegularExpression(QStringLiteral("\\s+")), QStringLiteral(" "));
        for (const QString& needle : absent)
            QVERIFY2(!collapsed.contains(needle), qPrintable(needle));
    }

    void portraitVideoGivesPortraitReport()
    {
        if (!m_missingTool.isEmpty())
            QSKIP(qPrintable(m_missingTool));
        test::FixtureOptions options;
        options.startFrame = 0;
        options.frameCount = 97; // 96 phase samples
        options.region = QRectF(0.1, 0.3, 0.8, 0.35);
        const AnalysisExportContext context =
            test::makeContext(m_portraitInfo, m_portraitFrame, options);
        QVERIFY(context.result.ok);
        const QString path = m_dir.filePath(QStringLiteral("portrait.pdf"));
        QVERIFY(writeAnalysisExport(path, 0, context));
        QString output;
        QVERIFY2(test::qpdfCheck(path, &output), qPrintable(output));
        test::PdfInfo info;
        QVERIFY(test::pdfInfo(path, &info, &output));
        QVERIFY2(QRegularExpression(QStringLiteral("^595(\\.\\d+)? x (841\\.89|842) pts \\(A4\\)"))
                     .match(info.pageSize)
                     .hasMatch(),
                 qPrintable(info.pageSize));
    }

    void longCandidateTableRepeatsItsHeader()
    {
        if (!m_missingTool.isEmpty())
            QSKIP(qPrintable(m_missingTool));
        // Twenty candidates (the most an analysis yields) spread over the spectrum.
        AnalysisExportContext context = m_context;
        const auto model = context.result.candidates.front();
        context.result.candidates.clear();
        for (int i = 0; i < 20; ++i) {
            auto candidate = model;
            candidate.frequencyHz = 5.0 + 5.5 * i;
            candidate.refinedFrequencyHz = candidate.frequencyHz;
            candidate.lowerFrequencyHz = candidate.frequencyHz - 0.2;
            candidate.upperFrequencyHz = candidate.frequencyHz + 0.2;
            candidate.relativePower = 1.0 / (1 + i);
            context.result.candidates.push_back(candidate);
        }
        context.hasPhase = false;
        const QString path = m_dir.filePath(QStringLiteral("twenty.pdf"));
        QVERIFY(writeAnalysisExport(path, 0, context));
        QString output;
        QVERIFY2(test::qpdfCheck(path, &output), qPrintable(output));
        const QStringList pages = test::pdfPages(path);
        int pagesWithHeader = 0;
        int rowsFound = 0;
        for (int page = 1; page <= pages.size(); ++page) {
            const QString& text = pages.at(page - 1);
            // The candidate table's pages, before the amplitude table lists the lines again.
            if (!text.contains(QStringLiteral("Relative peak power")))
                continue;
            ++pagesWithHeader;
            for (const auto& c : context.result.candidates)
                rowsFound += text.contains(
                    QLatin1Char('\n') + formatReportNumber(c.frequencyHz, 3) + QLatin1Char('\n'));
        }
        QCOMPARE(pagesWithHeader, 2); // the table continues on a second page with its header
        QCOMPARE(rowsFound, 20);
        QString missing;
        QVERIFY2(test::containsInOrder(test::pdfText(path),
                                       {QStringLiteral("Peak at 5 Hz"),
                                        QStringLiteral("Peak at 109.5 Hz"),
                                        QStringLiteral("Band power map for peak at 109.5 Hz")},
                                       &missing),
                 qPrintable(missing));
    }

    // The report package, read by outside readers.
    void packageOpensInExternalReaders_data()
    {
        QTest::addColumn<bool>("landscape");
        QTest::addColumn<bool>("figures");
        QTest::newRow("portrait") << false << true;
        QTest::newRow("landscape") << true << true;
        QTest::newRow("without figures") << false << false;
    }

    void packageOpensInExternalReaders()
    {
        if (!m_missingZipTool.isEmpty())
            QSKIP(qPrintable(m_missingZipTool));
        QFETCH(bool, landscape);
        QFETCH(bool, figures);
        const QString path = m_dir.filePath(QTest::currentDataTag() + QStringLiteral(".docx"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(writeDocx(&file, sampleDocument(landscape, figures)));
        file.close();

        QString output;
        const QJsonObject summary = test::docxSummary(path, &output);
        QVERIFY2(!summary.isEmpty(), qPrintable(output));
        QCOMPARE(summary.value("landscape").toBool(), landscape);
        const qint64 longSide = 16838LL * 635;
        const qint64 shortSide = 11906LL * 635;
        QCOMPARE(qint64(summary.value("pageWidth").toDouble()), landscape ? longSide : shortSide);
        QCOMPARE(summary.value("title").toString(), QStringLiteral("Report <title> & \"quotes\""));
        QCOMPARE(summary.value("creator").toString(),
                 QLatin1String(orvi::version::kProductIdentity));
        QCOMPARE(summary.value("header").toString(), QStringLiteral("  orvi-motion"));
        // The page number is a field, which the reader leaves out of the paragraph
        // text.
        QCOMPARE(summary.value("footer").toString(),
                 QLatin1String(orvi::version::kProductIdentity) + "\tPage ");
        QVERIFY(zipMember(path, QStringLiteral("word/footer1.xml"))
                    .contains(QStringLiteral("<w:fldSimple w:instr=\" PAGE \"><w:r><w:t>1</w:t>")));
        QCOMPARE(summary.value("pictures").toInt(), figures ? 2 : 0);
        if (!figures) { // no image parts or relations at all
            QString names;
            QVERIFY(orvi::test::runTool(QStringLiteral("unzip"), {QStringLiteral("-Z1"), path},
                                        &names));
            QVERIFY2(!names.contains(QStringLiteral("media/image")), qPrintable(names));
            QVERIFY(!zipMember(path, QStringLiteral("word/_rels/document.xml.rels"))
                         .contains(QStringLiteral("rImage")));
            return;
        }

        QStringList texts;
        QStringList styles;
        for (const QJsonValue& p : summary.value("paragraphs").toArray()) {
            styles.append(p.toArray().at(0).toString());
            texts.append(p.toArray().at(1).toString());
        }
        // Heading, figure, the paragraphs after it; then the second page in its own
        // order.
        QCOMPARE(texts.mid(0, 5), QStringList({"Report <title> & \"quotes\"", "",
                                               "Line with a form feed.", "Second", "Table page"}));
        QCOMPARE(styles.at(4), QStringLiteral("Heading 1"));
        QCOMPARE(styles.last(), QStringLiteral("Small"));

        const QJsonArray tables = summary.value("tables").toArray();
        QCOMPARE(tables.at(0).toArray().at(2).toArray().at(1).toString(), QStringLiteral("4 < 5"));

        // Figures keep their aspect ratio within the content width and their height
        // limit.
        const QString documentXml = zipMember(path, QStringLiteral("word/document.xml"));
        const QString contentWidthEmu = QString::number((landscape ? 14570LL : 9638LL) * 635);
        QVERIFY2(documentXml.contains(QStringLiteral("<wp:extent cx=\"%1\"")
                                          .arg(landscape ? QString::number(4191000LL * 800 / 450)
                                                         : contentWidthEmu)),
                 qPrintable(documentXml.left(4000)));
        QVERIFY(documentXml.contains(QStringLiteral("w:pageBreakBefore")));
    }

    // The container the report package is written in, read by the same outside tools.
    void zipContainerOpensInExternalReaders()
    {
        if (!m_missingZipTool.isEmpty())
            QSKIP(qPrintable(m_missingZipTool));
        QByteArray binary(70000, '\0');
        for (int i = 0; i < binary.size(); ++i)
            binary[i] = char((i * 131) ^ (i >> 7));
        const QList<ZipEntry> entries{
            {QStringLiteral("first.txt"), QByteArray("hello\n")},
            {QStringLiteral("folder/messwert-Überblick ✓.bin"), binary},
            {QStringLiteral("empty"), QByteArray()},
        };
        const QString path = m_dir.filePath(QStringLiteral("test.zip"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(writeZip(&file, entries));
        file.close();

        QString output;
        QVERIFY2(
            orvi::test::runTool(QStringLiteral("unzip"), {QStringLiteral("-t"), path}, &output),
            qPrintable(output));
        // unzip checks every entry's CRC-32, the empty one included.
        QVERIFY2(output.contains(QLatin1String("No errors detected")), qPrintable(output));

        // Names and contents as a second, independent reader sees them (UTF-8 flag honoured).
        const char* const script =
            "import hashlib, json, sys, zipfile\n"
            "z = zipfile.ZipFile(sys.argv[1])\n"
            "print(json.dumps([[i.filename, hashlib.md5(z.read(i)).hexdigest(),"
            " i.compress_type] for i in z.infolist()]))\n";
        QVERIFY2(orvi::test::runTool(QStringLiteral("/usr/bin/python3"),
                                     {QStringLiteral("-c"), QLatin1String(script), path}, &output),
                 qPrintable(output));
        const QJsonArray listed = QJsonDocument::fromJson(output.toUtf8()).array();
        QCOMPARE(listed.size(), entries.size());
        for (qsizetype i = 0; i < entries.size(); ++i) {
            const QJsonArray item = listed.at(i).toArray();
            QCOMPARE(item.at(0).toString(), entries[i].name);
            QCOMPARE(item.at(1).toString().toLatin1(),
                     QCryptographicHash::hash(entries[i].data, QCryptographicHash::Md5).toHex());
            QCOMPARE(item.at(2).toInt(), 0); // stored
        }
    }

    void refusesBeforeWritingTheOffendingEntry_data()
    {
        QTest::addColumn<QList<ZipEntry>>("entries");
        QTest::addColumn<qint64>("bytesBeforeFailure");
        const ZipEntry good{QStringLiteral("a.txt"), QByteArray("data")};
        QTest::newRow("empty name after a good entry")
            << QList<ZipEntry>{good, {QString(), QByteArray("x")}} << qint64(30 + 5 + 4);
        QTest::newRow("name longer than 65535 bytes")
            << QList<ZipEntry>{{QString(65536, QLatin1Char('n')), QByteArray()}} << qint64(0);
        QTest::newRow("more than 65535 entries") << QList<ZipEntry>(65536, good) << qint64(0);
    }

    void refusesBeforeWritingTheOffendingEntry()
    {
        QFETCH(QList<ZipEntry>, entries);
        QFETCH(qint64, bytesBeforeFailure);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        QVERIFY(buffer.open(QIODevice::WriteOnly));
        QVERIFY(!writeZip(&buffer, entries));
        QCOMPARE(qint64(bytes.size()), bytesBeforeFailure);
    }

private:
    AnalysisExportContext contextFor(const Variant& variant) const;

    QTemporaryDir m_dir;
    QString m_clip;
    QString m_missingTool;    // why the PDF checks cannot run, or nothing
    QString m_missingZipTool; // why the package checks cannot run, or nothing
    orvi::media::VideoInfo m_landscapeInfo;
    QImage m_landscapeFrame;
    orvi::media::VideoInfo m_portraitInfo;
    QImage m_portraitFrame;
    AnalysisExportContext m_context;
};

AnalysisExportContext AnalysisExportTest::contextFor(const Variant& variant) const
{
    test::FixtureOptions options;
    if (variant)
        variant(options);
    return test::makeContext(m_landscapeInfo, m_landscapeFrame, options);
}

QTEST_MAIN(AnalysisExportTest)
#include "tst_AnalysisExport.moc"
