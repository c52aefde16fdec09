// Writes the sample clip a newcomer opens first: a textured machine scene filmed at 240 fps
// whose parts vibrate by exactly known sub-pixel amounts, so that the amplification shows them
// and the spectrum analysis finds their frequencies.
//
//  - the housing (left) moves along x by 0.4 px peak at 12.5 Hz;
//  - the cover (right, round) moves along y by 0.3 px peak at 37.5 Hz;
//  - the bracket (bottom) moves along x by 0.4 px peak at 12.5 Hz, a quarter period ahead of
//    the housing (+90 degrees);
//  - the base plate stands still.
//
// Every surface is a sum of plane waves evaluated at the displaced coordinates, so a shift of a
// fraction of a pixel is exact rather than interpolated. Each wave splits into products of a
// function of x and a function of y, which keeps the whole clip to a few seconds of work.
//
// Usage: orvi-tool-sample-clip OUTPUT.mp4 [--frames N]. The output must not exist yet.

#include "media/libav/LibavVideoSink.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QImage>
#include <QRandomGenerator>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <numbers>
#include <vector>

using namespace orvi;

namespace {

constexpr int kWidth = 960;
constexpr int kHeight = 540;
constexpr double kCaptureRate = 240.0;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

// A band-limited random surface: plane waves of 5 to 40 px wavelength in random directions.
class Surface
{
public:
    Surface(quint32 seed, double mean, double contrast) : m_mean(mean)
    {
        QRandomGenerator random(seed);
        for (int i = 0; i < 14; ++i) {
            const double wavelength = 5.0 + 35.0 * random.generateDouble();
            const double angle = kTwoPi * random.generateDouble();
            m_waves.push_back({kTwoPi / wavelength * std::cos(angle),
                               kTwoPi / wavelength * std::sin(angle),
                               kTwoPi * random.generateDouble(),
                               contrast * (0.4 + 0.6 * random.generateDouble()) / 14.0 * 3.0});
        }
    }

    // Values over [x0, x0 + width) x [y0, y0 + height), the surface displaced by (dx, dy):
    // sin(kx (x - dx) + ky (y - dy) + p) = sin(u) cos(v) + cos(u) sin(v).
    void render(int x0, int y0, int width, int height, double dx, double dy,
                std::vector<float>* out) const
    {
        out->assign(size_t(width) * size_t(height), float(m_mean));
        std::vector<float> su(static_cast<size_t>(width)), cu(static_cast<size_t>(width));
        std::vector<float> sv(static_cast<size_t>(height)), cv(static_cast<size_t>(height));
        for (const Wave& w : m_waves) {
            for (int x = 0; x < width; ++x) {
                const double u = w.kx * (x0 + x - dx) + w.phase;
                su[size_t(x)] = float(w.amplitude * std::sin(u));
                cu[size_t(x)] = float(w.amplitude * std::cos(u));
            }
            for (int y = 0; y < height; ++y) {
                const double v = w.ky * (y0 + y - dy);
                sv[size_t(y)] = float(std::sin(v));
                cv[size_t(y)] = float(std::cos(v));
            }
            for (int y = 0; y < height; ++y) {
                float* row = out->data() + size_t(y) * size_t(width);
                const float c = cv[size_t(y)], s = sv[size_t(y)];
                for (int x = 0; x < width; ++x)
                    row[x] += su[size_t(x)] * c + cu[size_t(x)] * s;
            }
        }
    }

private:
    struct Wave
    {
        double kx, ky, phase, amplitude;
    };
    std::vector<Wave> m_waves;
    double m_mean;
};

// A vibrating part: its outline (signed distance, negative inside) moves with its surface.
struct Part
{
    Surface surface;
    QRect bounds; // at rest, with room for the motion and the soft edge
    std::function<double(double, double)> distance;
    double amplitudeX, amplitudeY, frequencyHz, phaseRadians;
};

double roundedBox(double x, double y, const QRectF& box, double radius)
{
    const double qx = std::abs(x - box.center().x()) - box.width() / 2 + radius;
    const double qy = std::abs(y - box.center().y()) - box.height() / 2 + radius;
    return std::hypot(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0) -
           radius;
}

std::vector<Part> machineParts()
{
    std::vector<Part> parts;
    const QRectF housing(110, 110, 330, 270);
    parts.push_back({Surface(11, 150, 70), housing.toAlignedRect().adjusted(-6, -6, 6, 6),
                     [housing](double x, double y) { return roundedBox(x, y, housing, 18); }, 0.4,
                     0.0, 12.5, 0.0});
    const QPointF centre(710, 250);
    parts.push_back({Surface(23, 115, 80), QRect(570, 110, 281, 281),
                     [centre](double x, double y) {
                         return std::hypot(x - centre.x(), y - centre.y()) - 135.0;
                     },
                     0.0, 0.3, 37.5, 0.0});
    const QRectF bracket(200, 410, 420, 90);
    parts.push_back({Surface(37, 175, 60), bracket.toAlignedRect().adjusted(-6, -6, 6, 6),
                     [bracket](double x, double y) { return roundedBox(x, y, bracket, 10); }, 0.4,
                     0.0, 12.5, std::numbers::pi / 2});
    return parts;
}

quint8 level(float value)
{
    return quint8(std::clamp(int(std::lround(value)), 0, 255));
}

// Base plate with a vignette, drawn once.
std::vector<float> basePlate()
{
    std::vector<float> plate;
    Surface(5, 95, 45).render(0, 0, kWidth, kHeight, 0, 0, &plate);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const double r = std::hypot((x - kWidth / 2.0) / kWidth, (y - kHeight / 2.0) / kHeight);
            plate[size_t(y) * kWidth + size_t(x)] *= float(1.0 - 0.5 * r * r);
        }
    return plate;
}

// One frame: the plate, then every part displaced for time t with a dark, anti-aliased rim.
void drawFrame(const std::vector<float>& plate, const std::vector<Part>& parts, double t,
               QImage* image)
{
    std::vector<float> grey = plate;
    std::vector<float> surface;
    for (const Part& part : parts) {
        const double s = std::sin(kTwoPi * part.frequencyHz * t + part.phaseRadians);
        const double dx = part.amplitudeX * s, dy = part.amplitudeY * s;
        const QRect& b = part.bounds;
        part.surface.render(b.x(), b.y(), b.width(), b.height(), dx, dy, &surface);
        for (int y = 0; y < b.height(); ++y)
            for (int x = 0; x < b.width(); ++x) {
                const double d = part.distance(b.x() + x + 0.5 - dx, b.y() + y + 0.5 - dy);
                const double cover = std::clamp(0.5 - d, 0.0, 1.0);
                const double rim = std::clamp(1.0 - std::abs(d + 2.0) / 2.0, 0.0, 1.0);
                float& out = grey[size_t(b.y() + y) * kWidth + size_t(b.x() + x)];
                const float inside = surface[size_t(y) * size_t(b.width()) + size_t(x)];
                out = float((out * (1.0 - cover) + inside * cover) * (1.0 - 0.6 * rim));
            }
    }
    for (int y = 0; y < kHeight; ++y) {
        uchar* row = image->scanLine(y);
        for (int x = 0; x < kWidth; ++x) {
            // A faint warm cast, as steel under workshop light.
            const float v = grey[size_t(y) * kWidth + size_t(x)];
            row[4 * x] = level(v * 1.04f);
            row[4 * x + 1] = level(v);
            row[4 * x + 2] = level(v * 0.93f);
            row[4 * x + 3] = 255;
        }
    }
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("output"), QStringLiteral("MP4 file to write"));
    const QCommandLineOption framesOption(QStringLiteral("frames"),
                                          QStringLiteral("frame count (default 720)"),
                                          QStringLiteral("count"), QStringLiteral("720"));
    parser.addOption(framesOption);
    parser.process(application);
    const QStringList positional = parser.positionalArguments();
    bool framesOk = false;
    const int frames = parser.value(framesOption).toInt(&framesOk);
    if (positional.size() != 1 || !framesOk || frames < 1) {
        std::fprintf(stderr, "usage: orvi-tool-sample-clip OUTPUT.mp4 [--frames N]\n");
        return 2;
    }

    media::VideoInfo info;
    info.filePath = positional.first();
    info.frameSize = QSize(kWidth, kHeight);
    info.frameCount = frames;
    info.nominalFrameRate = kCaptureRate;
    info.captureFrameRate = kCaptureRate;
    info.durationUs = qint64(std::llround(frames * 1e6 / kCaptureRate));
    media::VideoExportOptions options;
    options.qualityPercent = 90;
    media::libav::LibavVideoSink sink;
    QString error;
    if (!sink.open(info.filePath, info, options, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const std::vector<float> plate = basePlate();
    const std::vector<Part> parts = machineParts();
    QImage image(kWidth, kHeight, QImage::Format_RGBA8888);
    for (int i = 0; i < frames; ++i) {
        drawFrame(plate, parts, i / kCaptureRate, &image);
        media::VideoFrame frame{image, qint64(std::llround(i * 1e6 / kCaptureRate)), i};
        if (!sink.writeFrame(frame, &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
    }
    if (!sink.finish(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
