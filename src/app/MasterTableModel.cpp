#include "MasterTableModel.h"

#include "DatabaseWorker.h"
#include "MasterTable.h"
#include "WorkerCall.h"

#include <QDateTime>

#include <algorithm>

MasterTableModel::MasterTableModel(DatabaseWorker *worker, QObject *parent)
    : QAbstractTableModel(parent)
    , m_worker(worker)
{
}

MasterTableModel::~MasterTableModel() = default;

void MasterTableModel::setListing(const QString &table, MasterRows::Listing listing)
{
    beginResetModel();
    ++m_generation;
    m_table = table;
    m_columns = table.isEmpty() ? QStringList() : std::move(listing.columns);
    m_ids = table.isEmpty() ? QList<qint64>() : std::move(listing.ids);
    m_new.clear();
    m_values.clear();
    m_requested.clear();
    endResetModel();
}

int MasterTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_ids.size() + m_new.size());
}

int MasterTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant MasterTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    const int row = index.row();
    if (row >= m_ids.size())
        return m_new.value(row - m_ids.size()).values.value(index.column());
    const auto found = m_values.constFind(m_ids.at(row));
    if (found == m_values.cend()) {
        fetchPage(row);
        return {};
    }
    return found->value(index.column());
}

QVariant MasterTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return MasterTable::caption(m_table, m_columns.value(section));
    return section + 1;
}

Qt::ItemFlags MasterTableModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    // No editor opens while a write is on its way: its outcome may still put the stored row back.
    if (index.isValid() && m_columns.value(index.column()) != u"id" && !writing())
        f |= Qt::ItemIsEditable;
    return f;
}

template <typename R, typename Done>
void MasterTableModel::write(QFuture<R> future, Done done, std::function<void(const QString &)> failed)
{
    ++m_writes;
    const int generation = m_generation;
    // The count goes down before the outcome is shown, so that a slot of refused may write again.
    WorkerCall::then(
        future, this,
        [this, generation, done = std::move(done)](const R &result) mutable {
            --m_writes;
            if (generation == m_generation)
                done(result);
        },
        m_busy ? m_busy() : nullptr,
        [this, generation, failed = std::move(failed)](const std::exception &e) {
            --m_writes;
            if (generation == m_generation)
                failed(QString::fromUtf8(e.what()));
        });
}

bool MasterTableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || !m_worker || writing())
        return false;
    const QString column = m_columns.value(index.column());
    const MasterTable::Checked checked = MasterTable::check(m_table, column, value, MasterTable::FieldNames::Captions);
    if (checked.refusal) {
        emit refused(checked.refusal->message);
        return false;
    }
    const int row = index.row();
    if (row >= m_ids.size()) {
        // A new row collects its values until it is written as a whole.
        NewRow &fresh = m_new[row - m_ids.size()];
        fresh.values[index.column()] = checked.value;
        fresh.typed.removeIf([&column](const auto &f) { return f.first == column; });
        fresh.typed.append({column, value});
        emit dataChanged(index, index);
        return true;
    }
    const qint64 id = m_ids.at(row);
    const std::optional<MasterRows::Values> before =
        m_values.contains(id) ? std::optional(m_values.value(id)) : std::nullopt;
    if (before && before->value(index.column()) == checked.value)
        return true;
    if (before) {
        m_values[id][index.column()] = checked.value;
        emit dataChanged(index, index);
    }
    const QString table = m_table;
    const QStringList columns = m_columns;
    write(
        m_worker->run([table, columns, id, column, value](QSqlDatabase db) {
            return MasterRows::update(db, table, columns, id, column, value);
        }),
        [this, id](const MasterRows::Values &stored) {
            m_values.insert(id, stored);
            rowChanged(rowOfId(id));
        },
        [this, id, before](const QString &message) {
            // Nothing was written: the grid shows the row as it was read, or reads it again.
            if (before)
                m_values.insert(id, *before);
            else
                m_values.remove(id);
            rowChanged(rowOfId(id));
            emit refused(message);
        });
    return true;
}

bool MasterTableModel::insertRows(int, int count, const QModelIndex &parent)
{
    if (parent.isValid() || count < 1 || m_table.isEmpty() || writing())
        return false;
    if (const auto refusal = MasterTable::refuseInsertOrDelete(m_table)) {
        emit refused(refusal->message);
        return false;
    }
    const int at = rowCount();
    beginInsertRows({}, at, at + count - 1);
    for (int i = 0; i < count; ++i)
        m_new.append({++m_nextKey, MasterRows::Values(m_columns.size()), {}});
    endInsertRows();
    return true;
}

bool MasterTableModel::removeRows(int row, int count, const QModelIndex &parent)
{
    if (parent.isValid() || count < 1 || row < 0 || row + count > rowCount() || !m_worker || writing())
        return false;
    if (const auto refusal = MasterTable::refuseInsertOrDelete(m_table)) {
        emit refused(refusal->message);
        return false;
    }
    for (int r = row + count - 1; r >= row; --r) {
        if (r >= m_ids.size()) {
            beginRemoveRows({}, r, r);
            m_new.removeAt(r - m_ids.size());
            endRemoveRows();
            continue;
        }
        const qint64 id = m_ids.at(r);
        const QString table = m_table;
        write(
            m_worker->run([table, id](QSqlDatabase db) {
                MasterRows::remove(db, table, id);
                return true;
            }),
            [this, id](bool) {
                const int at = rowOfId(id);
                if (at < 0)
                    return;
                beginRemoveRows({}, at, at);
                m_ids.removeAt(at);
                m_values.remove(id);
                endRemoveRows();
            },
            [this](const QString &message) { emit refused(message); });
    }
    return true;
}

bool MasterTableModel::submitAll()
{
    if (writing())
        return false;
    for (const NewRow &fresh : std::as_const(m_new)) {
        // A row with nothing typed into it is no row yet.
        if (!fresh.typed.isEmpty())
            storeNew(fresh.key);
    }
    return true;
}

void MasterTableModel::storeNew(int key)
{
    const NewRow &fresh = m_new.at(rowOfNew(key) - m_ids.size());
    const QString table = m_table;
    const QStringList columns = m_columns;
    const MasterRows::Fields typed = fresh.typed;
    write(
        m_worker->run([table, columns, typed](QSqlDatabase db) {
            return MasterRows::insert(db, table, columns, typed);
        }),
        [this, key](const std::pair<qint64, MasterRows::Values> &stored) {
            const int at = rowOfNew(key);
            if (at < 0)
                return;
            const int first = int(m_ids.size());
            if (at != first) {
                beginMoveRows({}, at, at, {}, first);
                m_new.move(at - first, 0);
                endMoveRows();
            }
            // The row keeps its place: it leaves the new ones and becomes the last stored one.
            m_new.removeFirst();
            m_ids.append(stored.first);
            m_values.insert(stored.first, stored.second);
            rowChanged(first);
        },
        [this](const QString &message) { emit refused(message); });
}

void MasterTableModel::revertAll()
{
    if (m_new.isEmpty() || writing())
        return;
    beginRemoveRows({}, int(m_ids.size()), rowCount() - 1);
    m_new.clear();
    endRemoveRows();
}

void MasterTableModel::fetchPage(int row) const
{
    if (!m_worker || m_requested.contains(m_ids.at(row)))
        return;
    const int first = row - row % kPageSize;
    const int last = std::min<int>(first + kPageSize, int(m_ids.size())) - 1;
    const QList<qint64> ids = m_ids.mid(first, last - first + 1);
    for (qint64 id : ids)
        m_requested.insert(id);
    const QString table = m_table;
    const QStringList columns = m_columns;
    const int generation = m_generation;
    auto *self = const_cast<MasterTableModel *>(this);
    WorkerCall::then(
        m_worker->run([table, columns, from = ids.first(), to = ids.last()](QSqlDatabase db) {
            return MasterRows::rows(db, table, columns, from, to);
        }),
        self,
        [self, ids, generation](const QHash<qint64, MasterRows::Values> &rows) {
            if (generation != self->m_generation)
                return;
            for (qint64 id : ids) {
                self->m_requested.remove(id);
                // An edit's outcome that came in meanwhile is newer than the page.
                if (!self->m_values.contains(id))
                    self->m_values.insert(id, rows.value(id));
            }
            if (self->rowCount() > 0)
                emit self->dataChanged(self->index(0, 0), self->index(self->rowCount() - 1, self->columnCount() - 1));
        },
        {},
        [self, ids, generation](const std::exception &) {
            // The cells stay empty; the next look at them reads again.
            if (generation != self->m_generation)
                return;
            for (qint64 id : ids)
                self->m_requested.remove(id);
        });
}

int MasterTableModel::rowOfId(qint64 id) const
{
    const auto at = std::lower_bound(m_ids.cbegin(), m_ids.cend(), id);
    if (at != m_ids.cend() && *at == id)
        return int(at - m_ids.cbegin());
    const auto any = std::find(m_ids.cbegin(), m_ids.cend(), id);
    return any == m_ids.cend() ? -1 : int(any - m_ids.cbegin());
}

int MasterTableModel::rowOfNew(int key) const
{
    for (int i = 0; i < m_new.size(); ++i) {
        if (m_new.at(i).key == key)
            return int(m_ids.size()) + i;
    }
    return -1;
}

void MasterTableModel::rowChanged(int row)
{
    if (row >= 0 && !m_columns.isEmpty())
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}
