#pragma once

#include "Clock.h"
#include "MeterOptions.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QRandomGenerator>

// The meter's side of the serial protocol, without any I/O: received bytes go in
// through processInput, the bytes to write come out through writeRequested. Timing
// (the online interval, split pieces, line speed) belongs to whoever drives it.
//
// Command 5 always sends the next stored reading: the meter cannot tell a request
// after a good reply from one after a bad or missing reply, so a reading lost on the
// line stays lost. A dropped command, on the other hand, never reached the meter and
// changes nothing.
class MeterSimulator : public QObject
{
    Q_OBJECT

public:
    struct Reading
    {
        QDateTime taken; // wall-clock time; the message carries it to the minute
        double value = 0;
        quint8 units = 4;
        quint8 detector = 0;
        quint8 status = 0;
    };

    static constexpr int MeasurementLength = 26;
    static constexpr int CalibrationLength = 36;
    // The largest value the value code can carry: 999 x 10^9.
    static constexpr double LargestValue = 999e9;
    // Readings are stored one a minute, the last this many minutes before start-up.
    static constexpr int StoredReadingsEndMinutesAgo = 5;

    explicit MeterSimulator(const MeterOptions &options = {}, QObject *parent = nullptr);
    // The meter's clock runs from the given computer clock rather than the system's.
    MeterSimulator(const MeterOptions &options, const Clock &computerClock,
                   QObject *parent = nullptr);

    const MeterOptions &options() const { return m_options; }
    // Applies from the next message on; the stored readings stay as they are. New
    // values restart the sequence of readings, a new fault setting its count.
    void setOptions(const MeterOptions &options);
    void setSilent(bool silent) { m_options.silent = silent; }

    const QList<Reading> &storedReadings() const { return m_stored; }
    void setStoredReadings(const QList<Reading> &readings);

    // The meter's own clock: the computer's clock plus the offset set by command 32.
    QDateTime clock() const;
    // 0 while online sending is stopped.
    int onlineIntervalMs() const { return m_onlineIntervalMs; }

    void processInput(const QByteArray &bytes);
    // One online reading, when online sending runs; the owner's timer calls it.
    void sendOnlineReading();

    // Digits d1 e m m m of the value code: m x 10^e when d1 is 5, else m x 10^-e. Three
    // significant digits; negative values and NaN give 0, values beyond LargestValue
    // give LargestValue, values too small for 10^-9 lose digits down to 0.
    static quint16 valueCode(double value);
    static QByteArray measurementMessage(const Reading &reading, const QString &instrument);
    static QByteArray endOfDataMark(const QDateTime &clock);
    static QByteArray calibrationMessage(const MeterOptions &options);

signals:
    void commandReceived(int code, const QByteArray &frame);
    void writeRequested(const QByteArray &bytes);
    // 0 when online sending stops; each start restarts the interval.
    void onlineIntervalChanged(int milliseconds);
    // After the number of stored readings given by closeAfter was sent.
    void unplugRequested();
    // Decisions worth a line in the log: dropped commands, ignored bytes.
    void note(const QString &text);

private:
    void handle(const QByteArray &frame);
    bool dropsThisOne(int code);
    void sendStoredReading();
    void setClock(const QByteArray &frame);
    void startOnline(const QByteArray &frame);
    void send(QByteArray message);
    QByteArray noiseBurst();
    Reading liveReading();
    double valueAt(qint64 index) const;
    QList<Reading> makeStoredReadings(int count) const;

    const Clock &m_computerClock;
    MeterOptions m_options;
    QList<Reading> m_stored;
    QByteArray m_input;
    QRandomGenerator m_random;
    qint64 m_clockOffsetMs = 0;
    qint64 m_liveIndex = 0;
    qsizetype m_nextStored = 0;
    int m_storedSent = 0;
    int m_messagesSent = 0;
    int m_repliesAsked = 0;
    int m_onlineIntervalMs = 0;
    bool m_unplugRequested = false;
};
