// Vibration amplitudes in pixels and physical units: textured patches moved by exactly known
// sub-pixel sinusoids (each grating shifted in phase, as a Fourier shift does), encoded
// losslessly and as ordinary H.264; the physical conversion; and the motion gain of an
// amplification measured in the pipeline against an independent estimate on the exported file.
//
// Camera motion compensation end to end, on clips rendered at test time: a textured scene with
// sensor noise whose whole frame shakes (0.6 px at 9 Hz) while one part also vibrates (0.15 px
// at 23 Hz), and a still, flat strip at the bottom; H.264, lossless or at CRF 18. Every row is
// an independent texture and noise. At CRF 18 the encoder itself keeps only part of so small a
// motion, so the truth there is the part's motion measured in the encoded clip.

#include "SpectrumTestVideo.h"
#include "media/libav/LibavVideoSource.h"
#include "motion/CameraMotionEstimator.h"
#include "processing/VideoProcessingPipeline.h"
#include "spectrum/SpectrumAnalysisLimits.h"
#include "spectrum/SpectrumAnalysisRun.h"
#include "spectrum/VibrationUnits.h"
#include "support/MediaTools.h"
#include "support/TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <complex>
#include <numbers>
#include <numeric>
#include <random>

using namespace orvi;
using spectrum::testing::SyntheticTexture;

namespace {

constexpr double kRate = 240.0;
constexpr double kPi = std::numbers::pi;
const QSize kSize(192, 128);

const QStringList kLossless{"-c:v", "ffv1", "-pix_fmt", "gray"};
const QStringList kCameraH264{"-c:v", "libx264", "-preset",  "veryfast",
                              "-b:v", "900k",    "-pix_fmt", "yuv420p"};

// Camera sensors add noise of about 2 levels, which also keeps an encoder from dropping a
// small motion as a mere copy of the previous frame.
void addSensorNoise(QImage& image, int frame)
{
    quint64 random = 0x9e3779b97f4a7c15ull * quint64(frame + 1);
    for (int y = 0; y < image.height(); ++y)
        for (uchar* p = image.scanLine(y); p < image.scanLine(y) + image.width(); ++p) {
            random ^= random << 13, random ^= random >> 7, random ^= random << 17;
            // Sum of four uniform parts: nearly Gaussian, standard deviation 2 levels.
            const double noise = double((random & 0xffff) + ((random >> 16) & 0xffff) +
                                        ((random >> 32) & 0xffff) + (random >> 48)) /
                                     65535.0 -
                                 2.0;
            *p = uchar(std::clamp(std::lround(*p + noise * 2.0 * std::sqrt(3.0)), 0L, 255L));
        }
}

// Moves the whole texture by amplitude * sin(2 pi f t) along `degrees` (x right, y down).
bool writeVibration(const QString& path, const QStringList& codec, double amplitude, double hz,
                    double degrees, int frames, media::VideoInfo* info)
{
    const SyntheticTexture texture(7);
    const double c = std::cos(degrees * kPi / 180.0), s = std::sin(degrees * kPi / 180.0);
    QString error;
    return spectrum::testing::writeTestVideo(
        path, kSize, frames, kRate,
        [&](int i) {
            const double d = amplitude * std::sin(2.0 * kPi * hz * i / kRate);
            QImage image = texture.frame(
                kSize, [&](int, int, double) { return QPointF(d * c, d * s); }, 0.0);
            if (codec != kLossless)
                addSensorNoise(image, i);
            return image;
        },
        info, &error, codec);
}

double relativeError(double estimate, double truth)
{
    return std::abs(estimate - truth) / truth;
}

double degreesApart(double a, double b)
{
    return std::abs(std::remainder(a - b, 360.0));
}

QJsonObject runTool(const QString& name, const QStringList& arguments)
{
    QProcess tool;
    tool.start(QDir(test::testBinaryDir()).filePath("bin/" + name), arguments);
    if (!tool.waitForFinished(300000))
        return {};
    return QJsonDocument::fromJson(tool.readAllStandardOutput()).object();
}

// Peak amplitude at `hz` over the whole periods from sample `first` on, the mean removed.
double amplitudeAt(const std::vector<double>& v, double hz, int first)
{
    const double n = double(v.size()) - first;
    const double mean = std::accumulate(v.begin() + first, v.end(), 0.0) / n;
    std::complex<double> sum;
    for (size_t i = size_t(first); i < v.size(); ++i)
        sum += (v[i] - mean) * std::polar(1.0, -2 * kPi * hz * double(i) / kRate);
    return 2.0 * std::abs(sum) / n;
}

// An estimator independent of the program's: the phase of each of three known gratings over a
// Hann-weighted window gives the shift along its wave vector; least squares gives (dx, dy),
// of which the shift along the diagonal is kept.
struct Grating
{
    double kx, ky, phase;
};
const Grating kGratings[3] = {{0.66, 0.12, 0.4}, {0.21, 0.52, 1.9}, {-0.41, 0.43, 4.0}};

double gratingTexture(double x, double y)
{
    double v = 128.0;
    for (const Grating& g : kGratings)
        v += 30.0 * std::cos(g.kx * x + g.ky * y + g.phase);
    return v;
}

std::vector<double> diagonalShifts(const QByteArray& rgba, const QRect& window)
{
    std::vector<double> shifts;
    const qsizetype frameBytes = qsizetype(kSize.width()) * kSize.height() * 4;
    std::complex<double> first[3];
    for (qsizetype f = 0; (f + 1) * frameBytes <= rgba.size(); ++f) {
        std::complex<double> p[3];
        for (int y = window.top(); y <= window.bottom(); ++y)
            for (int x = window.left(); x <= window.right(); ++x) {
                const uchar* px = reinterpret_cast<const uchar*>(rgba.constData()) +
                                  f * frameBytes + (qsizetype(y) * kSize.width() + x) * 4;
                const double h = std::sin(kPi * (x - window.left() + 0.5) / window.width()) *
                                 std::sin(kPi * (y - window.top() + 0.5) / window.height());
                const double l = 0.2126 * px[0] + 0.7152 * px[1] + 0.0722 * px[2];
                for (int g = 0; g < 3; ++g)
                    p[g] +=
                        h * h * l * std::polar(1.0, -(kGratings[g].kx * x + kGratings[g].ky * y));
            }
        double a = 0, b = 0, c = 0, u = 0, w = 0; // normal equations of k . d = -dphase
        for (int g = 0; g < 3; ++g) {
            if (f == 0)
                first[g] = p[g];
            const double dphase = -std::arg(p[g] * std::conj(first[g]));
            const Grating& k = kGratings[g];
            a += k.kx * k.kx, b += k.kx * k.ky, c += k.ky * k.ky, u += k.kx * dphase,
                w += k.ky * dphase;
        }
        const double det = a * c - b * b;
        shifts.push_back(((u * c - w * b) + (w * a - u * b)) / det / std::sqrt(2.0));
    }
    return shifts;
}

// The shaken scene of the camera motion test.
constexpr int kWidth = 320, kHeight = 256, kFrames = 400, kFlatRows = 40;
constexpr double kShakenRate = 100.0, kShakeHz = 9.0, kShakePx = 0.6, kPartHz = 23.0,
                 kPartPx = 0.15;
const QRect kPart{128, 64, 96, 112};
const QRectF kStill{0.0, 0.0, 0.25, 0.8}; // left of the part, above the flat strip
const QRectF kFlat{0.3, 0.86, 0.4, 0.14};

QPointF shakeAt(double t, double amplitude)
{
    const double w = 2.0 * std::numbers::pi * kShakeHz * t;
    return {amplitude * std::sin(w), 0.6 * amplitude * std::sin(w + 0.7)};
}

bool renderClip(const QString& path, quint32 seed, double shake, bool lossless,
                media::VideoInfo* info)
{
    const spectrum::testing::SyntheticTexture texture(seed);
    const auto displacement = [shake](int x, int y, double t) {
        QPointF d = shakeAt(t, shake);
        if (kPart.contains(x, y))
            d.rx() += kPartPx * std::sin(2.0 * std::numbers::pi * kPartHz * t);
        return d;
    };
    // Sensor noise of 2 levels, as a camera has: without it the encoder would copy still-looking
    // blocks and swallow most of a 0.15 px motion.
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, 2.0);
    const auto render = [&](int i) {
        QImage frame = texture.frame(QSize(kWidth, kHeight), displacement, i / kShakenRate);
        for (int y = 0; y < kHeight; ++y) {
            uchar* row = frame.scanLine(y);
            for (int x = 0; x < kWidth; ++x)
                row[x] = uchar(std::clamp(
                    std::lround((y < kHeight - kFlatRows ? row[x] : 120) + noise(random)), 0L,
                    255L));
        }
        return frame;
    };
    QString error;
    return spectrum::testing::writeTestVideo(
        path, QSize(kWidth, kHeight), kFrames, kShakenRate, render, info, &error,
        lossless ? QStringList{"-c:v", "libx264", "-preset", "ultrafast", "-qp", "0", "-pix_fmt",
                               "yuv420p"}
                 : QStringList{"-c:v", "libx264", "-preset", "veryfast", "-crf", "18", "-pix_fmt",
                               "yuv420p"});
}

project_data::SpectrumResult analyse(const media::VideoInfo& info, const QRectF& reference)
{
    project_data::SpectrumAnalysisRequest request;
    request.videoInfo = info;
    request.analysisRegion = QRectF(0.0, 0.0, 1.0, 1.0 - double(kFlatRows) / kHeight);
    request.endFrame = kFrames;
    request.requestedGrid = spectrum::gridForDensity(1);
    request.cameraMotionCompensation = !reference.isNull();
    request.cameraReferenceRegion = reference;
    return spectrum::runSpectrumAnalysis(request, {}, {});
}

const project_data::FrequencyCandidate* near(const project_data::SpectrumResult& result, double hz)
{
    for (const project_data::FrequencyCandidate& c : result.candidates)
        if (std::abs(c.frequencyHz - hz) <= 1.5 * result.binWidthHz)
            return &c;
    return nullptr;
}

// Amplitude (px) at a frequency of a region's motion through a video, and the motion's peak.
struct RegionMotion
{
    double amplitudePx = 0.0;
    double peakPx = 0.0;
};

RegionMotion measure(const QString& path, const QRectF& region, double hz)
{
    media::libav::LibavVideoSource source;
    media::VideoFrame frame;
    motion_core::CameraMotionEstimator estimator;
    RegionMotion out;
    if (!source.open(path))
        return out;
    double c = 0.0, s = 0.0;
    int n = 0;
    QPointF d;
    while (source.readFrame(frame) == media::ReadResult::Frame &&
           estimator.addWholeFrame(frame.image, region, &d)) {
        const double w = 2.0 * std::numbers::pi * hz * n++ / kShakenRate;
        c += d.x() * std::cos(w);
        s += d.x() * std::sin(w);
    }
    out.amplitudePx = n > 0 ? 2.0 * std::hypot(c, s) / n : 0.0;
    out.peakPx = estimator.motion().peakPx;
    return out;
}

} // namespace

class VibrationAmplitudeTest : public QObject
{
    Q_OBJECT

private slots:
    // Lossless: amplitude within 10 %, phase within 5 degrees; H.264 at a camera's bit rate
    // (0.15 bit per pixel): amplitude within 20 %. 0.01 px is only to be found.
    void amplitudeAndPhaseOfKnownMotion_data()
    {
        QTest::addColumn<QStringList>("codec");
        QTest::addColumn<double>("amplitude"); // px, peak
        QTest::addColumn<double>("frequency");
        QTest::addColumn<double>("direction"); // degrees
        QTest::newRow("lossless 0.05 px x 40 Hz") << kLossless << 0.05 << 40.0 << 0.0;
        QTest::newRow("lossless 0.2 px y 23 Hz") << kLossless << 0.2 << 23.0 << 90.0;
        QTest::newRow("lossless 0.5 px diagonal 12 Hz") << kLossless << 0.5 << 12.0 << 45.0;
        QTest::newRow("lossless 2 px diagonal 5 Hz") << kLossless << 2.0 << 5.0 << -45.0;
        QTest::newRow("lossless 0.01 px x 30 Hz found") << kLossless << 0.01 << 30.0 << 0.0;
        QTest::newRow("h264 0.1 px x 15 Hz") << kCameraH264 << 0.1 << 15.0 << 0.0;
        QTest::newRow("h264 0.5 px diagonal 9 Hz") << kCameraH264 << 0.5 << 9.0 << 45.0;
        QTest::newRow("h264 2 px y 5 Hz") << kCameraH264 << 2.0 << 5.0 << 90.0;
    }

    void amplitudeAndPhaseOfKnownMotion()
    {
        QFETCH(QStringList, codec);
        QFETCH(double, amplitude);
        QFETCH(double, frequency);
        QFETCH(double, direction);
        const bool lossless = codec == kLossless;
        QTemporaryDir dir;
        project_data::SpectrumAnalysisRequest request;
        QVERIFY(writeVibration(dir.filePath("clip.mkv"), codec, amplitude, frequency, direction,
                               480, &request.videoInfo));
        request.endFrame = request.videoInfo.frameCount;
        request.requestedGrid = spectrum::gridForDensity(0);
        const project_data::SpectrumResult result = spectrum::runSpectrumAnalysis(request, {}, {});
        QVERIFY2(result.ok, qPrintable(result.errorMessage));
        const auto found =
            std::find_if(result.candidates.begin(), result.candidates.end(), [&](const auto& c) {
                return std::abs(c.frequencyHz - frequency) <= result.binWidthHz;
            });
        QVERIFY(found != result.candidates.end());
        if (amplitude < 0.05)
            return;
        QCOMPARE(found - result.candidates.begin(), 0);
        const project_data::FrequencyCandidate& c = *found;
        QVERIFY(c.amplitudePoint >= 0);
        int signal = 0; // the strongest point's accepted signal
        for (int i = 0; i < c.amplitudePoint; ++i)
            signal += result.sites[size_t(i)].accepted ? 1 : 0;
        const project_data::PointAmplitude& point =
            result.acceptedSignals[size_t(signal)].amplitudes[0];
        // x = A cos(theta) sin(w t) = A cos(theta) cos(w t - 90 deg); the axis points right.
        const double axis =
            std::remainder(direction, 180.0) == -90.0 ? 90.0 : std::remainder(direction, 180.0);
        const double axisPhase = axis == direction ? -90.0 : 90.0;
        qInfo("%s: amplitude %.4f (strongest %.4f) of %.4f px, direction %.1f, phase %.1f of %.1f "
              "deg, %.3f Hz",
              QTest::currentDataTag(), c.amplitudePx, c.strongestAmplitudePx, amplitude,
              point.directionDegrees, point.phaseDegrees, axisPhase, c.refinedFrequencyHz);
        const double tolerance = lossless ? 0.1 : 0.2;
        QVERIFY(relativeError(c.amplitudePx, amplitude) <= tolerance);
        QVERIFY(c.strongestAmplitudePx <= 3.0 * amplitude);
        QVERIFY(!result.acceptedSignals[size_t(signal)].amplitudeSpectrumPx.empty());
        if (lossless) {
            QVERIFY(degreesApart(point.directionDegrees, axis) <= 5.0);
            QVERIFY(degreesApart(point.phaseDegrees, axisPhase) <= 5.0);
        }
    }

    void physicalUnitsFollowTheMotion_data()
    {
        QTest::addColumn<double>("amplitudePx");
        QTest::addColumn<double>("frequency");
        QTest::addColumn<double>("mmPerPixel");
        QTest::newRow("1 px at 10 Hz, 0.05 mm per px") << 1.0 << 10.0 << 0.05;
        QTest::newRow("0.02 px at 250 Hz, 1.3 mm per px") << 0.02 << 250.0 << 1.3;
    }

    // Velocity and acceleration against numerical derivatives of the sinusoid itself.
    void physicalUnitsFollowTheMotion()
    {
        QFETCH(double, amplitudePx);
        QFETCH(double, frequency);
        QFETCH(double, mmPerPixel);
        const auto u = spectrum::physicalAmplitude(amplitudePx, frequency, mmPerPixel);
        const double mm = amplitudePx * mmPerPixel, h = 1e-4 / frequency;
        const auto x = [&](double t) { return mm * std::sin(2 * kPi * frequency * t); };
        double squares = 0, peak = 0;
        const int steps = 20000;
        for (int i = 0; i < steps; ++i) {
            const double t = i / (frequency * steps);
            squares += std::pow((x(t + h) - x(t - h)) / (2 * h), 2) / steps;
            peak = std::max(peak, std::abs(x(t + h) - 2 * x(t) + x(t - h)) / (h * h) / 1000.0);
        }
        QVERIFY(relativeError(u.displacementUm, mm * 1000.0) < 1e-12);
        QVERIFY(relativeError(u.velocityMmPerSecondRms, std::sqrt(squares)) < 1e-6);
        QVERIFY(relativeError(u.accelerationMetresPerSecond2, peak) < 1e-5);
    }

    void scaleNeedsTwoPointsAndALength_data()
    {
        QTest::addColumn<QPointF>("first");
        QTest::addColumn<QPointF>("second");
        QTest::addColumn<double>("lengthMm");
        QTest::addColumn<double>("expected"); // NaN: unusable
        const double nan = std::numeric_limits<double>::quiet_NaN();
        QTest::newRow("960 px for 48 mm") << QPointF(0.1, 0.5) << QPointF(0.6, 0.5) << 48.0 << 0.05;
        QTest::newRow("540 px diagonal for 2.7 mm")
            << QPointF(0, 0) << QPointF(324.0 / 1920, 432.0 / 1080) << 2.7 << 0.005;
        QTest::newRow("same point") << QPointF(0.2, 0.2) << QPointF(0.2, 0.2) << 5.0 << nan;
        QTest::newRow("no length") << QPointF(0.1, 0.5) << QPointF(0.6, 0.5) << 0.0 << nan;
        QTest::newRow("outside the frame") << QPointF(0.1, 0.5) << QPointF(1.2, 0.5) << 5.0 << nan;
        QTest::newRow("not a number") << QPointF(0.1, nan) << QPointF(0.6, 0.5) << 5.0 << nan;
    }

    void scaleNeedsTwoPointsAndALength()
    {
        QFETCH(QPointF, first);
        QFETCH(QPointF, second);
        QFETCH(double, lengthMm);
        QFETCH(double, expected);
        const project_data::LengthScale scale{first, second, lengthMm};
        const double mmPerPixel = spectrum::millimetresPerPixel(scale, QSize(1920, 1080));
        if (std::isnan(expected))
            QVERIFY(std::isnan(mmPerPixel));
        else
            QVERIFY(relativeError(mmPerPixel, expected) < 1e-12);
        // An analysis with an unusable scale is refused; without any scale it runs in pixels.
        project_data::SpectrumAnalysisRequest request;
        request.videoInfo.filePath = QStringLiteral("clip.mp4");
        request.videoInfo.frameSize = QSize(1920, 1080);
        request.videoInfo.frameCount = 1000;
        request.videoInfo.captureFrameRate = kRate;
        request.endFrame = 1000;
        QVERIFY(spectrum::validate(request));
        request.lengthScale = scale;
        QCOMPARE(spectrum::validate(request), !std::isnan(expected));
    }

    // The analysis tool on a real clip with a known scale: 0.8 of 192 px is 76.8 mm.
    void toolStatesAmplitudesInPhysicalUnits()
    {
        if (test::findTool("ffmpeg").isEmpty())
            QSKIP("ffmpeg is needed");
        QTemporaryDir dir;
        media::VideoInfo info;
        QVERIFY(writeVibration(dir.filePath("clip.mkv"), kLossless, 1.0, 8.0, 0.0, 480, &info));
        const QJsonObject out = runTool("orvi-tool-spectrum-analysis",
                                        {"--grid", "0", "--capture-rate", "240", "--scale",
                                         "0.1,0.5,0.9,0.5,76.8", dir.filePath("clip.mkv")});
        if (out.isEmpty())
            QSKIP("the analysis tool is needed");
        const QJsonObject c = out["candidates"].toArray().first().toObject();
        const double px = c["amplitudePx"].toDouble(), hz = c["refinedFrequencyHz"].toDouble();
        QVERIFY(relativeError(px, 1.0) <= 0.1);
        QVERIFY(relativeError(c["displacementUm"].toDouble(), 500.0) <= 0.1);
        QVERIFY(relativeError(c["velocityMmPerSecondRms"].toDouble(),
                              2 * kPi * hz * px * 0.5 / std::sqrt(2.0)) < 1e-9);
        QVERIFY(relativeError(c["accelerationMetresPerSecond2"].toDouble(),
                              std::pow(2 * kPi * hz, 2) * px * 0.5e-3) < 1e-9);
    }

    // An amplification's measured gain, written to the parameters file of its export, against
    // the grating estimator on the exported and the source video.
    void measuredGainMatchesTheExportedVideo()
    {
        if (test::findTool("ffmpeg").isEmpty())
            QSKIP("ffmpeg is needed");
        QTemporaryDir dir;
        const double amplitude = 0.3, hz = 10.0;
        media::VideoInfo info;
        QString error;
        QVERIFY(spectrum::testing::writeTestVideo(
            dir.filePath("source.mkv"), kSize, 600, kRate,
            [&](int i) {
                const double d = amplitude * std::sin(2 * kPi * hz * i / kRate) / std::sqrt(2.0);
                QImage image(kSize, QImage::Format_Grayscale8);
                for (int y = 0; y < kSize.height(); ++y)
                    for (int x = 0; x < kSize.width(); ++x)
                        image.scanLine(y)[x] = uchar(std::lround(gratingTexture(x - d, y - d)));
                return image;
            },
            &info, &error, kLossless));
        const QString exported = dir.filePath("amplified.mp4");
        const QJsonObject out =
            runTool("orvi-tool-pipeline",
                    {"--band", "8,12", "--factor", "5", "--capture", "240", "--region",
                     "0.05,0.05,0.9,0.75", dir.filePath("source.mkv"), exported});
        if (out.isEmpty())
            QSKIP("the pipeline tool is needed");
        QFile parameters(exported + ".json");
        QVERIFY(parameters.open(QIODevice::ReadOnly));
        const double gain = QJsonDocument::fromJson(parameters.readAll())
                                .object()["processing"]
                                .toObject()["measuredMotionGain"]
                                .toDouble();
        const QRect window(40, 24, 112, 64); // inside the region, clear of its feathered edge
        // 384 frames from frame 216 on: 16 periods, after the band-pass has settled.
        const double before = amplitudeAt(
            diagonalShifts(test::decodeRgba(dir.filePath("source.mkv")), window), hz, 216);
        const double after =
            amplitudeAt(diagonalShifts(test::decodeRgba(exported), window), hz, 216);
        qInfo("measured gain %.3f; independent %.3f (%.4f px to %.4f px)", gain, after / before,
              before, after);
        QVERIFY(relativeError(before, amplitude) < 0.05);
        QVERIFY(gain > 1.5);
        QVERIFY(relativeError(gain, after / before) <= 0.1);
    }

    void compensation_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<bool>("lossless");
        QTest::addRow("texture 3, lossless") << 3u << true;
        QTest::addRow("texture 11, lossless") << 11u << true;
        QTest::addRow("texture 29, CRF 18") << 29u << false;
    }

    void compensation()
    {
        QFETCH(quint32, seed);
        QFETCH(bool, lossless);
        QTemporaryDir folder;
        media::VideoInfo shaken, steady;
        QVERIFY(renderClip(folder.filePath("shake.mp4"), seed, kShakePx, lossless, &shaken));
        QVERIFY(renderClip(folder.filePath("steady.mp4"), seed, 0.0, lossless, &steady));
        const QRectF partRegion(double(kPart.x() + 8) / kWidth, double(kPart.y() + 8) / kHeight,
                                double(kPart.width() - 16) / kWidth,
                                double(kPart.height() - 16) / kHeight);
        const RegionMotion source = measure(shaken.filePath, partRegion, kPartHz);
        const double truth = lossless ? kPartPx : source.amplitudePx;

        // Without compensation the shake is the strongest line; with it, the part's.
        const project_data::SpectrumResult plain = analyse(shaken, {});
        const project_data::SpectrumResult compensated = analyse(shaken, kStill);
        QVERIFY2(plain.ok && compensated.ok, qPrintable(compensated.errorMessage));
        QVERIFY(!plain.candidates.empty() && !compensated.candidates.empty());
        QCOMPARE(plain.candidates.front().frequencyHz, near(plain, kShakeHz)->frequencyHz);
        const project_data::FrequencyCandidate* part = near(compensated, kPartHz);
        QVERIFY(part && part == &compensated.candidates.front());
        const project_data::FrequencyCandidate* shake = near(compensated, kShakeHz);
        QVERIFY(!shake || shake->cameraMotion);
        QVERIFY(!part->cameraMotion);
        QVERIFY2(std::abs(part->amplitudePx - truth) <= 0.2 * truth,
                 qPrintable(QString::number(part->amplitudePx)));
        const double expectedPeak = std::hypot(kShakePx, 0.6 * kShakePx);
        QVERIFY(std::abs(compensated.cameraMotion.peakPx - expectedPeak) < 0.1 * expectedPeak);
        qInfo("part %.4f px (truth %.4f) at %.2f Hz (%d candidates, shake line %s); camera "
              "%.3f px peak, quality %.3f",
              part->amplitudePx, truth, part->refinedFrequencyHz,
              int(compensated.candidates.size()), !shake ? "gone" : "marked",
              compensated.cameraMotion.peakPx, compensated.cameraMotion.meanQuality);

        // Without shake, compensation changes no candidate.
        const project_data::SpectrumResult still = analyse(steady, {});
        const project_data::SpectrumResult stillCompensated = analyse(steady, kStill);
        QCOMPARE(stillCompensated.candidates.size(), still.candidates.size());
        for (size_t i = 0; i < still.candidates.size(); ++i) {
            QCOMPARE(stillCompensated.candidates[i].frequencyHz, still.candidates[i].frequencyHz);
            QVERIFY(!stillCompensated.candidates[i].cameraMotion);
        }

        // A reference without texture is refused with a message.
        const project_data::SpectrumResult flat = analyse(shaken, kFlat);
        QVERIFY(!flat.ok && flat.errorMessage.contains(QLatin1String("too little texture")));

        // The amplified video magnifies the part, and its background stays still.
        project_data::ProcessingRequest request;
        request.sourceInfo = shaken;
        request.settings.startFrame = 0;
        request.settings.endFrameExclusive = kFrames;
        request.settings.lowerFrequencyHz = 20.0;
        request.settings.upperFrequencyHz = 26.0;
        request.settings.amplificationFactor = 10.0;
        request.settings.stabilizationEnabled = true;
        request.settings.stabilizationReferenceRegion = kStill;
        request.outputVideoPath = folder.filePath("amplified.mp4");
        const project_data::ProcessingResult amplified =
            processing::VideoProcessingPipeline().run(request, {}, {});
        QVERIFY2(amplified.isSuccessful(), qPrintable(amplified.message));
        const RegionMotion magnified = measure(request.outputVideoPath, partRegion, kPartHz);
        const RegionMotion background = measure(request.outputVideoPath, kStill, kShakeHz);
        qInfo("part at 23 Hz %.3f px in the source, %.3f px amplified; background peak %.3f px",
              source.amplitudePx, magnified.amplitudePx, background.peakPx);
        QVERIFY(magnified.amplitudePx > 3.0 * source.amplitudePx);
        QVERIFY(background.peakPx < 0.1);
        QFile parameters(amplified.publishedParametersPath);
        QVERIFY(parameters.open(QIODevice::ReadOnly));
        const QJsonObject processing =
            QJsonDocument::fromJson(parameters.readAll()).object().value("processing").toObject();
        QVERIFY(processing.value("stabilizationReferenceRegion").isObject());
        QVERIFY(std::abs(processing.value("cameraMotion")["peakDisplacementPx"].toDouble() -
                         expectedPeak) < 0.1 * expectedPeak);
    }
};

QTEST_MAIN(VibrationAmplitudeTest)
#include "tst_vibrationamplitude.moc"
