#include "TransportListModel.h"

#include "Sql.h"

#include <QApplication>
#include <QStyle>

namespace {

// The columns of numbers stand right-aligned.
bool rightAligned(int column)
{
    return column == 6 || column == 7 || column == 14 || column == 15;
}

// Icons 0 inbound, 1 outbound, 2 cancelled, 3 ascending, 4 descending.
QIcon icon(int index)
{
    static constexpr QStyle::StandardPixmap kIcons[] = {QStyle::SP_ArrowRight, QStyle::SP_ArrowLeft,
                                                        QStyle::SP_DialogCancelButton, QStyle::SP_ArrowUp,
                                                        QStyle::SP_ArrowDown};
    return QApplication::style()->standardIcon(kIcons[index]);
}

} // namespace

void TransportListModel::setList(const QSqlDatabase &db, TransportList list)
{
    beginResetModel();
    m_db = db;
    m_list = std::move(list);
    endResetModel();
}

void TransportListModel::setSort(int column, bool ascending)
{
    m_sortColumn = column;
    m_ascending = ascending;
    emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

qint64 TransportListModel::serial(int row) const
{
    return row >= 0 && row < m_list.size() ? m_list.serial(row) : 0;
}

void TransportListModel::reloadRow(int row)
{
    if (row < 0 || row >= m_list.size())
        return;
    m_list.reload(m_db, row);
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

int TransportListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_list.size());
}

int TransportListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_captions.size());
}

QVariant TransportListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == Qt::TextAlignmentRole)
        return int((rightAligned(index.column()) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::DecorationRole && role != Qt::CheckStateRole)
        return {};
    const TransportList::Row *row = nullptr;
    try {
        row = &m_list.row(m_db, index.row());
    } catch (const DatabaseError &) {
        // Painting cannot report it; the row stays empty and the next command meets the failure.
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
        return row->texts.value(index.column());
    case Qt::DecorationRole:
        if (index.column() == 0)
            return icon(row->icon);
        break;
    case Qt::CheckStateRole:
        if (index.column() == 0)
            return row->marked ? Qt::Checked : Qt::Unchecked;
        break;
    default:
        break;
    }
    return {};
}

QVariant TransportListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::DisplayRole)
        return m_captions.value(section);
    if (role == Qt::TextAlignmentRole)
        return int((rightAligned(section) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    if (role == Qt::DecorationRole && section == m_sortColumn)
        return icon(m_ascending ? 3 : 4);
    return {};
}
