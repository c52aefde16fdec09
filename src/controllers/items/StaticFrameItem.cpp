#include "controllers/items/StaticFrameItem.h"

#include "controllers/items/FrameGeometry.h"

#include <QPainter>
#include <QtNumeric>

namespace orvi::ui::items {

StaticFrameItem::StaticFrameItem(QQuickItem* parent) : QQuickPaintedItem(parent) {}

void StaticFrameItem::setImage(const QImage& image)
{
    // The same image data again (a binding re-evaluated) repaints nothing.
    if (image.cacheKey() == m_image.cacheKey())
        return;
    m_image = image;
    emit imageChanged();
    emit paintedRectChanged();
    update();
}

QRectF StaticFrameItem::paintedRect() const
{
    return fittedFrameRect(m_image.size(), size());
}

QRectF StaticFrameItem::viewRect() const
{
    const QRectF fitted = paintedRect();
    return {fitted.x() + m_panX * fitted.width(), fitted.y() + m_panY * fitted.height(),
            fitted.width() * m_zoom, fitted.height() * m_zoom};
}

void StaticFrameItem::setZoom(qreal zoom)
{
    if (!qIsFinite(zoom) || zoom <= 0.0 || zoom == m_zoom)
        return;
    m_zoom = zoom;
    viewUpdated();
}

void StaticFrameItem::setPanX(qreal panX)
{
    if (!qIsFinite(panX) || panX == m_panX)
        return;
    m_panX = panX;
    viewUpdated();
}

void StaticFrameItem::setPanY(qreal panY)
{
    if (!qIsFinite(panY) || panY == m_panY)
        return;
    m_panY = panY;
    viewUpdated();
}

void StaticFrameItem::viewUpdated()
{
    emit viewChanged();
    emit paintedRectChanged();
    update();
}

void StaticFrameItem::paint(QPainter* painter)
{
    const QRectF target = viewRect();
    if (target.isEmpty())
        return;
    painter->setClipRect(boundingRect());
    // Smoothing blurs the cells of a strongly zoomed map; show them as they are.
    painter->setRenderHint(QPainter::SmoothPixmapTransform, m_zoom < 2.0);
    painter->drawImage(target, m_image);
}

void StaticFrameItem::geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry)
{
    QQuickPaintedItem::geometryChange(newGeometry, oldGeometry);
    emit paintedRectChanged();
    update();
}

} // namespace orvi::ui::items
