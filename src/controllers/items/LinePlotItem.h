#pragma once

#include "controllers/items/PlotGeometry.h"
#include "reports/ChartPainter.h"

#include <QColor>
#include <QQuickPaintedItem>
#include <QRectF>
#include <QString>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

namespace orvi::ui::items {

// A line plot of samples handed over as maps: `xKey` names the abscissa, each curve names the
// keys of its lower and upper value (the same key for a plain line, two for a decimated
// envelope) and samples whose `validKey` is false break the lines. Vertical markers, a shaded
// span and axes with ticks and titles complete it. The visible x range zooms and pans within
// the full range; the y range follows the visible samples.
class LinePlotItem : public QQuickPaintedItem
{
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(QVariantList samples READ samples WRITE setSamples NOTIFY contentChanged)
    Q_PROPERTY(QString xKey READ xKey WRITE setXKey NOTIFY contentChanged)
    Q_PROPERTY(QString validKey READ validKey WRITE setValidKey NOTIFY contentChanged)
    // Maps with "lowKey", "highKey", "color" and "label".
    Q_PROPERTY(QVariantList curves READ curves WRITE setCurves NOTIFY contentChanged)
    // Maps with "x", an optional "label" drawn above the plot area and an optional "color"
    // (markerColor otherwise).
    Q_PROPERTY(QVariantList markers READ markers WRITE setMarkers NOTIFY contentChanged)
    Q_PROPERTY(QColor markerColor READ markerColor WRITE setMarkerColor NOTIFY contentChanged)
    // Shaded between the two values; nothing when lower ≥ upper.
    Q_PROPERTY(qreal spanLower READ spanLower WRITE setSpanLower NOTIFY contentChanged)
    Q_PROPERTY(qreal spanUpper READ spanUpper WRITE setSpanUpper NOTIFY contentChanged)
    Q_PROPERTY(QColor spanColor READ spanColor WRITE setSpanColor NOTIFY contentChanged)
    Q_PROPERTY(
        QColor backgroundColor READ backgroundColor WRITE setBackgroundColor NOTIFY contentChanged)
    Q_PROPERTY(QString xTitle READ xTitle WRITE setXTitle NOTIFY contentChanged)
    Q_PROPERTY(QString yTitle READ yTitle WRITE setYTitle NOTIFY contentChanged)
    // The y axis starts at zero (powers) instead of following the smallest value.
    Q_PROPERTY(bool zeroBased READ zeroBased WRITE setZeroBased NOTIFY contentChanged)
    Q_PROPERTY(qreal fullLower READ fullLower WRITE setFullLower NOTIFY rangeChanged)
    Q_PROPERTY(qreal fullUpper READ fullUpper WRITE setFullUpper NOTIFY rangeChanged)
    Q_PROPERTY(qreal minimumSpan READ minimumSpan WRITE setMinimumSpan NOTIFY rangeChanged)
    Q_PROPERTY(qreal viewLower READ viewLower NOTIFY rangeChanged)
    Q_PROPERTY(qreal viewUpper READ viewUpper NOTIFY rangeChanged)
    // The data area inside the item, left of it the y axis, below it the x axis.
    Q_PROPERTY(QRectF plotRect READ plotRect NOTIFY plotRectChanged)

public:
    explicit LinePlotItem(QQuickItem* parent = nullptr);

    QVariantList samples() const { return m_samples; }
    void setSamples(const QVariantList& samples);
    QString xKey() const { return m_xKey; }
    void setXKey(const QString& key);
    QString validKey() const { return m_validKey; }
    void setValidKey(const QString& key);
    QVariantList curves() const { return m_curves; }
    void setCurves(const QVariantList& curves);
    QVariantList markers() const { return m_markers; }
    void setMarkers(const QVariantList& markers);
    QColor markerColor() const { return m_markerColor; }
    void setMarkerColor(const QColor& color);
    qreal spanLower() const { return m_spanLower; }
    void setSpanLower(qreal value);
    qreal spanUpper() const { return m_spanUpper; }
    void setSpanUpper(qreal value);
    QColor spanColor() const { return m_spanColor; }
    void setSpanColor(const QColor& color);
    QColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QColor& color);
    QString xTitle() const { return m_xTitle; }
    void setXTitle(const QString& title);
    QString yTitle() const { return m_yTitle; }
    void setYTitle(const QString& title);
    bool zeroBased() const { return m_zeroBased; }
    void setZeroBased(bool zeroBased);
    qreal fullLower() const { return m_full.lower; }
    void setFullLower(qreal value);
    qreal fullUpper() const { return m_full.upper; }
    void setFullUpper(qreal value);
    qreal minimumSpan() const { return m_minimumSpan; }
    void setMinimumSpan(qreal span);
    qreal viewLower() const { return m_view.lower; }
    qreal viewUpper() const { return m_view.upper; }
    QRectF plotRect() const { return m_plotRect; }

    // The abscissa under the item's x coordinate.
    Q_INVOKABLE qreal valueAt(qreal x) const;
    // Zooms by `factor` (below 1 in, above 1 out) about the abscissa under x.
    Q_INVOKABLE void zoomAt(qreal x, qreal factor);
    // Moves the view by a pointer movement of dx pixels (the content follows the pointer).
    Q_INVOKABLE void panBy(qreal dx);
    Q_INVOKABLE void resetRange();
    // Shows lower … upper; false, changing nothing, unless full lower ≤ lower < upper ≤ full
    // upper.
    Q_INVOKABLE bool setRange(qreal lower, qreal upper);

    void paint(QPainter* painter) override;

signals:
    void contentChanged();
    void rangeChanged();
    void plotRectChanged();

protected:
    void geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry) override;

private:
    struct ValueRange
    {
        double lower;
        double upper;
    };

    void contentUpdated();
    void setView(PlotRange view);
    void fullRangeUpdated();
    ValueRange visibleValueRange() const;
    void paintCurves(QPainter* painter, const orvi::reports::ChartFrame& frame) const;
    void paintMarkers(QPainter* painter, const orvi::reports::ChartFrame& frame) const;
    void paintLegend(QPainter* painter) const;
    void updateLayout();

    QVariantList m_samples;
    QString m_xKey;
    QString m_validKey;
    QVariantList m_curves;
    QVariantList m_markers;
    QColor m_markerColor{0x1a, 0x5f, 0xb4};
    qreal m_spanLower = 0.0;
    qreal m_spanUpper = 0.0;
    QColor m_spanColor{0x1a, 0x7f, 0x37, 40};
    QColor m_backgroundColor{Qt::white};
    QString m_xTitle;
    QString m_yTitle;
    bool m_zeroBased = false;
    PlotRange m_full{0.0, 1.0};
    PlotRange m_view{0.0, 1.0};
    qreal m_minimumSpan = 0.0;
    ValueRange m_values{0.0, 1.0};
    QRectF m_plotRect;
};

} // namespace orvi::ui::items
