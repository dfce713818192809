#pragma once

#include "BrokerClient.h"

#include <QDateTime>
#include <QObject>

struct MeasurementRecord;

// The topics of one meter under a prefix: PREFIX/reading for each stored
// reading, PREFIX/alarm (retained) for the alarm state, PREFIX/state
// (retained, with the last will) for online or offline, and PREFIX/dropped
// for the number of readings a full queue lost while the broker was away.
class ReadingPublisher : public QObject
{
    Q_OBJECT

public:
    explicit ReadingPublisher(QObject *parent = nullptr,
                              qsizetype queueCapacity = BrokerClient::QueueCapacity);

    // "tesk/" and the instrument number, with the characters MQTT gives a
    // meaning in topics replaced.
    static QString defaultPrefix(const QString &instrument);

    // Connects; the state topic of `settings` is set from the prefix.
    void start(BrokerSettings settings, const QString &prefix);
    // A reading already stored in the list file.
    void reading(const MeasurementRecord &record, const QDateTime &taken, double warningLevel,
                 double alarmLevel);
    void alarm(int alarmLevel);
    void stop() { m_client.stop(); }

    bool isStarted() const { return m_client.state() != BrokerClient::State::Stopped; }
    BrokerClient &client() { return m_client; }
    const QString &prefix() const { return m_prefix; }

private:
    void reportDropped(qint64 dropped);

    BrokerClient m_client;
    QString m_prefix;
};
