#include "RecordGridModel.h"

#include "TeskCommonPart.h"

#include <QColor>

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
        m_stored.pop_back();
        endRemoveRows();
    }
    beginInsertRows({}, 0, 0);
    m_rows.push_front(Row{InstNum, time, ErrorSn, PadField(vl, 7), PadField(Units, 8), status,
                          PadField(Detector, 10)});
    m_stored.push_front(true);
    endInsertRows();
}

void RecordGridModel::AddToGrid(const MeasurementRecord &r, bool stored)
{
    AddToGrid(r.InstNum, r.time, r.vl, r.Units, r.status, r.Detector, r.ErrorSn);
    if (!stored) {
        m_stored.front() = false;
        emit dataChanged(index(0, 0), index(0, ColumnCount - 1));
    }
}

void RecordGridModel::ClearGrid()
{
    beginResetModel();
    m_rows.clear();
    m_stored.clear();
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

bool RecordGridModel::isStored(int row) const
{
    return row < 0 || row >= NumOfRec() || m_stored[static_cast<size_t>(row)];
}

QVariant RecordGridModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    if (role == Qt::DisplayRole)
        return cellText(index.row(), index.column());
    if (isStored(index.row()))
        return {};
    if (role == Qt::BackgroundRole)
        return QColor(255, 200, 200);
    if (role == Qt::ToolTipRole)
        return tr("This reading is not in the list file: it could not be written.");
    return {};
}

QVariant RecordGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && validColumn(section))
        return headerText(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}
