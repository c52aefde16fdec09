#include "spectrum/CameraMotionLines.h"

#include "spectrum/SpectrumStage.h"

#include <algorithm>
#include <cmath>

namespace orvi::spectrum {

namespace {

constexpr double kLineToBackground = 4.0;
// The camera's motion at a line must be at least this share of the line's amplitude.
constexpr double kCameraShareOfLine = 0.5;

// The camera's displacement from the second frame on, so that sample i lines up with the
// points' phase sample i (the motion between frames 0 and i + 1).
std::vector<float> samplesFrom(const std::vector<float>& displacement)
{
    return displacement.size() < 2
               ? std::vector<float>()
               : std::vector<float>(displacement.begin() + 1, displacement.end());
}

} // namespace

void markCameraMotionLines(project_data::SpectrumResult& result)
{
    project_data::CameraMotion& camera = result.cameraMotion;
    if (!camera.compensated || result.fftSize < 4 || !(result.binWidthHz > 0.0))
        return;
    const std::vector<float> x = samplesFrom(camera.displacementX);
    const std::vector<float> y = samplesFrom(camera.displacementY);
    const int length = std::min(int(x.size()), result.fftSize);
    if (length < 4 || y.size() != x.size())
        return;
    const std::vector<double> px = segmentPowerSpectrum(x, 0, length, result.fftSize);
    const std::vector<double> py = segmentPowerSpectrum(y, 0, length, result.fftSize);
    if (px.empty() || px.size() != py.size())
        return;
    camera.powerSpectrum.resize(px.size());
    for (size_t k = 0; k < px.size(); ++k)
        camera.powerSpectrum[k] = px[k] + py[k];
    const std::vector<double>& power = camera.powerSpectrum;
    const int bins = int(power.size());
    // A one-sided bin of a sinusoid of amplitude a holds a^2 / 2.
    const double floor = 0.5 * kCameraLineFloorPx * kCameraLineFloorPx;
    for (project_data::FrequencyCandidate& candidate : result.candidates) {
        const int bin = int(std::lround(candidate.frequencyHz / result.binWidthHz));
        // What is left of camera shake is a small part of it; a line of the equipment far
        // stronger than the camera's own motion at its frequency is no camera motion.
        const double line =
            std::isfinite(candidate.amplitudePx) ? kCameraShareOfLine * candidate.amplitudePx : 0.0;
        const double lineFloor = std::max(floor, 0.5 * line * line);
        for (int k = std::max(bin - 1, 1); k <= std::min(bin + 1, bins - 1); ++k) {
            if (power[size_t(k)] >= lineFloor &&
                power[size_t(k)] >= kLineToBackground * localBackground(power, k)) {
                candidate.cameraMotion = true;
                break;
            }
        }
    }
}

} // namespace orvi::spectrum
