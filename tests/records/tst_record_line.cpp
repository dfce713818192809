#include "DateTimeText.h"
#include "MeasurementDecoder.h"
#include "NumberText.h"
#include "RecordLine.h"

#include <QTest>

namespace {

// A reading as the decoder gives it for the meter's bytes.
MeasurementRecord decoded(quint16 valueCode, quint8 units, quint8 detector, quint8 status,
                          const QString &time = QStringLiteral("2026-12-05 09:30:00"))
{
    QByteArray message(26, '\0');
    message.replace(1, 11, "12345678901");
    message[19] = static_cast<char>(valueCode >> 8);
    message[20] = static_cast<char>(valueCode & 0xff);
    message[21] = static_cast<char>(units);
    message[22] = static_cast<char>(detector);
    message[23] = static_cast<char>(status);
    MeasurementRecord r =
        MeasurementDecoder::GetDataFromMess(message, false, *DateTimeText::parse(time));
    return r;
}

// The fields the record put into its line, as a reader must find them.
RecordFields written(const MeasurementRecord &r)
{
    return {r.InstNum.trimmed(),
            *DateTimeText::parse(r.time),
            r.vl,
            NumberText::leadingNumber(r.vl),
            r.ErrorSn == u"*",
            r.Units.trimmed(),
            r.sta,
            r.Detector.trimmed()};
}

QString describe(const RecordFields &f)
{
    return QStringLiteral("[%1|%2|%3|%4|%5|%6|%7]")
        .arg(f.instrument, DateTimeText::format(f.time), f.valueText,
             f.marked ? QStringLiteral("*") : QString(), f.units, QString::number(f.status),
             f.detector);
}

} // namespace

class TestRecordLine : public QObject
{
    Q_OBJECT

private:
    static void compareRoundTrip(const MeasurementRecord &r)
    {
        const QString line = RecordLine::format(r);
        const auto fields = RecordLine::read(line);
        QVERIFY2(fields, qPrintable(line));
        QVERIFY2(*fields == written(r),
                 qPrintable(line + QStringLiteral(" gave ") + describe(*fields)));
    }

private slots:
    // Every status, value, units and detector the meter's bytes allow: full
    // and overflowing fields leave no blank before the next one.
    void everyFieldComesBackAsWrittenWhateverItsLength()
    {
        const quint8 statuses[] = {0, 5, 9, 10, 12, 40, 99, 100, 127, 255};
        const quint16 values[] = {0, 9999, 10000, 12345, 53234, 55999, 59999, 65535};
        const quint8 detectors[] = {0, 1, 2, 5, 9, 10, 11, 99, 100, 254, 255};
        // Every units code with and without the "f" flag, and codes of no units.
        const quint8 unitCodes[] = {1,  2,  4,  8,  32,  64,  128, 192, 96, 224, 17, 18,
                                    20, 24, 48, 80, 144, 208, 112, 240, 0,  3,   16, 255};
        for (const quint8 status : statuses) {
            for (const quint16 value : values) {
                for (const quint8 units : unitCodes) {
                    for (const quint8 detector : detectors) {
                        compareRoundTrip(decoded(value, units, detector, status));
                        if (QTest::currentTestFailed())
                            return;
                    }
                }
            }
        }
    }

    void negativeStatusCodesMidnightAndLongTextsComeBack()
    {
        for (const int status : {-1, -9, -10, -12, -99, -100, -128, -32768}) {
            MeasurementRecord r = decoded(55999, 64, 5, 0);
            r.sta = static_cast<qint16>(status);
            compareRoundTrip(r);
        }
        compareRoundTrip(decoded(53234, 64, 254, 12, QStringLiteral("2026-12-05")));

        MeasurementRecord r = decoded(53234, 0xf0, 255, 100);
        r.InstNum = QStringLiteral("ABCDEFGHIJKLMNOPQRST");
        r.Units = QStringLiteral("microsievert/h");
        r.Detector = QStringLiteral("Far probe with a long name");
        compareRoundTrip(r);
        r.Units = QStringLiteral("counts/min");
        r.sta = -5;
        compareRoundTrip(r);
    }

    // Any other line whose time characters hold a date-time is a record, cut
    // at the fixed positions; a line whose time does not read is none.
    void linesOfAnotherLayoutAreReadAtTheFixedPositions_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("record");
        QTest::addColumn<QString>("valueText");
        QTest::addColumn<QString>("units");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("detector");

        MeasurementRecord written;
        written.InstNum = QStringLiteral("12345678901");
        written.time = QStringLiteral("2026-12-05 09:30:00");
        written.ErrorSn = QStringLiteral(" ");
        written.vl = QStringLiteral("1.05");
        written.Units = QStringLiteral("mR/h");
        written.Detector = QStringLiteral("HT50");
        const QString record = RecordLine::format(written);
        const QString units = QStringLiteral("mR/h       0 HT50");
        QVERIFY(record.contains(units));
        const auto edited = [&record](const QString &from, const QString &to) {
            return QString(record).replace(from, to);
        };
        QTest::newRow("status one column early")
            << edited(units, QStringLiteral("mR/h      0  HT50")) << true << QStringLiteral("1.05")
            << QStringLiteral("mR/h") << 0 << QStringLiteral("HT50");
        QTest::newRow("value n/a")
            << edited(QStringLiteral("1.05"), QStringLiteral(" n/a")) << true
            << QStringLiteral("n/a") << QStringLiteral("mR/h") << 0 << QStringLiteral("HT50");
        QTest::newRow("value too long")
            << QString(record).replace(44, 9, QStringLiteral("1.2345678")) << true
            << QStringLiteral("1.234567") << QStringLiteral("mR/h") << 0 << QStringLiteral("HT50");
        QTest::newRow("NUL bytes after the value")
            << record.left(53) + QString(24, QChar(u'\0')) << true << QStringLiteral("1.05")
            << QString(24, QChar(u'\0')).left(9) << 0 << QString(15, QChar(u'\0'));
        QTest::newRow("torn in the units") << record.left(56) << true << QStringLiteral("1.05")
                                           << QStringLiteral("mR/") << 0 << QString();
        const QString longLine = record + QString(10'000 - record.size(), QChar(u'x'));
        QTest::newRow("10,000 characters")
            << longLine << true << QStringLiteral("1.05") << QStringLiteral("mR/h") << 0
            << longLine.mid(66).trimmed();

        for (const QString &line :
             {QStringLiteral("Date: 2026-12-05"), QStringLiteral("Surveyor: Ann"),
              QStringLiteral("Survey location: 2026-12-05 09:30:00       x  1.00 cpm  5 GM"),
              QStringLiteral("Signture:"), QString(), record.left(24), QString(77, QChar(u'\0')),
              QString(10'000, QChar(u'x')),
              QString(record).replace(14, 10, QStringLiteral("2026-13-45"))})
            QTest::newRow(qPrintable(QStringLiteral("none: ") + line.left(20)))
                << line << false << QString() << QString() << 0 << QString();
    }

    void linesOfAnotherLayoutAreReadAtTheFixedPositions()
    {
        QFETCH(QString, line);
        QFETCH(bool, record);
        const auto fields = RecordLine::read(line);
        QCOMPARE(fields.has_value(), record);
        QCOMPARE(RecordLine::isRecord(line), record);
        if (!record)
            return;
        QFETCH(QString, valueText);
        QFETCH(QString, units);
        QFETCH(int, status);
        QFETCH(QString, detector);
        QCOMPARE(fields->instrument, QStringLiteral("12345678901"));
        QCOMPARE(fields->time, *DateTimeText::parse(u"2026-12-05 09:30:00"));
        QCOMPARE(fields->valueText, valueText);
        QCOMPARE(fields->value, NumberText::leadingNumber(valueText));
        QCOMPARE(fields->units, units);
        QCOMPARE(fields->status, status);
        QCOMPARE(fields->detector, detector);
    }
};

QTEST_GUILESS_MAIN(TestRecordLine)
#include "tst_record_line.moc"
