#include "CalibrationRecord.h"
#include "OnlineInterval.h"
#include "ProfileFile.h"
#include "UpDownControl.h"
#include "frmCalibration.h"
#include "frmInterval.h"
#include "frmParameters.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

class TestShellDialogs : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_config;

    static QString iniPath() { return ProfileFile::standardPath(); }

    static QByteArray iniText()
    {
        QFile file(iniPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static void writeIni(const QByteArray &text)
    {
        QFile file(iniPath());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }

    template<typename T> static T *child(const QWidget &window, const char *name)
    {
        T *found = window.findChild<T *>(QString::fromLatin1(name));
        if (!found)
            qFatal("no child %s", name);
        return found;
    }

    static void focus(QWidget *box)
    {
        box->setFocus(Qt::MouseFocusReason);
        QTRY_VERIFY(box->hasFocus());
    }

    static void retype(QLineEdit *box, const QString &text)
    {
        focus(box);
        box->selectAll();
        QTest::keyClicks(box, text);
    }

    static void showActive(QWidget &window)
    {
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
        QCOMPARE(iniPath(), m_config.filePath(QStringLiteral("Tesk.ini")));
    }

    void init() { QFile::remove(iniPath()); }

    void intervalWithoutSettingsShows00And05Centred()
    {
        ProfileFile settings(iniPath());
        OnlineInterval interval(settings);
        frmInterval dialog(interval);
        showActive(dialog);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Set Real time "));
        QCOMPARE(child<QLineEdit>(dialog, "edMinutes")->text(), QStringLiteral("00"));
        QCOMPARE(child<QLineEdit>(dialog, "edSeconds")->text(), QStringLiteral("05"));
        QVERIFY(interval.isNonZero());
        auto *upDown = child<UpDownControl>(dialog, "UpDown1");
        QCOMPARE(upDown->tag(), QStringLiteral("Seconds"));
        QCOMPARE(upDown->value(), 5);

        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(qAbs(dialog.frameGeometry().center().x() - area.center().x()) <= 1);
        QVERIFY(qAbs(dialog.frameGeometry().center().y() - area.center().y()) <= 1);
    }

    void intervalArrowsAndKeysStepOnlyTheFocusedBox()
    {
        writeIni("[COMMON]\nMinInt= 9\nSecInt= 5\n");
        ProfileFile settings(iniPath());
        OnlineInterval interval(settings);
        frmInterval dialog(interval);
        showActive(dialog);
        auto *minutes = child<QLineEdit>(dialog, "edMinutes");
        auto *seconds = child<QLineEdit>(dialog, "edSeconds");
        auto *upDown = child<UpDownControl>(dialog, "UpDown1");
        QCOMPARE(minutes->text(), QStringLiteral("09"));

        focus(minutes);
        QCOMPARE(upDown->tag(), QStringLiteral("Minutes"));
        QTest::mouseClick(upDown->upButton(), Qt::LeftButton);
        QCOMPARE(minutes->text(), QStringLiteral("10"));
        QCOMPARE(seconds->text(), QStringLiteral("05"));
        QVERIFY(minutes->hasFocus());

        focus(seconds);
        QTest::mouseClick(upDown->upButton(), Qt::LeftButton);
        QCOMPARE(seconds->text(), QStringLiteral("06"));
        QCOMPARE(minutes->text(), QStringLiteral("10"));
        QTest::keyClick(seconds, Qt::Key_Up);
        QCOMPARE(seconds->text(), QStringLiteral("07"));
        for (int i = 0; i < 9; ++i)
            QTest::keyClick(seconds, Qt::Key_Down);
        QCOMPARE(seconds->text(), QStringLiteral("00"));

        // The arrows step from what was typed, not from what the box held on entry.
        retype(minutes, QStringLiteral("42"));
        QTest::mouseClick(upDown->downButton(), Qt::LeftButton);
        QCOMPARE(minutes->text(), QStringLiteral("41"));
        retype(minutes, QStringLiteral("99"));
        QTest::keyClick(minutes, Qt::Key_Up);
        QCOMPARE(minutes->text(), QStringLiteral("99"));
        QCOMPARE(interval.Minutes, 9.0);
    }

    void intervalOkStoresBothPartsForTheNextRun()
    {
        ProfileFile settings(iniPath());
        OnlineInterval interval(settings);
        frmInterval dialog(interval);
        showActive(dialog);
        retype(child<QLineEdit>(dialog, "edMinutes"), QStringLiteral("02"));
        retype(child<QLineEdit>(dialog, "edSeconds"), QStringLiteral("30"));
        QTest::mouseClick(child<QPushButton>(dialog, "btOk"), Qt::LeftButton);
        QCOMPARE(dialog.ReturnCode, 1);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(interval.Minutes, 2.0);
        QCOMPARE(interval.Seconds, 30.0);
        QVERIFY(iniText().contains("MinInt= 2\n"));
        QVERIFY(iniText().contains("SecInt= 30\n"));

        OnlineInterval nextRun(settings);
        frmInterval nextDialog(nextRun);
        nextDialog.show();
        QCOMPARE(child<QLineEdit>(nextDialog, "edMinutes")->text(), QStringLiteral("02"));
        QCOMPARE(child<QLineEdit>(nextDialog, "edSeconds")->text(), QStringLiteral("30"));
    }

    void intervalCancelWritesNothingAndReopensWithTheCurrentValues()
    {
        ProfileFile settings(iniPath());
        OnlineInterval interval(settings);
        interval.Minutes = 3;
        frmInterval dialog(interval);
        showActive(dialog);
        auto *minutes = child<QLineEdit>(dialog, "edMinutes");
        QCOMPARE(minutes->text(), QStringLiteral("03"));
        retype(minutes, QStringLiteral("07"));
        QTest::mouseClick(child<QPushButton>(dialog, "btCancel"), Qt::LeftButton);
        QCOMPARE(dialog.ReturnCode, 2);
        QCOMPARE(interval.Minutes, 3.0);
        QCOMPARE(interval.Seconds, 5.0);
        QVERIFY(!QFile::exists(iniPath()));

        dialog.show();
        QCOMPARE(minutes->text(), QStringLiteral("03"));
        dialog.close();
        QCOMPARE(dialog.ReturnCode, 2);
    }

    void intervalBoxesHoldAtMostTwoDigits()
    {
        // The meter is sent two characters of each part: 120 would arrive as 12.
        writeIni("[COMMON]\nMinInt= 120\n");
        ProfileFile settings(iniPath());
        OnlineInterval interval(settings);
        frmInterval dialog(interval);
        showActive(dialog);
        auto *minutes = child<QLineEdit>(dialog, "edMinutes");
        QCOMPARE(minutes->text(), QStringLiteral("99"));
        retype(minutes, QStringLiteral("123"));
        QCOMPARE(minutes->text(), QStringLiteral("12"));
        retype(minutes, QStringLiteral("-4x"));
        QCOMPARE(minutes->text(), QStringLiteral("4"));
    }

    void parametersShowPlainNumbersAndReadLeadingNumbers()
    {
        frmParameters dialog;
        dialog.Threshold1 = 0.2;
        dialog.Threshold2 = 5;
        dialog.LostContactInterval = 5;
        dialog.AudioAlarm = 1;
        dialog.AutoArrange = 0;
        showActive(dialog);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Set Parameters"));
        auto *threshold1 = child<QLineEdit>(dialog, "edThreshold1");
        auto *threshold2 = child<QLineEdit>(dialog, "edThreshold2");
        auto *lostContact = child<QLineEdit>(dialog, "edLostContact");
        QCOMPARE(threshold1->text(), QStringLiteral("0.2"));
        QCOMPARE(threshold2->text(), QStringLiteral("5"));
        QCOMPARE(lostContact->text(), QStringLiteral("5"));
        QVERIFY(child<QCheckBox>(dialog, "chkAudio")->isChecked());
        QVERIFY(!child<QCheckBox>(dialog, "chkAutoArrange")->isChecked());

        retype(threshold1, QStringLiteral("abc"));
        retype(threshold2, QStringLiteral("1,5"));
        retype(lostContact, QStringLiteral(" 12.5 s"));
        child<QCheckBox>(dialog, "chkAudio")->click();
        child<QCheckBox>(dialog, "chkAutoArrange")->click();
        QTest::mouseClick(child<QPushButton>(dialog, "OKButton"), Qt::LeftButton);
        QCOMPARE(dialog.RetCode, qint16(1));
        QCOMPARE(dialog.Threshold1, 0.0);
        QCOMPARE(dialog.Threshold2, 1.0);
        QCOMPARE(dialog.LostContactInterval, 12.5);
        QCOMPARE(dialog.AudioAlarm, qint16(0));
        QCOMPARE(dialog.AutoArrange, qint16(1));

        // The values persist: the next opening shows them.
        dialog.show();
        QCOMPARE(threshold2->text(), QStringLiteral("1"));
        QCOMPARE(lostContact->text(), QStringLiteral("12.5"));
    }

    void parametersCancelAndCloseBoxKeepValues()
    {
        frmParameters dialog;
        dialog.Threshold1 = -3;
        showActive(dialog);
        retype(child<QLineEdit>(dialog, "edThreshold1"), QStringLiteral("8"));
        dialog.close();
        QCOMPARE(dialog.RetCode, qint16(0));
        QCOMPARE(dialog.Threshold1, -3.0);

        showActive(dialog);
        QTest::mouseClick(child<QPushButton>(dialog, "OKButton"), Qt::LeftButton);
        QCOMPARE(dialog.RetCode, qint16(1));

        showActive(dialog);
        retype(child<QLineEdit>(dialog, "edThreshold1"), QStringLiteral("8"));
        dialog.close();
        QCOMPARE(dialog.RetCode, qint16(1));
        QCOMPARE(dialog.Threshold1, -3.0);

        showActive(dialog);
        retype(child<QLineEdit>(dialog, "edThreshold1"), QStringLiteral("8"));
        QTest::mouseClick(child<QPushButton>(dialog, "CancelButton"), Qt::LeftButton);
        QCOMPARE(dialog.RetCode, qint16(2));
        QCOMPARE(dialog.Threshold1, -3.0);
        QVERIFY(!dialog.isVisible());
    }

    void calibrationWindowShowsEachRecordUntilOk()
    {
        QWidget owner;
        frmCalibration window(&owner);
        QVERIFY(!window.isVisible());
        window.PutCalibData({QStringLiteral("12345678"), QStringLiteral("1.25"),
                             QStringLiteral("J. Smith    "), QStringLiteral("05/12/2026")});
        QVERIFY(window.isVisible());
        QVERIFY(!window.isModal());
        QCOMPARE(window.windowTitle(), QStringLiteral("Calibration Info"));
        QCOMPARE(child<QLineEdit>(window, "edMeter")->text(), QStringLiteral("12345678"));
        QCOMPARE(child<QLineEdit>(window, "edFactor")->text(), QStringLiteral("1.25"));
        QCOMPARE(child<QLineEdit>(window, "edName")->text(), QStringLiteral("J. Smith    "));
        QCOMPARE(child<QLineEdit>(window, "edTime")->text(), QStringLiteral("05/12/2026"));

        QTest::mouseClick(child<QPushButton>(window, "btOk"), Qt::LeftButton);
        QVERIFY(!window.isVisible());
        window.PutCalibData(CalibrationRecord::fromMessage("\x02"
                                                           "87654321"
                                                           "0985"
                                                           "A. Surveyor "
                                                           "31012027"));
        QVERIFY(window.isVisible());
        QCOMPARE(child<QLineEdit>(window, "edFactor")->text(), QStringLiteral("0.985"));
        QCOMPARE(child<QLineEdit>(window, "edTime")->text(), QStringLiteral("31/01/2027"));
    }
};

QTEST_MAIN(TestShellDialogs)
#include "tst_shell_dialogs.moc"
