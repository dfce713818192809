#pragma once

#include "InstrumentLink.h"
#include "LinkListener.h"
#include "SerialTransport.h"
#include "TraceLog.h"

#include <QObject>
#include <QString>

struct CalibrationRecord;

// The meter link of one command: the serial port, the protocol of the
// window's link and the news it brings, as signals. Opening the line and the
// link test behave on the line as the window's start-up does: the test, again
// after each missing reply, and once the meter answers, the online stop.
class MeterSession : public QObject, public LinkListener
{
    Q_OBJECT

public:
    explicit MeterSession(QObject *parent = nullptr);
    ~MeterSession() override;

    // Opens the device 9600,N,8,1; empty on success, else the cause.
    QString open(const QString &device);
    // Waits for commands already written, then closes the port.
    void close();

    // Sends the link test until the meter answers (meterAnswered) or four
    // replies in a row are missing or bad (failed).
    void testMeter();
    // Asks for the calibration record (calibration), again after a bad reply,
    // until four replies in a row were bad (failed).
    void askCalibration();

    InstrumentLink &link() { return m_link; }
    const QString &device() const { return m_device; }

signals:
    // The meter answered the test and was told to stop online collection.
    void meterAnswered(const QString &instrument);
    // A measurement message (a reading or the end-of-data mark) outside the test.
    void reading(const QByteArray &message);
    void calibration(const CalibrationRecord &record);
    // A reply of the running download was bad, or none came in time (missing).
    void replyFailed(bool missing);
    // The link cannot go on: the cause, for the user. Sent once.
    void failed(const QString &reason);

private:
    // LinkListener
    void linkWentUp() override {}
    void linkWentLost() override;
    void testAnswered() override;
    void measurementReceived(const QByteArray &message) override;
    void calibrationReceived(const CalibrationRecord &record) override;
    void notResponding() override;
    void downloadStopped() override;
    void downloadReplyFailed(bool missing) override { emit replyFailed(missing); }
    void repollDue() override {}
    void unexpectedFailure(const UnexpectedFailure &failure) override;

    void sendTest();
    void replyMissing();
    void replyRejected();
    QString badRepliesMessage() const;
    void fail(const QString &reason);

    TraceLog m_trace;
    InstrumentLink m_link;
    SerialTransport m_transport;
    QString m_device;
    bool m_testing = false;
    bool m_calibrationPending = false;
    bool m_failed = false;
};
