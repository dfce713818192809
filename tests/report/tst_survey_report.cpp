#include "DateTimeText.h"
#include "ReportContext.h"
#include "ReportSummary.h"
#include "SavedList.h"
#include "SurveyLegend.h"
#include "SurveyReport.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

namespace {

QDateTime at(int minute)
{
    return DateTimeText::wallClock(QDate(2026, 12, 5), QTime(9, 0)).addSecs(60LL * minute);
}

RecordFields reading(int minute, double value, int status = 0, QString units = "uSv/h",
                     QString instrument = QStringLiteral("SIM00001"))
{
    RecordFields r;
    r.instrument = std::move(instrument);
    r.time = at(minute);
    r.value = value;
    r.valueText = QString::number(value, 'f', 2);
    r.marked = (status & 12) != 0;
    r.units = std::move(units);
    r.status = status;
    r.detector = QStringLiteral("HT50");
    return r;
}

SavedList survey(std::vector<RecordFields> records)
{
    SavedList list;
    list.header = {SurveyLegend::DepartmentCaption + QStringLiteral(" Health Physics"),
                   SurveyLegend::DateCaption + QStringLiteral(" 2026-12-05"),
                   SurveyLegend::DetectorCaption + QStringLiteral(" Corvel 2"),
                   SurveyLegend::LocationCaption + QStringLiteral(" Hall 3"),
                   SurveyLegend::PersonnelCaption + QStringLiteral(" J. Smith")};
    list.records = std::move(records);
    return list;
}

ReportContext context()
{
    ReportContext c;
    c.warning = 0.2;
    c.alarm = 5;
    c.today = QDate(2026, 12, 7);
    c.madeAt = QDateTime(c.today, QTime(10, 15, 3), QTimeZone(3600));
    c.program = QStringLiteral("TESK Meter View 9.8.7");
    c.calibration = [](const QString &instrument) {
        CalibrationDue::Kept kept;
        if (instrument == QStringLiteral("SIM00001"))
            kept = {QStringLiteral("SIM00001"), QStringLiteral("1.25"), QStringLiteral("J. Tester"),
                    QDate(2027, 3, 31)};
        if (instrument == QStringLiteral("SIM00002"))
            kept.due = QDate(2026, 11, 30);
        return kept;
    };
    return c;
}

} // namespace

class SurveyReportTest : public QObject
{
    Q_OBJECT

private slots:
    void summaryGivesUnitFiguresThresholdRunsAndStatusCounts()
    {
        // Out of time order, two units; a reading equal to the warning level
        // ends a run above it.
        const std::vector<RecordFields> records{reading(10, 0.10),
                                                reading(1, 0.30),
                                                reading(2, 6.00, 8),
                                                reading(4, 0.20),
                                                reading(3, 0.25),
                                                reading(5, 7.00, 8),
                                                reading(6, 12.0, 0, QStringLiteral("cpm")),
                                                reading(7, 4.0, 1, QStringLiteral("cpm"))};
        const ReportSummary s = ReportSummary::of(records, 0.2, 5.0);

        QCOMPARE(s.records, 8);
        QCOMPARE(s.first, at(1));
        QCOMPARE(s.last, at(10));
        QCOMPARE(ReportSummary::spanText(s.first.secsTo(s.last)), QStringLiteral("00:09:00"));
        QCOMPARE(ReportSummary::spanText(90061), QStringLiteral("1 d 01:01:01"));

        QCOMPARE(s.units.size(), size_t(2));
        QCOMPARE(s.units[0].units, QStringLiteral("uSv/h"));
        QCOMPARE(s.units[0].count, 6);
        QCOMPARE(s.units[0].minimum, 0.10);
        QCOMPARE(s.units[0].maximum, 7.00);
        QCOMPARE(s.units[0].maximumTime, at(5));
        QCOMPARE(s.units[0].mean, (0.10 + 0.30 + 6.00 + 0.25 + 0.20 + 7.00) / 6);
        QCOMPARE(s.units[1].minimum, 4.0);
        QCOMPARE(s.units[1].maximum, 12.0);

        QCOMPARE(s.thresholds.size(), size_t(2));
        const ReportSummary::ThresholdFigures &warning = s.thresholds[0];
        QCOMPARE(warning.above, 6);
        QCOMPARE(warning.longestRun, 4); // the readings of minutes 3, 5, 6 and 7
        QCOMPARE(warning.runStart, at(3));
        QCOMPARE(warning.runEnd, at(7));
        const ReportSummary::ThresholdFigures &alarm = s.thresholds[1];
        QCOMPARE(alarm.above, 3);
        QCOMPARE(alarm.longestRun, 2);
        QCOMPARE(alarm.runStart, at(5));

        QCOMPARE(s.statuses.size(), size_t(3));
        QCOMPARE(s.statuses[0].word, QStringLiteral("ok"));
        QCOMPARE(s.statuses[0].count, 5);
        QCOMPARE(s.statuses[1].word, QStringLiteral("OvrThrRate"));
        QCOMPARE(s.statuses[1].count, 2);
        QCOMPARE(s.statuses[2].word, QStringLiteral("LowBat"));
    }

    void reportReadBackShowsLegendCalibrationCountsMaximumAndPages()
    {
        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        QVERIFY2(!pdftotext.isEmpty(), "pdftotext (poppler-utils) reads the report back");
        std::vector<RecordFields> records;
        for (int i = 0; i < 300; ++i)
            records.push_back(reading(i, 0.05 + (i % 10) * 0.01));
        records[123] = reading(123, 8.75, 8);
        records.push_back(
            reading(300, 0.1, 0, QStringLiteral("uSv/h"), QStringLiteral("SIM00002")));
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("survey.pdf"));
        QCOMPARE(SurveyReport::write(survey(records), pdf, context()), QString());

        QProcess process;
        process.start(pdftotext, {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        QVERIFY(process.waitForFinished(30000));
        const QString text = QString::fromUtf8(process.readAllStandardOutput()).simplified();
        for (const char *expected :
             {"TESK Meter View survey report", "Department: Health Physics", "Date: 2026-12-05",
              "Instrument Type: Corvel 2", "Survey location: Hall 3", "Surveyor: J. Smith",
              "SIM00001 calibration due 2027-03-31", "SIM00002 calibration overdue by 12 days",
              "Records: 301", "uSv/h 301 0.05 8.75", "2026-12-05 11:03:00", "OvrThrRate 1",
              "Page 1 of", "Instrument Date and time Value Mark Units Status Detector",
              "SIM00001 2026-12-05 11:03:00 8.75 * uSv/h OvrThrRate (8) HT50"})
            QVERIFY2(text.contains(QLatin1String(expected)), expected);
        // Every page is numbered out of the same total, the last one included.
        const qsizetype of = text.indexOf(QLatin1String("Page 1 of "));
        const QString total = text.mid(of + 10).section(QChar(u' '), 0, 0);
        QVERIFY(text.contains(QStringLiteral("Page %1 of %1").arg(total)));
        QVERIFY(total.toInt() >= 3);
    }

    void graphIsScaledToTheNewestReadingToo()
    {
        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        QVERIFY2(!pdftotext.isEmpty(), "pdftotext (poppler-utils) reads the report back");
        std::vector<RecordFields> records;
        for (int i = 0; i < 20; ++i)
            records.push_back(reading(i, 1.0));
        records.push_back(reading(20, 100.0));
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("survey.pdf"));
        QCOMPARE(SurveyReport::write(survey(records), pdf, context()), QString());
        QProcess process;
        process.start(pdftotext, {QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                                  QStringLiteral("1"), pdf, QStringLiteral("-")});
        QVERIFY(process.waitForFinished(30000));
        const QString text = QString::fromUtf8(process.readAllStandardOutput());
        // The top value label is the automatic scale's top, 1.1 times the largest reading.
        QVERIFY2(text.contains(QLatin1String("110-")), qPrintable(text));
    }

    void listWithoutRecordsWritesNothing()
    {
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("empty.pdf"));
        QCOMPARE(SurveyReport::write(survey({}), pdf, context()),
                 QStringLiteral("The list holds no records."));
        QVERIFY(!QFile::exists(pdf));
    }
};

QTEST_MAIN(SurveyReportTest)
#include "tst_survey_report.moc"
