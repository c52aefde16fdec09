#include "media/libav/LibavColourSpace.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>

namespace orvi::media::libav {

namespace {

// Sizes from which players take an untagged stream for HD (BT.709).
bool isHighDefinition(int width, int height)
{
    return width >= 1280 || height > 576;
}

AVColorSpace assumedMatrix(int width, int height)
{
    return isHighDefinition(width, height) ? AVCOL_SPC_BT709 : AVCOL_SPC_SMPTE170M;
}

// The swscale coefficient table of a matrix; none for matrices it cannot convert.
int swscaleMatrix(AVColorSpace matrix)
{
    switch (matrix) {
    case AVCOL_SPC_BT709:
        return SWS_CS_ITU709;
    case AVCOL_SPC_FCC:
        return SWS_CS_FCC;
    case AVCOL_SPC_BT470BG:
    case AVCOL_SPC_SMPTE170M:
        return SWS_CS_SMPTE170M;
    case AVCOL_SPC_SMPTE240M:
        return SWS_CS_SMPTE240M;
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL:
        return SWS_CS_BT2020;
    default:
        return -1;
    }
}

// Formats whose samples are always full range whatever the frame says.
bool isJpegFormat(int format)
{
    switch (format) {
    case AV_PIX_FMT_YUVJ411P:
    case AV_PIX_FMT_YUVJ420P:
    case AV_PIX_FMT_YUVJ422P:
    case AV_PIX_FMT_YUVJ440P:
    case AV_PIX_FMT_YUVJ444P:
        return true;
    default:
        return false;
    }
}

// Colour YUV formats; RGB, grey, palette and hardware formats carry no matrix.
bool isYuv(AVPixelFormat format)
{
    const AVPixFmtDescriptor* descriptor = av_pix_fmt_desc_get(format);
    return descriptor != nullptr && descriptor->nb_components >= 3 &&
           (descriptor->flags &
            (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_HWACCEL)) == 0;
}

// A colour field of a decoded frame as the number it holds. A damaged stream can carry any
// code there, and FFmpeg passes it on; read as its enumeration such a code is undefined.
template <typename Enumeration> int codeOf(const Enumeration& field)
{
    static_assert(sizeof(Enumeration) == sizeof(int));
    int code = 0;
    std::memcpy(&code, &field, sizeof code);
    return code;
}

// The luma coefficients Kr and Kb that define a matrix.
void matrixCoefficients(AVColorSpace matrix, double* kr, double* kb)
{
    switch (matrix) {
    case AVCOL_SPC_FCC:
        *kr = 0.30;
        *kb = 0.11;
        return;
    case AVCOL_SPC_BT470BG:
    case AVCOL_SPC_SMPTE170M:
        *kr = 0.299;
        *kb = 0.114;
        return;
    case AVCOL_SPC_SMPTE240M:
        *kr = 0.212;
        *kb = 0.087;
        return;
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL:
        *kr = 0.2627;
        *kb = 0.0593;
        return;
    default:
        *kr = 0.2126;
        *kb = 0.0722;
        return;
    }
}

bool sameTable(const int* table, const int* expected)
{
    return table != nullptr && std::equal(expected, expected + 4, table);
}

} // namespace

LibavColourSpace LibavColourSpace::ofFrame(const AVFrame& frame)
{
    LibavColourSpace colours;
    const int matrix = codeOf(frame.colorspace);
    const bool known = matrix >= 0 && matrix < AVCOL_SPC_NB &&
                       swscaleMatrix(static_cast<AVColorSpace>(matrix)) >= 0;
    colours.matrix =
        known ? static_cast<AVColorSpace>(matrix) : assumedMatrix(frame.width, frame.height);
    colours.fullRange = codeOf(frame.color_range) == AVCOL_RANGE_JPEG || isJpegFormat(frame.format);
    return colours;
}

LibavColourSpace LibavColourSpace::forEncoding(const QSize& frameSize)
{
    LibavColourSpace colours;
    colours.matrix = assumedMatrix(frameSize.width(), frameSize.height());
    colours.fullRange = false;
    return colours;
}

LuminanceWeights LibavColourSpace::luminanceWeights() const
{
    // R = Y + 2 (1 − Kr) V, B = Y + 2 (1 − Kb) U, G = (Y − Kr R − Kb B) / Kg, weighed with
    // the luminance weights of the analysis; limited range stretches 219 luma and 224
    // chroma steps to 255.
    constexpr double red = 0.2126, green = 0.7152, blue = 0.0722;
    double kr = 0.0, kb = 0.0;
    matrixCoefficients(matrix, &kr, &kb);
    const double kg = 1.0 - kr - kb;
    const double u = blue * 2.0 * (1.0 - kb) - green * 2.0 * kb * (1.0 - kb) / kg;
    const double v = red * 2.0 * (1.0 - kr) - green * 2.0 * kr * (1.0 - kr) / kg;
    const double lumaScale = fullRange ? 1.0 : 255.0 / 219.0;
    const double chromaScale = fullRange ? 1.0 : 255.0 / 224.0;
    LuminanceWeights weights;
    weights.luma = float(lumaScale);
    weights.lumaOffset = fullRange ? 0.0f : 16.0f;
    // Below float resolution the terms are 0, so BT.709 pictures skip their chroma.
    weights.chromaU = std::abs(u) < 1e-9 ? 0.0f : float(u * chromaScale);
    weights.chromaV = std::abs(v) < 1e-9 ? 0.0f : float(v * chromaScale);
    return weights;
}

void LibavColourSpace::tag(AVCodecContext& encoder) const
{
    const bool hd = matrix == AVCOL_SPC_BT709;
    encoder.colorspace = matrix;
    encoder.color_primaries = hd ? AVCOL_PRI_BT709 : AVCOL_PRI_SMPTE170M;
    encoder.color_trc = hd ? AVCOL_TRC_BT709 : AVCOL_TRC_SMPTE170M;
    encoder.color_range = fullRange ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG;
}

AVPixelFormat withoutJpegRange(AVPixelFormat format)
{
    switch (format) {
    case AV_PIX_FMT_YUVJ411P:
        return AV_PIX_FMT_YUV411P;
    case AV_PIX_FMT_YUVJ420P:
        return AV_PIX_FMT_YUV420P;
    case AV_PIX_FMT_YUVJ422P:
        return AV_PIX_FMT_YUV422P;
    case AV_PIX_FMT_YUVJ440P:
        return AV_PIX_FMT_YUV440P;
    case AV_PIX_FMT_YUVJ444P:
        return AV_PIX_FMT_YUV444P;
    default:
        return format;
    }
}

bool applyColourSpace(SwsContext* context, AVPixelFormat source, AVPixelFormat destination,
                      const LibavColourSpace& colours)
{
    const bool decoding = isYuv(source) && !isYuv(destination);
    const bool encoding = !isYuv(source) && isYuv(destination);
    const int table = swscaleMatrix(colours.matrix);
    if ((!decoding && !encoding) || table < 0)
        return true;
    const int* coefficients = sws_getCoefficients(table);
    const int yuvRange = colours.fullRange ? 1 : 0;
    int* sourceTable = nullptr;
    int* destinationTable = nullptr;
    int sourceRange = 0;
    int destinationRange = 0;
    int brightness = 0;
    int contrast = 0;
    int saturation = 0;
    if (sws_getColorspaceDetails(context, &sourceTable, &sourceRange, &destinationTable,
                                 &destinationRange, &brightness, &contrast, &saturation) < 0)
        return false;
    // A context that swscale's cache handed back may already be set up; setting it again
    // would rebuild its tables for every frame.
    if (decoding && sameTable(sourceTable, coefficients) && sourceRange == yuvRange)
        return true;
    if (encoding && sameTable(destinationTable, coefficients) && destinationRange == yuvRange)
        return true;
    // RGB is always full range; the table of the RGB side is not used.
    return sws_setColorspaceDetails(context, coefficients, decoding ? yuvRange : 1, coefficients,
                                    decoding ? 1 : yuvRange, brightness, contrast, saturation) >= 0;
}

} // namespace orvi::media::libav
