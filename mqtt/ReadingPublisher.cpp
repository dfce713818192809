#include "ReadingPublisher.h"

#include "MeasurementRecord.h"
#include "ReadingMessage.h"

#include <QRegularExpression>

ReadingPublisher::ReadingPublisher(QObject *parent, qsizetype queueCapacity)
    : QObject(parent), m_client(this, queueCapacity)
{
    connect(&m_client, &BrokerClient::connected, this, &ReadingPublisher::reportDropped);
}

QString ReadingPublisher::defaultPrefix(const QString &instrument)
{
    QString name = instrument.trimmed();
    name.replace(QRegularExpression(QStringLiteral("[/+#\\s]")), QStringLiteral("_"));
    return QStringLiteral("tesk/") + (name.isEmpty() ? QStringLiteral("unknown") : name);
}

void ReadingPublisher::start(BrokerSettings settings, const QString &prefix)
{
    m_prefix = prefix;
    settings.stateTopic = prefix + QStringLiteral("/state");
    m_client.start(settings);
}

void ReadingPublisher::reading(const MeasurementRecord &record, const QDateTime &taken,
                               double warningLevel, double alarmLevel)
{
    if (isStarted())
        m_client.publish(m_prefix + QStringLiteral("/reading"),
                         ReadingMessage::json(record, taken, warningLevel, alarmLevel), false,
                         true);
}

void ReadingPublisher::alarm(int alarmLevel)
{
    if (isStarted())
        m_client.publish(m_prefix + QStringLiteral("/alarm"),
                         ReadingMessage::alarmWord(alarmLevel).toUtf8(), true, false);
}

void ReadingPublisher::reportDropped(qint64 dropped)
{
    if (dropped > 0)
        m_client.publish(m_prefix + QStringLiteral("/dropped"), QByteArray::number(dropped), false,
                         false);
}
