#pragma once

#include "records/PointAmplitude.h"

#include <QRectF>
#include <vector>

namespace orvi::project_data {

// One accepted grid point as seen by the spectrum stage.
struct AcceptedSignal
{
    double sampleX = 0.0;
    double sampleY = 0.0;
    QRectF cellRect;
    std::vector<double> powerSpectrum; // one-sided, FFT size / 2 bins, bin 0 is 0
    double localBackground = 0.0;      // upper median of the power spectrum, at least 1e-30
    // Displacement at each frequency candidate, in candidate order.
    std::vector<PointAmplitude> amplitudes;
    // Peak displacement amplitude per bin (px of the source frame, x and y combined, FFT size / 2
    // bins) of the candidates' strongest points; empty for every other point.
    std::vector<double> amplitudeSpectrumPx;
};

} // namespace orvi::project_data
