#include "controllers/StaticFrameItem.h"

#include "controllers/FrameGeometry.h"

#include <QPainter>

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

void StaticFrameItem::paint(QPainter* painter)
{
    const QRectF target = paintedRect();
    if (target.isEmpty())
        return;
    painter->setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter->drawImage(target, m_image);
}

void StaticFrameItem::geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry)
{
    QQuickPaintedItem::geometryChange(newGeometry, oldGeometry);
    emit paintedRectChanged();
    update();
}

} // namespace orvi::ui::items
