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
#include <QFutureWatcher>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QtConcurrent>
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

// Ticks a 1 ms timer on the calling thread and keeps the longest gap between ticks.
class TickGapMeter
{
public:
    TickGapMeter()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
    }

    void start()
    {
        m_clock.start();
        m_lastTickNs = 0;
        m_timer.start();
    }
    void stop() { m_timer.stop(); }
    double longestGapMs() const { return m_longestGapMs; }
    qint64 ticks() const { return m_ticks; }
    qint64 gapsOverFrame() const { return m_gapsOverFrame; }

private:
    void tick()
    {
        const qint64 now = m_clock.nsecsElapsed();
        const double gapMs = double(now - m_lastTickNs) / 1e6;
        m_longestGapMs = std::max(m_longestGapMs, gapMs);
        m_gapsOverFrame += gapMs >= 16.0 ? 1 : 0;
        m_lastTickNs = now;
        ++m_ticks;
    }

    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_lastTickNs = 0;
    double m_longestGapMs = 0.0;
    qint64 m_ticks = 0;
    qint64 m_gapsOverFrame = 0;
};

struct EventLoopProbe
{
    double seconds = -1.0;
    TickGapMeter meter;
};

// Opens the clip through a fresh session and runs the event loop until it is ready.
void probeThroughSession(MediaRuntimeController& runtime, const QString& clip,
                         EventLoopProbe& probe)
{
    VideoSessionController session(&runtime);
    QEventLoop loop;
    QObject::connect(&session, &VideoSessionController::stateChanged, &loop, [&] {
        if (!session.busy())
            loop.quit();
    });
    QElapsedTimer clock;
    clock.start();
    probe.meter.start();
    session.openSource(QUrl::fromLocalFile(clip));
    loop.exec();
    probe.meter.stop();
    if (!session.ready() || session.frameCount() != kClipFrames) {
        std::fprintf(stderr, "session probe failed: %s\n", qPrintable(session.errorMessage()));
        return;
    }
    probe.seconds = double(clock.nsecsElapsed()) / 1e9;
}

// The same probe on a pool thread that reports to nobody: the tick gaps that the machine's
// load alone causes while the decoder threads run.
void probeBesideEventLoop(const QString& clip, EventLoopProbe& probe)
{
    QEventLoop loop;
    QFutureWatcher<double> watcher;
    QObject::connect(&watcher, &QFutureWatcher<double>::finished, &loop, &QEventLoop::quit);
    probe.meter.start();
    watcher.setFuture(QtConcurrent::run([clip] { return probeDirectly(clip); }));
    loop.exec();
    probe.meter.stop();
    probe.seconds = watcher.result();
}

void printRound(const char* name, const EventLoopProbe& probe)
{
    std::printf("  %-22s %.3f s, longest tick gap %.2f ms, %lld of %lld gaps >= 16 ms\n", name,
                probe.seconds, probe.meter.longestGapMs(),
                static_cast<long long>(probe.meter.gapsOverFrame()),
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
    double bestDirect = std::numeric_limits<double>::infinity();
    double bestSession = std::numeric_limits<double>::infinity();
    double worstSessionGapMs = 0.0;
    double worstBaselineGapMs = 0.0;
    // Alternating rounds, so that load from other processes hits every side alike.
    for (int round = 0; round < rounds; ++round) {
        const double direct = probeDirectly(clip);
        EventLoopProbe session;
        probeThroughSession(runtime, clip, session);
        EventLoopProbe baseline;
        probeBesideEventLoop(clip, baseline);
        if (direct < 0.0 || session.seconds < 0.0 || baseline.seconds < 0.0)
            return 1;
        bestDirect = std::min(bestDirect, direct);
        bestSession = std::min(bestSession, session.seconds);
        worstSessionGapMs = std::max(worstSessionGapMs, session.meter.longestGapMs());
        worstBaselineGapMs = std::max(worstBaselineGapMs, baseline.meter.longestGapMs());
        std::printf("round %d: analyzer on the calling thread %.3f s\n", round + 1, direct);
        printRound("through the session:", session);
        printRound("on a silent pool task:", baseline);
        std::fflush(stdout);
    }
    std::printf("best analyzer on the calling thread: %.3f s (%.1f frames/s)\n", bestDirect,
                kClipFrames / bestDirect);
    std::printf("best open through the session:      %.3f s (%.1f frames/s)\n", bestSession,
                kClipFrames / bestSession);
    std::printf("session / analyzer: %.3f (target <= 1.05), best of %d alternating rounds\n",
                bestSession / bestDirect, rounds);
    std::printf("longest interface-thread tick gap while the session probes: %.2f ms "
                "(target < 16); with a silent probe beside the loop: %.2f ms\n",
                worstSessionGapMs, worstBaselineGapMs);
    return 0;
}
