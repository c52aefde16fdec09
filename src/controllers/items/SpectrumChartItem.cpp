#include "controllers/items/SpectrumChartItem.h"

#include "reports/ChartPainter.h"

#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>
#include <QQuickWindow>
#include <algorithm>
#include <cmath>
#include <limits>

namespace orvi::ui::items {
namespace {

using reports::ChartFrame;
using reports::ChartPainter;

// Tick labels at 12 px, the interface's small type size (ChartPainter draws them at 8.5 pt).
constexpr double kUnit = 12.0 / 8.5;
// Room above the highest visible point for its peak label.
constexpr double kPowerHeadroom = 1.18;
constexpr int kFrequencyTicks = 10;
constexpr int kPowerTicks = 6;

QLocale textLocale()
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale;
}

double numberAt(const QVariantMap& map, const char* key)
{
    return map.value(QLatin1String(key)).toDouble();
}

} // namespace

SpectrumChartItem::SpectrumChartItem(QQuickItem* parent) : QQuickPaintedItem(parent)
{
    setAntialiasing(true);
    connect(this, &SpectrumChartItem::appearanceChanged, this, [this] {
        rebuildCurve();
        update();
    });
}

void SpectrumChartItem::setPoints(const QVariantList& points)
{
    m_pointList = points;
    m_frequencies.clear();
    m_powers.clear();
    m_frequencies.reserve(size_t(points.size()));
    m_powers.reserve(size_t(points.size()));
    for (const QVariant& point : points) {
        const QVariantMap map = point.toMap();
        m_frequencies.push_back(numberAt(map, "frequencyHz"));
        m_powers.push_back(numberAt(map, "relativePower"));
    }
    setHoverIndex(-1);
    m_range.reset();
    emit dataChanged();
    viewUpdated();
}

void SpectrumChartItem::setCandidates(const QVariantList& candidates)
{
    m_candidateList = candidates;
    m_peaks.clear();
    for (const QVariant& candidate : candidates) {
        const QVariantMap map = candidate.toMap();
        const double hz = numberAt(map, "frequencyHz");
        m_peaks.push_back({hz, numberAt(map, "relativePower"), frequencyText(hz)});
    }
    m_layerDirty = true;
    emit dataChanged();
    update();
}

void SpectrumChartItem::setMinimumFrequencyHz(double hz)
{
    if (hz == m_minimumHz)
        return;
    m_minimumHz = hz;
    limitsChanged();
}

void SpectrumChartItem::setMaximumFrequencyHz(double hz)
{
    if (hz == m_maximumHz)
        return;
    m_maximumHz = hz;
    limitsChanged();
}

void SpectrumChartItem::setFrequencyStepHz(double hz)
{
    if (hz == m_stepHz)
        return;
    m_stepHz = hz;
    limitsChanged();
    // Peak labels carry the step's decimals.
    setCandidates(m_candidateList);
}

void SpectrumChartItem::limitsChanged()
{
    m_range.setLimits(m_minimumHz, m_maximumHz, m_stepHz);
    emit dataChanged();
    viewUpdated();
}

void SpectrumChartItem::setSelectedLowerHz(double hz)
{
    if (hz == m_selected.lower)
        return;
    m_selected.lower = hz;
    emit selectionChanged();
    update();
}

void SpectrumChartItem::setSelectedUpperHz(double hz)
{
    if (hz == m_selected.upper)
        return;
    m_selected.upper = hz;
    emit selectionChanged();
    update();
}

double SpectrumChartItem::hoverFrequencyHz() const
{
    return m_hoverIndex >= 0 ? m_frequencies[size_t(m_hoverIndex)] : 0.0;
}

double SpectrumChartItem::hoverPower() const
{
    return m_hoverIndex >= 0 ? m_powers[size_t(m_hoverIndex)] : 0.0;
}

double SpectrumChartItem::fractionAtX(qreal x) const
{
    return m_plot.width() > 0.0 ? std::clamp((x - m_plot.left()) / m_plot.width(), 0.0, 1.0) : 0.0;
}

double SpectrumChartItem::xOf(double frequencyHz) const
{
    return m_plot.left() + m_range.fractionOf(frequencyHz) * m_plot.width();
}

double SpectrumChartItem::frequencyAtX(qreal x) const
{
    return m_range.frequencyAt(fractionAtX(x));
}

bool SpectrumChartItem::inSelectedBand(qreal x) const
{
    const double hz = frequencyAtX(x);
    return m_selected.upper > m_selected.lower && hz >= m_selected.lower && hz <= m_selected.upper;
}

void SpectrumChartItem::setHoverIndex(int index)
{
    if (index == m_hoverIndex)
        return;
    m_hoverIndex = index;
    emit hoverChanged();
    update();
}

void SpectrumChartItem::hoverAt(qreal x)
{
    setHoverIndex(SpectrumChartRange::nearestIndex(m_frequencies, frequencyAtX(x)));
}

void SpectrumChartItem::clearHover()
{
    setHoverIndex(-1);
}

void SpectrumChartItem::beginDraft(qreal x)
{
    m_pressedHz = frequencyAtX(x);
    m_draft = m_range.oneBinBand(m_pressedHz);
    m_draftActive = true;
    emit selectionChanged();
    update();
}

void SpectrumChartItem::updateDraft(qreal x)
{
    if (!m_draftActive)
        return;
    m_draft = m_range.draftBand(m_pressedHz, frequencyAtX(x));
    emit selectionChanged();
    update();
}

void SpectrumChartItem::endDraft()
{
    if (!m_draftActive)
        return;
    m_draftActive = false;
    emit selectionChanged();
    update();
}

void SpectrumChartItem::zoomToDraft()
{
    m_range.zoomTo(m_draft);
    viewUpdated();
}

void SpectrumChartItem::zoomAt(qreal x, bool zoomIn)
{
    m_range.zoomAbout(fractionAtX(x), zoomIn);
    viewUpdated();
}

void SpectrumChartItem::resetView()
{
    m_range.reset();
    viewUpdated();
}

bool SpectrumChartItem::setView(double lower, double upper)
{
    if (!m_range.setView(lower, upper))
        return false;
    viewUpdated();
    return true;
}

QVariantMap SpectrumChartItem::oneBinBand(double frequencyHz) const
{
    const FrequencyBand band = m_range.oneBinBand(frequencyHz);
    return {{QStringLiteral("lower"), band.lower}, {QStringLiteral("upper"), band.upper}};
}

QString SpectrumChartItem::frequencyText(double frequencyHz) const
{
    return textLocale().toString(frequencyHz, 'f', SpectrumChartRange::frequencyDecimals(m_stepHz));
}

QString SpectrumChartItem::powerText(double power) const
{
    return textLocale().toString(power, 'g', 3);
}

void SpectrumChartItem::geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry)
{
    QQuickPaintedItem::geometryChange(newGeometry, oldGeometry);
    if (newGeometry.size() != oldGeometry.size())
        viewUpdated();
}

void SpectrumChartItem::viewUpdated()
{
    rebuildCurve();
    emit viewChanged();
    update();
}

// Margins leave room for the tick labels and axis titles that ChartPainter draws outside the
// plot; the left one follows the widest power label of the current scale.
void SpectrumChartItem::layoutPlot()
{
    QPainter unused;
    const ChartPainter chart(unused, kUnit);
    const QFontMetricsF tickMetrics(chart.font(8.5));
    const QFontMetricsF titleMetrics(chart.font(10));
    const reports::AxisTicks ticks = reports::niceTicks(0.0, m_powerTop, kPowerTicks);
    double widest = 0.0;
    for (const double value : ticks.values)
        widest = std::max(widest, tickMetrics.horizontalAdvance(
                                      reports::tickLabel(value, ticks.step, textLocale())));
    const double left = chart.px(3.5 + 8.0) + widest + titleMetrics.height();
    const double bottom = chart.px(3.5 + 5.0) + tickMetrics.height() + titleMetrics.height();
    const double top = chart.px(6.0);
    const double right = chart.px(14.0);
    m_plot = QRectF(left, top, std::max(0.0, width() - left - right),
                    std::max(0.0, height() - top - bottom));
}

void SpectrumChartItem::rebuildCurve()
{
    const auto begin =
        std::lower_bound(m_frequencies.begin(), m_frequencies.end(), m_range.lower());
    const auto end = std::upper_bound(begin, m_frequencies.end(), m_range.upper());
    // One point beyond each edge, so that the curve runs to the plot's sides.
    const size_t first = size_t(std::max<std::ptrdiff_t>(0, begin - m_frequencies.begin() - 1));
    const size_t last = std::min(m_frequencies.size(), size_t(end - m_frequencies.begin()) + 1);

    double highest = 0.0;
    for (size_t i = size_t(begin - m_frequencies.begin()); i < size_t(end - m_frequencies.begin());
         ++i)
        highest = std::max(highest, m_powers[i]);
    m_powerTop = highest > 0.0 ? highest * kPowerHeadroom : 1.0;
    layoutPlot();

    const ChartFrame frame{m_plot, m_range.lower(), m_range.upper(), 0.0, m_powerTop};
    m_layerDirty = true;
    m_curve.clear();
    m_area.clear();
    if (first >= last || m_plot.isEmpty())
        return;
    // With more points than pixel columns, each column keeps its lowest and highest point in
    // the order they occur, which draws the same picture as the full polyline.
    const bool thin = double(last - first) > 2.0 * m_plot.width();
    m_curve.reserve(qsizetype(thin ? 2.0 * m_plot.width() + 4 : double(last - first)));
    int column = std::numeric_limits<int>::min();
    QPointF low;
    QPointF high;
    size_t lowIndex = 0;
    size_t highIndex = 0;
    const auto flush = [&] {
        if (column == std::numeric_limits<int>::min())
            return;
        m_curve.append(lowIndex <= highIndex ? low : high);
        if (lowIndex != highIndex)
            m_curve.append(lowIndex <= highIndex ? high : low);
    };
    for (size_t i = first; i < last; ++i) {
        const QPointF point = frame.map(m_frequencies[i], m_powers[i]);
        if (!thin) {
            m_curve.append(point);
            continue;
        }
        const int x = int(std::floor(point.x()));
        if (x != column) {
            flush();
            column = x;
            low = high = point;
            lowIndex = highIndex = i;
        } else if (point.y() > low.y()) {
            low = point;
            lowIndex = i;
        } else if (point.y() < high.y()) {
            high = point;
            highIndex = i;
        }
    }
    flush();
    m_area = m_curve;
    m_area.append(QPointF(m_curve.last().x(), m_plot.bottom()));
    m_area.append(QPointF(m_curve.first().x(), m_plot.bottom()));
}

void SpectrumChartItem::paintBand(QPainter& painter, FrequencyBand band, const QColor& color,
                                  Qt::PenStyle edgeStyle) const
{
    if (!(band.upper > band.lower) || band.upper < m_range.lower() || band.lower > m_range.upper())
        return;
    // A band narrower than a few pixels still shows as a strip.
    constexpr double kNarrowest = 4.0;
    double left = xOf(band.lower);
    double right = xOf(band.upper);
    if (right - left < kNarrowest) {
        const double centre = (left + right) / 2.0;
        left = centre - kNarrowest / 2.0;
        right = centre + kNarrowest / 2.0;
    }
    const QRectF strip(QPointF(std::max(m_plot.left(), left), m_plot.top()),
                       QPointF(std::min(m_plot.right(), right), m_plot.bottom()));
    QColor fill = color;
    fill.setAlphaF(0.22f);
    painter.fillRect(strip, fill);
    painter.setPen(QPen(color, 1.0, edgeStyle));
    if (left >= m_plot.left())
        painter.drawLine(strip.topLeft(), strip.bottomLeft());
    if (right <= m_plot.right())
        painter.drawLine(strip.topRight(), strip.bottomRight());
}

// Candidate peaks inside the view get a dot and their frequency; a label that would cover
// an earlier (stronger) one is left out.
void SpectrumChartItem::paintPeaks(QPainter& painter) const
{
    ChartPainter chart(painter, kUnit);
    const ChartFrame frame{m_plot, m_range.lower(), m_range.upper(), 0.0, m_powerTop};
    const QFontMetricsF metrics(chart.font(8.5, true));
    std::vector<QRectF> placed;
    placed.reserve(m_peaks.size());
    for (const Peak& peak : m_peaks) {
        if (peak.frequencyHz < m_range.lower() || peak.frequencyHz > m_range.upper())
            continue;
        const QPointF at = frame.map(peak.frequencyHz, std::min(peak.power, m_powerTop));
        painter.setPen(QPen(m_plotColor, 1.5));
        painter.setBrush(m_curveColor);
        painter.drawEllipse(at, 4.0, 4.0);

        const double width = metrics.horizontalAdvance(peak.label) + chart.px(5.0);
        const double height = metrics.height() + chart.px(2.5);
        QRectF box(at.x() - width / 2.0, at.y() - 6.0 - height, width, height);
        box.moveLeft(std::clamp(box.left(), m_plot.left(), m_plot.right() - width));
        box.moveTop(std::max(box.top(), m_plot.top()));
        const bool covers = std::any_of(placed.begin(), placed.end(), [&](const QRectF& other) {
            return other.adjusted(-3, -2, 3, 2).intersects(box);
        });
        if (covers)
            continue;
        placed.push_back(chart.drawCallout(QPointF(at.x(), at.y() - 6.0), peak.label, 8.5,
                                           m_markerColor, m_plot));
    }
}

void SpectrumChartItem::paintHover(QPainter& painter) const
{
    if (m_hoverIndex < 0)
        return;
    const double hz = hoverFrequencyHz();
    if (hz < m_range.lower() || hz > m_range.upper())
        return;
    const ChartFrame frame{m_plot, m_range.lower(), m_range.upper(), 0.0, m_powerTop};
    const QPointF at = frame.map(hz, std::min(hoverPower(), m_powerTop));
    QColor line = m_markerColor;
    line.setAlphaF(0.55f);
    painter.setPen(QPen(line, 1.0, Qt::DashLine));
    painter.drawLine(QPointF(at.x(), m_plot.top()), QPointF(at.x(), m_plot.bottom()));
    painter.setPen(QPen(m_markerColor, 1.5));
    painter.setBrush(m_plotColor);
    painter.drawEllipse(at, 4.5, 4.5);
}

// The axes, the curve and the peak labels change only with the range, the data or the size;
// they are drawn once into a transparent layer that each paint lays over the bands.
void SpectrumChartItem::renderLayer(qreal pixelRatio)
{
    const QSize pixels = (size() * pixelRatio).toSize();
    if (m_layer.size() != pixels)
        m_layer = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    m_layer.setDevicePixelRatio(pixelRatio);
    m_layer.fill(Qt::transparent);
    m_layerDirty = false;
    if (m_layer.isNull())
        return;

    QPainter painter(&m_layer);
    ChartPainter chart(painter, kUnit);
    chart.setLocale(textLocale());
    chart.drawAxes({m_plot, m_range.lower(), m_range.upper(), 0.0, m_powerTop}, m_frequencyTitle,
                   m_powerTitle, kFrequencyTicks, kPowerTicks);

    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.save();
    painter.setClipRect(m_plot);
    QColor fill = m_curveColor;
    fill.setAlphaF(0.12f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawPolygon(m_area);
    // Two hairlines half a pixel apart look like a 1.5 px line; a pen wider than a pixel would
    // go through the general stroker, several times slower on a curve of a thousand points.
    painter.setPen(QPen(m_curveColor, 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolyline(m_curve);
    painter.translate(0.5, 0.5);
    painter.drawPolyline(m_curve);
    painter.restore();
    paintPeaks(painter);
}

void SpectrumChartItem::paint(QPainter* painter)
{
    if (m_plot.isEmpty())
        return;
    painter->fillRect(m_plot, m_plotColor);
    paintBand(*painter, m_selected, m_bandColor, Qt::SolidLine);
    if (m_draftActive)
        paintBand(*painter, m_draft, m_draftColor, Qt::DashLine);

    const qreal pixelRatio = window() ? window()->effectiveDevicePixelRatio() : 1.0;
    if (m_layerDirty || m_layer.devicePixelRatio() != pixelRatio)
        renderLayer(pixelRatio);
    painter->drawImage(QPointF(0.0, 0.0), m_layer);

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    paintHover(*painter);
    painter->restore();
}

} // namespace orvi::ui::items
