#include "DateTimeText.h"
#include "FileSizeLimit.h"
#include "RecordLine.h"
#include "SerialDate.h"
#include "WorkingListFile.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

const QStringList Legend{"Department: Health Physics", "Date: 2024-05-01", "Instrument Type: RM-2",
                         "Survey location: Hall 3", "Surveyor: Ann"};

QByteArray item(const QString &text)
{
    return '"' + text.toLatin1() + "\"\r\n";
}

QByteArray headerBytes(const QStringList &legend = Legend)
{
    QByteArray bytes;
    for (const QString &line : legend)
        bytes += item(line);
    return bytes + item(QStringLiteral("Signture:"));
}

QString recordText(int n, const QString &units = QStringLiteral("uSv/h"))
{
    MeasurementRecord r;
    r.InstNum = QStringLiteral("INST%1").arg(n);
    r.time = DateTimeText::format(
        DateTimeText::wallClock(QDate(2024, 5, 1), QTime(0, 0)).addSecs(60LL * n + 1));
    r.vl = QString::number(n) + QStringLiteral(".5");
    r.Units = units;
    r.Detector = QStringLiteral("GM");
    r.ErrorSn = QStringLiteral(" ");
    return RecordLine::format(r);
}

QByteArray records(int first, int count)
{
    QByteArray bytes;
    for (int n = first; n < first + count; ++n)
        bytes += item(recordText(n));
    return bytes;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestWorkingListFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_path;

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_path = m_dir.filePath(QStringLiteral("TeskTemp.lst"));
        QFile::remove(m_path);
    }

    void loadingFillsTheArraysAndASingleRecordKeepsTheUnits()
    {
        writeFile(m_path, headerBytes() + records(0, 2));
        WorkingListFile list(m_path);
        QCOMPARE(list.ReadDb(), WorkingListFile::LoadResult::Loaded);
        QCOMPARE(list.ListUnits()[0], QStringLiteral("uSv/h"));

        // A single record leaves the units and the point name as they were.
        writeFile(m_path, headerBytes() + item(recordText(7, QStringLiteral("mR/h"))));
        QCOMPARE(list.ReadDb(), WorkingListFile::LoadResult::Loaded);
        QCOMPARE(list.TotalRecords(), 1);
        QCOMPARE(list.ListUnits()[0], QStringLiteral("uSv/h"));

        QVERIFY(list.storePoint(3000, 9.0, 1.0));
        QVERIFY(!list.storePoint(3001, 9.0, 1.0));
    }

    void aLongListKeepsTheFirst3001RecordsAndCountsAll()
    {
        // Blank lines in both parts of the file are not records.
        writeFile(m_path, headerBytes() + records(0, 1500) + "\r\n" + records(1500, 2000) + "\n\n");
        WorkingListFile list(m_path);
        QCOMPARE(list.ReadDb(), WorkingListFile::LoadResult::Loaded);
        QCOMPARE(list.TotalRecords(), 3500);
        QCOMPARE(list.LastRecIndex(), 3000);
        QCOMPARE(list.ListValues()[3000][0], 3000.5);
        QCOMPARE(list.ListTimes()[3000],
                 SerialDate::fromDateTime(RecordLine::read(recordText(3000))->time));
        QVERIFY(list.appendRecord(recordText(3500)));
        QCOMPARE(list.TotalRecords(), 3501);
    }

    void aMissingFinalLineBreakIsMadeGoodWithCrLf()
    {
        // Cut inside the last line's break, and before it.
        const QByteArray whole = headerBytes() + records(0, 2);
        for (const QByteArray &cut : {whole.chopped(1), whole.chopped(2)}) {
            writeFile(m_path, cut);
            WorkingListFile list(m_path);
            QCOMPARE(list.ReadDb(), WorkingListFile::LoadResult::Loaded);
            QVERIFY(list.appendRecord(recordText(2)));
            QCOMPARE(readFile(m_path), whole + item(recordText(2)));
        }
    }

    void damagedFilesLoadEveryRecordAndCountTheSkippedLines_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("total");
        QTest::addColumn<int>("lastIndex");
        QTest::addColumn<qint64>("skipped");
        QTest::addColumn<qint64>("firstSkipped");

        QTest::newRow("empty") << QByteArray() << 0 << -1 << qint64(0) << qint64(0);
        QTest::newRow("no header") << records(0, 4) << 4 << 3 << qint64(0) << qint64(0);
        QTest::newRow("header cut short")
            << headerBytes().left(headerBytes().indexOf("\"Instrument")) + records(0, 2) << 2 << 1
            << qint64(0) << qint64(0);
        // Each text puts a date where a record line holds its time.
        const QStringList datedLegend{"Department: X 2026-12-05", "Date: 05.12.  2026-12-05",
                                      "Instrument Type: RM-2", "Survey location: Hall 3",
                                      "Surveyor: Ann 2026-12-05 12:00:00"};
        QTest::newRow("legend texts that look like records")
            << headerBytes(datedLegend) + records(0, 3) << 3 << 2 << qint64(0) << qint64(0);
        QTest::newRow("stray line after the header")
            << headerBytes() + item(QStringLiteral("stray")) + records(0, 2) << 2 << 1 << qint64(1)
            << qint64(7);
        // A power cut tore a line; the next reading went on a line of its own.
        const QByteArray torn = item(recordText(3)).left(22) + "\r\n";
        QTest::newRow("torn line between records")
            << headerBytes() + records(0, 3) + torn + records(4, 2) << 5 << 4 << qint64(1)
            << qint64(10);
        QTest::newRow("torn line at the end")
            << headerBytes() + records(0, 3) + torn.chopped(2) << 3 << 2 << qint64(1) << qint64(10);
        QTest::newRow("records without quotes")
            << headerBytes() + recordText(0).toLatin1() + "\n" + records(1, 1) << 2 << 1
            << qint64(0) << qint64(0);
        QTest::newRow("LF only, no final break")
            << headerBytes().replace("\r\n", "\n") + records(0, 2).replace("\r\n", "\n").chopped(1)
            << 2 << 1 << qint64(0) << qint64(0);
        QByteArray garbage(100'000, '\0');
        for (int i = 0; i < garbage.size(); ++i)
            garbage[i] = static_cast<char>((i * 7919 + i / 13) % 256);
        QTest::newRow("binary garbage")
            << headerBytes() + garbage << 0 << -1 << qint64(-1) << qint64(7);
        // A record line running on for megabytes is cut, its start still read.
        QByteArray longRecord =
            item(recordText(0)).chopped(2) + QByteArray(20'000'000, 'x') + "\r\n";
        QTest::newRow("huge record")
            << headerBytes() + longRecord + records(1, 1) << 2 << 1 << qint64(0) << qint64(0);
        QTest::newRow("huge line after 3001")
            << headerBytes() + records(0, 3001) + QByteArray(9'000'000, 'y') + "\n" +
                   records(3001, 10)
            << 3011 << 3000 << qint64(1) << qint64(3008);
    }

    void damagedFilesLoadEveryRecordAndCountTheSkippedLines()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, total);
        QFETCH(int, lastIndex);
        QFETCH(qint64, skipped);
        QFETCH(qint64, firstSkipped);
        writeFile(m_path, bytes);
        WorkingListFile list(m_path);
        const WorkingListFile::LoadResult result = list.ReadDb();
        QCOMPARE(list.TotalRecords(), total);
        QCOMPARE(list.LastRecIndex(), lastIndex);
        // -1: some lines, however many the garbage holds.
        if (skipped >= 0)
            QCOMPARE(list.skippedLines(), skipped);
        else
            QVERIFY(list.skippedLines() > 0);
        QCOMPARE(list.firstSkippedLine(), list.skippedLines() > 0 ? firstSkipped : 0);
        QCOMPARE(result, list.skippedLines() > 0 ? WorkingListFile::LoadResult::LinesSkipped
                                                 : WorkingListFile::LoadResult::Loaded);
        QVERIFY(list.isOpen());

        // A reading appended after the damage is read back as one more record.
        QVERIFY(list.appendRecord(recordText(5000)));
        QCOMPARE(list.ReadDb(), result);
        QCOMPARE(list.TotalRecords(), total + 1);
    }

    void aWorkingListThatIsANamedPipeIsRefusedWithoutWaiting()
    {
        QCOMPARE(::mkfifo(QFile::encodeName(m_path).constData(), 0600), 0);
        WorkingListFile list(m_path);
        QCOMPARE(list.ReadDb(), WorkingListFile::LoadResult::NotReadable);
        QVERIFY2(list.refusal().contains(QStringLiteral("a named pipe (FIFO)")),
                 qPrintable(list.refusal()));
        QVERIFY(!WorkingListFile::FileExist(m_path));
        QVERIFY(!list.OpenNewTempFile(Legend));
    }

    void aFileRemovedWhileOpenStartsAgainWithItsHeaderQuotesAndAll()
    {
        QStringList legend = Legend;
        legend[0] = QStringLiteral("Department: Joe \"Big\" Ltd");
        {
            WorkingListFile writer(m_path);
            QVERIFY(writer.OpenNewTempFile(legend));
            QVERIFY(writer.appendRecord(recordText(0)));
        }
        WorkingListFile list(m_path);
        QSignalSpy restarted(&list, &WorkingListFile::fileRestarted);
        QSignalSpy failed(&list, &WorkingListFile::writeFailed);
        list.ReadDb();
        QVERIFY(list.appendRecord(recordText(1)));
        QVERIFY(QFile::remove(m_path));
        QVERIFY(list.appendRecord(recordText(2)));
        QCOMPARE(restarted.count(), 1);
        QCOMPARE(failed.count(), 0);
        QCOMPARE(list.TotalRecords(), 1);
        QCOMPARE(readFile(m_path), headerBytes(legend) + item(recordText(2)));

        // Once the program removes the file itself, nothing is written.
        QVERIFY(list.removeFile());
        QCOMPARE(list.TotalRecords(), 0);
        QVERIFY(!list.appendRecord(recordText(3)));
        QCOMPARE(failed.count(), 1);
        QVERIFY(!QFile::exists(m_path));
    }

    void aFailedWriteIsReportedOnceLeavesNoPartOfTheLineAndWritingResumes()
    {
        WorkingListFile list(m_path);
        QSignalSpy failed(&list, &WorkingListFile::writeFailed);
        QSignalSpy recovered(&list, &WorkingListFile::writeRecovered);
        QVERIFY(list.OpenNewTempFile(Legend));
        QVERIFY(list.appendRecord(recordText(0)));
        const QByteArray before = readFile(m_path);

        FileSizeLimit fullDisk(before.size() + 20);
        QVERIFY(!list.appendRecord(recordText(1)));
        QVERIFY(!list.appendRecord(recordText(2)));
        fullDisk.lift();
        QCOMPARE(failed.count(), 1);
        QCOMPARE(readFile(m_path), before);
        QVERIFY(list.appendRecord(recordText(3)));
        QCOMPARE(recovered.count(), 1);
        QCOMPARE(readFile(m_path), before + item(recordText(3)));
        QCOMPARE(list.TotalRecords(), 2);
    }
};

QTEST_GUILESS_MAIN(TestWorkingListFile)
#include "tst_working_list_file.moc"
