#pragma once

#include "records/AcceptedSignal.h"
#include "records/CameraMotion.h"
#include "records/FrequencyCandidate.h"
#include "records/GridSite.h"
#include "records/SpectrumAnalysisRequest.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <QtGlobal>
#include <vector>

namespace orvi::project_data {

// Outcome of one spectrum analysis run: ok, cancelled, failed with a message, or not ok
// without a message (the spectrum stage refused its input).
struct SpectrumResult
{
    SpectrumAnalysisRequest request; // the validated input, identity included
    bool ok = false;
    bool cancelled = false;
    bool unresolvedPeaks = false; // peaks suppressed as too close or a band narrowed
    QString errorMessage;
    std::vector<double> spectrum; // aggregate normalised to its maximum, bins 0 ... N/2 - 1
    std::vector<FrequencyCandidate> candidates;  // at most 20
    std::vector<AcceptedSignal> acceptedSignals; // one per accepted point, grid order
    std::vector<GridSite> sites;                 // one per grid point, grid order (row-major)
    QImage firstFrame;                           // reduced to fit 1920 x 1920
    double binWidthHz = 0.0;                     // capture rate / FFT size
    double windowResolutionHz = 0.0;             // capture rate / shortest accepted segment
    double powerNormalization = 0.0; // aggregate maximum / accepted points (1 when fewer than 2)
    qint32 sampleCount = 0;          // longest accepted segment, in samples
    qint32 fftSize = 0;
    qint32 siteCount = 0;
    qint32 acceptedCount = 0;
    QSize analysisImageSize;
    qint64 elapsedMs = 0;
    // Frames between the fragment's key frames when they come at one steady distance, else 0.
    qint32 keyFrameInterval = 0;
    // The camera motion that was measured and removed; `compensated` is false without it.
    CameraMotion cameraMotion;
};

} // namespace orvi::project_data
