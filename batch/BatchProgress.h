#pragma once

#include "RecordingOutcome.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <map>

namespace orvi::batch {

// Progress of a run on the standard error: on a terminal a bar with the remaining time, redrawn
// in place, with a line above it for each recording that ends; otherwise plain lines only (each
// recording's end, and every tenth of the run), so that logs of job runners stay readable.
class BatchProgress : public QObject
{
    Q_OBJECT

public:
    BatchProgress(int recordingCount, bool terminal, QObject* parent = nullptr);

    void setFraction(int index, double fraction);
    void recordingFinished(const RecordingOutcome& outcome);
    // Clears the bar; the run's last words follow on clean lines.
    void finish();

    // Whether the standard error is a terminal that redraws a line in place.
    static bool standardErrorIsTerminal();
    // "3 min 05 s", "1 h 02 min", "12 s".
    static QString duration(qint64 seconds);

private:
    double overallFraction() const;
    QString remainingText(double fraction) const;
    void drawBar();
    void writeLine(const QString& line);

    const int m_total;
    const bool m_terminal;
    int m_finished = 0;
    int m_lastTenth = 0;
    std::map<int, double> m_running;
    QElapsedTimer m_clock;
    QTimer m_redraw;
    bool m_barShown = false;
};

} // namespace orvi::batch
