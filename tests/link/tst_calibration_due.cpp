#include "CalibrationDue.h"
#include "CalibrationRecord.h"
#include "FixedClock.h"
#include "ProfileFile.h"

#include <QTemporaryDir>
#include <QTest>

// The fixed clock reads 5 December 2026.
class CalibrationDueTest : public QObject
{
    Q_OBJECT

private slots:
    void dueDatesAreReadDayFirstUnlessOnlyMonthFirstFitsAndVerdictsCountDaysFromToday()
    {
        QCOMPARE(CalibrationDue::dueDate(QStringLiteral("05/06/2027")), QDate(2027, 6, 5));
        QCOMPARE(CalibrationDue::dueDate(QStringLiteral("06/30/2027")), QDate(2027, 6, 30));
        QCOMPARE(CalibrationDue::dueDate(QStringLiteral("  /  /    ")), std::nullopt);
        QCOMPARE(CalibrationDue::dueDate(QStringLiteral("31/31/2027")), std::nullopt);
        QTemporaryDir dir;
        const ProfileFile settings(dir.filePath(QStringLiteral("Tesk.ini")));
        FixedClock clock;
        const CalibrationDue due(settings, clock);
        using State = CalibrationDue::State;
        const auto check = [&](QDate date, State state, qint64 days, const QString &text) {
            const CalibrationDue::Verdict verdict = due.verdict(date);
            QCOMPARE(verdict.state, state);
            QCOMPARE(verdict.days, days);
            QCOMPARE(CalibrationDue::describe(verdict), text);
        };
        // Overdue is shown through the whole program in tests/app.
        check(QDate(2026, 12, 5), State::DueSoon, 0, QStringLiteral("Due today."));
        check(QDate(2027, 1, 4), State::DueSoon, 30,
              QStringLiteral("Due within 30 days: in 30 days."));
        check(QDate(2027, 1, 5), State::Fine, 31,
              QStringLiteral("In calibration: due in 31 days."));
        QCOMPARE(due.verdict(std::nullopt).state, State::Unknown);
    }

    void overdueInstrumentIsRememberedAcrossRunsAndCalibrationClearsIt()
    {
        QTemporaryDir dir;
        const ProfileFile settings(dir.filePath(QStringLiteral("Tesk.ini")));
        FixedClock clock;
        CalibrationRecord record{QStringLiteral("SIM00001"), QStringLiteral("1"),
                                 QStringLiteral("J. Tester"), QStringLiteral("23/11/2026")};
        {
            CalibrationDue due(settings, clock);
            due.remember(record);
        }
        QCOMPARE(settings.ReadProfileKey(QStringLiteral("CalDueSIM1"), {}, 20).text,
                 QStringLiteral("2026-11-23"));
        const CalibrationDue::Kept kept =
            CalibrationDue::kept(settings, QStringLiteral("SIM-0000001"));
        QCOMPARE(kept.meter, QStringLiteral("SIM00001"));
        QCOMPARE(kept.factor, QStringLiteral("1"));
        QCOMPARE(kept.calibratedBy, QStringLiteral("J. Tester"));
        QCOMPARE(kept.due, QDate(2026, 11, 23));

        // A new run: the readings carry the number 11 characters wide.
        CalibrationDue due(settings, clock);
        QCOMPARE(due.noticeFor(QStringLiteral("SIM-0000001")),
                 QStringLiteral("Instrument SIM-0000001 is out of calibration: it was due on "
                                "23/11/2026, 12 days ago."));
        QCOMPARE(due.noticeFor(QStringLiteral("SIM-0000002")), QString());

        record.due = QStringLiteral("30/06/2027");
        due.remember(record);
        QCOMPARE(due.noticeFor(QStringLiteral("SIM-0000001")), QString());
        QCOMPARE(settings.ReadProfileKey(QStringLiteral("CalDueSIM1"), {}, 20).text,
                 QStringLiteral("2027-06-30"));
    }
};

QTEST_GUILESS_MAIN(CalibrationDueTest)
#include "tst_calibration_due.moc"
