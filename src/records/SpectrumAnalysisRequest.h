#pragma once

#include "media/VideoInfo.h"
#include "records/LengthScale.h"

#include <QByteArray>
#include <QRectF>
#include <QSize>
#include <QtGlobal>

namespace orvi::project_data {

// Immutable input of one spectrum analysis; copied into the run and into its result.
struct SpectrumAnalysisRequest
{
    // Source metadata; captureFrameRate holds the rate chosen for this analysis and every
    // frequency of the analysis derives from it.
    media::VideoInfo videoInfo;
    QRectF analysisRegion{0.0, 0.0, 1.0, 1.0}; // normalised to the source frame
    qint64 startFrame = 0;                     // inclusive, zero-based
    qint64 endFrame = 0;                       // exclusive
    QByteArray identity;                       // lowercase hexadecimal SHA-256 of the inputs
    QSize requestedGrid{32, 16};               // columns x rows
    qint32 workerThreadCount = 0;              // 0 = automatic, 1 ... 256 = manual
    // Converts pixel amplitudes into physical units when set. Results in pixels never depend
    // on it, so it is no part of the identity and may change after the run.
    LengthScale lengthScale;
    // Camera motion compensation: the camera's translation, measured on this still part of
    // the scene (normalised like the analysis region), is taken out of every frame before
    // the phase signals are followed. The region is read only when compensation is on.
    bool cameraMotionCompensation = false;
    QRectF cameraReferenceRegion;
};

} // namespace orvi::project_data
