#pragma once

#include "controllers/SpectrumController.h"

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QPointer>
#include <QQuickPaintedItem>
#include <QRectF>
#include <QtQml/qqmlregistration.h>
#include <vector>

namespace orvi::ui::items {

// The analysis points of a spectrum analysis as markers over its first frame, painted in one
// pass and read straight from the controller: a few thousand points cost one item, not a few
// thousand, and no script conversion of the point list. Placed through `frameRect`, the frame's
// rectangle in item coordinates (it may exceed the item, when zoomed).
class SiteMarkersItem : public QQuickPaintedItem
{
    Q_OBJECT
    QML_ELEMENT

    Q_PROPERTY(orvi::ui::controllers::SpectrumController* spectrum READ spectrum WRITE setSpectrum
                   NOTIFY spectrumChanged)
    Q_PROPERTY(QRectF frameRect READ frameRect WRITE setFrameRect NOTIFY frameRectChanged)
    Q_PROPERTY(
        int selectedIndex READ selectedIndex WRITE setSelectedIndex NOTIFY selectedIndexChanged)
    Q_PROPERTY(int count READ count NOTIFY markersChanged)
    Q_PROPERTY(QColor acceptedColor MEMBER m_acceptedColor NOTIFY colorsChanged)
    Q_PROPERTY(QColor excludedColor MEMBER m_excludedColor NOTIFY colorsChanged)
    Q_PROPERTY(QColor outlineColor MEMBER m_outlineColor NOTIFY colorsChanged)
    Q_PROPERTY(QColor selectionColor MEMBER m_selectionColor NOTIFY colorsChanged)

public:
    // A marker is 20 px across with a 10 px dot; a click within 10 px of its centre picks it.
    static constexpr qreal kMarkerRadius = 10.0;
    static constexpr qreal kDotRadius = 5.0;

    explicit SiteMarkersItem(QQuickItem* parent = nullptr);

    controllers::SpectrumController* spectrum() const { return m_spectrum; }
    void setSpectrum(controllers::SpectrumController* spectrum);
    QRectF frameRect() const { return m_frameRect; }
    void setFrameRect(const QRectF& rect);
    int selectedIndex() const { return m_selectedIndex; }
    void setSelectedIndex(int index);
    int count() const { return int(m_markers.size()); }

    // The marker nearest to an item point within kMarkerRadius (the later one on equal
    // distance), −1 when none is that close.
    Q_INVOKABLE int markerAt(QPointF at) const;
    // A marker's centre in item coordinates.
    Q_INVOKABLE QPointF markerCenter(int index) const;
    Q_INVOKABLE bool markerAccepted(int index) const;

    void paint(QPainter* painter) override;

signals:
    void spectrumChanged();
    void frameRectChanged();
    void selectedIndexChanged();
    void markersChanged();
    void colorsChanged();

private:
    struct Marker
    {
        QPointF position; // frame fractions
        bool accepted = false;
    };

    void rebuildMarkers();
    QImage dotImage(const QColor& fill, qreal ratio) const;

    QPointer<controllers::SpectrumController> m_spectrum;
    QMetaObject::Connection m_connection;
    std::vector<Marker> m_markers;
    QRectF m_frameRect;
    int m_selectedIndex = -1;
    QColor m_acceptedColor{Qt::green};
    QColor m_excludedColor{Qt::red};
    QColor m_outlineColor{Qt::black};
    QColor m_selectionColor{Qt::white};
};

} // namespace orvi::ui::items
