#include "MasterTableModel.h"

#include "MasterTable.h"
#include "Sql.h"
#include "Trail.h"

#include <QDateTime>

#include <QSqlError>
#include <QSqlField>
#include <QSqlRecord>

MasterTableModel::MasterTableModel(QObject *parent, const QSqlDatabase &db)
    : QSqlTableModel(parent, db)
{
    setEditStrategy(QSqlTableModel::OnFieldChange);
}

void MasterTableModel::bind(const QString &table)
{
    if (table.isEmpty()) {
        clear();
        return;
    }
    setTable(table);
    setSort(fieldIndex(QStringLiteral("id")), Qt::AscendingOrder);
    if (!select())
        emit refused(Sql::errorText(lastError(), database()));
}

bool MasterTableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !index.isValid())
        return QSqlTableModel::setData(index, value, role);
    const MasterTable::Checked checked =
        MasterTable::check(tableName(), record().fieldName(index.column()), value);
    if (checked.refusal) {
        emit refused(checked.refusal->message);
        return false;
    }
    const bool changed = index.data(Qt::EditRole) != checked.value;
    if (QSqlTableModel::setData(index, checked.value, role)) {
        if (!changed)
            return true;
        // A weight typed here is no scale weight any more; a tare typed here is dated now.
        const auto [column, value] = MasterTable::companion(tableName(), record().fieldName(index.column()),
                                                           QDateTime::currentDateTime())
                                         .value_or(std::pair<QString, QVariant>{});
        if (const int at = fieldIndex(column); !column.isEmpty() && at >= 0)
            QSqlTableModel::setData(index.sibling(index.row(), at), value, role);
        return true;
    }
    // The database turned the write down (a duplicate plate, a locked row): the grid shows the stored row again.
    const QString error = Sql::errorText(lastError(), database());
    revertRow(index.row());
    emit refused(error);
    return false;
}

bool MasterTableModel::insertRows(int row, int count, const QModelIndex &parent)
{
    if (const auto refusal = MasterTable::refuseInsertOrDelete(tableName())) {
        emit refused(refusal->message);
        return false;
    }
    return QSqlTableModel::insertRows(row, count, parent);
}

bool MasterTableModel::removeRows(int row, int count, const QModelIndex &parent)
{
    if (const auto refusal = MasterTable::refuseInsertOrDelete(tableName())) {
        emit refused(refusal->message);
        return false;
    }
    if (QSqlTableModel::removeRows(row, count, parent))
        return true;
    const QString error = Sql::errorText(lastError(), database());
    revertAll();
    emit refused(error);
    return false;
}

Qt::ItemFlags MasterTableModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QSqlTableModel::flags(index);
    if (index.isValid() && record().fieldName(index.column()) == u"id")
        f &= ~Qt::ItemIsEditable;
    return f;
}

namespace {

// The stored values of the fields of values that are to be written (every field when none is), read under the
// write lock, and the row's serial number.
Trail::Values storedValues(const QSqlDatabase &db, const QString &table, const QVariant &id, const QSqlRecord &values,
                           qint64 *serial)
{
    QStringList fields;
    for (int i = 0; i < values.count(); ++i) {
        if (values.isGenerated(i))
            fields.append(values.fieldName(i));
    }
    if (fields.isEmpty()) {
        for (int i = 0; i < values.count(); ++i)
            fields.append(values.fieldName(i));
    }
    Trail::Values stored;
    QSqlQuery q = Sql::run(db,
                           QStringLiteral("SELECT %1%2 FROM %3 WHERE id = :id")
                                   .arg(table == u"szallitasok" ? QStringLiteral("sorszam") : QStringLiteral("0"),
                                        fields.isEmpty() ? QString() : QStringLiteral(", ") + fields.join(u", "), table) +
                               Sql::lockClause(db),
                           {{":id", id}});
    if (q.next()) {
        *serial = q.value(0).toLongLong();
        for (int i = 0; i < fields.size(); ++i)
            stored.append({fields.at(i), q.value(i + 1).toString()});
    }
    Sql::checkRead(q, db);
    return stored;
}

} // namespace

bool MasterTableModel::updateRowInTable(int row, const QSqlRecord &values)
{
    if (tableName() != u"szallitasok")
        return QSqlTableModel::updateRowInTable(row, values);
    try {
        Transaction transaction(database());
        const QVariant id = primaryValues(row).value(QStringLiteral("id"));
        qint64 serial = 0;
        const Trail::Values before = storedValues(database(), tableName(), id, values, &serial);
        if (!QSqlTableModel::updateRowInTable(row, values))
            return false;
        // Read back rather than taken from the grid, so both sides have the stored form.
        const Trail::Values after = storedValues(database(), tableName(), id, values, &serial);
        const auto [was, now] = Trail::changes(before, after);
        if (!was.isEmpty() || !now.isEmpty())
            Trail::append(database(), serial, QString::fromUtf8(Trail::kEdit), was, now);
        transaction.commit();
        return true;
    } catch (const DatabaseError &e) {
        setLastError(QSqlError(QString::fromStdString(e.what()), {}, QSqlError::TransactionError));
        return false;
    }
}

bool MasterTableModel::deleteRowFromTable(int row)
{
    if (tableName() != u"folyamatban")
        return QSqlTableModel::deleteRowFromTable(row);
    try {
        Transaction transaction(database());
        qint64 serial = 0;
        QSqlRecord all = record();
        for (int i = 0; i < all.count(); ++i)
            all.setGenerated(i, false);
        const Trail::Values gone =
            storedValues(database(), tableName(), primaryValues(row).value(QStringLiteral("id")), all, &serial);
        if (!QSqlTableModel::deleteRowFromTable(row))
            return false;
        if (!gone.isEmpty())
            Trail::append(database(), 0, QString::fromUtf8(Trail::kInProgressDeletion), Trail::describe(gone), {});
        transaction.commit();
        return true;
    } catch (const DatabaseError &e) {
        setLastError(QSqlError(QString::fromStdString(e.what()), {}, QSqlError::TransactionError));
        return false;
    }
}
