#pragma once

#include <QElapsedTimer>
#include <QEventLoop>
#include <QObject>
#include <QQuickWindow>
#include <QTimer>
#include <functional>

// Event-loop helpers of the window benchmarks: they run the real window's loop while waiting.

// Runs the event loop until done() holds (checked every 5 ms) or the time runs out.
inline bool runUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

inline void runFor(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

// The next frame the window presents.
inline bool waitForFrame(QQuickWindow* window, int timeoutMs)
{
    bool swapped = false;
    const auto connection =
        QObject::connect(window, &QQuickWindow::frameSwapped, [&swapped] { swapped = true; });
    window->update();
    const bool ok = runUntil([&] { return swapped; }, timeoutMs);
    QObject::disconnect(connection);
    return ok;
}
