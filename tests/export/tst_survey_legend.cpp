#include "ProfileFile.h"
#include "SurveyLegend.h"
#include "frmLegend.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

class TestSurveyLegend : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_iniPath;
    QDate m_today{2024, 5, 1};

    QByteArray iniText() const
    {
        QFile file(m_iniPath);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    void writeIni(const QByteArray &text) const
    {
        QFile file(m_iniPath);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }

    SurveyLegend::Texts typed() const
    {
        return {QStringLiteral("Radiation Protection"), QStringLiteral("1 May"),
                QStringLiteral("RM-2"), QStringLiteral("Hall \"B\""),
                QStringLiteral("A surveyor with a long name")};
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_iniPath = m_dir.filePath(QStringLiteral("Tesk.ini"));
        QFile::remove(m_iniPath);
        m_today = QDate(2024, 5, 1);
    }

    void withoutSettingsTheLegendIsEmptyAndDatedToday()
    {
        ProfileFile settings(m_iniPath);
        SurveyLegend legend(settings, [this] { return m_today; });
        QCOMPARE(legend.headerLines(),
                 QStringList({"Department: ", "Date: 2024-05-01",
                              "Instrument Type: ", "Survey location: ", "Surveyor: "}));
    }

    void settingsAreReadOnceCutTo19AndTrimmed()
    {
        writeIni("[COMMON]\nDepartment=Health Physics   \nLocation=ABCDEFGHIJKLMNOPQRSTUVWXY\n"
                 "Personnel=Ann\nDetector=GM probe\n");
        ProfileFile settings(m_iniPath);
        SurveyLegend legend(settings, [this] { return m_today; });
        QCOMPARE(legend.texts().Department, QStringLiteral("Health Physics"));
        QCOMPARE(legend.texts().Location, QStringLiteral("ABCDEFGHIJKLMNOPQRS"));
        QCOMPARE(legend.texts().Personnel, QStringLiteral("Ann"));
        QCOMPARE(legend.texts().Detector, QStringLiteral("GM probe"));

        // Later changes of the settings and of the day do not reach a legend in use.
        writeIni("[COMMON]\nDepartment=Other\n");
        m_today = m_today.addDays(1);
        QCOMPARE(legend.texts().Department, QStringLiteral("Health Physics"));
        QCOMPARE(legend.texts().MyDate, QStringLiteral("2024-05-01"));
    }

    void confirmKeepsLongTextsForTheRunAndStoresFourKeysInOrder()
    {
        ProfileFile settings(m_iniPath);
        SurveyLegend legend(settings, [this] { return m_today; });
        QVERIFY(legend.confirm(typed()));
        QCOMPARE(legend.texts(), typed());
        QCOMPARE(legend.headerLines().at(4),
                 QStringLiteral("Surveyor: A surveyor with a long name"));
        QCOMPARE(iniText(), QByteArray("[COMMON]\nDepartment=Radiation Protection\n"
                                       "Location=Hall \"B\"\n"
                                       "Personnel=A surveyor with a long name\nDetector=RM-2\n"));

        // The next run reads the stored texts back at most 19 characters long.
        SurveyLegend nextRun(settings, [this] { return m_today; });
        QCOMPARE(nextRun.texts().Personnel, QStringLiteral("A surveyor with a l"));
        QCOMPARE(nextRun.texts().MyDate, QStringLiteral("2024-05-01"));
    }

    void theWindowShowsTheLegendAndOkStoresIt()
    {
        ProfileFile settings(m_iniPath);
        SurveyLegend legend(settings, [this] { return m_today; });
        frmLegend window(legend);
        QCOMPARE(window.objectName(), QStringLiteral("frmLegend"));
        QCOMPARE(window.windowTitle(), QStringLiteral("Legend"));
        QCOMPARE(window.findChild<QLabel *>(QStringLiteral("lblDetector"))->text(),
                 QStringLiteral("Instrument Type:"));
        auto *date = window.findChild<QLineEdit *>(QStringLiteral("edDate"));
        QVERIFY(date);
        QCOMPARE(date->text(), QStringLiteral("2024-05-01"));

        window.findChild<QLineEdit *>(QStringLiteral("edPersonnel"))->setText(typed().Personnel);
        date->setText(QStringLiteral("not a date"));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *ok = window.findChild<QPushButton *>(QStringLiteral("btOk"));
        QCOMPARE(ok->text(), QStringLiteral("OK"));
        QTest::mouseClick(ok, Qt::LeftButton);
        QCOMPARE(window.result(), int(QDialog::Accepted));
        QCOMPARE(legend.texts().MyDate, QStringLiteral("not a date"));
        QCOMPARE(legend.texts().Personnel, typed().Personnel);
        QVERIFY(iniText().contains("Personnel=A surveyor with a long name"));
    }

    void cancelChangesNothing()
    {
        writeIni("[COMMON]\nDepartment=Health Physics\n");
        const QByteArray before = iniText();
        ProfileFile settings(m_iniPath);
        SurveyLegend legend(settings, [this] { return m_today; });
        const SurveyLegend::Texts texts = legend.texts();
        frmLegend window(legend);
        window.findChild<QLineEdit *>(QStringLiteral("edDepartment"))->setText(QStringLiteral("X"));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *cancel = window.findChild<QPushButton *>(QStringLiteral("btCalcel"));
        QCOMPARE(cancel->text(), QStringLiteral("&Cancel"));
        QTest::mouseClick(cancel, Qt::LeftButton);
        QCOMPARE(window.result(), int(QDialog::Rejected));
        QCOMPARE(legend.texts(), texts);
        QCOMPARE(iniText(), before);
    }
};

QTEST_MAIN(TestSurveyLegend)
#include "tst_survey_legend.moc"
