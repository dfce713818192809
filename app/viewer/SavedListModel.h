#pragma once

#include <QAbstractTableModel>

class SavedList;

// Every record of a saved list as a table with the workbook's seven columns.
// The texts are made when a cell is shown, so a list of any length costs no
// more than its records.
class SavedListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int ColumnCount = 7;
    static constexpr int ValueColumn = 2;

    explicit SavedListModel(const SavedList &list, QObject *parent = nullptr);

    static QString headerText(int column);
    QString cellText(int row, int column) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    const SavedList &m_list;
};
