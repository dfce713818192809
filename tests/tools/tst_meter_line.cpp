#include "CommandFrame.h"
#include "MessageFrame.h"
#include "MeterServer.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int Patience = 10000; // ms; generous for a loaded machine

bool isValidReading(const QByteArray &message)
{
    if (message.size() != MeterSimulator::MeasurementLength ||
        message.back() != MessageFrame::Terminator)
        return false;
    const QByteArrayView payload(message.constData() + 1, message.size() - 3);
    return static_cast<quint8>(message[message.size() - 2]) == MessageFrame::checksumOf(payload);
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

class MeterLineTest : public QObject
{
    Q_OBJECT

private slots:
    void theSimulatorProcessAnswersATestAndADownload()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("meter"));
        QProcess meter;
        meter.start(QStringLiteral(TESK_METER_SIM_PATH),
                    {QStringLiteral("--link"), link, QStringLiteral("--records"),
                     QStringLiteral("3"), QStringLiteral("--end-with-input")});
        QVERIFY(meter.waitForStarted(Patience));
        // The meter announces its device and link once the line is open.
        QTRY_VERIFY_WITH_TIMEOUT(meter.canReadLine(), Patience);
        QCOMPARE(QString::fromLocal8Bit(meter.readLine()).trimmed().section(u' ', 1), link);

        ProgramPort program(link);
        QVERIFY2(program.open(), qPrintable(program.port.errorString()));
        const QByteArray reply = program.ask(CommandFrame::Test);
        QVERIFY2(isValidReading(reply), reply.toHex(' ').constData());
        QVERIFY(reply[1] != '*');

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

    void splitRepliesTakeTheirLineTimeAndUnplugReplugKeepsTheLink()
    {
        QTemporaryDir dir;
        MeterOptions options;
        options.link = dir.filePath(QStringLiteral("meter"));
        options.split = 3;
        options.pace = true;
        MeterServer meter(options);
        QVERIFY2(meter.start(), qPrintable(meter.errorString()));
        ProgramPort program(options.link);
        QVERIFY(program.open());
        QElapsedTimer clock;
        clock.start();
        QVERIFY(isValidReading(program.ask(CommandFrame::Test)));
        // 36 bytes on the line at about 1.04 ms each and two gaps between the pieces,
        // less a little for the rounding of timers.
        const qint64 least =
            36 * MeterServer::ByteTimeNs / 1000000 + 2 * MeterServer::SplitGapMs - 5;
        QVERIFY2(clock.elapsed() >= least, qPrintable(QString::number(clock.elapsed())));

        meter.unplug();
        QTRY_VERIFY_WITH_TIMEOUT(!program.port.isOpen(), Patience);
        QVERIFY(!QFileInfo(options.link).isSymLink());
        QVERIFY(!program.open());

        QVERIFY(meter.replug());
        QVERIFY2(program.open(), qPrintable(program.port.errorString()));
        QVERIFY(isValidReading(program.ask(CommandFrame::Test)));
    }
};

QTEST_GUILESS_MAIN(MeterLineTest)
#include "tst_meter_line.moc"
