#include "BatchProgress.h"

#include <QFileInfo>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace orvi::batch {

namespace {

constexpr int kBarWidth = 24;
constexpr int kRedrawMs = 250;

void writeStandardError(const QString& text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

QString statusWord(RecordingStatus status)
{
    switch (status) {
    case RecordingStatus::Succeeded:
        return BatchProgress::tr("done");
    case RecordingStatus::Skipped:
        return BatchProgress::tr("skipped");
    case RecordingStatus::Cancelled:
        return BatchProgress::tr("stopped");
    case RecordingStatus::Failed:
    case RecordingStatus::Missing:
        break;
    }
    return BatchProgress::tr("FAILED");
}

} // namespace

BatchProgress::BatchProgress(int recordingCount, bool terminal, QObject* parent)
    : QObject(parent), m_total(std::max(recordingCount, 1)), m_terminal(terminal)
{
    m_clock.start();
    if (m_terminal) {
        m_redraw.setInterval(kRedrawMs);
        connect(&m_redraw, &QTimer::timeout, this, &BatchProgress::drawBar);
        m_redraw.start();
    }
}

bool BatchProgress::standardErrorIsTerminal()
{
#ifdef Q_OS_UNIX
    return ::isatty(STDERR_FILENO) && qEnvironmentVariable("TERM") != QLatin1String("dumb");
#else
    return false;
#endif
}

QString BatchProgress::duration(qint64 seconds)
{
    if (seconds >= 3600)
        return tr("%1 h %2 min").arg(seconds / 3600).arg((seconds % 3600) / 60, 2, 10, QLatin1Char('0'));
    if (seconds >= 60)
        return tr("%1 min %2 s").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return tr("%1 s").arg(seconds);
}

void BatchProgress::setFraction(int index, double fraction)
{
    m_running[index] = std::clamp(fraction, 0.0, 1.0);
    if (m_terminal)
        return;
    const int tenth = int(overallFraction() * 10.0);
    if (tenth > m_lastTenth && tenth < 10) {
        m_lastTenth = tenth;
        writeLine(tr("%1% of the run, %2.").arg(tenth * 10).arg(remainingText(overallFraction())));
    }
}

void BatchProgress::recordingFinished(const RecordingOutcome& outcome)
{
    m_running.erase(outcome.index);
    ++m_finished;
    QString line = tr("[%1/%2] %3: %4")
                       .arg(m_finished)
                       .arg(m_total)
                       .arg(statusWord(outcome.status), QFileInfo(outcome.input).fileName());
    if (!outcome.message.isEmpty())
        line += QStringLiteral(" — ") + outcome.message;
    writeLine(line);
}

void BatchProgress::finish()
{
    m_redraw.stop();
    if (m_barShown)
        writeStandardError(QStringLiteral("\r\033[K"));
    m_barShown = false;
}

double BatchProgress::overallFraction() const
{
    double sum = m_finished;
    for (const auto& [index, fraction] : m_running)
        sum += fraction;
    return std::clamp(sum / m_total, 0.0, 1.0);
}

QString BatchProgress::remainingText(double fraction) const
{
    const qint64 elapsedMs = m_clock.elapsed();
    if (fraction < 0.01 || elapsedMs < 2000)
        return tr("estimating the remaining time");
    const double remaining = double(elapsedMs) / 1000.0 * (1.0 - fraction) / fraction;
    return tr("about %1 left").arg(duration(qint64(remaining + 0.5)));
}

void BatchProgress::drawBar()
{
    const double fraction = overallFraction();
    const int filled = int(fraction * kBarWidth);
    const QString bar = QString(filled, QChar(0x2588)) + QString(kBarWidth - filled, QChar(0x00B7));
    writeStandardError(QStringLiteral("\r\033[K") +
                       tr("[%1] %2% · %3 of %4 recordings · %5")
                           .arg(bar)
                           .arg(int(fraction * 100.0))
                           .arg(m_finished)
                           .arg(m_total)
                           .arg(remainingText(fraction)));
    m_barShown = true;
}

void BatchProgress::writeLine(const QString& line)
{
    writeStandardError((m_barShown ? QStringLiteral("\r\033[K") : QString()) + line +
                       QLatin1Char('\n'));
    m_barShown = false;
    if (m_terminal)
        drawBar();
}

} // namespace orvi::batch
