#include "PortDevices.h"
#include "PortOpener.h"
#include "PortSelection.h"
#include "ProfileFile.h"
#include "SetSerPort.h"
#include "TeskCommonPart.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
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

struct Shown
{
    QMessageBox::Icon icon;
    QString title;
    QString text;
};

} // namespace

class TestPortDialog : public QObject
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

    template<typename T> static T *child(const QWidget &window, const QString &name)
    {
        T *found = window.findChild<T *>(name);
        if (!found)
            qFatal("no child %s", qPrintable(name));
        return found;
    }

    static QRadioButton *option(const QWidget &window, int port)
    {
        return child<QRadioButton>(window, QStringLiteral("Option%1").arg(port));
    }

    static QList<int> checkedOptions(const QWidget &window)
    {
        QList<int> checked;
        for (int port = 1; port <= 4; ++port) {
            if (option(window, port)->isChecked())
                checked.append(port);
        }
        return checked;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
    }

    void init()
    {
        QFile::remove(ProfileFile::standardPath());
        m_opener = ScriptedOpener();
        TeskCommonPart::CommPortNumber = 2;
        TeskCommonPart::PortInUse = 2;
    }

    void confirmReopensThePortAndStoresTheChoice()
    {
        ProfileFile settings(ProfileFile::standardPath());
        PortDevices devices(settings);
        PortSelection selection(m_opener, devices, settings);
        QCOMPARE(selection.pending(), qint16(2));
        selection.choose(3);
        QCOMPARE(selection.confirm(), QString());
        QCOMPARE(m_opener.calls, (QList<std::pair<int, QString>>{{3, "/dev/ttyS2"}}));
        QCOMPARE(TeskCommonPart::CommPortNumber, qint16(3));
        QCOMPARE(TeskCommonPart::PortInUse, qint16(3));
        // The configured device is not copied into the settings.
        QCOMPARE(iniText(), QByteArray("[COMMON]\nCommPort= 3\n"));

        selection.setDevice(4, QStringLiteral(" /dev/ttyUSB0 "));
        selection.choose(4);
        QCOMPARE(selection.confirm(), QString());
        QCOMPARE(m_opener.calls.last(), std::make_pair(4, QStringLiteral("/dev/ttyUSB0")));
        QCOMPARE(iniText(), QByteArray("[COMMON]\nCommPort= 4\nCom4Device=/dev/ttyUSB0\n"));
        QCOMPARE(devices.devicePath(4), QStringLiteral("/dev/ttyUSB0"));
    }

    void failedOpenLeavesNoPortAndWritesNothing()
    {
        ProfileFile settings(ProfileFile::standardPath());
        PortDevices devices(settings);
        PortSelection selection(m_opener, devices, settings);
        m_opener.cause = QStringLiteral("No such device");
        selection.choose(3);
        QCOMPARE(selection.confirm(),
                 QStringLiteral("Error in opening Communication port\nNo such device"));
        QCOMPARE(TeskCommonPart::PortInUse, qint16(0));
        QCOMPARE(TeskCommonPart::CommPortNumber, qint16(2));
        QCOMPARE(selection.pending(), qint16(2));
        QVERIFY(!QFile::exists(settings.path()));

        // With no port configured nothing is chosen, and OK does not touch the open port.
        TeskCommonPart::CommPortNumber = 0;
        TeskCommonPart::PortInUse = 1;
        selection.begin();
        QCOMPARE(selection.pending(), qint16(0));
        QVERIFY(selection.confirm().startsWith(PortSelection::OpenFailureText));
        QCOMPARE(m_opener.calls.size(), 1);
        QCOMPARE(TeskCommonPart::PortInUse, qint16(1));
    }

    void dialogOpensOnTheConfiguredPortAndConfirmsAnother()
    {
        ProfileFile settings(ProfileFile::standardPath());
        PortDevices devices(settings);
        PortSelection selection(m_opener, devices, settings);
        SetSerPort dialog(selection);
        QStringList shown;
        dialog.setMessageHook(
            [&](QMessageBox::Icon, const QString &, const QString &text) { shown.append(text); });
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Set Port"));
        QCOMPARE(option(dialog, 2)->text(), QStringLiteral("Com&2"));
        QCOMPARE(checkedOptions(dialog), QList<int>{2});
        QCOMPARE(child<QComboBox>(dialog, "cboDevice3")->currentText(),
                 QStringLiteral("/dev/ttyS2"));
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(qAbs(dialog.frameGeometry().center().x() - area.center().x()) <= 1);

        QTest::mouseClick(option(dialog, 3), Qt::LeftButton);
        child<QComboBox>(dialog, "cboDevice3")->setEditText(QStringLiteral("/dev/ttyACM0"));
        QTest::mouseClick(child<QPushButton>(dialog, "OK"), Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(shown, QStringList());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(m_opener.calls, (QList<std::pair<int, QString>>{{3, "/dev/ttyACM0"}}));
        QVERIFY(iniText().contains("CommPort= 3\n"));
        QVERIFY(iniText().contains("Com3Device=/dev/ttyACM0\n"));
    }

    void dialogStaysOpenWhenThePortCannotBeOpened()
    {
        ProfileFile settings(ProfileFile::standardPath());
        PortDevices devices(settings);
        PortSelection selection(m_opener, devices, settings);
        SetSerPort dialog(selection);
        QList<Shown> shown;
        dialog.setMessageHook(
            [&](QMessageBox::Icon icon, const QString &title, const QString &text) {
                shown.append({icon, title, text});
            });
        dialog.show();
        m_opener.cause = QStringLiteral("Permission denied");
        QTest::mouseClick(option(dialog, 4), Qt::LeftButton);
        QTest::mouseClick(child<QPushButton>(dialog, "OK"), Qt::LeftButton);
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].icon, QMessageBox::Critical);
        QCOMPARE(shown[0].title, QStringLiteral("Error in Communication"));
        QCOMPARE(shown[0].text,
                 QStringLiteral("Error in opening Communication port\nPermission denied"));
        QVERIFY(dialog.isVisible());
        QCOMPARE(TeskCommonPart::PortInUse, qint16(0));
        QVERIFY(!QFile::exists(settings.path()));
        // The options show the port a second OK opens.
        QCOMPARE(checkedOptions(dialog), QList<int>{2});

        m_opener.cause.clear();
        QTest::mouseClick(child<QPushButton>(dialog, "OK"), Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(m_opener.calls.last(), std::make_pair(2, QStringLiteral("/dev/ttyS1")));
        QCOMPARE(TeskCommonPart::PortInUse, qint16(2));
    }

    void cancelChangesNothing()
    {
        ProfileFile settings(ProfileFile::standardPath());
        PortDevices devices(settings);
        PortSelection selection(m_opener, devices, settings);
        SetSerPort dialog(selection);
        dialog.show();
        QTest::mouseClick(option(dialog, 4), Qt::LeftButton);
        child<QComboBox>(dialog, "cboDevice4")->setEditText(QStringLiteral("/dev/ttyUSB9"));
        QTest::mouseClick(child<QPushButton>(dialog, "CANCEL"), Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
        QVERIFY(m_opener.calls.isEmpty());
        QVERIFY(!QFile::exists(settings.path()));
        QCOMPARE(TeskCommonPart::CommPortNumber, qint16(2));
        QCOMPARE(TeskCommonPart::PortInUse, qint16(2));

        dialog.show();
        QCOMPARE(checkedOptions(dialog), QList<int>{2});
        QCOMPARE(child<QComboBox>(dialog, "cboDevice4")->currentText(),
                 QStringLiteral("/dev/ttyS3"));
    }
};

QTEST_MAIN(TestPortDialog)
#include "tst_port_dialog.moc"
