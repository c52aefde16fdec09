// Throughput of the motion core on 1920 x 1080 full frames (factor 20, band 9..14 Hz at
// 240 fps), with one worker and with every core, over repeated runs of the same frames.
// Each run prints megapixels per wall second and per CPU second, how much of the cores the
// process got, and the stages; the summary gives median, lowest and highest per worker
// count beside the load average. Three renderings (texture seeds and motion) are cycled, so
// no figure rests on one picture.
//
// --digest prints a SHA-1 of every output frame of each run instead, to show that a change
// of the core leaves its results bit for bit as they were.
//
// Usage: orvi-tool-motion-throughput [--frames N] [--runs R] [--workers 1,2] [--digest]

#include "motion/PhaseMotionProcessor.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

using namespace orvi;
using namespace orvi::motion_core;

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kFramesPerRendering = 8;

// Smooth random texture of one seed, shifted by a sub-pixel sinusoid of `hz` at 240 fps.
std::vector<QImage> renderFrames(quint32 seed, double hz, double amplitude)
{
    QRandomGenerator random(seed);
    const int cellW = kWidth / 8 + 2, cellH = kHeight / 8 + 2;
    std::vector<float> cells(static_cast<std::size_t>(cellW) * cellH);
    for (float& c : cells)
        c = static_cast<float>(random.bounded(200.0) + 20.0);
    std::vector<QImage> frames;
    for (int f = 0; f < kFramesPerRendering; ++f) {
        QImage image(kWidth, kHeight, QImage::Format_RGBA8888);
        const double shift = amplitude * std::sin(2.0 * M_PI * hz * f / 240.0);
        for (int y = 0; y < kHeight; ++y) {
            uchar* line = image.scanLine(y);
            for (int x = 0; x < kWidth; ++x) {
                const double gx = (x + 1.0 + shift) / 8.0, gy = (y + 1.0) / 8.0;
                const int ix = int(gx), iy = int(gy);
                const double fx = gx - ix, fy = gy - iy;
                auto at = [&](int cx, int cy) { return cells[std::size_t(cy) * cellW + cx]; };
                const double v = (at(ix, iy) * (1 - fx) + at(ix + 1, iy) * fx) * (1 - fy) +
                                 (at(ix, iy + 1) * (1 - fx) + at(ix + 1, iy + 1) * fx) * fy;
                line[4 * x] = uchar(v);
                line[4 * x + 1] = uchar(v * 0.9);
                line[4 * x + 2] = uchar(v * 0.8);
                line[4 * x + 3] = 255;
            }
        }
        frames.push_back(image);
    }
    return frames;
}

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()).section(' ', 0, 2)
                                          : QStringLiteral("?");
}

struct Run
{
    double wallMpxPerSecond = 0.0;
    double cpuMpxPerSecond = 0.0;
    double coresUsed = 0.0;
    MotionStageTimings timings;
    QByteArray digest;
};

bool runOnce(int workers, int frames, const std::vector<std::vector<QImage>>& renderings,
             bool digest, Run* run)
{
    media::VideoInfo info;
    info.frameSize = QSize(kWidth, kHeight);
    info.captureFrameRate = 240.0;
    info.nominalFrameRate = 240.0;
    ProcessingSettings settings;
    settings.lowerFrequencyHz = 9.0;
    settings.upperFrequencyHz = 14.0;
    settings.amplificationFactor = 20.0;
    settings.workerThreadCount = workers;
    PhaseMotionProcessor processor;
    QString error;
    if (!processor.configure(info, settings, &error)) {
        std::fprintf(stderr, "configure: %s\n", qPrintable(error));
        return false;
    }
    std::vector<media::VideoFrame> output;
    QCryptographicHash hash(QCryptographicHash::Sha1);
    auto feed = [&](qint64 index) {
        const auto& rendering =
            renderings[std::size_t(index / kFramesPerRendering) % renderings.size()];
        media::VideoFrame frame;
        frame.image = rendering[std::size_t(index % kFramesPerRendering)];
        frame.frameIndex = index;
        frame.presentationTimeUs = index * 1000000 / 240;
        if (!processor.process(frame, &output, &error))
            return false;
        if (digest) {
            const QImage& image = output.front().image;
            for (int y = 0; y < image.height(); ++y)
                hash.addData(QByteArrayView(image.constScanLine(y), image.width() * 4));
        }
        return true;
    };
    // Warm-up: sizes every plane and starts the threads.
    for (int i = 0; i < 3; ++i)
        feed(i);
    processor.reset();
    hash.reset();
    const double cpuBefore = processCpuSeconds();
    QElapsedTimer clock;
    clock.start();
    for (qint64 i = 0; i < frames; ++i) {
        if (!feed(i)) {
            std::fprintf(stderr, "process: %s\n", qPrintable(error));
            return false;
        }
    }
    const double wall = double(clock.nsecsElapsed()) / 1e9;
    const double cpu = processCpuSeconds() - cpuBefore;
    const double megapixels = double(frames) * kWidth * kHeight / 1e6;
    run->wallMpxPerSecond = megapixels / wall;
    run->cpuMpxPerSecond = cpu > 0.0 ? megapixels / cpu : 0.0;
    run->coresUsed = cpu / wall;
    run->timings = processor.stageTimings();
    run->digest = hash.result().toHex();
    return true;
}

QList<int> parseWorkers(const QString& text)
{
    QList<int> counts;
    for (const QString& part : text.split(',', Qt::SkipEmptyParts))
        counts.append(std::max(1, part.toInt()));
    return counts;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    auto option = [&](const char* name, const QString& fallback) {
        const qsizetype at = arguments.indexOf(QString::fromLatin1(name));
        return at >= 0 && at + 1 < arguments.size() ? arguments[at + 1] : fallback;
    };
    const int frames = std::max(1, option("--frames", "240").toInt());
    const int runs = std::max(1, option("--runs", "5").toInt());
    const QList<int> workerCounts = parseWorkers(option("--workers", "1,2"));
    const bool digest = arguments.contains(QStringLiteral("--digest"));

    const std::vector<std::vector<QImage>> renderings{
        renderFrames(7, 12.0, 0.3), renderFrames(1234, 5.0, 0.8), renderFrames(99, 30.0, 0.1)};
    std::printf("motion core, %dx%d full frame, %d frames a run, %d runs; load average before: "
                "%s\n",
                kWidth, kHeight, frames, runs, qPrintable(loadAverage()));
    for (int workers : workerCounts) {
        std::vector<double> wall, perCpu;
        for (int r = 0; r < runs; ++r) {
            Run run;
            if (!runOnce(workers, frames, renderings, digest, &run))
                return 1;
            if (digest) {
                std::printf("  %d worker(s) run %d: output digest %s\n", workers, r + 1,
                            run.digest.constData());
                continue;
            }
            wall.push_back(run.wallMpxPerSecond);
            perCpu.push_back(run.cpuMpxPerSecond);
            const MotionStageTimings& t = run.timings;
            auto ms = [&](qint64 us) { return double(us) / 1000.0 / double(t.measuredFrames); };
            std::printf("  %d worker(s) run %d: %.1f Mpx/s wall, %.1f Mpx per CPU second, %.2f "
                        "cores; ms/frame: luminance %.2f pyramid %.2f riesz %.2f accumulate %.2f "
                        "filter %.2f denoise %.2f shift %.2f rebuild %.2f compose %.2f; load %s\n",
                        workers, r + 1, run.wallMpxPerSecond, run.cpuMpxPerSecond, run.coresUsed,
                        ms(t.luminanceUs), ms(t.pyramidDecompositionUs), ms(t.quadratureUs),
                        ms(t.phaseAccumulationUs), ms(t.temporalFilterUs), ms(t.phaseDenoisingUs),
                        ms(t.phaseShiftUs), ms(t.reconstructionUs), ms(t.compositionUs),
                        qPrintable(loadAverage()));
            std::fflush(stdout);
        }
        if (wall.empty())
            continue;
        std::sort(wall.begin(), wall.end());
        std::sort(perCpu.begin(), perCpu.end());
        std::printf("%d worker(s): %.1f Mpx/s median, %.1f to %.1f over %d runs (per CPU "
                    "second: median %.1f, %.1f to %.1f)\n",
                    workers, wall[wall.size() / 2], wall.front(), wall.back(), runs,
                    perCpu[perCpu.size() / 2], perCpu.front(), perCpu.back());
    }
    std::printf("load average after: %s\n", qPrintable(loadAverage()));
    return 0;
}
