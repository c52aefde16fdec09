#include "spectrum/SpectrumAnalysisRun.h"

#include "media/VideoBackend.h"
#include "motion/CameraMotionEstimator.h"
#include "motion/ImageShift.h"
#include "motion/MotionWorkerPool.h"
#include "spectrum/CameraMotionLines.h"
#include "spectrum/DisplacementAmplitudes.h"
#include "spectrum/FramePrefetcher.h"
#include "spectrum/PhaseSignalExtractor.h"
#include "spectrum/SpectrumAnalysisLimits.h"
#include "spectrum/SpectrumStage.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <exception>
#include <utility>

namespace orvi::spectrum {

namespace {

// One frame thread more than the two cores: while the reading thread reduces a frame and the
// extraction takes its share, the third keeps a frame in flight, where two frame threads
// stood idle waiting for their next packet. Measured on 1080p H.264: the analysis against
// decoding alone went from about 1.42 to 1.35.
constexpr int kDecoderThreads = 3;
// While frames are decoded, the decoder's threads keep every core busy, and handing the
// kernels of an analysis image (at most 512 x 512 pixels) to other threads only adds
// wake-ups: measured, the extraction then costs half as much again. Kernels of that size
// stay on the run thread until the decoding is over.
constexpr qint64 kTaskCostWhileDecoding = qint64(1) << 23;
// Decoded frames held ahead of the extraction (each one an analysis image).
constexpr int kPrefetchFrames = 3;
constexpr int kFirstFrameSide = 1920;
constexpr double kExtractionShare = 0.9;
constexpr double kSpectrumShare = 0.09;

bool cancelled(const CancellationCheck& isCancelled)
{
    return isCancelled && isCancelled();
}

void report(const ProgressCallback& progress, double fraction)
{
    if (progress)
        progress(fraction);
}

// Marks the result cancelled; a cancelled run carries no error text.
void markCancelled(project_data::SpectrumResult& result)
{
    result.cancelled = true;
    result.ok = false;
    result.errorMessage.clear();
}

QImage reducedFirstFrame(const QImage& image)
{
    if (image.width() <= kFirstFrameSide && image.height() <= kFirstFrameSide)
        return image;
    return image.scaled(kFirstFrameSide, kFirstFrameSide, Qt::KeepAspectRatio,
                        Qt::SmoothTransformation);
}

// Camera motion compensation on the reading thread: the reference region comes out of the
// decoder beside the analysis image, the camera's displacement is measured on it, and the
// analysis image is moved back by it before the extraction sees it.
class FrameStabiliser
{
public:
    FrameStabiliser(const project_data::SpectrumAnalysisRequest& request, const QRect& crop,
                    const QSize& analysisSize)
    {
        const QSize frameSize = request.videoInfo.frameSize;
        m_enabled = request.cameraMotionCompensation;
        m_part.crop = motion_core::CameraMotionEstimator::referenceRect(
            request.cameraReferenceRegion, frameSize);
        m_part.size = motion_core::CameraMotionEstimator::measurementSize(m_part.crop.size());
        if (m_enabled && !m_part.size.isEmpty())
            m_estimator.reset(QSizeF(double(m_part.crop.width()) / m_part.size.width(),
                                     double(m_part.crop.height()) / m_part.size.height()));
        m_analysisPerSource = QPointF(double(analysisSize.width()) / crop.width(),
                                      double(analysisSize.height()) / crop.height());
    }

    media::IReducedFrameSource::ReducedPart* part() { return m_enabled ? &m_part : nullptr; }

    // Measures and removes the camera's motion from a frame read with part().
    bool stabilise(media::VideoFrame& frame, QString* error)
    {
        if (!m_enabled)
            return true;
        QPointF displacement;
        if (!m_estimator.addFrame(m_part.image, &displacement, error))
            return false;
        if (displacement.isNull())
            return true;
        const QPointF back(-displacement.x() * m_analysisPerSource.x(),
                           -displacement.y() * m_analysisPerSource.y());
        motion_core::shiftImage(frame.image, back, m_shifted);
        std::swap(frame.image, m_shifted);
        return true;
    }

    // Only once reading has ended.
    project_data::CameraMotion motion() const
    {
        return m_enabled ? m_estimator.motion() : project_data::CameraMotion();
    }

private:
    bool m_enabled = false;
    media::IReducedFrameSource::ReducedPart m_part;
    motion_core::CameraMotionEstimator m_estimator;
    QPointF m_analysisPerSource;
    QImage m_shifted;
};

// Decodes the fragment into the extractor. False ends the run (result already filled).
bool extractSignals(const project_data::SpectrumAnalysisRequest& request,
                    const CancellationCheck& isCancelled, const ProgressCallback& progress,
                    PhaseSignalExtractor& extractor, project_data::SpectrumResult& result)
{
    const auto source = media::VideoBackend::createSource(isCancelled, kDecoderThreads);
    QString error;
    if (!source->open(request.videoInfo, &error) ||
        !source->seekToFrame(request.startFrame, &error)) {
        result.errorMessage = error;
        if (cancelled(isCancelled))
            markCancelled(result);
        return false;
    }
    const QSize frameSize = request.videoInfo.frameSize;
    const QRect crop = analysisCropRect(request.analysisRegion, frameSize);
    if (crop.isEmpty()) {
        result.errorMessage = QCoreApplication::translate(
            "SpectrumAnalysis", "The analysis region is too narrow after spatial reduction.");
        return false;
    }
    const QSize analysisSize = fittedAnalysisSize(crop.size());
    const qint64 frames = request.endFrame - request.startFrame;
    qint64 previousTimeUs = 0;
    // Frames arrive already reduced to the analysis image: the decoder's converter crops and
    // scales straight from the decoded picture, far cheaper than a full-size RGBA frame
    // scaled afterwards. Only the first frame is also converted whole, for the result.
    QImage firstFrame;
    bool firstRead = true;
    FrameStabiliser stabiliser(request, crop, analysisSize);
    const auto read = [&](media::VideoFrame& frame, QString* error) {
        QImage* const full = std::exchange(firstRead, false) ? &firstFrame : nullptr;
        const media::ReadResult status =
            source->readReducedFrame(crop, analysisSize, frame, full, error, stabiliser.part());
        if (status == media::ReadResult::Frame && !stabiliser.stabilise(frame, error))
            return media::ReadResult::Error;
        return status;
    };
    // Decoding runs a few frames ahead of the extraction; the prefetcher is stopped and
    // joined before the source closes.
    FramePrefetcher prefetcher(read, frames, kPrefetchFrames, isCancelled);
    prefetcher.start();
    FramePrefetcher::Item item;
    const media::VideoFrame& frame = item.frame;
    std::vector<qint64> keyFrames; // their cadence can leave lines in the spectrum
    for (qint64 i = 0; i < frames; ++i) {
        if (cancelled(isCancelled)) {
            markCancelled(result);
            return false;
        }
        prefetcher.recycle(std::move(item.frame.image));
        const bool read = prefetcher.next(item);
        if (!read || item.result != media::ReadResult::Frame) {
            if (cancelled(isCancelled))
                markCancelled(result);
            else
                result.errorMessage =
                    !read || item.error.isEmpty()
                        ? QCoreApplication::translate(
                              "SpectrumAnalysis",
                              "The selected frame range could not be decoded completely.")
                        : item.error;
            return false;
        }
        if (!frame.isValid() || frame.image.size() != analysisSize ||
            (i == 0 && firstFrame.size() != frameSize) ||
            frame.frameIndex != request.startFrame + i ||
            (i > 0 && frame.presentationTimeUs <= previousTimeUs)) {
            result.errorMessage = QCoreApplication::translate(
                "SpectrumAnalysis", "Decoded frames do not match the selected uniform range.");
            return false;
        }
        previousTimeUs = frame.presentationTimeUs;
        if (frame.keyFrame)
            keyFrames.push_back(i);
        if (i == 0)
            result.firstFrame = reducedFirstFrame(std::exchange(firstFrame, QImage()));
        if (!extractor.addAnalysisImage(frame.image, crop, frameSize)) {
            result.errorMessage = QCoreApplication::translate(
                "SpectrumAnalysis", "The analysis region is too narrow after spatial reduction.");
            return false;
        }
        if (i % 16 == 0 || i == frames - 1)
            report(progress, double(i + 1) * kExtractionShare / double(frames));
    }
    prefetcher.stop();
    source->close();
    result.keyFrameInterval = steadyKeyFrameInterval(keyFrames);
    result.cameraMotion = stabiliser.motion();
    return true;
}

void analyse(const project_data::SpectrumAnalysisRequest& request,
             const CancellationCheck& isCancelled, const ProgressCallback& progress,
             const SpectrumRunOptions& options, project_data::SpectrumResult& result)
{
    motion_core::MotionWorkerPool pool;
    pool.setWorkerCount(effectiveWorkerThreads(request));
    PhaseSignalExtractor extractor;
    const qint64 frames = request.endFrame - request.startFrame;
    extractor.initialise(request.analysisRegion, int(frames - 1), effectiveGrid(request), pool);
    extractor.setDisplacementTracking(options.measureDisplacement);
    pool.setMinimumTaskCost(kTaskCostWhileDecoding);
    const bool extracted = extractSignals(request, isCancelled, progress, extractor, result);
    pool.setMinimumTaskCost(motion_core::kParallelCostPerTask);
    if (!extracted)
        return;

    result.siteCount = extractor.siteCount();
    result.analysisImageSize = extractor.analysisImageSize();
    std::vector<std::vector<float>> series;
    extractor.finish(series, result.acceptedSignals, result.sites);
    result.acceptedCount = int(result.acceptedSignals.size());
    if (result.acceptedCount == 0) {
        result.errorMessage = QCoreApplication::translate(
            "SpectrumAnalysis", "No continuous reliable phase signals were found. Select a "
                                "textured region or a shorter stable fragment.");
        return;
    }
    const auto stageProgress = [&progress](double fraction) {
        report(progress, kExtractionShare + kSpectrumShare * fraction);
    };
    bool spectrumOk = computeSpectrum(series, request.videoInfo.captureFrameRate, result,
                                      isCancelled, pool, stageProgress);
    if (spectrumOk && options.measureDisplacement &&
        !measureDisplacementAmplitudes(result, isCancelled, &pool))
        spectrumOk = false;
    if (spectrumOk)
        markCameraMotionLines(result);
    if (cancelled(isCancelled)) {
        markCancelled(result);
        return;
    }
    if (spectrumOk) {
        result.ok = true;
        report(progress, 1.0);
    }
}

} // namespace

project_data::SpectrumResult
runSpectrumAnalysis(const project_data::SpectrumAnalysisRequest& request,
                    const CancellationCheck& isCancelled, const ProgressCallback& progress,
                    const SpectrumRunOptions& options)
{
    project_data::SpectrumResult result;
    result.request = request;
    if (!validate(request, &result.errorMessage))
        return result;
    QElapsedTimer timer;
    timer.start();
    try {
        analyse(request, isCancelled, progress, options, result);
    } catch (...) {
        result.ok = false;
        result.errorMessage = QCoreApplication::translate(
            "SpectrumAnalysis", "Spectrum analysis failed while allocating or processing data.");
    }
    result.elapsedMs = timer.elapsed();
    return result;
}

} // namespace orvi::spectrum
