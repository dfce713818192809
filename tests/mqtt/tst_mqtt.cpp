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
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("host"); // empty: refused
        QTest::addColumn<bool>("tls");
        QTest::newRow("plain") << "mqtt://broker.site" << 1883 << "broker.site" << false;
        QTest::newRow("tls") << "mqtts://broker.site" << 8883 << "broker.site" << true;
        QTest::newRow("port") << "mqtt://127.0.0.1:18830" << 18830 << "127.0.0.1" << false;
        QTest::newRow("slash") << "MQTTS://h:1/" << 1 << "h" << true;
        QTest::newRow("ipv6") << "mqtt://[::1]:1884" << 1884 << "::1" << false;
        QTest::newRow("no scheme") << "broker.site:1883" << 0 << "" << false;
        QTest::newRow("web") << "https://broker.site" << 0 << "" << false;
        QTest::newRow("no host") << "mqtt://:1883" << 0 << "" << false;
        QTest::newRow("port 0") << "mqtt://h:0" << 0 << "" << false;
        QTest::newRow("port too big") << "mqtt://h:65536" << 0 << "" << false;
        QTest::newRow("password") << "mqtt://u:secret@h" << 0 << "" << false;
        QTest::newRow("path") << "mqtt://h/topic" << 0 << "" << false;
        QTest::newRow("empty") << "" << 0 << "" << false;
    }

    void brokerAddressesAreReadOrRefused()
    {
        QFETCH(QString, url);
        QFETCH(int, port);
        QFETCH(QString, host);
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

    void readingLevelIsAboveAThresholdOnlyWhenGreater()
    {
        const QStringList values{"0.10", "0.20", "0.21", "5.00", "5.01"};
        QStringList levels;
        for (const QString &vl : values)
            levels.append(ReadingMessage::level(vl, 0.2, 5));
        QCOMPARE(levels, (QStringList{"ok", "ok", "warning", "warning", "alarm"}));
    }

    void readingMessageCarriesTheRecordWithTheTimesOffset()
    {
        const MeasurementRecord r{
            "12345678901", "2026-12-05 09:30:07", "3.45", "fcpm", "OvrThrDose", "HT50", "*", 5};
        const QDateTime taken(QDate(2026, 12, 5), QTime(9, 30, 7), Qt::UTC);
        QCOMPARE(QJsonDocument::fromJson(ReadingMessage::json(r, taken, 0.2, 5)).object(),
                 QJsonDocument::fromJson(R"({"instrument": "12345678901", "units": "fcpm",
                     "time": "2026-12-05T09:30:07+01:00", "value": 3.45, "status": 5,
                     "status_word": "OvrThrDose", "detector": "HT50", "marked": true,
                     "level": "warning"})")
                     .object());
    }

    void fullQueueDropsTheOldestReadingsAndCountsThem()
    {
        PublishQueue queue(3);
        queue.push({"a/alarm", "alarm", true, false});
        for (int n = 1; n <= 4; ++n)
            queue.push({"a/reading", QByteArray::number(n), false, true});
        QCOMPARE(queue.takeDropped(), 1);
        QCOMPARE(queue.takeDropped(), 0);
        QStringList left;
        while (!queue.isEmpty())
            left.append(QString::fromLatin1(queue.takeFirst().payload));
        QCOMPARE(left, (QStringList{"alarm", "2", "3", "4"}));
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

    void passwordFileGivesItsFirstLineAndGoesWhenEmptied()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("config/broker-password");
        QString problem;
        QVERIFY(PasswordFile::write(path, "s3cret %2", &problem));
        QCOMPARE(PasswordFile::read(path, &problem), std::optional<QString>("s3cret %2"));
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
        auto subscriber = broker.subscribe("t/m1", "core");
        broker.stop();
        subscriber.reset();
        ReadingPublisher publisher(nullptr, 5);
        publisher.start({*BrokerAddress::parse(broker.url(), nullptr), {}, {}, {}, {}}, "t/m1");
        QTRY_COMPARE_WITH_TIMEOUT(publisher.client().state(), BrokerClient::State::Away, 10000);
        MeasurementRecord r{"M1", {}, {}, "uSv/h", "ok", "Internal", " ", 0};
        for (int n = 1; n <= 8; ++n) {
            r.vl = QString::number(n);
            publisher.reading(r, QDateTime::currentDateTimeUtc(), 100, 200);
        }
        QVERIFY(broker.start());
        subscriber = broker.subscribe("t/m1", "core");
        QTRY_COMPARE_WITH_TIMEOUT(subscriber->valuesOf("t/m1/reading"),
                                  (QStringList{"4.00", "5.00", "6.00", "7.00", "8.00"}),
                                  TestBroker::PatienceMs);
        QTRY_COMPARE_WITH_TIMEOUT(subscriber->payloadsOf("t/m1/dropped"), QStringList{"3"},
                                  TestBroker::PatienceMs);
        publisher.stop();
        QTRY_VERIFY_WITH_TIMEOUT(subscriber->payloadsOf("t/m1/state").endsWith("offline"),
                                 TestBroker::PatienceMs);
    }
};

QTEST_GUILESS_MAIN(MqttTest)
#include "tst_mqtt.moc"
