#include "ProgramHarness.h"

#include "FileSizeLimit.h"
#include "LongListRecords.h"
#include "WriteToFile.h"

#include <QLabel>
#include <QLineEdit>
#include <QProcess>

#include <csignal>
#include <unistd.h>

namespace {

const QColor Green(0, 255, 0);
const QColor Yellow(255, 255, 0);
const QColor Red(255, 0, 0);
const QColor LightBlue(128, 255, 255);

} // namespace

class ReadingsTest : public QObject
{
    Q_OBJECT

private slots:
    // Each row: a fault in the third record's request or reply, then the records stored
    // (of four in the meter, three when the request is lost).
    void downloadAsksAgainAfterAFaultAndSaysARecordMayBeMissing_data()
    {
        QTest::addColumn<bool>("dropped");
        QTest::addColumn<QString>("traced");
        QTest::addColumn<QStringList>("minutes");
        // The meter counts the record of its bad reply as sent.
        QTest::newRow("bad reply") << false << "A bad reply in the download, after its record 2"
                                   << QStringList{"15", "16", "18"};
        // Without the reply timer after the lost request the download would wait for ever.
        QTest::newRow("request lost") << true << "No reply in the download, after its record 2"
                                      << QStringList{"15", "16", "17"};
    }

    void downloadAsksAgainAfterAFaultAndSaysARecordMayBeMissing()
    {
        QFETCH(bool, dropped);
        QFETCH(QString, traced);
        QFETCH(QStringList, minutes);
        ProgramHarness program;
        QList<MeterSimulator::Reading> readings;
        for (int minute = 15; minute < (dropped ? 18 : 19); ++minute)
            readings << storedAt(8, minute, minute / 10.0);
        program.meter->simulator().setStoredReadings(readings);
        QVERIFY(program.startConnected());
        MeterOptions faulty = program.meter->options();
        (dropped ? faulty.dropEvery : faulty.corruptEvery) = 3;
        program.meter->setOptions(faulty);
        program.button(QStringLiteral("btGetData"))->click();
        // Fail at the deadline, without QTRY's long second look.
        QVERIFY(QTest::qWaitFor(
            [&program] {
                return program.prompt.count(QStringLiteral(
                           "Data loaded succesfully.\n1 reply from the instrument was bad or "
                           "missing, so 1 record may be missing from the list: run Get Data "
                           "again into a new list to be sure of them all.")) == 1;
            },
            15000));
        QVERIFY(program.controller->trace().lines().contains(traced));
        QCOMPARE(program.controller->link().ErrCount, qint16(0));
        const QStringList lines = program.listLines().mid(6);
        QCOMPARE(lines.size(), minutes.size());
        for (qsizetype i = 0; i < lines.size(); ++i)
            QVERIFY(lines[i].contains(QStringLiteral("08:%1:00").arg(minutes[i])));
    }

    void downloadFromAMeterGoingAwayKeepsTheRecordsSoFar()
    {
        MeterOptions options;
        options.records = 6;
        options.closeAfter = 2;
        ProgramHarness program(options);
        QVERIFY(program.startConnected());
        program.button(QStringLiteral("btGetData"))->click();
        QTRY_COMPARE_WITH_TIMEOUT(program.prompt.count(QStringLiteral("Instrument not responding")),
                                  1, 15000);
        QVERIFY(!program.controller->link().Downloading);
        QCOMPARE(program.listLines().size(), 6 + 2);
        QCOMPARE(program.controller->grid().NumOfRec(), 2);
    }

    void theAppendQuestionOfStartAndGetData()
    {
        ProgramHarness program;
        program.meter->simulator().setStoredReadings({});
        program.settings->WriteProfileKey(QStringLiteral("SecInt"), QStringLiteral(" 1"));
        QVERIFY(program.startConnected());
        program.button(QStringLiteral("btGetData"))->click();
        QTRY_COMPARE_WITH_TIMEOUT(program.prompt.count(QStringLiteral(" No data in instrument")), 1,
                                  15000);

        // The list exists now: the question comes, and Cancel leaves everything as it was.
        const QStringList before = program.listLines();
        program.commands.clear();
        program.button(QStringLiteral("btGetData"))->click();
        QCOMPARE(program.prompt.shown.last().text,
                 QStringLiteral("Do you want to append data to the existing list ? \n\n"));
        QCOMPARE(program.prompt.shown.last().buttons, UserPrompt::Buttons::YesNoCancel);
        // A dismissed question cancels Start the same way.
        QPushButton *start = program.button(QStringLiteral("btStart"));
        start->click();
        QCOMPARE(start->text(), QStringLiteral("Start"));
        QCOMPARE(program.listLines(), before);
        QVERIFY(!program.controller->link().Downloading);
        // Nothing went to the meter before this test.
        program.button(QStringLiteral("btTest"))->click();
        QTRY_VERIFY_WITH_TIMEOUT(!program.commands.isEmpty(), 10000);
        QCOMPARE(program.commands.first(), CommandFrame::plain(CommandFrame::Test));
        QTRY_VERIFY_WITH_TIMEOUT(program.commands.last() == CommandFrame::onlineStop(), 10000);

        program.prompt.answers = {UserPrompt::Answer::Yes};
        start->click();
        QCOMPARE(start->text(), QStringLiteral("Stop"));
        QVERIFY(program.action(QStringLiteral("Toolbar1:mnStart"))->isChecked());
        QVERIFY(!program.button(QStringLiteral("btGetData"))->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(program.commands.contains(CommandFrame::onlineStart(0, 1)), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(program.listLines().size() > before.size() + 1, 15000);
        // Online readings carry the computer's clock.
        QCOMPARE(program.controller->grid().cellText(0, 1), QStringLiteral("2026-12-05 09:30:07"));

        start->click();
        QCOMPARE(start->text(), QStringLiteral("Start"));
        QVERIFY(program.button(QStringLiteral("btGetData"))->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(program.commands.last() == CommandFrame::onlineStop(), 10000);

        program.prompt.answers = {UserPrompt::Answer::No};
        start->click();
        QCOMPARE(program.listLines().size(), 6);
        QCOMPARE(program.controller->grid().NumOfRec(), 0);
        QCOMPARE(program.widget<QLineEdit>(QStringLiteral("edCount"))->text(), QStringLiteral("0"));
        QTRY_VERIFY_WITH_TIMEOUT(program.listLines().size() > 6 + 1, 15000);

        // A save stops online collection; with no list to append to, the next
        // start asks nothing and begins a new one.
        ProgramHarness::whenModal<WriteToFile>([](WriteToFile *dialog) {
            dialog->findChild<QPushButton *>(QStringLiteral("btWrite"))->click();
        });
        program.button(QStringLiteral("btWrFile"))->click();
        QCOMPARE(start->text(), QStringLiteral("Start"));
        QTRY_VERIFY_WITH_TIMEOUT(program.commands.last() == CommandFrame::onlineStop(), 10000);
        const qsizetype shown = program.prompt.shown.size();
        start->click();
        QCOMPARE(program.prompt.shown.size(), shown);
        QCOMPARE(program.listLines().size(), 6);
        start->click();
    }

    void thresholdsAndSilenceColourTheValueAndSoundOnEntry()
    {
        QuietProgram program;
        // A reading, then the value's colour and the playbacks so far.
        const auto after = [&](double value) {
            program.read(value);
            return std::pair(program.controller->controls().colour(QStringLiteral("lblValue")),
                             program.player->plays.size());
        };
        QCOMPARE(after(0.10), std::pair(Green, qsizetype(0)));
        QCOMPARE(after(0.20), std::pair(Green, qsizetype(0)));
        QCOMPARE(after(0.21), std::pair(Yellow, qsizetype(1)));
        QVERIFY(program.player->plays[0].endsWith(QStringLiteral("/Notify.wav")));
        // Muted: this playback ends and is not repeated.
        program.widget<QLabel>(QStringLiteral("lblValue"))->setFocus();
        QTest::mouseClick(program.widget<QLabel>(QStringLiteral("lblValue")), Qt::LeftButton);
        program.player->finish();
        QCOMPARE(after(5.00), std::pair(Yellow, qsizetype(1)));
        QCOMPARE(after(5.01), std::pair(Red, qsizetype(2)));
        // Still sounding: a repeat follows the end of each playback until muted.
        program.player->finish();
        QCOMPARE(program.player->plays.size(), 3);
        program.action(QStringLiteral("Toolbar1:mnMuteAlarm"))->trigger();
        program.player->finish();
        QCOMPARE(program.player->plays.size(), 3);

        // Silence for the lost-contact interval (5 s) raises its alarm; a reading ends it.
        AlarmMonitor &alarms = program.controller->alarms();
        QVERIFY(alarms.isLostContactTimerEnabled());
        for (int tick = 0; tick < 5; ++tick)
            alarms.lostContactTick();
        QCOMPARE(alarms.AlarmLevel, qint16(2));
        alarms.lostContactTick();
        QCOMPARE(alarms.AlarmLevel, qint16(3));
        QCOMPARE(program.controller->controls().colour(QStringLiteral("lblValue")), LightBlue);
        QCOMPARE(program.player->plays.size(), 4);
        QCOMPARE(after(0.05).first, Green);
    }

    void reading301DropsTheOldestRowClearEmptiesOnlyTheGridAndARestartLoadsTheListPastATornLine()
    {
        QTemporaryDir root;
        {
            QuietProgram program;
            for (int i = 1; i <= 301; ++i)
                program.read(i);
            const RecordGridModel &grid = program.controller->grid();
            QCOMPARE(grid.NumOfRec(), 300);
            QCOMPARE(grid.cellText(0, 3), QStringLiteral("301.00  "));
            QCOMPARE(grid.cellText(299, 3), QStringLiteral("2.00    "));
            const QStringList lines = program.listLines();
            QCOMPARE(lines.size(), 6 + 301);
            program.button(QStringLiteral("btClearList"))->click(); // dismissed
            QCOMPARE(program.prompt.shown.last().text,
                     QStringLiteral("Clear List.\r\n Are you sure ?"));
            QCOMPARE(grid.NumOfRec(), 300);
            program.prompt.answers = {UserPrompt::Answer::Yes};
            program.button(QStringLiteral("btClearList"))->click();
            QCOMPARE(grid.NumOfRec(), 0);
            QCOMPARE(program.listLines(), lines);
            QCOMPARE(program.widget<QLineEdit>(QStringLiteral("edCount"))->text(),
                     QStringLiteral("301"));
            program.read(9);
            QCOMPARE(grid.cellText(0, 3), QStringLiteral("9.00    "));
            QDir().rename(program.programFolder(), root.filePath(QStringLiteral("home")));
        }
        // A line torn by a power cut is skipped, the records after it kept, and told once.
        QFile list(root.filePath(QStringLiteral("home/TeskTemp.lst")));
        QVERIFY(list.open(QIODevice::Append));
        const QByteArray record = WorkingListFile::quoted(longListRecordText(0)); // 0.25
        list.write(record.left(25) + "\r\n" + record);
        list.close();
        ProgramHarness again(QuietProgram::silentMeter(), root.path());
        again.start();
        QCOMPARE(again.widget<QLineEdit>(QStringLiteral("edCount"))->text(), QStringLiteral("303"));
        const QString told = QStringLiteral("Line 309 of ") + list.fileName() +
                             QStringLiteral(" cannot be read and is left out.");
        QTRY_COMPARE(again.prompt.count(told), 1);
        QCOMPARE(again.controller->listFile().ListValues()[301][0], 9.0);
        QCOMPARE(again.controller->listFile().ListValues()[302][0], 0.25);
        QCOMPARE(again.controller->grid().NumOfRec(), 0);
        QVERIFY(again.button(QStringLiteral("btGraph"))->isEnabled());
    }

    void listFileProblemIsShownAndWritingResumes()
    {
        QuietProgram program;
        program.read(1);
        QLabel *warning = program.widget<QLabel>(QStringLiteral("lblListWarning"));
        FileSizeLimit fullDisk(QFileInfo(program.listFile()).size());
        program.read(2);
        program.read(3);
        fullDisk.lift();
        // The live value is shown all the same, its row marked as not in the file.
        QCOMPARE(program.widget<QLabel>(QStringLiteral("lblValue"))->text(),
                 QStringLiteral("3.00 uSv/h"));
        QVERIFY(warning->isVisible());
        QVERIFY(warning->text().contains(QStringLiteral("not being saved")));
        QCOMPARE(program.prompt.shown.size(), 0); // told in the window, not by a box
        const RecordGridModel &grid = program.controller->grid();
        QCOMPARE(grid.NumOfRec(), 3);
        program.read(4);
        QVERIFY(!warning->isVisible());
        const QStringList lines = program.listLines();
        QCOMPARE(lines.size(), 6 + 2);
        QVERIFY(lines.last().contains(QStringLiteral("4.00")));
        QString marks; // newest first: + in the file, - marked as not
        for (int row = 0; row < 4; ++row)
            marks += grid.data(grid.index(row, 0), Qt::ToolTipRole).isValid() ? u'-' : u'+';
        QCOMPARE(marks, QStringLiteral("+--+"));
    }

    void fullDiskStopsTheDownloadAtTheFirstRecordNotStored()
    {
        ProgramHarness program;
        QDir().mkpath(program.programFolder());
        QFile list(program.listFile());
        QVERIFY(list.open(QIODevice::WriteOnly) && list.write(QByteArray("\"x\"\r\n").repeated(6)));
        list.close();
        QVERIFY(program.startConnected());
        program.controller->trace().setShown(true); // to count the replies
        program.prompt.answers = {UserPrompt::Answer::Yes};
        FileSizeLimit fullDisk(list.size() + 200); // room for two records
        program.button(QStringLiteral("btGetData"))->click();
        // The end-of-data mark answers the request sent before the third record failed.
        QTRY_COMPARE_WITH_TIMEOUT(program.controller->trace()
                                      .lines()
                                      .filter(QRegularExpression(QStringLiteral("^All ")))
                                      .size(),
                                  4, 15000);
        fullDisk.lift();
        QTRY_COMPARE(program.prompt.count(QStringLiteral("The download stopped")), 1);
        QVERIFY(program.prompt.shown.last().text.contains(QStringLiteral("2 records")));
        QCOMPARE(program.prompt.count(QStringLiteral("Data loaded")), 0);
        QCOMPARE(program.controller->grid().NumOfRec(), 2);
        QCOMPARE(program.listLines().size(), 6 + 2);
        QVERIFY(!program.controller->link().Downloading);
    }

    void readingShownSurvivesAKillRightAfter()
    {
        QTemporaryDir root;
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--crash-after-first-reading"), root.path()});
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        const QString shown = QString::fromLatin1(child.readAllStandardOutput()).trimmed();
        QVERIFY2(shown.startsWith(QStringLiteral("shown ")), qPrintable(shown));
        QFile list(root.filePath(QStringLiteral("home/TeskTemp.lst")));
        QVERIFY(list.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = list.readAll().split('\n');
        QCOMPARE(lines.size(), 6 + 1 + 1);
        QVERIFY(lines[6].contains(shown.mid(6).toLatin1()));
    }
};

// Started by readingShownSurvivesAKillRightAfter: downloads from a meter and
// dies the moment the first reading is on screen.
static int crashAfterFirstReading(const QString &root)
{
    MeterOptions options;
    options.records = 3;
    ProgramHarness program(options, root);
    if (!program.startConnected())
        return 1;
    QObject::connect(&program.controller->controls(), &ControlStates::changed,
                     &program.controller->controls(), [&program](const QString &name) {
                         if (name != QStringLiteral("lblValue"))
                             return;
                         const QString text = program.controller->controls().text(name);
                         std::fprintf(stdout, "shown %s\n",
                                      qPrintable(text.section(QChar(u' '), 0, 0)));
                         std::fflush(stdout);
                         ::kill(::getpid(), SIGKILL);
                     });
    program.button(QStringLiteral("btGetData"))->click();
    // The kill ends the process; if no reading comes, give up after a while.
    QTimer::singleShot(30000, [] { QCoreApplication::exit(2); });
    return QCoreApplication::exec();
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--crash-after-first-reading")
        return crashAfterFirstReading(QString::fromLocal8Bit(argv[2]));
    ReadingsTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_readings.moc"
