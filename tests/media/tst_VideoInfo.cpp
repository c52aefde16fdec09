#include "media/VideoInfo.h"

#include <QtTest>

using orvi::media::VideoInfo;

namespace {

VideoInfo makeInfo(qint64 frameCount, qint64 durationUs, double nominal, double capture)
{
    VideoInfo info;
    info.frameSize = QSize(64, 48);
    info.frameCount = frameCount;
    info.durationUs = durationUs;
    info.nominalFrameRate = nominal;
    info.captureFrameRate = capture;
    return info;
}

// Timestamps in 1/1000 s ticks from a list of intervals.
VideoInfo withIntervals(const QList<qint64>& intervals)
{
    VideoInfo info = makeInfo(intervals.size() + 1, 1000000, 30.0, 0.0);
    info.timestampTimeBase = 0.001;
    qint64 t = 0;
    info.frameTimestamps.push_back(t);
    for (qint64 interval : intervals)
        info.frameTimestamps.push_back(t += interval);
    return info;
}

} // namespace

class TestVideoInfo : public QObject
{
    Q_OBJECT

private slots:
    void uniformTiming_data()
    {
        QTest::addColumn<QList<qint64>>("intervals");
        QTest::addColumn<qint64>("first");
        QTest::addColumn<qint64>("endExclusive");
        QTest::addColumn<bool>("uniform");

        const QList<qint64> regular(9, 10);
        QList<qint64> jitterHead = regular;
        jitterHead[0] = 25;
        QList<qint64> repeated = regular;
        repeated[4] = 0;

        QTest::newRow("regular grid") << regular << qint64(0) << qint64(10) << true;
        QTest::newRow("irregular head") << jitterHead << qint64(0) << qint64(10) << false;
        QTest::newRow("irregular head excluded") << jitterHead << qint64(1) << qint64(10) << true;
        QTest::newRow("repeated timestamp") << repeated << qint64(0) << qint64(10) << false;
        QTest::newRow("one frame range") << regular << qint64(3) << qint64(4) << false;
        QTest::newRow("range past the end") << regular << qint64(0) << qint64(11) << false;
    }

    void uniformTiming()
    {
        QFETCH(QList<qint64>, intervals);
        QFETCH(qint64, first);
        QFETCH(qint64, endExclusive);
        QFETCH(bool, uniform);

        const VideoInfo info = withIntervals(intervals);
        QCOMPARE(info.isUniformFrameTiming(first, endExclusive), uniform);
        const bool validRange =
            first >= 0 && endExclusive <= info.frameCount && endExclusive - first >= 2;
        QCOMPARE(info.timingWarning(first, endExclusive).isEmpty(), uniform || !validRange);
    }

    void withoutTimingMapTheVariableFlagDecides()
    {
        VideoInfo info = makeInfo(10, 1000000, 10.0, 0.0);
        QVERIFY(info.isUniformFrameTiming(0, 10));
        info.variableFrameRate = true;
        QVERIFY(!info.isUniformFrameTiming(0, 10));
        QVERIFY(info.timingWarning(0, 10).startsWith(QStringLiteral("Frame timing is irregular")));
    }
};

QTEST_GUILESS_MAIN(TestVideoInfo)
#include "tst_VideoInfo.moc"
