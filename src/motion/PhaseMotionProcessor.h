#pragma once

#include "motion/CameraMotionEstimator.h"
#include "motion/FloatPlane.h"
#include "motion/IMotionProcessor.h"
#include "motion/MotionWorkerPool.h"
#include "motion/PhaseKernels.h"
#include "motion/ProcessingRegion.h"
#include "motion/RieszPyramid.h"
#include "motion/TemporalBandpassFilter.h"

#include <QCoreApplication>
#include <QPointF>
#include <QSize>
#include <memory>
#include <vector>

namespace orvi::motion_core {

// Phase-based motion magnification on a Riesz pyramid: per frame, luminance, band split,
// Riesz transform, phase accumulation against the previous frame, temporal band-pass of the
// accumulated phase, amplitude-weighted denoising, phase shift by (alpha - 1),
// reconstruction and composition into the colour frame inside the feathered region. With
// region optimisation only a crop around the region is processed. With camera motion
// compensation every frame is first moved back by the camera's translation, measured on the
// still reference region, so that the output magnifies the equipment and not the shake.
class PhaseMotionProcessor final : public IMotionProcessor
{
    Q_DECLARE_TR_FUNCTIONS(PhaseMotionProcessor)

public:
    static constexpr const char* kAlgorithmName = "Riesz phase magnification";
    static constexpr const char* kAlgorithmId = "riesz-phase-cpu-0.3";

    PhaseMotionProcessor();
    ~PhaseMotionProcessor() override;

    bool configure(const media::VideoInfo& videoInfo, const ProcessingSettings& settings,
                   QString* error = nullptr) override;
    void reset() override;
    bool process(const media::VideoFrame& input, std::vector<media::VideoFrame>* output,
                 QString* error = nullptr) override;
    bool flush(std::vector<media::VideoFrame>* output, QString* error = nullptr) override;

    bool isConfigured() const { return m_configured; }
    const ProcessingSettings& settings() const { return m_settings; }
    const ProcessingRegion& regionPlan() const { return m_region; }
    int levelCount() const { return m_pyramid ? m_pyramid->levelCount() : 0; }
    quint32 workerCount() const { return m_pool.workerCount(); }
    // The camera motion measured so far in this run (`compensated` false without it).
    project_data::CameraMotion cameraMotion() const;

private:
    bool configureChecked(const media::VideoInfo& videoInfo, const ProcessingSettings& settings,
                          QString* error);
    void clearPhaseState();
    // The move that takes the camera's motion since the first frame out of this frame.
    bool measureCameraMotion(const media::VideoFrame& frame, QPointF* back, QString* error);
    void moveWholeFrame(media::VideoFrame& frame, const QPointF& back);
    bool amplify(media::VideoFrame& frame, const QPointF& back, QString* error);

    ProcessingSettings m_settings;
    bool m_configured = false;
    QSize m_frameSize;
    ProcessingRegion m_region;
    double m_featherPixels = 0.0;
    MotionWorkerPool m_pool;
    std::unique_ptr<RieszPyramid> m_pyramid;
    TemporalBandpassFilter m_cosFilter;
    TemporalBandpassFilter m_sinFilter;
    bool m_phaseStateInitialised = false;
    qint64 m_lastPresentationTimeUs = -1;
    qint64 m_lastFrameIndex = -1;

    // Per-frame planes, reused from frame to frame.
    FloatPlane m_luminance;
    FloatPlane m_residual;
    FloatPlane m_reconstructed;
    std::vector<FloatPlane> m_band;
    std::vector<FloatPlane> m_previousBand;
    std::vector<FloatPlane> m_cosAccumulator;
    std::vector<FloatPlane> m_sinAccumulator;
    std::vector<FloatPlane> m_amplitude;
    std::vector<FloatPlane> m_filteredCos;
    std::vector<FloatPlane> m_filteredSin;
    PyramidScratch m_pyramidScratch;
    CameraMotionEstimator m_cameraMotion;
    QImage m_stabilised; // the moved frame, or only its processing crop
    DenoiseScratch m_denoiseScratch;
};

} // namespace orvi::motion_core
