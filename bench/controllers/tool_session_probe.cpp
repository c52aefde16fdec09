// Opening a 1920 x 1080, 1000-frame H.264 clip through VideoSessionController next to
// LibavVideoAnalyzer on the calling thread, in alternating rounds of the same run (target: at
// most 1.05 times), and the longest gap between the ticks of a 1 ms timer on the interface
// thread while the session probes (target: under 16 ms).
//
// Usage: orvi-tool-session-probe [rounds]. The clip is made with the ffmpeg tool in a
// temporary folder first.

#include "controllers/MediaRuntimeController.h"
#include "controllers/VideoSessionController.h"
#include "media/libav/LibavVideoAnalyzer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <limits>

using orvi::media::VideoInfo;
using orvi::media::libav::LibavVideoAnalyzer;
using orvi::ui::controllers::MediaRuntimeController;
using orvi::ui::controllers::VideoSessionController;

namespace {

constexpr int kClipFrames = 1000;

bool makeClip(const QString& path)
{
    std::printf("Making a %d-frame 1920x1080 clip with ffmpeg ...\n", kClipFrames);
    std::fflush(stdout);
    return QProcess::execute(QStringLiteral("ffmpeg"),
                             {"-v", "error", "-nostdin", "-f", "lavfi", "-i",
                              "testsrc2=size=1920x1080:rate=60", "-vf", "noise=alls=10:allf=t",
                              "-frames:v", QString::number(kClipFrames), "-c:v", "libx264",
                              "-preset", "veryfast", "-pix_fmt", "yuv420p", path}) == 0;
}

// Seconds for one probe on this thread, or a negative value on failure.
double probeDirectly(const QString& clip)
{
    QElapsedTimer timer;
    timer.start();
    LibavVideoAnalyzer analyzer;
    VideoInfo info;
    QString error;
    if (!analyzer.analyze({}, clip, &info, &error) || info.frameCount != kClipFrames) {
        std::fprintf(stderr, "direct probe failed: %s\n", qPrintable(error));
        return -1.0;
    }
    return double(timer.nsecsElapsed()) / 1e9;
}

struct SessionProbe
{
    double seconds = -1.0;
    double longestTickGapMs = 0.0;
    qint64 ticks = 0;
};

// Opens the clip through a fresh session and runs the event loop until it is ready, while a
// 1 ms timer measures how long the interface thread goes without serving it.
SessionProbe probeThroughSession(MediaRuntimeController& runtime, const QString& clip)
{
    SessionProbe probe;
    VideoSessionController session(&runtime);
    QEventLoop loop;
    QObject::connect(&session, &VideoSessionController::stateChanged, &loop, [&] {
        if (!session.busy())
            loop.quit();
    });

    QElapsedTimer clock;
    qint64 lastTickNs = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, &loop, [&] {
        const qint64 now = clock.nsecsElapsed();
        probe.longestTickGapMs = std::max(probe.longestTickGapMs, double(now - lastTickNs) / 1e6);
        lastTickNs = now;
        ++probe.ticks;
    });

    clock.start();
    ticker.start();
    session.openSource(QUrl::fromLocalFile(clip));
    loop.exec();
    ticker.stop();
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    if (!session.ready() || session.frameCount() != kClipFrames) {
        std::fprintf(stderr, "session probe failed: %s\n", qPrintable(session.errorMessage()));
        return probe;
    }
    probe.seconds = seconds;
    return probe;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const int rounds = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 3;
    QTemporaryDir folder;
    const QString clip = folder.filePath(QStringLiteral("textured-1080p-1000.mp4"));
    if (!folder.isValid() || !makeClip(clip)) {
        std::fprintf(stderr, "could not make the benchmark clip with the ffmpeg tool\n");
        return 1;
    }

    MediaRuntimeController runtime;
    double bestDirect = std::numeric_limits<double>::infinity();
    double bestSession = std::numeric_limits<double>::infinity();
    double worstGapMs = 0.0;
    // Alternating rounds, so that load from other processes hits both sides alike.
    for (int round = 0; round < rounds; ++round) {
        const double direct = probeDirectly(clip);
        const SessionProbe session = probeThroughSession(runtime, clip);
        if (direct < 0.0 || session.seconds < 0.0)
            return 1;
        bestDirect = std::min(bestDirect, direct);
        bestSession = std::min(bestSession, session.seconds);
        worstGapMs = std::max(worstGapMs, session.longestTickGapMs);
        std::printf("round %d: analyzer %.3f s, session %.3f s, longest tick gap %.2f ms "
                    "(%lld ticks)\n",
                    round + 1, direct, session.seconds, session.longestTickGapMs,
                    static_cast<long long>(session.ticks));
        std::fflush(stdout);
    }
    std::printf("best analyzer on the calling thread: %.3f s (%.1f frames/s)\n", bestDirect,
                kClipFrames / bestDirect);
    std::printf("best open through the session:      %.3f s (%.1f frames/s)\n", bestSession,
                kClipFrames / bestSession);
    std::printf("session / analyzer: %.3f (target <= 1.05), best of %d alternating rounds\n",
                bestSession / bestDirect, rounds);
    std::printf("longest interface-thread tick gap during a probe: %.2f ms (target < 16)\n",
                worstGapMs);
    return 0;
}
