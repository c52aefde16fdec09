// The signal view's plot at its heaviest: two curves of 2048 decimated buckets (the most a trace
// window returns), handed over as maps and painted at 1000 × 560 pixels. Handing over includes
// the layout (the y range of the visible samples and the margins); a wheel step costs one
// handing over and one paint.

#include "controllers/items/LinePlotItem.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QVariantMap>
#include <benchmark/benchmark.h>
#include <cmath>
#include <numbers>

using orvi::ui::items::LinePlotItem;

namespace {

constexpr int kBuckets = 2048;

QVariantList trace()
{
    QVariantList samples;
    for (int i = 0; i < kBuckets; ++i) {
        const double t = i / 240.0;
        const double x = 0.1 * std::sin(2.0 * std::numbers::pi * 12.0 * t);
        const double y = 0.03 * std::sin(2.0 * std::numbers::pi * 30.0 * t);
        samples.append(QVariantMap{{"timeSeconds", t},
                                   {"xMin", x - 0.01},
                                   {"xMax", x + 0.01},
                                   {"yMin", y - 0.005},
                                   {"yMax", y + 0.005},
                                   {"valid", i % 500 != 499}});
    }
    return samples;
}

void configure(LinePlotItem& plot)
{
    plot.setSize(QSizeF(1000, 560));
    plot.setXKey("timeSeconds");
    plot.setValidKey("valid");
    plot.setCurves(
        {QVariantMap{{"lowKey", "xMin"}, {"highKey", "xMax"}, {"color", QColor("blue")}},
         QVariantMap{{"lowKey", "yMin"}, {"highKey", "yMax"}, {"color", QColor("red")}}});
    plot.setFullLower(0.0);
    plot.setFullUpper(kBuckets / 240.0);
    plot.setXTitle("Time, s");
    plot.setYTitle("Local phase shift, rad");
}

void BM_HandOverTrace(benchmark::State& state)
{
    LinePlotItem plot;
    configure(plot);
    const QVariantList samples = trace();
    for (auto _ : state)
        plot.setSamples(samples);
}

void BM_PaintTrace(benchmark::State& state)
{
    LinePlotItem plot;
    configure(plot);
    plot.setSamples(trace());
    QImage image(1000, 560, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, true);
        plot.paint(&painter);
    }
}

} // namespace

BENCHMARK(BM_HandOverTrace)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintTrace)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
