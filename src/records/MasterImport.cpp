#include "MasterImport.h"

#include "MasterTable.h"
#include "Sql.h"

#include <QSqlRecord>

namespace MasterImport {

namespace {

Outcome refused(qsizetype line, const QString &message, const QString &field)
{
    Outcome o;
    o.refusal = Refusal{message, field};
    o.line = line;
    return o;
}

} // namespace

const QStringList &tables()
{
    static const QStringList list = {QStringLiteral("szallito"), QStringLiteral("termek"), QStringLiteral("ugyfel"),
                                     QStringLiteral("raktar")};
    return list;
}

Outcome import(const QSqlDatabase &db, const QString &table, const CsvImport::Table &csv)
{
    if (!tables().contains(table))
        return refused(0, QStringLiteral("Only master data (%1) is loaded from a file, not %2: transports are made by "
                                         "weighing.")
                              .arg(tables().join(QStringLiteral(", ")), table),
                       {});
    if (!csv.ok())
        return refused(csv.line, csv.error, {});

    const QSqlRecord record = db.record(table);
    QStringList columns;
    for (const QString &name : csv.header) {
        const QString column = name.trimmed().toLower();
        if (column == u"id" || !record.contains(column))
            return refused(1, QStringLiteral("%1 has no column \"%2\".").arg(table, name), name);
        if (columns.contains(column))
            return refused(1, QStringLiteral("The column \"%1\" is named twice.").arg(name), name);
        columns.append(column);
    }
    QStringList placeholders;
    for (qsizetype i = 0; i < columns.size(); ++i)
        placeholders.append(QStringLiteral(":v%1").arg(i));

    Transaction transaction(db);
    QSqlQuery insert(db);
    if (!insert.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                            .arg(table, columns.join(QStringLiteral(", ")), placeholders.join(QStringLiteral(", ")))))
        throw DatabaseError(Sql::errorText(insert.lastError(), db));
    Outcome outcome;
    for (const CsvImport::Row &row : csv.rows) {
        for (qsizetype i = 0; i < columns.size(); ++i) {
            const QString &typed = row.fields.at(i);
            QVariant value;
            // The export writes NULL as an empty field; a text column holds the empty text instead.
            if (!typed.isEmpty() || MasterTable::kindOf(table, columns.at(i)) == RecordTexts::Kind::Text) {
                const MasterTable::Checked checked = MasterTable::check(table, columns.at(i), typed);
                if (checked.refusal)
                    return refused(row.line, checked.refusal->message, checked.refusal->field);
                value = checked.value;
            }
            Sql::bind(insert, placeholders.at(i), value);
        }
        if (!insert.exec())
            throw DatabaseError(Sql::errorText(insert.lastError(), db));
        ++outcome.rows;
    }
    transaction.commit();
    return outcome;
}

} // namespace MasterImport
