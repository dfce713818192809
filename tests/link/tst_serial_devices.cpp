#include "PseudoTerminal.h"
#include "SerialTransport.h"

#include <QSignalSpy>
#include <QTest>

class SerialDevicesTest : public QObject
{
    Q_OBJECT

private slots:
    void lowLatencyOnAPseudoTerminalIsUnsupportedAndTheLineStillWorks()
    {
        PseudoTerminal line;
        QVERIFY2(line.open(), qPrintable(line.errorString()));
        SerialTransport transport;
        QSignalSpy opened(&transport, &SerialTransport::opened);
        QSignalSpy received(&transport, &SerialTransport::bytesReceived);
        QSignalSpy lost(&transport, &SerialTransport::lost);

        QCOMPARE(transport.open(line.devicePath()), QString());
        QCOMPARE(transport.lowLatency(), SerialTransport::LowLatency::Unsupported);
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened.at(0).at(0).toString(),
                 SerialTransport::lowLatencyNote(line.devicePath(),
                                                 SerialTransport::LowLatency::Unsupported));
        QVERIFY(opened.at(0).at(0).toString().contains(line.devicePath()));

        line.write("abc");
        QVERIFY(received.wait(5000));
        QCOMPARE(received.at(0).at(0).toByteArray(), QByteArray("abc"));
        transport.close();
        QVERIFY(lost.isEmpty());
    }
};

QTEST_GUILESS_MAIN(SerialDevicesTest)
#include "tst_serial_devices.moc"
