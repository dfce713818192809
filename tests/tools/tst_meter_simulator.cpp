#include "CommandFrame.h"
#include "MeasurementDecoder.h"
#include "MessageFrame.h"
#include "MeterServer.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int Patience = 10000; // ms; generous for a loaded machine

bool checksumHolds(const QByteArray &message)
{
    const QByteArrayView payload(message.constData() + 1, message.size() - 3);
    return static_cast<quint8>(message[message.size() - 2]) == MessageFrame::checksumOf(payload);
}

bool isValidReading(const QByteArray &message)
{
    return message.size() == MeterSimulator::MeasurementLength &&
           message.back() == MessageFrame::Terminator && checksumHolds(message);
}

// What the simulator writes in answer to one command, one entry per write.
QList<QByteArray> answer(MeterSimulator &meter, quint8 code)
{
    QSignalSpy writes(&meter, &MeterSimulator::writeRequested);
    meter.processInput(CommandFrame::plain(code));
    QList<QByteArray> written;
    for (const QList<QVariant> &write : writes)
        written.append(write[0].toByteArray());
    return written;
}

// The program's end of the line: a serial port at 9600 8N1 that keeps what it reads
// and, like the program must, closes itself when the line fails.
class ProgramPort : public QObject
{
public:
    explicit ProgramPort(const QString &path) : port(path)
    {
        port.setBaudRate(QSerialPort::Baud9600);
        connect(&port, &QSerialPort::readyRead, this, [this] { received += port.readAll(); });
        connect(&port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
            if (e == QSerialPort::ReadError || e == QSerialPort::ResourceError)
                port.close();
        });
    }
    bool open() { return port.open(QIODevice::ReadWrite); }
    // Sends a command and waits for one whole message in answer.
    QByteArray ask(quint8 code)
    {
        received.clear();
        port.write(CommandFrame::plain(code));
        const bool whole = QTest::qWaitFor([this] { return received.size() >= 26; }, Patience);
        return whole ? received : QByteArray();
    }

    QSerialPort port;
    QByteArray received;
};

} // namespace

class MeterSimulatorTest : public QObject
{
    Q_OBJECT

private slots:
    void valueCodesKeepThreeSignificantDigitsAndClampWhatTheMeterCannotShow()
    {
        for (double v = 1.7e-6; v < 900e9; v *= 1.37) {
            const quint16 code = MeterSimulator::valueCode(v);
            // The program reads five digits only from codes of 10000 up.
            QVERIFY2(code >= 10000 && qAbs(MeasurementDecoder::value(code) - v) <= v * 0.005,
                     qPrintable(QString::number(v)));
        }
        QCOMPARE(MeasurementDecoder::value(MeterSimulator::valueCode(999.7)), 1000.0);
        QCOMPARE(MeasurementDecoder::value(MeterSimulator::valueCode(5e15)), 999e9);
        for (const double nothing : {0.0, -2.0, 1e-12, qQNaN()})
            QCOMPARE(MeasurementDecoder::value(MeterSimulator::valueCode(nothing)), 0.0);
    }

    // Noise follows every message as a bad message of its own: 26 bytes, ending in its
    // only terminator, with a checksum that fails.
    void noiseIsABadMessageOfItsOwnAfterEveryMessage()
    {
        MeterOptions noisy;
        noisy.noise = 3;
        MeterSimulator meter(noisy);
        for (int i = 0; i < 200; ++i) {
            const QList<QByteArray> written = answer(meter, CommandFrame::Test);
            QCOMPARE(written.size(), 2);
            QVERIFY(checksumHolds(written[0]));
            QCOMPARE(written[1].size(), 26);
            QCOMPARE(written[1].indexOf(MessageFrame::Terminator), 25);
            QVERIFY(!checksumHolds(written[1]));
        }
    }

    void calibrationChecksumIsNeverTheTerminator()
    {
        // The program ends a message at the first 4 from index 25 on, so the checksum
        // (index 34) must never be one, whatever the fields.
        MeterOptions options;
        for (int byte = 0; byte < 256; ++byte) {
            options.calibratedBy = QString(QChar(byte));
            const QByteArray message = MeterSimulator::calibrationMessage(options);
            QVERIFY(checksumHolds(message));
            QCOMPARE(message.indexOf(MessageFrame::Terminator, 25), message.size() - 1);
        }
    }

    void theSimulatorProcessAnswersATestAndADownload()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("meter"));
        QProcess meter;
        meter.start(QStringLiteral(TESK_METER_SIM_PATH),
                    {QStringLiteral("--link"), link, QStringLiteral("--records"),
                     QStringLiteral("3"), QStringLiteral("--split"), QStringLiteral("3"),
                     QStringLiteral("--pace"), QStringLiteral("--end-with-input")});
        // The meter announces its device and link once the line is open.
        QTRY_VERIFY_WITH_TIMEOUT(meter.canReadLine(), Patience);
        QCOMPARE(QString::fromLocal8Bit(meter.readLine()).trimmed().section(u' ', 1), link);

        ProgramPort program(link);
        QVERIFY2(program.open(), qPrintable(program.port.errorString()));
        QElapsedTimer clock;
        clock.start();
        const QByteArray reply = program.ask(CommandFrame::Test);
        QVERIFY2(isValidReading(reply), reply.toHex(' ').constData());
        // Split replies take their line time: 36 bytes at about 1.04 ms each and two gaps
        // between the pieces, less a little for the rounding of timers.
        const qint64 least =
            36 * MeterServer::ByteTimeNs / 1000000 + 2 * MeterServer::SplitGapMs - 5;
        QVERIFY2(clock.elapsed() >= least, qPrintable(QString::number(clock.elapsed())));

        // A download: 4, then 5 after each reading until the end-of-data mark.
        QList<QByteArray> messages{program.ask(CommandFrame::GetStoredData)};
        while (messages.back().mid(1, 1) != "*" && messages.size() <= 10)
            messages.append(program.ask(CommandFrame::NextRecord));
        QCOMPARE(messages.size(), 3 + 1);
        for (const QByteArray &message : messages)
            QVERIFY2(isValidReading(message), message.toHex(' ').constData());

        // Its starter ended: the meter ends too.
        meter.closeWriteChannel();
        QVERIFY(meter.waitForFinished(Patience));
        QCOMPARE(meter.exitCode(), 0);
        QVERIFY2(!QFileInfo(link).isSymLink(), "the link goes with the meter");
    }
};

QTEST_GUILESS_MAIN(MeterSimulatorTest)
#include "tst_meter_simulator.moc"
