#include "ChildWork.h"

#include <QObject>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

void writeAll(int fd, const QByteArray &bytes)
{
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return;
        data += written;
        left -= written;
    }
}

[[noreturn]] void runChild(const std::function<QByteArray()> &work, int answerFd, pid_t parent)
{
    // Ctrl+C reaches the whole process group: the child ends at once; and it
    // ends with its parent, whatever ends that.
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent)
        ::_exit(1);
    try {
        writeAll(answerFd, work());
    } catch (const std::exception &) {
        ::_exit(3); // an allocation failure, or any other: no answer
    }
    // No destructor of the parent's objects runs here.
    ::_exit(0);
}

int waitFor(pid_t child)
{
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

} // namespace

ChildWork::Result ChildWork::run(const std::function<QByteArray()> &work, int interruptFd)
{
    int answerPipe[2];
    if (::pipe2(answerPipe, O_CLOEXEC) != 0)
        return {Outcome::Failed, {}, QObject::tr("no pipe: %1").arg(qt_error_string(errno))};
    const pid_t parent = ::getpid();
    const pid_t child = ::fork();
    if (child < 0) {
        const QString reason = qt_error_string(errno);
        ::close(answerPipe[0]);
        ::close(answerPipe[1]);
        return {Outcome::Failed, {}, QObject::tr("no process: %1").arg(reason)};
    }
    if (child == 0) {
        ::close(answerPipe[0]);
        runChild(work, answerPipe[1], parent);
    }
    ::close(answerPipe[1]);

    QByteArray answer;
    pollfd watched[2] = {{answerPipe[0], POLLIN, 0}, {interruptFd, POLLIN, 0}};
    for (;;) {
        if (::poll(watched, interruptFd >= 0 ? 2 : 1, -1) < 0) {
            if (errno == EINTR)
                continue; // the interrupt's own byte is seen on the next round
            break;
        }
        if (interruptFd >= 0 && (watched[1].revents & POLLIN) != 0) {
            char bytes[16];
            while (::read(interruptFd, bytes, sizeof bytes) > 0) {
            }
            ::kill(child, SIGKILL);
            waitFor(child);
            ::close(answerPipe[0]);
            return {Outcome::Interrupted, {}, {}};
        }
        if ((watched[0].revents & (POLLIN | POLLHUP | POLLERR)) == 0)
            continue;
        char block[4096];
        const ssize_t got = ::read(answerPipe[0], block, sizeof block);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        answer.append(block, got);
    }
    ::close(answerPipe[0]);
    const int status = waitFor(child);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return {Outcome::Done, answer, {}};
    if (WIFSIGNALED(status))
        return {Outcome::Failed,
                {},
                QObject::tr("it ended on signal %1 (%2)")
                    .arg(WTERMSIG(status))
                    .arg(QString::fromLocal8Bit(::strsignal(WTERMSIG(status))))};
    return {Outcome::Failed, {}, QObject::tr("it ended with status %1").arg(WEXITSTATUS(status))};
}
