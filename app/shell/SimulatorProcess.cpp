#include "SimulatorProcess.h"

#include <QCoreApplication>
#include <QFileInfo>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>
#endif

QStringList SimulatorProcess::demonstrationOptions()
{
    return {QStringLiteral("--records"),
            QStringLiteral("24"),
            QStringLiteral("--pace"),
            QStringLiteral("--units"),
            QStringLiteral("1"),
            QStringLiteral("--detector"),
            QStringLiteral("5"),
            QStringLiteral("--values"),
            QStringLiteral("list:0.05,0.08,0.11,0.14,0.12,0.18,0.26,0.41,0.35,0.22,0.16,0.09,"
                           "1.2,2.8,4.6,5.4,3.1,0.7,0.15,0.07")};
}

SimulatorProcess::~SimulatorProcess()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(2000))
            m_process.kill();
    }
}

QString SimulatorProcess::start(const QStringList &options)
{
    const QString program =
        QCoreApplication::applicationDirPath() + QStringLiteral("/tesk-meter-sim");
    if (!QFileInfo(program).isExecutable()) {
        m_error =
            QObject::tr("The simulated meter %1 was not found beside the program.").arg(program);
        return {};
    }
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // The meter must end with the program however the program ends (a
    // signal, kill -9, a crash): the kernel sends it SIGTERM when the program
    // dies, and the end of its standard input, the pipe from this process,
    // ends it too where that signal is not available.
#ifdef Q_OS_LINUX
    m_process.setChildProcessModifier([parent = ::getpid()] {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) // the program died before the line above
            ::_exit(1);
    });
#endif
    m_process.start(program, options + QStringList{QStringLiteral("--end-with-input")});
    // It prints its device path on one line as soon as it is ready.
    while (!m_process.canReadLine()) {
        if (!m_process.waitForReadyRead(10000)) {
            m_error =
                QObject::tr("The simulated meter did not start: %1").arg(m_process.errorString());
            return {};
        }
    }
    const QString line = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    return line.section(QChar(u' '), 0, 0);
}
