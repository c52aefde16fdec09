#include "MemoryGate.h"

#include <QFile>
#include <QRegularExpression>
#include <QString>
#include <algorithm>

namespace orvi::batch {

namespace {

// A field of /proc/meminfo in bytes, 0 when absent.
qint64 memInfoBytes(const QByteArray& contents, const char* field)
{
    const QRegularExpression line(QStringLiteral("^%1:\\s+(\\d+) kB").arg(QLatin1String(field)),
                                  QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = line.match(QString::fromLatin1(contents));
    return match.hasMatch() ? match.captured(1).toLongLong() * 1024 : 0;
}

qint64 controlGroupLimit()
{
    for (const char* path : {"/sys/fs/cgroup/memory.max", "/sys/fs/cgroup/memory/memory.limit_in_bytes"}) {
        QFile file(QString::fromLatin1(path));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        bool ok = false;
        const qint64 limit = file.readAll().trimmed().toLongLong(&ok);
        if (ok && limit > 0)
            return limit;
    }
    return 0;
}

} // namespace

MemoryGate::MemoryGate(qint64 limitBytes) : m_limit(std::max<qint64>(limitBytes, 1)) {}

bool MemoryGate::acquire(qint64 bytes, const std::function<bool()>& cancelled)
{
    QMutexLocker lock(&m_mutex);
    while (m_held > 0 && m_held + bytes > m_limit) {
        if (cancelled && cancelled())
            return false;
        // Cancellation is polled; a release wakes the waiters at once.
        m_released.wait(&m_mutex, 200);
    }
    if (cancelled && cancelled())
        return false;
    m_held += bytes;
    m_peak = std::max(m_peak, m_held);
    return true;
}

void MemoryGate::release(qint64 bytes)
{
    QMutexLocker lock(&m_mutex);
    m_held -= bytes;
    m_released.wakeAll();
}

qint64 MemoryGate::peakHeldBytes() const
{
    QMutexLocker lock(&m_mutex);
    return m_peak;
}

qint64 MemoryGate::defaultLimitBytes()
{
    QFile file(QStringLiteral("/proc/meminfo"));
    const QByteArray info = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    const qint64 total = memInfoBytes(info, "MemTotal");
    const qint64 available = memInfoBytes(info, "MemAvailable");
    qint64 limit = total > 0 ? total / 2 : qint64(2) << 30;
    if (available > 0)
        limit = std::min(limit, available * 4 / 5);
    if (const qint64 group = controlGroupLimit(); group > 0)
        limit = std::min(limit, group * 4 / 5);
    return std::max<qint64>(limit, qint64(256) << 20);
}

qint64 MemoryGate::parseSize(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("^\\s*([0-9]+(?:\\.[0-9]+)?)\\s*([kKmMgGtT]?)[iI]?[bB]?\\s*$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return 0;
    const double value = match.captured(1).toDouble();
    const QString unit = match.captured(2).toUpper();
    const int shift = unit == QLatin1String("K")   ? 10
                      : unit == QLatin1String("M") ? 20
                      : unit == QLatin1String("G") ? 30
                      : unit == QLatin1String("T") ? 40
                                                   : 0;
    const double bytes = value * double(qint64(1) << shift);
    return bytes >= 1.0 && bytes < 9.0e18 ? qint64(bytes) : 0;
}

} // namespace orvi::batch
