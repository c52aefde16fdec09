#pragma once

#include "media/LuminanceReducer.h"
#include "media/libav/LibavColourSpace.h"
#include "media/libav/LibavPointers.h"

#include <QImage>
#include <QRect>
#include <QSize>

namespace orvi::media::libav {

// Converts decoded frames to RGBA8888 images in display orientation, reusing one scaling
// context while the frame format and size stay the same. YUV frames are converted with the
// colour matrix and range they are tagged with (see LibavColourSpace).
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
        CropOutsideFrame,
    };

    // rotationDegrees is the stream's display rotation; the image is turned back by it. An
    // unshared RGBA8888 `image` of the frame's size is reused as the target; on failure it
    // is left in place (its pixels are undefined only after ScaleIncomplete).
    Status convert(const AVFrame& frame, int rotationDegrees, QImage* image);

    // Converts only `displayCrop` (display pixels, inside the display image) scaled to
    // `displaySize` with bilinear filtering, straight from the decoded picture, so no
    // full-size RGBA image is made. Image reuse and failures as for `convert`; a crop outside
    // the frame or an empty size is InvalidDimensions.
    Status convertReduced(const AVFrame& frame, int rotationDegrees, const QRect& displayCrop,
                          const QSize& displaySize, QImage* image);

    // As `convertReduced`, but the image is the crop's luminance (LuminanceReducer) where the
    // picture is unrotated 8-bit 4:2:0 and reduced at least twice both ways; otherwise the
    // RGBA image of `convertReduced`.
    Status convertReducedLuminance(const AVFrame& frame, int rotationDegrees,
                                   const QRect& displayCrop, const QSize& displaySize,
                                   QImage* image);

    // Reductions with the scaler's fast filter, for pictures that only stand in briefly
    // (about a third of the cost of bilinear filtering at 1080p).
    void setFastReduction(bool fast) { m_reductionFlags = fast ? SWS_FAST_BILINEAR : SWS_BILINEAR; }

    void reset()
    {
        m_scaler.reset();
        m_reducer.reset();
        m_reducedConverter.reset();
        m_reducedPlanes.reset();
        m_staging = QImage();
    }

private:
    Status reduceFromRgba(const AVFrame& frame, const QRect& codedCrop, QImage& target);
    Status reduceThroughPlanar(const uint8_t* const planes[4], const int strides[4],
                               const QSize& source, int format, const LibavColourSpace& colours,
                               QImage& target);
    static Status scaleInto(SwsContextPtr& context, const uint8_t* const planes[4],
                            const int strides[4], const QSize& source, int format,
                            const LibavColourSpace& colours, QImage& target, int flags);
    static Status scalePlanes(SwsContextPtr& context, const uint8_t* const planes[4],
                              const int strides[4], const QSize& source, int format,
                              const LibavColourSpace& colours, uint8_t* const destination[4],
                              const int destinationStrides[4], const QSize& size,
                              int destinationFormat, int flags);

    SwsContextPtr m_scaler;
    SwsContextPtr m_reducer;
    SwsContextPtr m_reducedConverter;
    FramePtr m_reducedPlanes; // the reduced picture before its conversion to RGBA
    LuminanceReducer m_luminance;
    QImage m_staging; // full RGBA frame, for pixel formats that cannot be cropped in place
    int m_reductionFlags = SWS_BILINEAR;
};

} // namespace orvi::media::libav
