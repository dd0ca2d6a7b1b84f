#pragma once

#include "TransportList.h"

#include <QAbstractTableModel>
#include <QList>
#include <QSet>

class DatabaseWorker;

// The search window's list over a lazily read search result. The rows' fields are read a page at a time on the
// database worker as the view asks for them: until its page arrives a row shows its serial number alone. The check
// state shows jelolt; it is not changed from the list.
class TransportListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

    // Where the pages are read; null: nowhere (the rows stay unread).
    void setWorker(DatabaseWorker *worker) { m_worker = worker; }
    // A new result (an empty list: none); pages asked for the previous one are dropped when they arrive.
    void setList(TransportList list);
    void setSort(int column, bool ascending);
    const TransportList &list() const { return m_list; }
    // The serial number of a row of the list, 0 for none.
    qint64 serial(int row) const;
    // Reads the row's page again, so that it shows what is stored now.
    void reloadRow(int row);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void ask(int page) const;
    void readNext() const;

    DatabaseWorker *m_worker = nullptr;
    TransportList m_list;
    // Pages asked for and not yet given to the worker, the latest last; one read is on the worker at a time, so
    // that a fast scroll through a long list reads the pages it stops at, not every page it passed.
    mutable QList<int> m_waiting;
    mutable QSet<int> m_asked;
    mutable bool m_reading = false;
    quint64 m_generation = 0;
    QStringList m_captions = TransportSearch::captions();
    int m_sortColumn = 0;
    bool m_ascending = false;
};
