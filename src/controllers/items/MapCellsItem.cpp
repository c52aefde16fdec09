#include "controllers/items/MapCellsItem.h"

#include "reports/ReportFigures.h"
#include "reports/ReportPalette.h"

#include <QPainter>
#include <QVariantMap>
#include <algorithm>
#include <cmath>
#include <utility>

namespace orvi::ui::items {
namespace {

// Opaque: a cell reads as its colour-bar colour over any frame, and neighbouring cells that
// overlap a little show no darker seams.
constexpr int kCellAlpha = 255;
const QColor kFilledOutline(0, 0, 0, 80);
// Empty phase cells are still click targets; a light line shows them on dark frames too.
const QColor kEmptyOutline(255, 255, 255, 60);
const QColor kShade(20, 24, 28, 120);
const QColor kRegionOutline(255, 221, 0);

QColor cellColor(MapCellsItem::Mode mode, const QVariantMap& sample, bool logarithmic)
{
    if (!sample.value(QStringLiteral("valid")).toBool())
        return {};
    QColor color;
    if (mode == MapCellsItem::Phase) {
        const double degrees = sample.value(QStringLiteral("phaseDegrees")).toDouble();
        if (!std::isfinite(degrees))
            return {};
        color = reports::phaseColor(degrees);
    } else {
        // Values below the colour floor stay transparent, as in the exported figure.
        const double value = sample.value(QStringLiteral("value")).toDouble();
        if (!std::isfinite(value) || value < reports::kColorFloor)
            return {};
        color = reports::bandPowerColor(reports::bandPowerColorPosition(value, logarithmic));
    }
    color.setAlpha(kCellAlpha);
    return color;
}

} // namespace

MapCellsItem::MapCellsItem(QQuickItem* parent) : QQuickPaintedItem(parent) {}

void MapCellsItem::setMode(Mode mode)
{
    if (mode == m_mode)
        return;
    m_mode = mode;
    rebuildCells();
    emit modeChanged();
}

void MapCellsItem::setSamples(const QVariantList& samples)
{
    m_samples = samples;
    rebuildCells();
    emit samplesChanged();
}

void MapCellsItem::setSites(const QVariantList& sites)
{
    m_sites = sites;
    rebuildCells();
    emit samplesChanged();
}

void MapCellsItem::setLogarithmicColors(bool logarithmic)
{
    if (logarithmic == m_logarithmic)
        return;
    m_logarithmic = logarithmic;
    rebuildCells();
    emit modeChanged();
}

void MapCellsItem::setFrameRect(const QRectF& rect)
{
    if (rect == m_frameRect)
        return;
    m_frameRect = rect;
    emit frameRectChanged();
    update();
}

void MapCellsItem::setRegion(const QRectF& region)
{
    if (region == m_region)
        return;
    m_region = region;
    emit regionChanged();
    update();
}

void MapCellsItem::setMarkedIndex(int index)
{
    if (index == m_markedIndex)
        return;
    m_markedIndex = index;
    emit markedIndexChanged();
    update();
}

// Colours are decided once per change of the samples or scale, not per paint.
void MapCellsItem::rebuildCells()
{
    m_cells.clear();
    m_cells.reserve(std::size_t(m_samples.size()));
    for (qsizetype i = 0; i < m_samples.size(); ++i) {
        const QVariantMap sample = m_samples[i].toMap();
        Cell cell;
        cell.rect = QRectF(sample.value(QStringLiteral("x")).toDouble(),
                           sample.value(QStringLiteral("y")).toDouble(),
                           sample.value(QStringLiteral("width")).toDouble(),
                           sample.value(QStringLiteral("height")).toDouble());
        cell.fill = cellColor(m_mode, sample, m_logarithmic);
        cell.shaded = m_mode == Phase && i < m_sites.size() &&
                      !m_sites[i].toMap().value(QStringLiteral("accepted")).toBool();
        m_cells.push_back(cell);
    }
    update();
}

int MapCellsItem::cellAt(qreal u, qreal v) const
{
    for (std::size_t i = 0; i < m_cells.size(); ++i) {
        const QRectF& r = m_cells[i].rect;
        if (u >= r.left() && u <= r.right() && v >= r.top() && v <= r.bottom())
            return int(i);
    }
    return -1;
}

QRectF MapCellsItem::toItem(const QRectF& fraction) const
{
    return {m_frameRect.x() + fraction.x() * m_frameRect.width(),
            m_frameRect.y() + fraction.y() * m_frameRect.height(),
            fraction.width() * m_frameRect.width(), fraction.height() * m_frameRect.height()};
}

void MapCellsItem::paint(QPainter* painter)
{
    if (m_frameRect.isEmpty())
        return;
    const QRectF bounds = boundingRect();
    painter->setClipRect(bounds);
    // Outlines are batched per colour: one draw call for every cell of a kind.
    QList<QRectF> filledOutlines;
    QList<QRectF> emptyOutlines;
    for (const Cell& cell : m_cells) {
        const QRectF rect = toItem(cell.rect);
        if (!rect.intersects(bounds))
            continue;
        if (cell.fill.isValid()) {
            painter->fillRect(rect, cell.fill);
            filledOutlines.append(rect);
        } else if (m_mode == Phase) {
            if (cell.shaded)
                painter->fillRect(rect, kShade);
            emptyOutlines.append(rect);
        }
    }
    painter->setBrush(Qt::NoBrush);
    painter->setPen(QPen(kEmptyOutline, 1.0));
    painter->drawRects(emptyOutlines.constData(), int(emptyOutlines.size()));
    painter->setPen(QPen(kFilledOutline, 1.0));
    painter->drawRects(filledOutlines.constData(), int(filledOutlines.size()));
    paintRegion(painter);
    paintMarker(painter);
}

void MapCellsItem::paintRegion(QPainter* painter) const
{
    if (reports::isWholeFrame(m_region))
        return;
    const QRectF outline = toItem(m_region);
    painter->setPen(QPen(QColor(0, 0, 0, 160), 3.5));
    painter->drawRect(outline);
    painter->setPen(QPen(kRegionOutline, 1.5));
    painter->drawRect(outline);
}

// A double frame and a ring, dark under light: visible on every colour of the cyclic scale
// and at any cell size.
void MapCellsItem::paintMarker(QPainter* painter) const
{
    if (m_markedIndex < 0 || std::size_t(m_markedIndex) >= m_cells.size())
        return;
    const QRectF cell = toItem(m_cells[std::size_t(m_markedIndex)].rect);
    const QPointF centre = cell.center();
    const double radius = std::max(12.0, 0.9 * std::max(cell.width(), cell.height()));
    painter->setRenderHint(QPainter::Antialiasing, true);
    const std::pair<QColor, double> pens[] = {{Qt::black, 4.5}, {Qt::white, 2.0}};
    for (const auto& [color, width] : pens) {
        painter->setPen(QPen(color, width));
        painter->drawRect(cell);
        painter->drawEllipse(centre, radius, radius);
    }
}

} // namespace orvi::ui::items
