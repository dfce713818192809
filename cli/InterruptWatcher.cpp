#include "InterruptWatcher.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int interruptPipe[2] = {-1, -1};

extern "C" void onInterrupt(int)
{
    // The code interrupted may be about to read errno (a loop waiting for
    // EINTR); a full pipe's EAGAIN must not reach it.
    const int interruptedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(interruptPipe[1], &byte, 1);
    errno = interruptedErrno;
}

void setHandler(void (*handler)(int))
{
    struct sigaction action
    {
    };
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM})
        ::sigaction(signal, &action, nullptr);
}

} // namespace

InterruptWatcher::InterruptWatcher(QObject *parent) : QObject(parent)
{
    if (interruptPipe[0] < 0 && ::pipe(interruptPipe) != 0)
        return;
    for (const int fd : interruptPipe) {
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    m_notifier = new QSocketNotifier(interruptPipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &InterruptWatcher::drain);
    setHandler(onInterrupt);
}

InterruptWatcher::~InterruptWatcher()
{
    if (m_notifier != nullptr)
        setHandler(SIG_DFL);
}

int InterruptWatcher::descriptor()
{
    return interruptPipe[0];
}

void InterruptWatcher::drain()
{
    char bytes[16];
    while (::read(interruptPipe[0], bytes, sizeof bytes) > 0) {
    }
    emit interrupted();
}
