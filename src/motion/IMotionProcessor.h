#pragma once

#include "media/VideoFrame.h"
#include "media/VideoInfo.h"
#include "motion/ProcessingSettings.h"
#include "records/MotionStageTimings.h"

#include <QString>
#include <vector>

namespace orvi::motion_core {

using project_data::MotionStageTimings;

// Turns the frames of a fragment, fed in order, into amplified frames: exactly one output
// frame per input frame, with no latency. Used from one thread at a time.
class IMotionProcessor
{
public:
    virtual ~IMotionProcessor() = default;

    // Validates the source metadata and the settings and starts a fresh run.
    virtual bool configure(const media::VideoInfo& videoInfo, const ProcessingSettings& settings,
                           QString* error = nullptr) = 0;
    // Clears all per-run state and zeroes the timings; the configuration stays.
    virtual void reset() = 0;
    // Processes one frame; `output` receives its amplified frame.
    virtual bool process(const media::VideoFrame& input, std::vector<media::VideoFrame>* output,
                         QString* error = nullptr) = 0;
    // End of stream: `output` receives any held-back frames.
    virtual bool flush(std::vector<media::VideoFrame>* output, QString* error = nullptr) = 0;

    const MotionStageTimings& stageTimings() const { return m_timings; }

protected:
    MotionStageTimings m_timings;
};

} // namespace orvi::motion_core
