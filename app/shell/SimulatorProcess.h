#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// The simulated meter in a process of its own, for demonstrations and
// training: the program opens its pseudo-terminal as it would a meter's port.
// The meter ends when the program ends, however it ends.
class SimulatorProcess
{
public:
    // Readings that cross the default alarm thresholds now and then.
    static QStringList demonstrationOptions();

    ~SimulatorProcess();

    // Starts tesk-meter-sim from the program's own folder and waits for it to
    // name its device. Returns the device path, or an empty text with error() set.
    QString start(const QStringList &options = demonstrationOptions());
    QString error() const { return m_error; }

private:
    QProcess m_process;
    QString m_error;
};
