// Single kernels on one 1920 x 1080 plane (the finest level of a full-HD frame), with one
// worker, to see where the per-frame time of the motion chain goes.

#include "motion/MotionWorkerPool.h"
#include "motion/PhaseKernels.h"
#include "motion/PlaneKernels.h"
#include "motion/RieszPyramid.h"
#include "motion/TemporalBandpassFilter.h"

#include <QRandomGenerator>
#include <benchmark/benchmark.h>

using namespace orvi::motion_core;

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

FloatPlane randomPlane(quint32 seed, float scale)
{
    QRandomGenerator random(seed);
    FloatPlane plane(kWidth, kHeight);
    for (float& s : plane.samples)
        s = float(random.generateDouble() - 0.5) * scale;
    return plane;
}

void setSamples(benchmark::State& state)
{
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void BM_Decompose(benchmark::State& state)
{
    MotionWorkerPool pool;
    const RieszPyramid pyramid(4, pool);
    const FloatPlane lum = randomPlane(1, 255.0f);
    std::vector<FloatPlane> levels;
    FloatPlane residual;
    PyramidScratch scratch;
    for (auto _ : state)
        pyramid.decompose(lum, levels, residual, &scratch);
    setSamples(state);
}

void BM_Riesz(benchmark::State& state)
{
    MotionWorkerPool pool;
    const FloatPlane level = randomPlane(1, 40.0f);
    FloatPlane r1, r2;
    for (auto _ : state)
        rieszTransform(pool, level, r1, r2);
    setSamples(state);
}

void BM_AccumulatePhase(benchmark::State& state)
{
    MotionWorkerPool pool;
    const FloatPlane i = randomPlane(1, 40.0f), r1 = randomPlane(2, 20.0f),
                     r2 = randomPlane(3, 20.0f), pi = randomPlane(4, 40.0f),
                     pr1 = randomPlane(5, 20.0f), pr2 = randomPlane(6, 20.0f);
    FloatPlane c(kWidth, kHeight), s(kWidth, kHeight), m;
    for (auto _ : state)
        accumulatePhase(pool, i, r1, r2, pi, pr1, pr2, c, s, m);
    setSamples(state);
}

void BM_TemporalFilter(benchmark::State& state)
{
    MotionWorkerPool pool;
    TemporalBandpassFilter filter;
    filter.configure(240.0, 9.0, 14.0);
    const std::vector<FloatPlane> in{randomPlane(1, 1.0f)};
    std::vector<FloatPlane> out;
    for (auto _ : state)
        filter.process(in, &out, pool);
    setSamples(state);
}

void BM_DenoisePhase(benchmark::State& state)
{
    MotionWorkerPool pool;
    const FloatPlane a = randomPlane(1, 1.0f), b = randomPlane(2, 1.0f), m = randomPlane(3, 10.0f);
    FloatPlane ca = a, cb = b;
    DenoiseScratch scratch;
    for (auto _ : state) {
        state.PauseTiming();
        ca = a;
        cb = b;
        state.ResumeTiming();
        denoisePhase(pool, ca, cb, m, &scratch);
    }
    setSamples(state);
}

void BM_ShiftPhase(benchmark::State& state)
{
    MotionWorkerPool pool;
    const FloatPlane band = randomPlane(1, 40.0f), r1 = randomPlane(2, 20.0f),
                     r2 = randomPlane(3, 20.0f), fc = randomPlane(4, 0.1f),
                     fs = randomPlane(5, 0.1f);
    FloatPlane out;
    for (auto _ : state)
        shiftPhase(pool, band, r1, r2, fc, fs, 19.0f, out);
    setSamples(state);
}

void BM_Reconstruct(benchmark::State& state)
{
    MotionWorkerPool pool;
    const RieszPyramid pyramid(4, pool);
    std::vector<FloatPlane> levels;
    FloatPlane residual, out;
    PyramidScratch scratch;
    pyramid.decompose(randomPlane(1, 255.0f), levels, residual, &scratch);
    for (auto _ : state)
        pyramid.reconstruct(levels, residual, out, &scratch);
    setSamples(state);
}

} // namespace

BENCHMARK(BM_Decompose)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Riesz)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AccumulatePhase)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TemporalFilter)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DenoisePhase)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShiftPhase)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Reconstruct)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
