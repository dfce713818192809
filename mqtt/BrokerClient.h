#pragma once

#include "BrokerAddress.h"
#include "PublishQueue.h"
#include "ReconnectBackoff.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <deque>

class Clock;
struct mosquitto;
class QSocketNotifier;

struct BrokerSettings
{
    BrokerAddress address;
    QString user;       // empty: none
    QString password;   // only with a user
    QString caFile;     // mqtts: the CA that signed the broker's certificate; empty: the system's
    QString stateTopic; // "online" on connecting, "offline" on a clean end and as the last will
};

// One connection to an MQTT broker through libmosquitto, run on the event
// loop: the library's socket is watched by socket notifiers and its read,
// write and housekeeping steps are called from there, so no thread is started.
//
// Messages are published with QoS 1 in the order they were handed over. While
// the broker is away they wait in a bounded queue; messages that went out but
// were not acknowledged before a connection was lost go out again first. Each
// attempt uses a fresh library client, so the library never resends on its own
// and the order stays ours.
class BrokerClient : public QObject
{
    Q_OBJECT

public:
    enum class State { Stopped, Connecting, Connected, Away, Refused };

    static constexpr qsizetype QueueCapacity = 100000;
    static constexpr int MaxInFlight = 64;
    static constexpr int KeepAliveSeconds = 30;
    static constexpr int StopPatienceMs = 5000;

    explicit BrokerClient(QObject *parent = nullptr, qsizetype queueCapacity = QueueCapacity);
    ~BrokerClient() override;

    // Connects, and again after each loss, until stop(). Refused credentials
    // or a certificate that does not verify end the attempts (refused()).
    void start(const BrokerSettings &settings);
    void publish(const QString &topic, const QByteArray &payload, bool retain, bool droppable);
    // A clean end: what waits goes out (for StopPatienceMs at most), then
    // "offline" on the state topic and the disconnect. stopped() follows, at
    // once when the broker is not connected.
    void stop();

    // The clock of awaySince(); the computer's by default.
    void setClock(const Clock &clock) { m_clock = &clock; }

    State state() const { return m_state; }
    // The first moment of the current absence (wall-clock time).
    QDateTime awaySince() const { return m_awaySince; }
    const BrokerSettings &settings() const { return m_settings; }
    // Messages not yet acknowledged by the broker.
    qsizetype waiting() const;

    // "connected", "connecting", "away since hh:mm" or "refused" for the link line.
    static QString stateText(State state, const QDateTime &awaySince);

signals:
    void stateChanged(BrokerClient::State state);
    // Connected; `dropped` readings were lost to a full queue meanwhile.
    void connected(qint64 dropped);
    // The broker will not take this client as set up: retrying would not help.
    void refused(const QString &reason);
    // A line on the broker's state for the user.
    void note(const QString &line);
    void stopped();

private:
    struct Sent
    {
        int mid = 0;
        PublishQueue::Message message;
    };

    static void onConnect(mosquitto *, void *self, int rc);
    static void onPublish(mosquitto *, void *self, int mid);
    static void onLog(mosquitto *, void *self, int level, const char *text);

    void connectNow();
    void watchSocket();
    void readReady();
    void writeReady();
    void housekeeping();
    void afterLoop(int rc);
    void failed(int rc);
    void connectionLost(const QString &reason);
    void connackReceived(int rc);
    void acknowledged(int mid);
    void pump();
    void sendOffline();
    void finishStop();
    void destroyConnection();
    void setState(State state);
    QString describe(int rc) const;

    BrokerSettings m_settings;
    const Clock *m_clock;
    mosquitto *m_mosq = nullptr;
    QPointer<QSocketNotifier> m_reader;
    QPointer<QSocketNotifier> m_writer;
    QTimer m_housekeeping;
    QTimer m_retry;
    QTimer m_stopDeadline;
    ReconnectBackoff m_backoff;
    qsizetype m_queueCapacity;
    PublishQueue m_queue;
    std::deque<Sent> m_inFlight;
    State m_state = State::Stopped;
    QDateTime m_awaySince;
    QString m_refusal;    // set when the broker or TLS refused the client
    QString m_tlsProblem; // the library's last TLS error text
    bool m_stopping = false;
    int m_offlineMid = -1;
    bool m_offlineAcknowledged = false;
};
