#pragma once

#include "MessageReceiver.h"

#include <QList>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QStringList>
#include <QTimer>

// Looks for the meter on the serial devices of the machine, one device at a
// time: each is opened 9600,N,8,1, sent the link test and given the reply time
// to answer with a reading. Everything runs on the event loop; the device is
// closed again before the next one is tried, which puts back its line
// settings. The device this program already holds open is not touched.
class MeterFinder : public QObject
{
    Q_OBJECT

public:
    static constexpr int DefaultReplyMs = 1500;

    enum class Outcome { Answered, NoAnswer, PermissionDenied, Busy, Gone, InUseHere, Failed };

    struct Candidate
    {
        QString path;   // the name to store: a stable /dev/serial/by-id link when there is one
        QString device; // the device it leads to; empty when it leads nowhere
    };

    struct Result
    {
        Candidate candidate;
        Outcome outcome = Outcome::NoAnswer;
        QString detail; // the instrument number, the group to join, or what failed
    };

    explicit MeterFinder(QObject *parent = nullptr);

    // Every serial device once, under its stable name when it has one: the links
    // in byIdFolder first, then the extra paths (devices configured for the
    // ports, which a port listing may miss), then the system's port listing.
    static QList<Candidate>
    candidates(const QStringList &extraPaths,
               const QString &byIdFolder = QStringLiteral("/dev/serial/by-id"));

    void setReplyTime(int milliseconds) { m_replyMs = milliseconds; }
    // The device the program has open (empty for none) and whether its meter
    // answers there: it is reported as it is, never opened a second time.
    void setOwnDevice(const QString &path, bool answering);

    // Starts a search over the candidates; a search under way is cancelled first.
    void start(const QList<Candidate> &candidates);
    // Stops at once; the device being tried is closed. finished() follows.
    void cancel();
    bool isRunning() const { return m_running; }

    // One line for the user.
    static QString describe(const Result &result);

signals:
    void probed(const MeterFinder::Result &result);
    // After the last device, or after a cancel.
    void finished();

private:
    void probeNextLater();
    void probeNext();
    void readReply();
    void portFailed(QSerialPort::SerialPortError error);
    void report(Outcome outcome, const QString &detail);
    Result openFailure(QSerialPort::SerialPortError error) const;

    QSerialPort m_port;
    QTimer m_replyTimer;
    MessageReceiver m_receiver;
    QList<Candidate> m_queue;
    qsizetype m_next = 0;
    Candidate m_current;
    QString m_ownDevice;
    bool m_ownAnswering = false;
    int m_replyMs = DefaultReplyMs;
    bool m_running = false;
    quint64 m_generation = 0; // tells a queued step of a cancelled search from a live one
};
