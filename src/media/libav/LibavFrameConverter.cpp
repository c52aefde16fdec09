#include "media/libav/LibavFrameConverter.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

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

// Whether `image` can be written into again as an RGBA target of `size`.
bool reusableTarget(const QImage& image, const QSize& size)
{
    return image.isDetached() && image.format() == QImage::Format_RGBA8888 &&
           image.size() == size && image.bytesPerLine() == paddedStride(size.width());
}

bool isQuarterTurn(int rotationDegrees)
{
    return rotationDegrees % 180 != 0;
}

// The rectangle of the decoded (coded) picture that turns into `displayCrop` once the picture
// is rotated back by `rotationDegrees`, as `convert` does.
QRect codedRect(const QRect& displayCrop, int rotationDegrees, const QSize& codedSize)
{
    if (rotationDegrees == 0)
        return displayCrop;
    const QTransform toDisplay = QImage::trueMatrix(QTransform().rotate(-rotationDegrees),
                                                    codedSize.width(), codedSize.height());
    const QRectF coded = toDisplay.inverted().mapRect(QRectF(displayCrop));
    return QRect(QPoint(qRound(coded.left()), qRound(coded.top())),
                 QPoint(qRound(coded.right()) - 1, qRound(coded.bottom()) - 1));
}

// Points every plane of `frame` at the crop's top-left sample. False for pixel formats whose
// planes cannot be offset to an arbitrary pixel: palettes, bit-packed, hardware frames and
// packed formats that share chroma between neighbouring pixels. Subsampled chroma starts at
// the sample covering the crop's first pixel.
bool croppedPlanes(const AVFrame& frame, const QRect& crop, const uint8_t* planes[4],
                   int strides[4])
{
    const AVPixFmtDescriptor* descriptor =
        av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame.format));
    if (descriptor == nullptr ||
        (descriptor->flags &
         (AV_PIX_FMT_FLAG_HWACCEL | AV_PIX_FMT_FLAG_BITSTREAM | AV_PIX_FMT_FLAG_PAL)) != 0)
        return false;
    const bool planar = (descriptor->flags & AV_PIX_FMT_FLAG_PLANAR) != 0;
    const bool subsampled = descriptor->log2_chroma_w != 0 || descriptor->log2_chroma_h != 0;
    if (!planar && descriptor->nb_components > 1 && subsampled)
        return false;
    const bool rgb = (descriptor->flags & AV_PIX_FMT_FLAG_RGB) != 0;
    for (int plane = 0; plane < 4; ++plane) {
        planes[plane] = nullptr;
        strides[plane] = 0;
    }
    for (int c = 0; c < descriptor->nb_components; ++c) {
        const AVComponentDescriptor& component = descriptor->comp[c];
        const int plane = component.plane;
        if (frame.data[plane] == nullptr)
            return false;
        const bool chroma = !rgb && (c == 1 || c == 2);
        const int x = chroma ? crop.x() >> descriptor->log2_chroma_w : crop.x();
        const int y = chroma ? crop.y() >> descriptor->log2_chroma_h : crop.y();
        planes[plane] = frame.data[plane] + qsizetype(y) * frame.linesize[plane] +
                        qsizetype(x) * component.step;
        strides[plane] = frame.linesize[plane];
    }
    return true;
}

// Runs `fill` on an RGBA target of the coded size, then turns the result back by the
// rotation. An unshared image of the right size is filled in place: allocating a fresh
// full frame every time costs page faults once the allocator hands the memory back.
template <typename Fill>
LibavFrameConverter::Status intoTarget(int rotationDegrees, const QSize& codedSize, QImage* image,
                                       const Fill& fill)
{
    using Status = LibavFrameConverter::Status;
    const bool reusable = rotationDegrees == 0 && reusableTarget(*image, codedSize);
    QImage fresh;
    if (!reusable) {
        fresh = allocateTarget(codedSize.width(), codedSize.height());
        if (fresh.isNull())
            return Status::ImageAllocationFailed;
    }
    QImage& target = reusable ? *image : fresh;
    const Status status = fill(target);
    if (status != Status::Ok)
        return status;
    if (rotationDegrees != 0) {
        target = target.transformed(QTransform().rotate(-rotationDegrees), Qt::FastTransformation);
        if (target.format() != QImage::Format_RGBA8888)
            target = target.convertToFormat(QImage::Format_RGBA8888);
    }
    if (!reusable)
        *image = std::move(fresh);
    return Status::Ok;
}

} // namespace

// Scales `source` (planes of `format`) into the whole of `target`, an RGBA image, keeping
// the scaling context in `context` while the geometry stays the same.
LibavFrameConverter::Status
LibavFrameConverter::scaleInto(SwsContextPtr& context, const uint8_t* const planes[4],
                               const int strides[4], const QSize& source, int format,
                               const LibavColourSpace& colours, QImage& target, int flags)
{
    if (target.bytesPerLine() >= static_cast<qsizetype>(std::numeric_limits<int>::max()))
        return Status::RowTooLarge;
    uint8_t* const destination[4] = {target.bits(), nullptr, nullptr, nullptr};
    const int destinationStride[4] = {static_cast<int>(target.bytesPerLine()), 0, 0, 0};
    return scalePlanes(context, planes, strides, source, format, colours, destination,
                       destinationStride, target.size(), AV_PIX_FMT_RGBA, flags);
}

LibavFrameConverter::Status LibavFrameConverter::scalePlanes(
    SwsContextPtr& context, const uint8_t* const planes[4], const int strides[4],
    const QSize& source, int format, const LibavColourSpace& colours, uint8_t* const destination[4],
    const int destinationStrides[4], const QSize& size, int destinationFormat, int flags)
{
    const AVPixelFormat from = withoutJpegRange(static_cast<AVPixelFormat>(format));
    const AVPixelFormat to = withoutJpegRange(static_cast<AVPixelFormat>(destinationFormat));
    context.reset(sws_getCachedContext(context.release(), source.width(), source.height(), from,
                                       size.width(), size.height(), to, flags, nullptr, nullptr,
                                       nullptr));
    if (!context || !applyColourSpace(context.get(), from, to, colours))
        return Status::ScalerUnavailable;
    if (sws_scale(context.get(), planes, strides, 0, source.height(), destination,
                  destinationStrides) < size.height())
        return Status::ScaleIncomplete;
    return Status::Ok;
}

// 8-bit 4:2:0, what nearly every camera and encoder gives: scaling into planar 4:2:0 runs on
// the scaler's vector paths, and the small picture then goes to RGBA the way whole frames do
// (the same chroma handling as `convert`). Scaling straight into RGBA costs twice as much.
LibavFrameConverter::Status
LibavFrameConverter::reduceThroughPlanar(const uint8_t* const planes[4], const int strides[4],
                                         const QSize& source, int format,
                                         const LibavColourSpace& colours, QImage& target)
{
    AVFrame* small = m_reducedPlanes.get();
    if (small == nullptr || small->width != target.width() || small->height != target.height() ||
        small->format != format) {
        m_reducedPlanes.reset(av_frame_alloc());
        small = m_reducedPlanes.get();
        if (small == nullptr)
            return Status::ImageAllocationFailed;
        small->width = target.width();
        small->height = target.height();
        small->format = format;
        if (av_frame_get_buffer(small, 64) < 0) {
            m_reducedPlanes.reset();
            return Status::ImageAllocationFailed;
        }
    }
    // YUV to YUV keeps the samples as they are; the matrix and range apply on the way to RGBA.
    const Status status =
        scalePlanes(m_reducer, planes, strides, source, format, colours, small->data,
                    small->linesize, target.size(), format, m_reductionFlags);
    if (status != Status::Ok)
        return status;
    return scaleInto(m_reducedConverter, small->data, small->linesize, target.size(), format,
                     colours, target, m_reductionFlags);
}

LibavFrameConverter::Status LibavFrameConverter::convertReduced(const AVFrame& frame,
                                                                int rotationDegrees,
                                                                const QRect& displayCrop,
                                                                const QSize& displaySize,
                                                                QImage* image)
{
    if (frame.width <= 0 || frame.height <= 0)
        return Status::InvalidDimensions;
    const QSize codedFrame(frame.width, frame.height);
    const bool quarterTurn = isQuarterTurn(rotationDegrees);
    const QSize displayFrame = quarterTurn ? codedFrame.transposed() : codedFrame;
    if (displayCrop.isEmpty() || displaySize.isEmpty() ||
        !QRect(QPoint(0, 0), displayFrame).contains(displayCrop))
        return Status::CropOutsideFrame;
    const QRect crop = codedRect(displayCrop, rotationDegrees, codedFrame);
    const QSize codedSize = quarterTurn ? displaySize.transposed() : displaySize;
    const LibavColourSpace colours = LibavColourSpace::ofFrame(frame);
    return intoTarget(rotationDegrees, codedSize, image, [&](QImage& target) {
        const uint8_t* planes[4];
        int strides[4];
        if (!croppedPlanes(frame, crop, planes, strides))
            return reduceFromRgba(frame, crop, target);
        if (frame.format == AV_PIX_FMT_YUV420P || frame.format == AV_PIX_FMT_YUVJ420P)
            return reduceThroughPlanar(planes, strides, crop.size(), frame.format, colours, target);
        return scaleInto(m_reducer, planes, strides, crop.size(), frame.format, colours, target,
                         m_reductionFlags);
    });
}

LibavFrameConverter::Status LibavFrameConverter::convertReducedLuminance(const AVFrame& frame,
                                                                         int rotationDegrees,
                                                                         const QRect& displayCrop,
                                                                         const QSize& displaySize,
                                                                         QImage* image)
{
    const bool planar420 =
        frame.format == AV_PIX_FMT_YUV420P || frame.format == AV_PIX_FMT_YUVJ420P;
    if (rotationDegrees != 0 || !planar420 || frame.width <= 0 || frame.height <= 0 ||
        frame.linesize[0] <= 0 || frame.linesize[1] <= 0 ||
        frame.linesize[1] != frame.linesize[2] ||
        !LuminanceReducer::handles(displayCrop.size(), displaySize))
        return convertReduced(frame, rotationDegrees, displayCrop, displaySize, image);
    const QSize size(frame.width, frame.height);
    if (!QRect(QPoint(0, 0), size).contains(displayCrop))
        return Status::CropOutsideFrame;
    Planes420 planes;
    planes.y = frame.data[0];
    planes.u = frame.data[1];
    planes.v = frame.data[2];
    planes.yStride = frame.linesize[0];
    planes.chromaStride = frame.linesize[1];
    planes.size = size;
    const LuminanceWeights weights = LibavColourSpace::ofFrame(frame).luminanceWeights();
    return m_luminance.reduce(planes, displayCrop, displaySize, weights, *image)
               ? Status::Ok
               : Status::ImageAllocationFailed;
}

// Formats without croppable planes: the whole frame goes to RGBA first (unrotated), and the
// crop of that is scaled with the same filter.
LibavFrameConverter::Status
LibavFrameConverter::reduceFromRgba(const AVFrame& frame, const QRect& codedCrop, QImage& target)
{
    const Status status = convert(frame, 0, &m_staging);
    if (status != Status::Ok)
        return status;
    const uint8_t* const planes[4] = {m_staging.constBits() +
                                          qsizetype(codedCrop.y()) * m_staging.bytesPerLine() +
                                          qsizetype(codedCrop.x()) * 4,
                                      nullptr, nullptr, nullptr};
    const int strides[4] = {static_cast<int>(m_staging.bytesPerLine()), 0, 0, 0};
    return scaleInto(m_reducer, planes, strides, codedCrop.size(), AV_PIX_FMT_RGBA, {}, target,
                     m_reductionFlags);
}

LibavFrameConverter::Status LibavFrameConverter::convert(const AVFrame& frame, int rotationDegrees,
                                                         QImage* image)
{
    if (frame.width <= 0 || frame.height <= 0) {
        return Status::InvalidDimensions;
    }
    const QSize size(frame.width, frame.height);
    const LibavColourSpace colours = LibavColourSpace::ofFrame(frame);
    return intoTarget(rotationDegrees, size, image, [&](QImage& target) {
        return scaleInto(m_scaler, frame.data, frame.linesize, size, frame.format, colours, target,
                         SWS_BILINEAR);
    });
}

} // namespace orvi::media::libav
