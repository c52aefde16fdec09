#include "controllers/items/MapColorBarItem.h"

#include "reports/ChartPainter.h"
#include "reports/ReportPalette.h"

#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace orvi::ui::items {
namespace {

// Pixels per typographic point of the shared colour-bar drawing: 12 px tick labels.
constexpr double kUnit = 12.0 / 8.5;
constexpr double kBarHeight = 12.0;
constexpr double kBarTop = 26.0;
constexpr double kSideMargin = 32.0;
constexpr double kMaximumBarWidth = 480.0;
constexpr double kImplicitHeight = 62.0;
constexpr double kTitlePoints = 10.0;
const QColor kTitleColor(35, 38, 44);

QString percentLabel(double fraction)
{
    const double percent = fraction * 100.0;
    const int decimals = percent > 0.0 ? std::max(0, -int(std::floor(std::log10(percent)))) : 0;
    return QLocale().toString(percent, 'f', decimals) + QStringLiteral(" %");
}

std::vector<reports::ColorBarTick> ticksFor(MapCellsItem::Mode mode, bool logarithmic)
{
    std::vector<reports::ColorBarTick> ticks;
    if (mode == MapCellsItem::Phase) {
        for (int degrees = -180; degrees <= 180; degrees += 90)
            ticks.emplace_back((degrees + 180) / 360.0,
                               QLocale().toString(degrees) + QChar(0x00B0));
    } else if (logarithmic) {
        for (int exponent = -4; exponent <= 0; ++exponent) {
            const double value = std::pow(10.0, exponent);
            ticks.emplace_back(reports::bandPowerColorPosition(value, true), percentLabel(value));
        }
    } else {
        for (int quarter = 0; quarter <= 4; ++quarter)
            ticks.emplace_back(quarter * 0.25, percentLabel(quarter * 0.25));
    }
    return ticks;
}

} // namespace

MapColorBarItem::MapColorBarItem(QQuickItem* parent) : QQuickPaintedItem(parent)
{
    setImplicitHeight(kImplicitHeight);
    setImplicitWidth(kMaximumBarWidth + 2.0 * kSideMargin);
}

void MapColorBarItem::setMode(MapCellsItem::Mode mode)
{
    if (mode == m_mode)
        return;
    m_mode = mode;
    changedState();
}

void MapColorBarItem::setLogarithmicColors(bool logarithmic)
{
    if (logarithmic == m_logarithmic)
        return;
    m_logarithmic = logarithmic;
    changedState();
}

void MapColorBarItem::setTitle(const QString& title)
{
    if (title == m_title)
        return;
    m_title = title;
    changedState();
}

void MapColorBarItem::changedState()
{
    emit changed();
    update();
}

void MapColorBarItem::paint(QPainter* painter)
{
    const double barWidth = std::min(width() - 2.0 * kSideMargin, kMaximumBarWidth);
    if (barWidth <= 0.0)
        return;
    painter->setRenderHint(QPainter::TextAntialiasing, true);
    const QRectF bar((width() - barWidth) / 2.0, kBarTop, barWidth, kBarHeight);
    const bool phase = m_mode == MapCellsItem::Phase;
    reports::ChartPainter chart(*painter, kUnit);
    chart.drawColorBar(
        bar,
        [phase](double t) {
            return phase ? reports::phaseColor(t * 360.0 - 180.0) : reports::bandPowerColor(t);
        },
        ticksFor(m_mode, m_logarithmic), QString());
    // The title may be longer than the bar (translations are): it takes the item's width.
    const QFont titleFont = chart.font(kTitlePoints, true);
    const QFontMetricsF metrics(titleFont);
    const QRectF titleBox(0.0, 0.0, width(), kBarTop - 4.0);
    painter->setFont(titleFont);
    painter->setPen(kTitleColor);
    painter->drawText(titleBox, Qt::AlignHCenter | Qt::AlignBottom,
                      metrics.elidedText(m_title, Qt::ElideRight, titleBox.width()));
}

} // namespace orvi::ui::items
