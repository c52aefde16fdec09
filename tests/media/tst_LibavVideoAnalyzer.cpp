#include "LibavClipFixtures.h"
#include "media/libav/LibavRuntime.h"
#include "media/libav/LibavVideoAnalyzer.h"
#include "orvi/Version.h"

#include <QDir>
#include <QMutex>
#include <QTemporaryDir>
#include <QtTest>
#include <atomic>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

using orvi::media::VideoInfo;
using orvi::media::libav::LibavRuntime;
using orvi::media::libav::LibavVideoAnalyzer;
using orvi::media::tests::LibavClipFixtures;

namespace {

const QString cancelledMessage = QStringLiteral("Video analysis was cancelled.");
const QString openFailurePrefix =
    QStringLiteral("Could not open the video through FFmpeg libraries: ");

VideoInfo sentinelRecord()
{
    VideoInfo info;
    info.filePath = QStringLiteral("sentinel");
    info.frameCount = 7;
    return info;
}

VideoInfo timingRecord(const std::vector<qint64>& timestamps)
{
    VideoInfo info;
    info.frameCount = static_cast<qint64>(timestamps.size());
    info.frameTimestamps = timestamps;
    return info;
}

VideoInfo probe(const QString& path)
{
    VideoInfo info;
    QString error;
    if (path.isEmpty() || !LibavVideoAnalyzer().analyze({}, path, &info, &error))
        qWarning("probe of %s failed: %s", qPrintable(path), qPrintable(error));
    return info;
}

std::vector<qint64> uniformTicks(int count, qint64 start = 0, qint64 step = 1000)
{
    std::vector<qint64> ticks;
    for (int i = 0; i < count; ++i)
        ticks.push_back(start + i * step);
    return ticks;
}

// Ten frames 10 ticks of 1/1000 s apart, one interval changed to `changed` ticks.
VideoInfo withIntervals(int changedIndex = -1, qint64 changed = 10)
{
    VideoInfo info;
    info.frameSize = QSize(64, 48);
    info.frameCount = 10;
    info.durationUs = 1000000;
    info.nominalFrameRate = 30.0;
    info.timestampTimeBase = 0.001;
    qint64 t = 0;
    info.frameTimestamps.push_back(t);
    for (int i = 0; i < 9; ++i)
        info.frameTimestamps.push_back(t += i == changedIndex ? changed : 10);
    return info;
}

unsigned packed(unsigned major, unsigned minor, unsigned micro)
{
    return (major << 16) | (minor << 8) | micro;
}

std::vector<LibavRuntime::LibraryVersion> matchingLibraries()
{
    return {{QStringLiteral("libavformat"), packed(63, 3, 100), 63},
            {QStringLiteral("libavcodec"), packed(63, 11, 100), 63},
            {QStringLiteral("libavutil"), packed(61, 7, 100), 61},
            {QStringLiteral("libswscale"), packed(10, 1, 100), 10},
            {QStringLiteral("libswresample"), packed(7, 1, 100), 7}};
}

struct Captured
{
    QtMsgType type;
    QString category;
    QString text;
};

QMutex capturedMutex;
QList<Captured> captured;

void captureMessage(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    QMutexLocker lock(&capturedMutex);
    captured.append({type, QString::fromUtf8(context.category), text});
}

} // namespace

Q_DECLARE_METATYPE(VideoInfo)

// The probe of a file, the timing record it gives, and the libraries it runs on.
class TestLibavVideoAnalyzer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!LibavClipFixtures::ffmpegAvailable())
            QSKIP("the ffmpeg tool is needed to make test videos");
        QVERIFY(m_dir.isValid());
        m_clips = std::make_unique<LibavClipFixtures>(m_dir.path());
        m_uniform = m_clips->uniformMp4(QStringLiteral("uniform.mp4"));
        QVERIFY2(!m_uniform.isEmpty(), qPrintable(m_clips->lastError()));
    }

    // What the interface shows of a probe (size, count, rate, first frame, progress) the
    // session's tests check; here the stream facts below it.
    void probesUniformClip()
    {
        VideoInfo info;
        QString error = QStringLiteral("stale");
        QVERIFY2(LibavVideoAnalyzer().analyze({}, m_uniform, &info, &error), qPrintable(error));
        QVERIFY(error.isEmpty());
        QCOMPARE(info.codecName, QStringLiteral("h264"));
        QCOMPARE(info.durationUs, 1600000);
        QVERIFY(info.hasCompleteTimingMap());
        // The map holds real stream times: 48 frames at 1/30 s.
        const double lastTime =
            static_cast<double>(info.frameTimestamps.back() - info.frameTimestamps.front()) *
            info.timestampTimeBase;
        QVERIFY(qAbs(lastTime - 47.0 / 30.0) < 1e-6);
    }

    // Timing and intent that files made for each case carry in their container.
    void readsTimingAndIntentOfRealFiles()
    {
        VideoInfo info = probe(m_clips->irregularStartMp4(QStringLiteral("irregular.mp4")));
        QCOMPARE(info.uniformStartFrame, 4); // a long uniform tail after an irregular head
        QVERIFY(info.variableFrameRate && info.hasCompleteTimingMap() && info.isUsable());
        info = probe(m_clips->repeatedTimestampMkv(QStringLiteral("repeated.mkv")));
        QCOMPARE(info.frameCount, 20);
        QCOMPARE(info.uniformStartFrame, -1); // a repeated timestamp drops the map
        QVERIFY(info.variableFrameRate && !info.hasCompleteTimingMap() && info.isUsable());
        // "false" in any case means slow motion: the playback rate is no capture rate.
        for (const auto& [value, slowMotion] : {std::pair{"FaLsE", true}, {"1", false}}) {
            info = probe(m_clips->playbackIntentMov(QStringLiteral("intent-%1.mov").arg(value),
                                                    QLatin1String(value)));
            QCOMPARE(info.slowMotionPlaybackIntent, slowMotion);
            QCOMPARE(info.captureFrameRate, slowMotion ? 0.0 : 30.0);
        }
        // A live stream states no duration: the frames and their rate give it.
        info = probe(m_clips->durationlessMkv(QStringLiteral("durationless.mkv"), 30));
        QCOMPARE(info.frameCount, 30);
        QCOMPARE(info.nominalFrameRate, 25.0);
        QCOMPARE(info.durationUs, 1200000);
    }

    void rejectsBadInput_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("prefixOnly");

        QTest::newRow("empty path")
            << QString() << QStringLiteral("No input video file was specified.") << false;
        QTest::newRow("missing file") << QStringLiteral("missing") << openFailurePrefix << true;
        QTest::newRow("truncated mp4") << QStringLiteral("truncated") << openFailurePrefix << true;
        const QString notRegular = QStringLiteral("The video path does not name a regular file.");
        const QString fifo = m_clips->path(QStringLiteral("pipe"));
        QVERIFY(QFileInfo::exists(fifo) || mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        QTest::newRow("FIFO") << fifo << notRegular << false;
        QTest::newRow("device") << QStringLiteral("/dev/zero") << notRegular << false;
    }

    void rejectsBadInput()
    {
        QFETCH(QString, kind);
        QFETCH(QString, expected);
        QFETCH(bool, prefixOnly);

        QString path;
        if (kind == QLatin1String("missing")) {
            path = m_clips->path(QStringLiteral("does-not-exist.mp4"));
        } else if (kind == QLatin1String("truncated")) {
            path = m_clips->truncatedCopy(m_uniform, QStringLiteral("truncated.mp4"));
        } else if (kind.startsWith(QLatin1Char('/'))) {
            path = kind;
            alarm(60); // an open that blocks ends the test instead of hanging it
        }

        LibavVideoAnalyzer analyzer;
        VideoInfo info = sentinelRecord();
        QString error;
        const bool ok = analyzer.analyze({}, path, &info, &error);
        alarm(0);
        QVERIFY(!ok);
        QVERIFY2(prefixOnly ? error.startsWith(expected) && error.size() > expected.size()
                            : error == expected,
                 qPrintable(error));
        QCOMPARE(info.frameCount, 7); // a failure leaves the record alone
    }

    void stopsWhenCancelled_data()
    {
        QTest::addColumn<int>("stopAfterPolls");
        QTest::addColumn<bool>("stopOnProgress");
        QTest::addColumn<bool>("throws");

        QTest::newRow("before opening") << 0 << false << false;
        QTest::newRow("during the time-grid pass") << 1000000 << true << false;
        QTest::newRow("throwing check counts as cancel") << 3 << false << true;
    }

    void stopsWhenCancelled()
    {
        QFETCH(int, stopAfterPolls);
        QFETCH(bool, stopOnProgress);
        QFETCH(bool, throws);

        std::atomic<int> polls{0};
        std::atomic<int> pollsAfterStop{0};
        std::atomic<bool> progressSeen{false};
        auto cancellation = [&]() -> bool {
            const int poll = polls.fetch_add(1);
            if (poll < stopAfterPolls && !(stopOnProgress && progressSeen.load()))
                return false;
            pollsAfterStop.fetch_add(1);
            if (throws)
                throw std::runtime_error("check failed");
            return true;
        };
        LibavVideoAnalyzer analyzer;
        VideoInfo info = sentinelRecord();
        QString error;
        const bool ok = analyzer.analyze(cancellation, m_uniform, &info, &error, {},
                                         [&](double) { progressSeen = true; });
        QVERIFY(!ok);
        QCOMPARE(error, cancelledMessage);
        QVERIFY(analyzer.wasCancelled());
        QCOMPARE(info.filePath, QStringLiteral("sentinel"));
        // Once it has said stop, the check is not asked again.
        QCOMPARE(pollsAfterStop.load(), 1);
        // Early stops come through FFmpeg's interrupt callback, before any frame was decoded.
        QCOMPARE(progressSeen.load(), stopOnProgress);

        // The next call starts afresh.
        QVERIFY(analyzer.analyze({}, m_uniform, &info, &error));
        QVERIFY(!analyzer.wasCancelled());
    }

    void findsUniformTail_data()
    {
        QTest::addColumn<std::vector<qint64>>("timestamps");
        QTest::addColumn<bool>("variable");
        QTest::addColumn<qint64>("uniformStartFrame");

        std::vector<qint64> jitter = uniformTicks(40);
        for (std::size_t i = 1; i < jitter.size(); i += 2) {
            jitter[i] += 5; // 0.5 % of the interval, inside the 2 % tolerance
        }
        QTest::newRow("jitter within tolerance is uniform") << jitter << false << qint64(0);

        std::vector<qint64> head{0, 3000, 6000};
        for (qint64 t : uniformTicks(32, 7000))
            head.push_back(t);
        QTest::newRow("tail of 33 frames after 2 long intervals") << head << true << qint64(2);

        std::vector<qint64> shortTail = uniformTicks(31);
        shortTail.insert(shortTail.begin(), -5000);
        QTest::newRow("tail under 32 frames is not trusted") << shortTail << true << qint64(-1);

        std::vector<qint64> lateGap = uniformTicks(100);
        for (std::size_t i = 59; i < lateGap.size(); ++i) {
            lateGap[i] += 1000; // one doubled interval ending at frame 59
        }
        QTest::newRow("tail of 41 frames after 59 is not half the clip")
            << lateGap << true << qint64(-1);
        lateGap = uniformTicks(100);
        for (std::size_t i = 50; i < lateGap.size(); ++i)
            lateGap[i] += 1000;
        QTest::newRow("tail of exactly half the clip is trusted") << lateGap << true << qint64(50);

        std::vector<qint64> late = uniformTicks(64);
        late.back() += 600; // irregular last interval
        QTest::newRow("irregular last interval") << late << true << qint64(-1);

        std::vector<qint64> backwards = uniformTicks(40);
        std::swap(backwards[5], backwards[6]);
        QTest::newRow("non-positive interval leaves the pass result")
            << backwards << false << qint64(-1);
    }

    void findsUniformTail()
    {
        QFETCH(std::vector<qint64>, timestamps);
        QFETCH(bool, variable);
        QFETCH(qint64, uniformStartFrame);

        VideoInfo info = timingRecord(timestamps);
        LibavVideoAnalyzer::analyzeUniformity(info, 1.0 / 30000.0);
        QCOMPARE(info.variableFrameRate, variable);
        QCOMPARE(info.uniformStartFrame, uniformStartFrame);
    }

    // Whether a fragment of a record lies on a uniform grid, and the warning shown when not.
    void uniformTiming_data()
    {
        QTest::addColumn<VideoInfo>("info");
        QTest::addColumn<qint64>("first");
        QTest::addColumn<qint64>("endExclusive");
        QTest::addColumn<bool>("uniform");
        QTest::newRow("regular grid") << withIntervals() << qint64(0) << qint64(10) << true;
        QTest::newRow("irregular head") << withIntervals(0, 25) << qint64(0) << qint64(10) << false;
        QTest::newRow("irregular head excluded")
            << withIntervals(0, 25) << qint64(1) << qint64(10) << true;
        QTest::newRow("repeated timestamp")
            << withIntervals(4, 0) << qint64(0) << qint64(10) << false;
        QTest::newRow("one frame range") << withIntervals() << qint64(3) << qint64(4) << false;
        QTest::newRow("range past the end") << withIntervals() << qint64(0) << qint64(11) << false;
        // Without a timing map the variable-rate flag decides.
        VideoInfo noMap = withIntervals();
        noMap.frameTimestamps.clear();
        QTest::newRow("no map, constant rate") << noMap << qint64(0) << qint64(10) << true;
        noMap.variableFrameRate = true;
        QTest::newRow("no map, variable rate") << noMap << qint64(0) << qint64(10) << false;
    }

    void uniformTiming()
    {
        QFETCH(VideoInfo, info);
        QFETCH(qint64, first);
        QFETCH(qint64, endExclusive);
        QFETCH(bool, uniform);
        QCOMPARE(info.isUniformFrameTiming(first, endExclusive), uniform);
        const bool validRange = first >= 0 && endExclusive <= 10 && endExclusive - first >= 2;
        const QString warning = info.timingWarning(first, endExclusive);
        QCOMPARE(warning.isEmpty(), uniform || !validRange);
        QVERIFY(warning.isEmpty() || warning.startsWith("Frame timing is irregular"));
    }

    void judgesMajorVersions_data()
    {
        QTest::addColumn<int>("library");
        QTest::addColumn<unsigned>("loadedVersion");
        QTest::addColumn<bool>("available");

        QTest::newRow("all majors equal, minor differs") << 1 << packed(63, 99, 1) << true;
        QTest::newRow("newer libavformat major") << 0 << packed(64, 0, 0) << false;
        QTest::newRow("older libswresample major") << 4 << packed(6, 9, 9) << false;
        QTest::newRow("unloaded libavutil") << 2 << 0u << false;
    }

    void judgesMajorVersions()
    {
        QFETCH(int, library);
        QFETCH(unsigned, loadedVersion);
        QFETCH(bool, available);

        auto libraries = matchingLibraries();
        libraries[static_cast<std::size_t>(library)].loadedVersion = loadedVersion;
        QString error = QStringLiteral("stale");
        QCOMPARE(LibavRuntime::checkLibraries(libraries, &error), available);
        QCOMPARE(error, available
                            ? QString()
                            : QStringLiteral("The FFmpeg DLL versions do not match the headers "
                                             "used to build %1.")
                                  .arg(orvi::version::kProductIdentity));
    }

    // FFmpeg's own diagnostics reach Qt's message output with their severity; its chatter does
    // not.
    void failuresAreReportedAndChatterIsDropped()
    {
        const QString whole = m_uniform;
        const QString truncated = m_clips->truncatedCopy(whole, QStringLiteral("cut.mp4"));
        QVERIFY2(!truncated.isEmpty(), qPrintable(m_clips->lastError()));

        LibavRuntime::routeLogMessages();
        const QtMessageHandler previous = qInstallMessageHandler(captureMessage);
        VideoInfo info;
        QString error;
        const bool broken = LibavVideoAnalyzer().analyze({}, truncated, &info, &error);
        const bool fine = LibavVideoAnalyzer().analyze({}, whole, &info, &error);
        qInstallMessageHandler(previous);

        QVERIFY(!broken);
        QVERIFY(fine);
        QMutexLocker lock(&capturedMutex);
        bool sawFailure = false;
        for (const Captured& message : std::as_const(captured)) {
            if (message.category != QLatin1String("orvi.media.libav"))
                continue;
            QVERIFY2(message.type == QtWarningMsg || message.type == QtCriticalMsg,
                     qPrintable(message.text));
            QVERIFY(!message.text.isEmpty());
            sawFailure = sawFailure || message.type == QtCriticalMsg;
        }
        QVERIFY(sawFailure);
    }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<LibavClipFixtures> m_clips;
    QString m_uniform;
};

QTEST_GUILESS_MAIN(TestLibavVideoAnalyzer)
#include "tst_LibavVideoAnalyzer.moc"
