#pragma once

#include <QMutex>
#include <QWaitCondition>
#include <QtGlobal>
#include <functional>

namespace orvi::batch {

// Admits recordings while their estimated memory fits the bound. One recording is always
// admitted when nothing else holds memory, so a recording larger than the bound still runs,
// alone.
class MemoryGate
{
public:
    explicit MemoryGate(qint64 limitBytes);

    // Blocks until `bytes` fit; false when `cancelled` said so first.
    bool acquire(qint64 bytes, const std::function<bool()>& cancelled);
    void release(qint64 bytes);
    qint64 limitBytes() const { return m_limit; }
    qint64 peakHeldBytes() const;

    // Half the machine's memory, less where the memory now available or the control group's
    // limit is smaller.
    static qint64 defaultLimitBytes();
    // "512M", "2G", "1.5G", "800000K" or plain bytes; 0 when unreadable.
    static qint64 parseSize(const QString& text);

private:
    const qint64 m_limit;
    mutable QMutex m_mutex;
    QWaitCondition m_released;
    qint64 m_held = 0;
    qint64 m_peak = 0;
};

} // namespace orvi::batch
