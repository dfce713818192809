#include "CommandFrame.h"
#include "MessageFrame.h"
#include "MeterServer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int Patience = 10000; // ms; generous for a loaded machine

bool isValidMessage(const QByteArray &message)
{
    if (message.size() < MessageFrame::MinimumLength || message.back() != MessageFrame::Terminator)
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
        port.setDataBits(QSerialPort::Data8);
        port.setParity(QSerialPort::NoParity);
        port.setStopBits(QSerialPort::OneStop);
        connect(&port, &QSerialPort::readyRead, this, [this] { received += port.readAll(); });
        connect(&port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
            if (e == QSerialPort::ReadError || e == QSerialPort::ResourceError) {
                failures.append(e);
                port.close();
            }
        });
    }
    bool open() { return port.open(QIODevice::ReadWrite); }
    void send(quint8 code)
    {
        received.clear();
        port.write(CommandFrame::plain(code));
    }

    QSerialPort port;
    QByteArray received;
    QList<QSerialPort::SerialPortError> failures;
};

} // namespace

class MeterLineTest : public QObject
{
    Q_OBJECT

private slots:
    void theProgramAnswersOverItsLink()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("meter"));
        const QString logFile = dir.filePath(QStringLiteral("meter.log"));
        QProcess meter;
        meter.start(QStringLiteral(TESK_METER_SIM_PATH),
                    {QStringLiteral("--link"), link, QStringLiteral("--records"),
                     QStringLiteral("3"), QStringLiteral("--log"), logFile});
        QVERIFY(meter.waitForStarted(Patience));
        QTRY_VERIFY_WITH_TIMEOUT(meter.canReadLine(), Patience);
        const QStringList started = QString::fromLocal8Bit(meter.readLine()).trimmed().split(u' ');
        QCOMPARE(started.size(), 2);
        QVERIFY(started[0].startsWith(QStringLiteral("/dev/")));
        QCOMPARE(started[1], link);
        QCOMPARE(QFileInfo(link).symLinkTarget(), started[0]);

        ProgramPort program(link);
        QVERIFY2(program.open(), qPrintable(program.port.errorString()));
        program.send(CommandFrame::Test);
        QTRY_COMPARE_WITH_TIMEOUT(program.received.size(), 26, Patience);
        QVERIFY(isValidMessage(program.received));
        QVERIFY(program.received[1] != '*');

        // A download: 4, then 5 after each reading until the end-of-data mark.
        QList<QByteArray> messages;
        program.send(CommandFrame::GetStoredData);
        for (;;) {
            QTRY_COMPARE_WITH_TIMEOUT(program.received.size(), 26, Patience);
            messages.append(program.received);
            QVERIFY(isValidMessage(messages.back()));
            if (messages.back()[1] == '*' || messages.size() > 10)
                break;
            program.send(CommandFrame::NextRecord);
        }
        QCOMPARE(messages.size(), 4);

        meter.terminate();
        QVERIFY(meter.waitForFinished(Patience));
        QCOMPARE(meter.exitStatus(), QProcess::NormalExit);
        QCOMPARE(meter.exitCode(), 0);
        QVERIFY2(!QFileInfo(link).isSymLink(), "the link goes with the meter");
        QFile log(logFile);
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = log.readAll().split('\n');
        const auto count = [&lines](const char *text) {
            return std::count_if(lines.begin(), lines.end(),
                                 [text](const QByteArray &line) { return line.contains(text); });
        };
        QCOMPARE(count("command 6 received: 01 06 30"), 1);
        QCOMPARE(count("command 5 received"), 3);
        QCOMPARE(count("sent 26 bytes"), 5);
    }

    void unplugFailsTheProgramsPortAndReplugServesTheSameLink()
    {
        QTemporaryDir dir;
        MeterOptions options;
        options.link = dir.filePath(QStringLiteral("meter"));
        MeterServer meter(options);
        QVERIFY2(meter.start(), qPrintable(meter.errorString()));
        ProgramPort program(options.link);
        QVERIFY(program.open());
        program.send(CommandFrame::Test);
        QTRY_COMPARE_WITH_TIMEOUT(program.received.size(), 26, Patience);

        meter.unplug();
        QTRY_VERIFY_WITH_TIMEOUT(!program.port.isOpen(), Patience);
        // The port reads end-of-file; Qt reports ReadError or ResourceError, picked by
        // whatever errno the thread left behind.
        QVERIFY(!program.failures.isEmpty());
        QVERIFY(!QFileInfo(options.link).isSymLink());
        QVERIFY(!program.open());
        QCOMPARE(program.port.error(), QSerialPort::DeviceNotFoundError);

        QVERIFY(meter.replug());
        QVERIFY2(program.open(), qPrintable(program.port.errorString()));
        program.send(CommandFrame::Test);
        QTRY_COMPARE_WITH_TIMEOUT(program.received.size(), 26, Patience);
        QVERIFY(isValidMessage(program.received));
    }

    void aReplyWrittenBeforeTheProgramOpensArrivesWhole()
    {
        // The line is raw from the start: no echo, and byte 4 is no end-of-file.
        QTemporaryDir dir;
        MeterOptions options;
        options.link = dir.filePath(QStringLiteral("meter"));
        MeterServer meter(options);
        QSignalSpy writes(&meter.simulator(), &MeterSimulator::writeRequested);
        QVERIFY(meter.start());
        meter.simulator().processInput(CommandFrame::plain(CommandFrame::Test));
        QCOMPARE(writes.size(), 1);
        ProgramPort program(options.link);
        QVERIFY(program.open());
        QTRY_COMPARE_WITH_TIMEOUT(program.received, writes[0][0].toByteArray(), Patience);
    }

    void closeAfterDeliversTheLastReadingFirst()
    {
        QTemporaryDir dir;
        MeterOptions options;
        options.link = dir.filePath(QStringLiteral("meter"));
        options.records = 3;
        options.closeAfter = 2;
        MeterServer meter(options);
        QSignalSpy unplugged(&meter, &MeterServer::unplugged);
        QVERIFY(meter.start());
        ProgramPort program(options.link);
        QVERIFY(program.open());
        program.send(CommandFrame::GetStoredData);
        QTRY_COMPARE_WITH_TIMEOUT(program.received.size(), 26, Patience);
        program.send(CommandFrame::NextRecord);
        QVERIFY(unplugged.wait(Patience));
        QCOMPARE(program.received.size(), 26);
        QVERIFY(isValidMessage(program.received));
        QTRY_VERIFY_WITH_TIMEOUT(!program.port.isOpen(), Patience);
    }

    void splitAndPacedRepliesTakeTheirLineTime()
    {
        QTemporaryDir dir;
        MeterOptions options;
        options.link = dir.filePath(QStringLiteral("meter"));
        options.split = 3;
        options.pace = true;
        MeterServer meter(options);
        QVERIFY(meter.start());
        ProgramPort program(options.link);
        QVERIFY(program.open());
        QElapsedTimer clock;
        clock.start();
        program.send(CommandFrame::Test);
        QTRY_COMPARE_WITH_TIMEOUT(program.received.size(), 26, Patience);
        QVERIFY(isValidMessage(program.received));
        // 36 bytes on the line at about 1.04 ms each and two gaps between the pieces, less
        // a little for the rounding of timers.
        const qint64 least =
            36 * MeterServer::ByteTimeNs / 1000000 + 2 * MeterServer::SplitGapMs - 5;
        QVERIFY2(clock.elapsed() >= least, qPrintable(QString::number(clock.elapsed())));
    }
};

QTEST_GUILESS_MAIN(MeterLineTest)
#include "tst_meter_line.moc"
