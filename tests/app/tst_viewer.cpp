#include "ProgramHarness.h"

#include "GraphController.h"
#include "GraphData.h"
#include "ListViewer.h"
#include "MeasurementRecord.h"
#include "RecordLine.h"
#include "ReportTask.h"
#include "WorkingListFile.h"
#include "frmGraph.h"
#include "frmViewer.h"

#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QProgressDialog>
#include <QScopeGuard>
#include <QTableView>

namespace {

// A saved list of `count` readings a minute apart from 08:00; the reading
// with index 7 crossed a rate threshold. Line `damagedLine` (1-based), when
// given, holds no record.
void writeSurvey(const QString &path, int count, int damagedLine = 0)
{
    QStringList lines{
        QStringLiteral("Department: Radiology"),    QStringLiteral("Date: 2026-12-04"),
        QStringLiteral("Instrument Type: GM tube"), QStringLiteral("Survey location: Hall 3"),
        QStringLiteral("Surveyor: J. Doe"),         QStringLiteral("Signture:")};
    const QDateTime start = DateTimeText::wallClock(QDate(2026, 12, 4), QTime(8, 0));
    for (int i = 0; i < count; ++i) {
        MeasurementRecord r;
        r.InstNum = QStringLiteral("SIM-0000001");
        r.time = DateTimeText::format(start.addSecs(60LL * i));
        r.vl = QString::number(i % 50 + 0.5, 'f', 2);
        r.Units = QStringLiteral("uSv/h");
        r.sta = i == 7 ? 9 : 0;
        r.ErrorSn = i == 7 ? QStringLiteral("*") : QStringLiteral(" ");
        r.Detector = QStringLiteral("GM");
        lines << RecordLine::format(r);
    }
    if (damagedLine > 0)
        lines[damagedLine - 1] = QStringLiteral("this line was damaged");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    for (const QString &line : lines)
        file.write(WorkingListFile::quoted(line));
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

frmViewer *viewerTitled(const ProgramHarness &program, const QString &title)
{
    for (frmViewer *viewer : program.window->findChildren<frmViewer *>()) {
        if (viewer->windowTitle() == title)
            return viewer;
    }
    return nullptr;
}

// Runs the program with `arguments` in the harness's settings and folder,
// this one's events going on meanwhile; its exit code, or -1 when it did not
// end by itself.
int runProgram(const ProgramHarness &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessEnvironment(program.environment());
    process.setWorkingDirectory(program.path({}));
    QSignalSpy finished(&process, &QProcess::finished);
    process.start(QStringLiteral(TESK_PROGRAM), arguments);
    if (!finished.wait(30000)) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

// A saved list opened without a window, with its own settings and clock.
struct Survey
{
    QTemporaryDir dir;
    ProfileFile settings{dir.filePath(QStringLiteral("Tesk.ini"))};
    FixedClock clock;
    QString path = dir.filePath(QStringLiteral("survey.lst"));
    ListViewer viewer{path, {settings, clock}};
};

} // namespace

class ViewerTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The sockets of the programs run here stay out of the user's own
        // runtime folder, and go with the run.
        QVERIFY(m_runtime.isValid());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
    }

    void savedListHandedOverShowsItsLegendTableAndGraphOnceAndStaysUntouched()
    {
        ProgramHarness program;
        QVERIFY(program.startConnected());
        QVERIFY(program.listenForLists());
        const QString survey = program.path(QStringLiteral("survey.lst"));
        writeSurvey(survey, 1000);
        const QByteArray bytes = fileBytes(survey);
        const QDateTime modified = QFileInfo(survey).lastModified();
        const QStringList workingList = program.listLines();
        const qsizetype commands = program.commands.size();

        // A second program hands the list over and ends; a name relative to
        // its folder reaches this one whole.
        QCOMPARE(runProgram(program, {QStringLiteral("survey.lst")}), 0);
        const QString title = QStringLiteral("survey.lst - TESK Meter View");
        QTRY_VERIFY_WITH_TIMEOUT(viewerTitled(program, title), 10000);
        frmViewer *viewer = viewerTitled(program, title);
        QCOMPARE(program.window->openSavedList(survey), viewer);
        QVERIFY(viewer->findChild<QLabel *>(QStringLiteral("lblLegend"))
                    ->text()
                    .contains(QStringLiteral("Survey location: Hall 3")));
        const QAbstractItemModel *table =
            viewer->findChild<QTableView *>(QStringLiteral("tblRecords"))->model();
        QCOMPARE(table->rowCount(), 1000);
        QStringList marked;
        for (int column = 0; column < table->columnCount(); ++column)
            marked << table->index(7, column).data().toString();
        QCOMPARE(marked, QStringList({"SIM-0000001", "2026-12-04 08:07:00", "7.50", "*", "uSv/h",
                                      "OvrThrRate (9)", "GM"}));

        viewer->findChild<QPushButton *>(QStringLiteral("btGraph"))->click();
        QVERIFY(viewer->graphWindow());
        QVERIFY(QTest::qWaitForWindowExposed(viewer->graphWindow()));
        const GraphController &graph = viewer->viewer().graph();
        QCOMPARE(graph.data().AllNumberOfPoints, 999);
        QCOMPARE(graph.title(), QStringLiteral("Graph for point SIM-0000001"));
        // A file gets no new readings.
        for (const QString &name : {QStringLiteral("btOnLine"), QStringLiteral("btRefreash")})
            QVERIFY2(!viewer->graphWindow()->findChild<QPushButton *>(name)->isVisible(),
                     qPrintable(name));
        QVERIFY(!program.window->graphWindow().isVisible());

        viewer->close();
        QTRY_VERIFY(!viewerTitled(program, title));
        QCOMPARE(fileBytes(survey), bytes);
        QCOMPARE(QFileInfo(survey).lastModified(), modified);
        QCOMPARE(program.listLines(), workingList);
        QCOMPARE(program.commands.size(), commands);
    }

    void savedListOpenedWithNoProgramRunningShowsTheViewerAloneUntilTheMainWindowIsAskedFor()
    {
        ProgramHarness program;
        writeSurvey(program.path(QStringLiteral("alone.lst")), 20);
        writeSurvey(program.path(QStringLiteral("later.lst")), 20);
        QProcess first;
        first.setProcessEnvironment(program.environment());
        const auto cleanUp = qScopeGuard([&first] {
            first.kill();
            first.waitForFinished();
        });
        first.start(QStringLiteral(TESK_PROGRAM), {program.path(QStringLiteral("alone.lst"))});

        const QString socket =
            ProgramInstance::placeFor(program.path(QStringLiteral("config/Tesk.ini")),
                                      program.programFolder())
                .socketName;
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(socket), 30000);
        // A second list is handed over once the first program answers, and
        // whatever it had sent at start-up is in the meter's line by then.
        QCOMPARE(runProgram(program, {program.path(QStringLiteral("later.lst"))}), 0);
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        QCOMPARE(program.commands, QList<QByteArray>());

        // Without a list, the running program opens its main window and port.
        QCOMPARE(runProgram(program, {}), 0);
        QTRY_VERIFY_WITH_TIMEOUT(program.commands.contains(CommandFrame::plain(CommandFrame::Test)),
                                 30000);
        QCOMPARE(runProgram(program, {}), 0);
        QCOMPARE(first.state(), QProcess::Running);
    }

    void fileThatIsNotAListIsRefusedWithTheReason()
    {
        Survey survey;
        QFile file(survey.path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
        file.close();
        const QString refused = survey.viewer.load();
        QVERIFY2(refused.startsWith(QStringLiteral("survey.lst is not a list of readings: ")) &&
                     refused.size() > 40,
                 qPrintable(refused));
    }

    void aSkippedLineIsNamedAndTheRecordsAroundItAreShown()
    {
        Survey survey;
        writeSurvey(survey.path, 30, 20);
        QCOMPARE(survey.viewer.load(), QString());
        QCOMPARE(survey.viewer.model().rowCount(), 29);
        QVERIFY2(survey.viewer.note().startsWith(
                     QStringLiteral("Line 20 of survey.lst cannot be read and is left out.")),
                 qPrintable(survey.viewer.note()));
    }

    void graphOfALongSurveyIsThinnedToEveryPeakAndSelectedRowsAreShownWhole()
    {
        Survey survey;
        writeSurvey(survey.path, 5000);
        QCOMPARE(survey.viewer.load(), QString());
        const GraphController &graph = survey.viewer.graph();
        const GraphData &data = graph.data();
        QVERIFY(data.AllNumberOfPoints <= GraphData::LastFullIndex);
        QVERIFY2(graph.title().contains(QStringLiteral("thinned")), qPrintable(graph.title()));
        // The first and the newest reading are drawn, and the scale holds the peak.
        QCOMPARE(data.Values[0][0], 0.5);
        QCOMPARE(data.lastDrawn(), static_cast<int>(data.NumberOfPoints));
        QCOMPARE(data.Values[static_cast<size_t>(data.lastDrawn())][0], 4999 % 50 + 0.5);
        QCOMPARE(data.ScaleMax[0], 49.5 * 1.1);

        QList<int> rows;
        for (int row = 119; row >= 100; --row)
            rows << row;
        QVERIFY(survey.viewer.showInGraph(rows));
        QCOMPARE(data.NumberOfPoints, 19);
        QCOMPARE(data.Values[0][0], 0.5);
        QCOMPARE(data.Values[19][0], 19.5);
        QCOMPARE(graph.title(),
                 QStringLiteral("Graph for point SIM-0000001 - 20 selected readings"));
        // Too few rows for a graph: the whole survey.
        QVERIFY(survey.viewer.showInGraph({3}));
        QVERIFY(graph.title().contains(QStringLiteral("thinned")));
    }

    void reportIsOfferedOnlyForAListWithRecords_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<bool>("offered");
        QTest::newRow("legend alone") << 0 << false;
        QTest::newRow("one record") << 1 << true;
    }
    void reportIsOfferedOnlyForAListWithRecords()
    {
        QFETCH(int, records);
        QFETCH(bool, offered);
        Survey survey;
        writeSurvey(survey.path, records);
        QCOMPARE(survey.viewer.load(), QString()); // a legend alone is a list too
        std::unique_ptr<frmViewer> window(
            frmViewer::open(survey.path, {survey.settings, survey.clock}, nullptr));
        QVERIFY(window);
        QCOMPARE(window->findChild<QPushButton *>(QStringLiteral("btReport"))->isEnabled(),
                 offered);
    }

    void reportChosenInTheViewerIsWrittenBehindAProgressDialogAndNamed()
    {
        Survey survey;
        writeSurvey(survey.path, 3000);
        std::unique_ptr<frmViewer> window(
            frmViewer::open(survey.path, {survey.settings, survey.clock}, nullptr));
        QVERIFY(window);
        const QString pdf = survey.dir.filePath(QStringLiteral("chosen.pdf"));
        QStringList said;
        window->setReportPathChooser([&pdf](const QString &) { return pdf; });
        // Each message box is answered as it comes up, nested loops included.
        QTimer answerer;
        QObject::connect(&answerer, &QTimer::timeout, [&said] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                said << box->text();
                box->accept();
            }
        });
        answerer.start(20);
        auto *report = window->findChild<QPushButton *>(QStringLiteral("btReport"));
        report->click();
        QVERIFY(window->reportTask());
        QVERIFY(
            window->findChild<QProgressDialog *>(QStringLiteral("dlgReportProgress"))->isVisible());
        QVERIFY(!report->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(
            said, QStringList(QStringLiteral("The report was written to ") + pdf + u'.'), 60000);
        QVERIFY(fileBytes(pdf).startsWith("%PDF-"));
        QVERIFY(report->isEnabled());
    }

    void reportIsWrittenBesideTheListOnItsOwnThreadAndLeavesNoFileWhenCancelled_data()
    {
        QTest::addColumn<bool>("cancelled");
        QTest::addColumn<QByteArray>("before"); // the file at the report's path
        QTest::newRow("written") << false << QByteArray();
        QTest::newRow("cancelled") << true << QByteArray();
        QTest::newRow("cancelled over an old report") << true << QByteArray("%PDF old");
    }
    void reportIsWrittenBesideTheListOnItsOwnThreadAndLeavesNoFileWhenCancelled()
    {
        QFETCH(bool, cancelled);
        QFETCH(QByteArray, before);
        Survey survey;
        writeSurvey(survey.path, 200);
        QCOMPARE(survey.viewer.load(), QString());
        // A report is never written in the list's place.
        const QByteArray list = fileBytes(survey.path);
        QVERIFY(!survey.viewer.writeReport(survey.path).isEmpty());
        QCOMPARE(fileBytes(survey.path), list);
        const QString pdf = survey.viewer.suggestedReportPath();
        if (!before.isEmpty()) {
            QFile old(pdf);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write(before);
        }
        ReportTask task([&survey, &pdf](const SurveyReport::Progress &progress) {
            return survey.viewer.writeReport(pdf, progress);
        });
        QSignalSpy finished(&task, &ReportTask::finished);
        if (cancelled)
            task.cancel();
        task.start();
        QVERIFY(finished.wait(60000));
        QCOMPARE(finished.at(0).at(0).toString().isEmpty(), !cancelled);
        if (cancelled)
            QCOMPARE(fileBytes(pdf), before);
        else
            QVERIFY(fileBytes(pdf).startsWith("%PDF-"));
        // Nothing written aside is left behind.
        QStringList expected{QStringLiteral("survey.lst")};
        if (!cancelled || !before.isEmpty())
            expected.append(QStringLiteral("survey.pdf"));
        QCOMPARE(QDir(survey.dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
                 expected);
    }

private:
    QTemporaryDir m_runtime;
};

QTEST_MAIN(ViewerTest)
#include "tst_viewer.moc"
