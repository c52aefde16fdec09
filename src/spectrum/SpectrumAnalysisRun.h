#pragma once

#include "records/SpectrumAnalysisRequest.h"
#include "records/SpectrumResult.h"
#include "spectrum/SpectrumCallbacks.h"

namespace orvi::spectrum {

struct SpectrumRunOptions
{
    // Follow every cell's displacement and state the candidates' amplitudes in pixels; off
    // only to time the analysis without it.
    bool measureDisplacement = true;
};

// One whole analysis on the calling thread: decodes the fragment (a few frames ahead, on a
// thread of its own), extracts the phase signals, computes the spectrum. Never throws; the outcome
// is in the result (ok, cancelled, or an error message). `isCancelled` is also polled from worker
// threads and must be thread-safe; `progress` receives fractions 0 ... 1 on the calling thread.
project_data::SpectrumResult
runSpectrumAnalysis(const project_data::SpectrumAnalysisRequest& request,
                    const CancellationCheck& isCancelled, const ProgressCallback& progress,
                    const SpectrumRunOptions& options = {});

} // namespace orvi::spectrum
