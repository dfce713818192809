#include "TraceLog.h"
#include "frmDebug.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

class TestDebugWindow : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    TraceLog m_log;
    QList<std::pair<QMessageBox::Icon, QString>> m_shown; // icon and text of each message

    std::unique_ptr<frmDebug> makeWindow(const QString &folder)
    {
        auto window = std::make_unique<frmDebug>(
            m_log, folder, [] { return QDateTime(QDate(2026, 12, 5), QTime(9, 30), Qt::UTC); });
        window->setMessageHook(
            [this](QMessageBox::Icon icon, const QString &, const QString &text) {
                m_shown.append({icon, text});
            });
        window->show();
        return window;
    }

    template<typename T> static T *child(const std::unique_ptr<frmDebug> &window, const char *name)
    {
        return window->findChild<T *>(QString::fromLatin1(name));
    }

private slots:
    void saveWritesOneRecordPerLineAFailedSaveKeepsTheListAndClearKeepsTheCounters()
    {
        m_log.setCounters(3, 7);
        m_log.addLine(QStringLiteral("Send 1 6 30 30 30 30 30 30 30 "));
        m_log.addLine(QStringLiteral("All 2 31 4 Ret= 1"));
        const auto window = makeWindow(m_folder.path());
        QTest::mouseClick(child<QPushButton>(window, "btSave"), Qt::LeftButton);
        QFile file(m_folder.filePath(QStringLiteral("TeskDbg.txt")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("#2026-12-05 09:30:00#,\"Tesk 1.05 debug\"\r\n"
                                            "\"Send 1 6 30 30 30 30 30 30 30 \"\r\n"
                                            "\"All 2 31 4 Ret= 1\"\r\n"));
        QCOMPARE(m_shown.size(), 1);
        QCOMPARE(m_shown[0].second, QStringLiteral("Data saved in file TeskDbg.txt"));

        const auto failing = makeWindow(m_folder.filePath(QStringLiteral("no such folder")));
        QTest::mouseClick(child<QPushButton>(failing, "btSave"), Qt::LeftButton);
        QCOMPARE(m_shown.size(), 2);
        QCOMPARE(m_shown[1].first, QMessageBox::Warning);
        QVERIFY(m_shown[1].second.contains(QStringLiteral("TeskDbg.txt")));
        QCOMPARE(child<QListWidget>(failing, "List1")->count(), 2);

        QCOMPARE(child<QLineEdit>(window, "edErrCount")->text(), QStringLiteral("3"));
        QTest::mouseClick(child<QPushButton>(window, "btClear"), Qt::LeftButton);
        QCOMPARE(child<QListWidget>(window, "List1")->count(), 0);
        QVERIFY(m_log.lines().isEmpty());
        QCOMPARE(child<QLineEdit>(window, "edTotalErrors")->text(), QStringLiteral("7"));
        QCOMPARE(m_log.errorCount(), qint16(3));
    }
};

QTEST_MAIN(TestDebugWindow)
#include "tst_debug_window.moc"
