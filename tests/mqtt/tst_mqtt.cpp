#include "BrokerAddress.h"
#include "BrokerClient.h"
#include "MeasurementRecord.h"
#include "PasswordFile.h"
#include "PublishQueue.h"
#include "ReadingMessage.h"
#include "ReadingPublisher.h"
#include "ReconnectBackoff.h"
#include "TestBroker.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <ctime>

class MqttTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // A zone with an offset, so the offset in the reading's time shows.
        qputenv("TZ", "Europe/Berlin");
        ::tzset();
    }

    void brokerAddressesAreReadOrRefused_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("host"); // empty: refused
        QTest::addColumn<int>("port");
        QTest::addColumn<bool>("tls");
        QTest::newRow("plain") << "mqtt://broker.site"
                               << "broker.site" << 1883 << false;
        QTest::newRow("tls") << "mqtts://broker.site"
                             << "broker.site" << 8883 << true;
        QTest::newRow("port") << "mqtt://127.0.0.1:18830"
                              << "127.0.0.1" << 18830 << false;
        QTest::newRow("slash") << "MQTTS://h:1/"
                               << "h" << 1 << true;
        QTest::newRow("ipv6") << "mqtt://[::1]:1884"
                              << "::1" << 1884 << false;
        QTest::newRow("no scheme") << "broker.site:1883"
                                   << "" << 0 << false;
        QTest::newRow("web") << "https://broker.site"
                             << "" << 0 << false;
        QTest::newRow("no host") << "mqtt://:1883"
                                 << "" << 0 << false;
        QTest::newRow("port 0") << "mqtt://h:0"
                                << "" << 0 << false;
        QTest::newRow("port too big") << "mqtt://h:65536"
                                      << "" << 0 << false;
        QTest::newRow("password") << "mqtt://u:secret@h"
                                  << "" << 0 << false;
        QTest::newRow("path") << "mqtt://h/topic"
                              << "" << 0 << false;
        QTest::newRow("empty") << ""
                               << "" << 0 << false;
    }

    void brokerAddressesAreReadOrRefused()
    {
        QFETCH(QString, url);
        QFETCH(QString, host);
        QFETCH(int, port);
        QFETCH(bool, tls);
        QString problem;
        const std::optional<BrokerAddress> address = BrokerAddress::parse(url, &problem);
        QCOMPARE(address.has_value(), !host.isEmpty());
        if (!address) {
            QVERIFY(problem.contains(QStringLiteral("is not usable")));
            return;
        }
        QCOMPARE(address->host, host);
        QCOMPARE(address->port, port);
        QCOMPARE(address->tls, tls);
    }

    void readingLevelIsAboveAThresholdOnlyWhenGreater_data()
    {
        QTest::addColumn<QString>("vl");
        QTest::addColumn<QString>("level");
        QTest::newRow("below") << "0.10"
                               << "ok";
        QTest::newRow("at warning") << "0.20"
                                    << "ok";
        QTest::newRow("above warning") << "0.21"
                                       << "warning";
        QTest::newRow("at alarm") << "5.00"
                                  << "warning";
        QTest::newRow("above alarm") << "5.01"
                                     << "alarm";
    }

    void readingLevelIsAboveAThresholdOnlyWhenGreater()
    {
        QFETCH(QString, vl);
        QFETCH(QString, level);
        QCOMPARE(ReadingMessage::level(vl, 0.2, 5), level);
    }

    void readingMessageCarriesTheRecordWithTheTimesOffset()
    {
        const MeasurementRecord r{
            QStringLiteral("12345678901"), QStringLiteral("2026-12-05 09:30:07"),
            QStringLiteral("3.45"),        QStringLiteral("fcpm"),
            QStringLiteral("OvrThrDose"),  QStringLiteral("HT50"),
            QStringLiteral("*"),           5};
        const QDateTime taken(QDate(2026, 12, 5), QTime(9, 30, 7), Qt::UTC);
        const QJsonObject json =
            QJsonDocument::fromJson(ReadingMessage::json(r, taken, 0.2, 5)).object();
        QCOMPARE(json.keys(), (QStringList{"detector", "instrument", "level", "marked", "status",
                                           "status_word", "time", "units", "value"}));
        QCOMPARE(json.value(QStringLiteral("time")).toString(),
                 QStringLiteral("2026-12-05T09:30:07+01:00"));
        QCOMPARE(json.value(QStringLiteral("value")).toDouble(), 3.45);
        QCOMPARE(json.value(QStringLiteral("status")).toInt(), 5);
        QCOMPARE(json.value(QStringLiteral("status_word")).toString(),
                 QStringLiteral("OvrThrDose"));
        QCOMPARE(json.value(QStringLiteral("marked")).toBool(), true);
        QCOMPARE(json.value(QStringLiteral("level")).toString(), QStringLiteral("warning"));
        QCOMPARE(json.value(QStringLiteral("units")).toString(), QStringLiteral("fcpm"));
    }

    void fullQueueDropsTheOldestReadingsAndCountsThem()
    {
        PublishQueue queue(3);
        queue.push({QStringLiteral("a/alarm"), "alarm", true, false});
        for (int n = 1; n <= 4; ++n)
            queue.push({QStringLiteral("a/reading"), QByteArray::number(n), false, true});
        QCOMPARE(queue.takeDropped(), 1);
        QCOMPARE(queue.takeDropped(), 0);
        QStringList left;
        while (!queue.isEmpty())
            left.append(QString::fromLatin1(queue.takeFirst().payload));
        QCOMPARE(left, (QStringList{QStringLiteral("alarm"), QStringLiteral("2"),
                                    QStringLiteral("3"), QStringLiteral("4")}));
    }

    void reconnectsBackOffFromOneToThirtySeconds()
    {
        ReconnectBackoff backoff;
        QList<int> delays;
        for (int i = 0; i < 7; ++i)
            delays.append(backoff.nextDelayMs());
        QCOMPARE(delays, (QList<int>{1000, 2000, 4000, 8000, 16000, 30000, 30000}));
        backoff.reset();
        QCOMPARE(backoff.nextDelayMs(), 1000);
    }

    void passwordFileIsTheOwnersAloneAndGivesItsFirstLine()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("config/broker-password"));
        QString problem;
        QVERIFY(PasswordFile::write(path, QStringLiteral("s3cret %2"), &problem));
        QCOMPARE(QFile::permissions(path) & ~(QFile::ReadUser | QFile::WriteUser),
                 QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(PasswordFile::read(path, &problem),
                 std::optional<QString>(QStringLiteral("s3cret %2")));
        QVERIFY(PasswordFile::write(path, QString(), &problem));
        QVERIFY(!QFile::exists(path));
        QVERIFY(!PasswordFile::read(path, &problem));
        QVERIFY(problem.contains(path));
    }

    void readingsWaitForTheBrokerAndTheDroppedOnesAreCounted()
    {
        TestBroker broker;
        // A subscriber's lasting session, which the broker keeps across its restart.
        QVERIFY(broker.start());
        auto subscriber = broker.subscribe(QStringLiteral("t/m1"), QStringLiteral("core"));
        broker.stop();
        subscriber.reset();
        ReadingPublisher publisher(nullptr, 5);
        BrokerSettings settings;
        settings.address = *BrokerAddress::parse(broker.url(), nullptr);
        publisher.start(settings, QStringLiteral("t/m1"));
        QTRY_COMPARE_WITH_TIMEOUT(publisher.client().state(), BrokerClient::State::Away, 10000);
        QVERIFY(BrokerClient::stateText(BrokerClient::State::Away, publisher.client().awaySince())
                    .startsWith(QStringLiteral("away since ")));
        MeasurementRecord r{QStringLiteral("M1"),
                            {},
                            {},
                            QStringLiteral("uSv/h"),
                            QStringLiteral("ok"),
                            QStringLiteral("Internal"),
                            QStringLiteral(" "),
                            0};
        for (int n = 1; n <= 8; ++n) {
            r.vl = QString::number(n) + QStringLiteral(".00");
            publisher.reading(r, QDateTime::currentDateTimeUtc(), 100, 200);
        }
        QVERIFY(broker.start());
        subscriber = broker.subscribe(QStringLiteral("t/m1"), QStringLiteral("core"));
        const QString readings = QStringLiteral("t/m1/reading");
        QVERIFY(QTest::qWaitFor([&] { return subscriber->payloadsOf(readings).size() >= 5; },
                                TestBroker::PatienceMs));
        QStringList values;
        for (const QString &payload : subscriber->payloadsOf(readings))
            values.append(QString::number(QJsonDocument::fromJson(payload.toUtf8())
                                              .object()
                                              .value(QStringLiteral("value"))
                                              .toInt()));
        QCOMPARE(values, (QStringList{"4", "5", "6", "7", "8"}));
        QVERIFY(QTest::qWaitFor(
            [&] {
                return subscriber->payloadsOf(QStringLiteral("t/m1/dropped")) == QStringList{"3"};
            },
            TestBroker::PatienceMs));
        QSignalSpy stopped(&publisher.client(), &BrokerClient::stopped);
        publisher.stop();
        QVERIFY(stopped.size() == 1 || stopped.wait(TestBroker::PatienceMs));
        QVERIFY(QTest::qWaitFor(
            [&] {
                return subscriber->payloadsOf(QStringLiteral("t/m1/state"))
                    .endsWith(QStringLiteral("offline"));
            },
            TestBroker::PatienceMs));
    }
};

QTEST_GUILESS_MAIN(MqttTest)
#include "tst_mqtt.moc"
