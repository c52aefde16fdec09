#include "motion/TemporalBandpassFilter.h"
#include "processing/VideoProcessingPipeline.h"
#include "results/TemporaryVideo.h"
#include "support/MediaTools.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <stdexcept>

using namespace orvi::project_data;
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
        row("dangling-link-as-parameters-file", taken, [](auto& r, auto&) {
            QFile::link(QFileInfo(r.outputVideoPath).dir().filePath("target.mp4"),
                        r.outputVideoPath + ".json");
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
