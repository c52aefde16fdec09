#pragma once

#include <QImage>
#include <QQuickPaintedItem>
#include <QRectF>
#include <QSize>
#include <QtQml/qqmlregistration.h>

namespace orvi::ui::items {

// Paints a fixed image (a map, a figure) fitted into the item with its aspect ratio kept.
class StaticFrameItem : public QQuickPaintedItem
{
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(QImage image READ image WRITE setImage NOTIFY imageChanged)
    Q_PROPERTY(bool hasFrame READ hasFrame NOTIFY imageChanged)
    Q_PROPERTY(QSize frameSize READ frameSize NOTIFY imageChanged)
    Q_PROPERTY(QRectF paintedRect READ paintedRect NOTIFY paintedRectChanged)

public:
    explicit StaticFrameItem(QQuickItem* parent = nullptr);

    QImage image() const { return m_image; }
    void setImage(const QImage& image);
    bool hasFrame() const { return !m_image.isNull(); }
    QSize frameSize() const { return m_image.size(); }
    QRectF paintedRect() const;

    void paint(QPainter* painter) override;

signals:
    void imageChanged();
    void paintedRectChanged();

protected:
    void geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry) override;

private:
    QImage m_image;
};

} // namespace orvi::ui::items
