#include "app/TerminationSignalWatcher.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace orvi::app {

#ifdef Q_OS_UNIX

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
// A signal handler may only write to a descriptor; the event loop reads the other end.
int s_signalPipe[2] = {-1, -1};

void notifyEventLoop(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(s_signalPipe[0], &byte, 1);
}

void setHandler(void (*handler)(int))
{
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kSignals)
        ::sigaction(signal, &action, nullptr);
}

} // namespace

TerminationSignalWatcher::TerminationSignalWatcher(QObject* parent) : QObject(parent)
{
    if (s_signalPipe[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM, 0, s_signalPipe) != 0)
        return;
    // A burst of signals must never block the handler; one byte is enough to quit.
    ::fcntl(s_signalPipe[0], F_SETFL, ::fcntl(s_signalPipe[0], F_GETFL) | O_NONBLOCK);
    m_notifier = new QSocketNotifier(s_signalPipe[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [] {
        char byte = 0;
        [[maybe_unused]] const ssize_t read = ::read(s_signalPipe[1], &byte, 1);
        // exit, not quit: a window may refuse a close (unsaved result, work in progress),
        // but a termination signal is not a question. Teardown still stops every worker.
        QCoreApplication::exit(0);
    });
    setHandler(notifyEventLoop);
}

TerminationSignalWatcher::~TerminationSignalWatcher()
{
    if (!m_notifier)
        return;
    setHandler(SIG_DFL);
    delete m_notifier;
    ::close(s_signalPipe[0]);
    ::close(s_signalPipe[1]);
    s_signalPipe[0] = s_signalPipe[1] = -1;
}

#else

TerminationSignalWatcher::TerminationSignalWatcher(QObject* parent) : QObject(parent) {}

TerminationSignalWatcher::~TerminationSignalWatcher() = default;

#endif

} // namespace orvi::app
