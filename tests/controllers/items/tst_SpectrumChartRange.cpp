#include "controllers/items/PlotGeometry.h"
#include "controllers/items/SpectrumChartRange.h"

#include <QtTest>
#include <limits>

using orvi::ui::items::FrequencyBand;
using orvi::ui::items::PlotGeometry;
using orvi::ui::items::PlotRange;
using orvi::ui::items::SpectrumChartRange;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

bool near(double a, double b)
{
    return std::abs(a - b) < 1e-9;
}

} // namespace

Q_DECLARE_METATYPE(PlotRange)

// The chart's visible range, zoom and pointer bands over a result from 0.5 to 60 Hz unless a
// row says otherwise; the line plots' zoom and marker picking.
class TestSpectrumChartRange : public QObject
{
    Q_OBJECT

private slots:
    void zoom_data()
    {
        QTest::addColumn<double>("step");
        QTest::addColumn<double>("lower");
        QTest::addColumn<double>("upper");
        QTest::addColumn<double>("fraction");
        QTest::addColumn<bool>("zoomIn");
        QTest::addColumn<int>("turns");
        QTest::addColumn<double>("expectedLower");
        QTest::addColumn<double>("expectedUpper");
        // The centre frequency 30.25 Hz stays in the middle; four 0.5 Hz steps are the limit.
        QTest::newRow("zooming in stops at four steps")
            << 0.5 << 0.5 << 60.0 << 0.5 << true << 60 << 29.25 << 31.25;
        QTest::newRow("the pointer's frequency keeps its place")
            << 0.1 << 10.0 << 20.0 << 0.25 << true << 1 << 10.5 << 18.5;
        QTest::newRow("zooming out at the edge stays inside the range")
            << 0.1 << 52.0 << 60.0 << 0.5 << false << 1 << 50.0 << 60.0;
        QTest::newRow("zooming out never passes the full range")
            << 0.1 << 20.0 << 21.0 << 0.3 << false << 40 << 0.5 << 60.0;
        QTest::newRow("a range narrower than four steps is not zoomed")
            << 20.0 << 0.5 << 60.0 << 0.5 << true << 3 << 0.5 << 60.0;
    }
    void zoom()
    {
        QFETCH(double, step);
        QFETCH(double, lower);
        QFETCH(double, upper);
        QFETCH(double, fraction);
        QFETCH(bool, zoomIn);
        QFETCH(int, turns);
        SpectrumChartRange range;
        range.setLimits(0.5, 60.0, step);
        QVERIFY(range.setView(lower, upper));
        for (int turn = 0; turn < turns; ++turn)
            range.zoomAbout(fraction, zoomIn);
        QFETCH(double, expectedLower);
        QFETCH(double, expectedUpper);
        QVERIFY2(near(range.lower(), expectedLower) && near(range.upper(), expectedUpper),
                 qPrintable(QStringLiteral("%1 - %2").arg(range.lower()).arg(range.upper())));
    }

    void pointerBands_data()
    {
        QTest::addColumn<double>("step");
        QTest::addColumn<double>("pressedHz");
        QTest::addColumn<double>("currentHz");
        QTest::addColumn<double>("expectedLower");
        QTest::addColumn<double>("expectedUpper");
        // A drag and a click on the real chart: the window's gesture test.
        QTest::newRow("a band ends at the result's limits") << 0.4 << 0.6 << 59.9 << 0.5 << 60.0;
        QTest::newRow("a zero step still gives a band")
            << 0.0 << 10.0 << 10.0 << 10.0 - 5e-7 << 10.0 + 5e-7;
    }
    void pointerBands()
    {
        QFETCH(double, step);
        QFETCH(double, pressedHz);
        QFETCH(double, currentHz);
        SpectrumChartRange range;
        range.setLimits(0.5, 60.0, step);
        const FrequencyBand band = pressedHz == currentHz ? range.oneBinBand(pressedHz)
                                                          : range.draftBand(pressedHz, currentHz);
        QFETCH(double, expectedLower);
        QFETCH(double, expectedUpper);
        QVERIFY(near(band.lower, expectedLower));
        QVERIFY(near(band.upper, expectedUpper));
    }

    void views_data()
    {
        QTest::addColumn<double>("minimum");
        QTest::addColumn<double>("maximum");
        QTest::addColumn<double>("lower");
        QTest::addColumn<double>("upper");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("the whole range") << 0.5 << 60.0 << 0.5 << 60.0 << true;
        QTest::newRow("an empty range") << 0.5 << 60.0 << 10.0 << 10.0 << false;
        QTest::newRow("below the minimum") << 0.5 << 60.0 << 0.4 << 10.0 << false;
        QTest::newRow("not a number") << 0.5 << 60.0 << kNaN << 10.0 << false;
        QTest::newRow("infinite") << 0.5 << 60.0 << 10.0 << kInfinity << false;
        // A result without width still shows 0.001 Hz after a reset.
        QTest::newRow("a reset range is never empty") << 5.0 << 5.0 << kNaN << kNaN << false;
    }
    void views()
    {
        QFETCH(double, minimum);
        QFETCH(double, maximum);
        QFETCH(double, lower);
        QFETCH(double, upper);
        QFETCH(bool, accepted);
        SpectrumChartRange range;
        range.setLimits(minimum, maximum, 0.1);
        range.zoomAbout(0.5, true);
        const double shownLower = range.lower();
        const double shownUpper = range.upper();
        QCOMPARE(range.setView(lower, upper), accepted);
        QCOMPARE(range.lower(), accepted ? lower : shownLower);
        QCOMPARE(range.upper(), accepted ? upper : shownUpper);
        range.reset();
        QCOMPARE(range.lower(), minimum);
        QVERIFY(near(range.upper(), std::max(maximum, minimum + 0.001)));
    }

    void nearestPoint_data()
    {
        QTest::addColumn<QList<double>>("frequencies");
        QTest::addColumn<double>("frequencyHz");
        QTest::addColumn<int>("expected");
        const QList<double> bins{0.5, 1.0, 1.5, 2.0, 2.5};
        QTest::newRow("the nearer neighbour") << bins << 1.2 << 1;
        QTest::newRow("equal distance picks the higher point") << bins << 1.25 << 2;
        QTest::newRow("below the first point") << bins << 0.0 << 0;
        QTest::newRow("above the last point") << bins << 9.0 << 4;
        QTest::newRow("no points") << QList<double>{} << 1.0 << -1;
    }
    void nearestPoint()
    {
        QFETCH(QList<double>, frequencies);
        QFETCH(double, frequencyHz);
        QFETCH(int, expected);
        const std::vector<double> points(frequencies.begin(), frequencies.end());
        QCOMPARE(SpectrumChartRange::nearestIndex(points, frequencyHz), expected);
    }

    void frequencyDecimals_data()
    {
        QTest::addColumn<double>("step");
        QTest::addColumn<int>("decimals");
        QTest::newRow("one more than the step's first digit") << 0.0234 << 3;
        QTest::newRow("whole-hertz steps") << 1.0 << 1;
        QTest::newRow("coarse steps never go negative") << 20.0 << 0;
        QTest::newRow("fine steps stop at five") << 1e-9 << 5;
        QTest::newRow("a zero step counts as fine") << 0.0 << 5;
    }
    void frequencyDecimals()
    {
        QFETCH(double, step);
        QFETCH(int, decimals);
        QCOMPARE(SpectrumChartRange::frequencyDecimals(step), decimals);
    }

    void nearestMarker_data()
    {
        QTest::addColumn<QList<QPointF>>("markers");
        QTest::addColumn<QPointF>("at");
        QTest::addColumn<int>("expected");
        const QList<QPointF> pair{{100, 100}, {120, 100}};
        QTest::newRow("farther than the radius") << pair << QPointF(100, 110.5) << -1;
        QTest::newRow("on the radius") << pair << QPointF(100, 110) << 0;
        QTest::newRow("the nearer of two within reach")
            << QList<QPointF>{{100, 100}, {108, 100}} << QPointF(103, 101) << 0;
        QTest::newRow("equal distance: the later") << pair << QPointF(110, 100) << 1;
        QTest::newRow("no markers") << QList<QPointF>() << QPointF(0, 0) << -1;
    }
    void nearestMarker()
    {
        QFETCH(QList<QPointF>, markers);
        QFETCH(QPointF, at);
        QFETCH(int, expected);
        QCOMPARE(PlotGeometry::nearestMarker({markers.begin(), markers.end()}, at, 10.0), expected);
    }

    // Full range 0 … 10 s, at least 2 s visible.
    void zoomedRange_data()
    {
        QTest::addColumn<PlotRange>("view");
        QTest::addColumn<double>("anchor");
        QTest::addColumn<double>("factor");
        QTest::addColumn<PlotRange>("expected");
        QTest::newRow("in about the middle") << PlotRange{0, 10} << 5.0 << 0.8 << PlotRange{1, 9};
        QTest::newRow("in about a quarter keeps it in place")
            << PlotRange{2, 6} << 3.0 << 0.5 << PlotRange{2.5, 4.5};
        QTest::newRow("in stops at the minimum span")
            << PlotRange{4, 6} << 5.0 << 0.8 << PlotRange{4, 6};
        QTest::newRow("out stops at the full range")
            << PlotRange{1, 9} << 5.0 << 1.25 << PlotRange{0, 10};
        QTest::newRow("out at the end stays inside")
            << PlotRange{8, 10} << 10.0 << 1.25 << PlotRange{7.5, 10};
    }
    void zoomedRange()
    {
        QFETCH(PlotRange, view);
        QFETCH(double, anchor);
        QFETCH(double, factor);
        QFETCH(PlotRange, expected);
        const PlotRange zoomed = PlotGeometry::zoomedRange(view, {0, 10}, anchor, factor, 2.0);
        QVERIFY2(qAbs(zoomed.lower - expected.lower) < 1e-12 &&
                     qAbs(zoomed.upper - expected.upper) < 1e-12,
                 qPrintable(QStringLiteral("%1 … %2").arg(zoomed.lower).arg(zoomed.upper)));
    }

    void shiftedRangeStopsAtTheEnds()
    {
        QCOMPARE(PlotGeometry::shiftedRange({2, 4}, {0, 10}, 1.5), (PlotRange{3.5, 5.5}));
        QCOMPARE(PlotGeometry::shiftedRange({2, 4}, {0, 10}, -5), (PlotRange{0, 2}));
        QCOMPARE(PlotGeometry::shiftedRange({2, 4}, {0, 10}, 9), (PlotRange{8, 10}));
    }
};

QTEST_APPLESS_MAIN(TestSpectrumChartRange)
#include "tst_SpectrumChartRange.moc"
