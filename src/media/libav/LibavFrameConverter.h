#pragma once

#include "media/libav/LibavPointers.h"

#include <QImage>

namespace orvi::media::libav {

// Converts decoded frames to RGBA8888 images in display orientation, reusing one scaling
// context while the frame format and size stay the same.
class LibavFrameConverter
{
public:
    enum class Status
    {
        Ok,
        InvalidDimensions,
        ImageAllocationFailed,
        ScalerUnavailable,
        RowTooLarge,
        ScaleIncomplete,
    };

    // rotationDegrees is the stream's display rotation; the image is turned back by it. An
    // unshared RGBA8888 `image` of the frame's size is reused as the target; on failure it
    // is left in place (its pixels are undefined only after ScaleIncomplete).
    Status convert(const AVFrame& frame, int rotationDegrees, QImage* image);
    void reset() { m_scaler.reset(); }

private:
    SwsContextPtr m_scaler;
};

} // namespace orvi::media::libav
