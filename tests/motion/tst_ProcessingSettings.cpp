#include "motion/ProcessingSettings.h"

#include <QTest>
#include <limits>

using namespace orvi::motion_core;

// Every limit from both sides: an off-by-one at a bound passes every other test.
class ProcessingSettingsTest : public QObject
{
    Q_OBJECT

private slots:
    void limits()
    {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const auto factor = [](double v) {
            ProcessingSettings s;
            s.amplificationFactor = v;
            return s.isAmplificationValid();
        };
        QVERIFY(factor(1.0) && factor(50.0) && !factor(0.999) && !factor(50.001));
        const auto workers = [](int v) {
            ProcessingSettings s;
            s.workerThreadCount = v;
            return s.isWorkerCountValid();
        };
        QVERIFY(workers(256) && !workers(257));
        const auto rpm = [](double v) {
            ProcessingSettings s;
            s.rotationSpeedRpm = v;
            return s.isRotationSpeedValid();
        };
        QVERIFY(rpm(0.0) && rpm(500.0) && rpm(7000.0));
        QVERIFY(!rpm(499.0) && !rpm(7001.0) && !rpm(nan));
        const auto regions = [](QRectF roi, bool stabilize, QRectF reference = {}) {
            ProcessingSettings s;
            s.regionOfInterest = roi;
            s.stabilizationEnabled = stabilize;
            s.stabilizationReferenceRegion = reference;
            return s.areRegionsValid();
        };
        QVERIFY(!regions({0.5, 0, 0.6, 1}, false) && !regions({nan, 0, 0.5, 0.5}, false));
        // The reference region counts only when stabilising.
        QVERIFY(!regions({0, 0, 1, 1}, true) && regions({0, 0, 1, 1}, true, {0.1, 0.1, 0.2, 0.2}));
        // 1000 x 500: feather 5 px, so at least 11 px a side; a tiny frame needs its whole side.
        const auto large = [](QSize frame, QRectF roi) {
            ProcessingSettings s;
            s.regionOfInterest = roi;
            return s.isRegionLargeEnough(frame);
        };
        QVERIFY(large({1000, 500}, {0, 0, 0.011, 0.5}) && !large({1000, 500}, {0, 0, 0.010, 0.5}));
        QVERIFY(large({4, 4}, {0, 0, 1, 1}) && !large({}, {0, 0, 1, 1}));
        const auto frames = [](qint64 start, qint64 end) {
            ProcessingSettings s;
            s.startFrame = start;
            s.endFrameExclusive = end;
            return s.frameRangeSet() && s.isFrameRangeValid(10);
        };
        QVERIFY(frames(0, 10) && !frames(3, 4) && !frames(3, 11) && !frames(-1, 5));
        const auto times = [](qint64 start, qint64 end) {
            ProcessingSettings s;
            s.startTimeUs = start;
            s.endTimeUs = end;
            return s.isTimeRangeValid(1000);
        };
        QVERIFY(times(0, -1) && !times(1000, -1) && !times(500, 400) && !times(0, 1001));
        QVERIFY(!times(-1, -1));
    }
};

QTEST_GUILESS_MAIN(ProcessingSettingsTest)
#include "tst_ProcessingSettings.moc"
