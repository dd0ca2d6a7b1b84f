#include "Trail.h"

#include "Formats.h"
#include "Pictures.h"
#include "Seged.h"
#include "Sql.h"

#include <QCryptographicHash>
#include <QDateTime>

#include <algorithm>

namespace Trail {

namespace {

// The previous hash of the first row.
const QString kGenesis(64, QLatin1Char('0'));

const QString kColumns = QStringLiteral("id, ido, allomas, felhasznalo, sorszam, esemeny, regi, uj, elozo, hash");

Row rowOf(const QSqlQuery &q)
{
    Row r;
    r.id = q.value(0).toLongLong();
    r.ido = q.value(1).toString();
    r.allomas = q.value(2).toString();
    r.felhasznalo = q.value(3).toString();
    r.sorszam = q.value(4).toLongLong();
    r.esemeny = q.value(5).toString();
    r.regi = q.value(6).toString();
    r.uj = q.value(7).toString();
    r.elozo = q.value(8).toString();
    r.hash = q.value(9).toString();
    return r;
}

// Each field as its UTF-8 length and bytes, so no value can pass for a neighbour's.
void addField(QByteArray &out, const QString &value)
{
    const QByteArray bytes = value.toUtf8();
    out += QByteArray::number(bytes.size()) + ':' + bytes + ';';
}

} // namespace

QString describe(const Values &values)
{
    QStringList parts;
    for (const auto &[field, value] : values)
        parts.append(field + QLatin1Char('=') + value);
    return parts.join(QStringLiteral("; "));
}

std::pair<QString, QString> changes(const Values &before, const Values &after)
{
    Values was, now;
    for (const auto &[field, value] : after) {
        const auto old = std::find_if(before.cbegin(), before.cend(), [&](const auto &p) { return p.first == field; });
        const QString oldValue = old == before.cend() ? QString() : old->second;
        if (oldValue != value) {
            was.append({field, oldValue});
            now.append({field, value});
        }
    }
    return {describe(was), describe(now)};
}

QString hashOf(const Row &row)
{
    QByteArray text;
    addField(text, QString::number(row.id));
    addField(text, row.ido);
    addField(text, row.allomas);
    addField(text, row.felhasznalo);
    addField(text, QString::number(row.sorszam));
    addField(text, row.esemeny);
    addField(text, row.regi);
    addField(text, row.uj);
    addField(text, row.elozo);
    return QString::fromLatin1(QCryptographicHash::hash(text, QCryptographicHash::Sha256).toHex());
}

void append(const QSqlDatabase &db, qint64 serial, const QString &what, const QString &before, const QString &after)
{
    // The counter row's update takes the lock that keeps two stations from appending after the same row (SQLite's
    // write transaction holds it already); the program's role may insert rows but never rewrite them.
    if (Sql::run(db, QStringLiteral("UPDATE naploszamlalo SET utolso = utolso + 1 WHERE id = 1")).numRowsAffected() != 1)
        throw DatabaseError(QStringLiteral("The trail counter (table naploszamlalo) has no row."));
    Row row;
    row.id = Sql::value(db, QStringLiteral("SELECT utolso FROM naploszamlalo WHERE id = 1")).toLongLong();
    // A row put in past the counter by hand must not block every later change.
    const qint64 largest = Sql::value(db, QStringLiteral("SELECT COALESCE(MAX(id), 0) FROM naplo")).toLongLong();
    if (row.id <= largest) {
        row.id = largest + 1;
        Sql::run(db, QStringLiteral("UPDATE naploszamlalo SET utolso = :n WHERE id = 1"), {{":n", row.id}});
    }
    const QVariant last =
        Sql::value(db, QStringLiteral("SELECT hash FROM naplo WHERE id = (SELECT MAX(id) FROM naplo)"));
    row.elozo = last.isValid() ? last.toString() : kGenesis;
    row.ido = Formats::dbDateTime(QDateTime::currentDateTime());
    row.allomas = gepnev();
    row.felhasznalo = felhasznalonev();
    row.sorszam = serial;
    row.esemeny = what;
    row.regi = before;
    row.uj = after;
    row.hash = hashOf(row);
    Sql::run(db,
             QStringLiteral("INSERT INTO naplo (%1) VALUES (:id, :ido, :allomas, :felhasznalo, :sorszam, :esemeny, "
                            ":regi, :uj, :elozo, :hash)")
                 .arg(kColumns),
             {{":id", row.id},
              {":ido", row.ido},
              {":allomas", row.allomas},
              {":felhasznalo", row.felhasznalo},
              {":sorszam", row.sorszam},
              {":esemeny", row.esemeny},
              {":regi", row.regi},
              {":uj", row.uj},
              {":elozo", row.elozo},
              {":hash", row.hash}});
}

void reprinted(const QSqlDatabase &db, qint64 serial)
{
    Transaction transaction(db);
    append(db, serial, QString::fromUtf8(kReprint), {}, {});
    transaction.commit();
}

void settingChanged(const QSqlDatabase &db, const QString &key, const QString &old, const QString &now)
{
    Transaction transaction(db);
    append(db, 0, QString::fromUtf8(kSetting), describe({{key, old}}), describe({{key, now}}));
    transaction.commit();
}

void gateCommand(const QSqlDatabase &db, const QString &point, const QString &state)
{
    Transaction transaction(db);
    append(db, 0, QString::fromUtf8(kGate), {}, describe({{point, state}}));
    transaction.commit();
}

Verdict verify(const QSqlDatabase &db)
{
    Verdict verdict;
    QSqlQuery q = Sql::run(db, QStringLiteral("SELECT %1 FROM naplo ORDER BY id").arg(kColumns));
    QString previous = kGenesis;
    qint64 expectedId = 1;
    const auto broken = [&](qint64 id, const QString &why) {
        verdict.brokenAt = id;
        verdict.message = QStringLiteral("A napló %1. sora nem egyezik: %2.").arg(id).arg(why);
        return verdict;
    };
    while (q.next()) {
        const Row row = rowOf(q);
        // The id is part of the hash, so a row moved to another place fails here or at its link.
        if (row.id != expectedId)
            return broken(expectedId, QStringLiteral("hiányzik, vagy a sorok sorrendje megváltozott"));
        if (row.elozo != previous)
            return broken(row.id, QStringLiteral("a lánc megszakadt (az előtte álló sort törölték vagy áthelyezték)"));
        if (hashOf(row) != row.hash)
            return broken(row.id, QStringLiteral("a tartalma megváltozott"));
        previous = row.hash;
        ++expectedId;
        ++verdict.rows;
    }
    Sql::checkRead(q, db);
    // Rows cut off the end leave no broken link behind; the counter still remembers them.
    const qint64 counted = Sql::value(db, QStringLiteral("SELECT utolso FROM naploszamlalo WHERE id = 1")).toLongLong();
    if (counted > verdict.rows)
        return broken(verdict.rows + 1, QStringLiteral("hiányzik a napló végéről (%1 sor volt)").arg(counted));
    verdict.pictureFindings = Pictures::verify(db);
    verdict.message = verdict.pictureFindings.isEmpty() ? QStringLiteral("A napló rendben: %1 sor.").arg(verdict.rows)
                                                        : verdict.pictureFindings.join(QLatin1Char('\n'));
    return verdict;
}

QList<Row> ofSerial(const QSqlDatabase &db, qint64 serial)
{
    QSqlQuery q = Sql::run(db, QStringLiteral("SELECT %1 FROM naplo WHERE sorszam = :s ORDER BY id").arg(kColumns),
                           {{":s", serial}});
    QList<Row> rows;
    while (q.next())
        rows.append(rowOf(q));
    Sql::checkRead(q, db);
    return rows;
}

} // namespace Trail
