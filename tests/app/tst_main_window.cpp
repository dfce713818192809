#include "ProgramHarness.h"

#include "SetSerPort.h"
#include "frmCalibration.h"
#include "frmDebug.h"
#include "frmInterval.h"
#include "frmLegend.h"
#include "frmParameters.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QProcess>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTableWidget>

#include <csignal>

namespace {

const QColor LampUp(128, 255, 128);
const QColor LampLost(255, 128, 128);

qsizetype indexOf(const QStringList &lines, const QString &start, qsizetype from = 0)
{
    for (qsizetype i = std::max<qsizetype>(from, 0); i < lines.size(); ++i)
        if (lines[i].startsWith(start))
            return i;
    return -1;
}

QString mnemonic(const QString &text)
{
    const qsizetype at = text.indexOf(QChar(u'&'));
    return at >= 0 && at + 1 < text.size() ? text.mid(at + 1, 1).toUpper() : QString();
}

// The dialogs' buttons and fields, by name.
void click(QWidget *dialog, const char *name)
{
    dialog->findChild<QAbstractButton *>(QString::fromLatin1(name))->click();
}

void type(QWidget *dialog, const char *name, const char *text)
{
    dialog->findChild<QLineEdit *>(QString::fromLatin1(name))->setText(QString::fromLatin1(text));
}

QString key(const ProgramHarness &program, const char *name)
{
    return program.settings->ReadProfileKey(QString::fromLatin1(name), {}, 260).text;
}

constexpr auto fileBytes = &ProgramHarness::fileBytes;

// Opens a dialog with `button`, changes `field` (types into it, or clicks it),
// then presses `cancel`.
template<typename Dialog>
void cancelAfterAChange(ProgramHarness &program, const char *button, const char *field,
                        const char *cancel)
{
    ProgramHarness::whenModal<Dialog>([field, cancel](Dialog *dialog) {
        if (dialog->template findChild<QLineEdit *>(QString::fromLatin1(field)))
            type(dialog, field, "9");
        else
            click(dialog, field);
        click(dialog, cancel);
    });
    program.button(QString::fromLatin1(button))->click();
}

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void startUpTestsTheLineAndTheReplyBringsItUp()
    {
        ProgramHarness program;
        program.start({QStringLiteral("DBG")}); // "dbg" in capitals shows no Debug button
        QVERIFY(!program.button(QStringLiteral("btDebug"))->isVisible());
        QVERIFY(program.waitForLink());
        // The line is tested first; the reply stops online collection (waitForLink).
        QCOMPARE(program.commands.first(), CommandFrame::plain(CommandFrame::Test));
        QCOMPARE(program.lampColour(), LampUp);
        for (const char *name : {"btGetData", "btGetCalib", "btOnLine", "btSetTime", "btStart"})
            QVERIFY2(program.button(QString::fromLatin1(name))->isEnabled(), name);
        QVERIFY(program.action(QStringLiteral("Toolbar1:mnStart"))->isEnabled());
        // Too few records for the list and graph commands.
        QVERIFY(!program.button(QStringLiteral("btWrFile"))->isEnabled());
        QVERIFY(!program.action(QStringLiteral("Toolbar1:mnGraph"))->isEnabled());
        QVERIFY(program.prompt.shown.isEmpty());
        QCOMPARE(TeskCommonPart::PortInUse, qint16(2));
        // No two mnemonics of the window share a letter.
        QString letters;
        for (const QAction *menu : program.window->menuBar()->actions())
            letters += mnemonic(menu->text());
        for (const QAbstractButton *button : program.window->findChildren<QAbstractButton *>())
            letters +=
                button->window() == program.window.get() ? mnemonic(button->text()) : QString();
        for (const QChar letter : letters)
            QVERIFY2(letters.count(letter) == 1, qPrintable(letters));
    }

    void aMeterIsPolledUntilAWholeReplyAndFourMissingRepliesSayNotRespondingOnce_data()
    {
        QTest::addColumn<bool>("silent");
        QTest::newRow("silent meter") << true;
        QTest::newRow("every reply bad") << false;
    }

    void aMeterIsPolledUntilAWholeReplyAndFourMissingRepliesSayNotRespondingOnce()
    {
        QFETCH(bool, silent);
        MeterOptions options;
        options.silent = silent;
        options.corruptEvery = silent ? 0 : 1;
        ProgramHarness program(options);
        program.start();
        InstrumentLink &link = program.controller->link();
        QTRY_VERIFY_WITH_TIMEOUT(program.commandCount(CommandFrame::plain(CommandFrame::Test)) >= 3,
                                 15000);
        QCOMPARE(program.lampColour(), LampLost);
        QVERIFY(!program.button(QStringLiteral("btGetData"))->isEnabled());
        QVERIFY(silent || link.TotalErrors >= 2);
        MeterOptions whole = program.meter->options();
        whole.silent = false;
        whole.corruptEvery = 0;
        program.meter->setOptions(whole);
        // The next re-poll, at most 2 s away, brings the link up.
        QVERIFY(program.waitForLink());
        QCOMPARE(program.lampColour(), LampUp);
        QVERIFY(!link.Timer1.isActive());
        QVERIFY(program.prompt.shown.isEmpty());
        if (!silent)
            return;

        program.meter->setSilent(true);
        // The first missing reply is left to the reply timer, so any reply the
        // meter sent before it fell silent has been handled by then.
        program.button(QStringLiteral("btTest"))->click();
        QTRY_COMPARE_WITH_TIMEOUT(link.ErrCount, qint16(1), 10000);
        for (int i = 0; i < 5; ++i) {
            program.button(QStringLiteral("btTest"))->click();
            link.replyTimeout(); // the reply timer's tick, without the wait
        }
        QTRY_COMPARE(program.prompt.count(QStringLiteral("Instrument not responding")), 1);
        QCOMPARE(program.lampColour(), LampLost);
        QVERIFY(!program.button(QStringLiteral("btGetData"))->isEnabled());
        QVERIFY(link.Timer1.isActive());
    }

    void menusRunTheButtonsCommandsCalibrationKeepsTheErrorCountExitStops()
    {
        MeterOptions options;
        options.calibrationFactor = 1.25;
        options.calibrationDue = QDate(2026, 11, 23);
        ProgramHarness program(options);
        QVERIFY(program.startConnected());
        program.action(QStringLiteral("mnSendTime"))->trigger();
        const QByteArray setClock("\x01\x20\x0c\x05\x14\x1a\x09\x1e\x07\x04", 10);
        QTRY_VERIFY_WITH_TIMEOUT(program.commands.contains(setClock), 10000);
        const int tests = program.commandCount(CommandFrame::plain(CommandFrame::Test));
        program.action(QStringLiteral("mnTest"))->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(program.commandCount(CommandFrame::plain(CommandFrame::Test)),
                                  tests + 1, 10000);
        program.controller->link().ErrCount = 2;
        program.action(QStringLiteral("mnGetCalibration"))->trigger();
        frmCalibration &calibration = program.window->calibrationWindow();
        QTRY_VERIFY_WITH_TIMEOUT(calibration.isVisible(), 10000);
        QCOMPARE(calibration.findChild<QLineEdit *>(QStringLiteral("edFactor"))->text(),
                 QStringLiteral("1.25"));
        QCOMPARE(calibration.findChild<QLineEdit *>(QStringLiteral("edTime"))->text(),
                 QStringLiteral("23/11/2026"));
        QCOMPARE(calibration.findChild<QLabel *>(QStringLiteral("lblDueState"))->text(),
                 QStringLiteral("Overdue by 12 days: the meter is out of calibration."));
        QCOMPARE(program.controller->link().ErrCount, qint16(2));
        program.button(QStringLiteral("btSetTime"))->click();
        QTRY_COMPARE_WITH_TIMEOUT(program.commandCount(setClock), 2, 10000);

        // Readings of the overdue instrument raise a notice in the main window.
        auto *warning = program.widget<QLabel>(QStringLiteral("lblCalibrationWarning"));
        QVERIFY(!warning->isVisibleTo(program.window.get()));
        program.button(QStringLiteral("btGetData"))->click();
        QTRY_VERIFY_WITH_TIMEOUT(warning->isVisibleTo(program.window.get()), 15000);
        QVERIFY(warning->text().startsWith(
            QStringLiteral("Instrument SIM-0000001 is out of calibration")));

        // Exit stops online collection and closes the port.
        const int stops = program.commandCount(CommandFrame::onlineStop());
        program.window->close();
        QVERIFY(!program.controller->transport().isOpen());
        QTRY_COMPARE_WITH_TIMEOUT(program.commandCount(CommandFrame::onlineStop()), stops + 1,
                                  10000);
    }

    void dialogsCancelledWriteNoKeyAnUnplugHealsAndThePortDialogReopensAnotherPort()
    {
        ProgramHarness program;
        MeterOptions second;
        second.link = program.path(QStringLiteral("second"));
        QList<QByteArray> secondCommands;
        const auto other = ProgramHarness::startMeter(second, &secondCommands);
        program.settings->WriteProfileKey(QStringLiteral("Com3Device"), second.link);
        program.settings->WriteProfileKey(QStringLiteral("Com4Device"),
                                          program.path(QStringLiteral("absent")));
        QVERIFY(program.startConnected());
        // Cancelled dialogs write no key; confirmed parameters take effect and are stored.
        const QByteArray before = fileBytes(program.settings->path());
        cancelAfterAChange<frmInterval>(program, "btOnLine", "edMinutes", "btCancel");
        cancelAfterAChange<frmParameters>(program, "btSetThreshold", "edThreshold1",
                                          "CancelButton");
        cancelAfterAChange<SetSerPort>(program, "SetCom", "Option1", "CANCEL");
        cancelAfterAChange<frmLegend>(program, "btGetLegend", "edDepartment", "btCalcel");
        QCOMPARE(fileBytes(program.settings->path()), before);
        QCOMPARE(program.controller->alarms().Threshold1, 0.2);

        ProgramHarness::whenModal<frmParameters>([](frmParameters *dialog) {
            type(dialog, "edThreshold1", "0.5");
            type(dialog, "edThreshold2", "abc");
            type(dialog, "edLostContact", "7.5");
            click(dialog, "OKButton");
        });
        program.button(QStringLiteral("btSetThreshold"))->click();
        const AlarmMonitor &alarms = program.controller->alarms();
        QCOMPARE(alarms.Threshold1, 0.5);
        QCOMPARE(alarms.Threshold2, 0.0);
        QCOMPARE(alarms.LostContactInterval, qint16(8));
        QCOMPARE(key(program, "Threshold1"), QStringLiteral(".5"));
        QCOMPARE(key(program, "Threshold2"), QStringLiteral("0"));
        QCOMPARE(key(program, "LostContactInterval"), QStringLiteral("8"));

        // An unplugged adapter comes back by itself.
        program.meter->unplug();
        QTRY_COMPARE_WITH_TIMEOUT(program.lampColour(), LampLost, 10000);
        QTRY_COMPARE(program.prompt.count(QStringLiteral("Instrument not responding")), 1);
        QCOMPARE(TeskCommonPart::PortInUse, qint16(0));
        program.commands.clear();
        QVERIFY(program.meter->replug());
        QVERIFY(program.waitForLink());
        QCOMPARE(program.lampColour(), LampUp);
        QCOMPARE(TeskCommonPart::PortInUse, qint16(2));
        QCOMPARE(program.prompt.count(QStringLiteral("Instrument not responding")), 1);

        ProgramHarness::whenModal<SetSerPort>([](SetSerPort *dialog) {
            QVERIFY(dialog->findChild<QRadioButton *>(QStringLiteral("Option2"))->isChecked());
            click(dialog, "Option3");
            click(dialog, "OK");
        });
        program.button(QStringLiteral("SetCom"))->click();
        QCOMPARE(TeskCommonPart::PortInUse, qint16(3));
        QCOMPARE(key(program, "CommPort"), QStringLiteral("3"));
        program.button(QStringLiteral("btTest"))->click();
        QTRY_VERIFY_WITH_TIMEOUT(secondCommands.contains(CommandFrame::plain(CommandFrame::Test)),
                                 10000);

        // A port that cannot be opened leaves none open, and commands then send nothing.
        ProgramHarness::whenModal<SetSerPort>([](SetSerPort *dialog) {
            click(dialog, "Option4");
            click(dialog, "OK");
            QVERIFY(dialog->isVisible());
            click(dialog, "CANCEL");
        });
        program.button(QStringLiteral("SetCom"))->click();
        QCOMPARE(program.prompt.count(QStringLiteral("Error in opening Communication port")), 1);
        QCOMPARE(TeskCommonPart::PortInUse, qint16(0));
        QSignalSpy written(&program.controller->link(), &InstrumentLink::writeRequested);
        program.controller->link().Timer2.stop(); // whatever the last test left running
        program.button(QStringLiteral("btTest"))->click();
        QCOMPARE(written.size(), 0);
        QVERIFY(!program.controller->link().Timer2.isActive());
    }

    void aPortThatCannotBeOpenedAtStartUpIsMendedByFindMeter()
    {
        ProgramHarness program;
        program.settings->WriteProfileKey(QStringLiteral("Com2Device"),
                                          program.path(QStringLiteral("nothing")));
        program.settings->WriteProfileKey(QStringLiteral("Com3Device"), program.meter->linkPath());
        program.start();
        QTRY_COMPARE(program.prompt.shown.size(), 1);
        QVERIFY(program.prompt.shown[0].text.startsWith(
            QStringLiteral("Error in Opening Comm. port, Use Set Port \n")));
        QVERIFY(program.prompt.shown[0].text.contains(QStringLiteral("nothing")));
        QCOMPARE(program.lampColour(), LampLost);
        QVERIFY(!program.button(QStringLiteral("btTest"))->isEnabled());
        QCOMPARE(TeskCommonPart::PortInUse, qint16(0));
        QSignalSpy written(&program.controller->link(), &InstrumentLink::writeRequested);
        program.controller->link().repollTick();
        QCOMPARE(written.size(), 0);
        // The defaults were read all the same.
        QCOMPARE(program.controller->alarms().Threshold2, 5.0);

        ProgramHarness::whenModal<SetSerPort>([&program](SetSerPort *dialog) {
            click(dialog, "btFindMeter");
            auto *found = dialog->findChild<QTableWidget *>(QStringLiteral("lstFound"));
            const auto answered = [found] {
                return found->findItems(QStringLiteral("SIM-0000001"), Qt::MatchContains);
            };
            QTRY_COMPARE_WITH_TIMEOUT(answered().size(), 1, 30000);
            // The verdict reads whole, wrapped within its cell, without scrolling.
            QTableWidgetItem *verdict = answered().first();
            QCOMPARE(verdict->text(), QStringLiteral("the meter answered, instrument SIM-0000001"));
            const QRect cell = found->visualItemRect(verdict);
            QVERIFY(found->viewport()->rect().contains(cell));
            QVERIFY(QFontMetrics(verdict->font())
                        .boundingRect(QRect(0, 0, cell.width() - 8, 1000), Qt::TextWordWrap,
                                      verdict->text())
                        .height() <= cell.height());
            QTest::mouseClick(found->viewport(), Qt::LeftButton, {},
                              found->visualItemRect(answered().first()).center());
            QCOMPARE(dialog->findChild<QComboBox *>(QStringLiteral("cboDevice2"))->currentText(),
                     program.meter->linkPath());
            click(dialog, "OK");
        });
        program.button(QStringLiteral("SetCom"))->click();
        QCOMPARE(TeskCommonPart::PortInUse, qint16(2));
        QCOMPARE(key(program, "Com2Device"), program.meter->linkPath());
        program.button(QStringLiteral("btTest"))->click();
        QVERIFY(program.waitForLink());
    }

    void traceShowsEveryStepInOrder()
    {
        MeterOptions options;
        options.split = 2;
        ProgramHarness program(options);
        QVERIFY(program.startConnected({QStringLiteral("--x"), QStringLiteral("xxdbgyy")}));
        QVERIFY(program.button(QStringLiteral("btDebug"))->isVisible());
        // Opening the port notes what was set for latency, before any reply.
        const QStringList &opening = program.controller->trace().lines();
        QCOMPARE(opening.first(),
                 SerialTransport::lowLatencyNote(program.meter->linkPath(),
                                                 SerialTransport::LowLatency::Unsupported));
        QVERIFY(opening.at(1).startsWith(QStringLiteral("Online stoped on ")));
        program.button(QStringLiteral("btDebug"))->click();
        auto *list =
            program.window->debugWindow().findChild<QListWidget *>(QStringLiteral("List1"));
        program.window->debugWindow().findChild<QCheckBox *>(QStringLiteral("chkShowAll"))->click();
        program.window->debugWindow().findChild<QPushButton *>(QStringLiteral("btClear"))->click();

        program.button(QStringLiteral("btTest"))->click();
        QStringList lines;
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                lines.clear();
                for (int i = 0; i < list->count(); ++i)
                    lines << list->item(i)->text();
                return indexOf(lines, QStringLiteral("Online stoped on")) > 0;
            }(),
            10000);
        const qsizetype sent = indexOf(lines, QStringLiteral("Send 1 6 30 30 30 30 30 30 30 "));
        const qsizetype all = indexOf(lines, QStringLiteral("All "), sent);
        QVERIFY(sent >= 0 && all > sent);
        QVERIFY(lines[all].endsWith(QStringLiteral(" Ret= 1")));
        const qsizetype stopSent =
            indexOf(lines, QStringLiteral("Send 1 9 30 30 30 30 30 30 30 "), all);
        QVERIFY(all < stopSent);
        QCOMPARE(lines[stopSent + 1], QStringLiteral("Online stoped on 2026-12-05 09:30:07"));
    }

    void anEmptyPortKeyOpensNothingAndReadsNoDefaults()
    {
        ProgramHarness empty;
        empty.settings->WriteProfileKey(QStringLiteral("CommPort"), QString());
        empty.start();
        QTRY_COMPARE(empty.prompt.shown.size(), 1);
        QCOMPARE(empty.prompt.shown[0].text, QStringLiteral("Port not opened, Use Set Port "));
        QCOMPARE(empty.controller->alarms().Threshold1, 0.0);
        QVERIFY(empty.commands.isEmpty());
    }

    void simulatedMeterEndsWhenTheProgramIsKilled()
    {
        QTemporaryDir dir;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TESK_HOME"), dir.filePath(QStringLiteral("home")));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.path());
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(TESK_PROGRAM), {QStringLiteral("--simulate")});
        // Killed once it has opened the meter's line, after the meter started.
        const auto portOpen = [fds = QStringLiteral("/proc/%1/fd").arg(program.processId())] {
            const QFileInfoList entries = QDir(fds).entryInfoList(QDir::AllEntries | QDir::System);
            return std::any_of(entries.begin(), entries.end(), [](const QFileInfo &fd) {
                return fd.symLinkTarget().startsWith(QStringLiteral("/dev/pts/"));
            });
        };
        QTRY_VERIFY_WITH_TIMEOUT(portOpen(), 20000);
        const QByteArray meter =
            fileBytes(QStringLiteral("/proc/%1/task/%1/children").arg(program.processId()))
                .split(' ')
                .first();
        const auto ended = [stat = QStringLiteral("/proc/%1/stat").arg(meter)] {
            const QByteArray text = fileBytes(stat);
            return text.isEmpty() || text.contains(") Z ");
        };
        const auto cleanUp = qScopeGuard([&] {
            if (!ended())
                ::kill(meter.toInt(), SIGKILL);
        });
        ::kill(static_cast<pid_t>(program.processId()), SIGKILL);
        QVERIFY(program.waitForFinished());
        QTRY_VERIFY_WITH_TIMEOUT(ended(), 10000);
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_main_window.moc"
