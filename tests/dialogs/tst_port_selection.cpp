#include "PortDevices.h"
#include "PortOpener.h"
#include "PortSelection.h"
#include "ProfileFile.h"
#include "TeskCommonPart.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

class ScriptedOpener : public PortOpener
{
public:
    QString cause; // empty: the port opens
    QList<std::pair<int, QString>> calls;

    QString reopenPort(int port, const QString &devicePath) override
    {
        calls.append({port, devicePath});
        return cause;
    }
};

} // namespace

// The dialog itself is driven end to end in tests/app.
class TestPortSelection : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_config;
    ScriptedOpener m_opener;

    static QByteArray iniText()
    {
        QFile file(ProfileFile::standardPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void initTestCase() { qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit()); }

    void init()
    {
        QFile::remove(ProfileFile::standardPath());
        m_opener = ScriptedOpener();
        TeskCommonPart::CommPortNumber = 2;
        TeskCommonPart::PortInUse = 2;
    }

    void aFailedOpenWritesNothingAndConfirmStoresTheChoice()
    {
        ProfileFile settings(ProfileFile::standardPath());
        PortDevices devices(settings);
        PortSelection selection(m_opener, devices, settings);
        selection.setDevice(3, QStringLiteral(" /dev/ttyUSB0 "));
        selection.choose(3);
        m_opener.cause = QStringLiteral("No such device");
        QCOMPARE(selection.confirm(),
                 QStringLiteral("Error in opening Communication port\nNo such device"));
        QCOMPARE(TeskCommonPart::CommPortNumber, qint16(2));
        QVERIFY(!QFile::exists(settings.path()));
        QCOMPARE(selection.pending(), qint16(2)); // what a second OK would open

        m_opener.cause.clear();
        selection.choose(3);
        QCOMPARE(selection.confirm(), QString());
        QCOMPARE(m_opener.calls,
                 (QList<std::pair<int, QString>>{{3, "/dev/ttyUSB0"}, {3, "/dev/ttyUSB0"}}));
        QCOMPARE(TeskCommonPart::CommPortNumber, qint16(3));
        QCOMPARE(iniText(), QByteArray("[COMMON]\nCommPort= 3\nCom3Device=/dev/ttyUSB0\n"));
    }

    void withNoPortConfiguredOkLeavesTheOpenPortAlone()
    {
        TeskCommonPart::CommPortNumber = 0;
        TeskCommonPart::PortInUse = 1;
        ProfileFile settings(ProfileFile::standardPath());
        PortDevices devices(settings);
        PortSelection selection(m_opener, devices, settings);
        QVERIFY(selection.confirm().startsWith(PortSelection::OpenFailureText));
        QVERIFY(m_opener.calls.isEmpty());
        QCOMPARE(TeskCommonPart::PortInUse, qint16(1));
    }
};

QTEST_MAIN(TestPortSelection)
#include "tst_port_selection.moc"
