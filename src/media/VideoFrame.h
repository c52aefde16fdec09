#pragma once

#include <QImage>
#include <QtGlobal>

namespace orvi::media {

// One decoded frame: an RGBA8888 image in display orientation (a reduced analysis reading
// may give a Grayscale16 luminance image instead).
struct VideoFrame
{
    QImage image;
    qint64 presentationTimeUs = -1;
    qint64 frameIndex = -1;
    bool keyFrame = false; // coded as a key (intra) picture, where the source knows

    bool isValid() const { return !image.isNull() && presentationTimeUs >= 0; }
};

} // namespace orvi::media
