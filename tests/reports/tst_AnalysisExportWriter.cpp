#include "ReportFixture.h"
#include "ReportTools.h"
#include "reports/AnalysisExportWriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <functional>
#include <sys/resource.h>

using namespace orvi::reports;

namespace {

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

} // namespace

Q_DECLARE_METATYPE(ContextChange)

class AnalysisExportWriterTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_clip = m_dir.filePath(QStringLiteral("clip.mp4"));
        QString error;
        QVERIFY2(test::prepareContext(m_clip, &m_context, &error), qPrintable(error));
        QVERIFY(m_context.result.ok && m_context.hasPhase && m_context.hasPowerMap);
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
        row("no suffix", "out", 4, extension);
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

    // A disk that fills up mid-write: the export fails and its staging file goes at once.
    void fullDiskLeavesNoStagingFile_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("fileName");
        QTest::newRow("PDF report") << 0 << "report.pdf";
        QTest::newRow("DOCX report") << 1 << "report.docx";
        QTest::newRow("power map PNG") << 6 << "map.png";
    }

    void fullDiskLeavesNoStagingFile()
    {
        QFETCH(int, format);
        QFETCH(QString, fileName);
        QTemporaryDir folder(m_dir.filePath(QStringLiteral("full-XXXXXX")));
        QVERIFY(folder.isValid());
        // Writes past 4 KiB fail as on a full disk (the size limit's signal is ignored).
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit small = saved;
        small.rlim_cur = 4096;
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const QString message = failureOf(folder.filePath(fileName), format, m_context);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);
        QVERIFY(!message.isEmpty());
        QCOMPARE(
            QDir(folder.path())
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
            QStringList());
    }

private:
    QTemporaryDir m_dir;
    QString m_clip;
    AnalysisExportContext m_context;
};

QTEST_MAIN(AnalysisExportWriterTest)
#include "tst_AnalysisExportWriter.moc"
