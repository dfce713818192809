#include "FileSizeLimit.h"
#include "LongListRecords.h"
#include "MeasurementDecoder.h"
#include "ProgramHarness.h"
#include "RecordLine.h"
#include "WorkbookCells.h"
#include "Xl.h"

#include <QProcess>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

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
    process->setWorkingDirectory(h.path(QString()));
    process->start(QStringLiteral(TESK_CLI), arguments);
    return process;
}

// Runs tesk-cli to its end while the simulated meter serves the line. The
// wait runs an event loop, so the meter answers each command the moment it
// arrives (a polling wait would keep it from the line for milliseconds).
Run runCli(ProgramHarness &h, const QStringList &arguments)
{
    std::unique_ptr<QProcess> process(startCli(h, arguments));
    QSignalSpy finished(process.get(), &QProcess::finished);
    if (process->state() != QProcess::NotRunning && !finished.wait(Patience))
        process->kill();
    process->waitForFinished(Patience);
    return {process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1,
            QString::fromLocal8Bit(process->readAllStandardOutput()),
            QString::fromLocal8Bit(process->readAllStandardError())};
}

// Downloads from the simulated meter into `list`.
Run download(ProgramHarness &h, const QString &list, const QStringList &more = {})
{
    return runCli(h, QStringList{QStringLiteral("download"), QStringLiteral("--port"),
                                 h.meter->linkPath(), QStringLiteral("--list"), list} +
                         more);
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList linesOf(const QString &path)
{
    QStringList lines = QString::fromLatin1(contentOf(path)).split(QStringLiteral("\r\n"));
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

// A list file of `records` readings, as the program saves one.
void writeList(const QString &path, int records)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QByteArray bytes;
    for (const char *line :
         {"Department: Health Physics", "Date: 2024-05-01", "Instrument Type: RM-2",
          "Survey location: Hall 3", "Surveyor: Ann", "Signture:"})
        bytes += '"' + QByteArray(line) + "\"\r\n";
    for (int n = 0; n < records; ++n) {
        bytes += '"' + longListRecordText(n).toLatin1() + "\"\r\n";
        if (bytes.size() > (1 << 20)) {
            QVERIFY(file.write(bytes) == bytes.size());
            bytes.clear();
        }
    }
    QVERIFY(file.write(bytes) == bytes.size());
}

// Ended, or ended and not yet reaped by its new parent.
bool processGone(qint64 pid)
{
    const QByteArray stat = contentOf(QStringLiteral("/proc/%1/stat").arg(pid));
    return stat.isEmpty() || stat.mid(stat.lastIndexOf(')') + 2, 1) == "Z";
}

QStringList workFolders(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral(".tesk-cli-*")},
                                  QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
}

// An export of a long list, held still in the middle: its work folder made,
// its export process stopped.
struct HeldExport
{
    std::unique_ptr<QProcess> process;
    qint64 child = 0;
};

HeldExport holdExport(ProgramHarness &h, const QString &list, const QString &workbook)
{
    HeldExport held;
    held.process.reset(
        startCli(h, {QStringLiteral("export"), list, QStringLiteral("--xlsx"), workbook}));
    const QString children = QStringLiteral("/proc/%1/task/%1/children");
    const QString folder = QFileInfo(workbook).absolutePath();
    // Held once the export writes its sheet; held.child stays 0 when the export ends first.
    [[maybe_unused]] const bool settled = QTest::qWaitFor(
        [&] {
            if (held.process->state() == QProcess::NotRunning)
                return true;
            const QStringList work = workFolders(folder);
            if (work.isEmpty() ||
                QDir(folder + QChar(u'/') + work.first())
                    .entryList({QStringLiteral(".tesk-sheet-*")}, QDir::Hidden | QDir::Files)
                    .isEmpty())
                return false;
            held.child = contentOf(children.arg(held.process->processId())).trimmed().toLongLong();
            return held.child > 0 && ::kill(static_cast<pid_t>(held.child), SIGSTOP) == 0;
        },
        Patience);
    if (held.process->state() == QProcess::NotRunning)
        held.child = 0;
    return held;
}

} // namespace

class CliTest : public QObject
{
    Q_OBJECT

private slots:
    void downloadWritesTheListAndTheWindowsWorkbookRunAfterRun()
    {
        ProgramHarness h;
        QStringList expected;
        for (const MeterSimulator::Reading &reading : h.meter->simulator().storedReadings()) {
            const QByteArray message =
                MeterSimulator::measurementMessage(reading, h.meter->options().instrument);
            expected << u'"' +
                            RecordLine::format(
                                MeasurementDecoder::GetDataFromMess(message, true, {})) +
                            u'"';
        }
        const QString list = h.path(QStringLiteral("survey.lst"));
        const QString book = h.path(QStringLiteral("survey.xlsx"));
        const Run run = download(h, list, {QStringLiteral("--xlsx"), book});
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
        // A download refuses an existing workbook before it asks the meter anything.
        const QByteArray saved = contentOf(book);
        Run again =
            download(h, h.path(QStringLiteral("new.lst")), {QStringLiteral("--xlsx"), book});
        QCOMPARE(again.code, 1);
        QVERIFY2(again.err.contains(QStringLiteral("--replace")), qPrintable(again.err));
        QCOMPARE(h.commands.size(), 5);
        QVERIFY(!QFileInfo::exists(h.path(QStringLiteral("new.lst"))));
        QCOMPARE(contentOf(book), saved);
        // Piped: the results only, no progress line.
        QCOMPARE(run.out, QStringLiteral("Downloaded 3 records to %1.\nSaved the workbook %2.\n")
                              .arg(list, book));
        const QStringList lines = linesOf(list);
        QCOMPARE(lines.mid(6), expected);

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
        again = download(h, list);
        QCOMPARE(again.code, 1);
        QVERIFY2(again.err.contains(QStringLiteral("--append")), qPrintable(again.err));
        QCOMPARE(linesOf(list), lines);
        again = runCli(h, {QStringLiteral("export"), list, QStringLiteral("--xlsx"), book});
        QCOMPARE(again.code, 1);
        QVERIFY2(again.err.contains(QStringLiteral("--replace")), qPrintable(again.err));
        again = download(h, list, {QStringLiteral("--append")});
        QVERIFY2(again.code == 0, qPrintable(again.err));
        QCOMPARE(linesOf(list).size(), 12);
        again = runCli(h, {QStringLiteral("export"), list, QStringLiteral("--xlsx"), book,
                           QStringLiteral("--replace")});
        QVERIFY2(again.code == 0, qPrintable(again.err));

        // A list of the legend alone gives the legend's workbook, and says so.
        writeList(h.path(QStringLiteral("empty.lst")), 0);
        const QString noBook = h.path(QStringLiteral("empty.xlsx"));
        again = runCli(h, {QStringLiteral("export"), h.path(QStringLiteral("empty.lst")),
                           QStringLiteral("--xlsx"), noBook});
        QCOMPARE(again.code, 0);
        QCOMPARE(again.err, QStringLiteral("tesk-cli: ") + Xl::NoRecords + u'\n');
        QVERIFY(QFile::exists(noBook));

        // The meter answers each request the moment it arrives, before the program
        // has done anything else after writing it: every record in order, run after run.
        for (int i = 0; i < 50; ++i) {
            const QString next = h.path(QStringLiteral("survey%1.lst").arg(i));
            again = download(h, next);
            QVERIFY2(again.code == 0,
                     qPrintable(QStringLiteral("run %1: %2").arg(i).arg(again.err)));
            QCOMPARE(linesOf(next).mid(6), expected);
        }
    }

    void downloadWithBadAndMissingRepliesSaysHowManyRecordsMayBeMissingAndFails()
    {
        MeterOptions options;
        options.corruptEvery = 3; // the third record, which the meter then counts as sent
        options.dropEvery = 4;    // the request that follows it
        ProgramHarness h(options);
        const QString list = h.path(QStringLiteral("survey.lst"));
        const Run run = download(h, list);
        QCOMPARE(run.code, 1);
        QCOMPARE(run.out, QStringLiteral("Downloaded 2 records to %1.\n").arg(list));
        QCOMPARE(run.err,
                 QStringLiteral("tesk-cli: A bad reply in the download, after its record 2.\n"
                                "tesk-cli: No reply in the download, after its record 2.\n"
                                "tesk-cli: 2 replies from the instrument were bad or missing, so "
                                "as many records may be missing from the list: download again "
                                "into a new list to be sure of them all.\n"));
        QCOMPARE(linesOf(list).size(), 6 + 2);
    }

    void exportRefusesAWorkbookItCannotSafelyWrite_data()
    {
        QTest::addColumn<QString>("workbook");
        QTest::addColumn<QString>("workbookTemplate");
        QTest::addColumn<QString>("message");
        const auto row = [](const char *name, const char *workbook, const char *workbookTemplate,
                            const char *message) {
            QTest::newRow(name) << QString(workbook) << QString(workbookTemplate)
                                << QString(message);
        };
        row("the list by a link", "link.lst", "", "would replace the list file");
        row("the template", "own.xlsx", "own.xlsx", "would replace the template");
        row("the program folder's template", "home/MyTemp.xlsx", "",
            "would replace the program folder's template");
        row("a FIFO", "fifo", "", "is a named pipe (FIFO), not a workbook");
        row("a folder as template", "out.xlsx", "folder", "The template folder is a folder");
        row("a damaged template", "out.xlsx", "damaged.xlsx",
            "The template damaged.xlsx cannot be used");
    }

    void exportRefusesAWorkbookItCannotSafelyWrite()
    {
        QFETCH(QString, workbook);
        QFETCH(QString, workbookTemplate);
        QFETCH(QString, message);
        ProgramHarness h;
        writeList(h.path(QStringLiteral("survey.lst")), 3);
        QFile::link(QStringLiteral("survey.lst"), h.path(QStringLiteral("link.lst")));
        QDir().mkpath(h.path(QStringLiteral("folder")));
        ::mkfifo(QFile::encodeName(h.path(QStringLiteral("fifo"))).constData(), 0600);
        QFile damaged(h.path(QStringLiteral("damaged.xlsx")));
        QVERIFY(damaged.open(QIODevice::WriteOnly) && damaged.write("PK not a zip") > 0);
        damaged.close();
        ScriptedPrompt prompt;
        ScriptedOpener opener;
        QDir().mkpath(h.programFolder());
        QFile::copy(h.path(QStringLiteral("survey.lst")), h.path(QStringLiteral("home/own.lst")));
        QVERIFY(Xl(h.programFolder(), prompt, opener).SaveXl(QStringLiteral("own"), true));
        QFile::copy(h.path(QStringLiteral("home/own.xlsx")), h.path(QStringLiteral("own.xlsx")));
        const QStringList inputs{QStringLiteral("survey.lst"), QStringLiteral("own.xlsx"),
                                 QStringLiteral("home/MyTemp.xlsx")};
        QList<QByteArray> before;
        for (const QString &name : inputs)
            before << contentOf(h.path(name));

        QStringList arguments{QStringLiteral("export"), QStringLiteral("survey.lst"),
                              QStringLiteral("--xlsx"), workbook, QStringLiteral("--replace")};
        if (!workbookTemplate.isEmpty())
            arguments << QStringLiteral("--template") << workbookTemplate;
        const Run run = runCli(h, arguments);
        const QString &err = run.err;
        QCOMPARE(run.code, 1);
        QVERIFY2(err.contains(message), qPrintable(err));
        // The user's own names, one sentence.
        QVERIFY2(!err.contains(QStringLiteral(".tesk-cli-")) && !err.contains(QStringLiteral("..")),
                 qPrintable(err));
        QCOMPARE(err.count(QChar(u'\n')), 1);
        for (qsizetype i = 0; i < inputs.size(); ++i)
            QCOMPARE(contentOf(h.path(inputs[i])), before[i]);
        QVERIFY(!QFileInfo::exists(h.path(QStringLiteral("out.xlsx"))));
        QVERIFY(QFileInfo(h.path(QStringLiteral("fifo"))).exists());
        QCOMPARE(workFolders(h.path(QString())), QStringList());
    }

    void exportWritesTheWorkbookUnderTheNameTheUserGave()
    {
        ProgramHarness h;
        QDir().mkpath(h.path(QStringLiteral("a%2Fb %1")));
        QDir().mkpath(h.path(QStringLiteral("kept")));
        writeList(h.path(QStringLiteral("a%2Fb %1/survey.lst")), 3);
        QFile real(h.path(QStringLiteral("kept/real.xlsx")));
        QVERIFY(real.open(QIODevice::WriteOnly) && real.write("old") == 3);
        real.close();
        QVERIFY(real.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                    QFileDevice::ReadGroup));
        QVERIFY(QFile::link(QStringLiteral("kept/real.xlsx"), h.path(QStringLiteral("link.xlsx"))));
        // A folder named with placeholders; a link, which stays while the file it
        // points to is replaced, keeping its permissions.
        for (const auto &[workbook, written] :
             {std::pair{"a%2Fb %1/survey.xlsx", "a%2Fb %1/survey.xlsx"},
              std::pair{"link.xlsx", "kept/real.xlsx"}}) {
            const QString book = h.path(QLatin1String(workbook));
            const Run run =
                runCli(h, {QStringLiteral("export"), h.path(QStringLiteral("a%2Fb %1/survey.lst")),
                           QStringLiteral("--xlsx"), book, QStringLiteral("--replace")});
            QVERIFY2(run.code == 0, qPrintable(run.err));
            QCOMPARE(run.out, QStringLiteral("Saved the workbook %1.\n").arg(book));
            QVERIFY(contentOf(h.path(QLatin1String(written))).startsWith("PK"));
        }
        QCOMPARE(QFileInfo(h.path(QStringLiteral("link.xlsx"))).isSymLink(), true);
        struct stat info
        {
        };
        QCOMPARE(::stat(QFile::encodeName(real.fileName()).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, 0640u);
        QCOMPARE(workFolders(h.path(QStringLiteral("a%2Fb %1"))), QStringList());
        QCOMPARE(workFolders(h.path(QStringLiteral("kept"))), QStringList());
    }

    void anExportCutShortLeavesNothingAndAKilledOnesFolderGoesWithTheNextRun()
    {
        ProgramHarness h;
        const QString list = h.path(QStringLiteral("long.lst"));
        const QString book = h.path(QStringLiteral("long.xlsx"));
        writeList(list, 100000);
        writeList(h.path(QStringLiteral("short.lst")), 3);
        // A workbook that cannot be written is named as the user gave it.
        std::unique_ptr<QProcess> process;
        {
            // Inherited by the program: its files stop growing at 64 kB.
            FileSizeLimit limit(64 * 1024);
            process.reset(
                startCli(h, {QStringLiteral("export"), list, QStringLiteral("--xlsx"), book}));
            QVERIFY(process->waitForStarted(Patience));
        }
        QVERIFY(process->waitForFinished(Patience));
        const QString err = QString::fromLocal8Bit(process->readAllStandardError());
        QCOMPARE(process->exitCode(), 1);
        QVERIFY2(err.startsWith(QStringLiteral("tesk-cli: ") + book) ||
                     err.contains(QStringLiteral("workbook ") + book),
                 qPrintable(err));
        QVERIFY2(!err.contains(QStringLiteral(".tesk-cli-")), qPrintable(err));
        QVERIFY(!QFileInfo::exists(book));
        QCOMPARE(workFolders(h.path(QString())), QStringList());

        // An interrupted export stops at once and leaves nothing.
        HeldExport held = holdExport(h, list, book);
        QVERIFY2(held.child > 0, "the export ended before it could be interrupted");
        QCOMPARE(workFolders(h.path(QString())).size(), 1);
        ::kill(static_cast<pid_t>(held.process->processId()), SIGTERM);
        QVERIFY(held.process->waitForFinished(Patience));
        QCOMPARE(held.process->exitStatus(), QProcess::NormalExit);
        QCOMPARE(held.process->exitCode(), 1);
        QCOMPARE(QString::fromLocal8Bit(held.process->readAllStandardError()),
                 QStringLiteral("tesk-cli: Interrupted.\n"));
        QVERIFY(held.process->readAllStandardOutput().isEmpty());
        QVERIFY(!QFileInfo::exists(book));
        QCOMPARE(workFolders(h.path(QString())), QStringList());
        // The export process ended with it.
        QVERIFY(processGone(held.child));

        // A killed export's folder is removed by the next run only.
        held = holdExport(h, list, book);
        QVERIFY2(held.child > 0, "the export ended before it could be held");
        const QStringList leftOver = workFolders(h.path(QString()));
        QCOMPARE(leftOver.size(), 1);
        // Only the lock tells a finished run's folder: not its host or process in the name.
        const QStringList both = QStringList(leftOver) << QStringLiteral(".tesk-cli-zz-1-abcdef");
        const QString other = h.path(both.last());
        QVERIFY(QDir().mkpath(other));
        const int lock = ::open(QFile::encodeName(other + QStringLiteral("/.lock")).constData(),
                                O_CREAT | O_RDWR | O_CLOEXEC, 0600);
        QVERIFY(lock >= 0 && ::flock(lock, LOCK_EX | LOCK_NB) == 0);
        const QStringList shortExport{
            QStringLiteral("export"), h.path(QStringLiteral("short.lst")), QStringLiteral("--xlsx"),
            h.path(QStringLiteral("short.xlsx")), QStringLiteral("--replace")};
        // A running export keeps its folder.
        Run run = runCli(h, shortExport);
        QVERIFY2(run.code == 0, qPrintable(run.err));
        QCOMPARE(workFolders(h.path(QString())), both);
        ::close(lock);

        held.process->kill();
        QVERIFY(held.process->waitForFinished(Patience));
        QTRY_VERIFY2_WITH_TIMEOUT(processGone(held.child),
                                  contentOf(QStringLiteral("/proc/%1/stat").arg(held.child)),
                                  Patience);
        QCOMPARE(workFolders(h.path(QString())), both);
        run = runCli(h, shortExport);
        QVERIFY2(run.code == 0, qPrintable(run.err));
        QCOMPARE(workFolders(h.path(QString())), QStringList());
    }

    void testSetTimeAndCalibrationTestTheLineFirst()
    {
        ProgramHarness h;
        const QList<QByteArray> tested{CommandFrame::plain(CommandFrame::Test),
                                       CommandFrame::onlineStop()};
        QString out;
        // Runs a command that sends `more` commands after the test.
        const auto run = [&](const char *command, int more) {
            h.commands.clear();
            const Run r =
                runCli(h, {QLatin1String(command), QStringLiteral("--port"), h.meter->linkPath()});
            out = r.out;
            QVERIFY2(r.code == 0, qPrintable(r.err));
            // The meter may read the last command after the program has ended.
            QTRY_COMPARE_WITH_TIMEOUT(withoutRepeatedTests(h.commands).size(), 2 + more, Patience);
            QCOMPARE(withoutRepeatedTests(h.commands).mid(0, 2), tested);
        };
        run("test", 0);
        QVERIFY2(out.contains(QStringLiteral("instrument SIM-0000001")), qPrintable(out));
        run("set-time", 1);
        QCOMPARE(CommandFrame::codeOf(h.commands.last()), int(CommandFrame::SetClock));
        run("calibration", 1);
        QCOMPARE(h.commands.last(), CommandFrame::plain(CommandFrame::GetCalibration));
        QVERIFY2(out.contains(QStringLiteral("Calibration Due: 30/06/2027\n")), qPrintable(out));
        QVERIFY(out.contains(QStringLiteral("Calibrated by: J. Tester\n")));
        // Kept as the window keeps it, for the alarms and the survey report.
        QCOMPARE(h.settings->ReadProfileKey(QStringLiteral("CalDueSIM1"), {}, 20).text,
                 QStringLiteral("2027-06-30"));
        QCOMPARE(h.settings->ReadProfileKey(QStringLiteral("CalBySIM1"), {}, 20).text,
                 QStringLiteral("J. Tester"));
    }

    // Each row: a command, the meter spoiling every n-th reply (0: a meter that
    // never answers), then the exit status and how often the command that went
    // unanswered was sent.
    void badRepliesAreAskedForAgainThenGivenUp_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("corruptEvery");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("asked");
        QTest::addColumn<QByteArray>("command");
        const QByteArray test = CommandFrame::plain(CommandFrame::Test);
        QTest::newRow("test") << QStringList{QStringLiteral("test")} << 1 << 1 << 4 << test;
        QTest::newRow("silent") << QStringList{QStringLiteral("test")} << 0 << 1 << 4 << test;
        QTest::newRow("monitor") << QStringList{QStringLiteral("monitor"),
                                                QStringLiteral("--interval"),
                                                QStringLiteral("00:01"), QStringLiteral("--list"),
                                                QStringLiteral("online.lst")}
                                 << 1 << 1 << 4 << test;
        // The test's reply is whole, the first calibration record is not.
        QTest::newRow("calibration after one bad record")
            << QStringList{QStringLiteral("calibration")} << 2 << 0 << 2
            << CommandFrame::plain(CommandFrame::GetCalibration);
    }

    void badRepliesAreAskedForAgainThenGivenUp()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, corruptEvery);
        QFETCH(int, code);
        QFETCH(int, asked);
        QFETCH(QByteArray, command);
        MeterOptions options;
        options.corruptEvery = corruptEvery;
        options.silent = corruptEvery == 0;
        ProgramHarness h(options);
        const Run run =
            runCli(h, arguments + QStringList{QStringLiteral("--port"), h.meter->linkPath()});
        QCOMPARE(run.code, code);
        // A reply that comes too late on a loaded machine counts as missing.
        if (code != 0)
            QVERIFY2(
                (corruptEvery != 0 && run.err.contains(QStringLiteral(" bad replies in a row."))) ||
                    run.err.contains(QStringLiteral("does not answer")),
                qPrintable(run.err));
        QTRY_COMPARE_WITH_TIMEOUT(h.commandCount(command), asked, Patience);
        // A meter never heard whole is sent nothing but the test.
        if (code != 0)
            QCOMPARE(h.commands, QList<QByteArray>(asked, command));
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

    // Each row: the command, then the list (empty: one with a damaged line)
    // and what it is when it is no regular file.
    void aListThatCannotBeReadWholeIsNamedAndFailsTheCommand_data()
    {
        QTest::addColumn<QStringList>("command");
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("kind");
        const QStringList exportCommand{QStringLiteral("export"), QStringLiteral("--xlsx"),
                                        QStringLiteral("out.xlsx")};
        const QStringList reportCommand{QStringLiteral("report"), QStringLiteral("--pdf"),
                                        QStringLiteral("out.pdf")};
        QTest::newRow("export a damaged line") << exportCommand << QString() << QString();
        QTest::newRow("report a damaged line") << reportCommand << QString() << QString();
        QTest::newRow("export a FIFO")
            << exportCommand << QStringLiteral("fifo") << QStringLiteral("a named pipe (FIFO)");
        QTest::newRow("report a device")
            << reportCommand << QStringLiteral("/dev/zero") << QStringLiteral("a device");
    }

    void aListThatCannotBeReadWholeIsNamedAndFailsTheCommand()
    {
        QFETCH(QStringList, command);
        QFETCH(QString, list);
        QFETCH(QString, kind);
        ProgramHarness h;
        if (list.isEmpty()) {
            list = h.path(QStringLiteral("survey.lst"));
            writeList(list, 4);
            QStringList lines = linesOf(list);
            // A line torn by a power cut, and one with its status a column early.
            lines.insert(7, lines[7].left(20));
            lines[9].replace(QStringLiteral("uSv/h      0 GM"), QStringLiteral("uSv/h     0  GM"));
            QFile file(list);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write((lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toLatin1());
        } else if (!list.startsWith(u'/')) {
            list = h.path(list);
            QCOMPARE(::mkfifo(QFile::encodeName(list).constData(), 0600), 0);
        }
        const QString output = h.path(command[2]);
        const Run run = runCli(h, {command[0], list, command[1], output});
        QCOMPARE(run.code, 1);
        QVERIFY2(
            run.err.endsWith(
                kind.isEmpty()
                    ? QStringLiteral("tesk-cli: Line 8 of %1 cannot be read and is left out.\n")
                          .arg(list)
                    : QStringLiteral("tesk-cli: %1 is %2, not a list file.\n").arg(list, kind)),
            qPrintable(run.err));
        // A list that is no file is refused at once; a damaged line leaves every record written.
        if (!kind.isEmpty()) {
            QVERIFY(!QFile::exists(output));
            return;
        }
        QVERIFY2(run.out.startsWith(QStringLiteral("Saved the ")), qPrintable(run.out));
        QVERIFY(QFileInfo(output).size() > 0);
        if (command[0] == u"report")
            QVERIFY2(run.out.contains(QStringLiteral("(4 records)")), qPrintable(run.out));
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
        for (int i = 0; i < 6; ++i)
            file.write(WorkingListFile::quoted(RecordLine::format(
                {QStringLiteral("SIM-0000001"), QStringLiteral("2026-12-05 09:3%1:00").arg(i),
                 QStringLiteral("0.%125").arg(i), QStringLiteral("uSv/h"), QStringLiteral("ok"),
                 QStringLiteral("HT50"), QStringLiteral(" "), 0})));
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
        QVERIFY2(shown.contains(QStringLiteral("out of calibration at the survey: due 2000-01-31")),
                 qPrintable(shown));

        run = runCli(h, report);
        QCOMPARE(run.code, 1);
        QVERIFY2(run.err.contains(QStringLiteral("--replace")), qPrintable(run.err));
        const QByteArray listBytes = contentOf(list);
        run = runCli(h, {QStringLiteral("report"), list, QStringLiteral("--pdf"),
                         h.path(QStringLiteral("./survey.lst")), QStringLiteral("--replace")});
        QCOMPARE(run.code, 1);
        run = runCli(h, report + QStringList{QStringLiteral("--replace")});
        QVERIFY2(run.code == 0, qPrintable(run.err));
        QCOMPARE(contentOf(list), listBytes);
    }

    void usageErrorsExitWithTwoHelpWithZeroAndAPortWithNoDeviceWithOne()
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
        const Run run = runCli(h, {QStringLiteral("download"), QStringLiteral("--port"),
                                   h.path(QStringLiteral("nothing")), QStringLiteral("--list"),
                                   h.path(QStringLiteral("a.lst"))});
        QCOMPARE(run.code, 1);
        QVERIFY2(run.err.contains(QStringLiteral("There is no device")), qPrintable(run.err));
        QVERIFY(h.commands.isEmpty());
    }
};

QTEST_MAIN(CliTest)
#include "tst_cli.moc"
