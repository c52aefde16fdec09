#pragma once

#include "motion/FloatPlane.h"

#include <QImage>
#include <QPoint>
#include <QPointF>
#include <QRectF>

namespace orvi::motion_core {

class MotionWorkerPool;

// Adds the luminance change (processed - input) to R, G and B of a colour image, weighted
// by the feathered region of interest, blended towards the expanded region by
// `expandedWeight` (when positive and the two regions differ). Channels are rounded half
// away from zero and clamped to 0..255; alpha is kept. The result is 32-bit ARGB. An image
// whose size differs from either plane is returned unchanged; a null image means that the
// result could not be allocated.
QImage composeLuminanceChange(MotionWorkerPool& pool, const QImage& image,
                              const FloatPlane& inputLuminance,
                              const FloatPlane& processedLuminance, const QRectF& regionOfInterest,
                              const QRectF& expandedRegion, double expandedWeight,
                              double featherPixels);

// The full frame as 32-bit ARGB with `crop` copied over it at `topLeft` (pixels replaced,
// not blended). A null image, a crop that does not fit, or a painter that cannot start gives
// the full frame unchanged.
QImage pasteRegion(const QImage& fullFrame, const QImage& crop, const QPoint& topLeft);
// The same, converting and copying rows in parallel on `pool` for the frame formats of the
// motion chain (RGBA8888, RGBX8888, ARGB32, RGB32 with an ARGB32 crop); other formats go the
// painter's way. A null image means that the result could not be allocated.
QImage pasteRegion(MotionWorkerPool& pool, const QImage& fullFrame, const QImage& crop,
                   const QPoint& topLeft);
// pasteRegion(pool, the full frame moved by `offset` (shiftImage), crop, topLeft), with the
// frame moved and converted in one pass and the pixels under the crop not moved at all.
QImage pasteRegionShifted(MotionWorkerPool& pool, const QImage& fullFrame, const QPointF& offset,
                          const QImage& crop, const QPoint& topLeft);

} // namespace orvi::motion_core
