// The map views' cell layer at the densest grid (64 x 32 = 2048 cells): taking a new list of
// samples (a band or phase change) and one paint of the visible view, whole and zoomed 4 times,
// for the band power and the phase map. A frame of the interface lasts 16.7 ms at 60 Hz; a
// paint should take a small part of it, so that panning and zooming stay smooth.
#include "controllers/items/MapCellsItem.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QVariantMap>
#include <benchmark/benchmark.h>

using orvi::ui::items::MapCellsItem;

namespace {

constexpr int kColumns = 64;
constexpr int kRows = 32;
const QSize kViewSize(900, 560);

// Every cell valid, with values over the whole colour range.
QVariantList gridSamples()
{
    QVariantList samples;
    for (int row = 0; row < kRows; ++row) {
        for (int column = 0; column < kColumns; ++column) {
            const int i = row * kColumns + column;
            samples.append(QVariantMap{{"x", double(column) / kColumns},
                                       {"y", double(row) / kRows},
                                       {"width", 1.0 / kColumns},
                                       {"height", 1.0 / kRows},
                                       {"index", i},
                                       {"valid", true},
                                       {"value", double(i + 1) / (kColumns * kRows)},
                                       {"phaseDegrees", double(i % 360) - 180.0}});
        }
    }
    return samples;
}

void BM_TakeSamples(benchmark::State& state)
{
    const QVariantList samples = gridSamples();
    MapCellsItem item;
    item.setMode(MapCellsItem::Mode(state.range(0)));
    for (auto _ : state) {
        item.setSamples(samples);
        benchmark::DoNotOptimize(item.cellAt(0.99, 0.99));
    }
}

void BM_Paint(benchmark::State& state)
{
    MapCellsItem item;
    item.setMode(MapCellsItem::Mode(state.range(0)));
    item.setSize(kViewSize);
    item.setSamples(gridSamples());
    item.setRegion(QRectF(0.1, 0.1, 0.8, 0.8));
    item.setMarkedIndex(kColumns * kRows / 2);
    const double zoom = double(state.range(1));
    item.setFrameRect(QRectF(-0.3 * kViewSize.width() * zoom, -0.3 * kViewSize.height() * zoom,
                             kViewSize.width() * zoom, kViewSize.height() * zoom));
    QImage target(kViewSize, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        target.fill(Qt::transparent);
        QPainter painter(&target);
        item.paint(&painter);
    }
}

} // namespace

// Arguments: mode (0 band power, 1 phase); zoom.
BENCHMARK(BM_TakeSamples)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Paint)->Args({0, 1})->Args({0, 4})->Args({1, 1})->Args({1, 4})->Unit(
    benchmark::kMillisecond);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
