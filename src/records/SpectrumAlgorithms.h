#pragma once

namespace orvi::project_data {

// Identifiers written into every analysis export and report.
inline constexpr char kSpectrumAlgorithmId[] = "phase-spectrum-3";
inline constexpr char kRelativePhaseAlgorithmId[] = "relative-phase-1";

// Acceptance rules of the relative phase estimate, also written into exports.
inline constexpr int kRelativePhaseMinimumSamples = 128;
inline constexpr double kRelativePhaseMinimumPeriodsPerHalf = 4.0;
inline constexpr double kRelativePhaseMinimumFitFraction = 0.30;
inline constexpr double kRelativePhaseMaximumDriftDegrees = 30.0;
inline constexpr double kRelativePhaseMinimumAmplitudeRadians = 1e-6;
inline constexpr int kRelativePhaseMaximumPoints = 2048;

} // namespace orvi::project_data
