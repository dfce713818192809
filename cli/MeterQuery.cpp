#include "MeterQuery.h"

#include "CalibrationRecord.h"
#include "CliArguments.h"
#include "Clock.h"
#include "CommandFrame.h"
#include "ConsoleOutput.h"
#include "DateTimeText.h"
#include "MeterSession.h"

MeterQuery::MeterQuery(Kind kind, QString device, MeterSession &session, ConsoleOutput &output,
                       const Clock &clock, QObject *parent)
    : CliCommand(parent)
    , m_kind(kind)
    , m_device(std::move(device))
    , m_session(session)
    , m_output(output)
    , m_clock(clock)
{
    m_calibrationWait.setSingleShot(true);
    m_calibrationWait.setInterval(CalibrationWaitMs);
    connect(&m_calibrationWait, &QTimer::timeout, this,
            [this] { failed(tr("The meter on %1 sent no calibration record.").arg(m_device)); });
    connect(&m_session, &MeterSession::meterAnswered, this, &MeterQuery::answered);
    connect(&m_session, &MeterSession::calibration, this, &MeterQuery::calibrationArrived);
    connect(&m_session, &MeterSession::failed, this, &MeterQuery::failed);
}

void MeterQuery::start()
{
    if (const QString cause = m_session.open(m_device); !cause.isEmpty()) {
        failed(cause);
        return;
    }
    m_session.testMeter();
}

void MeterQuery::answered(const QString &instrument)
{
    switch (m_kind) {
    case Kind::Test:
        m_output.line(tr("The meter on %1 answered: instrument %2.").arg(m_device, instrument));
        break;
    case Kind::SetTime: {
        const QDateTime now = m_clock.now();
        m_session.link().sendFrame(CommandFrame::setClock(now));
        m_output.line(tr("The clock of the meter on %1 (instrument %2) is set to %3.")
                          .arg(m_device, instrument, DateTimeText::format(now)));
        break;
    }
    case Kind::Calibration:
        m_session.askCalibration();
        m_calibrationWait.start();
        return;
    }
    m_session.close();
    finish(CliArguments::Success);
}

void MeterQuery::calibrationArrived(const CalibrationRecord &record)
{
    if (m_kind != Kind::Calibration || !m_calibrationWait.isActive())
        return;
    m_calibrationWait.stop();
    // The captions of the window's calibration window.
    m_output.line(QStringLiteral("Instrument  Number: ") + record.meter.trimmed());
    m_output.line(QStringLiteral("Factor: ") + record.factor);
    m_output.line(QStringLiteral("Calibrated by: ") + record.name.trimmed());
    m_output.line(QStringLiteral("Calibration Due: ") + record.due);
    m_session.close();
    finish(CliArguments::Success);
}

void MeterQuery::failed(const QString &reason)
{
    m_calibrationWait.stop();
    m_output.message(reason);
    m_session.close();
    finish(CliArguments::Failure);
}
