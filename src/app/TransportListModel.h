#pragma once

#include "TransportList.h"

#include <QAbstractTableModel>
#include <QSqlDatabase>

// The search window's list over a lazily read search result: the rows' fields are read a page at a time as the
// view asks for them. The check state shows jelolt; it is not changed from the list.
class TransportListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

    // A new result (an empty list: none) and the sort its header marks.
    void setList(const QSqlDatabase &db, TransportList list);
    void setSort(int column, bool ascending);
    const TransportList &list() const { return m_list; }
    // The serial number of a row of the list, 0 for none.
    qint64 serial(int row) const;
    // Shows the row as it is stored now. Throws DatabaseError.
    void reloadRow(int row);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QSqlDatabase m_db;
    mutable TransportList m_list;
    QStringList m_captions = TransportSearch::captions();
    int m_sortColumn = 0;
    bool m_ascending = false;
};
