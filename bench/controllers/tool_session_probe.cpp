// Opening a 1920 x 1080, 1000-frame H.264 clip through VideoSessionController next to
// LibavVideoAnalyzer on the calling thread, in alternating rounds of the same run (target: at
// most 1.05 times), and the longest gap between the ticks of a 1 ms timer on the interface
// thread while the session probes (target: under 16 ms).
//
// On a shared machine wall times and tick gaps also show other processes' load, so the tool
// prints the process CPU time of both probes, the interface thread's own CPU time during the
// session's probe, and the tick gaps while the same probe runs on a pool task that reports to
// nobody (what the load alone does to the event loop).
//
// The session makes the scrubbing proxy on the way, so the analyzer is timed with it too, and
// once without it for what the proxy costs.
//
// Usage: orvi-tool-session-probe [rounds]. The clip is made with the ffmpeg tool in a
// temporary folder first.

#include "TickGapMeter.h"
#include "controllers/MediaRuntimeController.h"
#include "controllers/VideoSessionController.h"
#include "media/libav/LibavVideoAnalyzer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFutureWatcher>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QtConcurrent>
#include <algorithm>
#include <cstdio>
#include <limits>
#include <sys/resource.h>

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

double cpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    auto seconds = [](const timeval& value) { return value.tv_sec + value.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Wall and CPU time of one piece of work; `thread` is the calling thread's own CPU time.
struct Timing
{
    double wall = -1.0;
    double process = 0.0;
    double thread = 0.0;
};

class Stopwatch
{
public:
    Stopwatch() : m_process(cpuSeconds(RUSAGE_SELF)), m_thread(cpuSeconds(RUSAGE_THREAD))
    {
        m_clock.start();
    }
    Timing elapsed() const
    {
        return {double(m_clock.nsecsElapsed()) / 1e9, cpuSeconds(RUSAGE_SELF) - m_process,
                cpuSeconds(RUSAGE_THREAD) - m_thread};
    }

private:
    QElapsedTimer m_clock;
    double m_process;
    double m_thread;
};

bool probeDirectly(const QString& clip, bool withProxy = true)
{
    LibavVideoAnalyzer analyzer;
    VideoInfo info;
    QString error;
    std::shared_ptr<const orvi::media::ScrubbingProxy> proxy;
    if (!analyzer.analyze({}, clip, &info, &error, {}, {}, withProxy ? &proxy : nullptr) ||
        info.frameCount != kClipFrames) {
        std::fprintf(stderr, "direct probe failed: %s\n", qPrintable(error));
        return false;
    }
    if (proxy)
        std::printf("  scrubbing proxy: %lld pictures, %.1f KB each\n",
                    static_cast<long long>(proxy->pictureCount()),
                    double(proxy->byteSize()) / 1024.0 / double(proxy->pictureCount()));
    return true;
}

struct EventLoopProbe
{
    Timing timing;
    TickGapMeter meter;
};

// Opens the clip through a fresh session and runs the event loop until it is ready.
bool probeThroughSession(MediaRuntimeController& runtime, const QString& clip,
                         EventLoopProbe& probe)
{
    VideoSessionController session(&runtime);
    QEventLoop loop;
    QObject::connect(&session, &VideoSessionController::stateChanged, &loop, [&] {
        if (!session.busy())
            loop.quit();
    });
    const Stopwatch stopwatch;
    probe.meter.start();
    session.openSource(QUrl::fromLocalFile(clip));
    loop.exec();
    probe.meter.stop();
    probe.timing = stopwatch.elapsed();
    if (!session.ready() || session.frameCount() != kClipFrames) {
        std::fprintf(stderr, "session probe failed: %s\n", qPrintable(session.errorMessage()));
        return false;
    }
    return true;
}

// The same probe on a pool task that reports to nobody.
bool probeBesideEventLoop(const QString& clip, EventLoopProbe& probe)
{
    QEventLoop loop;
    QFutureWatcher<bool> watcher;
    QObject::connect(&watcher, &QFutureWatcher<bool>::finished, &loop, &QEventLoop::quit);
    const Stopwatch stopwatch;
    probe.meter.start();
    watcher.setFuture(QtConcurrent::run([clip] { return probeDirectly(clip); }));
    loop.exec();
    probe.meter.stop();
    probe.timing = stopwatch.elapsed();
    return watcher.result();
}

void printProbe(const char* name, const EventLoopProbe& probe)
{
    std::printf("  %-22s %.3f s wall, %.3f s CPU (interface thread %.3f s), longest tick gap "
                "%.2f ms, %lld of %lld gaps >= 16 ms\n",
                name, probe.timing.wall, probe.timing.process, probe.timing.thread,
                probe.meter.longestGapMs(), static_cast<long long>(probe.meter.gapsOverFrame()),
                static_cast<long long>(probe.meter.ticks()));
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
    Timing bestDirect{std::numeric_limits<double>::infinity(),
                      std::numeric_limits<double>::infinity()};
    Timing bestSession = bestDirect;
    Timing bestWithoutProxy = bestDirect;
    double worstSessionGapMs = 0.0;
    double worstBaselineGapMs = 0.0;
    double mostInterfaceCpu = 0.0;
    // Alternating rounds, so that load from other processes hits every side alike.
    for (int round = 0; round < rounds; ++round) {
        const Stopwatch plainStopwatch;
        if (!probeDirectly(clip, false))
            return 1;
        const Timing plain = plainStopwatch.elapsed();
        const Stopwatch stopwatch;
        if (!probeDirectly(clip))
            return 1;
        const Timing direct = stopwatch.elapsed();
        bestWithoutProxy = {std::min(bestWithoutProxy.wall, plain.wall),
                            std::min(bestWithoutProxy.process, plain.process)};
        EventLoopProbe session;
        EventLoopProbe baseline;
        if (!probeThroughSession(runtime, clip, session) || !probeBesideEventLoop(clip, baseline))
            return 1;
        bestDirect = {std::min(bestDirect.wall, direct.wall),
                      std::min(bestDirect.process, direct.process)};
        bestSession = {std::min(bestSession.wall, session.timing.wall),
                       std::min(bestSession.process, session.timing.process)};
        worstSessionGapMs = std::max(worstSessionGapMs, session.meter.longestGapMs());
        worstBaselineGapMs = std::max(worstBaselineGapMs, baseline.meter.longestGapMs());
        mostInterfaceCpu = std::max(mostInterfaceCpu, session.timing.thread);
        std::printf("round %d: analyzer on the calling thread %.3f s wall, %.3f s CPU (without "
                    "the proxy %.3f s wall, %.3f s CPU)\n",
                    round + 1, direct.wall, direct.process, plain.wall, plain.process);
        printProbe("through the session:", session);
        printProbe("on a silent pool task:", baseline);
        std::fflush(stdout);
    }
    std::printf("best analyzer on the calling thread: %.3f s wall (%.1f frames/s), %.3f s CPU\n",
                bestDirect.wall, kClipFrames / bestDirect.wall, bestDirect.process);
    std::printf("the scrubbing proxy costs the analyzer %.1f %% wall, %.1f %% CPU (best of each)\n",
                100.0 * (bestDirect.wall / bestWithoutProxy.wall - 1.0),
                100.0 * (bestDirect.process / bestWithoutProxy.process - 1.0));
    std::printf("best open through the session:      %.3f s wall (%.1f frames/s), %.3f s CPU\n",
                bestSession.wall, kClipFrames / bestSession.wall, bestSession.process);
    std::printf("session / analyzer: %.3f wall, %.3f CPU (target <= 1.05), best of %d "
                "alternating rounds\n",
                bestSession.wall / bestDirect.wall, bestSession.process / bestDirect.process,
                rounds);
    std::printf("longest interface-thread tick gap while the session probes: %.2f ms (target "
                "< 16); with a silent probe beside the loop: %.2f ms; interface thread CPU during "
                "a session probe: at most %.3f s\n",
                worstSessionGapMs, worstBaselineGapMs, mostInterfaceCpu);
    return 0;
}
