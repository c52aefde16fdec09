// The batch program end to end on a folder of synthetic recordings: its outputs and summary,
// its agreement with the headless tool and with the window's analysis, resumption, sharding
// through the documented recipes, amplification from a parameters file and its exit statuses.

#include "spectrum/SpectrumTestVideo.h"
#include "support/ControllerWorkbench.h"
#include "support/MediaTools.h"
#include "support/TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <cmath>
#include <numbers>

namespace {

const QSize kSize(128, 96);
constexpr int kFrames = 240;
// Settings of every analysis here: the grid that fits the small frames, the files' own rates.
const QStringList kAnalysis{"--capture-rate", "detected", "--grid", "0", "--plain"};

struct Clip
{
    const char* name;
    double rate;
    double hz;
};
const Clip kClips[] = {{"a.mp4", 100.0, 12.0}, {"b.mp4", 250.0, 40.0}, {"d.mp4", 100.0, 21.0}};

QJsonObject readJson(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object()
                                          : QJsonObject();
}

// Runs a program (the batch program by default) and returns its exit status.
int run(const QStringList& arguments, const QString& program = {},
        const QStringList& environment = {})
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QString bin = orvi::test::testBinaryDir() + QStringLiteral("/bin");
    env.insert("PATH", bin + ":" + env.value("PATH"));
    for (const QString& pair : environment)
        env.insert(pair.section('=', 0, 0), pair.section('=', 1));
    process.setProcessEnvironment(env);
    process.start(program.isEmpty() ? bin + "/orvi-motion-batch" : program, arguments);
    if (!process.waitForFinished(600000) || process.exitStatus() != QProcess::NormalExit)
        return -1;
    return process.exitCode();
}

using Workbench = orvi::test::ControllerWorkbench;

} // namespace

class tst_BatchRun : public QObject
{
    Q_OBJECT

    QTemporaryDir m_folder;
    QString m_clips;

    QString path(const QString& name) const { return m_folder.filePath(name); }
    QJsonArray rows(const QString& summary) const
    {
        return readJson(path(summary)).value("rows").toArray();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(!orvi::test::findTool("ffmpeg").isEmpty());
        m_clips = path("clips");
        QVERIFY(QDir().mkpath(m_clips));
        for (const Clip& clip : kClips) {
            const orvi::spectrum::testing::SyntheticTexture texture(quint32(clip.hz));
            const auto render = [&](int i) {
                const double t = i / clip.rate;
                return texture.frame(
                    kSize,
                    [&](int, int, double s) {
                        return QPointF(0.5 * std::sin(2.0 * std::numbers::pi * clip.hz * s), 0.0);
                    },
                    t);
            };
            orvi::media::VideoInfo info;
            QString error;
            QVERIFY2(orvi::spectrum::testing::writeTestVideo(m_clips + "/" + clip.name, kSize,
                                                             kFrames, clip.rate, render, &info,
                                                             &error),
                     qPrintable(error));
        }
        QFile corrupt(m_clips + "/c.mp4");
        QVERIFY(corrupt.open(QIODevice::WriteOnly));
        corrupt.write(QByteArray(4096, '\x5a'));
    }

    // A folder with valid recordings at two rates, a corrupt one and one already done.
    void analyseFolder()
    {
        const QString out = path("out");
        QCOMPARE(run(QStringList{"analyse", "-o", out, "--exports", "pdf,csv,json", "--only", "3",
                                 m_clips} +
                     kAnalysis),
                 0);
        QCOMPARE(run(QStringList{"analyse", "-o", out, "--exports", "pdf,csv,json", m_clips} +
                     kAnalysis),
                 1);
        const QJsonArray summary = rows("out/summary.json");
        QCOMPARE(summary.size(), 4);
        const QStringList statuses{"ok", "ok", "failed", "skipped"};
        for (int i = 0; i < 4; ++i)
            QCOMPARE(summary[i].toObject().value("status").toString(), statuses[i]);
        QVERIFY(!summary[2].toObject().value("message").toString().isEmpty());
        QCOMPARE(summary[1].toObject().value("captureFps").toDouble(), 250.0);
        const QStringList entries = orvi::test::folderEntries(out);
        for (const char* name : {"a_report.pdf", "a_spectrum.csv", "a_cells.csv", "a_analysis.json",
                                 "b_report.pdf", "d_report.pdf", "summary.csv"})
            QVERIFY2(entries.contains(name), name);
        for (const QString& entry : entries)
            QVERIFY2(!entry.startsWith('.') && !entry.startsWith("c_"), qPrintable(entry));

        // The same candidates as the headless tool and the window for the same settings.
        const QJsonArray batch = summary[0].toObject().value("candidates").toArray();
        QVERIFY(!batch.isEmpty());
        QProcess tool;
        tool.start(orvi::test::testBinaryDir() + "/bin/orvi-tool-spectrum-analysis",
                   {m_clips + "/a.mp4", "--grid", "0", "--capture-rate", "100"});
        QVERIFY(tool.waitForFinished(300000));
        const QJsonArray fromTool = QJsonDocument::fromJson(tool.readAllStandardOutput())
                                        .object()
                                        .value("candidates")
                                        .toArray();
        Workbench w;
        w.session.openSource(QUrl::fromLocalFile(m_clips + "/a.mp4"));
        QTRY_VERIFY_WITH_TIMEOUT(w.playback.canPlay() && w.session.ready(), 60000);
        QVERIFY(w.session.setCaptureFrameRate(100.0));
        QVERIFY(w.fragment.setRangeFrames(0, kFrames));
        QVERIFY(w.spectrum.startAnalysis(100.0, 0, 0));
        QTRY_VERIFY_WITH_TIMEOUT(!w.spectrum.busy() && w.spectrum.ready(), 120000);
        const QVariantList fromWindow = w.spectrum.candidates();
        for (qsizetype i = 0; i < batch.size(); ++i) {
            const QJsonObject c = batch[i].toObject();
            for (const char* key : {"frequencyHz", "binFrequencyHz", "contrastDb"}) {
                QCOMPARE(c.value(key).toDouble(), fromTool[i].toObject().value(key).toDouble());
                QCOMPARE(c.value(key).toDouble(), fromWindow[i].toMap().value(key).toDouble());
            }
            QCOMPARE(c.value("amplitude").toDouble(),
                     fromTool[i].toObject().value("amplitudePx").toDouble());
        }
    }

    // Shards by --only and by the GNU Parallel and Slurm recipes merge into the single run.
    void shardsMergeToTheSingleRun()
    {
        QCOMPARE(run(QStringList{"analyse", "-o", path("single"), m_clips} + kAnalysis), 1);
        const QJsonObject single = readJson(path("single/summary.json"));
        QCOMPARE(single.value("rows").toArray().size(), 4);

        for (const char* only : {"0,2", "1,3"})
            QVERIFY(run(QStringList{"analyse", "-o", path("only"), "--only", only, m_clips} +
                        kAnalysis) >= 0);
        QCOMPARE(run({"merge", path("only")}), 1);
        QCOMPARE(readJson(path("only/summary.json")), single);

        QFile job(path("job.json"));
        QVERIFY(job.open(QIODevice::WriteOnly));
        job.write(QJsonDocument(QJsonObject{{"folder", "clips"},
                                            {"defaults", QJsonObject{{"captureRate", "detected"},
                                                                     {"grid", 0}}}})
                      .toJson());
        job.close();
        const QString recipes = orvi::test::testSourceDir() + "/../packaging/batch/";
        if (!orvi::test::findTool("parallel").isEmpty()) {
            QCOMPARE(run({path("job.json"), path("parallel")}, recipes + "parallel-ssh.sh"), 1);
            QCOMPARE(readJson(path("parallel/summary.json")), single);
        }
        for (int index = 0; index < 4; ++index)
            run({path("job.json"), path("slurm")}, recipes + "slurm-array.sh",
                {QStringLiteral("SLURM_ARRAY_TASK_ID=%1").arg(index)});
        QCOMPARE(run({"merge", path("slurm")}), 1);
        QCOMPARE(readJson(path("slurm/summary.json")), single);
    }

    // A setting saved with one amplified video re-runs on another recording; a second run
    // skips both; a corrupt recording alone and an unusable option end with their statuses.
    void amplifyFromParametersAndExitStatuses()
    {
        const QString out = path("amplified");
        QCOMPARE(run({"amplify", "-o", out, "--capture-rate", "100", "--band", "8,16", "--factor",
                      "10", "--region", "0.1,0.1,0.8,0.8", "--plain", m_clips + "/a.mp4"}),
                 0);
        const QStringList again{
            "amplify",         "-o", out, "--parameters", out + "/a_amplified.mp4.json", "--plain",
            m_clips + "/d.mp4"};
        QCOMPARE(run(again), 0);
        const QJsonObject a = readJson(out + "/a_amplified.mp4.json");
        const QJsonObject d = readJson(out + "/d_amplified.mp4.json");
        for (const char* key :
             {"lowerFrequencyHz", "upperFrequencyHz", "amplificationFactor", "regionOfInterest"})
            QCOMPARE(d.value("processing").toObject().value(key),
                     a.value("processing").toObject().value(key));
        QCOMPARE(d.value("source").toObject().value("captureFrameRate").toDouble(), 100.0);
        QCOMPARE(run(again), 0);
        QCOMPARE(rows("amplified/summary.json")[0].toObject().value("status").toString(),
                 QString("skipped"));

        QCOMPARE(run(QStringList{"analyse", "-o", path("corrupt"), m_clips + "/c.mp4"} + kAnalysis),
                 2);
        QCOMPARE(run(QStringList{"analyse", "-o", path("refused"), "--grid", "7", m_clips}), 3);
        QVERIFY(!QFileInfo::exists(path("refused/summary.json")));
    }
};

QTEST_MAIN(tst_BatchRun)
#include "tst_BatchRun.moc"
