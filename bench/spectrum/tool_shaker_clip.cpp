// Writes a clip as a high-speed camera records a vibration shaker: a dark T-shaped bar (level
// 38) on a grey wall (95) above a dark floor (22), moving vertically by amplitude x sin(2 pi f t);
// edges area-sampled and lens-blurred, Gaussian-like sensor noise, encoded by the ffmpeg tool
// (libx264 at a CRF with a fixed key-frame distance, or lossless). Each noise seed is an
// independent rendering of the same scene, so that a sensitivity or accuracy figure can be
// checked on several of them instead of the one it was tuned on.
//
// Usage: orvi-tool-shaker-clip OUTPUT.mp4 [--amplitude px] [--frequency Hz] [--blur sigma]
//        [--noise sigma] [--seed n] [--crf n | --lossless] [--gop frames] [--frames n]

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QProcess>
#include <QRect>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

namespace {

constexpr int kWidth = 356, kHeight = 280;
constexpr double kRate = 240.0;
constexpr QRect kBar{93, 100, 170, 12}, kStem{168, 112, 20, 83}; // at rest

struct Scene
{
    double amplitude = 0.2;
    double frequency = 2.0;
    double blur = 1.5;
    double noise = 3.0;
    quint64 seed = 0;
    int frames = 1200;
};

// Area coverage of [lo, hi) by each of n pixels, Gaussian-blurred (the edge pixel repeats). The
// scene is a sum of rectangles, so its 2-D blur is a product of such profiles.
std::vector<double> profile(int n, double lo, double hi, double sigma)
{
    const int radius = int(std::ceil(4.0 * sigma));
    std::vector<double> line(static_cast<size_t>(n), 0.0);
    for (int i = 0; i < n; ++i) {
        double sum = 0.0, weights = 0.0;
        for (int k = -radius; k <= radius; ++k) {
            const int j = std::clamp(i + k, 0, n - 1);
            const double g = radius > 0 ? std::exp(-0.5 * k * k / (sigma * sigma)) : 1.0;
            sum += g * std::max(0.0, std::min(j + 1.0, hi) - std::max(double(j), lo));
            weights += g;
        }
        line[size_t(i)] = sum / weights;
    }
    return line;
}

bool writeClip(const QString& path, const Scene& scene, const QStringList& codec)
{
    QProcess ffmpeg;
    ffmpeg.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 QStringList{"-v", "error", "-y", "-f", "rawvideo", "-pix_fmt", "gray", "-s",
                             QStringLiteral("%1x%2").arg(kWidth).arg(kHeight), "-r",
                             QString::number(kRate), "-i", "-"}
                     << codec << path);
    if (!ffmpeg.waitForStarted())
        return false;
    const auto barX = profile(kWidth, kBar.left(), kBar.right() + 1, scene.blur);
    const auto stemX = profile(kWidth, kStem.left(), kStem.right() + 1, scene.blur);
    const auto floorY = profile(kHeight, 200.0, kHeight, scene.blur);
    // Nearly Gaussian noise, cheaply: the four 16-bit parts of a xorshift64 draw, summed. Seed 0
    // is the rendering the tests were first written against.
    quint64 random = 0x9e3779b97f4a7c15ull ^ (scene.seed * 0xbf58476d1ce4e5b9ull);
    if (random == 0)
        random = 1;
    QByteArray frame(kWidth * kHeight, Qt::Uninitialized);
    for (int i = 0; i < scene.frames; ++i) {
        const double d =
            scene.amplitude * std::sin(2.0 * std::numbers::pi * scene.frequency * i / kRate);
        const auto barY = profile(kHeight, kBar.top() + d, kBar.bottom() + 1 + d, scene.blur);
        const auto stemY = profile(kHeight, kStem.top() + d, kStem.bottom() + 1 + d, scene.blur);
        for (int p = 0; p < kWidth * kHeight; ++p) {
            const size_t x = size_t(p % kWidth), y = size_t(p / kWidth);
            random ^= random << 13, random ^= random >> 7, random ^= random << 17;
            const double noise = double((random & 0xffff) + ((random >> 16) & 0xffff) +
                                        ((random >> 32) & 0xffff) + (random >> 48)) -
                                 2.0 * 65535.0;
            const double v = 95.0 - 73.0 * floorY[y] -
                             57.0 * (barX[x] * barY[y] + stemX[x] * stemY[y]) +
                             noise * scene.noise * std::sqrt(3.0) / 65536.0;
            frame[p] = char(std::clamp(std::lround(v), 0L, 255L));
        }
        ffmpeg.write(frame);
        if (!ffmpeg.waitForBytesWritten(-1) && ffmpeg.bytesToWrite() > 0)
            return false;
    }
    ffmpeg.closeWriteChannel();
    return ffmpeg.waitForFinished(-1) && ffmpeg.exitStatus() == QProcess::NormalExit &&
           ffmpeg.exitCode() == 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Writes a 356 x 280, 240 fps clip of a vibrating dark bar."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("output"), QStringLiteral("Video file to write."));
    const QCommandLineOption amplitude("amplitude", "Peak displacement in pixels.", "px", "0.2");
    const QCommandLineOption frequency("frequency", "Vibration frequency in Hz.", "Hz", "2");
    const QCommandLineOption blur("blur", "Lens blur sigma in pixels.", "sigma", "1.5");
    const QCommandLineOption noise("noise", "Sensor noise sigma in levels.", "sigma", "3");
    const QCommandLineOption seed("seed", "Noise seed; 0 is the tests' rendering.", "n", "0");
    const QCommandLineOption crf("crf", "libx264 constant rate factor.", "n", "23");
    const QCommandLineOption lossless("lossless", "Lossless H.264 instead of a CRF.");
    const QCommandLineOption gop("gop", "Frames between key frames.", "frames", "12");
    const QCommandLineOption frames("frames", "Number of frames.", "n", "1200");
    parser.addOptions({amplitude, frequency, blur, noise, seed, crf, lossless, gop, frames});
    parser.process(app);
    if (parser.positionalArguments().size() != 1) {
        std::fprintf(stderr, "Give exactly one output file.\n");
        return 2;
    }
    Scene scene;
    bool ok[6] = {};
    scene.amplitude = parser.value(amplitude).toDouble(&ok[0]);
    scene.frequency = parser.value(frequency).toDouble(&ok[1]);
    scene.blur = parser.value(blur).toDouble(&ok[2]);
    scene.noise = parser.value(noise).toDouble(&ok[3]);
    scene.seed = parser.value(seed).toULongLong(&ok[4]);
    scene.frames = parser.value(frames).toInt(&ok[5]);
    if (!std::all_of(std::begin(ok), std::end(ok), [](bool b) { return b; }) || scene.blur < 0.0 ||
        scene.frames < 2) {
        std::fprintf(stderr, "An option is not a usable number.\n");
        return 2;
    }
    QStringList codec{"-c:v", "libx264", "-g", parser.value(gop), "-sc_threshold", "0"};
    codec << (parser.isSet(lossless)
                  ? QStringList{"-qp", "0", "-pix_fmt", "yuv420p"}
                  : QStringList{"-crf", parser.value(crf), "-pix_fmt", "yuv420p"});
    if (!writeClip(parser.positionalArguments().first(), scene, codec)) {
        std::fprintf(stderr, "The ffmpeg tool could not write the clip.\n");
        return 1;
    }
    return 0;
}
