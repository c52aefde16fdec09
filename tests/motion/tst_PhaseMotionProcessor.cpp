#include "MotionTestSupport.h"
#include "ReferenceKernels.h"
#include "motion/ImageShift.h"
#include "motion/MotionWorkerPool.h"
#include "motion/PhaseMotionProcessor.h"

#include <QTest>
#include <cmath>
#include <functional>
#include <limits>

using namespace orvi;
using namespace orvi::motion_core;
using namespace orvi::motion_core::testing;

namespace {

constexpr double kFrameRate = 240.0;

media::VideoInfo videoInfo(QSize size, double rate = kFrameRate)
{
    media::VideoInfo info;
    info.frameSize = size;
    info.captureFrameRate = rate;
    info.nominalFrameRate = rate;
    return info;
}

ProcessingSettings bandSettings(double factor, double low = 10.0, double high = 14.0)
{
    ProcessingSettings s;
    s.lowerFrequencyHz = low;
    s.upperFrequencyHz = high;
    s.amplificationFactor = factor;
    return s;
}

media::VideoFrame frameAt(const QImage& image, qint64 index)
{
    media::VideoFrame f;
    f.image = image;
    f.frameIndex = index;
    f.presentationTimeUs = index * 1000000 / qint64(kFrameRate);
    return f;
}

// Runs the frames through a processor configured with `settings`; empty on failure.
std::vector<QImage> processAll(const std::vector<QImage>& frames, const ProcessingSettings& s,
                               PhaseMotionProcessor* used = nullptr)
{
    PhaseMotionProcessor local;
    PhaseMotionProcessor& processor = used ? *used : local;
    QString error;
    if (!processor.configure(videoInfo(frames.front().size()), s, &error)) {
        qWarning() << error;
        return {};
    }
    std::vector<QImage> out;
    std::vector<media::VideoFrame> produced;
    for (std::size_t n = 0; n < frames.size(); ++n) {
        if (!processor.process(frameAt(frames[n], qint64(n)), &produced, &error) ||
            produced.size() != 1) {
            qWarning() << error;
            return {};
        }
        out.push_back(produced.front().image);
    }
    return out;
}

std::vector<QImage> sinusoidalMotion(const MovingTexture& texture, double amplitude,
                                     double frequency, int frames, const QRect& patch = QRect())
{
    std::vector<QImage> out;
    for (int n = 0; n < frames; ++n) {
        const double dx = amplitude * std::sin(2.0 * M_PI * frequency * n / kFrameRate);
        out.push_back(patch.isNull() ? texture.frame(dx) : texture.frameWithPatch(dx, patch));
    }
    return out;
}

// Fitted motion after the filter has settled (the first second is skipped).
SinusoidFit measuredMotion(const std::vector<QImage>& frames, double frequency,
                           const QRect& area = QRect())
{
    const int settled = int(kFrameRate);
    std::vector<QImage> used;
    for (std::size_t n = std::size_t(settled); n < frames.size(); ++n)
        used.push_back(area.isNull() ? frames[n] : frames[n].copy(area));
    // The displacement is measured from frame `settled` on: refer the phase to frame 0.
    SinusoidFit fit = fitSinusoid(horizontalDisplacements(used, area.isNull() ? 16 : 4), kFrameRate,
                                  frequency, 0);
    fit.phaseRadians += 2.0 * M_PI * frequency * settled / kFrameRate;
    fit.phaseRadians = std::remainder(fit.phaseRadians, 2.0 * M_PI);
    return fit;
}

using Change = std::function<void(media::VideoInfo&, ProcessingSettings&)>;

bool sameImages(const std::vector<QImage>& a, const std::vector<QImage>& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].convertToFormat(QImage::Format_ARGB32) !=
            b[i].convertToFormat(QImage::Format_ARGB32))
            return false;
    }
    return true;
}

// The whole chain spelled out with the plain kernels (the temporal filter is the product's,
// checked against its formula on its own): what the processor must give up to rounding.
std::vector<QImage> referenceChain(const std::vector<QImage>& frames, const ProcessingSettings& s,
                                   const ProcessingRegion& plan, int levels)
{
    MotionWorkerPool pool;
    TemporalBandpassFilter cosFilter, sinFilter;
    cosFilter.configure(kFrameRate, s.lowerFrequencyHz, s.upperFrequencyHz);
    sinFilter.configure(kFrameRate, s.lowerFrequencyHz, s.upperFrequencyHz);
    const double feather = featherWidth(frames.front().size());
    const float factor = float(s.amplificationFactor - 1.0);
    std::vector<FloatPlane> previousBand, previousR1, previousR2, accCos, accSin;
    std::vector<QImage> out;
    for (const QImage& frame : frames) {
        const QImage working = plan.croppingInForce() ? frame.copy(plan.processingRect) : frame;
        const FloatPlane luminance = reference::luminance(working);
        std::vector<FloatPlane> band;
        FloatPlane residual;
        reference::decompose(luminance, levels, band, residual);
        std::vector<FloatPlane> r1(band.size()), r2(band.size());
        for (std::size_t l = 0; l < band.size(); ++l)
            reference::riesz(band[l], r1[l], r2[l]);
        if (previousBand.empty()) {
            previousBand = band;
            previousR1 = r1;
            previousR2 = r2;
            for (const FloatPlane& level : band) {
                accCos.emplace_back(level.width, level.height);
                accSin.emplace_back(level.width, level.height);
            }
        }
        std::vector<FloatPlane> amplitude, filteredCos, filteredSin;
        for (std::size_t l = 0; l < band.size(); ++l) {
            amplitude.emplace_back(band[l].width, band[l].height);
            for (std::size_t k = 0; k < band[l].size(); ++k) {
                float c, sn, m;
                reference::phaseDifference(band[l].samples[k], r1[l].samples[k], r2[l].samples[k],
                                           previousBand[l].samples[k], previousR1[l].samples[k],
                                           previousR2[l].samples[k], c, sn, m);
                accCos[l].samples[k] += c;
                accSin[l].samples[k] += sn;
                amplitude[l].samples[k] = m;
            }
        }
        previousBand = band;
        previousR1 = r1;
        previousR2 = r2;
        cosFilter.process(accCos, &filteredCos, pool);
        sinFilter.process(accSin, &filteredSin, pool);
        for (std::size_t l = 0; l < band.size(); ++l) {
            reference::denoise(filteredCos[l], filteredSin[l], amplitude[l]);
            for (std::size_t k = 0; k < band[l].size(); ++k)
                band[l].samples[k] = reference::shiftSample(
                    band[l].samples[k], r1[l].samples[k], r2[l].samples[k],
                    filteredCos[l].samples[k], filteredSin[l].samples[k], factor);
        }
        QImage composed = reference::compose(
            working, luminance, reference::reconstruct(band, residual), plan.regionOfInterest,
            plan.expandedRegion, expandedRegionWeight(plan, s.amplificationFactor), feather);
        if (plan.croppingInForce()) {
            QImage full = frame.convertToFormat(QImage::Format_ARGB32);
            for (int y = 0; y < composed.height(); ++y)
                std::copy_n(reinterpret_cast<const QRgb*>(composed.constScanLine(y)),
                            composed.width(),
                            reinterpret_cast<QRgb*>(full.scanLine(y + plan.processingRect.y())) +
                                plan.processingRect.x());
            composed = full;
        }
        out.push_back(composed);
    }
    return out;
}

} // namespace

Q_DECLARE_METATYPE(Change)

class PhaseMotionProcessorTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        const MovingTexture texture(256, 256, 2.0, 42);
        m_isotropicInput = sinusoidalMotion(texture, 0.1, 12.0, 480);
        m_isotropicInputMotion = measuredMotion(m_isotropicInput, 12.0);
        QVERIFY(std::abs(m_isotropicInputMotion.amplitude - 0.1) < 0.01);
    }

    void configurationChecks_data()
    {
        QTest::addColumn<Change>("change");
        QTest::addColumn<QString>("message");
        QTest::newRow("capture rate")
            << Change([](media::VideoInfo& i, ProcessingSettings&) { i.captureFrameRate = 0.0; })
            << "The camera capture frame rate is required to configure the motion filter.";
        QTest::newRow("uniform grid")
            << Change([](media::VideoInfo& i, ProcessingSettings&) { i.variableFrameRate = true; })
            << "The phase core prototype supports only a uniform time grid.";
        // Upper edge at exactly half the rate: the band message, not the filter's.
        QTest::newRow("band") << Change([](media::VideoInfo&, ProcessingSettings& s) {
            s.upperFrequencyHz = 120.0;
        }) << "The amplification band must lie between 0 Hz and the Nyquist frequency.";
        QTest::newRow("stabilisation reference too small")
            << Change([](media::VideoInfo&, ProcessingSettings& s) {
                   s.stabilizationEnabled = true;
                   s.stabilizationReferenceRegion = QRectF(0.1, 0.1, 0.01, 0.3);
               })
            << "The amplification region or stabilization reference region is invalid.";
        QTest::newRow("minimum size") << Change([](media::VideoInfo& i, ProcessingSettings&) {
            i.frameSize = {40, 20};
        }) << "The minimum frame size for processing is 32 x 32 pixels.";
    }

    void configurationChecks()
    {
        QFETCH(Change, change);
        QFETCH(QString, message);
        media::VideoInfo info = videoInfo(QSize(64, 64));
        ProcessingSettings settings = bandSettings(5.0);
        PhaseMotionProcessor processor;
        QVERIFY(processor.configure(info, settings));
        change(info, settings);
        QString error;
        QVERIFY(!processor.configure(info, settings, &error));
        QCOMPARE(error, message);
        // A failed configuration leaves the processor unconfigured.
        std::vector<media::VideoFrame> out;
        QVERIFY(
            !processor.process(frameAt(QImage(64, 64, QImage::Format_RGBA8888), 0), &out, &error));
        QCOMPARE(error, QStringLiteral("The phase motion processor has not been configured."));
    }

    // Every settings limit from both sides: an off-by-one at a bound passes every other test.
    void settingsLimits()
    {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const auto factor = [](double v) {
            ProcessingSettings s;
            s.amplificationFactor = v;
            return s.isAmplificationValid();
        };
        QVERIFY(factor(1.0) && factor(50.0) && !factor(0.999) && !factor(50.001));
        const auto workers = [](int v) {
            ProcessingSettings s;
            s.workerThreadCount = v;
            return s.isWorkerCountValid();
        };
        QVERIFY(workers(256) && !workers(257));
        const auto rpm = [](double v) {
            ProcessingSettings s;
            s.rotationSpeedRpm = v;
            return s.isRotationSpeedValid();
        };
        QVERIFY(rpm(0.0) && rpm(500.0) && rpm(7000.0));
        QVERIFY(!rpm(499.0) && !rpm(7001.0) && !rpm(nan));
        const auto regions = [](QRectF roi, bool stabilize, QRectF reference = {}) {
            ProcessingSettings s;
            s.regionOfInterest = roi;
            s.stabilizationEnabled = stabilize;
            s.stabilizationReferenceRegion = reference;
            return s.areRegionsValid();
        };
        QVERIFY(!regions({0.5, 0, 0.6, 1}, false) && !regions({nan, 0, 0.5, 0.5}, false));
        // The reference region counts only when stabilising.
        QVERIFY(!regions({0, 0, 1, 1}, true) && regions({0, 0, 1, 1}, true, {0.1, 0.1, 0.2, 0.2}));
        // 1000 x 500: feather 5 px, so at least 11 px a side; a tiny frame needs its whole side.
        const auto large = [](QSize frame, QRectF roi) {
            ProcessingSettings s;
            s.regionOfInterest = roi;
            return s.isRegionLargeEnough(frame);
        };
        QVERIFY(large({1000, 500}, {0, 0, 0.011, 0.5}) && !large({1000, 500}, {0, 0, 0.010, 0.5}));
        QVERIFY(large({4, 4}, {0, 0, 1, 1}) && !large({}, {0, 0, 1, 1}));
        const auto frames = [](qint64 start, qint64 end) {
            ProcessingSettings s;
            s.startFrame = start;
            s.endFrameExclusive = end;
            return s.frameRangeSet() && s.isFrameRangeValid(10);
        };
        QVERIFY(frames(0, 10) && !frames(3, 4) && !frames(3, 11) && !frames(-1, 5));
        const auto times = [](qint64 start, qint64 end) {
            ProcessingSettings s;
            s.startTimeUs = start;
            s.endTimeUs = end;
            return s.isTimeRangeValid(1000);
        };
        QVERIFY(times(0, -1) && !times(1000, -1) && !times(500, 400) && !times(0, 1001));
        QVERIFY(!times(-1, -1));
    }

    void frameChecks()
    {
        PhaseMotionProcessor processor;
        std::vector<media::VideoFrame> out;
        QString error;
        QVERIFY(processor.configure(videoInfo(QSize(64, 48)), bandSettings(5.0)));
        QVERIFY(!processor.process(frameAt(randomImage(32, 48, 1), 0), &out, &error));
        QCOMPARE(error, QStringLiteral("The frame size changed during processing."));
        const media::VideoFrame frame = frameAt(randomImage(64, 48, 1), 5);
        QVERIFY(processor.process(frame, &out, &error));
        QCOMPARE(out.at(0).frameIndex, 5);
        QVERIFY(!processor.process(frame, &out, &error));
        QCOMPARE(error, QStringLiteral("Frame timestamps must be strictly increasing."));
        // A reset lets times and indices start again.
        processor.reset();
        QVERIFY(processor.process(frame, &out));
    }

    void factorOneReturnsFramesUnchanged()
    {
        const std::vector<QImage> input(m_isotropicInput.begin(), m_isotropicInput.begin() + 30);
        PhaseMotionProcessor processor;
        const std::vector<QImage> output = processAll(input, bandSettings(1.0), &processor);
        QCOMPARE(output, input); // the same images, format included
        QCOMPARE(processor.stageTimings().measuredFrames, 0);
    }

    void staticTextureStaysUnchanged()
    {
        const QImage still = MovingTexture(96, 80, 2.0, 7).frame(0.0);
        const std::vector<QImage> input(40, still);
        PhaseMotionProcessor processor;
        const std::vector<QImage> output = processAll(input, bandSettings(20.0), &processor);
        QVERIFY(sameImages(output, input));
        QCOMPARE(processor.stageTimings().measuredFrames, 40);
        QVERIFY(processor.stageTimings().totalUs() > 0);
    }

    void matchesReferenceChain_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<double>("factor");
        QTest::addColumn<QRectF>("region");
        QTest::newRow("full frame") << 160 << 128 << 9u << 20.0 << QRectF(0, 0, 1, 1);
        QTest::newRow("other texture, limited shift")
            << 144 << 112 << 31u << 50.0 << QRectF(0, 0, 1, 1);
        QTest::newRow("cropped region") << 480 << 144 << 57u << 10.0 << QRectF(0.1, 0.2, 0.1, 0.4);
    }

    void matchesReferenceChain()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(quint32, seed);
        QFETCH(double, factor);
        QFETCH(QRectF, region);
        const std::vector<QImage> input =
            sinusoidalMotion(MovingTexture(width, height, 1.5, seed), 0.4, 12.0, 24);
        ProcessingSettings s = bandSettings(factor);
        s.regionOfInterest = region;
        s.workerThreadCount = 2;
        PhaseMotionProcessor processor;
        const std::vector<QImage> output = processAll(input, s, &processor);
        QCOMPARE(output.size(), input.size());
        QCOMPARE(processor.regionPlan().croppingInForce(), region != QRectF(0, 0, 1, 1));
        const std::vector<QImage> expected =
            referenceChain(input, s, processor.regionPlan(), processor.levelCount());
        // The kernels differ from the plain formulas by a few float ulps, which can move a
        // channel across a rounding boundary now and then, never further.
        qint64 differing = 0, total = 0;
        for (std::size_t n = 0; n < input.size(); ++n) {
            const QImage a = output[n].convertToFormat(QImage::Format_ARGB32);
            const QImage& b = expected[n];
            QCOMPARE(a.size(), b.size());
            for (int y = 0; y < a.height(); ++y)
                for (int x = 0; x < a.width(); ++x) {
                    const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
                    const int d =
                        std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                  std::abs(qBlue(p) - qBlue(q))});
                    QVERIFY2(d <= 1 && qAlpha(p) == qAlpha(q),
                             qPrintable(QString("frame %1 at %2,%3").arg(n).arg(x).arg(y)));
                    differing += d != 0;
                    ++total;
                }
        }
        QVERIFY2(differing * 1000 < total, qPrintable(QString::number(differing)));
        QVERIFY(!sameImages(output, input));
        // However the work is shared out, the same images come back.
        for (int workers : {1, 8}) {
            s.workerThreadCount = workers;
            QVERIFY(processAll(input, s) == output);
        }
    }

    void magnification_data()
    {
        QTest::addColumn<bool>("isotropic");
        QTest::addColumn<double>("factor");
        QTest::addColumn<double>("expectedGain");
        // The amplitude-weighted denoising averages orientations, so on an isotropic texture the
        // chain magnifies by less than the factor; the figures are those of an independent
        // implementation of the same formulas (within 10 %). A texture varying along x only has
        // every orientation agree, so less is averaged away.
        QTest::newRow("isotropic, factor 5") << true << 5.0 << 3.05;
        QTest::newRow("isotropic, factor 20") << true << 20.0 << 11.0;
        QTest::newRow("one-dimensional, factor 5") << false << 5.0 << 4.0;
    }

    void magnification()
    {
        QFETCH(bool, isotropic);
        QFETCH(double, factor);
        QFETCH(double, expectedGain);
        std::vector<QImage> oneDimensional;
        SinusoidFit in = m_isotropicInputMotion;
        if (!isotropic) {
            oneDimensional =
                sinusoidalMotion(MovingTexture(256, 256, 2.0, 43, false), 0.1, 12.0, 480);
            in = measuredMotion(oneDimensional, 12.0);
        }
        const std::vector<QImage> output =
            processAll(isotropic ? m_isotropicInput : oneDimensional, bandSettings(factor));
        QCOMPARE(output.size(), std::size_t(480));
        const SinusoidFit out = measuredMotion(output, 12.0);
        const double gain = out.amplitude / in.amplitude;
        const double phaseShift = std::remainder(out.phaseRadians - in.phaseRadians, 2 * M_PI);
        qInfo("gain %.3f, phase shift %.2f degrees", gain, phaseShift * 180.0 / M_PI);
        QVERIFY2(std::abs(gain / expectedGain - 1.0) < 0.1, qPrintable(QString::number(gain)));
        // The motion keeps its phase.
        QVERIFY(std::abs(phaseShift) < 10.0 * M_PI / 180.0);
    }

    void motionOutsideBandKeepsAmplitude()
    {
        // A patch vibrating at 40 Hz in a still texture, with the band at 10..14 Hz. The band-pass
        // still passes about 0.1 of it, nearly in quadrature; at factor 5 (after the denoising's
        // averaging) that adds only a few per cent to the amplitude.
        const MovingTexture texture(128, 128, 2.0, 44);
        const QRect patch(32, 32, 64, 64);
        const std::vector<QImage> input = sinusoidalMotion(texture, 0.3, 40.0, 360, patch);
        const QRect inner = patch.adjusted(8, 8, -8, -8);
        const SinusoidFit in = measuredMotion(input, 40.0, inner);
        const SinusoidFit out = measuredMotion(processAll(input, bandSettings(5.0)), 40.0, inner);
        qInfo("40 Hz patch: input %.4f px, output %.4f px", in.amplitude, out.amplitude);
        QVERIFY(in.amplitude > 0.25);
        QVERIFY2(std::abs(out.amplitude / in.amplitude - 1.0) < 0.1,
                 qPrintable(QString::number(out.amplitude / in.amplitude)));
    }

    // With a crop, only the crop is moved before the chain and the rest while pasting: the
    // frames must be those of moving every whole frame first and amplifying without
    // compensation.
    void compensationMatchesMovingWholeFrames_data()
    {
        QTest::addColumn<QRectF>("region");
        QTest::addColumn<int>("format");
        QTest::newRow("inner region")
            << QRectF(0.4, 0.45, 0.15, 0.1) << int(QImage::Format_RGBA8888);
        QTest::newRow("region at the corner, RGBX")
            << QRectF(0.85, 0.85, 0.15, 0.15) << int(QImage::Format_RGBX8888);
        QTest::newRow("region at the origin, RGB32")
            << QRectF(0.0, 0.0, 0.15, 0.15) << int(QImage::Format_RGB32);
        QTest::newRow("full frame") << QRectF(0, 0, 1, 1) << int(QImage::Format_RGBA8888);
    }

    void compensationMatchesMovingWholeFrames()
    {
        QFETCH(QRectF, region);
        QFETCH(int, format);
        // A shaking camera: whole pixels from the crop, fractions from the texture.
        const MovingTexture texture(340, 276, 2.0, 46);
        std::vector<QImage> input;
        for (int n = 0; n < 16; ++n) {
            const double dx = 6.0 * std::sin(0.9 * n), dy = 4.0 * std::cos(0.7 * n);
            const int wholeY = int(std::lround(dy));
            input.push_back(texture.frame(dx - std::floor(dx))
                                .copy(10 + int(std::floor(dx)), 10 + wholeY, 320, 256)
                                .convertToFormat(QImage::Format(format)));
        }
        ProcessingSettings s = bandSettings(20.0);
        s.regionOfInterest = region;
        s.workerThreadCount = 2;
        s.stabilizationEnabled = true;
        s.stabilizationReferenceRegion = QRectF(0.02, 0.02, 0.4, 0.4);
        PhaseMotionProcessor processor;
        const std::vector<QImage> output = processAll(input, s, &processor);
        QCOMPARE(output.size(), input.size());
        QCOMPARE(processor.regionPlan().croppingInForce(), region != QRectF(0, 0, 1, 1));

        CameraMotionEstimator camera;
        std::vector<QImage> moved;
        for (const QImage& frame : input) {
            QPointF displacement;
            QVERIFY(camera.addWholeFrame(frame, s.stabilizationReferenceRegion, &displacement));
            QImage target;
            shiftImage(frame, -displacement, target);
            moved.push_back(displacement.isNull() ? frame : target);
        }
        QVERIFY(processor.cameraMotion().peakPx > 3.0);
        s.stabilizationEnabled = false;
        const std::vector<QImage> expected = processAll(moved, s);
        QCOMPARE(expected.size(), output.size());
        for (std::size_t n = 0; n < output.size(); ++n)
            QVERIFY2(output[n] == expected[n], qPrintable(QString("frame %1").arg(n)));
    }

private:
    // 256 x 256 (four pyramid levels), 2 s of 0.1 px motion at 12 Hz.
    std::vector<QImage> m_isotropicInput;
    SinusoidFit m_isotropicInputMotion;
};

QTEST_GUILESS_MAIN(PhaseMotionProcessorTest)
#include "tst_PhaseMotionProcessor.moc"
