#include "ReportFixture.h"
#include "ReportTools.h"
#include "reports/AnalysisDataExport.h"
#include "reports/AnalysisExportWriter.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

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

} // namespace

class AnalysisDataExportTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        const QString clip = m_dir.filePath(QStringLiteral("clip.mp4"));
        QString error;
        QVERIFY2(test::prepareContext(clip, &m_context, &error), qPrintable(error));
        QVERIFY(m_context.result.ok && m_context.hasPhase);
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
        QCOMPARE(root["sourceFile"].toString(), QStringLiteral("clip.mp4"));
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

private:
    QTemporaryDir m_dir;
    AnalysisExportContext m_context;
};

QTEST_MAIN(AnalysisDataExportTest)
#include "tst_AnalysisDataExport.moc"
