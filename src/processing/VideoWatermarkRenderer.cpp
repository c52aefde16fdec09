#include "processing/VideoWatermarkRenderer.h"

#include "records/ErrorMessage.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QTransform>
#include <algorithm>
#include <cmath>

namespace orvi::processing {

using project_data::failWith;

namespace {

constexpr double kFontSizeFactor = 0.028;
constexpr int kMinimumFontPixels = 18;
constexpr int kMaximumFontPixels = 72;
constexpr int kFontWeight = 600;
constexpr int kMinimumMargin = 12;
constexpr int kMaximumMargin = 48;
constexpr double kOutlineFactor = 0.08;
constexpr double kMinimumOutline = 1.5;
constexpr double kMaximumOutline = 5.0;
const QColor kOutlineColor(0, 0, 0, 160);
const QColor kFillColor(255, 255, 255, 205);

bool hasArea(const QRectF& box)
{
    return box.width() > 0.0 && box.height() > 0.0;
}

} // namespace

bool VideoWatermarkRenderer::configure(const QSize& frameSize, QString* error)
{
    m_image = QImage();
    m_position = QPoint(0, 0);
    m_configuredSize = QSize();
    m_fontPixelSize = 0;
    m_textScale = 0.0;
    m_outlineWidth = 0.0;
    m_margin = 0;

    const int width = frameSize.width();
    const int height = frameSize.height();
    if (width < 1 || height < 1)
        return failWith(error, tr("The watermark frame size is invalid."));

    const int shorterSide = std::min(width, height);
    const int fontPixels = std::clamp(int(std::lround(shorterSide * kFontSizeFactor)),
                                      kMinimumFontPixels, kMaximumFontPixels);
    QFont font;
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(fontPixels);
    font.setWeight(QFont::Weight(kFontWeight));

    QPainterPath path;
    path.addText(0.0, 0.0, font, text());
    QRectF box = path.boundingRect();
    if (path.isEmpty() || !hasArea(box))
        return failWith(error, tr("Could not prepare the video watermark."));

    // Narrow the text to the width limit; it is never enlarged.
    const double scale = std::min(std::max(width * maximumWidthRatio, 1.0) / box.width(), 1.0);
    if (scale < 1.0) {
        path = QTransform::fromScale(scale, scale).map(path);
        box = path.boundingRect();
    }
    const double outline =
        std::clamp(fontPixels * scale * kOutlineFactor, kMinimumOutline, kMaximumOutline);

    const QRectF imageRect = box.adjusted(-outline, -outline, outline, outline);
    const QSize imageSize(std::max(int(std::ceil(imageRect.width())), 1),
                          std::max(int(std::ceil(imageRect.height())), 1));
    QImage image(imageSize, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return failWith(error, tr("Could not allocate the video watermark image."));
    image.fill(Qt::transparent);

    QPainter painter;
    if (!painter.begin(&image))
        return failWith(error, tr("Could not draw the video watermark."));
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.translate(-imageRect.topLeft());
    painter.strokePath(path,
                       QPen(kOutlineColor, outline, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.fillPath(path, kFillColor);
    painter.end();

    const int margin =
        std::clamp(int(std::lround(shorterSide * marginRatio)), kMinimumMargin, kMaximumMargin);
    m_image = image;
    m_position = QPoint(std::max(width - margin - image.width(), 0),
                        std::max(height - margin - image.height(), 0));
    m_configuredSize = frameSize;
    m_fontPixelSize = fontPixels;
    m_textScale = scale;
    m_outlineWidth = outline;
    m_margin = margin;
    return true;
}

bool VideoWatermarkRenderer::draw(QImage& frame, QString* error) const
{
    if (frame.isNull() || frame.size() != m_configuredSize || m_image.isNull())
        return failWith(error, tr("The watermark renderer is not configured for this frame."));
    QPainter painter;
    if (!painter.begin(&frame))
        return failWith(error, tr("Could not draw the video watermark."));
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.drawImage(m_position, m_image);
    painter.end();
    if (error)
        error->clear();
    return true;
}

} // namespace orvi::processing
