#include "ProgramHarness.h"
#include "RecordLine.h"
#include "WorkbookCells.h"
#include "Xl.h"

#include <QProcess>

#include <csignal>

namespace {

constexpr int Patience = 30000; // ms; generous for a loaded machine

struct Run
{
    int code = -1;
    QString out;
    QString err;
};

QProcess *startCli(ProgramHarness &h, const QStringList &arguments)
{
    auto *process = new QProcess;
    process->setProcessEnvironment(h.environment());
    process->start(QStringLiteral(TESK_CLI), arguments);
    return process;
}

// Runs tesk-cli to its end while the simulated meter serves the line.
Run runCli(ProgramHarness &h, const QStringList &arguments)
{
    std::unique_ptr<QProcess> process(startCli(h, arguments));
    if (!QTest::qWaitFor([&] { return process->state() == QProcess::NotRunning; }, Patience))
        process->kill();
    process->waitForFinished(Patience);
    return {process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1,
            QString::fromLocal8Bit(process->readAllStandardOutput()),
            QString::fromLocal8Bit(process->readAllStandardError())};
}

QStringList linesOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromLatin1(file.readAll()).split(QStringLiteral("\r\n"));
    lines.removeAll(QString());
    return lines;
}

// The commands with a test repeated after a slow reply (a loaded machine) counted once.
QList<QByteArray> withoutRepeatedTests(QList<QByteArray> commands)
{
    const QByteArray test = CommandFrame::plain(CommandFrame::Test);
    for (qsizetype i = commands.size() - 1; i > 0; --i) {
        if (commands[i] == test && commands[i - 1] == test)
            commands.removeAt(i);
    }
    return commands;
}

} // namespace

class CliTest : public QObject
{
    Q_OBJECT

private slots:
    void downloadWritesTheListAndTheWindowsWorkbook()
    {
        ProgramHarness h;
        const QString list = h.path(QStringLiteral("survey.lst"));
        const QString book = h.path(QStringLiteral("survey.xlsx"));
        const Run run =
            runCli(h, {QStringLiteral("download"), QStringLiteral("--port"), h.meter->linkPath(),
                       QStringLiteral("--list"), list, QStringLiteral("--xlsx"), book});
        QVERIFY2(run.code == 0, qPrintable(run.err));
        // The window's Get Data on the line: online stop, first request, then one per record.
        QTRY_COMPARE_WITH_TIMEOUT(
            h.commands,
            (QList<QByteArray>{CommandFrame::onlineStop(),
                               CommandFrame::plain(CommandFrame::GetStoredData),
                               CommandFrame::plain(CommandFrame::NextRecord),
                               CommandFrame::plain(CommandFrame::NextRecord),
                               CommandFrame::plain(CommandFrame::NextRecord)}),
            Patience);
        // Piped: the results only, no progress line.
        QCOMPARE(run.out, QStringLiteral("Downloaded 3 records to %1.\nSaved the workbook %2.\n")
                              .arg(list, book));
        const QStringList lines = linesOf(list);
        QCOMPARE(lines.size(), 9);

        // The workbook holds what the window's save makes of the same list.
        QDir().mkpath(h.programFolder());
        QFile::copy(list, h.programFolder() + QStringLiteral("/survey.lst"));
        ScriptedPrompt prompt;
        ScriptedOpener opener;
        QVERIFY(Xl(h.programFolder(), prompt, opener).SaveXl(QStringLiteral("survey"), true));
        const QByteArray cells = WorkbookCells::readText(book);
        QVERIFY(cells.contains("SIM-0000001"));
        QCOMPARE(cells,
                 WorkbookCells::readText(h.programFolder() + QStringLiteral("/survey.xlsx")));

        // An existing list or workbook is kept unless the command line says otherwise.
        Run again = runCli(h, {QStringLiteral("download"), QStringLiteral("--port"),
                               h.meter->linkPath(), QStringLiteral("--list"), list});
        QCOMPARE(again.code, 1);
        QVERIFY2(again.err.contains(QStringLiteral("--append")), qPrintable(again.err));
        QCOMPARE(linesOf(list), lines);
        again = runCli(h, {QStringLiteral("export"), list, QStringLiteral("--xlsx"), book});
        QCOMPARE(again.code, 1);
        QVERIFY2(again.err.contains(QStringLiteral("--replace")), qPrintable(again.err));
        again =
            runCli(h, {QStringLiteral("download"), QStringLiteral("--port"), h.meter->linkPath(),
                       QStringLiteral("--list"), list, QStringLiteral("--append")});
        QVERIFY2(again.code == 0, qPrintable(again.err));
        QCOMPARE(linesOf(list).size(), 12);
        again = runCli(h, {QStringLiteral("export"), list, QStringLiteral("--xlsx"), book,
                           QStringLiteral("--replace")});
        QVERIFY2(again.code == 0, qPrintable(again.err));

        // A list of the legend alone gives no workbook.
        QFile legendOnly(h.path(QStringLiteral("empty.lst")));
        QVERIFY(legendOnly.open(QIODevice::WriteOnly));
        legendOnly.write(
            (lines.mid(0, 6).join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toLatin1());
        legendOnly.close();
        const QString noBook = h.path(QStringLiteral("empty.xlsx"));
        again = runCli(
            h, {QStringLiteral("export"), legendOnly.fileName(), QStringLiteral("--xlsx"), noBook});
        QCOMPARE(again.code, 1);
        QCOMPARE(again.err, QStringLiteral("tesk-cli: ") + Xl::NoRecords + u'\n');
        QVERIFY(!QFile::exists(noBook));
    }

    void testSetTimeAndCalibrationTestTheLineFirst()
    {
        ProgramHarness h;
        const QStringList port{QStringLiteral("--port"), h.meter->linkPath()};
        const QList<QByteArray> tested{CommandFrame::plain(CommandFrame::Test),
                                       CommandFrame::onlineStop()};
        Run run = runCli(h, QStringList{QStringLiteral("test")} + port);
        QVERIFY2(run.code == 0, qPrintable(run.err));
        QVERIFY2(run.out.contains(QStringLiteral("instrument SIM-0000001")), qPrintable(run.out));
        // The meter may read the last command after the program has ended.
        QTRY_COMPARE_WITH_TIMEOUT(withoutRepeatedTests(h.commands), tested, Patience);

        h.commands.clear();
        run = runCli(h, QStringList{QStringLiteral("set-time")} + port);
        QVERIFY2(run.code == 0, qPrintable(run.err));
        QTRY_COMPARE_WITH_TIMEOUT(withoutRepeatedTests(h.commands).size(), 3, Patience);
        QCOMPARE(withoutRepeatedTests(h.commands).mid(0, 2), tested);
        QCOMPARE(CommandFrame::codeOf(h.commands.last()), int(CommandFrame::SetClock));

        h.commands.clear();
        run = runCli(h, QStringList{QStringLiteral("calibration")} + port);
        QVERIFY2(run.code == 0, qPrintable(run.err));
        QTRY_COMPARE_WITH_TIMEOUT(
            withoutRepeatedTests(h.commands),
            tested + QList<QByteArray>{CommandFrame::plain(CommandFrame::GetCalibration)},
            Patience);
        QVERIFY2(run.out.contains(QStringLiteral("Calibration Due: 30/06/2027\n")),
                 qPrintable(run.out));
        QVERIFY(run.out.contains(QStringLiteral("Calibrated by: J. Tester\n")));
    }

    void aMeterThatIsNotThereFailsNamingTheCause()
    {
        MeterOptions silent;
        silent.silent = true;
        ProgramHarness h(silent);
        Run run =
            runCli(h, {QStringLiteral("test"), QStringLiteral("--port"), h.meter->linkPath()});
        QCOMPARE(run.code, 1);
        QVERIFY2(run.err.contains(QStringLiteral("does not answer")), qPrintable(run.err));
        // The test is repeated after each missing reply, then given up.
        QCOMPARE(h.commandCount(CommandFrame::plain(CommandFrame::Test)), 4);

        run = runCli(h, {QStringLiteral("download"), QStringLiteral("--port"),
                         h.path(QStringLiteral("nothing")), QStringLiteral("--list"),
                         h.path(QStringLiteral("a.lst"))});
        QCOMPARE(run.code, 1);
        QVERIFY2(run.err.contains(QStringLiteral("There is no device")), qPrintable(run.err));
    }

    void monitorListsEachReadingAndStopsTheMeterOnInterrupt()
    {
        MeterOptions options;
        options.values = {0.1, 0.3, 6};
        ProgramHarness h(options);
        const QString list = h.path(QStringLiteral("online.lst"));
        std::unique_ptr<QProcess> process(
            startCli(h, {QStringLiteral("monitor"), QStringLiteral("--port"), h.meter->linkPath(),
                         QStringLiteral("--interval"), QStringLiteral("00:01"),
                         QStringLiteral("--list"), list}));
        QString out;
        QVERIFY(QTest::qWaitFor(
            [&] {
                out += QString::fromLocal8Bit(process->readAllStandardOutput());
                return out.count(QChar(u'\n')) >= 3;
            },
            Patience));
        // Each printed reading is already in the list.
        QVERIFY(linesOf(list).size() >= 6 + 3);
        ::kill(static_cast<pid_t>(process->processId()), SIGINT);
        QVERIFY(
            QTest::qWaitFor([&] { return process->state() == QProcess::NotRunning; }, Patience));
        QCOMPARE(process->exitStatus(), QProcess::NormalExit);
        const QString err = QString::fromLocal8Bit(process->readAllStandardError());
        QVERIFY2(process->exitCode() == 0, qPrintable(err));
        out += QString::fromLocal8Bit(process->readAllStandardOutput());
        QCOMPARE(linesOf(list).size(), 6 + out.count(QChar(u'\n')));
        QVERIFY2(err.contains(QStringLiteral("Warning: 0.30 uSv/h")), qPrintable(err));
        QVERIFY2(err.contains(QStringLiteral("Alarm: 6.00 uSv/h")), qPrintable(err));
        QCOMPARE(withoutRepeatedTests(h.commands).mid(0, 3),
                 (QList<QByteArray>{CommandFrame::plain(CommandFrame::Test),
                                    CommandFrame::onlineStop(), CommandFrame::onlineStart(0, 1)}));
        QTRY_COMPARE_WITH_TIMEOUT(withoutRepeatedTests(h.commands).size(), 4, Patience);
        QCOMPARE(h.commands.last(), CommandFrame::onlineStop());
    }

    void reportWritesThePdfWithTheSettingsAndRefusesToOverwrite()
    {
        ProgramHarness h;
        h.settings->WriteProfileKey(QStringLiteral("Threshold1"), QStringLiteral("0.15"));
        h.settings->WriteProfileKey(QStringLiteral("CalDueSIM1"), QStringLiteral("2000-01-31"));
        const QString list = h.path(QStringLiteral("survey.lst"));
        const QString pdf = h.path(QStringLiteral("survey.pdf"));
        QFile file(list);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(WorkingListFile::quoted(QStringLiteral("Department: Health Physics")));
        for (int i = 0; i < 6; ++i) {
            MeasurementRecord r{QStringLiteral("SIM-0000001"),
                                QStringLiteral("2026-12-05 09:3%1:00").arg(i),
                                QStringLiteral("0.%125").arg(i),
                                QStringLiteral("uSv/h"),
                                QStringLiteral("ok"),
                                QStringLiteral("HT50"),
                                QStringLiteral(" "),
                                0};
            file.write(WorkingListFile::quoted(RecordLine::format(r)));
        }
        file.close();
        const QStringList report{QStringLiteral("report"), list, QStringLiteral("--pdf"), pdf};

        Run run = runCli(h, report);
        QVERIFY2(run.code == 0, qPrintable(run.err));
        QVERIFY(run.out.startsWith(QStringLiteral("Saved the report")));
        QProcess text;
        text.start(QStringLiteral("pdftotext"),
                   {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        QVERIFY(text.waitForFinished(Patience));
        const QString shown = QString::fromUtf8(text.readAllStandardOutput()).simplified();
        QVERIFY2(shown.contains(QStringLiteral("Warning 0.15 4")), qPrintable(shown));
        QVERIFY2(shown.contains(QStringLiteral("SIM-0000001 calibration overdue by")),
                 qPrintable(shown));

        run = runCli(h, report);
        QCOMPARE(run.code, 1);
        QVERIFY2(run.err.contains(QStringLiteral("--replace")), qPrintable(run.err));
        const QByteArray listBytes = [&] {
            QFile f(list);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        run = runCli(h, {QStringLiteral("report"), list, QStringLiteral("--pdf"),
                         h.path(QStringLiteral("./survey.lst")), QStringLiteral("--replace")});
        QCOMPARE(run.code, 1);
        run = runCli(h, report + QStringList{QStringLiteral("--replace")});
        QVERIFY2(run.code == 0, qPrintable(run.err));
        QFile kept(list);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), listBytes);
    }

    void usageErrorsExitWithTwoAndHelpWithZero()
    {
        ProgramHarness h;
        const QList<QStringList> wrong{
            {},
            {QStringLiteral("fetch")},
            {QStringLiteral("download"), QStringLiteral("--list"), QStringLiteral("a.lst")},
            {QStringLiteral("monitor"), QStringLiteral("--port"), QStringLiteral("x"),
             QStringLiteral("--list"), QStringLiteral("a.lst"), QStringLiteral("--interval"),
             QStringLiteral("00:00")},
            {QStringLiteral("export"), QStringLiteral("a.lst")},
            {QStringLiteral("report"), QStringLiteral("a.lst")},
            {QStringLiteral("test"), QStringLiteral("--port"), QStringLiteral("x"),
             QStringLiteral("--bogus")}};
        for (const QStringList &arguments : wrong) {
            const Run run = runCli(h, arguments);
            QCOMPARE(run.code, 2);
            QVERIFY2(run.err.contains(QStringLiteral("Usage: tesk-cli")), qPrintable(run.err));
            QVERIFY(run.out.isEmpty());
        }
        const Run help = runCli(h, {QStringLiteral("download"), QStringLiteral("--help")});
        QCOMPARE(help.code, 0);
        QVERIFY(help.out.contains(QStringLiteral("--append")));
        QVERIFY(h.commands.isEmpty());
    }
};

QTEST_MAIN(CliTest)
#include "tst_cli.moc"
