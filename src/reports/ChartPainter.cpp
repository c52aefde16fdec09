#include "reports/ChartPainter.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace orvi::reports {
namespace {

const QColor kAxisColor(60, 64, 72);
const QColor kGridColor(225, 228, 233);
const QColor kTextColor(35, 38, 44);

} // namespace

AxisTicks niceTicks(double low, double high, int targetCount)
{
    AxisTicks ticks;
    if (!std::isfinite(low) || !std::isfinite(high) || high <= low)
        return ticks;
    const double rough = (high - low) / std::max(targetCount, 1);
    const double magnitude = std::pow(10.0, std::floor(std::log10(rough)));
    double step = magnitude;
    for (const double factor : {1.0, 2.0, 2.5, 5.0, 10.0}) {
        step = factor * magnitude;
        if (step >= rough)
            break;
    }
    ticks.step = step;
    const double first = std::ceil(low / step - 1e-9) * step;
    for (double v = first; v <= high + step * 1e-9; v += step)
        ticks.values.push_back(std::abs(v) < step * 1e-9 ? 0.0 : v);
    return ticks;
}

QString tickLabel(double value, double step, const QLocale& locale)
{
    int decimals = 0;
    if (step > 0.0 && std::isfinite(step)) {
        decimals = std::max(0, -int(std::floor(std::log10(step) + 1e-9)));
        // Steps like 2.5 x 10^k need one more digit.
        const double scaled = step * std::pow(10.0, decimals);
        if (std::abs(scaled - std::round(scaled)) > 1e-6)
            ++decimals;
    }
    return locale.toString(value, 'f', std::min(decimals, 10));
}

double ChartFrame::mapX(double x) const
{
    const double span = xMax - xMin;
    return plot.left() + (span > 0.0 ? (x - xMin) / span : 0.0) * plot.width();
}

double ChartFrame::mapY(double y) const
{
    const double span = yMax - yMin;
    return plot.bottom() - (span > 0.0 ? (y - yMin) / span : 0.0) * plot.height();
}

ChartPainter::ChartPainter(QPainter& painter, double unit) : m_painter(painter), m_unit(unit) {}

QFont ChartPainter::font(double points, bool bold) const
{
    QFont f(QStringLiteral("Arial"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(std::max(1, int(std::lround(px(points)))));
    f.setBold(bold);
    return f;
}

void ChartPainter::drawAxes(const ChartFrame& frame, const QString& xTitle, const QString& yTitle,
                            int xTickTarget, int yTickTarget)
{
    const QRectF& plot = frame.plot;
    const AxisTicks xTicks = niceTicks(frame.xMin, frame.xMax, xTickTarget);
    const AxisTicks yTicks = niceTicks(frame.yMin, frame.yMax, yTickTarget);

    m_painter.save();
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    m_painter.setPen(QPen(kGridColor, std::max(1.0, px(0.5))));
    for (const double x : xTicks.values)
        m_painter.drawLine(QPointF(frame.mapX(x), plot.top()),
                           QPointF(frame.mapX(x), plot.bottom()));
    for (const double y : yTicks.values)
        m_painter.drawLine(QPointF(plot.left(), frame.mapY(y)),
                           QPointF(plot.right(), frame.mapY(y)));

    m_painter.setPen(QPen(kAxisColor, std::max(1.0, px(0.8))));
    m_painter.setBrush(Qt::NoBrush);
    m_painter.drawRect(plot);

    const QFont tickFont = font(8.5);
    m_painter.setFont(tickFont);
    const QFontMetricsF metrics(tickFont);
    const double tickLength = px(3.5);
    double lastRight = -1e300;
    for (const double x : xTicks.values) {
        const double sx = frame.mapX(x);
        m_painter.drawLine(QPointF(sx, plot.bottom()), QPointF(sx, plot.bottom() + tickLength));
        const QString label = tickLabel(x, xTicks.step, m_locale);
        const double width = metrics.horizontalAdvance(label);
        const QRectF box(sx - width / 2.0, plot.bottom() + tickLength + px(1.5), width,
                         metrics.height());
        if (box.left() < lastRight + px(4))
            continue; // never let tick labels collide
        m_painter.setPen(kTextColor);
        m_painter.drawText(box, Qt::AlignCenter, label);
        m_painter.setPen(QPen(kAxisColor, std::max(1.0, px(0.8))));
        lastRight = box.right();
    }
    double widestY = 0.0;
    for (const double y : yTicks.values) {
        const double sy = frame.mapY(y);
        m_painter.drawLine(QPointF(plot.left() - tickLength, sy), QPointF(plot.left(), sy));
        const QString label = tickLabel(y, yTicks.step, m_locale);
        const double width = metrics.horizontalAdvance(label);
        widestY = std::max(widestY, width);
        m_painter.setPen(kTextColor);
        m_painter.drawText(QRectF(plot.left() - tickLength - px(2) - width,
                                  sy - metrics.height() / 2.0, width, metrics.height()),
                           Qt::AlignRight | Qt::AlignVCenter, label);
        m_painter.setPen(QPen(kAxisColor, std::max(1.0, px(0.8))));
    }

    const QFont titleFont = font(10);
    const QFontMetricsF titleMetrics(titleFont);
    m_painter.setFont(titleFont);
    m_painter.setPen(kTextColor);
    const double xTitleTop = plot.bottom() + tickLength + px(3) + metrics.height();
    m_painter.drawText(QRectF(plot.left(), xTitleTop, plot.width(), titleMetrics.height()),
                       Qt::AlignHCenter | Qt::AlignTop, xTitle);

    m_painter.translate(plot.left() - tickLength - px(6) - widestY - titleMetrics.descent(),
                        plot.center().y());
    m_painter.rotate(-90.0);
    // A short plot (a small window) shows the title's beginning rather than its middle.
    m_painter.drawText(
        QRectF(-plot.height() / 2.0, -titleMetrics.height(), plot.height(), titleMetrics.height()),
        Qt::AlignHCenter | Qt::AlignBottom,
        titleMetrics.elidedText(yTitle, Qt::ElideRight, plot.height()));
    m_painter.restore();
}

void ChartPainter::drawColorBar(const QRectF& bar, const std::function<QColor(double)>& colorAt,
                                const std::vector<ColorBarTick>& ticks, const QString& title)
{
    m_painter.save();
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    const int steps = std::max(2, int(bar.width()));
    for (int i = 0; i < steps; ++i) {
        const double t = (i + 0.5) / steps;
        const QRectF slice(bar.left() + bar.width() * i / steps, bar.top(),
                           bar.width() / steps + 1.0, bar.height());
        m_painter.fillRect(slice, colorAt(t));
    }
    m_painter.setPen(QPen(kAxisColor, std::max(1.0, px(0.6))));
    m_painter.setBrush(Qt::NoBrush);
    m_painter.drawRect(bar);

    const QFont tickFont = font(8.5);
    const QFontMetricsF metrics(tickFont);
    m_painter.setFont(tickFont);
    for (const auto& [position, label] : ticks) {
        const double x = bar.left() + std::clamp(position, 0.0, 1.0) * bar.width();
        m_painter.setPen(QPen(kAxisColor, std::max(1.0, px(0.6))));
        m_painter.drawLine(QPointF(x, bar.bottom()), QPointF(x, bar.bottom() + px(3)));
        const double width = metrics.horizontalAdvance(label);
        m_painter.setPen(kTextColor);
        m_painter.drawText(QRectF(x - width / 2.0, bar.bottom() + px(4), width, metrics.height()),
                           Qt::AlignCenter, label);
    }
    const QFont titleFont = font(10, true);
    m_painter.setFont(titleFont);
    const QFontMetricsF titleMetrics(titleFont);
    m_painter.drawText(QRectF(bar.left(), bar.top() - px(3) - titleMetrics.height(), bar.width(),
                              titleMetrics.height()),
                       Qt::AlignHCenter | Qt::AlignBottom, title);
    m_painter.restore();
}

QRectF ChartPainter::drawCallout(const QPointF& anchor, const QString& text, double points,
                                 const QColor& textColor, const QRectF& bounds)
{
    const QFont f = font(points, true);
    const QFontMetricsF metrics(f);
    const double padding = px(2.5);
    const double width = metrics.horizontalAdvance(text) + 2.0 * padding;
    const double height = metrics.height() + padding;
    QRectF box(anchor.x() - width / 2.0, anchor.y() - height, width, height);
    if (box.left() < bounds.left())
        box.moveLeft(bounds.left());
    if (box.right() > bounds.right())
        box.moveRight(bounds.right());
    if (box.top() < bounds.top())
        box.moveTop(bounds.top());

    m_painter.save();
    m_painter.setRenderHint(QPainter::Antialiasing, true);
    m_painter.setPen(QPen(QColor(150, 156, 166), std::max(1.0, px(0.5))));
    m_painter.setBrush(QColor(255, 255, 255, 235));
    m_painter.drawRoundedRect(box, px(2), px(2));
    m_painter.setFont(f);
    m_painter.setPen(textColor);
    m_painter.drawText(box, Qt::AlignCenter, text);
    m_painter.restore();
    return box;
}

void ChartPainter::drawFittedText(const QRectF& box, int alignment, const QString& text,
                                  double points, bool bold)
{
    QFont f = font(points, bold);
    const double needed = QFontMetricsF(f).horizontalAdvance(text);
    if (needed > box.width() && needed > 0.0)
        f.setPixelSize(std::max(1, int(f.pixelSize() * box.width() / needed * 0.98)));
    m_painter.save();
    m_painter.setFont(f);
    m_painter.setPen(kTextColor);
    m_painter.drawText(box, alignment, text);
    m_painter.restore();
}

} // namespace orvi::reports
