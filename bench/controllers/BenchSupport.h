#pragma once

// Helpers shared by the controller benchmarks: the test clip, the event loop and the load.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QString>
#include <cstdio>
#include <functional>

// A 1920 x 1080, 240 fps H.264 clip of a moving, noisy test pattern with 250-frame key-frame
// intervals, made with the ffmpeg tool.
inline bool makeClip(const QString& path, int frames)
{
    std::printf("Making a %d-frame 1920x1080 240 fps clip with ffmpeg ...\n", frames);
    std::fflush(stdout);
    return QProcess::execute(QStringLiteral("ffmpeg"), {"-v",
                                                        "error",
                                                        "-nostdin",
                                                        "-f",
                                                        "lavfi",
                                                        "-i",
                                                        "testsrc2=size=1920x1080:rate=240",
                                                        "-vf",
                                                        "noise=alls=10:allf=t",
                                                        "-frames:v",
                                                        QString::number(frames),
                                                        "-c:v",
                                                        "libx264",
                                                        "-preset",
                                                        "veryfast",
                                                        "-g",
                                                        "250",
                                                        "-keyint_min",
                                                        "250",
                                                        "-sc_threshold",
                                                        "0",
                                                        "-pix_fmt",
                                                        "yuv420p",
                                                        path}) == 0;
}

inline QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()).section(' ', 0, 2)
                                          : QStringLiteral("?");
}

// Runs the event loop until `done` holds; false after `timeoutMs`.
inline bool runUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}
