#include "LibavClipFixtures.h"
#include "media/libav/LibavRuntime.h"
#include "media/libav/LibavVideoAnalyzer.h"

#include <QMutex>
#include <QTemporaryDir>
#include <QtTest>

using orvi::media::VideoInfo;
using orvi::media::libav::LibavRuntime;
using orvi::media::libav::LibavVideoAnalyzer;
using orvi::media::tests::LibavClipFixtures;

namespace {

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

// FFmpeg's own diagnostics reach Qt's message output with their severity; its chatter does not.
class TestLibavLogRouting : public QObject
{
    Q_OBJECT

private slots:
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

QTEST_GUILESS_MAIN(TestLibavLogRouting)
#include "tst_LibavLogRouting.moc"
