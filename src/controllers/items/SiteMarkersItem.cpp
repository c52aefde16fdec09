#include "controllers/items/SiteMarkersItem.h"

#include "controllers/items/PlotGeometry.h"

#include <QPainter>
#include <QQuickWindow>
#include <cmath>

namespace orvi::ui::items {

SiteMarkersItem::SiteMarkersItem(QQuickItem* parent) : QQuickPaintedItem(parent)
{
    connect(this, &SiteMarkersItem::colorsChanged, this, [this] { update(); });
}

void SiteMarkersItem::setSpectrum(controllers::SpectrumController* spectrum)
{
    if (spectrum == m_spectrum)
        return;
    disconnect(m_connection);
    m_spectrum = spectrum;
    if (m_spectrum)
        m_connection = connect(m_spectrum, &controllers::SpectrumController::diagnosticChanged,
                               this, &SiteMarkersItem::rebuildMarkers);
    rebuildMarkers();
    emit spectrumChanged();
}

void SiteMarkersItem::setFrameRect(const QRectF& rect)
{
    if (rect == m_frameRect)
        return;
    m_frameRect = rect;
    update();
    emit frameRectChanged();
}

void SiteMarkersItem::setSelectedIndex(int index)
{
    if (index == m_selectedIndex)
        return;
    m_selectedIndex = index;
    update();
    emit selectedIndexChanged();
}

void SiteMarkersItem::rebuildMarkers()
{
    std::vector<Marker> markers;
    if (m_spectrum) {
        const auto& sites = m_spectrum->diagnosticGridSites();
        markers.reserve(sites.size());
        for (const project_data::GridSite& site : sites)
            markers.push_back({QPointF(site.sampleX, site.sampleY), site.accepted});
    }
    const bool countChanged = markers.size() != m_markers.size();
    m_markers = std::move(markers);
    update();
    if (countChanged)
        emit markersChanged();
}

QPointF SiteMarkersItem::markerCenter(int index) const
{
    if (index < 0 || index >= count())
        return {};
    const QPointF& p = m_markers[std::size_t(index)].position;
    return {m_frameRect.x() + p.x() * m_frameRect.width(),
            m_frameRect.y() + p.y() * m_frameRect.height()};
}

bool SiteMarkersItem::markerAccepted(int index) const
{
    return index >= 0 && index < count() && m_markers[std::size_t(index)].accepted;
}

QImage SiteMarkersItem::dotImage(const QColor& fill, qreal ratio) const
{
    const int side = int(std::ceil(2.0 * (kDotRadius + 1.0) * ratio));
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(m_outlineColor, 1.0));
    painter.setBrush(fill);
    painter.drawEllipse(QPointF(kDotRadius + 1.0, kDotRadius + 1.0), kDotRadius, kDotRadius);
    return image;
}

int SiteMarkersItem::markerAt(QPointF at) const
{
    std::vector<QPointF> centres;
    centres.reserve(m_markers.size());
    for (int i = 0; i < count(); ++i)
        centres.push_back(markerCenter(i));
    return PlotGeometry::nearestMarker(centres, at, kMarkerRadius);
}

void SiteMarkersItem::paint(QPainter* painter)
{
    if (m_markers.empty() || m_frameRect.isEmpty())
        return;
    const QRectF visible =
        boundingRect().adjusted(-kMarkerRadius, -kMarkerRadius, kMarkerRadius, kMarkerRadius);
    // Each dot is a stamp of one of two small pre-drawn images: a few thousand antialiased
    // ellipses would cost tens of milliseconds a paint.
    const qreal ratio = window() ? window()->effectiveDevicePixelRatio() : 1.0;
    const QImage accepted = dotImage(m_acceptedColor, ratio);
    const QImage excluded = dotImage(m_excludedColor, ratio);
    const QPointF offset(kDotRadius + 1.0, kDotRadius + 1.0);
    for (int i = 0; i < count(); ++i) {
        const QPointF centre = markerCenter(i);
        if (visible.contains(centre))
            painter->drawImage(centre - offset,
                               m_markers[std::size_t(i)].accepted ? accepted : excluded);
    }
    painter->setRenderHint(QPainter::Antialiasing);
    if (m_selectedIndex < 0 || m_selectedIndex >= count())
        return;
    // The selected point: a thicker border and a ring, so that it is found among hundreds.
    const QPointF centre = markerCenter(m_selectedIndex);
    painter->setPen(QPen(m_selectionColor, 2.5));
    painter->setBrush(markerAccepted(m_selectedIndex) ? m_acceptedColor : m_excludedColor);
    painter->drawEllipse(centre, kDotRadius, kDotRadius);
    painter->setPen(QPen(m_selectionColor, 2.0));
    painter->setBrush(Qt::NoBrush);
    painter->drawEllipse(centre, kMarkerRadius - 1.0, kMarkerRadius - 1.0);
}

} // namespace orvi::ui::items
