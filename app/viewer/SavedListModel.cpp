#include "SavedListModel.h"

#include "DateTimeText.h"
#include "ListToCells.h"
#include "SavedList.h"

#include <array>

namespace {

// The workbook's column heads, in its order.
constexpr std::array<const char16_t *, SavedListModel::ColumnCount> Heads{
    u"Instrument", u"Date and time", u"Value", u"Mark", u"Units", u"Status", u"Detector"};

} // namespace

SavedListModel::SavedListModel(const SavedList &list, QObject *parent)
    : QAbstractTableModel(parent), m_list(list)
{}

QString SavedListModel::headerText(int column)
{
    if (column < 0 || column >= ColumnCount)
        return {};
    return QString::fromUtf16(Heads[static_cast<size_t>(column)]);
}

QString SavedListModel::cellText(int row, int column) const
{
    if (row < 0 || row >= rowCount())
        return {};
    const RecordFields &r = m_list.records[static_cast<size_t>(row)];
    switch (column) {
    case 0:
        return r.instrument;
    case 1:
        return DateTimeText::format(r.time);
    case ValueColumn:
        return r.valueText.trimmed();
    case 3:
        return r.marked ? QStringLiteral("*") : QString();
    case 4:
        return r.units;
    case 5:
        return ListToCells::statusText(r.status);
    case 6:
        return r.detector;
    default:
        return {};
    }
}

int SavedListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_list.records.size());
}

int SavedListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant SavedListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole)
        return cellText(index.row(), index.column());
    if (role == Qt::TextAlignmentRole && index.column() == ValueColumn)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant SavedListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return headerText(section);
    return section + 1;
}
