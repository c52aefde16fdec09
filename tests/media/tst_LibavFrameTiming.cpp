#include "media/libav/LibavVideoAnalyzer.h"
#include "support/MediaTools.h"
#include "support/TestSupport.h"

#include <QTemporaryDir>
#include <QtTest>

using orvi::media::VideoInfo;
using orvi::media::libav::LibavVideoAnalyzer;

// Constant-rate files stay constant-rate whatever tick their container stores times in;
// a file that really changes its rate stays variable.
class TestLibavFrameTiming : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (orvi::test::findTool(QStringLiteral("ffmpeg")).isEmpty())
            QSKIP("ffmpeg is needed to make the clips");
        QVERIFY(m_directory.isValid());
    }

    void judgesTheTimeGrid_data()
    {
        QTest::addColumn<QString>("container");
        QTest::addColumn<int>("rate");
        QTest::addColumn<QStringList>("extra");
        QTest::addColumn<bool>("uniform");
        const QStringList vp8{"-c:v", "libvpx", "-deadline", "realtime"};
        const QStringList dropEveryTenth{"-vf", "setpts=(N+floor(N/10))/(FRAME_RATE*TB)",
                                         "-fps_mode", "passthrough"};
        for (const int rate : {30, 240}) {
            QTest::addRow("Matroska %d fps", rate) << "mkv" << rate << QStringList{} << true;
            QTest::addRow("WebM %d fps", rate) << "webm" << rate << vp8 << true;
            QTest::addRow("MP4 %d fps", rate) << "mp4" << rate << QStringList{} << true;
        }
        QTest::newRow("Matroska 240 fps dropping frames")
            << "mkv" << 240 << dropEveryTenth << false;
    }

    void judgesTheTimeGrid()
    {
        QFETCH(QString, container);
        QFETCH(int, rate);
        QFETCH(QStringList, extra);
        QFETCH(bool, uniform);
        const QString clip = m_directory.filePath(QStringLiteral("%1.%2").arg(
            QString::fromLatin1(QTest::currentDataTag()).replace(' ', '-'), container));
        QString error;
        QVERIFY2(orvi::test::encodeClip(clip,
                                        QStringLiteral("testsrc2=size=64x48:rate=%1").arg(rate), 90,
                                        extra, &error),
                 qPrintable(error));
        VideoInfo info;
        LibavVideoAnalyzer analyzer;
        QVERIFY2(analyzer.analyze({}, clip, &info, &error), qPrintable(error));
        QCOMPARE(info.frameCount, 90);
        QCOMPARE(info.variableFrameRate, !uniform);
        QCOMPARE(info.uniformStartFrame, uniform ? 0 : -1);
        QCOMPARE(info.captureFrameRate, uniform ? info.nominalFrameRate : 0.0);
        // A fragment is judged by the same rule.
        QCOMPARE(info.isUniformFrameTiming(17, 80), uniform);
        if (uniform)
            QVERIFY(qAbs(info.nominalFrameRate - rate) < 0.01);
    }

private:
    QTemporaryDir m_directory;
};

QTEST_GUILESS_MAIN(TestLibavFrameTiming)
#include "tst_LibavFrameTiming.moc"
