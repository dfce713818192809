#include "MeterOptions.h"
#include "MeterServer.h"

#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>
#include <QTextStream>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

extern "C" void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

// Ending by a signal still goes through the destructors, which remove the link.
void quitOnSignals(QCoreApplication &app)
{
    if (::pipe(signalPipe) != 0)
        return;
    for (const int fd : signalPipe)
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    struct sigaction action
    {
    };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

// The end of standard input ends the meter like a signal.
void quitAtEndOfInput(QCoreApplication &app)
{
    auto *notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [&app, notifier] {
        char buffer[256];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got == 0 || (got < 0 && errno != EINTR && errno != EAGAIN)) {
            notifier->setEnabled(false);
            app.quit();
        }
    });
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(TESK_VERSION));
    QString error;
    const std::optional<MeterOptions> options =
        MeterOptions::fromArguments(app.arguments(), &error);
    if (!options) {
        const bool help = app.arguments().contains(QStringLiteral("--help")) ||
                          app.arguments().contains(QStringLiteral("-h")) ||
                          app.arguments().contains(QStringLiteral("--version")) ||
                          app.arguments().contains(QStringLiteral("-v"));
        std::fputs(qPrintable(error + u'\n'), help ? stdout : stderr);
        return help ? 0 : 2;
    }

    QFile logFile;
    if (options->logFile.isEmpty()) {
        logFile.open(stderr, QIODevice::WriteOnly | QIODevice::Text);
    } else {
        logFile.setFileName(options->logFile);
        if (!logFile.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
            std::fprintf(stderr, "cannot open the log %s: %s\n", qPrintable(options->logFile),
                         qPrintable(logFile.errorString()));
            return 1;
        }
    }
    QTextStream log(&logFile);

    MeterServer server(*options);
    QObject::connect(&server, &MeterServer::logLine, &server, [&log](const QString &line) {
        log << line << '\n';
        log.flush();
    });
    if (!server.start()) {
        std::fprintf(stderr, "%s\n", qPrintable(server.errorString()));
        return 1;
    }
    quitOnSignals(app);
    if (options->endWithInput)
        quitAtEndOfInput(app);

    QString started = server.devicePath();
    if (!server.linkPath().isEmpty())
        started += u' ' + server.linkPath();
    std::fputs(qPrintable(started + u'\n'), stdout);
    std::fflush(stdout);
    return app.exec();
}
