// The machine's own stalls: the longest gap of a 1 ms timer on an otherwise idle event loop
// while plain helper processes, none of them running this program's code, load the machine the
// way a preview or an export does:
//  1. nothing;
//  2. two busy loops at a lowered priority, as the work threads run;
//  3. one process touching 8 MiB blocks of memory it has never used, one after the other, as
//     frame buffers and the page cache of a growing result do;
//  4. the two busy loops beside a process writing 8 MiB blocks to a file in the temporary
//     folder as fast as it takes them, as a preview stores its frames.
// An interface stall of the program that stays within the stall of the same condition here is
// the machine's, not the program's: on a virtual machine, whose host may hold back both cores
// at once while its guest keeps them busy, touches new memory or writes to disk, a plain
// process stalls too. The stalls come and go with the host: compare runs made close together.
//
// Usage: orvi-tool-machine-stalls [seconds per condition, 6]. The helpers are this program
// started again with --busy, --touch or --write and the same duration.

#include "BenchSupport.h"
#include "TickGapMeter.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryFile>
#include <QThread>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr qsizetype kBlockBytes = qsizetype(8) << 20;
constexpr qsizetype kMaximumHeldBytes = qsizetype(2) << 30;
constexpr int kHelperNice = 10;

bool elapsed(const QElapsedTimer& clock, double seconds)
{
    return clock.elapsed() >= qint64(seconds * 1000.0);
}

void busyLoop(double seconds)
{
    QElapsedTimer clock;
    clock.start();
    volatile unsigned long sink = 0;
    while (!elapsed(clock, seconds))
        for (int i = 0; i < 1000000; ++i)
            sink = sink + unsigned(i);
}

// Fresh blocks, held until 2 GiB are in use, then all given back.
void touchFreshMemory(double seconds)
{
    QElapsedTimer clock;
    clock.start();
    std::vector<std::unique_ptr<char[]>> held;
    while (!elapsed(clock, seconds)) {
        if (qsizetype(held.size()) * kBlockBytes >= kMaximumHeldBytes)
            held.clear();
        held.push_back(std::make_unique<char[]>(size_t(kBlockBytes)));
        std::memset(held.back().get(), 1, size_t(kBlockBytes));
    }
}

bool writeBlocks(double seconds)
{
    QTemporaryFile file(QDir::temp().filePath(QStringLiteral("orvi-machine-stalls-XXXXXX")));
    if (!file.open())
        return false;
    const QByteArray block(kBlockBytes, '\1');
    QElapsedTimer clock;
    clock.start();
    while (!elapsed(clock, seconds)) {
        // At 2 GiB the file starts again, like a new result, instead of filling the disk.
        if (file.size() >= kMaximumHeldBytes && !(file.resize(0) && file.seek(0)))
            return false;
        if (file.write(block) != block.size())
            return false;
    }
    return true;
}

int runHelper(const QString& mode, double seconds)
{
    setpriority(PRIO_PROCESS, 0, kHelperNice);
    if (mode == QLatin1String("--busy"))
        busyLoop(seconds);
    else if (mode == QLatin1String("--touch"))
        touchFreshMemory(seconds);
    else if (mode == QLatin1String("--write"))
        return writeBlocks(seconds) ? 0 : 1;
    else
        return 2;
    return 0;
}

// Ticks the event loop while the helpers run; false when one of them failed.
bool measure(const char* condition, const QStringList& helpers, double seconds)
{
    std::vector<std::unique_ptr<QProcess>> processes;
    for (const QString& mode : helpers) {
        processes.push_back(std::make_unique<QProcess>());
        processes.back()->start(QCoreApplication::applicationFilePath(),
                                {mode, QString::number(seconds)});
    }
    TickGapMeter meter;
    meter.start();
    QElapsedTimer clock;
    clock.start();
    const auto done = [&] {
        if (helpers.isEmpty())
            return elapsed(clock, seconds);
        for (const auto& process : processes)
            if (process->state() != QProcess::NotRunning)
                return false;
        return true;
    };
    const bool finished = runUntil(done, int(seconds * 1000.0) + 60000);
    meter.stop();
    for (const auto& process : processes)
        if (!finished || process->exitStatus() != QProcess::NormalExit ||
            process->exitCode() != 0) {
            std::fprintf(stderr, "%s: a helper process failed\n", condition);
            return false;
        }
    std::printf("%-44s longest tick gap %6.2f ms, %lld of %lld gaps >= 16 ms; load %s\n", condition,
                meter.longestGapMs(), static_cast<long long>(meter.gapsOverFrame()),
                static_cast<long long>(meter.ticks()), qPrintable(loadAverage()));
    std::fflush(stdout);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() == 3 && arguments.at(1).startsWith(QLatin1String("--")))
        return runHelper(arguments.at(1), arguments.at(2).toDouble());
    const double seconds = arguments.size() > 1 ? arguments.at(1).toDouble() : 6.0;
    if (!(seconds > 0.0)) {
        std::fprintf(stderr, "usage: %s [seconds per condition]\n", argv[0]);
        return 2;
    }
    std::printf("The machine's own stalls, %.0f s per condition, on %d cores\n", seconds,
                QThread::idealThreadCount());
    const QString busy = QStringLiteral("--busy");
    const bool ok =
        measure("nothing else running:", {}, seconds) &&
        measure("two busy loops:", {busy, busy}, seconds) &&
        measure("fresh memory in 8 MiB blocks:", {QStringLiteral("--touch")}, seconds) &&
        measure("two busy loops and 8 MiB file writes:", {busy, busy, QStringLiteral("--write")},
                seconds);
    return ok ? 0 : 1;
}
