#include "media/VideoInfo.h"

#include <QtTest>

using orvi::media::VideoInfo;

namespace {

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

} // namespace

Q_DECLARE_METATYPE(VideoInfo)

// Whether a fragment lies on a uniform grid, and the warning shown when it does not.
class TestVideoInfo : public QObject
{
    Q_OBJECT

private slots:
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
};

QTEST_GUILESS_MAIN(TestVideoInfo)
#include "tst_VideoInfo.moc"
