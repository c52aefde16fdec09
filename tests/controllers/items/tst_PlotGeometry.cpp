#include "controllers/items/PlotGeometry.h"

#include <QtTest>

using orvi::ui::items::PlotGeometry;
using orvi::ui::items::PlotRange;

Q_DECLARE_METATYPE(PlotRange)

class TestPlotGeometry : public QObject
{
    Q_OBJECT

private slots:
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

QTEST_GUILESS_MAIN(TestPlotGeometry)
#include "tst_PlotGeometry.moc"
