// Headless spectrum analysis of a video file; prints candidates, summary figures and timings
// as JSON, with --frequency and --reference also the relative phase of every point, and with
// --points why every grid point was accepted or not and its displacement at every candidate.
// Amplitudes are in pixels of the source frame; with --scale also in physical units.

#include "media/libav/LibavRuntime.h"
#include "media/libav/LibavVideoAnalyzer.h"
#include "records/SpectrumAlgorithms.h"
#include "spectrum/RelativePhase.h"
#include "spectrum/SpectrumAnalysisLimits.h"
#include "spectrum/SpectrumAnalysisRun.h"
#include "spectrum/SpectrumStage.h"
#include "spectrum/SpectrumViews.h"
#include "spectrum/VibrationUnits.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>
#include <cmath>
#include <cstdio>

using namespace orvi;

namespace {

QJsonValue number(double value)
{
    return std::isfinite(value) ? QJsonValue(value) : QJsonValue();
}

int fail(const QString& message, int code = 1)
{
    QJsonObject out{{"ok", false}, {"error", message}};
    QTextStream(stdout) << QJsonDocument(out).toJson(QJsonDocument::Indented);
    return code;
}

bool parseNumbers(const QString& text, int count, double* values)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != count)
        return false;
    for (int i = 0; i < count; ++i) {
        bool ok = false;
        values[i] = parts[i].trimmed().toDouble(&ok);
        if (!ok)
            return false;
    }
    return true;
}

// Physical units of an amplitude at a frequency; empty without a usable scale.
QJsonObject physicalJson(const project_data::SpectrumResult& result, double amplitudePx,
                         double frequencyHz)
{
    const double mmPerPixel = spectrum::millimetresPerPixel(result.request.lengthScale,
                                                            result.request.videoInfo.frameSize);
    if (!std::isfinite(mmPerPixel))
        return {};
    const spectrum::PhysicalAmplitude u =
        spectrum::physicalAmplitude(amplitudePx, frequencyHz, mmPerPixel);
    return QJsonObject{{"displacementUm", number(u.displacementUm)},
                       {"velocityMmPerSecondRms", number(u.velocityMmPerSecondRms)},
                       {"accelerationMetresPerSecond2", number(u.accelerationMetresPerSecond2)}};
}

QJsonArray candidatesJson(const project_data::SpectrumResult& result)
{
    QJsonArray list;
    for (const project_data::FrequencyCandidate& c : result.candidates) {
        QJsonObject candidate{
            {"frequencyHz", c.measuredFrequencyHz()},
            {"binFrequencyHz", c.frequencyHz},
            {"relativePower", c.relativePower},
            {"relativeBandPower",
             number(spectrum::relativeBandPower(result, c.lowerFrequencyHz, c.upperFrequencyHz))},
            {"contrastDb", number(c.contrastDb)},
            {"spatialSupport", c.spatialSupport},
            {"stabilityEvaluated", c.stabilityEvaluated},
            {"stability", c.stability},
            {"lowerFrequencyHz", c.lowerFrequencyHz},
            {"upperFrequencyHz", c.upperFrequencyHz},
            {"possibleCompressionArtefact", c.possibleCompressionArtefact},
            {"cameraMotion", c.cameraMotion},
            {"refinedFrequencyHz", number(c.refinedFrequencyHz)},
            {"amplitudePx", number(c.amplitudePx)},
            {"amplitudeLowerPx", number(c.amplitudeLowerPx)},
            {"amplitudeUpperPx", number(c.amplitudeUpperPx)},
            {"amplitudePoints", c.amplitudePoints},
            {"strongestAmplitudePx", number(c.strongestAmplitudePx)},
            {"amplitudePoint", c.amplitudePoint},
        };
        const QJsonObject physical = physicalJson(result, c.amplitudePx, c.refinedFrequencyHz);
        for (auto it = physical.begin(); it != physical.end(); ++it)
            candidate.insert(it.key(), it.value());
        list.append(candidate);
    }
    return list;
}

// A point's displacement at every candidate.
QJsonArray amplitudesJson(const project_data::SpectrumResult& result,
                          const project_data::AcceptedSignal& signal)
{
    QJsonArray list;
    for (size_t i = 0; i < signal.amplitudes.size() && i < result.candidates.size(); ++i) {
        const project_data::PointAmplitude& a = signal.amplitudes[i];
        QJsonObject amplitude{{"frequencyHz", number(result.candidates[i].refinedFrequencyHz)},
                              {"amplitudePx", number(a.amplitudePx)},
                              {"directionDegrees", number(a.directionDegrees)},
                              {"phaseDegrees", number(a.phaseDegrees)},
                              {"amplitudeXPx", number(a.amplitudeXPx)},
                              {"phaseXDegrees", number(a.phaseXDegrees)},
                              {"amplitudeYPx", number(a.amplitudeYPx)},
                              {"phaseYDegrees", number(a.phaseYDegrees)},
                              {"standardErrorPx", number(a.standardErrorPx)},
                              {"carriesLine", a.carriesLine},
                              {"reliable", a.reliable}};
        const QJsonObject physical =
            physicalJson(result, a.amplitudePx, result.candidates[i].refinedFrequencyHz);
        for (auto it = physical.begin(); it != physical.end(); ++it)
            amplitude.insert(it.key(), it.value());
        list.append(amplitude);
    }
    return list;
}

QJsonObject summaryJson(const project_data::SpectrumResult& result)
{
    const QSize grid = spectrum::effectiveGrid(result.request);
    qint64 lowContrast = 0, phaseJump = 0, nonFinite = 0;
    int firstAccepted = -1;
    for (const project_data::GridSite& site : result.sites) {
        if (site.accepted && firstAccepted < 0)
            firstAccepted = int(&site - result.sites.data());
        lowContrast += site.lowContrastSamples;
        phaseJump += site.phaseJumpSamples;
        nonFinite += site.nonFiniteSamples;
    }
    return QJsonObject{
        {"identity", QString::fromLatin1(result.request.identity)},
        {"gridColumns", grid.width()},
        {"gridRows", grid.height()},
        {"analysisWidth", result.analysisImageSize.width()},
        {"analysisHeight", result.analysisImageSize.height()},
        {"siteCount", result.siteCount},
        {"acceptedCount", result.acceptedCount},
        {"sampleCount", result.sampleCount},
        {"fftSize", result.fftSize},
        {"binWidthHz", result.binWidthHz},
        {"windowResolutionHz", result.windowResolutionHz},
        {"powerNormalization", number(result.powerNormalization)},
        {"unresolvedPeaks", result.unresolvedPeaks},
        {"lowContrastSamples", lowContrast},
        {"phaseJumpSamples", phaseJump},
        {"nonFiniteSamples", nonFinite},
        {"firstAcceptedPoint", firstAccepted},
        {"keyFrameInterval", result.keyFrameInterval},
        {"cameraMotionCompensated", result.cameraMotion.compensated},
        {"cameraMotionPeakPx", number(result.cameraMotion.peakPx)},
        {"cameraMotionRmsPx", number(result.cameraMotion.rmsPx)},
        {"cameraMotionQuality", number(result.cameraMotion.meanQuality)},
        {"cameraMotionLowestQuality", number(result.cameraMotion.lowestQuality)},
        {"millimetresPerPixel",
         number(spectrum::millimetresPerPixel(result.request.lengthScale,
                                              result.request.videoInfo.frameSize))},
    };
}

// Every grid point's acceptance, longest segment and samples lost by each rule.
QJsonArray pointsJson(const project_data::SpectrumResult& result)
{
    const int columns = std::max(spectrum::effectiveGrid(result.request).width(), 1);
    const double rate = result.request.videoInfo.captureFrameRate;
    QJsonArray list;
    size_t signal = 0;
    for (size_t i = 0; i < result.sites.size(); ++i) {
        const project_data::GridSite& s = result.sites[i];
        QJsonObject point{
            {"index", int(i)},
            {"column", int(i) % columns},
            {"row", int(i) / columns},
            {"sampleX", s.sampleX},
            {"sampleY", s.sampleY},
            {"cell", QJsonObject{{"x", s.cellRect.x()},
                                 {"y", s.cellRect.y()},
                                 {"width", s.cellRect.width()},
                                 {"height", s.cellRect.height()}}},
            {"textured", s.textured},
            {"pyramidLevel", s.pyramidLevel},
            {"accepted", s.accepted},
            {"reason", spectrum::siteReason(s, rate)},
            {"segmentStart", s.segmentStart},
            {"segmentLength", s.segmentLength},
            {"validSamples", s.validSamples},
            {"gapCount", s.gapCount},
            {"lostSamples", QJsonObject{{"lowContrast", s.lowContrastSamples},
                                        {"phaseJump", s.phaseJumpSamples},
                                        {"nonFinite", s.nonFiniteSamples}}},
        };
        if (s.accepted && signal < result.acceptedSignals.size())
            point.insert("amplitudes", amplitudesJson(result, result.acceptedSignals[signal++]));
        list.append(point);
    }
    return list;
}

QJsonArray phaseJson(const std::vector<project_data::RelativePhaseSample>& samples)
{
    QJsonArray list;
    for (size_t i = 0; i < samples.size(); ++i) {
        const project_data::RelativePhaseSample& s = samples[i];
        list.append(QJsonObject{
            {"index", int(i)},
            {"sampleX", s.sampleX},
            {"sampleY", s.sampleY},
            {"valid", s.valid},
            {"reason", s.reason},
            {"phaseDegrees", s.phaseDegrees},
            {"quality", s.quality},
            {"intervalStart", s.intervalStart},
            {"intervalLength", s.intervalLength},
        });
    }
    return list;
}

// The accepted point with the most power in the frequency's bin, as a grid index.
int strongestPoint(const project_data::SpectrumResult& result, double frequencyHz)
{
    const long bin = result.binWidthHz > 0.0 ? std::lround(frequencyHz / result.binWidthHz) : -1;
    int best = -1;
    double bestPower = -1.0;
    size_t signal = 0;
    for (size_t i = 0; i < result.sites.size(); ++i) {
        if (!result.sites[i].accepted)
            continue;
        const std::vector<double>& power = result.acceptedSignals[signal++].powerSpectrum;
        if (bin >= 0 && size_t(bin) < power.size() && power[size_t(bin)] > bestPower) {
            bestPower = power[size_t(bin)];
            best = int(i);
        }
    }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    orvi::media::libav::LibavRuntime::routeLogMessages();
    QCoreApplication::setApplicationName(QStringLiteral("orvi-tool-spectrum-analysis"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Runs a vibration spectrum analysis on a video file and prints JSON."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("video"), QStringLiteral("Local video file."));
    const QCommandLineOption start({"s", "start"}, "First frame (zero-based).", "frame", "0");
    const QCommandLineOption end({"e", "end"},
                                 "End frame, exclusive (default: 1000 frames or "
                                 "the whole video, whichever is shorter).",
                                 "frame");
    const QCommandLineOption region({"r", "region"}, "Normalised region x,y,width,height.",
                                    "x,y,w,h", "0,0,1,1");
    const QCommandLineOption density({"g", "grid"}, "Grid density 0 (16x8), 1 (32x16), 2 (64x32).",
                                     "index", "1");
    const QCommandLineOption workers({"w", "workers"}, "Worker threads, 0 = automatic.", "count",
                                     "0");
    const QCommandLineOption rate({"c", "capture-rate"},
                                  "Capture frame rate in fps (default: the probed rate).", "fps");
    const QCommandLineOption frequency({"f", "frequency"}, "Relative phase frequency in Hz.", "Hz");
    const QCommandLineOption reference({"p", "reference"},
                                       "Relative phase reference point "
                                       "(zero-based grid index).",
                                       "index");
    const QCommandLineOption axis({"a", "axis"}, "Relative phase component, X or Y.", "axis", "X");
    const QCommandLineOption scale(
        "scale",
        "A known length: two points in normalised frame coordinates and their distance in "
        "millimetres; amplitudes are then also given as displacement, velocity and "
        "acceleration.",
        "x1,y1,x2,y2,mm");
    const QCommandLineOption cameraReference(
        "camera-reference",
        "Compensate camera motion, measured on this still part of the scene (normalised "
        "x,y,width,height like --region). Takes out the camera's translation; rotation, zoom "
        "and parallax between planes at different distances remain.",
        "x,y,w,h");
    const QCommandLineOption points(
        "points", "Also print every grid point: accepted or not, the reason, the pyramid level "
                  "read, the longest segment and the samples lost by each rule.");
    parser.addOptions({start, end, region, density, workers, rate, frequency, reference, axis,
                       scale, points, cameraReference});
    parser.process(app);
    if (parser.positionalArguments().size() != 1)
        return fail(QStringLiteral("Give exactly one video file."), 2);

    QElapsedTimer timer;
    timer.start();
    media::VideoInfo info;
    QString error;
    media::libav::LibavVideoAnalyzer analyzer;
    if (!analyzer.analyze({}, parser.positionalArguments().first(), &info, &error))
        return fail(error);
    const qint64 probeMs = timer.restart();

    project_data::SpectrumAnalysisRequest request;
    bool ok = true;
    if (parser.isSet(rate))
        info.captureFrameRate = parser.value(rate).toDouble(&ok);
    else if (!(info.captureFrameRate > 0.0))
        info.captureFrameRate = info.nominalFrameRate;
    if (!ok)
        return fail(QStringLiteral("The capture rate is not a number."), 2);
    request.videoInfo = info;
    request.startFrame = parser.value(start).toLongLong(&ok);
    if (!ok)
        return fail(QStringLiteral("The start frame is not a number."), 2);
    request.endFrame = parser.isSet(end) ? parser.value(end).toLongLong(&ok)
                                         : std::min(info.frameCount, request.startFrame + 1000);
    if (!ok)
        return fail(QStringLiteral("The end frame is not a number."), 2);
    double rect[4];
    if (!parseNumbers(parser.value(region), 4, rect))
        return fail(QStringLiteral("The region must be four numbers x,y,width,height."), 2);
    request.analysisRegion = QRectF(rect[0], rect[1], rect[2], rect[3]);
    if (parser.isSet(cameraReference)) {
        if (!parseNumbers(parser.value(cameraReference), 4, rect))
            return fail(
                QStringLiteral("The camera reference must be four numbers x,y,width,height."), 2);
        request.cameraMotionCompensation = true;
        request.cameraReferenceRegion = QRectF(rect[0], rect[1], rect[2], rect[3]);
    }
    if (parser.isSet(scale)) {
        double s[5];
        if (!parseNumbers(parser.value(scale), 5, s))
            return fail(QStringLiteral("The scale must be five numbers x1,y1,x2,y2,mm."), 2);
        request.lengthScale = {QPointF(s[0], s[1]), QPointF(s[2], s[3]), s[4]};
    }
    request.requestedGrid = spectrum::gridForDensity(parser.value(density).toInt(&ok));
    request.workerThreadCount = parser.value(workers).toInt(&ok);
    request.identity = spectrum::makeIdentity(0, request);

    double lastProgress = -1.0;
    const project_data::SpectrumResult result =
        spectrum::runSpectrumAnalysis(request, {}, [&lastProgress](double fraction) {
            // Coarse progress on stderr keeps stdout pure JSON.
            if (fraction - lastProgress >= 0.1 || fraction >= 1.0) {
                std::fprintf(stderr, "progress %.0f%%\n", fraction * 100.0);
                lastProgress = fraction;
            }
        });
    const qint64 analysisMs = timer.restart();

    QJsonObject out{
        {"ok", result.ok},
        {"algorithm", project_data::kSpectrumAlgorithmId},
        {"source", info.filePath},
        {"captureFps", info.captureFrameRate},
        {"startFrame", request.startFrame},
        {"endFrameExclusive", request.endFrame},
        {"workerThreads", spectrum::effectiveWorkerThreads(request)},
    };
    if (!result.errorMessage.isEmpty())
        out.insert("error", result.errorMessage);
    out.insert("summary", summaryJson(result));
    out.insert("candidates", candidatesJson(result));
    if (parser.isSet(points))
        out.insert("points", pointsJson(result));

    QJsonObject timings{
        {"probeMs", probeMs}, {"analysisMs", analysisMs}, {"runElapsedMs", result.elapsedMs}};
    const qint64 frames = request.endFrame - request.startFrame;
    if (analysisMs > 0)
        timings.insert("framesPerSecond", double(frames) * 1000.0 / double(analysisMs));

    if (result.ok && parser.isSet(frequency) && parser.isSet(reference)) {
        const double hz = parser.value(frequency).toDouble(&ok);
        int point = -1;
        if (ok && parser.value(reference) == QLatin1String("auto"))
            point = strongestPoint(result, hz);
        else if (ok)
            point = parser.value(reference).toInt(&ok);
        const QString component = parser.value(axis).toUpper();
        if (!ok || (component != "X" && component != "Y"))
            return fail(QStringLiteral("The relative phase options are not valid."), 2);
        const auto samples = spectrum::computeRelativePhase(
            result.sites, point, component == "X" ? 0 : 1, info.captureFrameRate, hz, {});
        timings.insert("phaseMs", timer.elapsed());
        int valid = 0;
        for (const auto& s : samples)
            valid += s.valid ? 1 : 0;
        out.insert("relativePhase",
                   QJsonObject{{"algorithm", project_data::kRelativePhaseAlgorithmId},
                               {"frequencyHz", hz},
                               {"axis", component},
                               {"referencePoint", point},
                               {"validPoints", valid},
                               {"samples", phaseJson(samples)}});
    }
    out.insert("timings", timings);
    QTextStream(stdout) << QJsonDocument(out).toJson(QJsonDocument::Indented);
    return result.ok ? 0 : 1;
}
