#include "MasterTableModel.h"

#include "MasterTable.h"
#include "Sql.h"

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
