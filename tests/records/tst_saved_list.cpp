#include "DateTimeText.h"
#include "ListEncoding.h"
#include "RecordLine.h"
#include "SavedList.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

const QStringList Header{"Department: Health Physics", "Date: 2026-12-05", "Instrument Type: RM-2",
                         "Survey location: Hall 3",    "Surveyor: Ann",    "Signture:"};

MeasurementRecord reading(int n)
{
    MeasurementRecord r;
    r.InstNum = QStringLiteral("12345678901");
    r.time = DateTimeText::format(
        DateTimeText::wallClock(QDate(2026, 12, 5), QTime(0, 0)).addSecs(60LL * n));
    r.vl = QStringLiteral("%1.00").arg(100000 * n);
    r.Units = QStringLiteral("cpm");
    r.ErrorSn = n % 2 ? QStringLiteral("*") : QStringLiteral(" ");
    r.sta = static_cast<qint16>(12 * n);
    r.Detector = QStringLiteral("HT50");
    return r;
}

// The lines of a list with `count` records, each quoted, ended by `lineEnd`.
QByteArray listBytes(int count, const QByteArray &lineEnd)
{
    QByteArray bytes;
    for (const QString &line : Header)
        bytes += '"' + line.toLatin1() + '"' + lineEnd;
    for (int n = 0; n < count; ++n)
        bytes += '"' + RecordLine::format(reading(n)).toLatin1() + '"' + lineEnd;
    return bytes;
}

// A record line with its status one column to the left of the writer's.
QString nearLayout(int n)
{
    MeasurementRecord r = reading(n);
    r.vl = QStringLiteral("0.50");
    r.Units = QStringLiteral("mR/h");
    r.sta = 0;
    const QString line = RecordLine::format(r);
    return QString(line).replace(QStringLiteral("mR/h       0 HT50"),
                                 QStringLiteral("mR/h      0  HT50"));
}

SavedList readBytes(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return SavedList::read(buffer);
}

} // namespace

class TestSavedList : public QObject
{
    Q_OBJECT

private slots:
    // Each row: the bytes, then the records read, the lines skipped and the first of them.
    void everyRecordIsReadWhateverTheLineEndsAndDamagedLinesAreSkipped_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("records");
        QTest::addColumn<qint64>("skipped");
        QTest::addColumn<qint64>("firstSkipped");
        QTest::newRow("CR LF") << listBytes(3, "\r\n") << 3 << qint64(0) << qint64(0);
        QTest::newRow("LF, no final break")
            << listBytes(3, "\n").chopped(1) << 3 << qint64(0) << qint64(0);
        QTest::newRow("CR") << listBytes(3, "\r") << 3 << qint64(0) << qint64(0);
        QTest::newRow("CR, no final break")
            << listBytes(3, "\r").chopped(1) << 3 << qint64(0) << qint64(0);
        // A blank line counts as an editor shows it; CR LF is one line end.
        QTest::newRow("damaged after a blank line") << listBytes(3, "\r\n") + "\r\n\"stray\"\r\n"
                                                    << 3 << qint64(1) << qint64(11);
        QTest::newRow("damaged, CR")
            << listBytes(3, "\r") + "\r\rstray\r" << 3 << qint64(1) << qint64(12);

        const QByteArray header = listBytes(0, "\r\n");
        const QByteArray records = listBytes(4, "\r\n").mid(header.size());
        const qsizetype second = records.indexOf("\r\n\"") + 2;
        const auto between = [&](const QByteArray &line) {
            return header + records.left(second) + line + "\r\n" + records.mid(second);
        };
        QTest::newRow("stray line after the header")
            << header + "\"a damaged first record\"\r\n" + records << 4 << qint64(1) << qint64(7);
        QTest::newRow("torn line between records")
            << between(records.mid(second, 25)) << 4 << qint64(1) << qint64(8);
        QTest::newRow("torn line at the end")
            << header + records + records.left(30) << 4 << qint64(1) << qint64(11);
        QTest::newRow("NUL bytes") << between(QByteArray(77, '\0')) << 4 << qint64(1) << qint64(8);
        QTest::newRow("10,000 characters")
            << between(QByteArray(10'000, 'x')) << 4 << qint64(1) << qint64(8);
        QByteArray near = header;
        for (int n = 0; n < 5; ++n)
            near += '"' + nearLayout(n).toLatin1() + "\"\r\n";
        QTest::newRow("every record in a near layout") << near << 5 << qint64(0) << qint64(0);
        QTest::newRow("two damaged lines")
            << between("\"x\"\r\n\"y\"") << 4 << qint64(2) << qint64(8);
    }

    void everyRecordIsReadWhateverTheLineEndsAndDamagedLinesAreSkipped()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, records);
        QFETCH(qint64, skipped);
        QFETCH(qint64, firstSkipped);
        const SavedList list = readBytes(bytes);
        QCOMPARE(list.error, QString());
        QCOMPARE(list.header, Header);
        QCOMPARE(list.records.size(), size_t(records));
        QCOMPARE(list.skippedLines, skipped);
        QCOMPARE(list.firstSkippedLine, firstSkipped);
        const bool near = QByteArray(QTest::currentDataTag()).contains("near");
        for (int n = 0; n < records; ++n)
            QCOMPARE(list.records[static_cast<size_t>(n)],
                     *RecordLine::read(near ? nearLayout(n) : RecordLine::format(reading(n))));
    }

    void dataIsAListWhenItHoldsALegendOrARecord_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("list");
        const QByteArray header = listBytes(0, "\r\n");
        QTest::newRow("a new list, legend only") << header << true;
        QTest::newRow("records without a legend") << listBytes(2, "\n").mid(header.size()) << true;
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("binary") << QByteArray(5000, '\x01') << false;
        QTest::newRow("text") << QByteArray("just\nsome\nwords\n") << false;
    }

    void dataIsAListWhenItHoldsALegendOrARecord()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, list);
        QCOMPARE(readBytes(bytes).error.isEmpty(), list);
    }

    void aListIsReadAsUtf8OnlyWhenAllOfItIs_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("utf8");
        QTest::newRow("ASCII") << listBytes(2, "\r\n") << false;
        QTest::newRow("Latin-1 accents") << QByteArray("\"Department: Sant\xe9\"\r\n") << false;
        QTest::newRow("UTF-8 accents") << QByteArray("\"Department: Sant\xc3\xa9\"\r\n") << true;
        QTest::newRow("UTF-8 and a Latin-1 byte")
            << QByteArray("\"Department: Sant\xc3\xa9\"\r\n\"Surveyor: Ren\xe9\"\r\n") << false;
        QTest::newRow("UTF-8 across a block's end")
            << QByteArray(256 * 1024 - 1, 'a') + "\xc3\xa9" << true;
        QTest::newRow("cut short at the end") << QByteArray("Sant\xc3\xa9 \xc3") << false;
    }

    void aListIsReadAsUtf8OnlyWhenAllOfItIs()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, utf8);
        QBuffer buffer(&bytes);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        QCOMPARE(ListEncoding::isUtf8(buffer), utf8);
        QCOMPARE(buffer.pos(), qint64(0));
    }

    void anAccentedLegendReadsTheSameInEitherEncoding()
    {
        const QString department = QStringLiteral("Department: Sant\u00e9 et Radioprotection");
        const QByteArray records = listBytes(1, "\r\n").mid(listBytes(0, "\r\n").size());
        for (const QByteArray &encoded : {department.toUtf8(), department.toLatin1()}) {
            const SavedList list = readBytes('"' + encoded + "\"\r\n" + records);
            QCOMPARE(list.header.value(0), department);
            QCOMPARE(list.records.size(), size_t(1));
        }
    }

    // Each row: the file, its size when the test makes it, and what the refusal says.
    void whatIsNoRegularFileOrTooLargeIsRefusedAtOnceSayingWhy_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("said");
        QTest::newRow("FIFO") << QStringLiteral("fifo") << qint64(0) << "a named pipe (FIFO)";
        QTest::newRow("device") << QStringLiteral("/dev/zero") << qint64(0) << "a device";
        QTest::newRow("folder") << QString() << qint64(0) << "a folder";
        QTest::newRow("missing") << QStringLiteral("missing.lst") << qint64(0)
                                 << "cannot be opened";
        // Sparse files: refused before a byte of them is read.
        QTest::newRow("one byte past")
            << QStringLiteral("large.lst") << SavedList::MaxFileBytes + 1 << "268435457 bytes";
        QTest::newRow("2 GB") << QStringLiteral("large.lst") << (qint64(2) << 30) << "2.0 GB";
    }

    void whatIsNoRegularFileOrTooLargeIsRefusedAtOnceSayingWhy()
    {
        QFETCH(QString, path);
        QFETCH(qint64, size);
        QFETCH(QString, said);
        QLocale::setDefault(QLocale::c());
        QTemporaryDir dir;
        QCOMPARE(
            ::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("fifo"))).constData(), 0600), 0);
        if (!path.startsWith(u'/'))
            path = dir.filePath(path);
        QFile file(path);
        if (size > 0)
            QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(size));
        file.close();
        QElapsedTimer clock;
        clock.start();
        const SavedList list = SavedList::read(path);
        QVERIFY(clock.elapsed() < 1000);
        QVERIFY2(list.error.contains(said) && list.error.contains(path), qPrintable(list.error));
        if (size > 0)
            QVERIFY2(list.error.contains(QStringLiteral("256.0 MB")), qPrintable(list.error));
        QVERIFY(list.records.empty());
    }
};

QTEST_GUILESS_MAIN(TestSavedList)
#include "tst_saved_list.moc"
