#pragma once

#include "records/AcceptedSignal.h"
#include "records/BandMapEntry.h"
#include "records/GridSite.h"
#include "records/SpectrumResult.h"
#include "records/TraceBucket.h"

#include <QString>
#include <vector>

namespace orvi::spectrum {

inline constexpr int kMinimumTraceColumns = 32;
inline constexpr int kMaximumTraceColumns = 2048;

// Band power of every accepted signal; valid entries are normalised to the strongest one.
std::vector<project_data::BandMapEntry>
bandPowerMap(const std::vector<project_data::AcceptedSignal>& pointSignals, double binWidthHz,
             double lowerHz, double upperHz);

// Spectrum of one accepted site's longest segment, computed as a one-point analysis.
// False (and `out` unchanged) when the site has no usable segment or the stage fails.
bool localSpectrum(const project_data::GridSite& site, double captureRate,
                   project_data::SpectrumResult* out);

// Extremes of X and Y per display column between two times (seconds from the fragment
// start; phase sample i sits at (i + 1) / rate). *raw says every bucket holds one sample.
std::vector<project_data::TraceBucket> traceWindow(const std::vector<float>& seriesX,
                                                   const std::vector<float>& seriesY,
                                                   double captureRate, double startSeconds,
                                                   double endSeconds, int columns,
                                                   bool* raw = nullptr);

// Removes mean and linear trend from every maximal run of finite samples separately.
std::vector<float> detrendRuns(const std::vector<float>& series);

// Translated explanation of a site's acceptance for the diagnostic list.
QString siteReason(const project_data::GridSite& site, double captureRate);

} // namespace orvi::spectrum
