#include "MeterSimulator.h"

#include "CommandFrame.h"
#include "DateTimeText.h"
#include "MessageFrame.h"

#include <cmath>

namespace {

constexpr char StartByte = 1;

// A text field of exactly `width` single-byte characters, blank-padded.
QByteArray field(const QString &text, int width)
{
    return text.leftJustified(width, u' ', true).toLatin1();
}

void appendByte(QByteArray &bytes, int value)
{
    bytes.append(static_cast<char>(static_cast<quint8>(value)));
}

int digitsAt(const QByteArray &frame, int index)
{
    bool ok = false;
    const int value = frame.mid(index, 2).toInt(&ok);
    return ok ? value : -1;
}

// The checksum byte of a whole message turned wrong, without becoming a terminator.
void spoilChecksum(QByteArray &message)
{
    char &checksum = message[message.size() - 2];
    checksum = static_cast<char>(static_cast<quint8>(checksum) + 1);
    if (checksum == MessageFrame::Terminator)
        checksum = static_cast<char>(checksum + 1);
}

const SystemClock TheSystemClock{};

} // namespace

MeterSimulator::MeterSimulator(const MeterOptions &options, QObject *parent)
    : MeterSimulator(options, TheSystemClock, parent)
{}

MeterSimulator::MeterSimulator(const MeterOptions &options, const Clock &computerClock,
                               QObject *parent)
    : QObject(parent), m_computerClock(computerClock), m_options(options), m_random(options.seed)
{
    m_stored = makeStoredReadings(options.records);
}

void MeterSimulator::setOptions(const MeterOptions &options)
{
    if (options.values != m_options.values || options.rampStep != m_options.rampStep)
        m_liveIndex = 0;
    if (options.seed != m_options.seed)
        m_random.seed(options.seed);
    if (options.closeAfter != m_options.closeAfter)
        m_unplugRequested = false;
    // A fault set afresh counts from the next message or command on.
    if (options.corruptEvery != m_options.corruptEvery)
        m_messagesSent = 0;
    if (options.dropEvery != m_options.dropEvery)
        m_repliesAsked = 0;
    m_options = options;
}

void MeterSimulator::setStoredReadings(const QList<Reading> &readings)
{
    m_stored = readings;
    m_nextStored = 0;
}

QDateTime MeterSimulator::clock() const
{
    return m_computerClock.now().addMSecs(m_clockOffsetMs);
}

void MeterSimulator::processInput(const QByteArray &bytes)
{
    m_input.append(bytes);
    QByteArray ignored;
    while (!m_input.isEmpty()) {
        // A command starts with 1 and has its terminator nine bytes further on; anything
        // else is line noise, skipped up to the next possible start.
        const qsizetype start = m_input.indexOf(StartByte);
        ignored.append(m_input.left(start < 0 ? m_input.size() : start));
        m_input.remove(0, start < 0 ? m_input.size() : start);
        if (m_input.size() < CommandFrame::Length)
            break;
        if (m_input[CommandFrame::Length - 1] != MessageFrame::Terminator) {
            ignored.append(m_input.front());
            m_input.remove(0, 1);
            continue;
        }
        const QByteArray frame = m_input.left(CommandFrame::Length);
        m_input.remove(0, CommandFrame::Length);
        handle(frame);
    }
    if (!ignored.isEmpty())
        emit note(QStringLiteral("ignored %1 bytes: %2")
                      .arg(ignored.size())
                      .arg(QString::fromLatin1(ignored.toHex(' '))));
}

void MeterSimulator::handle(const QByteArray &frame)
{
    const int code = static_cast<quint8>(frame[1]);
    emit commandReceived(code, frame);
    if (m_options.silent) {
        emit note(QStringLiteral("silent: command %1 not answered").arg(code));
        return;
    }
    if (dropsThisOne(code))
        return;
    switch (code) {
    case CommandFrame::GetStoredData:
        m_nextStored = 0;
        sendStoredReading();
        break;
    case CommandFrame::NextRecord:
        sendStoredReading();
        break;
    case CommandFrame::Test:
        send(measurementMessage(liveReading(), m_options.instrument));
        break;
    case CommandFrame::GetCalibration:
        send(calibrationMessage(m_options));
        break;
    case CommandFrame::Online:
        startOnline(frame);
        break;
    case CommandFrame::SetClock:
        setClock(frame);
        break;
    default:
        emit note(QStringLiteral("unknown command %1 not answered").arg(code));
        break;
    }
}

bool MeterSimulator::dropsThisOne(int code)
{
    const bool expectsReply = code == CommandFrame::GetStoredData ||
                              code == CommandFrame::NextRecord || code == CommandFrame::Test ||
                              code == CommandFrame::GetCalibration;
    if (!expectsReply || m_options.dropEvery <= 0)
        return false;
    if (++m_repliesAsked % m_options.dropEvery != 0)
        return false;
    emit note(QStringLiteral("dropped: command %1 not answered").arg(code));
    return true;
}

void MeterSimulator::sendStoredReading()
{
    if (m_nextStored >= m_stored.size()) {
        send(endOfDataMark(clock()));
        return;
    }
    send(measurementMessage(m_stored[m_nextStored++], m_options.instrument));
    ++m_storedSent;
    if (m_options.closeAfter > 0 && m_storedSent >= m_options.closeAfter && !m_unplugRequested) {
        m_unplugRequested = true;
        emit unplugRequested();
    }
}

void MeterSimulator::setClock(const QByteArray &frame)
{
    const auto byteAt = [&frame](int index) {
        return static_cast<int>(static_cast<quint8>(frame[index]));
    };
    const QDate date(byteAt(4) * 100 + byteAt(5), byteAt(2), byteAt(3));
    const QTime time(byteAt(6), byteAt(7), byteAt(8));
    if (byteAt(5) > 99 || !date.isValid() || !time.isValid()) {
        emit note(QStringLiteral("clock not set: no valid date and time"));
        return;
    }
    m_clockOffsetMs = m_computerClock.now().msecsTo(DateTimeText::wallClock(date, time));
}

void MeterSimulator::startOnline(const QByteArray &frame)
{
    const int minutes = digitsAt(frame, 2);
    const int seconds = digitsAt(frame, 4);
    if (minutes < 0 || seconds < 0) {
        emit note(QStringLiteral("online command without an interval ignored"));
        return;
    }
    m_onlineIntervalMs = (minutes * 60 + seconds) * 1000;
    emit onlineIntervalChanged(m_onlineIntervalMs);
}

void MeterSimulator::sendOnlineReading()
{
    if (m_onlineIntervalMs > 0 && !m_options.silent)
        send(measurementMessage(liveReading(), m_options.instrument));
}

void MeterSimulator::send(QByteArray message)
{
    ++m_messagesSent;
    if (m_options.corruptEvery > 0 && m_messagesSent % m_options.corruptEvery == 0)
        spoilChecksum(message);
    emit writeRequested(message);
    if (m_options.noise > 0)
        emit writeRequested(noiseBurst());
}

// Garbage that ends with a terminator at index 25 or later and fails the checksum, so
// the program's receiver takes the whole burst as one bad message and starts the next
// reply clean. Shorter bursts would glue themselves to the next reply, longer ones would
// overflow the receiver's 100 bytes.
QByteArray MeterSimulator::noiseBurst()
{
    const int length = qBound(MeasurementLength, m_options.noise, 100);
    QByteArray burst;
    for (int i = 0; i < length - 1; ++i) {
        const quint32 byte = m_random.bounded(255u);
        appendByte(burst, byte == 4 ? 255 : static_cast<int>(byte));
    }
    burst.append(MessageFrame::Terminator);
    const QByteArrayView payload(burst.constData() + 1, burst.size() - 3);
    if (static_cast<quint8>(burst[length - 2]) == MessageFrame::checksumOf(payload))
        spoilChecksum(burst);
    return burst;
}

MeterSimulator::Reading MeterSimulator::liveReading()
{
    return {clock(), valueAt(m_liveIndex++), m_options.units, m_options.detector, m_options.status};
}

double MeterSimulator::valueAt(qint64 index) const
{
    if (m_options.values.isEmpty())
        return 0;
    return m_options.values[index % m_options.values.size()] +
           m_options.rampStep * static_cast<double>(index);
}

QList<MeterSimulator::Reading> MeterSimulator::makeStoredReadings(int count) const
{
    QDateTime last = clock();
    last.setTime(QTime(last.time().hour(), last.time().minute()));
    last = last.addSecs(-60 * StoredReadingsEndMinutesAgo);
    QList<Reading> readings;
    for (int i = 0; i < count; ++i)
        readings.append({last.addSecs(-60 * (count - 1 - i)), valueAt(i), m_options.units,
                         m_options.detector, m_options.status});
    return readings;
}

quint16 MeterSimulator::valueCode(double value)
{
    if (!(value > 0))
        return 10000; // d1 1, e 0, m 0
    value = std::min(value, LargestValue);
    // Scale to three digits: m x 10^power with m from 100 to 999.
    int power = static_cast<int>(std::floor(std::log10(value))) - 2;
    long mantissa = std::lround(value / std::pow(10.0, power));
    if (mantissa >= 1000) {
        mantissa /= 10;
        ++power;
    }
    if (power > 0)
        return static_cast<quint16>(50000 + power * 1000 + mantissa);
    if (power < -9) {
        // Fewer digits than three: what 10^-9 steps can still carry.
        mantissa = std::lround(value * 1e9);
        power = -9;
    }
    return static_cast<quint16>(10000 + (-power) * 1000 + mantissa);
}

QByteArray MeterSimulator::measurementMessage(const Reading &reading, const QString &instrument)
{
    const QDate date = reading.taken.date();
    const QTime time = reading.taken.time();
    const quint16 code = valueCode(reading.value);
    QByteArray payload = field(instrument, 11);
    appendByte(payload, 0);
    appendByte(payload, date.month());
    appendByte(payload, date.day());
    appendByte(payload, date.year() / 100);
    appendByte(payload, date.year() % 100);
    appendByte(payload, time.hour());
    appendByte(payload, time.minute());
    appendByte(payload, code >> 8);
    appendByte(payload, code & 0xFF);
    appendByte(payload, reading.units);
    appendByte(payload, reading.detector);
    appendByte(payload, reading.status);
    return MessageFrame::build(StartByte, payload);
}

QByteArray MeterSimulator::endOfDataMark(const QDateTime &clock)
{
    return measurementMessage({clock, 0, 0, 0, 0}, QStringLiteral("*"));
}

QByteArray MeterSimulator::calibrationMessage(const MeterOptions &options)
{
    const long factor = std::clamp(std::lround(options.calibrationFactor * 1000), 0L, 9999L);
    QByteArray payload = field(options.calibrationMeter, 8);
    payload.append(QByteArray::number(static_cast<qlonglong>(factor)).rightJustified(4, '0'));
    payload.append(field(options.calibratedBy, 12));
    payload.append(field(options.calibrationDue.toString(QStringLiteral("ddMMyyyy")), 8));
    // A spare byte before the checksum: the program would end the message early at a
    // checksum of 4 (index 34), so the spare byte moves the checksum off 4.
    payload.append(' ');
    if (MessageFrame::checksumOf(payload) == MessageFrame::Terminator)
        payload.back() = '!';
    return MessageFrame::build(StartByte, payload);
}
