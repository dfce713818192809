#include "ProgramHarness.h"
#include "WorkbookCells.h"

#include "SaveCommand.h"
#include "WriteToFile.h"

#include <QCheckBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>

namespace {

constexpr auto readFile = &ProgramHarness::fileBytes;

} // namespace

class ExportTest : public QObject
{
    Q_OBJECT

private slots:
    void aDownloadIsListedThenSavedAsTextAndWorkbookAndANewListStarts()
    {
        ProgramHarness program;
        program.meter->simulator().setStoredReadings(
            {storedAt(8, 15, 0.1), storedAt(8, 16, 0.12), storedAt(8, 17, 6.5)});
        QVERIFY(program.startConnected());
        program.commands.clear();
        program.button(QStringLiteral("btGetData"))->click();
        QTRY_COMPARE_WITH_TIMEOUT(program.prompt.count(QStringLiteral("Data loaded succesfully.")),
                                  1, 15000);
        // A new list: no question, stop online collection, then one request per record.
        QCOMPARE(program.commands,
                 QList<QByteArray>({CommandFrame::onlineStop(), CommandFrame::plain(4),
                                    CommandFrame::plain(5), CommandFrame::plain(5),
                                    CommandFrame::plain(5)}));
        const QStringList lines = program.listLines();
        QCOMPARE(lines.size(), 9);
        QCOMPARE(lines[1], QStringLiteral("\"Date: 2026-12-05\""));
        QCOMPARE(
            lines[6],
            QStringLiteral("\"SIM-0000001   2026-12-04 08:15:00           0.10     uSv/h      0 "
                           "Internal   \""));
        const RecordGridModel &grid = program.controller->grid();
        QCOMPARE(grid.NumOfRec(), 3);
        QCOMPARE(grid.cellText(0, 1), QStringLiteral("2026-12-04 08:17:00"));
        QCOMPARE(grid.cellText(0, 3), QStringLiteral("6.50    "));
        QCOMPARE(program.widget<QLineEdit>(QStringLiteral("edCount"))->text(), QStringLiteral("3"));
        QCOMPARE(program.widget<QLabel>(QStringLiteral("lblValue"))->text(),
                 QStringLiteral("6.50 uSv/h"));
        const QByteArray list = readFile(program.listFile());
        QSignalSpy saved(&program.window->saveCommand(), &SaveCommand::listSaved);

        bool offered = false;
        ProgramHarness::whenModal<WriteToFile>([&offered](WriteToFile *dialog) {
            offered = dialog->findChild<QLineEdit *>(QStringLiteral("edFileName"))->text() ==
                          QStringLiteral("TeskData 1") &&
                      dialog->findChild<QCheckBox *>(QStringLiteral("chkCloseExel"))->isChecked() &&
                      dialog->findChild<QCheckBox *>(QStringLiteral("chkCloseExel"))->isVisible();
            dialog->findChild<QCheckBox *>(QStringLiteral("btSaveExcel"))->click();
            dialog->findChild<QPushButton *>(QStringLiteral("btWrite"))->click();
        });
        program.commands.clear();
        program.button(QStringLiteral("btWrFile"))->click(); // a button shown disabled does nothing
        QVERIFY(offered);
        QCOMPARE(saved.count(), 1);
        QVERIFY(program.commands.isEmpty() ||
                program.commands.first() == CommandFrame::onlineStop());
        const QString folder = program.programFolder();
        QCOMPARE(readFile(folder + QStringLiteral("/TeskData 1.lst")), list);
        QCOMPARE(readFile(folder + QStringLiteral("/Data4Excel.lst")), list);
        QCOMPARE(program.opener.opened, QStringList{folder + QStringLiteral("/TeskData 1.xlsx")});
        QVERIFY(QFile::exists(folder + QStringLiteral("/MyTemp.xlsx")));
        const QJsonObject book = WorkbookCells::read(folder + QStringLiteral("/TeskData 1.xlsx"));
        // python3-openpyxl, one of the test packages, reads the workbook back.
        QVERIFY(!book.isEmpty());
        const QJsonObject sheet =
            book[QStringLiteral("sheets")][QStringLiteral("Survey")].toObject();
        QCOMPARE(sheet[QStringLiteral("B4")].toArray()[1].toString(),
                 QStringLiteral("2026-12-05 00:00:00"));
        QCOMPARE(sheet[QStringLiteral("C10")].toArray()[1].toDouble(), 0.1);
        QCOMPARE(sheet[QStringLiteral("C12")].toArray()[1].toDouble(), 6.5);
        QCOMPARE(sheet[QStringLiteral("B12")].toArray()[1].toString(),
                 QStringLiteral("2026-12-04 08:17:00"));
        QCOMPARE(sheet[QStringLiteral("F12")].toArray()[1].toString(), QStringLiteral("ok (0)"));
        QVERIFY(!QFile::exists(program.listFile()));
        QCOMPARE(program.widget<QLineEdit>(QStringLiteral("edCount"))->text(), QStringLiteral("0"));
        QVERIFY(!program.button(QStringLiteral("btWrFile"))->isEnabled());

        // Saving again without new data says so and deletes nothing.
        const qsizetype shown = program.prompt.shown.size();
        ProgramHarness::whenModal<WriteToFile>([](WriteToFile *dialog) {
            dialog->findChild<QPushButton *>(QStringLiteral("btWrite"))->click();
            dialog->findChild<QPushButton *>(QStringLiteral("btCancel"))->click();
        });
        program.window->saveCommand().btWrFile();
        QCOMPARE(saved.count(), 1);
        QCOMPARE(program.prompt.shown.size(), shown + 1);
        QVERIFY(program.prompt.shown.last().text.contains(QStringLiteral("nothing to save")));
        QCOMPARE(readFile(folder + QStringLiteral("/TeskData 1.lst")), list);
        QVERIFY(!QFile::exists(folder + QStringLiteral("/TeskData 2.lst")));
    }
};

QTEST_MAIN(ExportTest)
#include "tst_export.moc"
