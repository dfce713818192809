#include "ProfileFile.h"
#include "SurveyLegend.h"
#include "frmLegend.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

class TestSurveyLegend : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString iniPath() const { return m_dir.filePath(QStringLiteral("Tesk.ini")); }

    QByteArray iniText() const
    {
        QFile file(iniPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static QDate today() { return QDate(2024, 5, 1); }

private slots:
    // A cancelled legend writes no key: that runs through the whole program in tests/app.
    void okStoresTheFourKeysAndTheNextRunReadsBack19Characters()
    {
        QVERIFY(m_dir.isValid());
        ProfileFile settings(iniPath());
        SurveyLegend legend(settings, &today);
        frmLegend window(legend);
        const auto box = [&window](const char *name) {
            return window.findChild<QLineEdit *>(QString::fromLatin1(name));
        };
        box("edDepartment")->setText(QStringLiteral("Radiation Protection"));
        box("edDetector")->setText(QStringLiteral("RM-2"));
        box("edLocation")->setText(QStringLiteral("Hall \"B\""));
        box("edPersonnel")->setText(QStringLiteral("A surveyor with a long name"));
        window.show();
        QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("btOk")), Qt::LeftButton);
        QCOMPARE(iniText(), QByteArray("[COMMON]\nDepartment=Radiation Protection\n"
                                       "Location=Hall \"B\"\n"
                                       "Personnel=A surveyor with a long name\nDetector=RM-2\n"));
        // The next run reads at most 19 characters back.
        SurveyLegend nextRun(settings, &today);
        QCOMPARE(nextRun.texts().Personnel, QStringLiteral("A surveyor with a l"));
    }
};

QTEST_MAIN(TestSurveyLegend)
#include "tst_survey_legend.moc"
