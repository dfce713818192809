#include "RecordGridModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

class TestRecordGridModel : public QObject
{
    Q_OBJECT

private:
    static void addReading(RecordGridModel &model, int n)
    {
        model.AddToGrid(QStringLiteral("ID%1").arg(n),
                        QStringLiteral("2024-05-01 10:00:%1").arg(n % 60, 2, 10, QChar(u'0')),
                        QString::number(n), QStringLiteral("uSv/h"), QStringLiteral("OK"),
                        QStringLiteral("GM"), QStringLiteral(" "));
    }

private slots:
    void columnsAndHeaders()
    {
        RecordGridModel model;
        const QStringList headers{"Id", "Time", "Over", "Value", "Units", "Status", "Detector"};
        const QList<int> widths{1335, 1905, 1, 1095, 735, 1245, 1335};
        QCOMPARE(model.columnCount(), 7);
        for (int c = 0; c < 7; ++c) {
            QCOMPARE(model.headerData(c, Qt::Horizontal).toString(), headers[c]);
            QCOMPARE(RecordGridModel::columnWidthTwips(c), widths[c]);
        }
        QCOMPARE(model.rowCount(), 0);
    }

    void cellTextsArePaddedAsTheGridShowsThem()
    {
        RecordGridModel model;
        model.AddToGrid(QStringLiteral("12345678901"), QStringLiteral("2024-05-01 10:00:00"),
                        QStringLiteral("12.50"), QStringLiteral("mSv"), QStringLiteral("OK"),
                        QStringLiteral("GM"), QStringLiteral("*"));
        QCOMPARE(model.cellText(0, 0), QStringLiteral("12345678901"));
        QCOMPARE(model.cellText(0, 1), QStringLiteral("2024-05-01 10:00:00"));
        QCOMPARE(model.cellText(0, 2), QStringLiteral("*"));
        QCOMPARE(model.cellText(0, 3), QStringLiteral("12.50   "));
        QCOMPARE(model.cellText(0, 4), QStringLiteral("mSv      "));
        QCOMPARE(model.cellText(0, 5), QStringLiteral("OK"));
        QCOMPARE(model.cellText(0, 6), QStringLiteral("GM         "));
        model.AddToGrid({}, {}, QStringLiteral("1234567890"), {}, {}, {}, {});
        QCOMPARE(model.cellText(0, 3), QStringLiteral("1234567890"));
        QCOMPARE(model.data(model.index(1, 3)).toString(), QStringLiteral("12.50   "));
    }

    void newestOnTopAndOldestDropsAtCapacity()
    {
        RecordGridModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        addReading(model, 1);
        QCOMPARE(model.NumOfRec(), 1);
        QCOMPARE(model.cellText(0, 0), QStringLiteral("ID1"));
        for (int n = 2; n <= 300; ++n)
            addReading(model, n);
        QCOMPARE(model.NumOfRec(), 300);
        QCOMPARE(model.cellText(299, 0), QStringLiteral("ID1"));
        addReading(model, 301);
        QCOMPARE(model.NumOfRec(), 300);
        QCOMPARE(model.rowCount(), 300);
        QCOMPARE(model.cellText(0, 0), QStringLiteral("ID301"));
        QCOMPARE(model.cellText(1, 0), QStringLiteral("ID300"));
        QCOMPARE(model.cellText(299, 0), QStringLiteral("ID2"));
        QCOMPARE(model.cellText(300, 0), QString());
    }

    void aReadingChangesOnlyTheRowsItAddsOrDrops()
    {
        RecordGridModel model;
        for (int n = 1; n <= 300; ++n)
            addReading(model, n);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        addReading(model, 301);
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(inserted.first().at(1).toInt(), 0);
        QCOMPARE(inserted.first().at(2).toInt(), 0);
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.first().at(1).toInt(), 299);
        QCOMPARE(changed.count(), 0);
        QCOMPARE(reset.count(), 0);
    }

    void clearEmptiesTheGridAndTheNextReadingIsOnTop()
    {
        RecordGridModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        for (int n = 1; n <= 5; ++n)
            addReading(model, n);
        model.ClearGrid();
        QCOMPARE(model.NumOfRec(), 0);
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.cellText(0, 0), QString());
        addReading(model, 6);
        QCOMPARE(model.NumOfRec(), 1);
        QCOMPARE(model.cellText(0, 0), QStringLiteral("ID6"));
    }
};

QTEST_GUILESS_MAIN(TestRecordGridModel)
#include "tst_record_grid_model.moc"
