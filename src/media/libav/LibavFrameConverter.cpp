#include "media/libav/LibavFrameConverter.h"

#include <QTransform>
#include <cstdlib>
#include <limits>

namespace orvi::media::libav {

namespace {

// swscale's vector converters store whole blocks of pixels, so a row whose width is not a
// multiple of the block is written past its last pixel (and the last row past the end of a
// tightly packed image). Rows therefore carry a spare block and the buffer one more.
constexpr qsizetype kTargetAlignment = 64;
constexpr qsizetype kTargetSpareBytes = 128;

qsizetype paddedStride(int width)
{
    const qsizetype bytes = qsizetype(width) * 4 + kTargetSpareBytes;
    return (bytes + kTargetAlignment - 1) / kTargetAlignment * kTargetAlignment;
}

void freeTarget(void* buffer)
{
    std::free(buffer);
}

// An RGBA image over an owned buffer with padded rows; null when memory is short or the
// frame is too large to address.
QImage allocateTarget(int width, int height)
{
    const qsizetype stride = paddedStride(width);
    if (stride > qsizetype(std::numeric_limits<int>::max()) ||
        qsizetype(height) > (std::numeric_limits<qsizetype>::max() - kTargetSpareBytes) / stride)
        return {};
    const qsizetype bytes = stride * height + kTargetSpareBytes;
    void* buffer = std::aligned_alloc(size_t(kTargetAlignment), size_t(bytes));
    if (buffer == nullptr)
        return {};
    QImage image(static_cast<uchar*>(buffer), width, height, stride, QImage::Format_RGBA8888,
                 &freeTarget, buffer);
    if (image.isNull())
        std::free(buffer);
    return image;
}

} // namespace

LibavFrameConverter::Status LibavFrameConverter::convert(const AVFrame& frame, int rotationDegrees,
                                                         QImage* image)
{
    if (frame.width <= 0 || frame.height <= 0) {
        return Status::InvalidDimensions;
    }
    // An unshared image of the right size is converted into in place: allocating a fresh
    // full frame every time costs page faults once the allocator hands the memory back.
    const bool reusable = rotationDegrees == 0 && image->isDetached() &&
                          image->format() == QImage::Format_RGBA8888 &&
                          image->size() == QSize(frame.width, frame.height) &&
                          image->bytesPerLine() == paddedStride(frame.width);
    QImage fresh;
    if (!reusable) {
        fresh = allocateTarget(frame.width, frame.height);
        if (fresh.isNull()) {
            return Status::ImageAllocationFailed;
        }
    }
    QImage& rgba = reusable ? *image : fresh;
    m_scaler.reset(sws_getCachedContext(
        m_scaler.release(), frame.width, frame.height, static_cast<AVPixelFormat>(frame.format),
        frame.width, frame.height, AV_PIX_FMT_RGBA, SWS_BILINEAR, nullptr, nullptr, nullptr));
    if (!m_scaler) {
        return Status::ScalerUnavailable;
    }
    if (rgba.bytesPerLine() >= static_cast<qsizetype>(std::numeric_limits<int>::max())) {
        return Status::RowTooLarge;
    }
    uint8_t* destination[4] = {rgba.bits(), nullptr, nullptr, nullptr};
    const int destinationStride[4] = {static_cast<int>(rgba.bytesPerLine()), 0, 0, 0};
    const int rows = sws_scale(m_scaler.get(), frame.data, frame.linesize, 0, frame.height,
                               destination, destinationStride);
    if (rows < frame.height) {
        return Status::ScaleIncomplete;
    }
    if (rotationDegrees != 0) {
        rgba = rgba.transformed(QTransform().rotate(-rotationDegrees), Qt::FastTransformation);
        if (rgba.format() != QImage::Format_RGBA8888) {
            rgba = rgba.convertToFormat(QImage::Format_RGBA8888);
        }
    }
    if (!reusable) {
        *image = std::move(fresh);
    }
    return Status::Ok;
}

} // namespace orvi::media::libav
