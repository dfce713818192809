#include "MeterFinder.h"

#include "CommandFrame.h"
#include "MeasurementDecoder.h"
#include "TeskCommonPart.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <QSet>

MeterFinder::MeterFinder(QObject *parent) : QObject(parent)
{
    m_replyTimer.setSingleShot(true);
    connect(&m_replyTimer, &QTimer::timeout, this,
            [this] { report(Outcome::NoAnswer, QString::number(m_replyMs / 1000.0)); });
    connect(&m_port, &QSerialPort::readyRead, this, &MeterFinder::readReply);
    connect(&m_port, &QSerialPort::errorOccurred, this, &MeterFinder::portFailed);
}

QList<MeterFinder::Candidate> MeterFinder::candidates(const QStringList &extraPaths,
                                                      const QString &byIdFolder)
{
    QStringList paths;
    const QDir byId(byIdFolder);
    for (const QString &name : byId.entryList(QDir::Files | QDir::System, QDir::Name))
        paths.append(byId.filePath(name));
    for (const QString &path : extraPaths)
        paths.append(path.trimmed());
    QStringList listed;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        listed.append(info.systemLocation());
    listed.sort();
    paths.append(listed);

    QList<Candidate> result;
    QSet<QString> seen;
    for (const QString &path : std::as_const(paths)) {
        if (path.isEmpty())
            continue;
        const QString device = QFileInfo(path).canonicalFilePath();
        // A name that leads nowhere is still tried once: it reports the device gone.
        const QString identity = device.isEmpty() ? path : device;
        if (seen.contains(identity))
            continue;
        seen.insert(identity);
        result.append({path, device});
    }
    return result;
}

void MeterFinder::setOwnDevice(const QString &path, bool answering)
{
    m_ownDevice = path.isEmpty() ? QString() : QFileInfo(path).canonicalFilePath();
    m_ownAnswering = answering;
}

void MeterFinder::start(const QList<Candidate> &candidates)
{
    cancel();
    m_queue = candidates;
    m_next = 0;
    m_running = true;
    probeNextLater();
}

void MeterFinder::cancel()
{
    if (!m_running)
        return;
    ++m_generation;
    m_running = false;
    m_replyTimer.stop();
    if (m_port.isOpen())
        m_port.close();
    m_queue.clear();
    emit finished();
}

void MeterFinder::probeNextLater()
{
    // Each device is tried from the event loop, so the window repaints and a
    // cancel is seen between devices.
    QTimer::singleShot(0, this, [this, generation = m_generation] {
        if (generation == m_generation && m_running)
            probeNext();
    });
}

void MeterFinder::probeNext()
{
    if (m_next >= m_queue.size()) {
        m_running = false;
        m_queue.clear();
        emit finished();
        return;
    }
    m_current = m_queue.at(m_next++);
    if (!m_ownDevice.isEmpty() && m_current.device == m_ownDevice) {
        report(Outcome::InUseHere, m_ownAnswering ? QStringLiteral("answering") : QString());
        return;
    }
    if (m_current.device.isEmpty() || !QFileInfo::exists(m_current.device)) {
        report(Outcome::Gone, {});
        return;
    }
    // The device itself, not a link to it: another program's lock on it is then seen.
    m_port.setPortName(m_current.device);
    m_port.setBaudRate(QSerialPort::Baud9600);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port.open(QIODevice::ReadWrite)) {
        const Result failure = openFailure(m_port.error());
        m_port.clearError();
        report(failure.outcome, failure.detail);
        return;
    }
    m_port.clearError();
    m_receiver.clear();
    m_port.clear(QSerialPort::Input);
    m_replyTimer.start(m_replyMs);
    m_port.write(CommandFrame::plain(CommandFrame::Test));
    m_port.flush();
}

void MeterFinder::readReply()
{
    if (!m_port.isOpen() || !m_replyTimer.isActive())
        return;
    QString instrument;
    bool answered = false;
    m_receiver.processInput(m_port.readAll(), [&](const QByteArray &message, qint16 result) {
        if (answered || result != MessageReceiver::Measurement)
            return;
        answered = true;
        instrument = TeskCommonPart::TrimAtNull(
                         MeasurementDecoder::GetDataFromMess(message, false, QDateTime()).InstNum)
                         .trimmed();
    });
    if (answered)
        report(Outcome::Answered, instrument);
}

void MeterFinder::portFailed(QSerialPort::SerialPortError error)
{
    // Failures of opening are read after open() returns; this is a device
    // that went away while it was being tried.
    if (!m_port.isOpen() || !m_replyTimer.isActive())
        return;
    if (error == QSerialPort::ResourceError || error == QSerialPort::ReadError ||
        error == QSerialPort::WriteError) {
        report(Outcome::Gone, m_port.errorString());
    }
}

void MeterFinder::report(Outcome outcome, const QString &detail)
{
    m_replyTimer.stop();
    if (m_port.isOpen())
        m_port.close();
    m_port.clearError();
    const quint64 generation = m_generation;
    emit probed({m_current, outcome, detail});
    // A listener may have cancelled or restarted the search.
    if (generation == m_generation && m_running)
        probeNextLater();
}

MeterFinder::Result MeterFinder::openFailure(QSerialPort::SerialPortError error) const
{
    const QFileInfo device(m_current.device);
    if (error == QSerialPort::DeviceNotFoundError || !device.exists())
        return {m_current, Outcome::Gone, {}};
    if (error == QSerialPort::PermissionError) {
        if (!device.isReadable() || !device.isWritable()) {
            const QString group =
                device.group().isEmpty() ? QStringLiteral("dialout") : device.group();
            return {m_current, Outcome::PermissionDenied, group};
        }
        return {m_current, Outcome::Busy, {}};
    }
    return {m_current, Outcome::Failed, m_port.errorString()};
}

QString MeterFinder::describe(const Result &result)
{
    const Candidate &c = result.candidate;
    QString name = c.path;
    if (!c.device.isEmpty() && c.device != c.path)
        name += QStringLiteral(" (%1)").arg(c.device);
    switch (result.outcome) {
    case Outcome::Answered:
        return tr("%1: the meter answered, instrument %2").arg(name, result.detail);
    case Outcome::NoAnswer:
        return tr("%1: no answer within %2 s").arg(name, result.detail);
    case Outcome::PermissionDenied:
        return tr("%1: permission denied; join the group \"%2\" (sudo usermod -aG %2 $USER) "
                  "and log in again")
            .arg(name, result.detail);
    case Outcome::Busy:
        return tr("%1: busy, another program is using it").arg(name);
    case Outcome::Gone:
        return tr("%1: gone, the device is not there").arg(name);
    case Outcome::InUseHere:
        return result.detail.isEmpty()
                   ? tr("%1: the port open in this program; no answer there yet").arg(name)
                   : tr("%1: the port open in this program; the meter answers there").arg(name);
    case Outcome::Failed:
        break;
    }
    return tr("%1: cannot be used: %2").arg(name, result.detail);
}
