#include "BrokerClient.h"

#include "Clock.h"

#include <QFileInfo>
#include <QSocketNotifier>

#include <mosquitto.h>

#include <cerrno>
#include <cstring>

namespace {

void initialiseLibrary()
{
    static const bool initialised = [] {
        mosquitto_lib_init();
        return true;
    }();
    Q_UNUSED(initialised);
}

const SystemClock systemClock;
const QByteArray Online = QByteArrayLiteral("online");
const QByteArray Offline = QByteArrayLiteral("offline");

} // namespace

BrokerClient::BrokerClient(QObject *parent, qsizetype queueCapacity)
    : QObject(parent), m_clock(&systemClock), m_queueCapacity(queueCapacity), m_queue(queueCapacity)
{
    initialiseLibrary();
    m_housekeeping.setInterval(1000);
    m_retry.setSingleShot(true);
    m_stopDeadline.setSingleShot(true);
    connect(&m_housekeeping, &QTimer::timeout, this, &BrokerClient::housekeeping);
    connect(&m_retry, &QTimer::timeout, this, &BrokerClient::connectNow);
    connect(&m_stopDeadline, &QTimer::timeout, this, &BrokerClient::finishStop);
}

BrokerClient::~BrokerClient()
{
    // Without a clean end the broker publishes the last will.
    destroyConnection();
}

void BrokerClient::start(const BrokerSettings &settings)
{
    m_settings = settings;
    m_stopping = false;
    m_refusal.clear();
    m_backoff.reset();
    m_awaySince = {};
    connectNow();
}

void BrokerClient::publish(const QString &topic, const QByteArray &payload, bool retain,
                           bool droppable)
{
    m_queue.push({topic, payload, retain, droppable});
    if (m_state == State::Connected) {
        pump();
        if (m_writer)
            m_writer->setEnabled(m_mosq != nullptr && mosquitto_want_write(m_mosq));
    }
}

qsizetype BrokerClient::waiting() const
{
    return m_queue.size() + static_cast<qsizetype>(m_inFlight.size());
}

void BrokerClient::stop()
{
    if (m_stopping || m_state == State::Stopped)
        return;
    m_stopping = true;
    m_retry.stop();
    if (m_state != State::Connected) {
        finishStop();
        return;
    }
    m_stopDeadline.start(StopPatienceMs);
    pump();
    afterLoop(MOSQ_ERR_SUCCESS);
}

QString BrokerClient::stateText(State state, const QDateTime &awaySince)
{
    switch (state) {
    case State::Connected:
        return tr("connected");
    case State::Connecting:
        return tr("connecting");
    case State::Away:
        return tr("away since %1").arg(awaySince.toString(QStringLiteral("HH:mm")));
    case State::Refused:
        return tr("refused");
    case State::Stopped:
        break;
    }
    return tr("off");
}

void BrokerClient::connectNow()
{
    destroyConnection();
    m_tlsProblem.clear();
    const BrokerAddress &address = m_settings.address;
    m_mosq = mosquitto_new(nullptr, true, this);
    if (m_mosq == nullptr) {
        connectionLost(tr("the MQTT library could not make a client."));
        return;
    }
    mosquitto_int_option(m_mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_int_option(m_mosq, MOSQ_OPT_SEND_MAXIMUM, MaxInFlight);
    // Each reading goes out at once rather than wait for the previous one's acknowledgement.
    mosquitto_int_option(m_mosq, MOSQ_OPT_TCP_NODELAY, 1);
    mosquitto_connect_callback_set(m_mosq, &BrokerClient::onConnect);
    mosquitto_publish_callback_set(m_mosq, &BrokerClient::onPublish);
    mosquitto_log_callback_set(m_mosq, &BrokerClient::onLog);
    if (!m_settings.user.isEmpty()) {
        const QByteArray user = m_settings.user.toUtf8();
        const QByteArray password = m_settings.password.toUtf8();
        mosquitto_username_pw_set(m_mosq, user.constData(),
                                  m_settings.password.isEmpty() ? nullptr : password.constData());
    }
    if (address.tls) {
        int rc = MOSQ_ERR_SUCCESS;
        if (m_settings.caFile.isEmpty()) {
            rc = mosquitto_int_option(m_mosq, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
        } else if (!QFileInfo(m_settings.caFile).isReadable()) {
            m_refusal = tr("the CA file %1 cannot be read.").arg(m_settings.caFile);
            connectionLost(m_refusal);
            return;
        } else {
            rc = mosquitto_tls_set(m_mosq, QFile::encodeName(m_settings.caFile).constData(),
                                   nullptr, nullptr, nullptr, nullptr);
        }
        if (rc != MOSQ_ERR_SUCCESS) {
            m_refusal = tr("TLS cannot be set up: %1").arg(describe(rc));
            connectionLost(m_refusal);
            return;
        }
    }
    if (!m_settings.stateTopic.isEmpty()) {
        const QByteArray topic = m_settings.stateTopic.toUtf8();
        mosquitto_will_set(m_mosq, topic.constData(), static_cast<int>(Offline.size()),
                           Offline.constData(), 1, true);
    }
    setState(State::Connecting);
    const QByteArray host = address.host.toUtf8();
    const int rc =
        mosquitto_connect_async(m_mosq, host.constData(), address.port, KeepAliveSeconds);
    if (rc != MOSQ_ERR_SUCCESS) {
        failed(rc);
        return;
    }
    watchSocket();
}

void BrokerClient::watchSocket()
{
    const int fd = mosquitto_socket(m_mosq);
    if (fd < 0) {
        connectionLost(tr("no connection could be opened."));
        return;
    }
    m_reader = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    m_writer = new QSocketNotifier(fd, QSocketNotifier::Write, this);
    connect(m_reader, &QSocketNotifier::activated, this, &BrokerClient::readReady);
    connect(m_writer, &QSocketNotifier::activated, this, &BrokerClient::writeReady);
    m_writer->setEnabled(mosquitto_want_write(m_mosq));
    m_housekeeping.start();
}

void BrokerClient::readReady()
{
    if (m_mosq != nullptr)
        afterLoop(mosquitto_loop_read(m_mosq, MaxInFlight));
}

void BrokerClient::writeReady()
{
    if (m_mosq != nullptr)
        afterLoop(mosquitto_loop_write(m_mosq, 1));
}

void BrokerClient::housekeeping()
{
    if (m_mosq != nullptr)
        afterLoop(mosquitto_loop_misc(m_mosq));
}

// Called outside the library's callbacks: the only place where the client may
// be destroyed and where the writes queued by callbacks are started.
void BrokerClient::afterLoop(int rc)
{
    if (m_mosq == nullptr)
        return;
    if (rc != MOSQ_ERR_SUCCESS || mosquitto_socket(m_mosq) < 0) {
        failed(rc == MOSQ_ERR_SUCCESS ? MOSQ_ERR_CONN_LOST : rc);
        return;
    }
    if (m_offlineAcknowledged) {
        // Outside a callback the library writes the disconnect at once.
        mosquitto_disconnect(m_mosq);
        finishStop();
        return;
    }
    if (mosquitto_want_write(m_mosq) && m_state == State::Connected) {
        // Callbacks only queue their packets; write what fits now.
        const int written = mosquitto_loop_write(m_mosq, 1);
        if (written != MOSQ_ERR_SUCCESS) {
            failed(written);
            return;
        }
    }
    if (m_writer)
        m_writer->setEnabled(mosquitto_want_write(m_mosq));
}

void BrokerClient::failed(int rc)
{
    // A certificate that does not verify will not verify on the next attempt.
    if (rc == MOSQ_ERR_TLS && m_tlsProblem.contains(QStringLiteral("certificate")))
        m_refusal = tr("the broker's certificate does not verify (%1).").arg(m_tlsProblem);
    connectionLost(describe(rc));
}

void BrokerClient::connectionLost(const QString &reason)
{
    const bool wasConnected = m_state == State::Connected;
    destroyConnection();
    // Unacknowledged messages go out again, first.
    std::deque<PublishQueue::Message> unacknowledged;
    for (Sent &sent : m_inFlight)
        unacknowledged.push_back(std::move(sent.message));
    m_inFlight.clear();
    m_queue.putBack(std::move(unacknowledged));
    if (m_stopping) {
        finishStop();
        return;
    }
    const QString where = m_settings.address.hostAndPort();
    if (!m_refusal.isEmpty()) {
        setState(State::Refused);
        emit note(tr("The broker at %1 refused the connection: %2").arg(where, m_refusal));
        emit refused(m_refusal);
        return;
    }
    if (wasConnected || !m_awaySince.isValid())
        m_awaySince = m_clock->now();
    const int delay = m_backoff.nextDelayMs();
    setState(State::Away);
    emit note(tr("The broker at %1 is away (%2); trying again in %3 s.")
                  .arg(where, reason, QString::number(delay / 1000)));
    m_retry.start(delay);
}

void BrokerClient::onConnect(mosquitto *, void *self, int rc)
{
    static_cast<BrokerClient *>(self)->connackReceived(rc);
}

void BrokerClient::onPublish(mosquitto *, void *self, int mid)
{
    static_cast<BrokerClient *>(self)->acknowledged(mid);
}

void BrokerClient::onLog(mosquitto *, void *self, int level, const char *text)
{
    auto *client = static_cast<BrokerClient *>(self);
    if (level == MOSQ_LOG_ERR && client->m_tlsProblem.isEmpty() &&
        std::strncmp(text, "OpenSSL Error", 13) == 0) {
        // "OpenSSL Error[0]: error:0A000086:SSL routines::certificate verify failed"
        const char *reason = std::strrchr(text, ':');
        client->m_tlsProblem = QString::fromUtf8(reason != nullptr ? reason + 1 : text);
    }
}

void BrokerClient::connackReceived(int rc)
{
    if (rc != 0) {
        // Unacceptable protocol, identifier, credentials or authorisation: the
        // same settings will be refused again. A broker that is unavailable may recover.
        if (rc != 3)
            m_refusal = QString::fromUtf8(mosquitto_connack_string(rc));
        return;
    }
    m_backoff.reset();
    m_awaySince = {};
    setState(State::Connected);
    emit note(tr("Connected to the broker at %1.").arg(m_settings.address.hostAndPort()));
    if (!m_settings.stateTopic.isEmpty()) {
        const QByteArray topic = m_settings.stateTopic.toUtf8();
        mosquitto_publish(m_mosq, nullptr, topic.constData(), static_cast<int>(Online.size()),
                          Online.constData(), 1, true);
    }
    emit connected(m_queue.takeDropped());
    pump();
}

void BrokerClient::acknowledged(int mid)
{
    if (mid == m_offlineMid) {
        m_offlineAcknowledged = true;
        return;
    }
    for (auto sent = m_inFlight.begin(); sent != m_inFlight.end(); ++sent) {
        if (sent->mid == mid) {
            m_inFlight.erase(sent);
            break;
        }
    }
    pump();
}

void BrokerClient::pump()
{
    if (m_state != State::Connected || m_mosq == nullptr)
        return;
    while (!m_queue.isEmpty() && static_cast<int>(m_inFlight.size()) < MaxInFlight) {
        PublishQueue::Message message = m_queue.takeFirst();
        const QByteArray topic = message.topic.toUtf8();
        int mid = 0;
        const int rc = mosquitto_publish(m_mosq, &mid, topic.constData(),
                                         static_cast<int>(message.payload.size()),
                                         message.payload.constData(), 1, message.retain);
        if (rc != MOSQ_ERR_SUCCESS) {
            // The loss of the connection is seen by the next loop step.
            std::deque<PublishQueue::Message> back;
            back.push_back(std::move(message));
            m_queue.putBack(std::move(back));
            break;
        }
        m_inFlight.push_back({mid, std::move(message)});
    }
    if (m_stopping && m_queue.isEmpty() && m_inFlight.empty() && m_offlineMid < 0)
        sendOffline();
}

void BrokerClient::sendOffline()
{
    if (m_settings.stateTopic.isEmpty()) {
        m_offlineAcknowledged = true;
        return;
    }
    const QByteArray topic = m_settings.stateTopic.toUtf8();
    if (mosquitto_publish(m_mosq, &m_offlineMid, topic.constData(),
                          static_cast<int>(Offline.size()), Offline.constData(), 1,
                          true) != MOSQ_ERR_SUCCESS)
        m_offlineMid = -1;
}

void BrokerClient::finishStop()
{
    m_stopDeadline.stop();
    m_retry.stop();
    destroyConnection();
    const qsizetype left = waiting();
    m_inFlight.clear();
    m_queue = PublishQueue(m_queueCapacity);
    m_offlineMid = -1;
    m_offlineAcknowledged = false;
    m_stopping = false;
    setState(State::Stopped);
    if (left > 0)
        emit note(tr("%1 messages were not published to the broker.").arg(left));
    emit stopped();
}

void BrokerClient::destroyConnection()
{
    m_housekeeping.stop();
    // The notifiers may be the sender of the call under way.
    for (QSocketNotifier *notifier : {m_reader.data(), m_writer.data()}) {
        if (notifier != nullptr) {
            notifier->setEnabled(false);
            notifier->deleteLater();
        }
    }
    m_reader.clear();
    m_writer.clear();
    if (m_mosq != nullptr) {
        mosquitto_destroy(m_mosq);
        m_mosq = nullptr;
    }
}

void BrokerClient::setState(State state)
{
    if (state == m_state)
        return;
    m_state = state;
    emit stateChanged(state);
}

QString BrokerClient::describe(int rc) const
{
    if (rc == MOSQ_ERR_ERRNO)
        return QString::fromLocal8Bit(std::strerror(errno));
    if (rc == MOSQ_ERR_TLS && !m_tlsProblem.isEmpty())
        return tr("TLS failed: %1").arg(m_tlsProblem);
    if (rc == MOSQ_ERR_CONN_REFUSED && !m_refusal.isEmpty())
        return m_refusal;
    return QString::fromUtf8(mosquitto_strerror(rc));
}
