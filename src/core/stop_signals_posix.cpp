// The POSIX side of StopSignals: the handler only writes a byte into a pipe
// whose other end the event loop watches.

#include "stop_signals.h"

#ifdef Q_OS_UNIX

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int StopSignalNumbers[] = {SIGTERM, SIGINT, SIGHUP};

// A signal handler can reach nothing else: the pipe is the one piece of
// process-wide state, owned by the single StopSignals object.
int wakePipe[2] = {-1, -1};

void onStopSignal(int)
{
    const int saved = errno;
    const char b = 1;
    [[maybe_unused]] const ssize_t n = ::write(wakePipe[1], &b, 1);
    errno = saved;
}

void setHandler(void (*handler)(int), int flags)
{
    struct sigaction sa = {};
    sa.sa_handler = handler;
    sa.sa_flags = flags;
    sigemptyset(&sa.sa_mask);
    for (int sig : StopSignalNumbers)
        ::sigaction(sig, &sa, nullptr);
}

} // namespace

StopSignals::StopSignals(std::function<void()> stop, QObject* parent)
    : QObject(parent), stop_(std::move(stop))
{
    if (wakePipe[0] >= 0 || ::pipe(wakePipe) != 0)
        return; // already watched (or no pipe): the default action stays
    for (int fd : wakePipe) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    notifier_ = new QSocketNotifier(wakePipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &StopSignals::requested);
    // The handler resets itself: a second signal takes the default action.
    setHandler(onStopSignal, SA_RESTART | SA_RESETHAND);
}

StopSignals::~StopSignals()
{
    if (!notifier_)
        return;
    setHandler(SIG_DFL, 0);
    delete notifier_;
    for (int& fd : wakePipe) {
        ::close(fd);
        fd = -1;
    }
}

void StopSignals::requested()
{
    char buf[16];
    while (::read(wakePipe[0], buf, sizeof buf) > 0) {
    }
    if (stopping_)
        return;
    stopping_ = true;
    if (stop_)
        stop_();
}

#endif
