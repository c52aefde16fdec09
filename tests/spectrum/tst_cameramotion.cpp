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

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <numbers>
#include <random>

using namespace orvi;

namespace {

constexpr int kWidth = 320, kHeight = 256, kFrames = 400, kFlatRows = 40;
constexpr double kRate = 100.0, kShakeHz = 9.0, kShakePx = 0.6, kPartHz = 23.0, kPartPx = 0.15;
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
        QImage frame = texture.frame(QSize(kWidth, kHeight), displacement, i / kRate);
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
        path, QSize(kWidth, kHeight), kFrames, kRate, render, info, &error,
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
        const double w = 2.0 * std::numbers::pi * hz * n++ / kRate;
        c += d.x() * std::cos(w);
        s += d.x() * std::sin(w);
    }
    out.amplitudePx = n > 0 ? 2.0 * std::hypot(c, s) / n : 0.0;
    out.peakPx = estimator.motion().peakPx;
    return out;
}

} // namespace

class TestCameraMotion : public QObject
{
    Q_OBJECT

private slots:
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

QTEST_MAIN(TestCameraMotion)
#include "tst_cameramotion.moc"
