#include "ProgramHarness.h"

#include "MeasurementRecord.h"
#include "RecordLine.h"
#include "WorkingListFile.h"
#include "frmGraph.h"
#include "frmViewer.h"

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

constexpr auto fileBytes = &ProgramHarness::fileBytes;

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
    void initTestCase() { QVERIFY(ProgramHarness::useOwnRuntimeFolder()); }

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
        const auto shown = [&program]() -> frmViewer * {
            auto *viewer = program.window->findChild<frmViewer *>();
            const bool titled = viewer && viewer->windowTitle() == u"survey.lst - TESK Meter View";
            return titled ? viewer : nullptr;
        };
        QTRY_VERIFY_WITH_TIMEOUT(shown(), 10000);
        frmViewer *viewer = shown();
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
        QTRY_VERIFY(!shown());
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

        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(program.socketName()), 30000);
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

    void fileThatIsNotAListIsRefusedWithTheReasonALegendAloneIsOneButOffersNoReport()
    {
        Survey survey;
        QFile file(survey.path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
        file.close();
        const QString refused = survey.viewer.load();
        QVERIFY2(refused.startsWith(QStringLiteral("survey.lst is not a list of readings: ")) &&
                     refused.size() > 40,
                 qPrintable(refused));

        Survey legend;
        writeSurvey(legend.path, 0);
        QCOMPARE(legend.viewer.load(), QString());
        std::unique_ptr<frmViewer> window(
            frmViewer::open(legend.path, {legend.settings, legend.clock}, nullptr));
        QVERIFY(window);
        QVERIFY(!window->findChild<QPushButton *>(QStringLiteral("btReport"))->isEnabled());
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
        QVERIFY(
            window->findChild<QProgressDialog *>(QStringLiteral("dlgReportProgress"))->isVisible());
        QVERIFY(!report->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(
            said, QStringList(QStringLiteral("The report was written to ") + pdf + u'.'), 60000);
        QVERIFY(fileBytes(pdf).startsWith("%PDF-"));
        QVERIFY(report->isEnabled());
        // Nothing written aside is left behind.
        QCOMPARE(QDir(survey.dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
                 QStringList({QStringLiteral("chosen.pdf"), QStringLiteral("survey.lst")}));
    }

    void reportCancelledOnItsOwnThreadLeavesNoFileBesideTheList_data()
    {
        QTest::addColumn<QByteArray>("before"); // the file at the report's path
        QTest::newRow("none") << QByteArray();
        QTest::newRow("an old report") << QByteArray("%PDF old");
    }
    void reportCancelledOnItsOwnThreadLeavesNoFileBesideTheList()
    {
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
        task.cancel();
        task.start();
        QVERIFY(finished.wait(60000));
        QVERIFY(!finished.at(0).at(0).toString().isEmpty());
        QCOMPARE(fileBytes(pdf), before);
        // Nothing written aside is left behind.
        QStringList expected{QStringLiteral("survey.lst")};
        if (!before.isEmpty())
            expected.append(QStringLiteral("survey.pdf"));
        QCOMPARE(QDir(survey.dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
                 expected);
    }
};

QTEST_MAIN(ViewerTest)
#include "tst_viewer.moc"
