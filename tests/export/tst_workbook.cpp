#include "ListExport.h"
#include "ListToCells.h"
#include "RecordLine.h"
#include "ScriptedOpener.h"
#include "ScriptedPrompt.h"
#include "SerialDate.h"
#include "WorkbookCells.h"
#include "Xl.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

namespace {

// data type, value, number format, is-date of one cell.
QJsonArray cell(const QJsonObject &book, const QString &sheet, const QString &coordinate)
{
    return book[QStringLiteral("sheets")][sheet][coordinate].toArray();
}

const QStringList Legend = {QStringLiteral("Department: =HYPERLINK(\"x\")"),
                            QStringLiteral("Date: 2026-12-04"),
                            QStringLiteral("Instrument Type: VX31A"),
                            QStringLiteral("Survey location: Hall 2"),
                            QStringLiteral("Surveyor: J. Smith"),
                            QStringLiteral("Signture:")};

MeasurementRecord record(const QString &time, const QString &mark, const QString &value,
                         const QString &units, qint16 status, const QString &detector)
{
    return {QStringLiteral("SIM-0000001"), time, value, units, {}, detector, mark, status};
}

const QStringList Records = {
    RecordLine::format(record(QStringLiteral("2026-12-04 08:15:42"), QStringLiteral(" "),
                              QStringLiteral("0.10"), QStringLiteral("uSv/h"), 0,
                              QStringLiteral("GM"))),
    RecordLine::format(record(QStringLiteral("2026-12-04 08:16:42"), QStringLiteral("*"),
                              QStringLiteral("6.50"), QStringLiteral("uSv/h"), 5,
                              QStringLiteral("Probe A 2"))),
    RecordLine::format(record(QStringLiteral("2026-12-05"), QStringLiteral(" "),
                              QStringLiteral("12.00"), QStringLiteral("mSv/h"), -1,
                              QStringLiteral("GM")))};

} // namespace

class TestWorkbook : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    ScriptedPrompt m_prompt;
    ScriptedOpener m_opener;

    QString file(const QString &name) const { return m_dir.filePath(name); }

    void writeList(const QString &name, const QStringList &lines)
    {
        QFile out(file(name + ListExport::Extension));
        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        for (const QString &line : lines)
            out.write('"' + line.toLatin1() + "\"\r\n");
    }

private slots:
    void init()
    {
        m_prompt.shown.clear();
        m_prompt.answers.clear();
        m_opener.opened.clear();
    }

    // The records of the list are read back from a whole workbook below; these are the
    // lines and codes a download of this list does not hold.
    void shiftedLinesAndEveryStatusCodeGiveTheirColumns()
    {
        QVERIFY(!ListToCells::recordRow(QStringLiteral("no date here")));
        // A line whose fields have shifted still gives each its column.
        const auto shifted = ListToCells::recordRow(
            QStringLiteral("A-LONG-INSTRUMENT-NUMBER 2026-12-04 08:15:42 * 0.10 uSv/h 12"));
        QCOMPARE((*shifted)[0].text, QStringLiteral("A-LONG-INSTRUMENT-NUMBER"));
        QCOMPARE((*shifted)[2].number, 0.1);
        QCOMPARE((*shifted)[3].text, QStringLiteral("*"));
        QCOMPARE((*shifted)[5].text, QStringLiteral("OvrThrRate (12)"));
        QCOMPARE((*shifted)[6].text, QString());

        const QList<std::pair<int, QString>> words = {
            {1, QStringLiteral("LowBat (1)")},       {3, QStringLiteral("DetFail (3)")},
            {6, QStringLiteral("OvrThrDose (6)")},   {12, QStringLiteral("OvrThrRate (12)")},
            {20, QStringLiteral("OvrFlwRate (20)")}, {40, QStringLiteral("OvrFlwDose (40)")}};
        for (const auto &[code, text] : words)
            QCOMPARE(ListToCells::statusText(code), text);
    }

    void aDownloadedListIsReadBackWithItsTypesFromTheProgramsTemplate()
    {
        writeList(QStringLiteral("Survey 1"), Legend + Records);
        Xl xl(m_dir.path(), m_prompt, m_opener);
        QVERIFY2(xl.SaveXl(QStringLiteral("Survey 1"), false), qPrintable(xl.problem()));
        QCOMPARE(m_opener.opened, QStringList{file(QStringLiteral("Survey 1.xlsx"))});

        const QJsonObject book = WorkbookCells::read(file(QStringLiteral("Survey 1.xlsx")));
        QVERIFY(!book.isEmpty());
        QVERIFY(book[QStringLiteral("fullCalcOnLoad")].toBool());
        const QJsonObject names = book[QStringLiteral("names")].toObject();
        const auto at = [&](const QString &name) {
            const QJsonArray place = names[name].toArray();
            return cell(book, place[0].toString(), place[1].toString());
        };
        // A text starting with "=" stays a text.
        QCOMPARE(at(QStringLiteral("DeptCell")),
                 QJsonArray({QStringLiteral("s"), QStringLiteral("=HYPERLINK(\"x\")"),
                             QStringLiteral("General"), false}));
        QCOMPARE(at(QStringLiteral("DateCell"))[1].toString(),
                 QStringLiteral("2026-12-04 00:00:00"));
        QVERIFY(at(QStringLiteral("DateCell"))[3].toBool());
        QCOMPARE(at(QStringLiteral("DetCell"))[1].toString(), QStringLiteral("VX31A"));
        QCOMPARE(at(QStringLiteral("LocCell"))[1].toString(), QStringLiteral("Hall 2"));
        QCOMPARE(at(QStringLiteral("UserCell"))[1].toString(), QStringLiteral("J. Smith"));

        const QJsonObject sheet =
            book[QStringLiteral("sheets")][QStringLiteral("Survey")].toObject();
        QCOMPARE(names[QStringLiteral("FirstLine")].toArray()[1].toString(), QStringLiteral("A10"));
        const QStringList columns = {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"),
                                     QStringLiteral("D"), QStringLiteral("E"), QStringLiteral("F"),
                                     QStringLiteral("G")};
        const QList<QJsonArray> expected = {
            {QStringLiteral("SIM-0000001"), QStringLiteral("2026-12-04 08:15:42"), 0.1,
             QStringLiteral(" "), QStringLiteral("uSv/h"), QStringLiteral("ok (0)"),
             QStringLiteral("GM")},
            {QStringLiteral("SIM-0000001"), QStringLiteral("2026-12-04 08:16:42"), 6.5,
             QStringLiteral("*"), QStringLiteral("uSv/h"), QStringLiteral("OvrThrDose (5)"),
             QStringLiteral("Probe A 2")},
            {QStringLiteral("SIM-0000001"), QStringLiteral("2026-12-05 00:00:00"), 12.0,
             QStringLiteral(" "), QStringLiteral("mSv/h"), QStringLiteral("  (-1)"),
             QStringLiteral("GM")}};
        for (int row = 0; row < 3; ++row) {
            for (int column = 0; column < 7; ++column) {
                const QJsonArray got = sheet[columns[column] + QString::number(10 + row)].toArray();
                QCOMPARE(got[1], expected[row][column]);
                const char *type = column == 2 ? "n" : column == 1 ? "d" : "s";
                QCOMPARE(got[0].toString(), QLatin1String(type));
                QCOMPARE(got[3].toBool(), column == 1);
            }
        }
        QVERIFY(sheet[QStringLiteral("A13")].isUndefined());
        // Printed across one page width with the heading on every page; scrolled below it.
        QCOMPARE(book[QStringLiteral("layout")][QStringLiteral("Survey")].toObject(),
                 QJsonObject({{QStringLiteral("orientation"), QStringLiteral("landscape")},
                              {QStringLiteral("fitToPage"), true},
                              {QStringLiteral("fitToWidth"), 1},
                              {QStringLiteral("fitToHeight"), 0},
                              {QStringLiteral("printTitleRows"), QStringLiteral("$9:$9")},
                              {QStringLiteral("frozenAt"), QStringLiteral("A10")}}));
    }

    void aUsersTemplateKeepsItsOwnSheetsFormatsAndFormulas_data()
    {
        QTest::addColumn<QString>("dateSystem");
        QTest::newRow("1900") << QString();
        QTest::newRow("1904") << QStringLiteral("1904");
        QTest::newRow("1904 written as true") << QStringLiteral("true");
    }

    // The template is saved as an application saves it, its formulas holding
    // their results of then; a reader must compute them afresh.
    void aUsersTemplateKeepsItsOwnSheetsFormatsAndFormulas()
    {
        QFETCH(QString, dateSystem);
        QStringList arguments{QStringLiteral("user-template"), file(Xl::TemplateName)};
        if (!dateSystem.isEmpty())
            arguments << dateSystem;
        QVERIFY(WorkbookCells::run(arguments));
        writeList(QStringLiteral("own"), Legend + Records);
        Xl xl(m_dir.path(), m_prompt, m_opener);
        QVERIFY2(xl.SaveXl(QStringLiteral("own"), true), qPrintable(xl.problem()));
        QVERIFY(m_opener.opened.isEmpty());
        const QJsonObject book = WorkbookCells::read(file(QStringLiteral("own.xlsx")));
        const QString data = QStringLiteral("Data Sheet");
        QCOMPARE(cell(book, QStringLiteral("Notes"), QStringLiteral("A1"))[1].toString(),
                 QStringLiteral("Kept as it was"));
        QCOMPARE(cell(book, data, QStringLiteral("B1")),
                 QJsonArray({QStringLiteral("f"), QStringLiteral("=SUM(C4:C100)"),
                             QStringLiteral("General"), false}));
        QCOMPARE(book[QStringLiteral("results")].toObject(),
                 QJsonObject({{QStringLiteral("Data Sheet!B1"), QJsonValue::Null},
                              {QStringLiteral("Notes!A2"), QJsonValue::Null}}));
        QVERIFY(book[QStringLiteral("fullCalcOnLoad")].toBool());
        QCOMPARE(cell(book, data, QStringLiteral("D2"))[1].toString(),
                 QStringLiteral("=HYPERLINK(\"x\")"));
        QCOMPARE(cell(book, data, QStringLiteral("E2")),
                 QJsonArray({QStringLiteral("d"), QStringLiteral("2026-12-04 00:00:00"),
                             QStringLiteral("dd.mm.yyyy"), true}));
        QCOMPARE(cell(book, data, QStringLiteral("C6"))[1].toDouble(), 12.0);
        QCOMPARE(cell(book, data, QStringLiteral("B5"))[1].toString(),
                 QStringLiteral("2026-12-04 08:16:42"));
        QCOMPARE(cell(book, data, QStringLiteral("H2"))[1].toString(), QStringLiteral("J. Smith"));
    }

    void aListWithoutRecordsGivesNoWorkbook_data()
    {
        QTest::addColumn<QByteArray>("list");
        QByteArray legend;
        for (const QString &line : Legend)
            legend += '"' + line.toLatin1() + "\"\r\n";
        QByteArray records;
        for (const QString &line : Records)
            records += '"' + line.toLatin1() + "\"\r\n";
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("legend only") << legend;
        QTest::newRow("part of the legend") << legend.left(legend.indexOf("\"Survey"));
        // Its records, once its lines are read, or else no workbook at all.
        QTest::newRow("CR line ends") << QByteArray(legend + records).replace("\r\n", "\r");
    }

    void aListWithoutRecordsGivesNoWorkbook()
    {
        QFETCH(QByteArray, list);
        QFile::remove(file(Xl::TemplateName));
        QFile out(file(QStringLiteral("none.lst")));
        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(list);
        out.close();
        QFile::remove(file(QStringLiteral("none.xlsx")));
        Xl xl(m_dir.path(), m_prompt, m_opener);
        if (xl.SaveXl(QStringLiteral("none"), true)) {
            QVERIFY(list.contains("\r\""));
            const QJsonObject book = WorkbookCells::read(file(QStringLiteral("none.xlsx")));
            QCOMPARE(cell(book, QStringLiteral("Survey"), QStringLiteral("G12"))[1].toString(),
                     QStringLiteral("GM"));
            return;
        }
        QCOMPARE(xl.problem(), Xl::NoRecords);
        QVERIFY(!QFile::exists(file(QStringLiteral("none.xlsx"))));
        QVERIFY(m_prompt.shown.isEmpty());
    }

    void aLegendDateWithATwoDigitYearIsTheYearNearestToday_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QDate>("date");
        QTest::newRow("M/d/yy") << QStringLiteral("12/4/26") << QStringLiteral("en_US")
                                << QDate(2026, 12, 4);
        QTest::newRow("dd.MM.yy") << QStringLiteral("04.12.26") << QStringLiteral("de_DE")
                                  << QDate(2026, 12, 4);
        QTest::newRow("last century")
            << QStringLiteral("31.12.80") << QStringLiteral("de_DE") << QDate(1980, 12, 31);
        QTest::newRow("next century")
            << QStringLiteral("1/1/70") << QStringLiteral("en_US") << QDate(2070, 1, 1);
    }

    void aLegendDateWithATwoDigitYearIsTheYearNearestToday()
    {
        QFETCH(QString, text);
        QFETCH(QString, locale);
        QFETCH(QDate, date);
        const auto days = ListToCells::legendDate(text, QDate(2026, 12, 5), QLocale(locale));
        QVERIFY(days);
        QCOMPARE(SerialDate::toDateTime(*days).date(), date);
    }

    void recordsBeyondTheLastRowOfTheSheetAreCounted()
    {
        QVERIFY(WorkbookCells::run({QStringLiteral("bottom-template"), file(Xl::TemplateName)}));
        writeList(QStringLiteral("long"), Legend + Records);
        Xl xl(m_dir.path(), m_prompt, m_opener);
        QVERIFY2(xl.SaveXl(QStringLiteral("long"), true), qPrintable(xl.problem()));
        QCOMPARE(xl.recordsLeftOut(), 1);
        QFile::remove(file(Xl::TemplateName));
    }

    void aHeaderWithoutItsKeyAsksAndRetryReadsAgain()
    {
        writeList(QStringLiteral("bad"),
                  QStringList{QStringLiteral("Dept: x")} + Legend.mid(1) + Records);
        m_prompt.answers = {UserPrompt::Answer::Retry, UserPrompt::Answer::Abort};
        Xl xl(m_dir.path(), m_prompt, m_opener);
        QVERIFY(xl.SaveXl(QStringLiteral("bad"), true));
        QCOMPARE(m_prompt.count(QStringLiteral("Input file format error has occured")), 2);
        QVERIFY(QFile::exists(file(QStringLiteral("bad.xlsx"))));
    }

    void aLegendDateThatIsNoDateFailsAndSaysSo()
    {
        QStringList lines = Legend + Records;
        lines[1] = QStringLiteral("Date: next Tuesday");
        writeList(QStringLiteral("nodate"), lines);
        Xl xl(m_dir.path(), m_prompt, m_opener);
        QVERIFY(!xl.SaveXl(QStringLiteral("nodate"), true));
        QVERIFY(xl.problem().contains(QStringLiteral("next Tuesday")));
        QVERIFY(!QFile::exists(file(QStringLiteral("nodate.xlsx"))));
    }
};

QTEST_GUILESS_MAIN(TestWorkbook)
#include "tst_workbook.moc"
