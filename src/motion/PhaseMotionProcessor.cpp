#include "motion/PhaseMotionProcessor.h"

#include "motion/FrameComposition.h"
#include "motion/ImageShift.h"
#include "motion/PlaneKernels.h"
#include "records/ErrorMessage.h"

#include <QElapsedTimer>
#include <cmath>
#include <exception>
#include <new>

namespace orvi::motion_core {

using project_data::failWith;

namespace {

// Adds the elapsed time of a stage, truncated to whole microseconds, when it goes out of
// scope.
class StageTimer
{
public:
    explicit StageTimer(qint64& total) : m_total(total) { m_timer.start(); }
    ~StageTimer() { m_total += m_timer.nsecsElapsed() / 1000; }

    StageTimer(const StageTimer&) = delete;
    StageTimer& operator=(const StageTimer&) = delete;

private:
    qint64& m_total;
    QElapsedTimer m_timer;
};

// The camera's motion is measured on at least this many pixels a side of the reference.
constexpr int kMinimumReferencePixels = 16;

bool isReferenceLargeEnough(const ProcessingSettings& settings, const QSize& frameSize)
{
    const QRect reference =
        CameraMotionEstimator::referenceRect(settings.stabilizationReferenceRegion, frameSize);
    return reference.width() >= kMinimumReferencePixels &&
           reference.height() >= kMinimumReferencePixels;
}

} // namespace

PhaseMotionProcessor::PhaseMotionProcessor() = default;

PhaseMotionProcessor::~PhaseMotionProcessor() = default;

bool PhaseMotionProcessor::configure(const media::VideoInfo& videoInfo,
                                     const ProcessingSettings& settings, QString* error)
{
    m_configured = false;
    try {
        return configureChecked(videoInfo, settings, error);
    } catch (const std::bad_alloc&) {
        return failWith(error, tr("There is not enough memory to create the spatial pyramid."));
    }
}

bool PhaseMotionProcessor::configureChecked(const media::VideoInfo& videoInfo,
                                            const ProcessingSettings& settings, QString* error)
{
    const QSize frameSize = videoInfo.frameSize;
    const double frameRate = videoInfo.captureFrameRate;
    if (frameSize.width() < 1 || frameSize.height() < 1)
        return failWith(error, tr("Could not determine the source video's frame size."));
    if (!std::isfinite(frameRate) || frameRate <= 0.0)
        return failWith(error,
                        tr("The camera capture frame rate is required to configure the motion "
                           "filter."));
    if (videoInfo.variableFrameRate)
        return failWith(error, tr("The phase core prototype supports only a uniform time grid."));
    if (!settings.isBandValid(frameRate))
        return failWith(error, tr("The amplification band must lie between 0 Hz and the Nyquist "
                                  "frequency."));
    if (!settings.areRegionsValid() || !settings.isRegionLargeEnough(frameSize) ||
        (settings.stabilizationEnabled && !isReferenceLargeEnough(settings, frameSize)))
        return failWith(error, tr("The amplification region or stabilization reference region is "
                                  "invalid."));
    if (!settings.isAmplificationValid())
        return failWith(error, tr("The prototype amplification factor must be between 1 and 50."));
    if (!settings.isWorkerCountValid())
        return failWith(error,
                        tr("The worker thread count must be between 0 and 256; 0 selects automatic "
                           "mode."));
    const int fullLevels = RieszPyramid::levelCountFor(frameSize.width(), frameSize.height());
    if (fullLevels < 1)
        return failWith(error, tr("The minimum frame size for processing is 32 x 32 pixels."));
    if (!m_cosFilter.configure(frameRate, settings.lowerFrequencyHz, settings.upperFrequencyHz,
                               error) ||
        !m_sinFilter.configure(frameRate, settings.lowerFrequencyHz, settings.upperFrequencyHz,
                               error))
        return false;

    m_settings = settings;
    m_frameSize = frameSize;
    m_featherPixels = featherWidth(frameSize);
    m_region =
        planRegion(frameSize, settings.regionOfInterest,
                   settings.regionProcessingOptimizationEnabled, fullLevels, m_featherPixels);
    const QRect processing = m_region.processingRect;
    const int levels = RieszPyramid::levelCountFor(processing.width(), processing.height());
    m_pool.setWorkerCount(settings.effectiveWorkerCount());
    m_pyramid.reset();
    m_pyramid = std::make_unique<RieszPyramid>(levels, m_pool);

    reset();
    m_timings.processingWidth = processing.width();
    m_timings.processingHeight = processing.height();
    m_timings.regionOptimizationApplied = m_region.optimizationActive;
    m_configured = true;
    return true;
}

void PhaseMotionProcessor::clearPhaseState()
{
    m_cosFilter.reset();
    m_sinFilter.reset();
    for (std::vector<FloatPlane>* planes : {&m_previousBand, &m_cosAccumulator, &m_sinAccumulator})
        planes->clear();
    m_phaseStateInitialised = false;
    m_lastPresentationTimeUs = -1;
    m_lastFrameIndex = -1;
    m_cameraMotion.reset();
}

void PhaseMotionProcessor::reset()
{
    clearPhaseState();
    m_timings = MotionStageTimings();
}

bool PhaseMotionProcessor::process(const media::VideoFrame& input,
                                   std::vector<media::VideoFrame>* output, QString* error)
{
    if (!m_configured || !m_pyramid)
        return failWith(error, tr("The phase motion processor has not been configured."));
    if (!output || input.image.isNull() || input.presentationTimeUs < 0)
        return failWith(error, tr("A valid frame and an output frame container are required."));
    output->clear();
    if (input.image.size() != m_frameSize)
        return failWith(error, tr("The frame size changed during processing."));
    if (m_lastPresentationTimeUs >= 0 && input.presentationTimeUs <= m_lastPresentationTimeUs)
        return failWith(error, tr("Frame timestamps must be strictly increasing."));
    if (m_lastFrameIndex >= 0 && input.frameIndex >= 0 && input.frameIndex <= m_lastFrameIndex)
        return failWith(error, tr("Frame sequence numbers must be strictly increasing."));

    media::VideoFrame frame = input;
    const bool stabilising = m_settings.stabilizationEnabled;
    const bool amplifying = m_settings.amplificationFactor > 1.0;
    if (stabilising || amplifying) {
        try {
            QPointF back;
            if (stabilising && !measureCameraMotion(frame, &back, error))
                return false;
            if (!amplifying)
                moveWholeFrame(frame, back);
            else if (!amplify(frame, back, error))
                return false;
        } catch (const std::bad_alloc&) {
            return failWith(error, tr("There is not enough memory to process the frame."));
        } catch (const std::exception& e) {
            return failWith(error,
                            tr("Zazira core error: %1").arg(QString::fromLocal8Bit(e.what())));
        } catch (...) {
            return failWith(error, tr("Zazira core error: %1").arg(tr("unknown error")));
        }
    }
    m_lastPresentationTimeUs = input.presentationTimeUs;
    if (input.frameIndex >= 0)
        m_lastFrameIndex = input.frameIndex;
    output->push_back(std::move(frame));
    return true;
}

bool PhaseMotionProcessor::measureCameraMotion(const media::VideoFrame& frame, QPointF* back,
                                               QString* error)
{
    QPointF displacement;
    if (!m_cameraMotion.addWholeFrame(frame.image, m_settings.stabilizationReferenceRegion,
                                      &displacement, error))
        return false;
    *back = -displacement;
    return true;
}

void PhaseMotionProcessor::moveWholeFrame(media::VideoFrame& frame, const QPointF& back)
{
    if (back.isNull())
        return;
    // The same image every frame, so its pages are not allocated anew; the previous output has
    // normally been released by then (otherwise writing into it copies it first).
    shiftImage(frame.image, back, m_stabilised, &m_pool);
    frame.image = m_stabilised;
}

project_data::CameraMotion PhaseMotionProcessor::cameraMotion() const
{
    return m_configured && m_settings.stabilizationEnabled ? m_cameraMotion.motion()
                                                           : project_data::CameraMotion();
}

bool PhaseMotionProcessor::amplify(media::VideoFrame& frame, const QPointF& back, QString* error)
{
    const bool cropping = m_region.croppingInForce();
    // With a crop, only the crop is moved now; the rest of the frame is moved while the
    // result is pasted back.
    const bool moving = !back.isNull();
    if (!cropping)
        moveWholeFrame(frame, back);
    QImage working = frame.image;
    if (cropping) {
        if (moving)
            shiftImageArea(frame.image, back, m_region.processingRect, m_stabilised, &m_pool);
        working = moving ? m_stabilised : frame.image.copy(m_region.processingRect);
        if (working.isNull())
            return failWith(error,
                            tr("There is not enough memory to prepare the selected processing "
                               "region."));
    }
    const std::size_t levels = static_cast<std::size_t>(m_pyramid->levelCount());

    {
        StageTimer timer(m_timings.luminanceUs);
        extractLuminanceInto(m_pool, working, m_luminance);
    }
    {
        StageTimer timer(m_timings.pyramidDecompositionUs);
        m_pyramid->decompose(m_luminance, m_band, m_residual, &m_pyramidScratch);
    }
    // The Riesz components are formed row by row inside the accumulation and the shift
    // (quadratureUs stays 0), the temporal filter runs on each block of accumulated rows
    // (temporalFilterUs stays 0), and the shift runs inside the denoising pass: the chain is
    // bound by memory traffic, and these passes keep it to one read of each plane.
    {
        StageTimer timer(m_timings.phaseAccumulationUs);
        if (!m_phaseStateInitialised) {
            m_previousBand = m_band;
            m_cosAccumulator.clear();
            m_sinAccumulator.clear();
            for (const FloatPlane& level : m_band) {
                m_cosAccumulator.emplace_back(level.width, level.height);
                m_sinAccumulator.emplace_back(level.width, level.height);
            }
            m_phaseStateInitialised = true;
        }
        m_amplitude.resize(levels);
        if (!m_cosFilter.prepare(m_cosAccumulator, &m_filteredCos, error) ||
            !m_sinFilter.prepare(m_sinAccumulator, &m_filteredSin, error))
            return false;
        for (std::size_t l = 0; l < levels; ++l) {
            const auto filterAccumulated = [&](int begin, int end) {
                m_cosFilter.filterRange(l, m_cosAccumulator[l], m_filteredCos[l], begin, end);
                m_sinFilter.filterRange(l, m_sinAccumulator[l], m_filteredSin[l], begin, end);
            };
            if (!accumulatePhase(m_pool, m_band[l], m_previousBand[l], m_cosAccumulator[l],
                                 m_sinAccumulator[l], m_amplitude[l], filterAccumulated))
                return failWith(error, tr("Zazira core error: %1")
                                           .arg(QStringLiteral("phase planes of different sizes")));
        }
        // The current band becomes the previous one; the shifted band is written into the
        // old previous planes below, so no copy is needed.
        std::swap(m_previousBand, m_band);
    }
    {
        StageTimer timer(m_timings.phaseDenoisingUs);
        const float factor = static_cast<float>(m_settings.amplificationFactor - 1.0);
        for (std::size_t l = 0; l < levels; ++l)
            denoiseAndShiftPhase(m_pool, m_filteredCos[l], m_filteredSin[l], m_amplitude[l],
                                 m_previousBand[l], factor, m_band[l], &m_denoiseScratch);
    }
    {
        StageTimer timer(m_timings.reconstructionUs);
        m_pyramid->reconstruct(m_band, m_residual, m_reconstructed, &m_pyramidScratch);
    }
    {
        StageTimer timer(m_timings.compositionUs);
        QImage composed = composeLuminanceChange(
            m_pool, working, m_luminance, m_reconstructed, m_region.regionOfInterest,
            m_region.expandedRegion, expandedRegionWeight(m_region, m_settings.amplificationFactor),
            m_featherPixels);
        const QPoint at = m_region.processingRect.topLeft();
        if (cropping && !composed.isNull())
            composed = moving ? pasteRegionShifted(m_pool, frame.image, back, composed, at)
                              : pasteRegion(m_pool, frame.image, composed, at);
        if (composed.isNull())
            return failWith(error, tr("There is not enough memory to process the frame."));
        frame.image = std::move(composed);
        ++m_timings.measuredFrames;
    }
    return true;
}

bool PhaseMotionProcessor::flush(std::vector<media::VideoFrame>* output, QString* error)
{
    if (!m_configured || !m_pyramid)
        return failWith(error, tr("The phase motion processor has not been configured."));
    if (!output)
        return failWith(error, tr("An output container for remaining frames is required."));
    output->clear();
    return true;
}

} // namespace orvi::motion_core
