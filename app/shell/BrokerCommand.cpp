#include "BrokerCommand.h"

#include "BrokerAddress.h"
#include "MainController.h"
#include "MeasurementRecord.h"
#include "PasswordFile.h"
#include "ProfileFile.h"

#include <QFileInfo>

namespace {

constexpr int SettingSize = 1024;

} // namespace

BrokerCommand::BrokerCommand(MainController &controller, QObject *parent)
    : QObject(parent), m_controller(controller)
{
    readSetup();
    connect(&controller, &MainController::onlineReadingStored, this, &BrokerCommand::readingStored);
    connect(&controller, &MainController::onlineCollectionStopped, this,
            &BrokerCommand::collectionStopped);
    connect(&controller.alarms(), &AlarmMonitor::alarmLevelChanged, &m_publisher,
            &ReadingPublisher::alarm);
    BrokerClient &client = m_publisher.client();
    client.setClock(controller.clock());
    connect(&client, &BrokerClient::note, &controller.trace(), &TraceLog::addLine);
    connect(&client, &BrokerClient::stateChanged, this, &BrokerCommand::showState);
    connect(&client, &BrokerClient::refused, this, [this] { m_refused = true; });
    showState();
}

QString BrokerCommand::passwordPath() const
{
    return QFileInfo(m_controller.settings().path()).absolutePath() +
           QStringLiteral("/tesk-mqtt-password");
}

bool BrokerCommand::hasPassword() const
{
    return QFileInfo::exists(passwordPath());
}

QString BrokerCommand::check(const Setup &setup)
{
    QString problem;
    if (setup.enabled && !BrokerAddress::parse(setup.url, &problem))
        return problem;
    if (setup.topic.contains(QChar(u'+')) || setup.topic.contains(QChar(u'#')) ||
        setup.topic.endsWith(QChar(u'/')))
        return tr("The topic \"%1\" is not usable: give a topic without + or # that does not "
                  "end in /.")
            .arg(setup.topic);
    return {};
}

QString BrokerCommand::apply(const Setup &setup, const std::optional<QString> &password)
{
    if (const QString problem = check(setup); !problem.isEmpty())
        return problem;
    const ProfileFile &settings = m_controller.settings();
    const bool written =
        settings.WriteProfileKey(QStringLiteral("MqttEnabled"),
                                 setup.enabled ? QStringLiteral("1") : QStringLiteral("0")) &&
        settings.WriteProfileKey(QStringLiteral("MqttUrl"), setup.url) &&
        settings.WriteProfileKey(QStringLiteral("MqttTopic"), setup.topic) &&
        settings.WriteProfileKey(QStringLiteral("MqttUser"), setup.user) &&
        settings.WriteProfileKey(QStringLiteral("MqttCaFile"), setup.caFile);
    if (!written)
        return tr("The settings file %1 cannot be written.").arg(settings.path());
    QString problem;
    if (password && !PasswordFile::write(passwordPath(), *password, &problem))
        return problem;
    m_setup = setup;
    m_refused = false;
    m_publisher.stop();
    showState();
    return {};
}

void BrokerCommand::readSetup()
{
    const ProfileFile &settings = m_controller.settings();
    QString enabled;
    settings.readText(QStringLiteral("MqttEnabled"), QStringLiteral("0"), SettingSize, enabled);
    m_setup.enabled = enabled.trimmed() == QStringLiteral("1");
    settings.readText(QStringLiteral("MqttUrl"), QString(), SettingSize, m_setup.url);
    settings.readText(QStringLiteral("MqttTopic"), QString(), SettingSize, m_setup.topic);
    settings.readText(QStringLiteral("MqttUser"), QString(), SettingSize, m_setup.user);
    settings.readText(QStringLiteral("MqttCaFile"), QString(), SettingSize, m_setup.caFile);
}

void BrokerCommand::readingStored(const MeasurementRecord &record, const QDateTime &taken)
{
    if (!m_setup.enabled || m_refused)
        return;
    if (!m_publisher.isStarted()) {
        QString problem;
        const std::optional<BrokerAddress> address = BrokerAddress::parse(m_setup.url, &problem);
        BrokerSettings settings;
        std::optional<QString> password = QString();
        if (hasPassword())
            password = PasswordFile::read(passwordPath(), &problem);
        if (!address || !password) {
            m_refused = true;
            m_controller.trace().addLine(problem);
            return;
        }
        settings.address = *address;
        settings.user = m_setup.user;
        settings.password = *password;
        settings.caFile = m_setup.caFile;
        m_publisher.start(settings, m_setup.topic.isEmpty()
                                        ? ReadingPublisher::defaultPrefix(record.InstNum)
                                        : m_setup.topic);
        m_publisher.alarm(m_controller.alarms().AlarmLevel);
    }
    const AlarmMonitor &alarms = m_controller.alarms();
    m_publisher.reading(record, taken, alarms.Threshold1, alarms.Threshold2);
}

void BrokerCommand::collectionStopped()
{
    m_publisher.stop();
}

void BrokerCommand::showState()
{
    ControlStates &controls = m_controller.controls();
    const BrokerClient &client = m_publisher.client();
    QString state = BrokerClient::stateText(client.state(), client.awaySince());
    if (client.state() == BrokerClient::State::Stopped)
        state = tr("on when collecting");
    controls.setText(LinkLine, tr("MQTT %1: %2").arg(m_setup.url, state));
    controls.setVisible(LinkLine, m_setup.enabled);
}
