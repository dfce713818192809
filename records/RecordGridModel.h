#pragma once

#include "MeasurementRecord.h"

#include <QAbstractTableModel>
#include <QString>

#include <array>
#include <deque>

// The readings shown in the main window's grid, newest in the top row. The
// grid keeps the last GridCapacity readings; each new one drops the oldest
// once it is full. The view shows only the filled rows, and a reading costs
// one inserted row (and one removed row when full), never a move of the rest.
class RecordGridModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int GridCapacity = 300;
    static constexpr int ColumnCount = 7;
    // Column 2 holds the threshold mark but is too narrow to be seen.
    static constexpr int OverColumn = 2;

    explicit RecordGridModel(QObject *parent = nullptr);

    static QString headerText(int column);
    static int columnWidthTwips(int column);

    // One reading into the top row; the rows below move down by one.
    void AddToGrid(const QString &InstNum, const QString &time, const QString &vl,
                   const QString &Units, const QString &status, const QString &Detector,
                   const QString &ErrorSn);
    // A reading that could not be stored in the list file is shown all the
    // same, its row marked.
    void AddToGrid(const MeasurementRecord &r, bool stored = true);
    void ClearGrid();
    // Filled rows, 0 to GridCapacity.
    int NumOfRec() const { return static_cast<int>(m_rows.size()); }

    // Text of a data row (0 = newest); empty for rows not filled.
    QString cellText(int row, int column) const;
    bool isStored(int row) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    using Row = std::array<QString, ColumnCount>;
    std::deque<Row> m_rows;
    std::deque<bool> m_stored;
};
