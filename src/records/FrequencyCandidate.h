#pragma once

#include <QtGlobal>
#include <cmath>
#include <limits>

namespace orvi::project_data {

// One peak of the aggregate spectrum with its proposed band.
struct FrequencyCandidate
{
    double frequencyHz = 0.0;
    double relativePower = 0.0;  // aggregate power at the peak over the aggregate maximum
    double contrastDb = 0.0;     // against the local background of the aggregate
    double spatialSupport = 0.0; // fraction of accepted points where the bin stands out
    bool stabilityEvaluated = false;
    double stability = 0.0; // 0, 0.5 or 1: fragment halves that show the peak again
    double lowerFrequencyHz = 0.0;
    double upperFrequencyHz = 0.0;
    // On a multiple of the source's key-frame rate: the line may come from the encoder's
    // key-frame cadence rather than from the equipment.
    bool possibleCompressionArtefact = false;
    // With camera motion compensation: the camera's own motion, measured on the reference
    // region, has a line at this frequency too, so the line may be (what is left of) camera
    // shake rather than the equipment's vibration.
    bool cameraMotion = false;
    // The line's frequency between bins, the one every view and export states.
    double refinedFrequencyHz = std::numeric_limits<double>::quiet_NaN();
    // Peak displacement (px of the source frame) of the reliable points that carry the line:
    // their median (the headline figure), lower and upper quartiles and count; then the
    // strongest of them and its grid index. NaN and -1 without such a point.
    double amplitudePx = std::numeric_limits<double>::quiet_NaN();
    double amplitudeLowerPx = std::numeric_limits<double>::quiet_NaN();
    double amplitudeUpperPx = std::numeric_limits<double>::quiet_NaN();
    qint32 amplitudePoints = 0;
    double strongestAmplitudePx = std::numeric_limits<double>::quiet_NaN();
    qint32 amplitudePoint = -1;

    // The frequency to state: the refined one where it was measured, else the bin's.
    double measuredFrequencyHz() const
    {
        return std::isfinite(refinedFrequencyHz) ? refinedFrequencyHz : frequencyHz;
    }
};

} // namespace orvi::project_data
