#pragma once

#include <QRectF>
#include <QSize>
#include <QSizeF>

namespace orvi::ui::items {

// The rectangle an image of `imageSize` takes when fitted into an item of `itemSize` with its
// aspect ratio kept and centred; empty when either has no area.
inline QRectF fittedFrameRect(const QSize& imageSize, const QSizeF& itemSize)
{
    if (imageSize.isEmpty() || !(itemSize.width() > 0.0) || !(itemSize.height() > 0.0))
        return {};
    const QSizeF fitted = QSizeF(imageSize).scaled(itemSize, Qt::KeepAspectRatio);
    return {(itemSize.width() - fitted.width()) / 2.0, (itemSize.height() - fitted.height()) / 2.0,
            fitted.width(), fitted.height()};
}

} // namespace orvi::ui::items
