#include "MessageBoxPrompt.h"
#include "OnlineInterval.h"
#include "ProfileFile.h"
#include "UpDownControl.h"
#include "frmInterval.h"
#include "frmParameters.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

class TestShellDialogs : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_config;

    QString iniPath() const { return m_config.filePath(QStringLiteral("Tesk.ini")); }

    QByteArray iniText() const
    {
        QFile file(iniPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    template<typename T> static T *child(const QWidget &window, const char *name)
    {
        return window.findChild<T *>(QString::fromLatin1(name));
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
    void init() { QFile::remove(iniPath()); }

    void intervalArrowsStepTheFocusedBoxKeepTwoDigitsAndOkStoresBothParts()
    {
        // The meter is sent two characters of each part: 120 would arrive as 12.
        ProfileFile settings(iniPath());
        settings.WriteProfileKey(QStringLiteral("MinInt"), QStringLiteral(" 120"));
        OnlineInterval interval(settings);
        frmInterval dialog(interval);
        showActive(dialog);
        auto *minutes = child<QLineEdit>(dialog, "edMinutes");
        auto *seconds = child<QLineEdit>(dialog, "edSeconds");
        auto *upDown = child<UpDownControl>(dialog, "UpDown1");
        QCOMPARE(minutes->text(), QStringLiteral("99"));
        QCOMPARE(seconds->text(), QStringLiteral("05"));
        focus(minutes);
        QTest::mouseClick(upDown->upButton(), Qt::LeftButton);
        QCOMPARE(minutes->text(), QStringLiteral("99"));

        // The arrows step from what was typed, not from what the box held on entry.
        retype(minutes, QStringLiteral("09"));
        QTest::mouseClick(upDown->upButton(), Qt::LeftButton);
        QCOMPARE(minutes->text(), QStringLiteral("10"));
        focus(seconds);
        QTest::mouseClick(upDown->upButton(), Qt::LeftButton);
        QCOMPARE(seconds->text(), QStringLiteral("06"));
        QCOMPARE(minutes->text(), QStringLiteral("10"));

        retype(minutes, QStringLiteral("123"));
        QCOMPARE(minutes->text(), QStringLiteral("12"));
        retype(minutes, QStringLiteral("-4x"));
        QCOMPARE(minutes->text(), QStringLiteral("4"));
        QCOMPARE(interval.Minutes, 120.0); // only OK changes the interval
        QTest::mouseClick(child<QPushButton>(dialog, "btOk"), Qt::LeftButton);
        QCOMPARE(dialog.ReturnCode, 1);
        QCOMPARE(interval.Minutes, 4.0);
        QCOMPARE(interval.Seconds, 6.0);
        QVERIFY(iniText().contains("MinInt= 4\n"));
        QVERIFY(iniText().contains("SecInt= 6\n"));
    }

    void parametersShowPlainNumbersReadLeadingNumbersCloseBoxKeepsRetCodeEscapeCancels()
    {
        frmParameters dialog;
        dialog.Threshold1 = 0.2;
        dialog.Threshold2 = 5;
        dialog.LostContactInterval = 5;
        showActive(dialog);
        auto *threshold1 = child<QLineEdit>(dialog, "edThreshold1");
        QCOMPARE(threshold1->text(), QStringLiteral("0.2"));
        retype(child<QLineEdit>(dialog, "edThreshold2"), QStringLiteral("1,5"));
        QTest::mouseClick(child<QPushButton>(dialog, "OKButton"), Qt::LeftButton);
        QCOMPARE(dialog.RetCode, qint16(1));
        QCOMPARE(dialog.Threshold2, 1.0);

        // The close box leaves the values and the last button's RetCode.
        showActive(dialog);
        retype(threshold1, QStringLiteral("8"));
        dialog.close();
        QCOMPARE(dialog.RetCode, qint16(1));
        QCOMPARE(dialog.Threshold1, 0.2);

        // Escape is Cancel, so an earlier OK is not applied again.
        showActive(dialog);
        retype(threshold1, QStringLiteral("9"));
        QTest::keyClick(threshold1, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.RetCode, qint16(2));
        QCOMPARE(dialog.Threshold1, 0.2);
    }

    void dismissedQuestionIsCancel()
    {
        MessageBoxPrompt prompt;
        const UserPrompt::Message question{
            QStringLiteral("?"), {}, UserPrompt::Icon::Question, UserPrompt::Buttons::YesNo};
        for (const bool escape : {true, false}) {
            QTimer::singleShot(0, [escape] {
                QWidget *box = nullptr;
                QTRY_VERIFY((box = QApplication::activeModalWidget()) != nullptr);
                escape ? QTest::keyClick(box, Qt::Key_Escape) : void(box->close());
            });
            QCOMPARE(prompt.show(question), UserPrompt::Answer::Cancel);
        }
    }
};

QTEST_MAIN(TestShellDialogs)
#include "tst_shell_dialogs.moc"
