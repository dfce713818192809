#include "RecordGridModel.h"

#include "TeskCommonPart.h"

namespace {

struct Column
{
    const char16_t *header;
    int widthTwips;
};

constexpr std::array<Column, RecordGridModel::ColumnCount> Columns{{
    {u"Id", 1335},
    {u"Time", 1905},
    {u"Over", 1},
    {u"Value", 1095},
    {u"Units", 735},
    {u"Status", 1245},
    {u"Detector", 1335},
}};

bool validColumn(int column)
{
    return column >= 0 && column < RecordGridModel::ColumnCount;
}

} // namespace

RecordGridModel::RecordGridModel(QObject *parent) : QAbstractTableModel(parent) {}

QString RecordGridModel::headerText(int column)
{
    return validColumn(column) ? QString::fromUtf16(Columns[static_cast<size_t>(column)].header)
                               : QString();
}

int RecordGridModel::columnWidthTwips(int column)
{
    return validColumn(column) ? Columns[static_cast<size_t>(column)].widthTwips : 0;
}

void RecordGridModel::AddToGrid(const QString &InstNum, const QString &time, const QString &vl,
                                const QString &Units, const QString &status,
                                const QString &Detector, const QString &ErrorSn)
{
    using TeskCommonPart::PadField;
    if (m_rows.size() >= GridCapacity) {
        beginRemoveRows({}, GridCapacity - 1, GridCapacity - 1);
        m_rows.pop_back();
        endRemoveRows();
    }
    beginInsertRows({}, 0, 0);
    m_rows.push_front(Row{InstNum, time, ErrorSn, PadField(vl, 7), PadField(Units, 8), status,
                          PadField(Detector, 10)});
    endInsertRows();
}

void RecordGridModel::AddToGrid(const MeasurementRecord &r)
{
    AddToGrid(r.InstNum, r.time, r.vl, r.Units, r.status, r.Detector, r.ErrorSn);
}

void RecordGridModel::ClearGrid()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

QString RecordGridModel::cellText(int row, int column) const
{
    if (row < 0 || row >= NumOfRec() || !validColumn(column))
        return {};
    return m_rows[static_cast<size_t>(row)][static_cast<size_t>(column)];
}

int RecordGridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : NumOfRec();
}

int RecordGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant RecordGridModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    return cellText(index.row(), index.column());
}

QVariant RecordGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && validColumn(section))
        return headerText(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}
