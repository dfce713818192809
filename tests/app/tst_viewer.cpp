#include "ProgramHarness.h"

#include "DateTimeText.h"
#include "GraphController.h"
#include "ListViewer.h"
#include "MeasurementRecord.h"
#include "ProgramInstance.h"
#include "RecordLine.h"
#include "WorkingListFile.h"
#include "frmGraph.h"
#include "frmViewer.h"

#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QScopeGuard>
#include <QTableView>

#include <cstring>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

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
    void savedListOfAThousandRecordsShowsItsLegendTableAndGraphAndStaysUntouched()
    {
        ProgramHarness program;
        QVERIFY(program.startConnected());
        const QString survey = program.path(QStringLiteral("survey.lst"));
        writeSurvey(survey, 1000);
        const QByteArray bytes = fileBytes(survey);
        const QDateTime modified = QFileInfo(survey).lastModified();
        const QStringList workingList = program.listLines();
        const qsizetype commands = program.commands.size();

        frmViewer *viewer = program.window->openSavedList(survey);
        QVERIFY(viewer);
        QCOMPARE(program.window->openSavedList(survey), viewer);
        QCOMPARE(viewer->windowTitle(), QStringLiteral("survey.lst - TESK Meter View"));
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
        QCOMPARE(table->index(999, 1).data().toString(), QStringLiteral("2026-12-05 00:39:00"));

        viewer->findChild<QPushButton *>(QStringLiteral("btGraph"))->click();
        QVERIFY(viewer->graphWindow());
        QVERIFY(QTest::qWaitForWindowExposed(viewer->graphWindow()));
        const GraphController &graph = viewer->viewer().graph();
        QCOMPARE(graph.data().AllNumberOfPoints, 999);
        QCOMPARE(graph.title(), QStringLiteral("Graph for point SIM-0000001"));
        QVERIFY(!program.window->graphWindow().isVisible());

        viewer->close();
        QTRY_VERIFY(!viewerTitled(program, QStringLiteral("survey.lst - TESK Meter View")));
        QCOMPARE(fileBytes(survey), bytes);
        QCOMPARE(QFileInfo(survey).lastModified(), modified);
        QCOMPARE(program.listLines(), workingList);
        QCOMPARE(program.commands.size(), commands);
    }

    void listOpenedWhileTheProgramRunsGoesToItsWindowAndTheSecondProgramEnds()
    {
        ProgramHarness program;
        program.start();
        QVERIFY(program.listenForLists());
        writeSurvey(program.path(QStringLiteral("handed.lst")), 20);

        QProcess second;
        second.setProcessEnvironment(program.environment());
        second.setWorkingDirectory(program.path({}));
        const auto cleanUp = qScopeGuard([&second] {
            if (second.state() != QProcess::NotRunning) {
                second.kill();
                second.waitForFinished();
            }
        });
        QSignalSpy finished(&second, &QProcess::finished);
        // A name relative to the second program's folder reaches the first whole.
        second.start(QStringLiteral(TESK_PROGRAM), {QStringLiteral("handed.lst")});
        QVERIFY(finished.wait(30000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(
            viewerTitled(program, QStringLiteral("handed.lst - TESK Meter View")), 10000);
    }

    void socketLeftByAProgramThatCrashedIsTakenOverButALiveOneIsNot()
    {
        QTemporaryDir dir;
        const QString name = dir.filePath(QStringLiteral("tesk-socket"));
        // A socket file whose program is gone.
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, QFile::encodeName(name).constData(),
                     sizeof address.sun_path - 1);
        QCOMPARE(::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
        ::close(fd);

        ProgramInstance first(name);
        QVERIFY2(first.listen(), qPrintable(first.error()));
        ProgramInstance second(name);
        QVERIFY(!second.listen());
        QVERIFY(QFileInfo::exists(name));
    }

    void fileThatIsNotAListIsRefusedWithTheReason()
    {
        Survey survey;
        QFile file(survey.path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
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

    void reportIsWrittenBesideTheListButNeverInItsPlace()
    {
        Survey survey;
        writeSurvey(survey.path, 30);
        QCOMPARE(survey.viewer.load(), QString());
        const QByteArray bytes = fileBytes(survey.path);
        QVERIFY(!survey.viewer.writeReport(survey.path).isEmpty());
        QCOMPARE(fileBytes(survey.path), bytes);

        QCOMPARE(survey.viewer.writeReport(survey.viewer.suggestedReportPath()), QString());
        QVERIFY(fileBytes(survey.dir.filePath(QStringLiteral("survey.pdf"))).startsWith("%PDF"));
    }
};

QTEST_MAIN(ViewerTest)
#include "tst_viewer.moc"
