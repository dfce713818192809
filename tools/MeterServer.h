#pragma once

#include "MeterOptions.h"
#include "MeterSimulator.h"
#include "PseudoTerminal.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <deque>

// A simulated meter on a pseudo-terminal: the protocol of MeterSimulator, with its
// online timer, split messages and, on request, the timing of a 9600-baud line.
class MeterServer : public QObject
{
    Q_OBJECT

public:
    // Between the pieces of a split message: long enough to arrive as separate reads.
    static constexpr int SplitGapMs = 15;
    // One byte of 8N1 at 9600 baud is ten bits.
    static constexpr qint64 ByteTimeNs = 10LL * 1000000000 / 9600;
    // How long an unplug after closeAfter waits for the program to take the last reply.
    static constexpr int UnplugGraceMs = 3000;

    explicit MeterServer(const MeterOptions &options = {}, QObject *parent = nullptr);

    // Opens the line (and the link of the options); false with errorString() on failure.
    bool start();
    QString devicePath() const { return m_terminal.devicePath(); }
    QString linkPath() const { return m_terminal.linkPath(); }
    QString errorString() const { return m_terminal.errorString(); }
    bool isPlugged() const { return m_terminal.isOpen(); }

    // Pulls the cable: the program's port fails and the link disappears.
    void unplug();
    // A new line under the same link.
    bool replug();

    const MeterOptions &options() const { return m_options; }
    void setOptions(const MeterOptions &options);
    void setSilent(bool silent);
    MeterSimulator &simulator() { return m_simulator; }

signals:
    void commandReceived(int code, const QByteArray &frame);
    void plugged(const QString &devicePath);
    void unplugged();
    // One line of the log, time stamp first.
    void logLine(const QString &line);

private:
    void log(const QString &text);
    void receive(const QByteArray &bytes);
    void feedArrivedCommands();
    void enqueue(const QByteArray &bytes);
    void writeOutput();
    void unplugWhenDelivered();
    void clearLine();

    struct Piece
    {
        QByteArray bytes;
        bool gapBefore = false;
    };
    struct Arrival
    {
        qint64 dueNs = 0;
        QByteArray bytes;
    };

    MeterOptions m_options;
    MeterSimulator m_simulator;
    PseudoTerminal m_terminal;
    QElapsedTimer m_clock;
    QTimer m_onlineTimer;
    QTimer m_outputTimer;
    QTimer m_inputTimer;
    QTimer m_unplugTimer;
    std::deque<Piece> m_output;
    qint64 m_pieceStartNs = -1; // -1 while the front piece waits for its gap
    qsizetype m_pieceWritten = 0;
    std::deque<Arrival> m_input;
    qint64 m_inputLineFreeNs = 0;
    qint64 m_unplugDeadlineNs = 0;
};
