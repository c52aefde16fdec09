#include "reports/ReportFigures.h"

#include "reports/AnalysisReport.h"
#include "reports/ChartPainter.h"
#include "reports/ReportNumberFormat.h"
#include "reports/ReportPalette.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace orvi::reports {
namespace {

// Figures are laid out as if printed 480 points wide; pixel sizes scale with the image.
constexpr double kNominalWidthPoints = 480.0;
constexpr int kSpectrumWidth = 1600;
constexpr int kSpectrumHeight = 900;
constexpr int kMapLongSide = 1600;
constexpr double kWholeFrameTolerance = 1e-6;
constexpr int kPowerCellAlpha = 235;

const QColor kCurveColor(31, 78, 145);
const QColor kBandFill(255, 170, 40, 70);
const QColor kBandEdge(214, 120, 0);
const QColor kMarkerColor(200, 40, 40);
const QColor kRegionOutline(255, 221, 0);
const QColor kBackgroundVeil(255, 255, 255, 110);

QImage blankImage(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    return image;
}

// Pixel rectangle of the view inside a background image.
QRectF sourceRectOf(const QImage& background, const QRectF& view)
{
    return QRectF(view.x() * background.width(), view.y() * background.height(),
                  view.width() * background.width(), view.height() * background.height());
}

// A normalised frame rectangle mapped into the target through the view.
QRectF mapNormalised(const QRectF& rect, const QRectF& view, const QRectF& target)
{
    const double sx = target.width() / view.width();
    const double sy = target.height() / view.height();
    return QRectF(target.left() + (rect.x() - view.x()) * sx,
                  target.top() + (rect.y() - view.y()) * sy, rect.width() * sx, rect.height() * sy);
}

struct MapCanvas
{
    QImage image;
    QRectF imageArea;
    QRectF colorBar;
    double unit = 1.0;
};

// Lays out the background over the top part and a colour bar strip below it.
MapCanvas makeMapCanvas(const MapFigureFrame& frame)
{
    MapCanvas canvas;
    const QRectF source = sourceRectOf(frame.background, frame.view);
    const double aspect = source.width() / std::max(source.height(), 1.0);
    const double areaWidth = aspect >= 1.0 ? kMapLongSide : kMapLongSide * aspect;
    const double areaHeight = aspect >= 1.0 ? kMapLongSide / aspect : kMapLongSide;
    canvas.unit = kMapLongSide / kNominalWidthPoints;
    const double minimumWidth = 330.0 * canvas.unit;
    const double width = std::max(areaWidth, minimumWidth);
    const double stripHeight = 52.0 * canvas.unit;
    canvas.image = blankImage(int(std::ceil(width)), int(std::ceil(areaHeight + stripHeight)));
    canvas.imageArea = QRectF((width - areaWidth) / 2.0, 0.0, areaWidth, areaHeight);
    const double barWidth = std::min(width - 60.0 * canvas.unit, 300.0 * canvas.unit);
    canvas.colorBar = QRectF((width - barWidth) / 2.0, areaHeight + 20.0 * canvas.unit, barWidth,
                             10.0 * canvas.unit);

    QPainter painter(&canvas.image);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    if (!frame.background.isNull()) {
        // A light grey background keeps the structure visible without tinting the palette.
        painter.drawImage(canvas.imageArea,
                          frame.background.convertToFormat(QImage::Format_Grayscale8), source);
        painter.fillRect(canvas.imageArea, kBackgroundVeil);
    }
    return canvas;
}

void drawRegionOutline(QPainter& painter, const MapFigureFrame& frame, const QRectF& area,
                       double unit)
{
    if (!frame.outlineRegion || isWholeFrame(frame.analysisRegion))
        return;
    const QRectF outline = mapNormalised(frame.analysisRegion, frame.view, area);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0, 0, 0, 160), 3.2 * unit));
    painter.drawRect(outline);
    painter.setPen(QPen(kRegionOutline, 1.6 * unit));
    painter.drawRect(outline);
    painter.restore();
}

void drawSpectrumCurve(QPainter& painter, const ChartFrame& chart, const SpectrumFigureSpec& spec,
                       int kFrom, int kTo, double unit)
{
    QPainterPath path;
    const double pixels = chart.plot.width();
    const int bins = kTo - kFrom + 1;
    if (bins > 2.0 * pixels) {
        // Dense spectra: one vertical min-max stroke per pixel column keeps every peak visible.
        const int columns = int(pixels);
        for (int c = 0; c < columns; ++c) {
            const int k0 = kFrom + int(std::floor(double(c) * bins / columns));
            const int k1 = std::min(kTo, kFrom + int(std::floor(double(c + 1) * bins / columns)));
            double low = spec.spectrum[k0];
            double high = low;
            for (int k = k0; k <= k1; ++k) {
                low = std::min(low, spec.spectrum[k]);
                high = std::max(high, spec.spectrum[k]);
            }
            const double x = chart.plot.left() + c + 0.5;
            const QPointF top(x, chart.mapY(std::min(high, chart.yMax)));
            const QPointF bottom(x, chart.mapY(std::min(low, chart.yMax)));
            if (c == 0)
                path.moveTo(bottom);
            else
                path.lineTo(bottom);
            path.lineTo(top);
        }
    } else {
        for (int k = kFrom; k <= kTo; ++k) {
            const QPointF p =
                chart.map(k * spec.binWidthHz, std::min(spec.spectrum[k], chart.yMax));
            if (k == kFrom)
                path.moveTo(p);
            else
                path.lineTo(p);
        }
    }
    painter.save();
    painter.setClipRect(chart.plot);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(kCurveColor, 1.1 * unit, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
    painter.restore();
}

void drawCandidateLabels(QPainter& painter, ChartPainter& chartPainter, const ChartFrame& chart,
                         const SpectrumFigureSpec& spec, double unit)
{
    std::vector<project_data::FrequencyCandidate> visible;
    for (const auto& c : spec.candidates) {
        const double hz = c.measuredFrequencyHz();
        if (std::isfinite(hz) && hz >= chart.xMin && hz <= chart.xMax)
            visible.push_back(c);
    }
    // Strongest first, so that weaker labels make way when they would collide.
    std::sort(visible.begin(), visible.end(),
              [](const auto& a, const auto& b) { return a.relativePower > b.relativePower; });
    std::vector<QRectF> placed;
    const QRectF bounds = chart.plot.adjusted(2 * unit, 2 * unit, -2 * unit, 0);
    for (const auto& c : visible) {
        const QPointF peak =
            chart.map(c.measuredFrequencyHz(), std::min(c.relativePower, chart.yMax));
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setPen(QPen(Qt::white, 0.8 * unit));
        painter.setBrush(kMarkerColor);
        painter.drawEllipse(peak, 2.6 * unit, 2.6 * unit);
        painter.restore();

        const QString text = formatReportNumber(c.measuredFrequencyHz(), kLineFrequencyDecimals) +
                             QStringLiteral(" Hz");
        const QFont font = chartPainter.font(8, true);
        const QFontMetricsF metrics(font);
        const double width = metrics.horizontalAdvance(text) + 5.0 * unit;
        const double height = metrics.height() + 2.5 * unit;
        QPointF anchor(peak.x(), peak.y() - 5.0 * unit);
        auto boxAt = [&](const QPointF& a) {
            QRectF box(a.x() - width / 2.0, a.y() - height, width, height);
            if (box.left() < bounds.left())
                box.moveLeft(bounds.left());
            if (box.right() > bounds.right())
                box.moveRight(bounds.right());
            if (box.top() < bounds.top())
                box.moveTop(bounds.top());
            return box;
        };
        QRectF box = boxAt(anchor);
        for (int attempt = 0; attempt < 40; ++attempt) {
            const bool collides = std::any_of(placed.begin(), placed.end(), [&](const QRectF& r) {
                return r.adjusted(-unit, -unit, unit, unit).intersects(box);
            });
            if (!collides)
                break;
            // Try above first; at the top of the plot step sideways instead.
            if (box.top() > bounds.top() + height)
                anchor.ry() -= height * 0.6;
            else
                anchor.rx() += (attempt % 2 == 0 ? 1 : -1) * width * (attempt / 2 + 1) * 0.55;
            box = boxAt(anchor);
        }
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setPen(QPen(QColor(150, 156, 166), 0.6 * unit));
        painter.drawLine(peak,
                         QPointF(std::clamp(peak.x(), box.left(), box.right()), box.bottom()));
        painter.restore();
        chartPainter.drawCallout(QPointF(box.center().x(), box.bottom()), text, 8,
                                 QColor(120, 20, 20), bounds);
        placed.push_back(box);
    }
}

void drawCellOutline(QPainter& painter, const QRectF& cell, double unit)
{
    painter.setPen(QPen(QColor(0, 0, 0, 90), std::max(1.0, 0.4 * unit)));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(cell);
}

// A cell of a map filled with the palette's colour at `position` (0 ... 1).
void fillPaletteCell(QPainter& painter, const MapCanvas& canvas, const MapFigureFrame& frame,
                     const QRectF& cellRect, double position)
{
    const QRectF cell = mapNormalised(cellRect, frame.view, canvas.imageArea);
    QColor color = bandPowerColor(position);
    color.setAlpha(kPowerCellAlpha);
    painter.fillRect(cell, color);
    drawCellOutline(painter, cell, canvas.unit);
}

} // namespace

bool isWholeFrame(const QRectF& region)
{
    return region.x() <= kWholeFrameTolerance && region.y() <= kWholeFrameTolerance &&
           region.right() >= 1.0 - kWholeFrameTolerance &&
           region.bottom() >= 1.0 - kWholeFrameTolerance;
}

QRectF closeUpView(const QRectF& region)
{
    const double padX = region.width() * 0.06;
    const double padY = region.height() * 0.06;
    return region.adjusted(-padX, -padY, padX, padY).intersected(QRectF(0, 0, 1, 1));
}

QImage renderSpectrumFigure(const SpectrumFigureSpec& spec)
{
    const int bins = int(spec.spectrum.size());
    if (bins < 2 || !(spec.binWidthHz > 0.0) || !std::isfinite(spec.binWidthHz) ||
        !(spec.toHz > spec.fromHz))
        return {};
    const int kFrom = std::clamp(int(std::floor(spec.fromHz / spec.binWidthHz)), 0, bins - 1);
    const int kTo = std::clamp(int(std::ceil(spec.toHz / spec.binWidthHz)), kFrom, bins - 1);

    QImage image = blankImage(kSpectrumWidth, kSpectrumHeight);
    const double unit = kSpectrumWidth / kNominalWidthPoints;
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    ChartPainter chartPainter(painter, unit);

    ChartFrame chart;
    chart.plot =
        QRectF(62 * unit, 12 * unit, kSpectrumWidth - 76 * unit, kSpectrumHeight - 50 * unit);
    chart.xMin = spec.fromHz;
    chart.xMax = spec.toHz;
    chart.yMin = 0.0;
    double top = 1.0;
    if (spec.fitVerticalScale) {
        top = 0.0;
        for (int k = std::max(kFrom, 1); k <= kTo; ++k)
            top = std::max(top, spec.spectrum[k]);
        top = top > 1e-12 ? top : 1.0;
    }
    chart.yMax = top * 1.12; // headroom for the peak labels

    painter.fillRect(chart.plot, Qt::white);
    chartPainter.drawAxes(chart, AnalysisReport::tr("Frequency, Hz"),
                          AnalysisReport::tr("Relative spectral power"));

    const double lo = std::max(spec.bandLowerHz, chart.xMin);
    const double hi = std::min(spec.bandUpperHz, chart.xMax);
    if (std::isfinite(lo) && std::isfinite(hi) && hi > lo && spec.bandUpperHz > spec.bandLowerHz) {
        // A band narrower than the line width still shows as a visible strip.
        const double minimumWidth = 2.0 * unit;
        double left = chart.mapX(lo);
        double right = chart.mapX(hi);
        if (right - left < minimumWidth) {
            const double centre = (left + right) / 2.0;
            left = std::max(chart.plot.left(), centre - minimumWidth / 2.0);
            right = std::min(chart.plot.right(), centre + minimumWidth / 2.0);
        }
        const QRectF band(QPointF(left, chart.plot.top()), QPointF(right, chart.plot.bottom()));
        painter.fillRect(band, kBandFill);
        painter.setPen(QPen(kBandEdge, 0.7 * unit, Qt::DashLine));
        painter.drawLine(band.topLeft(), band.bottomLeft());
        painter.drawLine(band.topRight(), band.bottomRight());
    }
    drawSpectrumCurve(painter, chart, spec, kFrom, kTo, unit);
    drawCandidateLabels(painter, chartPainter, chart, spec, unit);
    return image;
}

QImage renderBandPowerMapFigure(const MapFigureFrame& frame,
                                const std::vector<project_data::BandMapEntry>& entries,
                                bool logarithmicColors)
{
    if (frame.background.isNull() || frame.view.isEmpty())
        return {};
    MapCanvas canvas = makeMapCanvas(frame);
    QPainter painter(&canvas.image);
    painter.setClipRect(canvas.imageArea);
    for (const auto& entry : entries) {
        if (!entry.valid || !std::isfinite(entry.value) || entry.value < kColorFloor)
            continue;
        fillPaletteCell(painter, canvas, frame, entry.cellRect,
                        bandPowerColorPosition(entry.value, logarithmicColors));
    }
    drawRegionOutline(painter, frame, canvas.imageArea, canvas.unit);
    painter.setClipping(false);

    std::vector<ColorBarTick> ticks;
    if (logarithmicColors) {
        for (int e = -4; e <= 0; ++e) {
            const double v = std::pow(10.0, e);
            ticks.emplace_back(bandPowerColorPosition(v, true), formatReportNumber(v, 0));
        }
    } else {
        for (int i = 0; i <= 4; ++i)
            ticks.emplace_back(i * 0.25, formatReportNumber(i * 0.25, 2));
    }
    ChartPainter chartPainter(painter, canvas.unit);
    chartPainter.drawColorBar(
        canvas.colorBar, [](double t) { return bandPowerColor(t); }, ticks,
        logarithmicColors ? AnalysisReport::tr("Relative band power · logarithmic colors")
                          : AnalysisReport::tr("Relative band power · linear colors"));
    painter.end();
    return canvas.image;
}

double colorScaleTop(std::vector<double> values)
{
    values.erase(std::remove_if(values.begin(), values.end(),
                                [](double v) { return !(std::isfinite(v) && v > 0.0); }),
                 values.end());
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const double at = kColorScalePercentile * double(values.size() - 1);
    const size_t below = size_t(std::floor(at));
    const size_t above = std::min(below + 1, values.size() - 1);
    return values[below] + (at - double(below)) * (values[above] - values[below]);
}

QImage renderAmplitudeMapFigure(const MapFigureFrame& frame,
                                const std::vector<AmplitudeMapEntry>& entries, double maximum,
                                const QString& colorBarTitle)
{
    if (frame.background.isNull() || frame.view.isEmpty() || !(maximum > 0.0) ||
        !std::isfinite(maximum))
        return {};
    MapCanvas canvas = makeMapCanvas(frame);
    QPainter painter(&canvas.image);
    painter.setClipRect(canvas.imageArea);
    for (const AmplitudeMapEntry& entry : entries) {
        if (!std::isfinite(entry.value))
            continue;
        fillPaletteCell(painter, canvas, frame, entry.cellRect,
                        std::clamp(entry.value / maximum, 0.0, 1.0));
    }
    drawRegionOutline(painter, frame, canvas.imageArea, canvas.unit);
    painter.setClipping(false);
    std::vector<ColorBarTick> ticks;
    for (int i = 0; i <= 4; ++i)
        ticks.emplace_back(i * 0.25, formatReportNumber(maximum * i * 0.25, 3));
    ChartPainter chartPainter(painter, canvas.unit);
    chartPainter.drawColorBar(
        canvas.colorBar, [](double t) { return bandPowerColor(t); }, ticks, colorBarTitle);
    painter.end();
    return canvas.image;
}

QImage renderPhaseMapFigure(const MapFigureFrame& frame,
                            const std::vector<project_data::RelativePhaseSample>& samples,
                            int referenceIndex)
{
    if (frame.background.isNull() || frame.view.isEmpty())
        return {};
    MapCanvas canvas = makeMapCanvas(frame);
    QPainter painter(&canvas.image);
    painter.setClipRect(canvas.imageArea);
    for (const auto& sample : samples) {
        if (!sample.valid || !std::isfinite(sample.phaseDegrees))
            continue;
        const QRectF cell = mapNormalised(sample.cellRect, frame.view, canvas.imageArea);
        painter.fillRect(cell, phaseColor(sample.phaseDegrees));
        drawCellOutline(painter, cell, canvas.unit);
    }
    drawRegionOutline(painter, frame, canvas.imageArea, canvas.unit);
    if (referenceIndex >= 0 && std::size_t(referenceIndex) < samples.size()) {
        const auto& reference = samples[std::size_t(referenceIndex)];
        const QRectF cell = mapNormalised(reference.cellRect, frame.view, canvas.imageArea);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Qt::black, 3.0 * canvas.unit));
        painter.drawRect(cell);
        painter.setPen(QPen(Qt::white, 1.4 * canvas.unit));
        painter.drawRect(cell);
        const QPointF centre = cell.center();
        const double arm = std::max(3.0 * canvas.unit, std::min(cell.width(), cell.height()) * 0.3);
        painter.drawLine(centre - QPointF(arm, 0), centre + QPointF(arm, 0));
        painter.drawLine(centre - QPointF(0, arm), centre + QPointF(0, arm));
        ChartPainter labels(painter, canvas.unit);
        labels.drawCallout(QPointF(centre.x(), cell.top() - 2.0 * canvas.unit),
                           AnalysisReport::tr("Reference"), 7.5, Qt::black, canvas.imageArea);
    }
    painter.setClipping(false);

    std::vector<ColorBarTick> ticks;
    for (int d = -180; d <= 180; d += 90)
        ticks.emplace_back((d + 180) / 360.0, QString::number(d) + QChar(0x00B0));
    ChartPainter chartPainter(painter, canvas.unit);
    chartPainter.drawColorBar(
        canvas.colorBar, [](double t) { return phaseColor(t * 360.0 - 180.0); }, ticks,
        AnalysisReport::tr("Relative phase, degrees"));
    painter.end();
    return canvas.image;
}

QImage renderSourceFrameFigure(const QImage& frame, const QRectF& analysisRegion)
{
    if (frame.isNull())
        return {};
    QImage image = frame.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const double unit = std::max(image.width(), image.height()) / kNominalWidthPoints;
    QPainter painter(&image);
    MapFigureFrame outline;
    outline.analysisRegion = analysisRegion;
    drawRegionOutline(painter, outline, QRectF(0, 0, image.width(), image.height()), unit);
    return image;
}

QImage renderRegionCloseUp(const QImage& frame, const QRectF& analysisRegion)
{
    if (frame.isNull())
        return {};
    const QRect crop =
        QRectF(analysisRegion.x() * frame.width(), analysisRegion.y() * frame.height(),
               analysisRegion.width() * frame.width(), analysisRegion.height() * frame.height())
            .toAlignedRect()
            .intersected(frame.rect());
    if (crop.isEmpty())
        return {};
    const QImage part = frame.copy(crop);
    // Enlarge to a printable size; pixels stay visible rather than being invented.
    const QSize target = part.size().scaled(kMapLongSide, kMapLongSide, Qt::KeepAspectRatio);
    return part.scaled(target, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

} // namespace orvi::reports
