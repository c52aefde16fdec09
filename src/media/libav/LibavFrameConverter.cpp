#include "media/libav/LibavFrameConverter.h"

#include <QTransform>
#include <limits>

namespace orvi::media::libav {

LibavFrameConverter::Status LibavFrameConverter::convert(const AVFrame& frame, int rotationDegrees,
                                                         QImage* image)
{
    if (frame.width <= 0 || frame.height <= 0) {
        return Status::InvalidDimensions;
    }
    QImage rgba(frame.width, frame.height, QImage::Format_RGBA8888);
    if (rgba.isNull()) {
        return Status::ImageAllocationFailed;
    }
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
    *image = std::move(rgba);
    return Status::Ok;
}

} // namespace orvi::media::libav
