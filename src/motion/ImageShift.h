#pragma once

#include <QImage>
#include <QPointF>

namespace orvi::motion_core {

class MotionWorkerPool;

// Moves the content of an image by a sub-pixel offset: target(x, y) = source(x - dx, y - dy),
// bilinear, with the border pixels repeated outside the image. Works on every byte of a
// 32-bit pixel alike, so channel order does not matter; 16-bit grey (luminance images) is
// shifted as it is and other formats are converted to ARGB32 first. The target takes the
// source's size and format (its storage is reused when it already has them). Rows are shared out
// over `pool` when one is given.
void shiftImage(const QImage& source, const QPointF& offset, QImage& target,
                MotionWorkerPool* pool = nullptr);

} // namespace orvi::motion_core
