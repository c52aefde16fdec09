#include "SpectrumTestSignals.h"

#include <QRandomGenerator>
#include <cmath>
#include <numbers>

namespace orvi::spectrum::testing {

std::vector<float> tone(int sampleCount, double cyclesPerSample, double amplitude, double phase,
                        double noise, quint32 seed)
{
    QRandomGenerator random(seed);
    std::vector<float> samples(static_cast<size_t>(sampleCount));
    for (int i = 0; i < sampleCount; ++i) {
        const double jitter = noise > 0.0 ? (random.generateDouble() * 2.0 - 1.0) * noise : 0.0;
        samples[size_t(i)] = float(
            amplitude * std::cos(2.0 * std::numbers::pi * cyclesPerSample * i + phase) + jitter);
    }
    return samples;
}

std::vector<float> sum(const std::vector<float>& a, const std::vector<float>& b)
{
    std::vector<float> out(a.size());
    for (size_t i = 0; i < a.size(); ++i)
        out[i] = a[i] + b[i];
    return out;
}

std::vector<project_data::AcceptedSignal> emptySignals(int count)
{
    std::vector<project_data::AcceptedSignal> list(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        list[size_t(i)].sampleX = (i + 0.5) / count;
        list[size_t(i)].sampleY = 0.5;
    }
    return list;
}

} // namespace orvi::spectrum::testing
