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
        model.AddToGrid(QStringLiteral("ID%1").arg(n), QStringLiteral("2024-05-01 10:00:00"),
                        QString::number(n), QStringLiteral("uSv/h"), QStringLiteral("OK"),
                        QStringLiteral("GM"), QStringLiteral(" "));
    }

private slots:
    // The rows shown, clearing and marking are driven through the whole program in
    // tests/app; this is what a view over the model sees.
    void reading301InsertsOneRowAndRemovesOneWithoutAReset()
    {
        RecordGridModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        for (int n = 1; n <= 300; ++n)
            addReading(model, n);

        // Only the new row and the dropped one change: a selection or scroll stays put.
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        addReading(model, 301);
        QCOMPARE(model.rowCount(), 300);
        QCOMPARE(model.cellText(0, 0), QStringLiteral("ID301"));
        QCOMPARE(model.cellText(299, 0), QStringLiteral("ID2"));
        QCOMPARE(model.cellText(300, 0), QString());
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(inserted.first().at(1).toInt(), 0);
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.first().at(1).toInt(), 299);
        QCOMPARE(reset.count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestRecordGridModel)
#include "tst_record_grid_model.moc"
