#include "MonitorCommand.h"

#include "Clock.h"
#include "CommandFrame.h"
#include "ConsoleOutput.h"
#include "MeasurementDecoder.h"
#include "MeterSession.h"
#include "NumberText.h"
#include "PasswordFile.h"
#include "ProfileFile.h"
#include "RecordLine.h"
#include "SilentSoundPlayer.h"

MonitorCommand::MonitorCommand(const CliArguments::Request &request, QStringList legendLines,
                               const ProfileFile &settings, const Clock &clock,
                               MeterSession &session, ConsoleOutput &output, QObject *parent)
    : CollectionCommand(request, std::move(legendLines), session, output, parent)
    , m_clock(clock)
    , m_alarms(new SilentSoundPlayer, QString())
{
    // The window's thresholds and lost-contact interval.
    settings.readNumber(QStringLiteral("Threshold1"), QStringLiteral("0.2"), 10,
                        m_alarms.Threshold1);
    settings.readNumber(QStringLiteral("Threshold2"), QStringLiteral("5"), 10, m_alarms.Threshold2);
    settings.readInt16(QStringLiteral("LostContactInterval"), QStringLiteral("5"), 10,
                       m_alarms.LostContactInterval);
    connect(&m_session, &MeterSession::meterAnswered, this, &MonitorCommand::answered);
    connect(&m_alarms, &AlarmMonitor::alarmLevelChanged, this, &MonitorCommand::alarmLevelChanged);
    connect(&m_publisher.client(), &BrokerClient::note, this,
            [this](const QString &line) { m_output.message(line); });
    connect(&m_publisher.client(), &BrokerClient::refused, this, &MonitorCommand::brokerRefused);
}

void MonitorCommand::start()
{
    if (m_request.broker) {
        m_broker.address = *m_request.broker;
        m_broker.user = m_request.brokerUser;
        m_broker.caFile = m_request.caFile;
        if (!m_request.brokerPasswordFile.isEmpty()) {
            QString problem;
            const std::optional<QString> password =
                PasswordFile::read(m_request.brokerPasswordFile, &problem);
            if (!password) {
                m_output.message(problem);
                finish(CliArguments::UsageError);
                return;
            }
            m_broker.password = *password;
        }
    }
    if (!openListAndPort())
        return;
    m_session.testMeter();
}

void MonitorCommand::answered(const QString &instrument)
{
    m_session.link().sendFrame(CommandFrame::onlineStart(m_request.minutes, m_request.seconds));
    m_collecting = true;
    m_alarms.setLostContactTimerEnabled(true);
    if (m_request.broker && !m_publisher.isStarted()) {
        m_publisher.start(m_broker, m_request.topicPrefix.isEmpty()
                                        ? ReadingPublisher::defaultPrefix(instrument)
                                        : m_request.topicPrefix);
        m_publisher.alarm(m_alarms.AlarmLevel);
    }
    m_output.message(tr("Collecting readings of instrument %1 every %2:%3 into %4; Ctrl+C stops.")
                         .arg(instrument,
                              QString::number(m_request.minutes).rightJustified(2, QChar(u'0')),
                              QString::number(m_request.seconds).rightJustified(2, QChar(u'0')),
                              m_request.list));
}

void MonitorCommand::reading(const QByteArray &message)
{
    if (!m_collecting || MeasurementDecoder::isEndOfData(message))
        return;
    const QDateTime now = m_clock.now();
    const MeasurementRecord r = MeasurementDecoder::GetDataFromMess(message, false, now);
    // In the file before it is shown or published.
    if (m_list.appendRecord(RecordLine::format(r))) {
        ++m_readings;
        m_publisher.reading(r, now, m_alarms.Threshold1, m_alarms.Threshold2);
    } else {
        ++m_unwritten;
    }
    m_output.line(QStringList{r.time, r.vl.trimmed() + QChar(u' ') + r.Units, r.status, r.Detector,
                              r.InstNum.trimmed()}
                      .join(QChar(u'\t')));
    m_lastValue = r.vl.trimmed() + QChar(u' ') + r.Units;
    m_alarms.takeReading(r.vl);
}

void MonitorCommand::alarmLevelChanged(int level)
{
    m_publisher.alarm(level);
    switch (level) {
    case AlarmMonitor::AboveThreshold1:
        m_output.message(tr("Warning: %1 is above the warning level %2.")
                             .arg(m_lastValue, NumberText::plain(m_alarms.Threshold1)));
        break;
    case AlarmMonitor::AboveThreshold2:
        m_output.message(tr("Alarm: %1 is above the alarm level %2.")
                             .arg(m_lastValue, NumberText::plain(m_alarms.Threshold2)));
        break;
    case AlarmMonitor::LostContact:
        m_output.message(tr("Lost contact: no reading for more than %1 seconds.")
                             .arg(m_alarms.LostContactInterval));
        break;
    default:
        m_output.message(tr("Back to normal: %1.").arg(m_lastValue));
        break;
    }
}

void MonitorCommand::stopCollecting()
{
    m_alarms.setLostContactTimerEnabled(false);
    if (m_collecting) {
        // The window's Stop: the online stop command, input flushed.
        m_session.link().SendCommand(CommandFrame::Online, false, true);
        m_collecting = false;
    }
    m_session.close();
    m_list.close();
}

void MonitorCommand::interrupt()
{
    stopCollecting();
    m_output.message(tr("Stopped: %1 readings written to %2.").arg(m_readings).arg(m_request.list));
    if (m_unwritten > 0) {
        m_output.message(tr("%1 readings could not be written.").arg(m_unwritten));
        end(CliArguments::Failure);
        return;
    }
    end(CliArguments::Success);
}

void MonitorCommand::failed(const QString &reason)
{
    m_alarms.setLostContactTimerEnabled(false);
    m_collecting = false;
    m_session.close();
    m_list.close();
    m_output.message(reason);
    m_output.message(tr("%1 readings written to %2.").arg(m_readings).arg(m_request.list));
    end(CliArguments::Failure);
}

void MonitorCommand::brokerRefused(const QString &reason)
{
    Q_UNUSED(reason); // the client's note said it
    stopCollecting();
    m_output.message(tr("Stopped: %1 readings written to %2.").arg(m_readings).arg(m_request.list));
    end(CliArguments::Failure);
}

void MonitorCommand::end(int exitCode)
{
    if (!m_publisher.isStarted()) {
        finish(exitCode);
        return;
    }
    connect(&m_publisher.client(), &BrokerClient::stopped, this,
            [this, exitCode] { finish(exitCode); });
    m_publisher.stop();
}
