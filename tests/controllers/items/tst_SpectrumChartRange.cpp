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

// The chart's visible range, zoom and pointer bands over a result from 0.5 to 60 Hz unless a
// row says otherwise; the line plots' zoom and marker picking.
class TestSpectrumChartRange : public QObject
{
    Q_OBJECT

private slots:
    void zoom()
    {
        struct Case
        {
            double step, lower, upper, fraction;
            bool zoomIn;
            int turns;
            double expectedLower, expectedUpper;
        };
        // Zooming in about 30.25 Hz stops at four 0.5 Hz steps; the pointer's frequency keeps
        // its place; zooming out at the edge stays inside the range and never passes it; a
        // range narrower than four steps is not zoomed.
        for (const Case& c : {Case{0.5, 0.5, 60.0, 0.5, true, 60, 29.25, 31.25},
                              {0.1, 10.0, 20.0, 0.25, true, 1, 10.5, 18.5},
                              {0.1, 52.0, 60.0, 0.5, false, 1, 50.0, 60.0},
                              {0.1, 20.0, 21.0, 0.3, false, 40, 0.5, 60.0},
                              {20.0, 0.5, 60.0, 0.5, true, 3, 0.5, 60.0}}) {
            SpectrumChartRange range;
            range.setLimits(0.5, 60.0, c.step);
            QVERIFY(range.setView(c.lower, c.upper));
            for (int turn = 0; turn < c.turns; ++turn)
                range.zoomAbout(c.fraction, c.zoomIn);
            QVERIFY2(near(range.lower(), c.expectedLower) && near(range.upper(), c.expectedUpper),
                     qPrintable(QStringLiteral("%1 - %2").arg(range.lower()).arg(range.upper())));
        }
    }

    // A drag and a click on the real chart: the window's gesture test. Here the edges: a band
    // ends at the result's limits, and a zero step still gives one.
    void pointerBandEdges()
    {
        SpectrumChartRange range;
        range.setLimits(0.5, 60.0, 0.4);
        const FrequencyBand drafted = range.draftBand(0.6, 59.9);
        QVERIFY(near(drafted.lower, 0.5) && near(drafted.upper, 60.0));
        range.setLimits(0.5, 60.0, 0.0);
        const FrequencyBand bin = range.oneBinBand(10.0);
        QVERIFY(near(bin.lower, 10.0 - 5e-7) && near(bin.upper, 10.0 + 5e-7));
    }

    void views_data()
    {
        QTest::addColumn<double>("minimum");
        QTest::addColumn<double>("maximum");
        QTest::addColumn<double>("lower");
        QTest::addColumn<double>("upper");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("the whole range") << 0.5 << 60.0 << 0.5 << 60.0 << true;
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

    void nearestPoint()
    {
        const std::vector<double> bins{0.5, 1.0, 1.5, 2.0, 2.5};
        // The nearer neighbour, the higher at equal distance, the ends beyond them.
        for (const auto& [hz, expected] : {std::pair{1.2, 1}, {1.25, 2}, {0.0, 0}, {9.0, 4}})
            QCOMPARE(SpectrumChartRange::nearestIndex(bins, hz), expected);
        QCOMPARE(SpectrumChartRange::nearestIndex({}, 1.0), -1);
    }

    void frequencyDecimals()
    {
        // One more than the step's first digit, never negative, at most five (a zero step too).
        for (const auto& [step, decimals] :
             {std::pair{0.0234, 3}, {1.0, 1}, {20.0, 0}, {1e-9, 5}, {0.0, 5}})
            QCOMPARE(SpectrumChartRange::frequencyDecimals(step), decimals);
    }

    void nearestMarker()
    {
        const auto nearest = [](const std::vector<QPointF>& markers, QPointF at) {
            return PlotGeometry::nearestMarker(markers, at, 10.0);
        };
        const std::vector<QPointF> pair{{100, 100}, {120, 100}};
        QCOMPARE(nearest(pair, {100, 110.5}), -1);                  // beyond the radius
        QCOMPARE(nearest(pair, {100, 110}), 0);                     // on the radius
        QCOMPARE(nearest({{100, 100}, {108, 100}}, {103, 101}), 0); // the nearer of two
        QCOMPARE(nearest(pair, {110, 100}), 1);                     // equal distance: the later
        QCOMPARE(nearest({}, {0, 0}), -1);
    }

    // Full range 0 … 10 s, at least 2 s visible; then shifts stopped at the ends.
    void zoomedAndShiftedRanges()
    {
        struct Case
        {
            PlotRange view;
            double anchor, factor;
            PlotRange expected;
        };
        // About the middle; about a quarter, which keeps its place; in, stopped at the minimum
        // span; out, stopped at the full range; out at the end, inside it.
        for (const Case& c : {Case{{0, 10}, 5.0, 0.8, {1, 9}},
                              {{2, 6}, 3.0, 0.5, {2.5, 4.5}},
                              {{4, 6}, 5.0, 0.8, {4, 6}},
                              {{1, 9}, 5.0, 1.25, {0, 10}},
                              {{8, 10}, 10.0, 1.25, {7.5, 10}}}) {
            const PlotRange zoomed =
                PlotGeometry::zoomedRange(c.view, {0, 10}, c.anchor, c.factor, 2.0);
            QVERIFY2(near(zoomed.lower, c.expected.lower) && near(zoomed.upper, c.expected.upper),
                     qPrintable(QStringLiteral("%1 … %2").arg(zoomed.lower).arg(zoomed.upper)));
        }
        QCOMPARE(PlotGeometry::shiftedRange({2, 4}, {0, 10}, 1.5), (PlotRange{3.5, 5.5}));
        QCOMPARE(PlotGeometry::shiftedRange({2, 4}, {0, 10}, -5), (PlotRange{0, 2}));
        QCOMPARE(PlotGeometry::shiftedRange({2, 4}, {0, 10}, 9), (PlotRange{8, 10}));
    }
};

QTEST_APPLESS_MAIN(TestSpectrumChartRange)
#include "tst_SpectrumChartRange.moc"
