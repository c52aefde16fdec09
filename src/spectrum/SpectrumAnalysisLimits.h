#pragma once

#include "records/SpectrumAnalysisRequest.h"

#include <QByteArray>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QtGlobal>

namespace orvi::spectrum {

inline constexpr int kMaximumWorkerThreads = 256;
inline constexpr int kGridDensityCount = 3;
// The highest capture frame rate the program accepts anywhere.
inline constexpr double kMaximumCaptureFrameRate = 10000.0;
inline constexpr qint64 kMinimumFragmentFrames = 65;
inline constexpr qint64 kMaximumFragmentFrames = 65537;
inline constexpr int kMinimumRegionPixels = 32;
inline constexpr qint64 kMaximumSourcePixels = 33554432; // 32 x 2^20
inline constexpr int kMaximumAnalysisSide = 512;
inline constexpr int kMinimumAnalysisSide = 16;
inline constexpr qint64 kSignalSampleBudget = 8388608; // phase samples per component
inline constexpr int kGridMargin = 6;                  // pixels on every side of the grid
inline constexpr int kMinimumCellPixels = 4;
// Right and bottom edges may overshoot 1 by this much so a region ending at the frame edge
// survives rounding.
inline constexpr double kRegionEdgeTolerance = 1.0000001;

// Columns x rows of grid density 0, 1 or 2 (16 x 8, 32 x 16, 64 x 32); empty otherwise.
QSize gridForDensity(int densityIndex);

// The analysis region in whole pixels of an image of the given size: widened outward and
// clipped to the image. Null for an unusable region or image size.
QRect analysisCropRect(const QRectF& region, const QSize& imageSize);
// Size a crop is resampled to: unchanged up to 512 x 512, otherwise fitted inside it with
// the aspect ratio kept.
QSize fittedAnalysisSize(const QSize& cropSize);

QSize analysisImageSize(const project_data::SpectrumAnalysisRequest& request);
QSize effectiveGrid(const project_data::SpectrumAnalysisRequest& request);
// Longest fragment, in frames, that the signal memory budget allows for the effective grid.
qint64 maximumFragmentFrames(const project_data::SpectrumAnalysisRequest& request);
// Whether the request may run; otherwise false with the first failing rule's translated
// message.
bool validate(const project_data::SpectrumAnalysisRequest& request, QString* error = nullptr);
int effectiveWorkerThreads(const project_data::SpectrumAnalysisRequest& request);
// Lowercase hexadecimal SHA-256 over the inputs that determine the analysis.
QByteArray makeIdentity(qint64 inputRevision, const project_data::SpectrumAnalysisRequest& request);

} // namespace orvi::spectrum
