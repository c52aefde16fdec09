// Batch throughput: eight 1280 x 720, 240 fps recordings of 1000 frames analysed by one
// orvi-motion-batch run against the sum of single orvi-tool-spectrum-analysis runs on the same
// files and settings, with the peak resident memory of each and the batch's memory bound.
//
// Usage: orvi-tool-batch-throughput [recordings] [memory bound, e.g. 2G]. The clips are made
// with the ffmpeg tool from two different test sources and noise seeds.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>

namespace {

constexpr int kFrames = 1000;

QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()).section(' ', 0, 2)
                                          : QStringLiteral("?");
}

bool makeClip(const QString& path, int index)
{
    // Alternate sources and noise seeds, so that no single rendering decides the figures.
    const QString source = index % 2 == 0 ? QStringLiteral("testsrc2=size=1280x720:rate=240")
                                          : QStringLiteral("mandelbrot=size=1280x720:rate=240");
    return QProcess::execute(QStringLiteral("ffmpeg"),
                             {"-v", "error", "-nostdin", "-y", "-f", "lavfi", "-i", source, "-vf",
                              QStringLiteral("noise=alls=8:allf=t:all_seed=%1").arg(index + 1),
                              "-frames:v", QString::number(kFrames), "-c:v", "libx264", "-preset",
                              "veryfast", "-g", "250", "-pix_fmt", "yuv420p", path}) == 0;
}

struct Measured
{
    double seconds = 0.0;
    qint64 peakKiB = 0;
    int exitCode = -1;
};

qint64 highWaterMarkKiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return 0;
}

// Runs a program to its end, reading its resident high-water mark while it runs.
Measured measure(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    process.start(program, arguments);
    Measured m;
    if (!process.waitForStarted())
        return m;
    const qint64 pid = process.processId();
    while (!process.waitForFinished(50))
        m.peakKiB = std::max(m.peakKiB, highWaterMarkKiB(pid));
    m.seconds = double(clock.nsecsElapsed()) / 1e9;
    m.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return m;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const int count = arguments.size() > 1 ? std::max(1, arguments[1].toInt()) : 8;
    const QString bound = arguments.size() > 2 ? arguments[2] : QString();
    const QString bin = QCoreApplication::applicationDirPath();
    QTemporaryDir folder;
    const QString clips = folder.filePath(QStringLiteral("clips"));
    QDir().mkpath(clips);
    std::printf("Making %d clips of %d frames, 1280x720 at 240 fps ...\n", count, kFrames);
    std::fflush(stdout);
    for (int i = 0; i < count; ++i)
        if (!makeClip(QStringLiteral("%1/clip%2.mp4").arg(clips).arg(i), i))
            return 1;

    std::printf("processors %d, load average before: %s\n", QThread::idealThreadCount(),
                qPrintable(loadAverage()));
    double sum = 0.0;
    qint64 toolPeak = 0;
    for (int i = 0; i < count; ++i) {
        const Measured m = measure(bin + QStringLiteral("/orvi-tool-spectrum-analysis"),
                                   {QStringLiteral("%1/clip%2.mp4").arg(clips).arg(i), "--end",
                                    QString::number(kFrames), "--capture-rate", "240"});
        if (m.exitCode != 0)
            return 1;
        std::printf("single run %d: %.2f s, peak %lld MiB; load %s\n", i, m.seconds,
                    m.peakKiB / 1024, qPrintable(loadAverage()));
        std::fflush(stdout);
        sum += m.seconds;
        toolPeak = std::max(toolPeak, m.peakKiB);
    }
    QStringList batchArguments{"analyse",  clips, "-o", folder.filePath(QStringLiteral("out")),
                               "--capture-rate", "240", "--end", QString::number(kFrames),
                               "--exports", "json", "--plain"};
    if (!bound.isEmpty())
        batchArguments << "--memory-limit" << bound;
    const Measured batch = measure(bin + QStringLiteral("/orvi-motion-batch"), batchArguments);
    if (batch.exitCode != 0)
        return 1;
    std::printf("batch: %.2f s for %d recordings against %.2f s of single runs (%.2f times); "
                "peak %lld MiB (single runs: %lld MiB); memory bound %s; load after %s\n",
                batch.seconds, count, sum, batch.seconds / sum, batch.peakKiB / 1024,
                toolPeak / 1024, bound.isEmpty() ? "default" : qPrintable(bound),
                qPrintable(loadAverage()));
    return 0;
}
