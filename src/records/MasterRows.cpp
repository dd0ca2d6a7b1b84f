#include "MasterRows.h"

#include "MasterTable.h"
#include "Outbox.h"
#include "Pictures.h"
#include "Sql.h"
#include "Trail.h"

#include <QSqlRecord>

#include <algorithm>
#include <optional>

namespace {

constexpr qint64 kProgressStep = 10000;

void refuse(const std::optional<Refusal> &refusal)
{
    if (refusal)
        throw DatabaseError(refusal->message);
}

void requireTable(const QString &table)
{
    const QList<MasterTable::Entry> &tables = MasterTable::tables();
    if (std::none_of(tables.cbegin(), tables.cend(), [&](const MasterTable::Entry &e) { return e.table == table; }))
        throw DatabaseError(QStringLiteral("No table %1 to edit.").arg(table));
}

// The checked values of the typed fields with what each changes along; a refusal is thrown.
MasterRows::Fields checked(const QString &table, const QStringList &columns, const MasterRows::Fields &typed,
                           const QDateTime &now)
{
    MasterRows::Fields values;
    const auto has = [&values](const QString &column) {
        return std::any_of(values.cbegin(), values.cend(), [&](const auto &f) { return f.first == column; });
    };
    for (const auto &[column, value] : typed) {
        if (!columns.contains(column))
            throw DatabaseError(QStringLiteral("No column %1 in %2.").arg(column, table));
        const MasterTable::Checked c = MasterTable::check(table, column, value, MasterTable::FieldNames::Captions);
        refuse(c.refusal);
        values.append({column, c.value});
    }
    for (const auto &[column, value] : typed) {
        const auto along = MasterTable::companion(table, column, now);
        if (along && columns.contains(along->first) && !has(along->first))
            values.append(*along);
    }
    return values;
}

// The stored values of fields of the row id, read under the write lock, and the row's serial number (0 outside
// finished transports).
Trail::Values storedValues(const QSqlDatabase &db, const QString &table, qint64 id, const QStringList &fields,
                           qint64 *serial)
{
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

MasterRows::Values storedRow(const QSqlDatabase &db, const QString &table, const QStringList &columns, qint64 id)
{
    return MasterRows::rows(db, table, columns, id, id).value(id);
}

QStringList namesOf(const MasterRows::Fields &fields)
{
    QStringList names;
    for (const auto &field : fields)
        names.append(field.first);
    return names;
}

} // namespace

namespace MasterRows {

Listing list(const QSqlDatabase &db, const QString &table, const std::function<bool(qint64, qint64)> &progress)
{
    requireTable(table);
    Listing listing;
    const QSqlRecord record = db.record(table);
    for (int i = 0; i < record.count(); ++i)
        listing.columns.append(record.fieldName(i));
    if (listing.columns.isEmpty())
        throw DatabaseError(QStringLiteral("No table %1 to edit.").arg(table));
    const qint64 total = progress ? Sql::value(db, QStringLiteral("SELECT COUNT(*) FROM %1").arg(table)).toLongLong()
                                  : 0;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT id FROM %1 ORDER BY id").arg(table)))
        throw DatabaseError(Sql::errorText(q.lastError(), db));
    listing.ids.reserve(total);
    while (q.next()) {
        listing.ids.append(q.value(0).toLongLong());
        if (progress && listing.ids.size() % kProgressStep == 0 && !progress(listing.ids.size(), total))
            return listing;
    }
    Sql::checkRead(q, db);
    return listing;
}

QHash<qint64, Values> rows(const QSqlDatabase &db, const QString &table, const QStringList &columns, qint64 first,
                           qint64 last)
{
    requireTable(table);
    QHash<qint64, Values> found;
    const int idAt = int(columns.indexOf(QStringLiteral("id")));
    if (idAt < 0)
        throw DatabaseError(QStringLiteral("No id in %1.").arg(table));
    QSqlQuery q = Sql::run(db,
                           QStringLiteral("SELECT %1 FROM %2 WHERE id BETWEEN :first AND :last")
                               .arg(columns.join(QStringLiteral(", ")), table),
                           {{":first", first}, {":last", last}});
    while (q.next()) {
        Values values;
        values.reserve(columns.size());
        for (int i = 0; i < columns.size(); ++i)
            values.append(q.value(i));
        found.insert(values.at(idAt).toLongLong(), std::move(values));
    }
    Sql::checkRead(q, db);
    return found;
}

Values update(const QSqlDatabase &db, const QString &table, const QStringList &columns, qint64 id,
              const QString &column, const QVariant &typed, const QDateTime &now)
{
    requireTable(table);
    const Fields values = checked(table, columns, {{column, typed}}, now);
    const QStringList names = namesOf(values);
    // Made before the transaction, so that a failed statement is let go after the rollback, not inside the
    // aborted transaction.
    QSqlQuery q(db);
    Transaction transaction(db);
    // Changes to finished tickets are traced: both sides read under the write lock, the new one read back so that
    // both have the stored form.
    const bool traced = table == u"szallitasok";
    qint64 serial = 0;
    const Trail::Values before = traced ? storedValues(db, table, id, names, &serial) : Trail::Values();
    QStringList assignments;
    for (int i = 0; i < values.size(); ++i)
        assignments.append(QStringLiteral("%1 = :v%2").arg(values.at(i).first).arg(i));
    if (!q.prepare(QStringLiteral("UPDATE %1 SET %2 WHERE id = :id").arg(table, assignments.join(u", "))))
        throw DatabaseError(Sql::errorText(q.lastError(), db));
    for (int i = 0; i < values.size(); ++i)
        Sql::bind(q, QStringLiteral(":v%1").arg(i), values.at(i).second);
    Sql::bind(q, QStringLiteral(":id"), id);
    if (!q.exec())
        throw DatabaseError(Sql::errorText(q.lastError(), db));
    if (traced) {
        const Trail::Values after = storedValues(db, table, id, names, &serial);
        const auto [was, is] = Trail::changes(before, after);
        // An edit in the master data editor changes the booked ticket as much as the modify window does.
        if (!was.isEmpty() || !is.isEmpty()) {
            Trail::append(db, serial, QString::fromUtf8(Trail::kEdit), was, is);
            Outbox::append(db, Outbox::Event::Modified, serial);
        }
    }
    const Values stored = storedRow(db, table, columns, id);
    transaction.commit();
    return stored;
}

std::pair<qint64, Values> insert(const QSqlDatabase &db, const QString &table, const QStringList &columns,
                                 const Fields &typed, const QDateTime &now)
{
    requireTable(table);
    refuse(MasterTable::refuseInsertOrDelete(table));
    const Fields values = checked(table, columns, typed, now);
    QSqlQuery q(db);
    Transaction transaction(db);
    QStringList placeholders;
    for (int i = 0; i < values.size(); ++i)
        placeholders.append(QStringLiteral(":v%1").arg(i));
    const QString sql = values.isEmpty()
                            ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES RETURNING id").arg(table)
                            : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3) RETURNING id")
                                  .arg(table, namesOf(values).join(u", "), placeholders.join(u", "));
    if (!q.prepare(sql))
        throw DatabaseError(Sql::errorText(q.lastError(), db));
    for (int i = 0; i < values.size(); ++i)
        Sql::bind(q, placeholders.at(i), values.at(i).second);
    if (!q.exec() || !q.next())
        throw DatabaseError(Sql::errorText(q.lastError(), db));
    const qint64 id = q.value(0).toLongLong();
    q.finish();
    const Values stored = storedRow(db, table, columns, id);
    transaction.commit();
    return {id, stored};
}

void remove(const QSqlDatabase &db, const QString &table, qint64 id)
{
    requireTable(table);
    refuse(MasterTable::refuseInsertOrDelete(table));
    Transaction transaction(db);
    // A transport in progress holds a first weighing: its deletion keeps what it held in the trail.
    const bool traced = table == u"folyamatban";
    Trail::Values gone;
    if (traced) {
        QStringList fields;
        const QSqlRecord record = db.record(table);
        for (int i = 0; i < record.count(); ++i)
            fields.append(record.fieldName(i));
        qint64 serial = 0;
        gone = storedValues(db, table, id, fields, &serial);
    }
    Sql::run(db, QStringLiteral("DELETE FROM %1 WHERE id = :id").arg(table), {{":id", id}});
    if (traced)
        Pictures::removeInProgress(db, id);
    if (!gone.isEmpty())
        Trail::append(db, 0, QString::fromUtf8(Trail::kInProgressDeletion), Trail::describe(gone), {});
    transaction.commit();
}

} // namespace MasterRows
