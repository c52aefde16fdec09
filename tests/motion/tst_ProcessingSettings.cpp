#include "motion/ProcessingSettings.h"

#include <QTest>
#include <cmath>
#include <functional>
#include <limits>

using namespace orvi::motion_core;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
using Rule = std::function<bool(ProcessingSettings&)>;

Rule region(QRectF roi, bool stabilize = false, QRectF reference = {})
{
    return [=](ProcessingSettings& s) {
        s.regionOfInterest = roi;
        s.stabilizationEnabled = stabilize;
        s.stabilizationReferenceRegion = reference;
        return s.areRegionsValid();
    };
}

Rule regionSize(QSize frame, QRectF roi)
{
    return [=](ProcessingSettings& s) {
        s.regionOfInterest = roi;
        return s.isRegionLargeEnough(frame);
    };
}

Rule frames(qint64 start, qint64 end, qint64 count)
{
    return [=](ProcessingSettings& s) {
        s.startFrame = start;
        s.endFrameExclusive = end;
        return s.frameRangeSet() && s.isFrameRangeValid(count);
    };
}

Rule times(qint64 start, qint64 end)
{
    return [=](ProcessingSettings& s) {
        s.startTimeUs = start;
        s.endTimeUs = end;
        return s.isTimeRangeValid(1000);
    };
}

template <typename T, typename Check>
Rule field(T ProcessingSettings::*member, T value, Check check)
{
    return [=](ProcessingSettings& s) {
        s.*member = value;
        return (s.*check)();
    };
}

Rule factor(double value)
{
    return field(&ProcessingSettings::amplificationFactor, value,
                 &ProcessingSettings::isAmplificationValid);
}

Rule workers(int value)
{
    return field(&ProcessingSettings::workerThreadCount, value,
                 &ProcessingSettings::isWorkerCountValid);
}

Rule rpm(double value)
{
    return field(&ProcessingSettings::rotationSpeedRpm, value,
                 &ProcessingSettings::isRotationSpeedValid);
}

} // namespace

Q_DECLARE_METATYPE(Rule)

class ProcessingSettingsTest : public QObject
{
    Q_OBJECT

private slots:
    // Every limit from both sides.
    void validity_data()
    {
        QTest::addColumn<Rule>("rule");
        QTest::addColumn<bool>("valid");
        QTest::newRow("factor 1") << factor(1.0) << true;
        QTest::newRow("factor 50") << factor(50.0) << true;
        QTest::newRow("factor below 1") << factor(0.999) << false;
        QTest::newRow("factor above 50") << factor(50.001) << false;
        QTest::newRow("workers 256") << workers(256) << true;
        QTest::newRow("workers 257") << workers(257) << false;
        QTest::newRow("speed not given") << rpm(0.0) << true;
        QTest::newRow("speed 500") << rpm(500.0) << true;
        QTest::newRow("speed 7000") << rpm(7000.0) << true;
        QTest::newRow("speed 499") << rpm(499.0) << false;
        QTest::newRow("speed 7001") << rpm(7001.0) << false;
        QTest::newRow("speed NaN") << rpm(kNaN) << false;
        QTest::newRow("region past the right edge") << region({0.5, 0, 0.6, 1}) << false;
        QTest::newRow("region NaN") << region({kNaN, 0, 0.5, 0.5}) << false;
        QTest::newRow("reference checked when stabilising") << region({0, 0, 1, 1}, true) << false;
        QTest::newRow("valid reference")
            << region({0, 0, 1, 1}, true, {0.1, 0.1, 0.2, 0.2}) << true;
        // 1000 x 500: feather 5 px, so at least 11 px a side; a tiny frame needs its whole side.
        QTest::newRow("region 11 px wide") << regionSize({1000, 500}, {0, 0, 0.011, 0.5}) << true;
        QTest::newRow("region 10 px wide") << regionSize({1000, 500}, {0, 0, 0.010, 0.5}) << false;
        QTest::newRow("whole tiny frame") << regionSize({4, 4}, {0, 0, 1, 1}) << true;
        QTest::newRow("empty frame") << regionSize({}, {0, 0, 1, 1}) << false;
        QTest::newRow("frames whole video") << frames(0, 10, 10) << true;
        QTest::newRow("frames one") << frames(3, 4, 10) << false;
        QTest::newRow("frames past the end") << frames(3, 11, 10) << false;
        QTest::newRow("frames unset start") << frames(-1, 5, 10) << false;
        QTest::newRow("time to the end") << times(0, -1) << true;
        QTest::newRow("time start at the end") << times(1000, -1) << false;
        QTest::newRow("time end before start") << times(500, 400) << false;
        QTest::newRow("time end past duration") << times(0, 1001) << false;
        QTest::newRow("time negative start") << times(-1, -1) << false;
    }

    void validity()
    {
        QFETCH(Rule, rule);
        QFETCH(bool, valid);
        ProcessingSettings settings;
        QCOMPARE(rule(settings), valid);
    }
};

QTEST_GUILESS_MAIN(ProcessingSettingsTest)
#include "tst_ProcessingSettings.moc"
