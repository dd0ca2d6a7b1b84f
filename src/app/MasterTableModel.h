#pragma once

#include "MasterRows.h"

#include <QAbstractTableModel>
#include <QFuture>
#include <QHash>
#include <QSet>

#include <functional>
#include <memory>

class DatabaseWorker;
namespace WorkerCall {
class Busy;
}

// The editable grid of one master table. The rows' ids come in one read (setListing); their fields are read on the
// worker a page at a time as the view asks for them, so a million finished transports cost their ids only. Every
// value is checked before it is written, and each edit, insert and delete is a command on the worker
// (MasterRows): the grid shows the typed value while it is written, and the stored row once it is. A write turned
// down is told by refused, and the grid shows the stored row again.
class MasterTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int kPageSize = 200;
    using BusyMaker = std::function<std::shared_ptr<WorkerCall::Busy>()>;

    MasterTableModel(DatabaseWorker *worker, QObject *parent = nullptr);
    ~MasterTableModel() override;

    // What shows the window busy while a write runs.
    void setBusy(BusyMaker busy) { m_busy = std::move(busy); }

    // Shows the rows of table (an empty table: none).
    void setListing(const QString &table, MasterRows::Listing listing);
    const QString &tableName() const { return m_table; }
    int fieldIndex(const QString &column) const { return int(m_columns.indexOf(column)); }

    // A new row not written yet.
    bool isDirty() const { return !m_new.isEmpty(); }
    // A write is on its way.
    bool writing() const { return m_writes > 0; }
    // Writes the new rows that have a value; false when one was turned down at once.
    bool submitAll();
    // Drops the new rows not written.
    void revertAll();

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    // New rows go to the end of the grid, where their ids put them.
    bool insertRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;
    bool removeRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;

signals:
    // A value or an operation was turned down (the message to show), or the database refused a write.
    void refused(const QString &message);

private:
    struct NewRow {
        int key = 0;
        MasterRows::Values values;
        MasterRows::Fields typed;
    };

    template <typename R, typename Done>
    void write(QFuture<R> future, Done done, std::function<void(const QString &)> failed);
    void fetchPage(int row) const;
    int rowOfId(qint64 id) const;
    int rowOfNew(int key) const;
    void rowChanged(int row);
    void storeNew(int key);

    DatabaseWorker *m_worker = nullptr;
    BusyMaker m_busy;
    QString m_table;
    QStringList m_columns;
    QList<qint64> m_ids; // the stored rows, in id order; the new ones follow them
    QList<NewRow> m_new;
    int m_nextKey = 0;
    int m_writes = 0;
    // Bumped with each listing, so that a page read for an earlier one is dropped.
    int m_generation = 0;
    // The rows read so far, by id (an empty row: gone from the table).
    mutable QHash<qint64, MasterRows::Values> m_values;
    mutable QSet<qint64> m_requested;
};
