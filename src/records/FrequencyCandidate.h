#pragma once

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
};

} // namespace orvi::project_data
