#include "InstrumentLink.h"

#include "CalibrationRecord.h"
#include "CommandFrame.h"
#include "LinkListener.h"
#include "TraceLog.h"
#include "TraceText.h"

#include <limits>

InstrumentLink::InstrumentLink(TraceLog &trace, LinkListener &listener, QObject *parent)
    : QObject(parent), m_trace(trace), m_listener(listener)
{
    Timer1.setInterval(RepollIntervalMs);
    Timer2.setInterval(ReplyTimeoutMs);
    connect(&Timer1, &QTimer::timeout, this, &InstrumentLink::repollTick);
    connect(&Timer2, &QTimer::timeout, this, &InstrumentLink::replyTimeout);
}

void InstrumentLink::processInput(const QByteArray &block)
{
    if (block.isEmpty())
        return;
    const qsizetype taken = receiver.processInput(
        block, [this](const QByteArray &message, qint16 result) { ExtractMess(message, result); },
        [this](const UnexpectedFailure &failure) { m_listener.unexpectedFailure(failure); });
    // A block's "Part " line follows the lines of the messages it completed.
    if (m_trace.isShown() && m_trace.showAll())
        m_trace.addLine(TraceText::partLine(QByteArrayView(block).first(taken)));
}

qint16 InstrumentLink::ExtractMess(const QByteArray &message, qint16 result)
{
    trace(TraceText::allLine(message, result));
    if (result == MessageReceiver::Measurement) {
        Timer2.stop();
        LinkUp();
        ErrCount = 0;
        m_trace.setCounters(ErrCount, TotalErrors);
        if (TestPending)
            m_listener.testAnswered();
        else
            m_listener.measurementReceived(message);
    } else if (result == MessageReceiver::Calibration) {
        m_listener.calibrationReceived(CalibrationRecord::fromMessage(message));
    } else {
        Timer2.stop();
        countError();
        if (Downloading) {
            m_listener.downloadReplyFailed(false);
            if (ErrCount <= ErrorsTolerated) {
                SendCommand(CommandFrame::NextRecord, true, false);
            } else {
                // Nothing more is asked for, so the download is over: say so
                // rather than leave it waiting for ever.
                Downloading = false;
                m_listener.downloadStopped();
            }
        }
        emit replyRejected();
    }
    return result;
}

void InstrumentLink::LinkUp()
{
    Connected = true;
    Timer1.stop();
    m_listener.linkWentUp();
}

void InstrumentLink::LinkLost()
{
    Connected = false;
    Downloading = false;
    if (!Timer1.isActive())
        Timer1.start();
    m_listener.linkWentLost();
}

void InstrumentLink::resetErrorCount()
{
    ErrCount = 0;
    m_trace.setCounters(ErrCount, TotalErrors);
}

void InstrumentLink::replyTimeout()
{
    Timer2.stop();
    countError();
    if (Downloading)
        m_listener.downloadReplyFailed(true);
    if (ErrCount > ErrorsTolerated) {
        if (Connected)
            m_listener.notResponding();
        LinkLost();
    }
    if (Downloading)
        SendCommand(CommandFrame::NextRecord, true, false);
}

void InstrumentLink::repollTick()
{
    m_listener.repollDue();
    Test();
}

void InstrumentLink::Test()
{
    TestPending = true;
    SendCommand(CommandFrame::Test, true, true);
}

void InstrumentLink::SendCommand(quint8 code, bool startReplyTimer, bool flushInput)
{
    if (!m_portOpen)
        return;
    // Input is discarded before the command goes out, never after: a meter
    // that answers at once would otherwise see its reply thrown away, and the
    // reply timer would ask for the next record with this one unstored.
    if (flushInput)
        emit discardInputRequested();
    TxBuffer = CommandFrame::plain(code);
    trace(TraceText::sendLine(TxBuffer));
    emit writeRequested(TxBuffer);
    if (startReplyTimer)
        Timer2.start();
}

void InstrumentLink::sendFrame(const QByteArray &frame)
{
    TxBuffer = frame;
    trace(TraceText::sendLine(TxBuffer));
    if (m_portOpen)
        emit writeRequested(TxBuffer);
}

void InstrumentLink::countError()
{
    // The counters stop at their largest value instead of wrapping round
    // after a long time without a meter.
    constexpr qint16 largest = std::numeric_limits<qint16>::max();
    ErrCount = ErrCount < largest ? static_cast<qint16>(ErrCount + 1) : largest;
    TotalErrors = TotalErrors < largest ? static_cast<qint16>(TotalErrors + 1) : largest;
    m_trace.setCounters(ErrCount, TotalErrors);
}

void InstrumentLink::trace(const QString &line)
{
    if (m_trace.isShown())
        m_trace.addLine(line);
}
