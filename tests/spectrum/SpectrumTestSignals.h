#pragma once

#include "records/AcceptedSignal.h"

#include <QtGlobal>
#include <vector>

namespace orvi::spectrum::testing {

// x_i = amplitude * cos(2 pi cyclesPerSample i + phase) + uniform noise in [-noise, noise].
std::vector<float> tone(int sampleCount, double cyclesPerSample, double amplitude,
                        double phase = 0.0, double noise = 0.0, quint32 seed = 1);

// Sample-by-sample sum of two series of equal length.
std::vector<float> sum(const std::vector<float>& a, const std::vector<float>& b);

// A list of `count` empty accepted signals, as the spectrum stage expects beside the series.
std::vector<project_data::AcceptedSignal> emptySignals(int count);

} // namespace orvi::spectrum::testing
