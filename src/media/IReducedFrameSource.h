#pragma once

#include "media/IVideoSource.h"

#include <QImage>
#include <QRect>
#include <QSize>

namespace orvi::media {

// A source that can also hand out frames already reduced for analysis, cropped and scaled
// straight from the decoded picture, so no full-size RGBA image is made.
class IReducedFrameSource : public IVideoSource
{
public:
    // Another part of the same frame, reduced to RGBA beside the analysed one.
    struct ReducedPart
    {
        QRect crop; // display pixels
        QSize size;
        QImage image;
    };

    // Reads the next frame as `crop` (display pixels) of the display image scaled to `size`.
    // The frame's image is the luminance (Grayscale16, see LuminanceReducer) where the picture
    // allows, otherwise RGBA scaled with bilinear filtering. `fullImage`, when given, also
    // receives the whole frame as readFrame gives it; `second`, when given, receives its part.
    // Numbering, stamps and failures as for readFrame.
    virtual ReadResult readReducedFrame(const QRect& crop, const QSize& size, VideoFrame& frame,
                                        QImage* fullImage = nullptr, QString* error = nullptr,
                                        ReducedPart* second = nullptr) = 0;
};

} // namespace orvi::media
