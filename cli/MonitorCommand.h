#pragma once

#include "AlarmMonitor.h"
#include "CliArguments.h"
#include "CliCommand.h"
#include "WorkingListFile.h"

#include <QStringList>

class Clock;
class ConsoleOutput;
class MeterSession;
class ProfileFile;

// Online collection until interrupted: the line is tested as at the window's
// start-up, then the online start carries the interval. Each reading is
// appended to the list file and synced, then printed; the alarms of the
// window (thresholds, lost contact) are printed as messages and never end the
// run. interrupt() sends the online stop, as the window's Stop does.
class MonitorCommand : public CliCommand
{
    Q_OBJECT

public:
    MonitorCommand(const CliArguments::Request &request, QStringList legendLines,
                   const ProfileFile &settings, const Clock &clock, MeterSession &session,
                   ConsoleOutput &output, QObject *parent = nullptr);

    void start() override;
    void interrupt();

    AlarmMonitor &alarms() { return m_alarms; }

private:
    void answered(const QString &instrument);
    void reading(const QByteArray &message);
    void alarmLevelChanged(int level);
    void failed(const QString &reason);

    CliArguments::Request m_request;
    QStringList m_legendLines;
    const Clock &m_clock;
    MeterSession &m_session;
    ConsoleOutput &m_output;
    WorkingListFile m_list;
    AlarmMonitor m_alarms;
    bool m_collecting = false;
    int m_readings = 0;
    int m_unwritten = 0;
    QString m_lastValue;
};
