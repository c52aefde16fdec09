// Measures how a region of a video moves, frame by frame against the first frame (the camera
// motion estimator's translation), and prints its peak and RMS distance from the mean position
// and its amplitude at a frequency as JSON: to check that a stabilised video keeps a still part
// still and how much an amplified part moves.
//
// Usage: orvi-tool-region-motion VIDEO x,y,w,h [--rate fps] [--frequency Hz]

#include "media/libav/LibavRuntime.h"
#include "media/libav/LibavVideoSource.h"
#include "motion/CameraMotionEstimator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <cstdio>
#include <numbers>

using namespace orvi;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    media::libav::LibavRuntime::routeLogMessages();
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addPositionalArgument("video", "Video file.");
    parser.addPositionalArgument("region", "Normalised region x,y,w,h.");
    const QCommandLineOption rate("rate", "Frame rate of the samples in fps.", "fps", "0");
    const QCommandLineOption frequency("frequency", "Frequency of the stated amplitude in Hz.",
                                       "Hz", "0");
    parser.addOptions({rate, frequency});
    parser.process(app);
    const QStringList args = parser.positionalArguments();
    const QStringList parts = args.size() == 2 ? args[1].split(',') : QStringList();
    if (parts.size() != 4) {
        std::fputs(qPrintable(parser.helpText()), stderr);
        return 2;
    }
    const QRectF region(parts[0].toDouble(), parts[1].toDouble(), parts[2].toDouble(),
                        parts[3].toDouble());
    media::libav::LibavVideoSource source;
    QString error;
    if (!source.open(args[0], &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const double fps = parser.value(rate).toDouble() > 0.0 ? parser.value(rate).toDouble()
                                                           : source.videoInfo().nominalFrameRate;
    const double hz = parser.value(frequency).toDouble();
    motion_core::CameraMotionEstimator estimator;
    media::VideoFrame frame;
    double cx = 0.0, sx = 0.0, cy = 0.0, sy = 0.0;
    int n = 0;
    QPointF d;
    while (source.readFrame(frame, &error) == media::ReadResult::Frame) {
        if (!estimator.addWholeFrame(frame.image, region, &d, &error))
            break;
        const double w = 2.0 * std::numbers::pi * hz * n++ / fps;
        cx += d.x() * std::cos(w), sx += d.x() * std::sin(w);
        cy += d.y() * std::cos(w), sy += d.y() * std::sin(w);
    }
    const project_data::CameraMotion motion = estimator.motion();
    QJsonObject out{{"frames", n},
                    {"error", error},
                    {"peakPx", motion.peakPx},
                    {"rmsPx", motion.rmsPx},
                    {"meanQuality", motion.meanQuality}};
    if (hz > 0.0 && n > 0) {
        out.insert("amplitudeXPx", 2.0 * std::hypot(cx, sx) / n);
        out.insert("amplitudeYPx", 2.0 * std::hypot(cy, sy) / n);
    }
    std::fputs(QJsonDocument(out).toJson(QJsonDocument::Indented).constData(), stdout);
    return 0;
}
