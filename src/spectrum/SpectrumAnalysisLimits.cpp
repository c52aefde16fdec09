#include "spectrum/SpectrumAnalysisLimits.h"

#include "records/ErrorMessage.h"
#include "spectrum/VibrationUnits.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDataStream>
#include <QDateTime>
#include <QFileInfo>
#include <QIODevice>
#include <QThread>
#include <algorithm>
#include <cmath>

namespace orvi::spectrum {

using project_data::failWith;

namespace {

bool isUsableRegion(const QRectF& region)
{
    const double x = region.x();
    const double y = region.y();
    const double w = region.width();
    const double h = region.height();
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(w) || !std::isfinite(h))
        return false;
    return x >= 0.0 && y >= 0.0 && w > 0.0 && h > 0.0 && x + w <= kRegionEdgeTolerance &&
           y + h <= kRegionEdgeTolerance;
}

bool isKnownGrid(const QSize& grid)
{
    for (int index = 0; index < 3; ++index) {
        if (grid == gridForDensity(index))
            return true;
    }
    return false;
}

} // namespace

QSize gridForDensity(int densityIndex)
{
    if (densityIndex < 0 || densityIndex >= kGridDensityCount)
        return QSize(0, 0);
    return QSize(16 << densityIndex, 8 << densityIndex);
}

QRect analysisCropRect(const QRectF& region, const QSize& imageSize)
{
    if (imageSize.width() < 1 || imageSize.height() < 1 || !isUsableRegion(region))
        return QRect();
    const double width = imageSize.width();
    const double height = imageSize.height();
    const QRectF pixels(region.x() * width, region.y() * height, region.width() * width,
                        region.height() * height);
    const QRect crop = pixels.toAlignedRect().intersected(QRect(QPoint(0, 0), imageSize));
    return crop.isEmpty() ? QRect() : crop;
}

QSize fittedAnalysisSize(const QSize& cropSize)
{
    if (cropSize.width() < 1 || cropSize.height() < 1)
        return QSize();
    if (cropSize.width() <= kMaximumAnalysisSide && cropSize.height() <= kMaximumAnalysisSide)
        return cropSize;
    const QSize fitted =
        cropSize.scaled(kMaximumAnalysisSide, kMaximumAnalysisSide, Qt::KeepAspectRatio);
    return fitted.isEmpty() ? QSize() : fitted;
}

QSize analysisImageSize(const project_data::SpectrumAnalysisRequest& request)
{
    const QRect crop = analysisCropRect(request.analysisRegion, request.videoInfo.frameSize);
    return crop.isNull() ? QSize() : fittedAnalysisSize(crop.size());
}

QSize effectiveGrid(const project_data::SpectrumAnalysisRequest& request)
{
    const QSize image = analysisImageSize(request);
    const QSize requested = request.requestedGrid;
    if (image.width() < kMinimumAnalysisSide || image.height() < kMinimumAnalysisSide ||
        requested.width() < 1 || requested.height() < 1)
        return QSize();
    const int usableWidth = image.width() - 2 * kGridMargin;
    const int usableHeight = image.height() - 2 * kGridMargin;
    return QSize(std::min(requested.width(), usableWidth / kMinimumCellPixels),
                 std::min(requested.height(), usableHeight / kMinimumCellPixels));
}

qint64 maximumFragmentFrames(const project_data::SpectrumAnalysisRequest& request)
{
    const QSize grid = effectiveGrid(request);
    const qint64 points = qint64(grid.width()) * grid.height();
    if (grid.isEmpty() || points < 1)
        return 0;
    return std::min(kSignalSampleBudget / points + 1, kMaximumFragmentFrames);
}

bool validate(const project_data::SpectrumAnalysisRequest& request, QString* error)
{
    const media::VideoInfo& info = request.videoInfo;
    if (request.workerThreadCount < 0 || request.workerThreadCount > kMaximumWorkerThreads)
        return failWith(error,
                        QCoreApplication::translate(
                            "SpectrumAnalysis",
                            "Select automatic resource usage or a supported worker thread count."));
    if (info.frameSize.width() < 1 || info.frameSize.height() < 1 || info.filePath.isEmpty())
        return failWith(error, QCoreApplication::translate("SpectrumAnalysis",
                                                           "A prepared source video is required."));
    const double rate = info.captureFrameRate;
    if (!std::isfinite(rate) || rate <= 0.0 || rate > kMaximumCaptureFrameRate)
        return failWith(
            error, QCoreApplication::translate(
                       "SpectrumAnalysis",
                       "Enter a capture frame rate greater than 0 and no greater than 10000 fps."));
    if (info.captureFrameRateAssumed)
        return failWith(
            error, QCoreApplication::translate("SpectrumAnalysis",
                                               "Confirm the capture frame rate: %1 fps is only "
                                               "assumed, and every frequency depends on it.")
                       .arg(rate));
    if (request.startFrame < 0 || request.endFrame <= request.startFrame ||
        request.endFrame > info.frameCount)
        return failWith(
            error, QCoreApplication::translate("SpectrumAnalysis",
                                               "Select a frame range inside the source video."));
    const qint64 frames = request.endFrame - request.startFrame;
    if (frames < kMinimumFragmentFrames || frames > kMaximumFragmentFrames)
        return failWith(error, QCoreApplication::translate(
                                   "SpectrumAnalysis",
                                   "Select between 65 and 65537 frames for spectrum analysis."));
    // The pixel size is checked before any rounding, so a 31.5-pixel region fails.
    const QRectF& region = request.analysisRegion;
    if (!isUsableRegion(region) || region.width() * info.frameSize.width() < kMinimumRegionPixels ||
        region.height() * info.frameSize.height() < kMinimumRegionPixels)
        return failWith(error, QCoreApplication::translate(
                                   "SpectrumAnalysis",
                                   "Select a region at least 32 by 32 pixels inside the frame."));
    if (qint64(info.frameSize.width()) * info.frameSize.height() > kMaximumSourcePixels)
        return failWith(error,
                        QCoreApplication::translate(
                            "SpectrumAnalysis",
                            "The source exceeds the spectrum analysis limit of 32 megapixels."));
    if (!isKnownGrid(request.requestedGrid))
        return failWith(error,
                        QCoreApplication::translate("SpectrumAnalysis",
                                                    "Select one of the available grid densities."));
    if (effectiveGrid(request).isEmpty())
        return failWith(error, QCoreApplication::translate(
                                   "SpectrumAnalysis",
                                   "The analysis region is too narrow after spatial reduction."));
    const qint64 maximum = maximumFragmentFrames(request);
    if (frames > maximum) {
        return failWith(error,
                        QCoreApplication::translate(
                            "SpectrumAnalysis",
                            "This grid supports at most %1 frames within the signal memory budget. "
                            "Shorten the fragment or choose a coarser grid.")
                            .arg(maximum));
    }
    if (request.cameraMotionCompensation) {
        const QRectF& reference = request.cameraReferenceRegion;
        if (!isUsableRegion(reference) ||
            reference.width() * info.frameSize.width() < kMinimumRegionPixels ||
            reference.height() * info.frameSize.height() < kMinimumRegionPixels)
            return failWith(error, QCoreApplication::translate(
                                       "SpectrumAnalysis",
                                       "Select a camera reference region at least 32 by "
                                       "32 pixels inside the frame."));
    }
    // A scale that was entered must make sense; without one, amplitudes stay in pixels.
    if (request.lengthScale.isSet() &&
        !std::isfinite(millimetresPerPixel(request.lengthScale, info.frameSize)))
        return failWith(error, QCoreApplication::translate(
                                   "SpectrumAnalysis",
                                   "Mark two points at least one pixel apart inside the frame and "
                                   "enter their distance in millimetres greater than 0."));
    return true;
}

int effectiveWorkerThreads(const project_data::SpectrumAnalysisRequest& request)
{
    const int ideal = std::clamp(QThread::idealThreadCount(), 1, kMaximumWorkerThreads);
    if (request.workerThreadCount < 1)
        return ideal;
    return std::min(ideal, int(request.workerThreadCount));
}

QByteArray makeIdentity(qint64 inputRevision, const project_data::SpectrumAnalysisRequest& request)
{
    const QFileInfo file(request.videoInfo.filePath);
    const QDateTime modified = file.lastModified();
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    // A fixed stream version keeps identities comparable across Qt updates. The length scale
    // stays out: it only converts the pixel results into physical units.
    stream.setVersion(QDataStream::Qt_6_0);
    stream << inputRevision << file.absoluteFilePath() << qint64(file.size())
           << qint64(modified.isValid() ? modified.toMSecsSinceEpoch() : 0)
           << request.videoInfo.frameSize << request.videoInfo.captureFrameRate
           << request.analysisRegion << request.startFrame << request.endFrame
           << request.requestedGrid;
    // Without compensation the identity stays what it always was.
    if (request.cameraMotionCompensation)
        stream << QByteArrayLiteral("camera-reference") << request.cameraReferenceRegion;
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

} // namespace orvi::spectrum
