#pragma once

#include "CliCommand.h"

#include <QString>
#include <QTimer>

class Clock;
class ConsoleOutput;
class MeterSession;
struct CalibrationRecord;

// The three short commands: test the line, set the meter's clock, read its
// calibration record. Each tests the line first, as the window does at
// start-up, so a command to a meter that is not there fails instead of
// going out unheard.
class MeterQuery : public CliCommand
{
    Q_OBJECT

public:
    enum class Kind { Test, SetTime, Calibration };

    // The meter sends its calibration record at once; a command sent to a
    // meter that has none gets no answer at all.
    static constexpr int CalibrationWaitMs = 3000;

    MeterQuery(Kind kind, QString device, MeterSession &session, ConsoleOutput &output,
               const Clock &clock, QObject *parent = nullptr);

    void start() override;

private:
    void answered(const QString &instrument);
    void calibrationArrived(const CalibrationRecord &record);
    void failed(const QString &reason);

    Kind m_kind;
    QString m_device;
    MeterSession &m_session;
    ConsoleOutput &m_output;
    const Clock &m_clock;
    QTimer m_calibrationWait;
};
