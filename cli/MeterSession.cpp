#include "MeterSession.h"

#include "CommandFrame.h"
#include "MeasurementDecoder.h"
#include "UnexpectedFailure.h"

MeterSession::MeterSession(QObject *parent) : QObject(parent), m_link(m_trace, *this)
{
    connect(&m_link, &InstrumentLink::writeRequested, &m_transport, &SerialTransport::write);
    connect(&m_link, &InstrumentLink::discardInputRequested, &m_transport,
            &SerialTransport::discardInput);
    connect(&m_transport, &SerialTransport::bytesReceived, &m_link, &InstrumentLink::processInput);
    connect(&m_transport, &SerialTransport::lost, this, &MeterSession::fail);
    // After the link's own handling of the missing reply, which counts it.
    connect(&m_link.Timer2, &QTimer::timeout, this, &MeterSession::replyMissing);
}

MeterSession::~MeterSession()
{
    close();
}

QString MeterSession::open(const QString &device)
{
    m_device = device;
    const QString cause = m_transport.open(device);
    m_link.setPortOpen(cause.isEmpty());
    return cause;
}

void MeterSession::close()
{
    m_link.Timer1.stop();
    m_link.Timer2.stop();
    m_link.setPortOpen(false);
    m_transport.close();
}

void MeterSession::testMeter()
{
    m_testing = true;
    sendTest();
}

void MeterSession::sendTest()
{
    // The window's test, with the reply taken here rather than by the link's
    // test flag, so the instrument number it carries can be shown.
    m_link.TestPending = false;
    m_link.SendCommand(CommandFrame::Test, true, true);
}

void MeterSession::replyMissing()
{
    if (m_testing && !m_failed && m_link.ErrCount <= InstrumentLink::ErrorsTolerated)
        sendTest();
}

void MeterSession::testAnswered()
{
    m_link.TestPending = false;
}

void MeterSession::measurementReceived(const QByteArray &message)
{
    if (!m_testing) {
        emit reading(message);
        return;
    }
    // A reading that arrives unasked (a meter left collecting online) proves
    // the line as well as the reply to the test does. As in the window, the
    // answer is followed by the online stop.
    m_testing = false;
    m_link.SendCommand(CommandFrame::Online, false, true);
    const MeasurementRecord record = MeasurementDecoder::GetDataFromMess(message, false, {});
    emit meterAnswered(record.InstNum.trimmed());
}

void MeterSession::calibrationReceived(const CalibrationRecord &record)
{
    emit calibration(record);
}

void MeterSession::linkWentLost()
{
    // The window re-polls a lost link for ever; a command gives up.
    m_link.Timer1.stop();
    fail(tr("The meter on %1 does not answer: check the cable, that the meter is switched on, "
            "and that this is its port.")
             .arg(m_device));
}

void MeterSession::notResponding()
{
    linkWentLost();
}

void MeterSession::downloadStopped()
{
    fail(tr("The meter on %1 sent %2 bad replies in a row.")
             .arg(m_device, QString::number(m_link.ErrCount)));
}

void MeterSession::unexpectedFailure(const UnexpectedFailure &failure)
{
    fail(failure.text());
}

void MeterSession::fail(const QString &reason)
{
    if (m_failed)
        return;
    m_failed = true;
    m_testing = false;
    m_link.Timer1.stop();
    m_link.Timer2.stop();
    emit failed(reason);
}
