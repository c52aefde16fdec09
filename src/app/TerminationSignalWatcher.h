#pragma once

#include <QObject>

class QSocketNotifier;

namespace orvi::app {

// Turns SIGINT, SIGTERM and SIGHUP into a normal end of the event loop, so that a program
// stopped from a terminal or by the session still runs its teardown (the diagnostics
// descriptor is removed, workers are joined). Does nothing on platforms without such signals.
class TerminationSignalWatcher : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignalWatcher(QObject* parent = nullptr);
    ~TerminationSignalWatcher() override;

private:
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace orvi::app
