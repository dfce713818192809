#include "MessageReceiver.h"
#include "MessageSamples.h"

#include <QTest>

#include <QRandomGenerator>

class MessageReceiverTest : public QObject
{
    Q_OBJECT

    MessageReceiver receiver;
    QList<std::pair<QByteArray, qint16>> handed; // each message and its result

    qsizetype feed(const QByteArray &block)
    {
        return receiver.processInput(block, [this](const QByteArray &message, qint16 result) {
            handed.append({message, result});
        });
    }

private slots:
    void init()
    {
        receiver = MessageReceiver();
        handed.clear();
    }

    void wrongChecksumDropsTheRestOfTheBlock()
    {
        QByteArray bad = MessageSamples::workedExample();
        bad[24] = static_cast<char>(bad[24] + 1);
        const qsizetype taken = feed(bad + MessageSamples::workedExample());
        QCOMPARE(handed.size(), 1);
        QCOMPARE(handed[0].second, qint16(MessageReceiver::BadChecksum));
        // The trace shows the bytes that were looked at, up to the bad message's end.
        QCOMPARE(taken, 26);
        feed(MessageSamples::workedExample());
        QCOMPARE(handed.size(), 2);
        QCOMPARE(handed[1].second, qint16(MessageReceiver::Measurement));
    }

    void overflowDropsTheCollectedBytesAndStartsAfresh()
    {
        feed(QByteArray(150, 'x'));
        QCOMPARE(handed.size(), 1);
        QCOMPARE(handed[0].second, qint16(MessageReceiver::Overflow));
        QCOMPARE(handed[0].first.size(), 100);
        // Noise without terminator keeps being dropped in 100-byte pieces and
        // the receiver still frames a good message once the line is clean.
        feed(QByteArray(50, 'y'));
        QCOMPARE(handed.size(), 2);
        feed(MessageSamples::workedExample());
        QCOMPARE(handed.size(), 3);
        QCOMPARE(handed[2].second, qint16(MessageReceiver::Measurement));
    }

    // Random valid messages, concatenated and split into random blocks, are each handed on
    // exactly once, in order, as a measurement up to 30 bytes and a calibration beyond.
    // Their data holds terminators before byte 26, which must not end them.
    void messagesSplitAnywhereAreEachHandedOnOnceInOrder()
    {
        QRandomGenerator random(20261206);
        for (int round = 0; round < 200; ++round) {
            init();
            QList<QByteArray> sent;
            QByteArray stream;
            const int count = random.bounded(1, 12);
            for (int i = 0; i < count; ++i) {
                QByteArray payload(random.bounded(2) ? 23 : random.bounded(23, 60), '\0');
                for (char &byte : payload)
                    byte = static_cast<char>(random.bounded(256));
                // Only the terminator may end a message: no 4 at index 25 and beyond.
                for (qsizetype k = 24; k < payload.size(); ++k)
                    if (payload[k] == 4)
                        payload[k] = 5;
                QByteArray message = MessageFrame::build(1, payload);
                if (message[message.size() - 2] == 4 && message.size() > 26) {
                    payload[payload.size() - 1] = static_cast<char>(payload.back() == 6 ? 7 : 6);
                    message = MessageFrame::build(1, payload);
                }
                sent.append(message);
                stream += message;
            }
            for (qsizetype at = 0; at < stream.size();) {
                const qsizetype size =
                    std::min<qsizetype>(random.bounded(1, 40), stream.size() - at);
                feed(stream.mid(at, size));
                at += size;
            }
            QCOMPARE(handed.size(), sent.size());
            for (qsizetype i = 0; i < sent.size(); ++i) {
                QCOMPARE(handed[i].first, sent[i]);
                QCOMPARE(handed[i].second,
                         qint16(sent[i].size() <= 30 ? MessageReceiver::Measurement
                                                     : MessageReceiver::Calibration));
            }
        }
    }
};

QTEST_GUILESS_MAIN(MessageReceiverTest)
#include "tst_message_receiver.moc"
