// Throughput of the configured motion processor on synthetic moving texture:
// 1920 x 1080 full frame and 3840 x 2160 with a 10 % x 10 % region (region optimisation on),
// factor 20, band 9..14 Hz at 240 fps, automatic workers; each also with camera motion
// compensation on a reference region in the top-left corner (the "Compensated" runs).
// The "CompensationCost" runs give the cost of compensation as a ratio robust against a
// machine whose speed drifts: rounds of frames alternate between a processor with and one
// without it, and the median and spread of the rounds' time ratios are reported.

#include "motion/PhaseMotionProcessor.h"

#include <QImage>
#include <QRandomGenerator>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <vector>

using namespace orvi;
using namespace orvi::motion_core;

namespace {

constexpr int kDistinctFrames = 8;

// A few frames of smooth random texture, shifted by a sub-pixel sinusoid.
std::vector<QImage> makeFrames(int width, int height)
{
    QRandomGenerator random(7);
    const int cellW = width / 8 + 2, cellH = height / 8 + 2;
    std::vector<float> cells(static_cast<std::size_t>(cellW) * cellH);
    for (float& c : cells)
        c = static_cast<float>(random.bounded(200.0) + 20.0);
    auto texture = [&](double x, double y) {
        const double gx = x / 8.0, gy = y / 8.0;
        const int ix = static_cast<int>(gx), iy = static_cast<int>(gy);
        const double fx = gx - ix, fy = gy - iy;
        auto at = [&](int cx, int cy) { return cells[std::size_t(cy) * cellW + cx]; };
        return (at(ix, iy) * (1 - fx) + at(ix + 1, iy) * fx) * (1 - fy) +
               (at(ix, iy + 1) * (1 - fx) + at(ix + 1, iy + 1) * fx) * fy;
    };
    std::vector<QImage> frames;
    for (int f = 0; f < kDistinctFrames; ++f) {
        QImage image(width, height, QImage::Format_RGBA8888);
        const double shift = 0.3 * std::sin(2.0 * M_PI * 12.0 * f / 240.0);
        for (int y = 0; y < height; ++y) {
            uchar* line = image.scanLine(y);
            for (int x = 0; x < width; ++x) {
                const int v = static_cast<int>(texture(x + 1.0 + shift, y + 1.0));
                line[4 * x] = uchar(v);
                line[4 * x + 1] = uchar(v);
                line[4 * x + 2] = uchar(v);
                line[4 * x + 3] = 255;
            }
        }
        frames.push_back(image);
    }
    return frames;
}

bool configure(PhaseMotionProcessor& processor, int width, int height, const QRectF& region,
               bool compensated, QString* error)
{
    media::VideoInfo info;
    info.frameSize = QSize(width, height);
    info.captureFrameRate = 240.0;
    info.nominalFrameRate = 240.0;
    ProcessingSettings settings;
    settings.lowerFrequencyHz = 9.0;
    settings.upperFrequencyHz = 14.0;
    settings.amplificationFactor = 20.0;
    settings.regionOfInterest = region;
    settings.regionProcessingOptimizationEnabled = true;
    settings.stabilizationEnabled = compensated;
    settings.stabilizationReferenceRegion = QRectF(0.02, 0.02, 0.2, 0.2);
    return processor.configure(info, settings, error);
}

void runProcessor(benchmark::State& state, int width, int height, const QRectF& region,
                  bool compensated = false)
{
    PhaseMotionProcessor processor;
    QString error;
    if (!configure(processor, width, height, region, compensated, &error)) {
        state.SkipWithError(error.toUtf8().constData());
        return;
    }
    const std::vector<QImage> frames = makeFrames(width, height);
    std::vector<media::VideoFrame> output;
    qint64 index = 0;
    // Warm-up: sizes every plane and starts the threads.
    auto feed = [&] {
        media::VideoFrame frame;
        frame.image = frames[static_cast<std::size_t>(index % kDistinctFrames)];
        frame.frameIndex = index;
        frame.presentationTimeUs = index * 1000000 / 240;
        ++index;
        if (!processor.process(frame, &output, &error))
            state.SkipWithError(error.toUtf8().constData());
    };
    for (int i = 0; i < 3; ++i)
        feed();
    processor.reset();
    index = 0;
    for (auto _ : state)
        feed();

    const MotionStageTimings t = processor.stageTimings();
    const double frames_ = static_cast<double>(t.measuredFrames);
    state.counters["fps"] = benchmark::Counter(frames_, benchmark::Counter::kIsRate);
    state.counters["MPix/s"] =
        benchmark::Counter(frames_ * width * height / 1e6, benchmark::Counter::kIsRate);
    state.counters["workers"] = processor.workerCount();
    state.counters["procW"] = t.processingWidth;
    state.counters["procH"] = t.processingHeight;
    auto perFrameMs = [&](qint64 us) { return frames_ > 0 ? us / 1000.0 / frames_ : 0.0; };
    state.counters["luminanceMs"] = perFrameMs(t.luminanceUs);
    state.counters["pyramidMs"] = perFrameMs(t.pyramidDecompositionUs);
    state.counters["quadratureMs"] = perFrameMs(t.quadratureUs);
    state.counters["accumulateMs"] = perFrameMs(t.phaseAccumulationUs);
    state.counters["filterMs"] = perFrameMs(t.temporalFilterUs);
    state.counters["denoiseMs"] = perFrameMs(t.phaseDenoisingUs);
    state.counters["shiftMs"] = perFrameMs(t.phaseShiftUs);
    state.counters["reconstructMs"] = perFrameMs(t.reconstructionUs);
    state.counters["composeMs"] = perFrameMs(t.compositionUs);
}

void BM_FullFrame1080p(benchmark::State& state)
{
    runProcessor(state, 1920, 1080, QRectF(0.0, 0.0, 1.0, 1.0));
}

void BM_Region2160p(benchmark::State& state)
{
    runProcessor(state, 3840, 2160, QRectF(0.45, 0.45, 0.1, 0.1));
}

void BM_FullFrame1080pCompensated(benchmark::State& state)
{
    runProcessor(state, 1920, 1080, QRectF(0.0, 0.0, 1.0, 1.0), true);
}

void BM_Region2160pCompensated(benchmark::State& state)
{
    runProcessor(state, 3840, 2160, QRectF(0.45, 0.45, 0.1, 0.1), true);
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

// Time with compensation over time without it, frame for frame on the same images.
void runCompensationCost(benchmark::State& state, int width, int height, const QRectF& region)
{
    constexpr int kRounds = 15;
    constexpr int kFramesPerRound = 2 * kDistinctFrames;
    PhaseMotionProcessor plain, compensated;
    QString error;
    if (!configure(plain, width, height, region, false, &error) ||
        !configure(compensated, width, height, region, true, &error)) {
        state.SkipWithError(error.toUtf8().constData());
        return;
    }
    const std::vector<QImage> frames = makeFrames(width, height);
    std::vector<media::VideoFrame> output;
    qint64 next[2] = {0, 0};
    // Seconds for one round of frames through one of the processors.
    auto round = [&](int which) {
        PhaseMotionProcessor& processor = which ? compensated : plain;
        const auto started = std::chrono::steady_clock::now();
        for (int i = 0; i < kFramesPerRound; ++i) {
            media::VideoFrame frame;
            const qint64 index = next[which]++;
            frame.image = frames[static_cast<std::size_t>(index % kDistinctFrames)];
            frame.frameIndex = index;
            frame.presentationTimeUs = index * 1000000 / 240;
            if (!processor.process(frame, &output, &error))
                state.SkipWithError(error.toUtf8().constData());
            output.clear();
        }
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    };
    round(0); // warm-up: sizes every plane and starts the threads
    round(1);
    std::vector<double> ratios, plainMs, compensatedMs;
    for (auto _ : state) {
        for (int r = 0; r < kRounds; ++r) {
            // Each pair in both orders in turn, so neither side always runs on a warm cache.
            const double first = round(r % 2);
            const double second = round(1 - r % 2);
            const double without = r % 2 ? second : first;
            const double with = r % 2 ? first : second;
            ratios.push_back(with / without);
            plainMs.push_back(1000.0 * without / kFramesPerRound);
            compensatedMs.push_back(1000.0 * with / kFramesPerRound);
        }
    }
    state.counters["ratioMedian"] = median(ratios);
    state.counters["ratioMin"] = *std::min_element(ratios.begin(), ratios.end());
    state.counters["ratioMax"] = *std::max_element(ratios.begin(), ratios.end());
    state.counters["plainMs"] = median(plainMs);
    state.counters["compensatedMs"] = median(compensatedMs);
}

void BM_CompensationCost1080p(benchmark::State& state)
{
    runCompensationCost(state, 1920, 1080, QRectF(0.0, 0.0, 1.0, 1.0));
}

void BM_CompensationCost2160pRegion(benchmark::State& state)
{
    runCompensationCost(state, 3840, 2160, QRectF(0.45, 0.45, 0.1, 0.1));
}

} // namespace

BENCHMARK(BM_CompensationCost1080p)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_CompensationCost2160pRegion)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_FullFrame1080p)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(5.0);
BENCHMARK(BM_FullFrame1080pCompensated)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(5.0);
BENCHMARK(BM_Region2160p)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(5.0);
BENCHMARK(BM_Region2160pCompensated)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(5.0);

BENCHMARK_MAIN();
