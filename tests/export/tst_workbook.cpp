#include "DateTimeText.h"
#include "ListExport.h"
#include "MeasurementDecoder.h"
#include "RecordLine.h"
#include "SavedList.h"
#include "ScriptedOpener.h"
#include "ScriptedPrompt.h"
#include "SerialDate.h"
#include "WorkbookCells.h"
#include "Xl.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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

const QList<MeasurementRecord> Readings = {
    record(QStringLiteral("2026-12-04 08:15:42"), QStringLiteral(" "), QStringLiteral("0.10"),
           QStringLiteral("uSv/h"), 0, QStringLiteral("GM")),
    record(QStringLiteral("2026-12-04 08:16:42"), QStringLiteral("*"), QStringLiteral("6.50"),
           QStringLiteral("uSv/h"), 5, QStringLiteral("Probe A 2")),
    record(QStringLiteral("2026-12-05"), QStringLiteral(" "), QStringLiteral("12.00"),
           QStringLiteral("mSv/h"), -1, QStringLiteral("GM"))};

QStringList linesOf(const QList<MeasurementRecord> &readings)
{
    QStringList lines;
    for (const MeasurementRecord &r : readings)
        lines << RecordLine::format(r);
    return lines;
}

const QStringList Records = linesOf(Readings);

// Writes a template of tests/export/odd_templates.py.
bool makeTemplate(const QString &kind, const QString &path, int n = 0)
{
    QProcess process;
    process.start(WorkbookCells::python(),
                  {QStringLiteral(TESK_TESTS_DIR "/export/odd_templates.py"), kind, path,
                   QString::number(n)});
    return process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

// Answers every question after running `meanwhile`.
class PromptMeanwhile : public UserPrompt
{
public:
    std::function<void()> meanwhile;
    Answer answer = Answer::Ignore;

    Answer show(const Message &) override
    {
        meanwhile();
        return answer;
    }
};

} // namespace

class TestWorkbook : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    ScriptedPrompt m_prompt;
    ScriptedOpener m_opener;

    QString file(const QString &name) const { return m_dir.filePath(name); }

    // The work files of a save that are still there.
    QStringList workFiles() const
    {
        return QDir(m_dir.path())
            .entryList({QStringLiteral(".tesk-*"), QStringLiteral("*.part")},
                       QDir::Files | QDir::Hidden);
    }

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

    // A downloaded list, then every status code the meter's bytes allow, with
    // values, units and detectors whose texts fill or overflow their fields:
    // each column holds what the decoder gave, in its type, and the status
    // text carries the decoder's word.
    void aDownloadedListIsReadBackWithItsTypesFromTheProgramsTemplate()
    {
        const quint16 values[] = {10000, 53234, 55999, 12345, 9999};
        const quint8 units[] = {1,  2,  4,  8,  32, 64,  128, 192, 96,  224, 17,
                                18, 20, 24, 48, 80, 144, 208, 112, 240, 0,   16};
        const quint8 detectors[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 254, 255};
        QList<MeasurementRecord> readings = Readings;
        const auto add = [&](quint16 value, quint8 unit, quint8 detector, int code) {
            QByteArray message(26, '\0');
            message.replace(1, 11, "COR-" + QByteArray::number(readings.size() + 2000000));
            message[19] = static_cast<char>(value >> 8);
            message[20] = static_cast<char>(value & 0xff);
            message[21] = static_cast<char>(unit);
            message[22] = static_cast<char>(detector);
            message[23] = static_cast<char>(code);
            const QDateTime time = DateTimeText::wallClock(QDate(2026, 12, 5), QTime(0, 0));
            MeasurementRecord r = MeasurementDecoder::GetDataFromMess(
                message, false, time.addSecs(code % 7 == 0 ? 0 : 61 * code));
            r.sta = static_cast<qint16>(code);
            readings << r;
        };
        // 234000.00 cpm with status 12 from detector HT50, and marked alarms.
        add(53234, 64, 5, 12);
        add(12345, 4, 5, 40);
        add(55999, 8, 254, 100);
        for (int code = -3; code < 256; ++code) {
            const auto n = static_cast<size_t>(code + 3);
            add(values[n % std::size(values)], units[n % std::size(units)],
                detectors[n % std::size(detectors)], code);
        }
        writeList(QStringLiteral("Survey 1"), Legend + linesOf(readings));
        Xl xl(m_dir.path(), m_prompt, m_opener);
        QVERIFY2(xl.SaveXl(QStringLiteral("Survey 1"), false), qPrintable(xl.problem()));
        QCOMPARE(m_opener.opened, QStringList{file(QStringLiteral("Survey 1.xlsx"))});

        const QJsonObject book = WorkbookCells::read(file(QStringLiteral("Survey 1.xlsx")));
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
        for (qsizetype row = 0; row < readings.size(); ++row) {
            const MeasurementRecord &r = readings[row];
            const QString word = r.sta < 0 ? QStringLiteral(" ")
                                           : MeasurementDecoder::status(static_cast<quint8>(r.sta));
            const QJsonArray expected = {
                r.InstNum,
                DateTimeText::parse(r.time)->toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                r.vl.toDouble(),
                r.ErrorSn,
                r.Units.trimmed(),
                QStringLiteral("%1 (%2)").arg(word).arg(r.sta),
                r.Detector.trimmed()};
            // Type and date flag: texts, but the time a date and the value a number.
            QJsonArray got;
            QString types;
            for (const char column : {'A', 'B', 'C', 'D', 'E', 'F', 'G'}) {
                const QJsonArray c =
                    sheet[QLatin1Char(column) + QString::number(10 + row)].toArray();
                got << c[1];
                types += c[0].toString() + (c[3].toBool() ? u'!' : u' ');
            }
            QVERIFY2(got == expected && types == u"s d!n s s s s ",
                     qPrintable(RecordLine::format(r) + QStringLiteral(" gave ") + types +
                                QJsonDocument(got).toJson(QJsonDocument::Compact)));
        }
        QVERIFY(sheet[QStringLiteral("A%1").arg(10 + readings.size())].isUndefined());
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

    void theWorkbookTakesTheRecordsASavedListTakes_data()
    {
        QTest::addColumn<QByteArray>("list");
        QTest::addColumn<int>("records");
        QTest::addColumn<bool>("legend");
        QTest::addColumn<QString>("department");
        const QString hyperlink = QStringLiteral("=HYPERLINK(\"x\")");
        const QString end = QStringLiteral("\"\r\n");
        const QByteArray legend = (u'"' + Legend.join(end + u'"') + end).toLatin1();
        const QByteArray records = (u'"' + Records.join(end + u'"') + end).toLatin1();
        QTest::newRow("empty") << QByteArray() << 0 << false << QString();
        QTest::newRow("legend only") << legend << 0 << true << hyperlink;
        QTest::newRow("part of the legend")
            << legend.left(legend.indexOf("\"Survey")) << 0 << false << QString();
        QTest::newRow("CR line ends")
            << QByteArray(legend + records).replace("\r\n", "\r") << 3 << true << hyperlink;
        const QString accented = QStringLiteral("Sant\u00e9 \u00e0 Z\u00fcrich");
        QTest::newRow("legend edited as UTF-8")
            << QByteArray(legend).replace(hyperlink.toLatin1(), accented.toUtf8()) + records << 3
            << true << accented;
        const QByteArray torn = records.left(30) + "\r\n";
        const QByteArray unknownValue =
            records.left(records.indexOf("\r\n") + 2).replace("0.10", " n/a");
        QTest::newRow("damaged lines") << legend + torn + records + QByteArray(77, '\0') + "\r\n" +
                                              unknownValue + torn.chopped(2)
                                       << 4 << true << hyperlink;
    }

    void theWorkbookTakesTheRecordsASavedListTakes()
    {
        QFETCH(QByteArray, list);
        QFETCH(int, records);
        QFETCH(bool, legend);
        QFETCH(QString, department);
        QFile::remove(file(Xl::TemplateName));
        QFile out(file(QStringLiteral("some.lst")));
        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(list);
        out.close();
        Xl xl(m_dir.path(), m_prompt, m_opener);
        QVERIFY2(xl.SaveXl(QStringLiteral("some"), true), qPrintable(xl.problem()));
        QVERIFY(m_prompt.shown.isEmpty());
        QCOMPARE(xl.recordsWritten(), records);
        const SavedList saved = SavedList::read(out.fileName());
        if (saved.error.isEmpty()) {
            QCOMPARE(xl.recordsWritten(), qint64(saved.records.size()));
            QCOMPARE(xl.skippedLines(), saved.skippedLines);
            QCOMPARE(xl.firstSkippedLine(), saved.firstSkippedLine);
        }
        const QJsonObject book = WorkbookCells::read(file(QStringLiteral("some.xlsx")));
        const QJsonObject sheet =
            book[QStringLiteral("sheets")][QStringLiteral("Survey")].toObject();
        QCOMPARE(sheet[QStringLiteral("A%1").arg(10 + records)].isUndefined(), true);
        QCOMPARE(sheet[QStringLiteral("A%1").arg(9 + records)].isUndefined(), false);
        const QJsonArray place =
            book[QStringLiteral("names")][QStringLiteral("DeptCell")].toArray();
        const QJsonArray deptCell = cell(book, place[0].toString(), place[1].toString());
        QCOMPARE(!deptCell.isEmpty(), legend);
        if (legend)
            QCOMPARE(deptCell[1].toString(), department);
    }

    void aLegendDateWithATwoDigitYearIsTheYearNearestToday_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QDate>("date");
        const auto row = [](const char *name, const char *text, const char *locale, QDate date) {
            QTest::newRow(name) << QString(text) << QString(locale) << date;
        };
        row("M/d/yy", "12/4/26", "en_US", QDate(2026, 12, 4));
        row("dd.MM.yy", "04.12.26", "de_DE", QDate(2026, 12, 4));
        row("last century", "31.12.80", "de_DE", QDate(1980, 12, 31));
        row("next century", "1/1/70", "en_US", QDate(2070, 1, 1));
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

    void aHeaderWithoutItsKeyAsksAndALegendDateThatIsNoDateFails()
    {
        writeList(QStringLiteral("bad"),
                  QStringList{QStringLiteral("Dept: x")} + Legend.mid(1) + Records);
        m_prompt.answers = {UserPrompt::Answer::Retry, UserPrompt::Answer::Abort};
        QVERIFY(Xl(m_dir.path(), m_prompt, m_opener).SaveXl(QStringLiteral("bad"), true));
        // Retry reads the list again.
        QCOMPARE(m_prompt.count(QStringLiteral("Input file format error has occured")), 2);
        QVERIFY(QFile::exists(file(QStringLiteral("bad.xlsx"))));

        QStringList lines = Legend + Records;
        lines[1] = QStringLiteral("Date: next Tuesday");
        writeList(QStringLiteral("nodate"), lines);
        Xl xl(m_dir.path(), m_prompt, m_opener);
        QVERIFY(!xl.SaveXl(QStringLiteral("nodate"), true));
        QVERIFY(xl.problem().contains(QStringLiteral("next Tuesday")) &&
                xl.problem().contains(file(QStringLiteral("nodate.lst"))));
        QVERIFY(!QFile::exists(file(QStringLiteral("nodate.xlsx"))));
    }

    void oddTemplatesGiveACorrectWorkbookOrARefusalThatSaysWhy_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("refusal"); // a part of the message; empty when it is saved
        const auto row = [](const char *name, const char *kind, const char *refusal) {
            QTest::newRow(name) << QString(kind) << QString(refusal);
        };
        row("prefixed main namespace", "prefixed", "");
        row("sheet without sheetData", "no-sheet-data", "");
        row("sheet twice", "sheet-twice", "xl/worksheets/sheet1.xml twice");
        row("sheet that is the styles", "sheet-is-styles",
            "xl/styles.xml, which is not a worksheet");
        row("chart sheet", "sheet-is-chart", "Survey, which is not a worksheet");
        row("FirstLine at the last columns", "last-column", "XFB10");
        row("/tmp/x", "absolute-name", "\"/tmp/x\"");
        row("xl/../../../x", "climbing-inner-name", "\"xl/../../../x\"");
        row("styles of 200 MB", "big-styles", "xl/styles.xml is too large");
        row("sheets of 30 MB, 120 MB in all", "many-sheets", "extra3.xml is too large");
        row("entity expansion", "entities", "sheet1.xml declares a DTD");
        row("one part under 60 names", "aliased", "its parts overlap");
        row("a part inside another", "overlapping", "its parts overlap");
        row("styles cut off", "broken-styles", "its part xl/styles.xml is damaged");
        row("encrypted part", "encrypted",
            "the template has an encrypted part (xl/media/secret.bin)");
        row("a row of 9 MB", "wide-row", "its row 20 takes more than 8 MB");
        row("a formula before plain numbers", "formula", "");
        row("row and column -2147483648", "lowest-numbers", "has its rows out of order");
    }

    void oddTemplatesGiveACorrectWorkbookOrARefusalThatSaysWhy()
    {
        QFETCH(QString, kind);
        QFETCH(QString, refusal);
        QVERIFY(makeTemplate(kind, file(Xl::TemplateName)));
        writeList(QStringLiteral("odd"), Legend + Records);
        QFile::remove(file(QStringLiteral("odd.xlsx")));
        Xl xl(m_dir.path(), m_prompt, m_opener);
        const bool saved = xl.SaveXl(QStringLiteral("odd"), true);
        QVERIFY(workFiles().isEmpty());
        if (!refusal.isEmpty()) {
            QVERIFY(!saved);
            QVERIFY2(xl.problem().contains(refusal), qPrintable(xl.problem()));
            QVERIFY(!QFile::exists(file(QStringLiteral("odd.xlsx"))));
            return;
        }
        QVERIFY2(saved, qPrintable(xl.problem()));
        QCOMPARE(xl.recordsLeftOut(), 0);
        const QJsonObject book = WorkbookCells::read(file(QStringLiteral("odd.xlsx")));
        const QJsonObject sheet =
            book[QStringLiteral("sheets")][QStringLiteral("Survey")].toObject();
        QCOMPARE(sheet[QStringLiteral("B7")].toArray()[1].toString(), QStringLiteral("J. Smith"));
        QCOMPARE(sheet[QStringLiteral("A10")].toArray()[1].toString(),
                 QStringLiteral("SIM-0000001"));
        QCOMPARE(sheet[QStringLiteral("G12")].toArray()[1].toString(), QStringLiteral("GM"));
        if (kind == u"prefixed")
            QCOMPARE(sheet[QStringLiteral("A1")].toArray()[1].toString(), QStringLiteral("Survey"));
        // The cells after a formula keep their stored values.
        if (kind == u"formula") {
            for (const auto &[cell, value] : {std::pair{"I20", 20.0}, std::pair{"H21", 21.0}})
                QCOMPARE(sheet[QLatin1String(cell)].toArray().toVariantList().value(1).toDouble(),
                         value);
        }
    }

    // A spreadsheet application saving the template while the export runs
    // puts a new file under its name; the workbook is made from one of them.
    void aTemplateSavedDuringTheExportGivesNoMixOfItsVersions()
    {
        QVERIFY(makeTemplate(QStringLiteral("version"), file(Xl::TemplateName), 1));
        QVERIFY(makeTemplate(QStringLiteral("version"), file(QStringLiteral("new.xlsx")), 2));
        QStringList legend = Legend;
        legend[0] = QStringLiteral("Dept"); // the question comes after the template is read
        writeList(QStringLiteral("meanwhile"), legend + Records);
        PromptMeanwhile prompt;
        prompt.meanwhile = [this] {
            ::rename(QFile::encodeName(file(QStringLiteral("new.xlsx"))).constData(),
                     QFile::encodeName(file(Xl::TemplateName)).constData());
        };
        Xl xl(m_dir.path(), prompt, m_opener);
        QVERIFY2(xl.SaveXl(QStringLiteral("meanwhile"), true), qPrintable(xl.problem()));
        QVERIFY(!QFile::exists(file(QStringLiteral("new.xlsx"))));
        QProcess part;
        part.start(WorkbookCells::python(),
                   {QStringLiteral("-c"),
                    QStringLiteral("import sys, zipfile; sys.stdout.buffer.write("
                                   "zipfile.ZipFile(sys.argv[1]).read('xl/media/version.bin'))"),
                    file(QStringLiteral("meanwhile.xlsx"))});
        QVERIFY(part.waitForFinished(30000));
        QCOMPARE(part.readAllStandardOutput(), QByteArray("version 1"));
    }

    void templatesAreSavedOrRefusedInABoundedAddressSpace_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("headroomMb"); // address space beyond what the test has mapped
        QTest::addColumn<bool>("saved");
        // 40 parts of 268 MB of zeros in 10 MB, copied still compressed.
        QTest::newRow("zeros") << "bomb" << 400 << true;
        // A sheet of 85 MB that does not fit: a refusal that says so.
        QTest::newRow("large sheet, little memory") << "big-sheet" << 40 << false;
    }

    void templatesAreSavedOrRefusedInABoundedAddressSpace()
    {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("AddressSanitizer reserves more address space than the limit");
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
        QSKIP("AddressSanitizer reserves more address space than the limit");
#endif
#endif
        QFETCH(QString, kind);
        QFETCH(int, headroomMb);
        QFETCH(bool, saved);
        QVERIFY(makeTemplate(kind, file(Xl::TemplateName)));
        writeList(QStringLiteral("bounded"), Legend + Records);
        QFile::remove(file(QStringLiteral("bounded.xlsx")));
        QFile statm(QStringLiteral("/proc/self/statm"));
        QVERIFY(statm.open(QIODevice::ReadOnly));
        const rlim_t limit = statm.readAll().split(' ').first().toULongLong() *
                                 static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) +
                             (static_cast<rlim_t>(headroomMb) << 20);
        // The limit holds in a child, not in the test runner.
        const pid_t child = fork();
        if (child == 0) {
            const rlimit bound{limit, limit};
            setrlimit(RLIMIT_AS, &bound);
            Xl xl(m_dir.path(), m_prompt, m_opener);
            if (xl.SaveXl(QStringLiteral("bounded"), true))
                _exit(0);
            _exit(xl.problem().contains(QStringLiteral("not enough memory")) ? 2 : 1);
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), saved ? 0 : 2);
        QVERIFY(workFiles().isEmpty());
        const QFileInfo workbook(file(QStringLiteral("bounded.xlsx")));
        QCOMPARE(workbook.exists(), saved);
        // The zeros are not inflated on their way.
        if (saved)
            QVERIFY(workbook.size() < QFileInfo(file(Xl::TemplateName)).size() + (1 << 20));
    }
};

QTEST_GUILESS_MAIN(TestWorkbook)
#include "tst_workbook.moc"
