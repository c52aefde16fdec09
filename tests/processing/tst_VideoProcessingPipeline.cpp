#include "motion/TemporalBandpassFilter.h"
#include "orvi/Version.h"
#include "processing/ProcessingParametersWriter.h"
#include "processing/VideoProcessingPipeline.h"
#include "records/ProcessingProgress.h"
#include "results/TemporaryVideo.h"
#include "support/MediaTools.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <stdexcept>

using namespace orvi::project_data;
using orvi::media::VideoInfo;
using orvi::processing::ProcessingParametersWriter;
using orvi::processing::VideoProcessingPipeline;
using namespace orvi::test;

namespace {

const QSize kClipSize(320, 240);
constexpr int kClipFrames = 90;
const QString kCancelled = QStringLiteral("Processing was cancelled by the user.");

// An analysis request over frames [start, end) of a clip captured at 30 fps.
ProcessingRequest analysisRequest(const QString& clip, qint64 start, qint64 end)
{
    ProcessingRequest request;
    request.sourceInfo.filePath = clip;
    request.sourceInfo.captureFrameRate = 30.0;
    request.sourceInfo.captureFrameRateManual = true;
    request.settings.startFrame = start;
    request.settings.endFrameExclusive = end;
    request.settings.lowerFrequencyHz = 5.0;
    request.settings.upperFrequencyHz = 10.0;
    request.settings.amplificationFactor = 10.0;
    request.settings.regionOfInterest = QRectF(0.0, 0.0, 0.5, 0.5);
    request.settings.workerThreadCount = 2;
    request.analysisMode = true;
    return request;
}

// One decoded frame (0-based) of a video as an RGBA image; null on failure.
QImage decodeFrame(const QString& path, int index, const QSize& size)
{
    const QByteArray bytes =
        decodeRgba(path, nullptr,
                   {QStringLiteral("-vf"), QStringLiteral("select=eq(n\\,%1)").arg(index),
                    QStringLiteral("-frames:v"), QStringLiteral("1")});
    if (bytes.size() != qsizetype(size.width()) * size.height() * 4)
        return {};
    return QImage(reinterpret_cast<const uchar*>(bytes.constData()), size.width(), size.height(),
                  QImage::Format_RGBA8888)
        .copy();
}

struct Run
{
    ProcessingResult result;
    std::vector<ProcessingProgress> reports;
};

Run runJob(const ProcessingRequest& request,
           const std::function<bool(const ProcessingProgress&)>& cancelWhen = {},
           const std::function<void(const ProcessingProgress&)>& onProgress = {})
{
    Run run;
    bool stop = false;
    VideoProcessingPipeline pipeline;
    run.result = pipeline.run(
        request,
        [&](const ProcessingProgress& progress) {
            run.reports.push_back(progress);
            if (onProgress)
                onProgress(progress);
            if (cancelWhen && cancelWhen(progress))
                stop = true;
        },
        [&] { return stop; });
    return run;
}

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

using JobChange = std::function<void(ProcessingRequest&, QString& message)>;

} // namespace

Q_DECLARE_METATYPE(JobChange)

class TestVideoProcessingPipeline : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (orvi::test::findTool(QStringLiteral("ffmpeg")).isEmpty() ||
            orvi::test::findTool(QStringLiteral("ffprobe")).isEmpty())
            QSKIP("ffmpeg and ffprobe are needed to make and check the videos");
        QVERIFY(m_folder.isValid() && m_store.isValid());
        qputenv("TMPDIR", QFile::encodeName(m_store.path()));
        QString output;
        // A flat dark clip with a grey block, so the watermark stands out.
        m_clip = m_folder.filePath(QStringLiteral("source.mp4"));
        QVERIFY2(
            encodeClip(m_clip,
                       QStringLiteral("color=c=0x203040:s=%1x%2:r=30,drawbox=x=40:y=40:w=24:h=24:"
                                      "color=0x606060:t=fill")
                           .arg(kClipSize.width())
                           .arg(kClipSize.height()),
                       kClipFrames, {}, &output),
            qPrintable(output));
        m_minimumFrames = orvi::motion_core::TemporalBandpassFilter::recommendedMinimumFrameCount(
            30.0, 5.0, 10.0);
        QVERIFY2(m_minimumFrames >= 2 && m_minimumFrames <= 70,
                 qPrintable(QString::number(m_minimumFrames)));
    }

    void analysisThenPassThroughExportPublishesCheckedFiles()
    {
        const qint64 start = 10;
        const qint64 end = start + m_minimumFrames;
        const Run analysis = runJob(analysisRequest(m_clip, start, end));
        QVERIFY2(analysis.result.isSuccessful(), qPrintable(analysis.result.message));
        const auto stored = analysis.result.temporaryResult;
        QVERIFY(stored);
        QCOMPARE(stored->frameCount(), end - start);
        QCOMPARE(analysis.reports.back().processedFrames, end - start);
        const ProcessingPerformance& performance = analysis.result.performance;
        QVERIFY(performance.decoderUs > 0 && performance.motionProcessingUs > 0);
        QVERIFY(performance.motion.totalUs() <= performance.motionProcessingUs);

        // Output frames sit on the capture-rate grid, whatever the source's own times were.
        for (qint64 i : {qint64(0), qint64(1), qint64(2), end - start - 1}) {
            orvi::media::VideoFrame frame;
            QVERIFY(stored->loadFrame(i, frame));
            QCOMPARE(frame.frameIndex, i);
            QCOMPARE(frame.presentationTimeUs, qint64(std::llround(double(i) * 1e6 / 30.0)));
        }

        // Pass-through export of that result.
        const QString output = QDir(m_folder.path()).filePath(QStringLiteral("export.mp4"));
        ProcessingRequest request = exportRequest(output);
        request.sourceTemporaryResult = stored;
        const Run exported = runJob(request);
        QVERIFY2(exported.result.isSuccessful(), qPrintable(exported.result.message));
        QCOMPARE(exported.result.publishedVideoPath, output);
        QCOMPARE(exported.result.publishedParametersPath, output + QStringLiteral(".json"));
        QCOMPARE(folderEntries(m_folder.path()),
                 (QStringList{"export.mp4", "export.mp4.json", "source.mp4"}));
        // The frame loop ends before the encoder is finalized.
        const ProcessingPerformance& exportPerformance = exported.result.performance;
        QVERIFY(exportPerformance.frameLoopElapsedUs + exportPerformance.encoderFinalizeUs <=
                exportPerformance.totalElapsedUs);

        QString probeOutput;
        const QJsonObject stream = probeVideoStream(output, &probeOutput);
        QVERIFY2(!stream.isEmpty(), qPrintable(probeOutput));
        QCOMPARE(stream.value("nb_read_frames").toString(), QString::number(end - start));
        QCOMPARE(stream.value("avg_frame_rate").toString(), QStringLiteral("30/1"));

        // The watermark: bright text in the bottom-right corner of a dark frame, nowhere else.
        const QImage frame = decodeFrame(output, 3, kClipSize);
        QVERIFY(!frame.isNull());
        int cornerBright = 0;
        int elsewhereBright = 0;
        for (int y = 0; y < frame.height(); ++y) {
            for (int x = 0; x < frame.width(); ++x) {
                const bool bright = qGray(frame.pixel(x, y)) > 180;
                const bool corner = x > frame.width() * 0.6 && y > frame.height() * 0.75;
                (corner ? cornerBright : elsewhereBright) += bright ? 1 : 0;
            }
        }
        QVERIFY2(cornerBright > 30, qPrintable(QString::number(cornerBright)));
        QCOMPARE(elsewhereBright, 0);

        QFile json(output + QStringLiteral(".json"));
        QVERIFY(json.open(QIODevice::ReadOnly));
        QJsonParseError parseError;
        const QJsonObject document = QJsonDocument::fromJson(json.readAll(), &parseError).object();
        QCOMPARE(parseError.error, QJsonParseError::NoError);
        const QJsonObject fragment =
            document.value("processing").toObject().value("fragment").toObject();
        QCOMPARE(fragment.value("startFrame").toInteger(), start);
        QCOMPARE(fragment.value("startTimeUs").toInteger(),
                 qint64(std::llround(start * 1e6 / 30.0)));
        QCOMPARE(fragment.value("processedFrameCount").toInteger(), end - start);
        QCOMPARE(document.value("export").toObject().value("videoFilePath").toString(), output);
    }

    void timeRangeToTheEndCoversTheWholeVideo()
    {
        ProcessingRequest request = analysisRequest(m_clip, -1, -1);
        request.settings.startTimeUs = 0;
        request.settings.endTimeUs = -1;
        request.settings.amplificationFactor = 1.0; // frames pass unchanged; only the range matters
        const Run run = runJob(request);
        QVERIFY2(run.result.isSuccessful(), qPrintable(run.result.message));
        QCOMPARE(run.result.temporaryResult->frameCount(), qint64(kClipFrames));
    }

    void refusesJobsWithoutCreatingFiles_data()
    {
        // Each row edits an export request to out.mp4 in an empty folder.
        QTest::addColumn<JobChange>("change");
        QTest::addColumn<QString>("message"); // a prefix when it ends with ": "
        const auto row = [](const char* name, const QString& message, const JobChange& change) {
            QTest::newRow(name) << change << message;
        };
        const QString taken =
            "An output path matches the input file or a result file already exists.";
        row("existing-destination", taken, [](auto& r, auto&) {
            QFile file(r.outputVideoPath);
            file.open(QIODevice::WriteOnly);
        });
        // A dangling link's target must not appear either.
        row("dangling-link-as-destination", taken, [](auto& r, auto&) {
            QFile::link(QFileInfo(r.outputVideoPath).dir().filePath("target.mp4"),
                        r.outputVideoPath);
        });
        row("destination-is-the-source-in-other-case", taken,
            [this](auto& r, auto&) { r.outputVideoPath = m_clip.chopped(10) + "SOURCE.MP4"; });
        row("parameters-path-equals-video-path", taken, [](auto& r, auto&) {
            r.outputParametersPath = QFileInfo(r.outputVideoPath).dir().filePath("./OUT.mp4");
        });
        row("no-source-path", "The input and output video paths are required.",
            [](auto& r, auto&) { r.sourceInfo.filePath.clear(); });
        row("analysis-from-a-result", "Invalid analysis destination.", [](auto& r, auto&) {
            r.analysisMode = true;
            r.sourceTemporaryResult = std::make_shared<TemporaryVideo>(orvi::media::VideoInfo());
        });
        row("result-of-another-length", "The saved result does not match its frame range.",
            [this](auto& r, auto&) {
                r.sourceTemporaryResult = analyse();
                r.settings.endFrameExclusive -= 1;
            });
        row("missing-output-folder",
            "The output directory does not exist: ", [](auto& r, QString& message) {
                const QString missing = QFileInfo(r.outputVideoPath).dir().filePath("missing");
                r.outputVideoPath = missing + "/out.mp4";
                message += missing;
            });
        row("unwritable-output-folder", "Could not create a staging file in /proc: ",
            [](auto& r, auto&) { r.outputVideoPath = "/proc/orvi-pipeline-test.mp4"; });
        row("frame-range-past-the-end", "The selected frame range is invalid.",
            [](auto& r, auto&) { r.settings.endFrameExclusive = kClipFrames + 1; });
        row("fragment-shorter-than-the-band-needs",
            "The selected fragment is too short for the configured frequency band. Select at "
            "least %1 frames.",
            [this](auto& r, QString& message) {
                r.settings.endFrameExclusive = r.settings.startFrame + m_minimumFrames - 1;
                message = message.arg(m_minimumFrames);
            });
    }

    void refusesJobsWithoutCreatingFiles()
    {
        QFETCH(JobChange, change);
        QFETCH(QString, message);
        QTemporaryDir folder;
        ProcessingRequest request = exportRequest(folder.filePath(QStringLiteral("out.mp4")));
        change(request, message);
        const QStringList before = folderEntries(folder.path());
        const QStringList sourceFolderBefore = folderEntries(m_folder.path());

        const Run run = runJob(request);
        QCOMPARE(run.result.state, ProcessingState::Failed);
        if (message.endsWith(QStringLiteral(": ")))
            QVERIFY2(run.result.message.startsWith(message), qPrintable(run.result.message));
        else
            QCOMPARE(run.result.message, message);
        QCOMPARE(folderEntries(folder.path()), before);
        QCOMPARE(folderEntries(m_folder.path()), sourceFolderBefore);
        QVERIFY(!QFileInfo::exists(QStringLiteral("/proc/orvi-pipeline-test.mp4")));
    }

    void cancellationDuringTheFrameLoopLeavesNothing_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::newRow("export-from-the-video") << "export";
        QTest::newRow("pass-through-export") << "pass-through";
        QTest::newRow("analysis") << "analysis";
    }

    void cancellationDuringTheFrameLoopLeavesNothing()
    {
        QFETCH(QString, mode);
        QTemporaryDir folder;
        ProcessingRequest request = exportRequest(folder.filePath(QStringLiteral("out.mp4")));
        if (mode == "pass-through")
            request.sourceTemporaryResult = analyse();
        if (mode == "analysis")
            request.analysisMode = true;

        const Run run = runJob(request, [](const ProcessingProgress& progress) {
            return progress.stage == QStringLiteral("Processing frames") &&
                   progress.processedFrames == 5;
        });
        QCOMPARE(run.result.state, ProcessingState::Cancelled);
        QCOMPARE(run.result.message, kCancelled);
        QVERIFY(!run.result.temporaryResult);
        QCOMPARE(run.reports.back().processedFrames, qint64(5)); // stopped at the next poll
        QVERIFY(folderEntries(folder.path()).isEmpty());
        // The abandoned analysis result is gone; only a pass-through source may remain.
        const QStringList results = QDir(TemporaryVideo::storeRootPath())
                                        .entryList({"result-*"}, QDir::Dirs | QDir::NoDotAndDotDot);
        QCOMPARE(results.size(), mode == "pass-through" ? 1 : 0);
    }

    void parametersFileThatCannotBePublishedRollsTheVideoBack()
    {
        QTemporaryDir folder;
        const QString output = folder.filePath(QStringLiteral("run.mp4"));
        ProcessingRequest request = exportRequest(output);
        request.sourceTemporaryResult = analyse();
        QVERIFY(request.sourceTemporaryResult);
        const QString blocker = output + QStringLiteral(".json");
        bool blocked = false;
        // Once the final names were checked, something takes the parameters file's name.
        const Run run = runJob(request, {}, [&](const ProcessingProgress& progress) {
            if (!blocked && progress.stage == QStringLiteral("Publishing the result"))
                blocked = QDir().mkpath(blocker + QStringLiteral("/inside"));
        });
        QVERIFY(blocked);
        QCOMPARE(run.result.state, ProcessingState::Failed);
        QVERIFY2(run.result.message.startsWith(QStringLiteral("Could not publish the JSON file: ")),
                 qPrintable(run.result.message));
        QVERIFY(run.result.publishedVideoPath.isEmpty());
        QVERIFY(!QFileInfo::exists(output));
        QCOMPARE(folderEntries(folder.path()), QStringList{QStringLiteral("run.mp4.json")});
        QVERIFY(QFileInfo(blocker).isDir());
    }

    void stagingFileThatCannotBeRemovedIsReported()
    {
        QTemporaryDir folder;
        const QString output = folder.filePath(QStringLiteral("out.mp4"));
        ProcessingRequest request = exportRequest(output);
        request.sourceTemporaryResult = analyse();
        QVERIFY(request.sourceTemporaryResult);
        QString blocked;
        // Something replaces the reserved parameters file with a folder the job cannot remove.
        const Run run = runJob(request, {}, [&](const ProcessingProgress& progress) {
            if (!blocked.isEmpty() || progress.stage != QStringLiteral("Processing frames"))
                return;
            const QStringList staged =
                QDir(folder.path())
                    .entryList({QStringLiteral(".out.mp4.json.*.staging.json")},
                               QDir::Files | QDir::Hidden);
            if (staged.size() == 1) {
                blocked = folder.filePath(staged.first());
                QFile::remove(blocked);
                QDir().mkpath(blocked + QStringLiteral("/inside"));
            }
        });
        QVERIFY(!blocked.isEmpty());
        QCOMPARE(run.result.state, ProcessingState::Failed);
        const QString expected =
            QStringLiteral("The reserved staging JSON file is missing or is not empty. "
                           "A file may remain at %1: ")
                .arg(blocked);
        QVERIFY2(run.result.message.startsWith(expected), qPrintable(run.result.message));
        // Only the reported leftover remains; the staging video is gone and nothing was published.
        QCOMPARE(folderEntries(folder.path()), QStringList{QFileInfo(blocked).fileName()});
    }

    void throwingCallbacksDoNotEscape()
    {
        QTemporaryDir folder;
        VideoProcessingPipeline pipeline;
        int reports = 0;
        const ProcessingResult ignoredObserver = pipeline.run(
            analysisRequest(m_clip, 10, 10 + m_minimumFrames),
            [&](const ProcessingProgress&) {
                ++reports;
                throw std::runtime_error("observer failed");
            },
            [] { return false; });
        QVERIFY2(ignoredObserver.isSuccessful(), qPrintable(ignoredObserver.message));
        QVERIFY(reports > 3);

        const ProcessingResult stopped =
            pipeline.run(exportRequest(folder.filePath(QStringLiteral("out.mp4"))), {},
                         []() -> bool { throw std::runtime_error("flag unavailable"); });
        QCOMPARE(stopped.state, ProcessingState::Cancelled);
        QCOMPARE(stopped.message, kCancelled);
        QVERIFY(folderEntries(folder.path()).isEmpty());
    }

    // The parameters file's document and its writing, and the job's progress record.
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

    void progressFractionIsClamped_data()
    {
        QTest::addColumn<qint64>("processed");
        QTest::addColumn<qint64>("total");
        QTest::addColumn<double>("fraction");

        QTest::newRow("unknown-total") << qint64(5) << qint64(0) << 0.0;
        QTest::newRow("halfway") << qint64(5) << qint64(10) << 0.5;
        QTest::newRow("overshoot") << qint64(12) << qint64(10) << 1.0;
        QTest::newRow("negative") << qint64(-3) << qint64(10) << 0.0;
    }

    void progressFractionIsClamped()
    {
        QFETCH(qint64, processed);
        QFETCH(qint64, total);
        QFETCH(double, fraction);
        ProcessingProgress progress;
        progress.processedFrames = processed;
        progress.totalFrames = total;
        QCOMPARE(progress.fraction(), fraction);
    }

private:
    ProcessingRequest exportRequest(const QString& output) const;
    std::shared_ptr<TemporaryVideo> analyse();

    QTemporaryDir m_folder;
    QTemporaryDir m_store;
    QString m_clip;
    qint64 m_minimumFrames = 0;
};

ProcessingRequest TestVideoProcessingPipeline::exportRequest(const QString& output) const
{
    ProcessingRequest request = analysisRequest(m_clip, 10, 10 + m_minimumFrames);
    request.analysisMode = false;
    request.outputVideoPath = output;
    request.equipmentType = QStringLiteral("Fan");
    return request;
}

// The stored result of the export fragment, for pass-through exports.
std::shared_ptr<TemporaryVideo> TestVideoProcessingPipeline::analyse()
{
    const Run run = runJob(analysisRequest(m_clip, 10, 10 + m_minimumFrames));
    return run.result.isSuccessful() ? run.result.temporaryResult : nullptr;
}

QTEST_MAIN(TestVideoProcessingPipeline)
#include "tst_VideoProcessingPipeline.moc"
