#pragma once

#include "AlarmMonitor.h"
#include "CollectionCommand.h"
#include "ReadingPublisher.h"

class Clock;
class ProfileFile;

// Online collection until interrupted: the line is tested as at the window's
// start-up, then the online start carries the interval. Each reading is
// appended to the list file and synced, then printed; the alarms of the
// window (thresholds, lost contact) are printed as messages and never end the
// run. interrupt() sends the online stop, as the window's Stop does.
//
// With a broker, each reading is published once it is in the list file, and
// the alarm state as it changes; the run ends once the broker has what waited
// (or has been given up on). Refused credentials or certificates end the run.
class MonitorCommand : public CollectionCommand
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
    void reading(const QByteArray &message) override;
    void alarmLevelChanged(int level);
    void failed(const QString &reason) override;
    void brokerRefused(const QString &reason);
    void stopCollecting();
    // Ends the command once the broker, if any, had its clean end.
    void end(int exitCode);

    const Clock &m_clock;
    AlarmMonitor m_alarms;
    ReadingPublisher m_publisher;
    BrokerSettings m_broker;
    bool m_collecting = false;
    int m_readings = 0;
    int m_unwritten = 0;
    QString m_lastValue;
};
