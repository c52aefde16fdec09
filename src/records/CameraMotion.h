#pragma once

#include <QtGlobal>
#include <limits>
#include <vector>

namespace orvi::project_data {

// The camera's own motion, measured on a still reference region of the scene and removed
// from the frames before they are analysed or amplified. Displacements are in pixels of the
// source frame, relative to the first frame of the fragment (x right, y down).
struct CameraMotion
{
    bool compensated = false;
    std::vector<float> displacementX; // one per frame; the first is 0
    std::vector<float> displacementY;
    // Largest and root-mean-square distance from the mean position.
    double peakPx = std::numeric_limits<double>::quiet_NaN();
    double rmsPx = std::numeric_limits<double>::quiet_NaN();
    // How well each frame's reference region matched the first frame's once moved back:
    // 1 - residual / texture contrast (1 = perfect); the mean and the worst frame.
    double meanQuality = std::numeric_limits<double>::quiet_NaN();
    double lowestQuality = std::numeric_limits<double>::quiet_NaN();
    // Power spectrum of the displacement (x and y summed), on the analysis spectrum's bins.
    std::vector<double> powerSpectrum;
};

} // namespace orvi::project_data
