#pragma once

#include "MessageReceiver.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>

class LinkListener;
class TraceLog;

// The meter link as a protocol: bytes come in through processInput, bytes to
// send go out through writeRequested; it owns no port. It frames and checks
// the replies, keeps the link state and error counters, and runs the reply
// timer (one tick per command that expects a reply) and the re-poll timer
// (while the link is lost). Tests call the timer handlers directly.
class InstrumentLink : public QObject
{
    Q_OBJECT

public:
    static constexpr int ReplyTimeoutMs = 1000;
    static constexpr int RepollIntervalMs = 2000;
    // Replies in a row that may be missing or bad before the link counts as lost.
    static constexpr qint16 ErrorsTolerated = 3;

    InstrumentLink(TraceLog &trace, LinkListener &listener, QObject *parent = nullptr);

    // Set by the owner of the port; commands send nothing while it is closed.
    void setPortOpen(bool open) { m_portOpen = open; }
    bool isPortOpen() const { return m_portOpen; }

    // The receive notification: one block of bytes as the port delivered it.
    void processInput(const QByteArray &block);

    // Sends a command with seven "0" data bytes.
    void SendCommand(quint8 code, bool startReplyTimer, bool flushInput);
    // Sends a ready-made command (online start, set clock): traced, written
    // when the port is open, no reply timer, no flush.
    void sendFrame(const QByteArray &frame);
    // The link test: the reply proves the meter is there.
    void Test();

    void LinkLost();
    // A download starts: the error count returns to 0.
    void resetErrorCount();

    bool Connected = false;
    bool TestPending = false;
    bool Downloading = false;
    qint16 ErrCount = 0;
    qint16 TotalErrors = 0;
    QByteArray TxBuffer;
    MessageReceiver receiver;

    QTimer Timer1; // re-poll
    QTimer Timer2; // reply

public slots:
    void replyTimeout();
    void repollTick();

signals:
    void writeRequested(const QByteArray &bytes);
    // Read and drop whatever input is waiting; sent before the command it goes with.
    void discardInputRequested();
    // A reply was bad (wrong checksum, too short) and has been counted.
    void replyRejected();

private:
    qint16 ExtractMess(const QByteArray &message, qint16 result);
    void LinkUp();
    void countError();
    void trace(const QString &line);

    TraceLog &m_trace;
    LinkListener &m_listener;
    bool m_portOpen = false;
};
