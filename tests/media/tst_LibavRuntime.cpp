#include "LibavClipFixtures.h"
#include "media/libav/LibavRuntime.h"
#include "media/libav/LibavVideoAnalyzer.h"
#include "orvi/Version.h"

#include <QMutex>
#include <QTemporaryDir>
#include <QtTest>

using orvi::media::VideoInfo;
using orvi::media::libav::LibavRuntime;
using orvi::media::libav::LibavVideoAnalyzer;
using orvi::media::tests::LibavClipFixtures;

namespace {

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

class TestLibavRuntime : public QObject
{
    Q_OBJECT

private slots:
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
        if (!LibavClipFixtures::ffmpegAvailable())
            QSKIP("ffmpeg is not installed.");
        QTemporaryDir directory;
        LibavClipFixtures clips(directory.path());
        const QString whole = clips.uniformMp4(QStringLiteral("whole.mp4"));
        const QString truncated = clips.truncatedCopy(whole, QStringLiteral("cut.mp4"));
        QVERIFY2(!truncated.isEmpty(), qPrintable(clips.lastError()));

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
};

QTEST_GUILESS_MAIN(TestLibavRuntime)
#include "tst_LibavRuntime.moc"
