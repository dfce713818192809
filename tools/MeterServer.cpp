#include "MeterServer.h"

#include <QDateTime>

#include <algorithm>

namespace {

QString hexOf(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' '));
}

constexpr qint64 HalfMillisecondNs = 500000;

} // namespace

MeterServer::MeterServer(const MeterOptions &options, QObject *parent)
    : QObject(parent), m_options(options), m_simulator(options)
{
    m_clock.start();
    for (QTimer *timer : {&m_outputTimer, &m_inputTimer}) {
        timer->setSingleShot(true);
        timer->setTimerType(Qt::PreciseTimer);
    }
    m_unplugTimer.setInterval(10);
    connect(&m_outputTimer, &QTimer::timeout, this, &MeterServer::writeOutput);
    connect(&m_inputTimer, &QTimer::timeout, this, &MeterServer::feedArrivedCommands);
    connect(&m_unplugTimer, &QTimer::timeout, this, &MeterServer::unplugWhenDelivered);
    connect(&m_onlineTimer, &QTimer::timeout, &m_simulator, &MeterSimulator::sendOnlineReading);
    connect(&m_terminal, &PseudoTerminal::dataReceived, this, &MeterServer::receive);

    connect(&m_simulator, &MeterSimulator::commandReceived, this,
            [this](int code, const QByteArray &frame) {
                log(QStringLiteral("command %1 received: %2").arg(code).arg(hexOf(frame)));
                emit commandReceived(code, frame);
            });
    connect(&m_simulator, &MeterSimulator::writeRequested, this, &MeterServer::enqueue);
    connect(&m_simulator, &MeterSimulator::note, this, &MeterServer::log);
    connect(&m_simulator, &MeterSimulator::onlineIntervalChanged, this, [this](int ms) {
        log(ms > 0 ? QStringLiteral("online readings every %1 s").arg(ms / 1000.0)
                   : QStringLiteral("online readings stopped"));
        if (ms > 0)
            m_onlineTimer.start(m_options.onlineMs > 0 ? m_options.onlineMs : ms);
        else
            m_onlineTimer.stop();
    });
    connect(&m_simulator, &MeterSimulator::unplugRequested, this, [this] {
        log(QStringLiteral("closing the line after %1 stored readings").arg(m_options.closeAfter));
        m_unplugDeadlineNs = m_clock.nsecsElapsed() + qint64{UnplugGraceMs} * 1000000;
        m_unplugTimer.start();
    });
}

bool MeterServer::start()
{
    if (!m_terminal.open(m_options.link)) {
        log(QStringLiteral("cannot open the line: %1").arg(m_terminal.errorString()));
        return false;
    }
    log(QStringLiteral("line open at %1").arg(devicePath()));
    emit plugged(devicePath());
    return true;
}

void MeterServer::unplug()
{
    clearLine();
    if (!m_terminal.isOpen())
        return;
    m_terminal.close();
    log(QStringLiteral("line closed (unplugged)"));
    emit unplugged();
}

bool MeterServer::replug()
{
    clearLine();
    return start();
}

void MeterServer::setOptions(const MeterOptions &options)
{
    m_options = options;
    m_simulator.setOptions(options);
}

void MeterServer::setSilent(bool silent)
{
    m_options.silent = silent;
    m_simulator.setSilent(silent);
}

void MeterServer::log(const QString &text)
{
    emit logLine(QDateTime::currentDateTime().toString(Qt::ISODateWithMs) + u' ' + text);
}

void MeterServer::receive(const QByteArray &bytes)
{
    if (m_unplugTimer.isActive())
        return; // the cable is on its way out
    if (!m_options.pace) {
        m_simulator.processInput(bytes);
        return;
    }
    // The program's bytes reach the meter only after their time on the line.
    const qint64 now = m_clock.nsecsElapsed();
    m_inputLineFreeNs = std::max(now, m_inputLineFreeNs) + bytes.size() * ByteTimeNs;
    m_input.push_back({m_inputLineFreeNs, bytes});
    if (!m_inputTimer.isActive())
        feedArrivedCommands();
}

void MeterServer::feedArrivedCommands()
{
    while (!m_input.empty()) {
        // Timers count whole milliseconds: acting within half of one of the
        // due time keeps the line's timing right on average.
        const qint64 wait = m_input.front().dueNs - m_clock.nsecsElapsed();
        if (wait > HalfMillisecondNs) {
            m_inputTimer.start(static_cast<int>((wait + HalfMillisecondNs) / 1000000));
            return;
        }
        const QByteArray bytes = m_input.front().bytes;
        m_input.pop_front();
        m_simulator.processInput(bytes);
    }
}

void MeterServer::enqueue(const QByteArray &bytes)
{
    if (!m_terminal.isOpen()) {
        log(QStringLiteral("line closed: %1 bytes not sent").arg(bytes.size()));
        return;
    }
    log(QStringLiteral("sent %1 bytes: %2").arg(bytes.size()).arg(hexOf(bytes)));
    const bool idle = m_output.empty();
    const qsizetype pieces = std::clamp<qsizetype>(m_options.split, 1, bytes.size());
    for (qsizetype i = 0; i < pieces; ++i) {
        const qsizetype from = i * bytes.size() / pieces;
        const qsizetype to = (i + 1) * bytes.size() / pieces;
        m_output.push_back({bytes.mid(from, to - from), i > 0});
    }
    if (idle)
        writeOutput();
}

void MeterServer::writeOutput()
{
    while (!m_output.empty()) {
        Piece &piece = m_output.front();
        const qint64 now = m_clock.nsecsElapsed();
        if (m_pieceStartNs < 0) {
            if (piece.gapBefore) {
                piece.gapBefore = false;
                m_outputTimer.start(SplitGapMs);
                return;
            }
            m_pieceStartNs = now;
            m_pieceWritten = 0;
        }
        // Paced, a byte goes out once its line time since the start of the piece is over.
        const qsizetype due =
            m_options.pace
                ? std::min<qsizetype>(piece.bytes.size(),
                                      (now - m_pieceStartNs + HalfMillisecondNs) / ByteTimeNs)
                : piece.bytes.size();
        if (due > m_pieceWritten) {
            const qsizetype lost =
                m_terminal.write(piece.bytes.mid(m_pieceWritten, due - m_pieceWritten));
            if (lost > 0 && m_terminal.isOpen())
                log(QStringLiteral("line full: %1 bytes lost").arg(lost));
            m_pieceWritten = due;
        }
        if (m_pieceWritten < piece.bytes.size()) {
            m_outputTimer.start(1);
            return;
        }
        m_output.pop_front();
        m_pieceStartNs = -1;
    }
}

void MeterServer::unplugWhenDelivered()
{
    const bool delivered = m_output.empty() && m_terminal.unreadBytes() == 0;
    if (delivered || m_clock.nsecsElapsed() >= m_unplugDeadlineNs)
        unplug();
}

void MeterServer::clearLine()
{
    m_unplugTimer.stop();
    m_outputTimer.stop();
    m_inputTimer.stop();
    m_output.clear();
    m_input.clear();
    m_pieceStartNs = -1;
    m_inputLineFreeNs = 0;
}
