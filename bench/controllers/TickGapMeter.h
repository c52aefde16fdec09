#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>

// Ticks a 1 ms timer on the calling thread and keeps the longest gap between ticks: how long
// the thread's event loop was kept from running.
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
    // When the longest gap ended, from start().
    double longestGapEndMs() const { return m_longestGapEndMs; }
    qint64 ticks() const { return m_ticks; }
    qint64 gapsOverFrame() const { return m_gapsOverFrame; }

private:
    void tick()
    {
        const qint64 now = m_clock.nsecsElapsed();
        const double gapMs = double(now - m_lastTickNs) / 1e6;
        if (gapMs > m_longestGapMs) {
            m_longestGapMs = gapMs;
            m_longestGapEndMs = double(now) / 1e6;
        }
        m_gapsOverFrame += gapMs >= 16.0 ? 1 : 0;
        m_lastTickNs = now;
        ++m_ticks;
    }

    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_lastTickNs = 0;
    double m_longestGapMs = 0.0;
    double m_longestGapEndMs = 0.0;
    qint64 m_ticks = 0;
    qint64 m_gapsOverFrame = 0;
};
