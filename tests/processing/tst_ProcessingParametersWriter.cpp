#include "orvi/Version.h"
#include "processing/ProcessingParametersWriter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using orvi::media::VideoInfo;
using orvi::processing::ProcessingParametersWriter;
using orvi::project_data::ProcessingRequest;

namespace {

VideoInfo makeSource(double captureFrameRate)
{
    VideoInfo info;
    info.filePath = QStringLiteral("/videos/pump.mov");
    info.containerName = QStringLiteral("mov,mp4,m4a,3gp,3g2,mj2");
    info.codecName = QStringLiteral("h264");
    info.frameSize = QSize(1280, 720);
    info.durationUs = 10'000'000;
    info.frameCount = 300;
    info.nominalFrameRate = 30.0;
    info.detectedCaptureFrameRate = 0.0;
    info.captureFrameRate = captureFrameRate;
    info.uniformStartFrame = 0;
    return info;
}

ProcessingRequest makeParameters()
{
    ProcessingRequest request;
    request.sourceInfo = makeSource(240.0);
    request.sourceInfo.captureFrameRateManual = true;
    request.settings.startFrame = 30;
    request.settings.endFrameExclusive = 330;
    request.settings.startTimeUs = 1'000'000;
    request.settings.endTimeUs = 11'000'000;
    request.settings.regionOfInterest = QRectF(0.25, 0.125, 0.5, 0.5);
    request.settings.lowerFrequencyHz = 10.0;
    request.settings.upperFrequencyHz = 20.0;
    request.settings.amplificationFactor = 20.0;
    request.settings.rotationSpeedRpm = 1500.0;
    request.outputVideoPath = QStringLiteral("/out/run.mp4");
    request.equipmentType = QStringLiteral("Pump");
    request.comment = QStringLiteral("Ölpumpe \"B\"");
    request.recordingDateTime = QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7, 89), Qt::UTC);
    return request;
}

QJsonObject parse(const QByteArray& bytes)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    return error.error == QJsonParseError::NoError ? document.object() : QJsonObject();
}

// Keys of one indentation level in the order in which they appear in the text.
QStringList keysAtIndent(const QByteArray& bytes, int indent)
{
    QStringList keys;
    const QRegularExpression pattern(QStringLiteral("^ {%1}\"([^\"]+)\":").arg(indent),
                                     QRegularExpression::MultilineOption);
    auto it = pattern.globalMatch(QString::fromUtf8(bytes));
    while (it.hasNext())
        keys << it.next().captured(1);
    return keys;
}

} // namespace

class TestProcessingParametersWriter : public QObject
{
    Q_OBJECT

private slots:
    void documentHasSortedKeysAndFixedIdentity()
    {
        const QByteArray bytes = ProcessingParametersWriter::buildDocument(
            makeParameters(), makeSource(30.0), 240.0, 300);
        const QJsonObject document = parse(bytes);
        QVERIFY(!document.isEmpty());

        QStringList topLevel = keysAtIndent(bytes, 4);
        QStringList sorted = topLevel;
        sorted.sort();
        QCOMPARE(topLevel, sorted);
        QCOMPARE(topLevel.size(), document.size());

        QVERIFY(document.value("createdAtUtc").toString().contains(QLatin1Char('.')));
        QCOMPARE(document.value("application").toObject(),
                 (QJsonObject{{"name", "orvi-motion"}, {"version", orvi::version::kText}}));
        const QJsonObject processing = document.value("processing").toObject();
        QCOMPARE(processing.value("fragment").toObject(),
                 (QJsonObject{{"startFrame", 30},
                              {"endFrameExclusive", 330},
                              {"startTimeUs", 1'000'000},
                              {"endTimeUs", 11'000'000},
                              {"processedFrameCount", 300}}));
        QCOMPARE(processing.value("regionOfInterest").toObject(),
                 (QJsonObject{{"x", 0.25}, {"y", 0.125}, {"width", 0.5}, {"height", 0.5}}));
        const QJsonObject exported = document.value("export").toObject();
        QCOMPARE(exported.value("videoFilePath").toString(), QStringLiteral("/out/run.mp4"));
        QCOMPARE(exported.value("watermark").toObject().value("text").toString(),
                 QLatin1String(orvi::version::kProductIdentity));
        const QJsonObject recording = document.value("recording").toObject();
        QCOMPARE(recording.value("recordingDateTime").toString(),
                 QStringLiteral("2026-03-04T05:06:07.089Z"));
        QCOMPARE(recording.value("comment").toString(), QStringLiteral("Ölpumpe \"B\""));
        QVERIFY(recording.value("operatingMode").isString());
    }

    void optionalValuesFollowTheSettings_data()
    {
        QTest::addColumn<bool>("optimization");
        QTest::addColumn<bool>("stabilization");
        QTest::addColumn<int>("workers");
        QTest::addColumn<bool>("validDate");

        QTest::newRow("optimization-on-stabilization-off-automatic") << true << false << 0 << true;
        QTest::newRow("optimization-off-stabilization-on-manual") << false << true << 3 << false;
    }

    void optionalValuesFollowTheSettings()
    {
        QFETCH(bool, optimization);
        QFETCH(bool, stabilization);
        QFETCH(int, workers);
        QFETCH(bool, validDate);

        ProcessingRequest parameters = makeParameters();
        parameters.settings.regionProcessingOptimizationEnabled = optimization;
        parameters.settings.stabilizationEnabled = stabilization;
        parameters.settings.stabilizationReferenceRegion = QRectF(0.0, 0.5, 0.25, 0.5);
        parameters.settings.workerThreadCount = workers;
        if (!validDate)
            parameters.recordingDateTime = QDateTime();
        const QJsonObject document = parse(
            ProcessingParametersWriter::buildDocument(parameters, makeSource(30.0), 240.0, 1));
        const QJsonObject processing = document.value("processing").toObject();

        const QJsonValue expanded = processing.value("expandedRegionAmplificationFactor");
        QVERIFY(processing.contains("expandedRegionAmplificationFactor"));
        if (optimization)
            QCOMPARE(expanded.toDouble(), 10.0);
        else
            QVERIFY(expanded.isNull());

        const QJsonValue reference = processing.value("stabilizationReferenceRegion");
        QVERIFY(processing.contains("stabilizationReferenceRegion"));
        if (stabilization)
            QCOMPARE(reference.toObject().value("y").toDouble(), 0.5);
        else
            QVERIFY(reference.isNull());

        QCOMPARE(processing.value("workerThreadMode").toString(),
                 workers == 0 ? QStringLiteral("automatic") : QStringLiteral("manual"));

        const QJsonValue date = document.value("recording").toObject().value("recordingDateTime");
        QVERIFY(date.isString());
        QCOMPARE(date.toString().isEmpty(), !validDate);
    }

    void derivedRecordingValuesUseTheRateActuallyUsed_data()
    {
        QTest::addColumn<double>("captureRate");
        QTest::addColumn<qint64>("recordingUs");

        QTest::newRow("slow-motion-capture-gives-zero") << 240.0 << qint64(0);
        QTest::newRow("playback-rate-capture") << 30.0 << qint64(10'000'000);
        QTest::newRow("within-two-percent") << 30.5 << qint64(9'836'066);
    }

    void derivedRecordingValuesUseTheRateActuallyUsed()
    {
        QFETCH(double, captureRate);
        QFETCH(qint64, recordingUs);

        // The metadata still holds another rate: the one used for processing decides.
        const QJsonObject source = parse(ProcessingParametersWriter::buildDocument(
                                             makeParameters(), makeSource(99.0), captureRate, 300))
                                       .value("source")
                                       .toObject();
        QCOMPARE(source.value("captureFrameRate").toDouble(), captureRate);
        QCOMPARE(source.value("estimatedRecordingDurationUs").toInteger(), recordingUs);
    }

    // Only into an empty regular file the job reserved, never through a link; a refused file
    // stays as it was (the pipeline's test checks the message).
    void writesOnlyIntoAnEmptyReservedFile()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral(".run.json.staging"));
        const QString target = folder.filePath(QStringLiteral("target"));
        const auto write = [&] {
            return ProcessingParametersWriter::writeStaging(path, makeParameters(),
                                                            makeSource(30.0), 240.0, 5);
        };
        const auto create = [](const QString& file, const QByteArray& bytes) {
            QFile out(file);
            return out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size();
        };
        const auto content = [](const QString& file) {
            QFile in(file);
            return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray("unreadable");
        };
        QVERIFY(!write()); // missing
        QVERIFY(QDir().mkpath(path) && !write() && QDir().rmdir(path));
        QVERIFY(create(target, {}) && QFile::link(target, path));
        QVERIFY(!write() && content(target).isEmpty());
        QVERIFY(QFile::remove(path) && create(path, "{}"));
        QVERIFY(!write() && content(path) == "{}");
        QVERIFY(create(path, {}) && write());
        QVERIFY(!parse(content(path)).isEmpty());
    }
};

QTEST_MAIN(TestProcessingParametersWriter)
#include "tst_ProcessingParametersWriter.moc"
