#include "AlarmEvents.h"
#include "DateTimeText.h"
#include "ReportContext.h"
#include "ReportGraph.h"
#include "ReportSummary.h"
#include "SavedList.h"
#include "SurveyLegend.h"
#include "SurveyReport.h"

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <cmath>

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
                   SurveyLegend::PersonnelCaption + QStringLiteral(" J. Smith"),
                   QStringLiteral("Signture: checked on site")};
    list.records = std::move(records);
    return list;
}

ReportContext context()
{
    ReportContext c;
    c.warning = 0.2;
    c.alarm = 5;
    c.today = QDate(2027, 9, 7);
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

// The report's text page by page, as a reader's tool extracts it.
QStringList pagesOf(const QString &pdf)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!process.waitForFinished(60000))
        return {};
    QStringList pages = QString::fromUtf8(process.readAllStandardOutput()).split(QChar(u'\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
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
        QCOMPARE(s.first, at(1));
        QCOMPARE(s.last, at(10));
        QCOMPARE(ReportSummary::spanText(90061), QStringLiteral("1 d 01:01:01"));
        QCOMPARE(s.units.size(), size_t(2));
        QCOMPARE(s.units[0].count, 6);
        QCOMPARE(s.units[0].minimum, 0.10);
        QCOMPARE(s.units[0].maximum, 7.00);
        QCOMPARE(s.units[0].maximumTime, at(5));
        QCOMPARE(s.units[0].mean, (0.10 + 0.30 + 6.00 + 0.25 + 0.20 + 7.00) / 6);
        QCOMPARE(s.units[1].minimum, 4.0);
        QCOMPARE(s.units[1].maximum, 12.0);
        QCOMPARE(s.thresholds.size(), size_t(2));
        QCOMPARE(s.thresholds[0].above, 6);
        QCOMPARE(s.thresholds[0].longestRun, 4); // the readings of minutes 3, 5, 6 and 7
        QCOMPARE(s.thresholds[0].runStart, at(3));
        QCOMPARE(s.thresholds[0].runEnd, at(7));
        QCOMPARE(s.thresholds[1].above, 3);
        QCOMPARE(s.thresholds[1].longestRun, 2);
        QCOMPARE(s.thresholds[1].runStart, at(5));
        QStringList statuses;
        for (const ReportSummary::StatusCount &status : s.statuses)
            statuses << status.word + u' ' + QString::number(status.count);
        QCOMPARE(statuses, QStringList({"ok 5", "OvrThrRate 2", "LowBat 1"}));
    }

    void alarmEventsAreStretchesAboveALevelOrWithAThresholdOrOverflowStatus()
    {
        // The list's last stretch was taken first; a low battery alone is no event.
        const std::vector<RecordFields> records{
            reading(10, 0.30),    reading(11, 6.00, 8),  reading(12, 0.25),
            reading(13, 0.10, 1), reading(14, 0.05, 16), reading(15, 0.20),
            reading(16, 0.05, 4), reading(17, 0.10),     reading(0, 0.21),
        };
        QStringList events;
        for (const AlarmEvents::Event &e : AlarmEvents::of(records, 0.2, 5.0))
            events << QStringLiteral("%1-%2 peak %3, %4 to %5, %6: %7")
                          .arg(QString::number(e.first), QString::number(e.last),
                               QString::number(e.peak), e.start.toString(Qt::ISODate),
                               e.end.toString(Qt::ISODate), e.level,
                               e.words.join(QStringLiteral(", ")));
        const auto event = [](const char *places, int start, int end, const char *rest) {
            return QStringLiteral("%1, %2 to %3, %4")
                .arg(QLatin1String(places), at(start).toString(Qt::ISODate),
                     at(end).toString(Qt::ISODate), QLatin1String(rest));
        };
        QCOMPARE(events, QStringList({event("8-8 peak 8", 0, 0, "Warning: ok"),
                                      event("0-2 peak 1", 10, 12, "Alarm: ok, OvrThrRate"),
                                      event("4-4 peak 4", 14, 14, ": OvrFlwRate"),
                                      event("6-6 peak 6", 16, 16, ": OvrThrDose")}));
    }

    void calibrationIsJudgedOnTheDaysOfTheSurvey()
    {
        // The survey ran from 2026-12-05 to 2026-12-08; today is 2027-09-07. A
        // lapse since the survey and a lapse before it are in the report's test.
        const QDate first(2026, 12, 5);
        const QDate last(2026, 12, 8);
        QCOMPARE(ReportContext::stateAtSurvey(last, first, last),
                 QStringLiteral("in calibration at the survey (due 2026-12-08)"));
        QCOMPARE(context().stateToday(last, last), QStringLiteral("today: overdue by 273 days"));
        QCOMPARE(context().stateToday(QDate(2028, 1, 1), last), QString());
        QCOMPARE(ReportContext::stateAtSurvey(QDate(2026, 12, 6), first, last),
                 QStringLiteral("out of calibration for part of the survey: due 2026-12-06, 2 "
                                "days before its last reading"));
        QCOMPARE(context().stateToday(QDate(2026, 12, 6), last), QString());
    }

    void valueScaleHoldsEveryReadingOnRoundStepsWithDistinctLabels_data()
    {
        QTest::addColumn<double>("minimum");
        QTest::addColumn<double>("maximum");
        QTest::addColumn<double>("step");
        QTest::newRow("low dose rates") << 0.08 << 0.14 << 0.05;
        QTest::newRow("on a step") << 0.0 << 100.0 << 20.0;
        QTest::newRow("all zero") << 0.0 << 0.0 << 0.2;
        QTest::newRow("below zero") << -3.0 << 7.0 << 2.0;
        QTest::newRow("huge") << 0.0 << 999000000000.0 << 200000000000.0;
    }

    void valueScaleHoldsEveryReadingOnRoundStepsWithDistinctLabels()
    {
        QFETCH(double, minimum);
        QFETCH(double, maximum);
        QFETCH(double, step);
        const ReportGraph::Scale scale = ReportGraph::valueScale(minimum, maximum, 6);
        QCOMPARE(scale.step, step);
        QVERIFY(scale.low <= minimum && scale.high > maximum);
        const double steps = (scale.high - scale.low) / scale.step;
        QCOMPARE(std::round(steps), steps);
        QVERIFY(steps <= 7);
        QStringList labels;
        for (int i = 0; i <= std::lround(steps); ++i)
            labels << QString::number(scale.low + i * scale.step, 'f', scale.decimals);
        QCOMPARE(labels.removeDuplicates(), 0);
    }

    void thinnedGraphKeepsEveryPeakAndTheFirstAndLastReading()
    {
        // More readings than are drawn whole, peaks scattered among them.
        std::vector<RecordFields> records;
        QRandomGenerator random(21);
        for (int i = 0; i < 5000; ++i)
            records.push_back(reading(i, 0.10 + random.bounded(5) * 0.01));
        std::vector<int> peaks{0, 4999};
        for (int i = 0; i < 20; ++i)
            peaks.push_back(random.bounded(1, 4999));
        for (const int p : peaks)
            records[static_cast<size_t>(p)].value = 9.0;
        records.push_back(reading(77, 50.0, 0, QStringLiteral("cpm"))); // another unit's graph

        const std::vector<RecordFields> points = ReportGraph::points(
            records, QStringLiteral("uSv/h"), records.front().time, records[4999].time);
        QVERIFY(points.size() < 2 * ReportGraph::ThinnedColumns + 3);
        QCOMPARE(points.back(), records[4999]);
        for (const int p : peaks)
            QVERIFY2(std::ranges::find(points, records[static_cast<size_t>(p)]) != points.end(),
                     qPrintable(QString::number(p)));
        QVERIFY(std::ranges::is_sorted(points, {}, &RecordFields::time));
    }

    void reportIsTheSurveysRecord()
    {
        QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty(),
                 "pdftotext (poppler-utils) reads the report back");
        // Background with a first reading above the warning level, 70 short
        // alarm stretches (a front of several pages), a reading of another
        // instrument and a value in counts too wide for the usual column.
        std::vector<RecordFields> records;
        for (int i = 0; i < 300; ++i)
            records.push_back(reading(i, 0.05 + (i % 10) * 0.01));
        records[0] = reading(0, 0.30);
        for (int i = 10; i < 290; i += 4)
            records[static_cast<size_t>(i)] = reading(i, 0.15, 8);
        const QString other = QStringLiteral("SIM00002");
        records.push_back(reading(300, 0.1, 0, QStringLiteral("uSv/h"), other));
        records.push_back(reading(301, 999000000000.0, 0, QStringLiteral("cpm")));
        // A detector name wider than the page goes on under its row.
        records.push_back(reading(302, 0.1, 0, QStringLiteral("uSv/h"), other));
        records.back().detector = QStringLiteral("Probe-%1-end").arg(QString(150, QChar(u'x')));
        SavedList list = survey(records);
        // A legend text wider than the page wraps under its caption.
        QStringList words;
        for (int i = 0; i < 40; ++i)
            words << QStringLiteral("probe%1").arg(i);
        list.header[2] += QChar(u' ') + words.join(QChar(u' '));
        list.skippedLines = 2;
        list.firstSkippedLine = 17;

        QTemporaryDir dir;
        ReportContext c = context();
        c.listPath = dir.filePath(QStringLiteral("hall3.lst"));
        const QByteArray listBytes("the list's bytes");
        QFile listFile(c.listPath);
        QVERIFY(listFile.open(QIODevice::WriteOnly) && listFile.write(listBytes) == 16);
        listFile.close();
        const QString pdf = dir.filePath(QStringLiteral("survey.pdf"));
        QCOMPARE(SurveyReport::write(list, pdf, c), QString());

        const QStringList pages = pagesOf(pdf);
        const QString text = pages.join(QChar(u' ')).simplified();
        const QString unspaced = QString(text).remove(QChar(u' '));
        QVERIFY(unspaced.contains(records.back().detector));
        QVERIFY(unspaced.contains(QStringLiteral("Corvel2") + words.join(QString())));
        const QString sha = QString::fromLatin1(
            QCryptographicHash::hash(listBytes, QCryptographicHash::Sha256).toHex());
        for (const QString &expected : QStringList{
                 "Surveyor: J. Smith",
                 "Survey location: Hall 3",
                 "SIM00001 301 readings, 2026-12-05 09:00:00 to 2026-12-05 14:01:00",
                 "Calibration: in calibration at the survey (due 2027-03-31)",
                 "today: overdue by 160 days",
                 "Record: meter number SIM00001, factor 1.25, calibrated by J. Tester",
                 "out of calibration at the survey: due 2026-11-30, 5 days before its first "
                 "reading",
                 "List file: hall3.lst",
                 "Size: 16 bytes",
                 "SHA-256: " + sha,
                 "Lines read: 311: 6 of the legend, 303 records",
                 "Lines skipped: 2, the first line 17",
                 "Program: TESK Meter View 9.8.7",
                 "Report made: 2027-09-07 10:15:03 UTC+01:00",
                 "meter's clock",
                 "uSv/h: 302 readings",
                 "cpm: 1 reading",
                 "cpm 1 999000000000.00 999000000000.00",
                 "2026-12-05 09:00:00 09:00:00 00:00:00 1 0.30 uSv/h 09:00:00 Warning ok",
                 "Alarm 5.00, above the scale",
                 "Surveyed by: J. Smith",
                 "Signture: checked on site",
                 "Reviewed by Name:",
                 "No. Instrument Date and time Value Mark Units Status Detector",
                 "1 SIM00001 2026-12-05 09:00:00 0.30 uSv/h ok (0) HT50",
                 "302 SIM00001 2026-12-05 14:01:00 999000000000.00 cpm ok (0) HT50"})
            QVERIFY2(text.contains(expected), qPrintable(expected));

        QVERIFY(pages.size() >= 5);
        const QStringList headings{"Instruments", "Source",   "Summary", "Alarm events",
                                   "Graph",       "Sign-off", "Records"};
        for (qsizetype p = 0; p < pages.size(); ++p) {
            const QString page = pages[p];
            QVERIFY2(page.contains(QStringLiteral("Page %1 of %2").arg(p + 1).arg(pages.size())),
                     qPrintable(page));
            QVERIFY2(p == 0 || page.simplified().contains(
                                   QStringLiteral("Hall 3 · 2026-12-05 · hall3.lst")),
                     qPrintable(page));
            // No page ends in a heading: the last line above the page number.
            QStringList lines = page.split(QChar(u'\n'), Qt::SkipEmptyParts);
            lines.removeIf([](const QString &l) { return l.trimmed().isEmpty(); });
            QVERIFY(lines.size() >= 2);
            QVERIFY2(!headings.contains(lines[lines.size() - 2].trimmed()),
                     qPrintable(lines[lines.size() - 2]));
        }

        QString meta; // the document's information, then its metadata stream
        for (const QStringList &arguments : {QStringList{pdf}, QStringList{"-meta", pdf}}) {
            QProcess info;
            info.start(QStringLiteral("pdfinfo"), arguments);
            QVERIFY(info.waitForFinished(30000));
            meta += QString::fromUtf8(info.readAllStandardOutput());
        }
        for (const char *expected :
             {"Title:           Survey report: Hall 3, 2026-12-05",
              "Creator:         TESK Meter View 9.8.7", "<rdf:li>J. Smith</rdf:li>",
              "<pdf:Producer>TESK Meter View 9.8.7</pdf:Producer>"})
            QVERIFY2(meta.contains(QLatin1String(expected)), expected);
    }

    void reportThatIsNotMadeLeavesNoFile_data()
    {
        QTest::addColumn<bool>("withRecords");
        QTest::addColumn<QString>("message");
        QTest::newRow("no records") << false << "The list holds no records.";
        QTest::newRow("stopped") << true << "The report was stopped; no file was written.";
    }

    void reportThatIsNotMadeLeavesNoFile()
    {
        QFETCH(bool, withRecords);
        QFETCH(QString, message);
        std::vector<RecordFields> records;
        for (int i = 0; withRecords && i < 400; ++i)
            records.push_back(reading(i, 0.1));
        ReportContext c = context();
        int pagesDone = 0;
        c.pageDone = [&](int done, int total) {
            pagesDone = done;
            return total > 0 && done < 2;
        };
        QTemporaryDir dir;
        QCOMPARE(
            SurveyReport::write(survey(records), dir.filePath(QStringLiteral("survey.pdf")), c),
            message);
        QCOMPARE(pagesDone, withRecords ? 2 : 0);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
    }
};

QTEST_MAIN(SurveyReportTest)
#include "tst_survey_report.moc"
