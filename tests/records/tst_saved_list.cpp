#include "DateTimeText.h"
#include "ListLineReader.h"
#include "RecordLine.h"
#include "SavedList.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QTest>

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
    void everyLineEndGivesTheSameList_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qint64>("damagedLine");
        QTest::newRow("CR LF") << listBytes(3, "\r\n") << qint64(0);
        QTest::newRow("LF, no final break") << listBytes(3, "\n").chopped(1) << qint64(0);
        QTest::newRow("CR") << listBytes(3, "\r") << qint64(0);
        QTest::newRow("CR, no final break") << listBytes(3, "\r").chopped(1) << qint64(0);
        // A blank line counts as an editor shows it; CR LF is one line end.
        QTest::newRow("damaged after a blank line") << listBytes(3, "\r\n") + "\r\n\"stray\"\r\n"
                                                    << qint64(11);
        QTest::newRow("damaged, CR") << listBytes(3, "\r") + "\r\rstray\r" << qint64(12);
    }

    void everyLineEndGivesTheSameList()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(qint64, damagedLine);
        const SavedList list = readBytes(bytes);
        QCOMPARE(list.error, QString());
        QCOMPARE(list.header, Header);
        QCOMPARE(list.records.size(), size_t(3));
        for (int n = 0; n < 3; ++n)
            QCOMPARE(list.records[static_cast<size_t>(n)],
                     *RecordLine::read(RecordLine::format(reading(n))));
        QCOMPARE(list.records[2].status, 24);
        QCOMPARE(list.firstSkippedLine, damagedLine);
    }

    void aStrayLineAfterTheHeaderIsTheFirstDamagedLine()
    {
        const QByteArray header = listBytes(0, "\r\n");
        const SavedList list = readBytes(header + "\"a damaged first record\"\r\n" +
                                         listBytes(2, "\r\n").mid(header.size()));
        QCOMPARE(list.header, Header);
        QCOMPARE(list.records.size(), size_t(0));
        QCOMPARE(list.firstSkippedLine, qint64(7));
    }

    void dataThatIsNoListSaysWhy()
    {
        QVERIFY(!readBytes(QByteArray()).error.isEmpty());
        QVERIFY(!readBytes(QByteArray(5000, '\x01')).error.isEmpty());
        QTemporaryDir dir;
        QVERIFY(SavedList::read(dir.filePath(QStringLiteral("missing.lst")))
                    .error.contains(QStringLiteral("missing.lst")));
        // A line of megabytes is cut, and the list after it still read.
        const SavedList list = readBytes(listBytes(1, "\n") + QByteArray(8'000'000, 'x') + "\n");
        QCOMPARE(list.records.size(), size_t(1));
        QCOMPARE(list.firstSkippedLine, qint64(8));
    }

    void aFilePastTheLimitIsRefusedWithItsSizeAndTheLimit_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("sizeSaid");
        QTest::newRow("one byte past") << SavedList::MaxFileBytes + 1 << "268435457 bytes";
        QTest::newRow("2 GB") << (qint64(2) << 30) << "2.0 GB";
    }

    void aFilePastTheLimitIsRefusedWithItsSizeAndTheLimit()
    {
        QFETCH(qint64, size);
        QFETCH(QString, sizeSaid);
        QLocale::setDefault(QLocale::c());
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("large.lst")));
        // A sparse file: refused before a byte of it is read.
        QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(size));
        file.close();
        const SavedList list = SavedList::read(file.fileName());
        QVERIFY2(list.error.contains(sizeSaid) && list.error.contains(QStringLiteral("256.0 MB")),
                 qPrintable(list.error));
        QVERIFY(list.records.empty());
    }
};

QTEST_GUILESS_MAIN(TestSavedList)
#include "tst_saved_list.moc"
