#pragma once

#include <limits>

namespace orvi::project_data {

// Displacement of one analysis point at one frequency, in pixels of the source frame. A
// component's motion is amplitude * cos(2 pi f t + phase), t in seconds from the start of the
// fragment; x points right and y down. NaN where the point gave no estimate.
struct PointAmplitude
{
    double amplitudeXPx = std::numeric_limits<double>::quiet_NaN(); // peak
    double phaseXDegrees = std::numeric_limits<double>::quiet_NaN();
    double amplitudeYPx = std::numeric_limits<double>::quiet_NaN();
    double phaseYDegrees = std::numeric_limits<double>::quiet_NaN();
    // Peak of the motion: the major semi-axis of the ellipse the point describes.
    double amplitudePx = std::numeric_limits<double>::quiet_NaN();
    // Direction of that axis, degrees from +x towards +y, in (-90, 90].
    double directionDegrees = std::numeric_limits<double>::quiet_NaN();
    // Phase of the motion along that axis.
    double phaseDegrees = std::numeric_limits<double>::quiet_NaN();
    // Standard error of amplitudePx: the noise of the point's own displacement along that axis
    // next to the frequency.
    double standardErrorPx = std::numeric_limits<double>::quiet_NaN();
    // The frequency stands out in the point's phase spectrum: the point carries the line.
    bool carriesLine = false;
    // The estimate can be trusted: the point carries the line, the amplitude is at least four
    // times its standard error, and its swing stays inside the point's cell.
    bool reliable = false;
};

} // namespace orvi::project_data
