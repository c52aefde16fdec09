#pragma once

#include <QColor>
#include <QFont>
#include <QLocale>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <functional>
#include <utility>
#include <vector>

class QPainter;

namespace orvi::reports {

// Tick positions at 1-2-5 multiples of a power of ten covering [low, high].
struct AxisTicks
{
    std::vector<double> values;
    double step = 0.0;
};

AxisTicks niceTicks(double low, double high, int targetCount);
// Tick text with just enough decimals for the step, in the given locale's digits.
QString tickLabel(double value, double step, const QLocale& locale = QLocale::c());

// Data window mapped onto a plot rectangle (y grows upwards).
struct ChartFrame
{
    QRectF plot;
    double xMin = 0.0;
    double xMax = 1.0;
    double yMin = 0.0;
    double yMax = 1.0;

    double mapX(double x) const;
    double mapY(double y) const;
    QPointF map(double x, double y) const { return {mapX(x), mapY(y)}; }
};

// A colour bar tick: position 0 ... 1 along the bar and its text.
using ColorBarTick = std::pair<double, QString>;

// Drawing primitives shared by the report figures. Sizes are given in typographic points and
// scaled by `unit` (image pixels per point), so that figures of any pixel size look alike.
class ChartPainter
{
public:
    ChartPainter(QPainter& painter, double unit);

    double px(double points) const { return points * m_unit; }
    // Tick labels follow this locale (the C locale unless set: report figures stay neutral).
    void setLocale(const QLocale& locale) { m_locale = locale; }
    QFont font(double points, bool bold = false) const;

    // Light grid, frame, ticks and tick labels, axis titles.
    void drawAxes(const ChartFrame& frame, const QString& xTitle, const QString& yTitle,
                  int xTickTarget = 10, int yTickTarget = 6);
    // Horizontal colour bar; the title sits above, the tick labels below.
    void drawColorBar(const QRectF& bar, const std::function<QColor(double)>& colorAt,
                      const std::vector<ColorBarTick>& ticks, const QString& title);
    // Text in a rounded box with its anchor at the bottom centre; returns the box.
    QRectF drawCallout(const QPointF& anchor, const QString& text, double points,
                       const QColor& textColor, const QRectF& bounds);
    // Text fitted into a width by reducing its size; drawn with the given alignment.
    void drawFittedText(const QRectF& box, int alignment, const QString& text, double points,
                        bool bold = false);

private:
    QPainter& m_painter;
    double m_unit;
    QLocale m_locale = QLocale::c();
};

} // namespace orvi::reports
