#pragma once

#include "media/LuminanceReducer.h"
#include "media/libav/LibavPointers.h"

#include <QSize>

namespace orvi::media::libav {

// How the YUV samples of a video relate to RGB: the colour matrix and whether the samples use
// the full 0..255 range or the limited video range (16..235 for luma).
struct LibavColourSpace
{
    AVColorSpace matrix = AVCOL_SPC_UNSPECIFIED;
    bool fullRange = false;

    // What a decoded frame is tagged with; untagged frames get what players assume: BT.709
    // for HD sizes, BT.601 below.
    static LibavColourSpace ofFrame(const AVFrame& frame);
    // What the exported stream is written in: limited range, and the matrix that players
    // assume for an untagged stream of that size, so that players ignoring the tags agree.
    static LibavColourSpace forEncoding(const QSize& frameSize);

    // How the luminance of the RGB picture follows from the YUV samples.
    LuminanceWeights luminanceWeights() const;

    // The stream tags (primaries, transfer, matrix, range) that describe this colour space.
    void tag(AVCodecContext& encoder) const;
};

// The plain twin of a deprecated full-range ("J") format, any other format as it is. swscale
// rewrites a J format to its twin when it sets a context up, so a context made for a J format
// never matches its cache again and would be rebuilt (and warned about) for every frame; the
// twin with the range set by applyColourSpace converts alike.
AVPixelFormat withoutJpegRange(AVPixelFormat format);

// Makes `context`, which converts from YUV (`source`) to RGB or from RGB to YUV
// (`destination`), use `colours` for its YUV side. Other conversions are left as they are.
// False when swscale refuses the details.
bool applyColourSpace(SwsContext* context, AVPixelFormat source, AVPixelFormat destination,
                      const LibavColourSpace& colours);

} // namespace orvi::media::libav
