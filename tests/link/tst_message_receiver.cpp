#include "MessageReceiver.h"
#include "MessageSamples.h"

#include <QTest>

#include <QRandomGenerator>
#include <stdexcept>

namespace {

struct Handed
{
    QByteArray message;
    qint16 result;
};

} // namespace

class MessageReceiverTest : public QObject
{
    Q_OBJECT

    MessageReceiver receiver;
    QList<Handed> handed;

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

    void messageInPiecesIsHandedOnOnceAfterTheLastPiece()
    {
        const QByteArray message = MessageSamples::workedExample();
        feed(message.left(5));
        feed(message.mid(5, 15));
        QVERIFY(handed.isEmpty());
        QCOMPARE(receiver.MesPoint, qint16(20));
        feed(message.mid(20));
        QCOMPARE(handed.size(), 1);
        QCOMPARE(handed[0].message, message);
        QCOMPARE(handed[0].result, qint16(MessageReceiver::Measurement));
        QCOMPARE(receiver.MesPoint, qint16(0));
    }

    void twoMessagesInOneBlockAreBothHandedOnInOrder()
    {
        const QByteArray first = MessageSamples::measurement(0x30, 0x39);
        const QByteArray second = MessageSamples::measurement(0xC8, 0x22);
        feed(first + second);
        QCOMPARE(handed.size(), 2);
        QCOMPARE(handed[0].message, first);
        QCOMPARE(handed[1].message, second);
    }

    void wrongChecksumDropsTheRestOfTheBlock()
    {
        QByteArray bad = MessageSamples::workedExample();
        bad[24] = static_cast<char>(bad[24] + 1);
        const qsizetype taken = feed(bad + MessageSamples::workedExample());
        QCOMPARE(handed.size(), 1);
        QCOMPARE(handed[0].result, qint16(MessageReceiver::BadChecksum));
        QCOMPARE(receiver.MesPoint, qint16(0));
        // The trace shows the bytes that were looked at, up to the bad message's end.
        QCOMPARE(taken, 26);
        feed(MessageSamples::workedExample());
        QCOMPARE(handed.size(), 2);
        QCOMPARE(handed[1].result, qint16(MessageReceiver::Measurement));
    }

    void aFourBeforeByte26IsData()
    {
        QByteArray payload = QByteArrayLiteral("123456789\x04"
                                               "1");
        payload += QByteArray("\x00\x0c\x05\x14\x1a\x09\x1e\x30\x39\x01\x05\x00", 12);
        const QByteArray message = MessageFrame::build(1, payload);
        QCOMPARE(message[10], '\x04');
        feed(message);
        QCOMPARE(handed.size(), 1);
        QCOMPARE(handed[0].result, qint16(MessageReceiver::Measurement));
    }

    void lengthDecidesTheKind()
    {
        feed(MessageSamples::calibration("M1", "1250", "Calibrator", "01022027"));
        QCOMPARE(handed.size(), 1);
        QCOMPARE(handed[0].message.size(), 35);
        QCOMPARE(handed[0].result, qint16(MessageReceiver::Calibration));
        // 30 bytes is still a measurement.
        feed(MessageFrame::build(1, QByteArray(27, 'A')));
        QCOMPARE(handed[1].result, qint16(MessageReceiver::Measurement));
        feed(MessageFrame::build(1, QByteArray(28, 'A')));
        QCOMPARE(handed[2].result, qint16(MessageReceiver::Calibration));
    }

    void overflowDropsTheCollectedBytesAndStartsAfresh()
    {
        feed(QByteArray(150, 'x'));
        QCOMPARE(handed.size(), 1);
        QCOMPARE(handed[0].result, qint16(MessageReceiver::Overflow));
        QCOMPARE(handed[0].message.size(), 100);
        QCOMPARE(receiver.MesPoint, qint16(50));
        // Noise without terminator keeps being dropped in 100-byte pieces and
        // the receiver still frames a good message once the line is clean.
        feed(QByteArray(50, 'y'));
        QCOMPARE(handed.size(), 2);
        feed(MessageSamples::workedExample());
        QCOMPARE(handed.size(), 3);
        QCOMPARE(handed[2].result, qint16(MessageReceiver::Measurement));
    }

    void failureWhileHandlingGoesOnWithTheNextByte()
    {
        QList<UnexpectedFailure> failures;
        int calls = 0;
        const QByteArray twice = MessageSamples::workedExample() + MessageSamples::workedExample();
        receiver.processInput(
            twice,
            [&calls](const QByteArray &, qint16) {
                if (++calls == 1)
                    throw std::runtime_error("display failed");
            },
            [&failures](const UnexpectedFailure &failure) { failures.append(failure); });
        QCOMPARE(calls, 2);
        QCOMPARE(failures.size(), 1);
        QCOMPARE(failures[0].index, 25);
        QCOMPARE(failures[0].title, QStringLiteral("TESK : On Comm"));
        QCOMPARE(failures[0].text(),
                 QStringLiteral("Error #5\ndisplay failed\nAfter Line : 0i =  25"));
    }

    // Random valid messages, concatenated and cut into random blocks, are each
    // handed on exactly once, in order.
    void randomBlocksHandOnEveryMessageOnceInOrder()
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
                QCOMPARE(handed[i].message, sent[i]);
                QVERIFY(handed[i].result == MessageReceiver::Measurement ||
                        handed[i].result == MessageReceiver::Calibration);
            }
        }
    }
};

QTEST_GUILESS_MAIN(MessageReceiverTest)
#include "tst_message_receiver.moc"
