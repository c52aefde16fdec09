#include "controllers/items/LinePlotItem.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPolygonF>
#include <QVariantMap>
#include <algorithm>
#include <cmath>
#include <limits>

namespace orvi::ui::items {
namespace {

using reports::ChartFrame;
using reports::ChartPainter;

// Screen pixels per typographic point of the shared chart drawing.
constexpr double kUnit = 1.3;
constexpr double kTopMargin = 30.0;
constexpr double kRightMargin = 16.0;

int xTickTarget(double width)
{
    return std::max(3, int(width / 90.0));
}

int yTickTarget(double height)
{
    return std::max(3, int(height / 50.0));
}

double number(const QVariantMap& map, const QString& key)
{
    bool ok = false;
    const double value = map.value(key).toDouble(&ok);
    return ok ? value : std::numeric_limits<double>::quiet_NaN();
}

} // namespace

LinePlotItem::LinePlotItem(QQuickItem* parent) : QQuickPaintedItem(parent)
{
    setAntialiasing(true);
}

void LinePlotItem::setSamples(const QVariantList& samples)
{
    m_samples = samples;
    contentUpdated();
}

void LinePlotItem::setXKey(const QString& key)
{
    if (key == m_xKey)
        return;
    m_xKey = key;
    contentUpdated();
}

void LinePlotItem::setValidKey(const QString& key)
{
    if (key == m_validKey)
        return;
    m_validKey = key;
    contentUpdated();
}

void LinePlotItem::setCurves(const QVariantList& curves)
{
    m_curves = curves;
    contentUpdated();
}

void LinePlotItem::setMarkers(const QVariantList& markers)
{
    m_markers = markers;
    contentUpdated();
}

void LinePlotItem::setMarkerColor(const QColor& color)
{
    if (color == m_markerColor)
        return;
    m_markerColor = color;
    contentUpdated();
}

void LinePlotItem::setSpanLower(qreal value)
{
    if (value == m_spanLower)
        return;
    m_spanLower = value;
    contentUpdated();
}

void LinePlotItem::setSpanUpper(qreal value)
{
    if (value == m_spanUpper)
        return;
    m_spanUpper = value;
    contentUpdated();
}

void LinePlotItem::setSpanColor(const QColor& color)
{
    if (color == m_spanColor)
        return;
    m_spanColor = color;
    contentUpdated();
}

void LinePlotItem::setBackgroundColor(const QColor& color)
{
    if (color == m_backgroundColor)
        return;
    m_backgroundColor = color;
    contentUpdated();
}

void LinePlotItem::setXTitle(const QString& title)
{
    if (title == m_xTitle)
        return;
    m_xTitle = title;
    contentUpdated();
}

void LinePlotItem::setYTitle(const QString& title)
{
    if (title == m_yTitle)
        return;
    m_yTitle = title;
    contentUpdated();
}

void LinePlotItem::setZeroBased(bool zeroBased)
{
    if (zeroBased == m_zeroBased)
        return;
    m_zeroBased = zeroBased;
    contentUpdated();
}

void LinePlotItem::setFullLower(qreal value)
{
    if (!std::isfinite(value) || value == m_full.lower)
        return;
    m_full.lower = value;
    fullRangeUpdated();
}

void LinePlotItem::setFullUpper(qreal value)
{
    if (!std::isfinite(value) || value == m_full.upper)
        return;
    m_full.upper = value;
    fullRangeUpdated();
}

void LinePlotItem::setMinimumSpan(qreal span)
{
    if (!std::isfinite(span) || span == m_minimumSpan)
        return;
    m_minimumSpan = span;
    emit rangeChanged();
}

// New data extents show everything again: an old zoom may not lie inside them.
void LinePlotItem::fullRangeUpdated()
{
    m_view = m_full;
    emit rangeChanged();
    contentUpdated();
}

qreal LinePlotItem::valueAt(qreal x) const
{
    if (m_plotRect.width() <= 0.0)
        return m_view.lower;
    return m_view.lower + (x - m_plotRect.left()) / m_plotRect.width() * m_view.span();
}

void LinePlotItem::zoomAt(qreal x, qreal factor)
{
    setView(PlotGeometry::zoomedRange(m_view, m_full, valueAt(x), factor, m_minimumSpan));
}

void LinePlotItem::panBy(qreal dx)
{
    if (m_plotRect.width() <= 0.0)
        return;
    setView(PlotGeometry::shiftedRange(m_view, m_full, -dx / m_plotRect.width() * m_view.span()));
}

void LinePlotItem::resetRange()
{
    setView(m_full);
}

bool LinePlotItem::setRange(qreal lower, qreal upper)
{
    if (!std::isfinite(lower) || !std::isfinite(upper) || lower < m_full.lower ||
        upper > m_full.upper || lower >= upper)
        return false;
    setView({lower, upper});
    return true;
}

void LinePlotItem::setView(PlotRange view)
{
    if (view == m_view)
        return;
    m_view = view;
    emit rangeChanged();
    contentUpdated();
}

void LinePlotItem::contentUpdated()
{
    updateLayout();
    emit contentChanged();
    update();
}

void LinePlotItem::geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry)
{
    QQuickPaintedItem::geometryChange(newGeometry, oldGeometry);
    updateLayout();
}

LinePlotItem::ValueRange LinePlotItem::visibleValueRange() const
{
    double lowest = std::numeric_limits<double>::infinity();
    double highest = -lowest;
    for (const QVariant& sample : m_samples) {
        const QVariantMap map = sample.toMap();
        const double x = number(map, m_xKey);
        if (!(x >= m_view.lower && x <= m_view.upper))
            continue;
        for (const QVariant& curve : m_curves) {
            const QVariantMap keys = curve.toMap();
            for (const char* key : {"lowKey", "highKey"}) {
                const double value = number(map, keys.value(QLatin1String(key)).toString());
                if (std::isfinite(value)) {
                    lowest = std::min(lowest, value);
                    highest = std::max(highest, value);
                }
            }
        }
    }
    if (!std::isfinite(lowest))
        return {0.0, 1.0};
    if (m_zeroBased)
        lowest = std::min(lowest, 0.0);
    double span = highest - lowest;
    if (!(span > 0.0)) {
        span = std::max(std::abs(highest) * 0.2, 1e-9);
        lowest -= span / 2.0;
    }
    // A margin keeps extremes off the frame; a zero base stays on it.
    const double pad = span * 0.06;
    return {m_zeroBased && lowest >= 0.0 ? lowest : lowest - pad, lowest + span + pad};
}

// Margins follow the tick labels and titles, so that nothing is cut off whatever the values.
void LinePlotItem::updateLayout()
{
    m_values = visibleValueRange();
    QPainter idle; // the fonts only; nothing is drawn
    const ChartPainter metricsSource(idle, kUnit);
    const QFontMetricsF tickMetrics(metricsSource.font(8.5));
    const QFontMetricsF titleMetrics(metricsSource.font(10));
    const double bottom =
        metricsSource.px(3.5 + 3.0) + tickMetrics.height() + titleMetrics.height() + 6.0;
    const double plotHeight = std::max(1.0, height() - kTopMargin - bottom);
    const reports::AxisTicks ticks =
        reports::niceTicks(m_values.lower, m_values.upper, yTickTarget(plotHeight));
    double widest = 0.0;
    for (const double value : ticks.values)
        widest =
            std::max(widest, tickMetrics.horizontalAdvance(reports::tickLabel(value, ticks.step)));
    const double left = widest + metricsSource.px(3.5 + 6.0) + titleMetrics.height() + 6.0;
    const QRectF plot(left, kTopMargin, std::max(1.0, width() - left - kRightMargin), plotHeight);
    if (plot != m_plotRect) {
        m_plotRect = plot;
        emit plotRectChanged();
    }
}

void LinePlotItem::paint(QPainter* painter)
{
    painter->fillRect(boundingRect(), m_backgroundColor);
    if (m_plotRect.width() <= 1.0 || m_plotRect.height() <= 1.0)
        return;
    const ChartFrame frame{m_plotRect, m_view.lower, m_view.upper, m_values.lower, m_values.upper};
    if (m_spanLower < m_spanUpper) {
        const double left = std::max(frame.mapX(m_spanLower), m_plotRect.left());
        const double right = std::min(frame.mapX(m_spanUpper), m_plotRect.right());
        if (right > left)
            painter->fillRect(QRectF(left, m_plotRect.top(), right - left, m_plotRect.height()),
                              m_spanColor);
    }
    ChartPainter chart(*painter, kUnit);
    chart.drawAxes(frame, m_xTitle, m_yTitle, xTickTarget(m_plotRect.width()),
                   yTickTarget(m_plotRect.height()));
    paintCurves(painter, frame);
    paintMarkers(painter, frame);
    paintLegend(painter);
}

void LinePlotItem::paintCurves(QPainter* painter, const ChartFrame& frame) const
{
    painter->save();
    painter->setClipRect(m_plotRect.adjusted(0.0, -1.0, 0.0, 1.0));
    painter->setRenderHint(QPainter::Antialiasing, true);
    // One polyline per run with a one-pixel pen: that takes the rasteriser's fast path, while a
    // wider pen strokes the whole zigzag as one outline (about 100 times slower for 2048 buckets).
    const auto flush = [painter](QPolygonF* run) {
        if (run->size() > 1)
            painter->drawPolyline(*run);
        run->clear();
    };
    for (const QVariant& curve : m_curves) {
        const QVariantMap keys = curve.toMap();
        const QString lowKey = keys.value(QStringLiteral("lowKey")).toString();
        const QString highKey = keys.value(QStringLiteral("highKey")).toString();
        painter->setPen(QPen(keys.value(QStringLiteral("color")).value<QColor>(), 1.0));
        QPolygonF run;
        for (const QVariant& sample : m_samples) {
            const QVariantMap map = sample.toMap();
            const double x = number(map, m_xKey);
            const double low = number(map, lowKey);
            const double high = number(map, highKey);
            const bool valid = m_validKey.isEmpty() || map.value(m_validKey).toBool();
            if (!valid || !std::isfinite(x) || !std::isfinite(low) || !std::isfinite(high)) {
                flush(&run); // a gap is shown as a gap, never bridged
                continue;
            }
            run.append(QPointF(frame.mapX(x), frame.mapY(low)));
            if (high != low)
                run.append(QPointF(frame.mapX(x), frame.mapY(high)));
        }
        flush(&run);
    }
    painter->restore();
}

void LinePlotItem::paintMarkers(QPainter* painter, const ChartFrame& frame) const
{
    ChartPainter chart(*painter, kUnit);
    for (const QVariant& marker : m_markers) {
        const QVariantMap map = marker.toMap();
        const double x = number(map, QStringLiteral("x"));
        if (!(x >= m_view.lower && x <= m_view.upper))
            continue;
        const double sx = frame.mapX(x);
        const QColor color = map.contains(QStringLiteral("color"))
                                 ? map.value(QStringLiteral("color")).value<QColor>()
                                 : m_markerColor;
        painter->save();
        painter->setPen(QPen(color, 1.2, Qt::DashLine));
        painter->drawLine(QPointF(sx, m_plotRect.top()), QPointF(sx, m_plotRect.bottom()));
        painter->restore();
        const QString label = map.value(QStringLiteral("label")).toString();
        if (!label.isEmpty())
            chart.drawCallout(QPointF(sx, m_plotRect.top() - 2.0), label, 8.5, color,
                              boundingRect());
    }
}

void LinePlotItem::paintLegend(QPainter* painter) const
{
    const ChartPainter chart(*painter, kUnit);
    const QFont font = chart.font(8.5);
    const QFontMetricsF metrics(font);
    double x = m_plotRect.left();
    const double y = m_plotRect.top() - metrics.height() - 6.0;
    painter->save();
    painter->setFont(font);
    for (const QVariant& curve : m_curves) {
        const QVariantMap map = curve.toMap();
        const QString label = map.value(QStringLiteral("label")).toString();
        if (label.isEmpty())
            continue;
        const QColor color = map.value(QStringLiteral("color")).value<QColor>();
        painter->setPen(QPen(color, 2.5));
        const double middle = y + metrics.height() / 2.0;
        painter->drawLine(QPointF(x, middle), QPointF(x + 18.0, middle));
        painter->setPen(QColor(35, 38, 44));
        const double width = metrics.horizontalAdvance(label);
        painter->drawText(QRectF(x + 22.0, y, width + 2.0, metrics.height()),
                          Qt::AlignLeft | Qt::AlignVCenter, label);
        x += 22.0 + width + 16.0;
    }
    painter->restore();
}

} // namespace orvi::ui::items
