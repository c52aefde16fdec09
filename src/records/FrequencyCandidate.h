#pragma once

#include <QtGlobal>
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
    // The vibration's frequency between bins, at which the amplitudes are measured.
    double refinedFrequencyHz = std::numeric_limits<double>::quiet_NaN();
    // Peak displacement (px of the source frame) at the strongest point among those where the
    // frequency stands out (all accepted points when it stands out at none), that point's grid
    // index, and the median over the same points.
    double amplitudePx = std::numeric_limits<double>::quiet_NaN();
    qint32 amplitudePoint = -1;
    double medianAmplitudePx = std::numeric_limits<double>::quiet_NaN();
};

} // namespace orvi::project_data
