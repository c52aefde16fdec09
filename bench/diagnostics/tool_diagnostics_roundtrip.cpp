// Round trips of "diagnostics.getSnapshot" through the bridge, and the interface thread's
// longest stall while clients flood the diagnostics socket.
//
// 1. A real orvi-motion --mcp-control (offscreen, a 640x360 clip open) and a real
//    orvi-motion-mcp started as hosts start it; 1000 tools/call orvi_get_snapshot requests
//    from this process over the bridge's standard input: median and 99th percentile latency,
//    calls per second; first idle, then while an amplification preview of the whole clip
//    runs (only the calls answered while it was still running count).
// 2. The service in this process over the application's controllers with the same clip
//    open, a 1 ms timer
//    on the interface thread, and four clients that pipeline getSnapshot requests as fast as
//    they are answered: the longest gap between ticks (target under 16 ms), next to the
//    longest gap of the same timer without clients (what the machine's load alone does).
//
// Usage: orvi-tool-diagnostics-roundtrip [calls] [flood seconds]. Needs the ffmpeg tool.

#include "app/ApplicationController.h"
#include "diagnostics/RuntimeDirectory.h"
#include "diagnostics/SemanticDebugService.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <functional>
#include <vector>

using namespace orvi::diagnostics::service;
using namespace orvi::ui::controllers;

namespace {

bool makeClip(const QString& path)
{
    return QProcess::execute(QStringLiteral("ffmpeg"),
                             {"-v", "error", "-nostdin", "-f", "lavfi", "-i",
                              "testsrc2=size=640x360:rate=30", "-frames:v", "300", "-c:v",
                              "libx264", "-preset", "veryfast", "-pix_fmt", "yuv420p", path}) == 0;
}

// One JSON-RPC exchange with the bridge over its standard streams.
QJsonObject exchange(QProcess& bridge, const QJsonObject& message)
{
    bridge.write(QJsonDocument(message).toJson(QJsonDocument::Compact) + '\n');
    while (!bridge.canReadLine()) {
        if (!bridge.waitForReadyRead(30000))
            return {};
    }
    return QJsonDocument::fromJson(bridge.readLine()).object();
}

QJsonObject callTool(QProcess& bridge, const QString& name, const QJsonObject& arguments = {})
{
    static int id = 0;
    const QJsonObject response =
        exchange(bridge, {{"jsonrpc", "2.0"},
                          {"id", ++id},
                          {"method", "tools/call"},
                          {"params", QJsonObject{{"name", name}, {"arguments", arguments}}}});
    return response.value("result").toObject().value("structuredContent").toObject();
}

QString findDescriptor(qint64 processId)
{
    const QDir folder(orvi::diagnostics::RuntimeDirectory::path());
    const QDeadlineTimer deadline(60000);
    while (!deadline.hasExpired()) {
        for (const QString& name : folder.entryList({"instance-*.json"})) {
            QFile file(folder.filePath(name));
            if (file.open(QIODevice::ReadOnly) &&
                QJsonDocument::fromJson(file.readAll()).object().value("processId").toInteger() ==
                    processId)
                return file.fileName();
        }
        QThread::msleep(50);
    }
    return {};
}

double percentile(std::vector<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(fraction * values.size()))];
}

// calls round trips, or fewer when counted(result) turns false first: only the calls whose
// snapshot says the condition still held are measured.
bool measureRoundTrips(QProcess& bridge, const char* label, int calls,
                       const std::function<bool(const QJsonObject&)>& counted)
{
    std::vector<double> latencies;
    qint64 countedNs = 0;
    for (int i = 0; i < calls; ++i) {
        QElapsedTimer one;
        one.start();
        const QJsonObject result = callTool(bridge, "orvi_get_snapshot");
        const qint64 elapsed = one.nsecsElapsed();
        if (result.isEmpty()) {
            std::fprintf(stderr, "A snapshot call failed.\n");
            return false;
        }
        if (!counted(result))
            break;
        latencies.push_back(elapsed / 1e6);
        countedNs += elapsed;
    }
    if (latencies.empty()) {
        std::fprintf(stderr, "No call was answered %s.\n", label);
        return false;
    }
    std::printf("  %-21s %4zu calls: median %.3f ms, 99th percentile %.3f ms, %.0f calls/s\n",
                label, latencies.size(), percentile(latencies, 0.5), percentile(latencies, 0.99),
                latencies.size() / (countedNs / 1e9));
    std::fflush(stdout);
    return true;
}

int bridgeRoundTrips(const QString& clip, const QString& home, int calls)
{
    const QString bin = QCoreApplication::applicationDirPath();
    QTemporaryDir programTemp;
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", home);
    environment.insert("TMPDIR", programTemp.path());
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(bin + "/orvi-motion", {"--mcp-control"});
    if (!program.waitForStarted() || findDescriptor(program.processId()).isEmpty()) {
        std::fprintf(stderr, "orvi-motion did not publish its descriptor.\n");
        return 1;
    }

    QProcess bridge;
    QProcessEnvironment reduced;
    for (const char* name : {"HOME", "LOGNAME", "PATH", "SHELL", "TERM", "USER"})
        reduced.insert(name, environment.value(name));
    bridge.setProcessEnvironment(reduced);
    bridge.start(bin + "/orvi-motion-mcp", {});
    exchange(bridge, {{"jsonrpc", "2.0"},
                      {"id", 0},
                      {"method", "initialize"},
                      {"params", QJsonObject{{"protocolVersion", "2025-06-18"},
                                             {"capabilities", QJsonObject()},
                                             {"clientInfo", QJsonObject{{"name", "bench"}}}}}});
    const double revision = callTool(bridge, "orvi_get_snapshot").value("revision").toDouble();
    callTool(bridge, "orvi_open_video", {{"path", clip}, {"expectedRevision", revision}});
    QJsonObject snapshot;
    for (int i = 0; i < 600 && snapshot.value("source")["state"] != QJsonValue("ready"); ++i) {
        QThread::msleep(50);
        snapshot = callTool(bridge, "orvi_get_snapshot");
    }
    if (snapshot.value("source")["state"] != QJsonValue("ready")) {
        std::fprintf(stderr, "The clip did not open.\n");
        return 1;
    }

    const QByteArray size = QJsonDocument(snapshot).toJson(QJsonDocument::Compact);
    std::printf("Bridge round trips of a snapshot of %lld bytes:\n",
                static_cast<long long>(size.size()));
    if (!measureRoundTrips(bridge, "idle", calls, [](const QJsonObject&) { return true; }))
        return 1;

    // The whole clip amplified: long enough for the calls, all of them from the bridge.
    double current = callTool(bridge, "orvi_get_snapshot").value("revision").toDouble();
    const auto change = [&](const char* tool, QJsonObject arguments) {
        arguments.insert("expectedRevision", current);
        const QJsonObject result = callTool(bridge, tool, arguments);
        current = result.value("revision").toDouble();
        return result.value("accepted").toBool();
    };
    if (!change("orvi_set_capture_frame_rate", {{"framesPerSecond", 120}}) ||
        !change("orvi_set_processing_parameters",
                {{"lowerFrequencyHz", 10}, {"upperFrequencyHz", 20}}) ||
        !change("orvi_start_preview", {})) {
        std::fprintf(stderr, "The preview did not start.\n");
        return 1;
    }
    const auto previewRuns = [](const QJsonObject& result) {
        return result.value("preview")["busy"].toBool();
    };
    if (!measureRoundTrips(bridge, "while a preview runs", calls, previewRuns))
        return 1;
    bridge.closeWriteChannel();
    bridge.waitForFinished();
    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    program.waitForFinished();
    return 0;
}

// Gaps between the ticks of a 1 ms timer while the event loop runs for ms.
struct TickGaps
{
    double longestMs = 0.0;
    double p99Ms = 0.0;
};

TickGaps tickGaps(int ms)
{
    QElapsedTimer clock;
    clock.start();
    qint64 last = clock.nsecsElapsed();
    std::vector<double> gaps;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        gaps.push_back((now - last) / 1e6);
        last = now;
    });
    tick.start(1);
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    if (gaps.empty())
        return {};
    return {*std::max_element(gaps.begin(), gaps.end()), percentile(gaps, 0.99)};
}

int floodStall(const QString& clip, int seconds)
{
    ApplicationController application;
    VideoSessionController& session = *application.videoSession();
    SemanticDebugService service(DiagnosticsControllers::of(application));
    QString error;
    if (!service.start(false, &error)) {
        std::fprintf(stderr, "The service did not start: %s\n", qPrintable(error));
        return 1;
    }
    session.openSource(QUrl::fromLocalFile(clip));
    while (session.busy())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);

    QFile descriptor(service.descriptorPath());
    descriptor.open(QIODevice::ReadOnly);
    const QJsonObject published = QJsonDocument::fromJson(descriptor.readAll()).object();
    const QString address = published.value("socketPath").toString();
    const QByteArray line = QJsonDocument(QJsonObject{{"apiVersion", 1},
                                                      {"token", published.value("token")},
                                                      {"method", "diagnostics.getSnapshot"}})
                                .toJson(QJsonDocument::Compact) +
                            '\n';

    // What one answer costs the interface thread, without the socket.
    QElapsedTimer building;
    building.start();
    constexpr int kBuilt = 2000;
    qsizetype bytes = 0;
    for (int i = 0; i < kBuilt; ++i) {
        const QJsonObject result = service.dispatch("diagnostics.getSnapshot", {}).result;
        bytes += QJsonDocument(result).toJson(QJsonDocument::Compact).size();
    }
    std::printf("Snapshot built and serialised on the interface thread: %.1f us each "
                "(%lld bytes)\n",
                building.nsecsElapsed() / 1e3 / kBuilt, static_cast<long long>(bytes / kBuilt));
    const TickGaps quiet = tickGaps(seconds * 1000);
    std::atomic_bool stop = false;
    std::atomic<long long> answered = 0;
    std::vector<QThread*> clients;
    for (int i = 0; i < 4; ++i) {
        clients.push_back(QThread::create([&] {
            QLocalSocket socket;
            socket.connectToServer(address);
            socket.waitForConnected();
            while (!stop) {
                socket.write(line.repeated(32));
                for (int got = 0;
                     got < 32 && !stop && socket.state() == QLocalSocket::ConnectedState;) {
                    if (socket.canReadLine()) {
                        socket.readLine();
                        ++got;
                        ++answered;
                    } else {
                        socket.waitForReadyRead(100);
                    }
                }
            }
        }));
        clients.back()->start();
    }
    const TickGaps flooded = tickGaps(seconds * 1000);
    stop = true;
    for (QThread* client : clients) {
        client->wait();
        delete client;
    }
    std::printf("Interface thread, 1 ms timer, %d s each (target: longest gap under 16 ms):\n",
                seconds);
    std::printf("  without clients:          longest gap %.2f ms, 99th percentile %.2f ms\n",
                quiet.longestMs, quiet.p99Ms);
    std::printf("  four clients flooding:    longest gap %.2f ms, 99th percentile %.2f ms, "
                "%.0f snapshots answered per second\n",
                flooded.longestMs, flooded.p99Ms, answered / double(seconds));
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication application(argc, argv);
    const int calls = argc > 1 ? std::max(1, atoi(argv[1])) : 1000;
    const int seconds = argc > 2 ? std::max(1, atoi(argv[2])) : 5;
    QTemporaryDir folder;
    const QString clip = folder.filePath("clip.mp4");
    if (!makeClip(clip)) {
        std::fprintf(stderr, "ffmpeg could not make the clip.\n");
        return 1;
    }
    qputenv("HOME", folder.path().toUtf8());
    if (const int failed = bridgeRoundTrips(clip, folder.path(), calls))
        return failed;
    return floodStall(clip, seconds);
}
