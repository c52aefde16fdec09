#pragma once

#include <QImage>
#include <QQuickPaintedItem>
#include <QRectF>
#include <QSize>
#include <QtQml/qqmlregistration.h>

namespace orvi::ui::items {

// Paints a fixed image (a map, a figure) fitted into the item with its aspect ratio kept. The
// view can be zoomed (1 shows the whole fitted frame) and panned by fractions of the fitted
// frame; the painting is clipped to the item, so a zoomed frame never needs a larger texture.
class StaticFrameItem : public QQuickPaintedItem
{
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(QImage image READ image WRITE setImage NOTIFY imageChanged)
    Q_PROPERTY(bool hasFrame READ hasFrame NOTIFY imageChanged)
    Q_PROPERTY(QSize frameSize READ frameSize NOTIFY imageChanged)
    Q_PROPERTY(QRectF paintedRect READ paintedRect NOTIFY paintedRectChanged)
    Q_PROPERTY(qreal zoom READ zoom WRITE setZoom NOTIFY viewChanged)
    Q_PROPERTY(qreal panX READ panX WRITE setPanX NOTIFY viewChanged)
    Q_PROPERTY(qreal panY READ panY WRITE setPanY NOTIFY viewChanged)
    // The frame's rectangle after zoom and pan, in item coordinates (may exceed the item).
    Q_PROPERTY(QRectF viewRect READ viewRect NOTIFY paintedRectChanged)

public:
    explicit StaticFrameItem(QQuickItem* parent = nullptr);

    QImage image() const { return m_image; }
    void setImage(const QImage& image);
    bool hasFrame() const { return !m_image.isNull(); }
    QSize frameSize() const { return m_image.size(); }
    QRectF paintedRect() const;
    qreal zoom() const { return m_zoom; }
    void setZoom(qreal zoom);
    qreal panX() const { return m_panX; }
    void setPanX(qreal panX);
    qreal panY() const { return m_panY; }
    void setPanY(qreal panY);
    QRectF viewRect() const;

    void paint(QPainter* painter) override;

signals:
    void imageChanged();
    void paintedRectChanged();
    void viewChanged();

protected:
    void geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry) override;

private:
    void viewUpdated();

    QImage m_image;
    qreal m_zoom = 1.0;
    qreal m_panX = 0.0;
    qreal m_panY = 0.0;
};

} // namespace orvi::ui::items
