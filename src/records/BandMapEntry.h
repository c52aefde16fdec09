#pragma once

#include <QRectF>

namespace orvi::project_data {

// Band power of one accepted point, normalised to the strongest valid point of the band.
struct BandMapEntry
{
    double sampleX = 0.0;
    double sampleY = 0.0;
    QRectF cellRect;
    double value = 0.0;
    double peakFrequencyHz = 0.0; // frequency of the largest bin inside the band
    bool valid = false;
};

} // namespace orvi::project_data
