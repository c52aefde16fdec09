#include "motion/ProcessingSettings.h"

#include <QTest>
#include <QThread>
#include <cmath>
#include <limits>

using namespace orvi::motion_core;

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
} // namespace

class ProcessingSettingsTest : public QObject
{
    Q_OBJECT

private slots:
    void band_data()
    {
        QTest::addColumn<double>("fs");
        QTest::addColumn<double>("fl");
        QTest::addColumn<double>("fh");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<bool>("nearNyquist");
        QTest::newRow("ordinary") << 240.0 << 9.0 << 14.0 << true << false;
        QTest::newRow("upper at half the rate") << 240.0 << 9.0 << 120.0 << false << false;
        QTest::newRow("near Nyquist") << 240.0 << 50.0 << 100.0 << true << true;
        QTest::newRow("reversed") << 240.0 << 14.0 << 9.0 << false << false;
        QTest::newRow("NaN rate") << kNaN << 9.0 << 14.0 << false << false;
        QTest::newRow("no rate") << 0.0 << 9.0 << 14.0 << false << false;
    }

    void band()
    {
        QFETCH(double, fs);
        QFETCH(double, fl);
        QFETCH(double, fh);
        QFETCH(bool, valid);
        QFETCH(bool, nearNyquist);
        ProcessingSettings s;
        s.lowerFrequencyHz = fl;
        s.upperFrequencyHz = fh;
        QCOMPARE(s.isBandValid(fs), valid);
        QCOMPARE(s.isNearNyquist(fs), nearNyquist);
        QCOMPARE(s.recommendedMinimumFrameCount(fs) > 0, valid);
    }

    void amplification_data()
    {
        QTest::addColumn<double>("factor");
        QTest::addColumn<bool>("valid");
        QTest::newRow("1") << 1.0 << true;
        QTest::newRow("50") << 50.0 << true;
        QTest::newRow("below 1") << 0.999 << false;
        QTest::newRow("above 50") << 50.001 << false;
        QTest::newRow("NaN") << kNaN << false;
        QTest::newRow("infinite") << kInf << false;
    }

    void amplification()
    {
        QFETCH(double, factor);
        QFETCH(bool, valid);
        ProcessingSettings s;
        s.amplificationFactor = factor;
        QCOMPARE(s.isAmplificationValid(), valid);
    }

    void workerCount_data()
    {
        QTest::addColumn<int>("requested");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("effective");
        const int n = std::clamp(QThread::idealThreadCount(), 1, 256);
        QTest::newRow("automatic") << 0 << true << n;
        QTest::newRow("one") << 1 << true << 1;
        QTest::newRow("more than the machine is cut down") << 64 << true << std::min(n, 64);
        QTest::newRow("256") << 256 << true << std::min(n, 256);
        QTest::newRow("300") << 300 << false << std::min(n, 300);
        QTest::newRow("negative") << -1 << false << n;
    }

    void workerCount()
    {
        QFETCH(int, requested);
        QFETCH(bool, valid);
        QFETCH(int, effective);
        ProcessingSettings s;
        s.workerThreadCount = requested;
        QCOMPARE(s.isWorkerCountValid(), valid);
        QCOMPARE(s.effectiveWorkerCount(), effective);
    }

    void rotationSpeed_data()
    {
        QTest::addColumn<double>("rpm");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("frequency");
        QTest::newRow("not given") << 0.0 << true << 0.0;
        QTest::newRow("500") << 500.0 << true << 500.0 / 60.0;
        QTest::newRow("3000") << 3000.0 << true << 50.0;
        QTest::newRow("7000") << 7000.0 << true << 7000.0 / 60.0;
        QTest::newRow("too slow") << 499.0 << false << 499.0 / 60.0;
        QTest::newRow("too fast") << 7001.0 << false << 7001.0 / 60.0;
        QTest::newRow("NaN") << kNaN << false << 0.0;
    }

    void rotationSpeed()
    {
        QFETCH(double, rpm);
        QFETCH(bool, valid);
        QFETCH(double, frequency);
        ProcessingSettings s;
        s.rotationSpeedRpm = rpm;
        QCOMPARE(s.isRotationSpeedValid(), valid);
        QCOMPARE(s.rotationFrequencyHz(), frequency);
        QCOMPARE(s.harmonicFrequencyHz(3), rpm > 0 ? 3.0 * rpm / 60.0 : 0.0);
        QCOMPARE(s.harmonicFrequencyHz(0), 0.0);
    }

    void regions_data()
    {
        QTest::addColumn<QRectF>("roi");
        QTest::addColumn<bool>("stabilize");
        QTest::addColumn<QRectF>("reference");
        QTest::addColumn<bool>("valid");
        QTest::newRow("whole frame") << QRectF(0, 0, 1, 1) << false << QRectF() << true;
        QTest::newRow("past the right edge")
            << QRectF(0.5, 0, 0.6, 1) << false << QRectF() << false;
        QTest::newRow("negative left") << QRectF(-0.1, 0, 0.5, 1) << false << QRectF() << false;
        QTest::newRow("zero width") << QRectF(0.1, 0.1, 0, 0.5) << false << QRectF() << false;
        QTest::newRow("NaN") << QRectF(kNaN, 0, 0.5, 0.5) << false << QRectF() << false;
        QTest::newRow("reference ignored when off")
            << QRectF(0, 0, 1, 1) << false << QRectF() << true;
        QTest::newRow("reference checked when on")
            << QRectF(0, 0, 1, 1) << true << QRectF() << false;
        QTest::newRow("valid reference")
            << QRectF(0, 0, 1, 1) << true << QRectF(0.1, 0.1, 0.2, 0.2) << true;
    }

    void regions()
    {
        QFETCH(QRectF, roi);
        QFETCH(bool, stabilize);
        QFETCH(QRectF, reference);
        QFETCH(bool, valid);
        ProcessingSettings s;
        s.regionOfInterest = roi;
        s.stabilizationEnabled = stabilize;
        s.stabilizationReferenceRegion = reference;
        QCOMPARE(s.areRegionsValid(), valid);
    }

    void regionLargeEnough_data()
    {
        QTest::addColumn<QSize>("frame");
        QTest::addColumn<QRectF>("roi");
        QTest::addColumn<bool>("large");
        // 1000 x 500: feather 5 px, so at least 11 px a side.
        QTest::newRow("11 px wide") << QSize(1000, 500) << QRectF(0, 0, 0.011, 0.5) << true;
        QTest::newRow("10 px wide") << QSize(1000, 500) << QRectF(0, 0, 0.010, 0.5) << false;
        QTest::newRow("10 px high") << QSize(1000, 500) << QRectF(0, 0, 0.5, 0.02) << false;
        // A 4-pixel frame: the whole side is enough.
        QTest::newRow("whole tiny frame") << QSize(4, 4) << QRectF(0, 0, 1, 1) << true;
        QTest::newRow("empty frame") << QSize() << QRectF(0, 0, 1, 1) << false;
    }

    void regionLargeEnough()
    {
        QFETCH(QSize, frame);
        QFETCH(QRectF, roi);
        QFETCH(bool, large);
        ProcessingSettings s;
        s.regionOfInterest = roi;
        QCOMPARE(s.isRegionLargeEnough(frame), large);
    }

    void frameRange_data()
    {
        QTest::addColumn<qint64>("start");
        QTest::addColumn<qint64>("end");
        QTest::addColumn<qint64>("frames");
        QTest::addColumn<bool>("valid");
        QTest::newRow("whole video") << qint64(0) << qint64(10) << qint64(10) << true;
        QTest::newRow("two frames") << qint64(3) << qint64(5) << qint64(10) << true;
        QTest::newRow("one frame") << qint64(3) << qint64(4) << qint64(10) << false;
        QTest::newRow("past the end") << qint64(3) << qint64(11) << qint64(10) << false;
        QTest::newRow("unset start") << qint64(-1) << qint64(5) << qint64(10) << false;
        QTest::newRow("one-frame video") << qint64(0) << qint64(1) << qint64(1) << false;
    }

    void frameRange()
    {
        QFETCH(qint64, start);
        QFETCH(qint64, end);
        QFETCH(qint64, frames);
        QFETCH(bool, valid);
        ProcessingSettings s;
        s.startFrame = start;
        s.endFrameExclusive = end;
        QVERIFY(s.frameRangeSet());
        QCOMPARE(s.isFrameRangeValid(frames), valid);
    }

    void timeRange_data()
    {
        QTest::addColumn<qint64>("start");
        QTest::addColumn<qint64>("end");
        QTest::addColumn<bool>("valid");
        QTest::newRow("to the end") << qint64(0) << qint64(-1) << true;
        QTest::newRow("inside") << qint64(100) << qint64(500) << true;
        QTest::newRow("start at the end") << qint64(1000) << qint64(-1) << false;
        QTest::newRow("end before start") << qint64(500) << qint64(400) << false;
        QTest::newRow("end past duration") << qint64(0) << qint64(1001) << false;
        QTest::newRow("negative start") << qint64(-1) << qint64(-1) << false;
    }

    void timeRange()
    {
        QFETCH(qint64, start);
        QFETCH(qint64, end);
        QFETCH(bool, valid);
        ProcessingSettings s;
        s.startTimeUs = start;
        s.endTimeUs = end;
        QCOMPARE(s.isTimeRangeValid(1000), valid);
    }
};

QTEST_GUILESS_MAIN(ProcessingSettingsTest)
#include "tst_ProcessingSettings.moc"
