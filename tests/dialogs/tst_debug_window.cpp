#include "TraceLog.h"
#include "frmDebug.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Shown
{
    QMessageBox::Icon icon;
    QString title;
    QString text;
};

QStringList listed(const QListWidget *list)
{
    QStringList lines;
    for (int row = 0; row < list->count(); ++row)
        lines.append(list->item(row)->text());
    return lines;
}

} // namespace

class TestDebugWindow : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    const QDateTime m_now{QDate(2026, 12, 5), QTime(9, 30), Qt::UTC};

    frmDebug *makeWindow(TraceLog &log, const QString &folder, QList<Shown> &shown)
    {
        auto *window = new frmDebug(log, folder, [this] { return m_now; });
        window->setMessageHook(
            [&shown](QMessageBox::Icon icon, const QString &title, const QString &text) {
                shown.append({icon, title, text});
            });
        return window;
    }

    template<typename T> static T *child(const QWidget *window, const char *name)
    {
        T *found = window->findChild<T *>(QString::fromLatin1(name));
        if (!found)
            qFatal("no child %s", name);
        return found;
    }

private slots:
    void initTestCase() { QVERIFY(m_folder.isValid()); }

    void followsTheLogAndClearKeepsTheCounters()
    {
        TraceLog log;
        log.addLine(QStringLiteral("Online stoped on 2026-12-05 09:00:00"));
        log.setCounters(3, 7);
        QList<Shown> shown;
        std::unique_ptr<frmDebug> window(makeWindow(log, m_folder.path(), shown));
        QCOMPARE(window->windowTitle(), QStringLiteral("Debug"));
        auto *list = child<QListWidget>(window.get(), "List1");
        auto *errCount = child<QLineEdit>(window.get(), "edErrCount");
        auto *totalErrors = child<QLineEdit>(window.get(), "edTotalErrors");
        QCOMPARE(listed(list), log.lines());
        QCOMPARE(errCount->text(), QStringLiteral("3"));
        QCOMPARE(totalErrors->text(), QStringLiteral("7"));

        log.addLine(QStringLiteral("Send 1 6 30 30 30 30 30 30 30 "));
        log.setCounters(0, 8);
        QCOMPARE(listed(list), log.lines());
        QCOMPARE(errCount->text(), QStringLiteral("0"));
        QCOMPARE(totalErrors->text(), QStringLiteral("8"));

        QTest::mouseClick(child<QPushButton>(window.get(), "btClear"), Qt::LeftButton);
        QCOMPARE(list->count(), 0);
        QVERIFY(log.lines().isEmpty());
        QCOMPARE(totalErrors->text(), QStringLiteral("8"));
        QCOMPARE(log.totalErrors(), qint16(8));
        QVERIFY(shown.isEmpty());
    }

    void visibilityAndShowAllDriveTheTracing()
    {
        TraceLog log;
        QList<Shown> shown;
        std::unique_ptr<frmDebug> window(makeWindow(log, m_folder.path(), shown));
        auto *showAll = child<QCheckBox>(window.get(), "chkShowAll");
        QVERIFY(!log.isShown());
        QVERIFY(!showAll->isChecked());
        window->show();
        QVERIFY(log.isShown());
        QVERIFY(!window->isModal());
        QTest::mouseClick(showAll, Qt::LeftButton);
        QVERIFY(log.showAll());
        window->close();
        QVERIFY(!log.isShown());
        QVERIFY(log.showAll());
    }

    void saveWritesTheTraceRecords()
    {
        TraceLog log;
        log.addLine(QStringLiteral("Send 1 6 30 30 30 30 30 30 30 "));
        log.addLine(QStringLiteral("All 2 31 4 Ret= 1"));
        QList<Shown> shown;
        std::unique_ptr<frmDebug> window(makeWindow(log, m_folder.path(), shown));
        window->show();
        QTest::mouseClick(child<QPushButton>(window.get(), "btSave"), Qt::LeftButton);

        QFile file(m_folder.filePath(QStringLiteral("TeskDbg.txt")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("#2026-12-05 09:30:00#,\"Tesk 1.05 debug\"\r\n"
                                            "\"Send 1 6 30 30 30 30 30 30 30 \"\r\n"
                                            "\"All 2 31 4 Ret= 1\"\r\n"));
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].icon, QMessageBox::NoIcon);
        QCOMPARE(shown[0].text, QStringLiteral("Data saved in file TeskDbg.txt"));
        QCOMPARE(child<QListWidget>(window.get(), "List1")->count(), 2);
    }

    void aFailedSaveIsReportedAndKeepsTheList()
    {
        TraceLog log;
        log.addLine(QStringLiteral("All 2 31 4 Ret= 1"));
        QList<Shown> shown;
        const QString missing = m_folder.filePath(QStringLiteral("no such folder"));
        std::unique_ptr<frmDebug> window(makeWindow(log, missing, shown));
        window->show();
        QTest::mouseClick(child<QPushButton>(window.get(), "btSave"), Qt::LeftButton);
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].icon, QMessageBox::Warning);
        QVERIFY(shown[0].text.contains(QStringLiteral("TeskDbg.txt")));
        QVERIFY(!shown[0].text.contains(QStringLiteral("Data saved")));
        QCOMPARE(listed(child<QListWidget>(window.get(), "List1")), log.lines());
        QCOMPARE(log.lines().size(), 1);
        QVERIFY(window->isVisible());
    }
};

QTEST_MAIN(TestDebugWindow)
#include "tst_debug_window.moc"
