#include "InProgress.h"

#include "Formats.h"
#include "Sql.h"
#include "Trail.h"

#include <QSqlError>
#include <QSqlRecord>

#include <functional>

namespace InProgress {

namespace {

std::optional<Row> select(const QSqlDatabase &db, const QString &rendszam, const QString &lock)
{
    QSqlQuery q = Sql::run(db,
                           QStringLiteral("SELECT id, rendszam, cegnev, cim1, cim2, cim3, ugyfelnev, ugyfelcim1, "
                                          "ugyfelcim2, ugyfelcim3, termeknev, termekkod, kiszereles, irany, suly1, "
                                          "bedatum, egysegar, kezi, jel1 FROM folyamatban WHERE rendszam = :r LIMIT 1") +
                               lock,
                           {{":r", rendszam}});
    if (!q.next()) {
        Sql::checkRead(q, db);
        return std::nullopt;
    }
    const auto s = [&](int i) { return q.value(i).toString(); };
    Row r;
    r.rowId = q.value(0).toLongLong();
    r.rendszam = s(1);
    r.cegnev = s(2);
    r.cim1 = s(3);
    r.cim2 = s(4);
    r.cim3 = s(5);
    r.ugyfelnev = s(6);
    r.ugyfelcim1 = s(7);
    r.ugyfelcim2 = s(8);
    r.ugyfelcim3 = s(9);
    r.termeknev = s(10);
    r.termekkod = s(11);
    r.kiszereles = s(12);
    r.irany = q.value(13).toInt();
    r.suly1 = q.value(14).toLongLong();
    r.bedatum = Formats::parseDbDateTime(s(15));
    r.egysegar = q.value(16).toDouble();
    r.kezi = q.value(17).toInt() != 0;
    r.jel1 = s(18);
    return r;
}

const QStringList &shownFields()
{
    static const QStringList kShown = {QStringLiteral("rendszam"),  QStringLiteral("cegnev"),
                                       QStringLiteral("ugyfelnev"), QStringLiteral("termeknev"),
                                       QStringLiteral("irany"),     QStringLiteral("suly1"),
                                       QStringLiteral("bedatum")};
    return kShown;
}

// The trail's view of the row seen, read under the transaction's lock; nothing when it is not there as seen.
std::optional<Trail::Values> lockSeen(const QSqlDatabase &db, const Seen &seen)
{
    if (seen.rowId == 0)
        return std::nullopt;
    // A row without a time (loaded by hand) is seen as such.
    const QString time = seen.bedatum.isValid() ? QStringLiteral("bedatum = :t") : QStringLiteral("bedatum IS NULL");
    QSqlQuery q(db);
    if (!q.prepare(QStringLiteral("SELECT %1 FROM folyamatban WHERE id = :id AND rendszam = :r AND suly1 = :w AND %2")
                       .arg(shownFields().join(QStringLiteral(", ")), time) +
                   Sql::lockClause(db)))
        throw DatabaseError(Sql::errorText(q.lastError(), db));
    Sql::bind(q, QStringLiteral(":id"), seen.rowId);
    Sql::bind(q, QStringLiteral(":r"), seen.rendszam);
    Sql::bind(q, QStringLiteral(":w"), seen.suly1);
    if (seen.bedatum.isValid())
        Sql::bind(q, QStringLiteral(":t"), Formats::dbDateTime(seen.bedatum));
    if (!q.exec())
        throw DatabaseError(Sql::errorText(q.lastError(), db));
    if (!q.next()) {
        Sql::checkRead(q, db);
        return std::nullopt;
    }
    Trail::Values values;
    for (int i = 0; i < shownFields().size(); ++i)
        values.append({shownFields().at(i), q.value(i).toString()});
    return values;
}

Trail::Values with(Trail::Values values, const QString &field, const QString &value)
{
    for (auto &[name, v] : values) {
        if (name == field)
            v = value;
    }
    return values;
}

// Runs change on each row seen, with its trail row, all in one transaction; false, with nothing changed, when one
// of them is not there as seen. change gives the row's values after it (empty for a deletion).
bool changeSeen(const QSqlDatabase &db, const QList<Seen> &seen, const char *what,
                const std::function<Trail::Values(const Seen &, const Trail::Values &)> &change)
{
    Transaction transaction(db);
    for (const Seen &row : seen) {
        const std::optional<Trail::Values> before = lockSeen(db, row);
        if (!before)
            return false;
        const Trail::Values after = change(row, *before);
        if (after.isEmpty()) {
            Trail::append(db, 0, QString::fromUtf8(what), Trail::describe(*before), {});
        } else {
            const auto [old, now] = Trail::changes(*before, after);
            Trail::append(db, 0, QString::fromUtf8(what), old, now);
        }
    }
    transaction.commit();
    return true;
}

} // namespace

std::optional<Row> find(const QSqlDatabase &db, const QString &rendszam)
{
    return select(db, rendszam, QString());
}

std::optional<Row> findLocked(const QSqlDatabase &db, const QString &rendszam)
{
    return select(db, rendszam, Sql::lockClause(db));
}

qint64 count(const QSqlDatabase &db)
{
    return Sql::value(db, QStringLiteral("SELECT count(*) FROM folyamatban")).toLongLong();
}

bool write(const QSqlDatabase &db, const Row &r)
{
    const QString columns = QStringLiteral(
        "rendszam = :rendszam, cegnev = :cegnev, cim1 = :cim1, cim2 = :cim2, cim3 = :cim3, termeknev = :termeknev, "
        "termekkod = :termekkod, kiszereles = :kiszereles, irany = :irany, suly1 = :suly1, bedatum = :bedatum, "
        "ugyfelnev = :ugyfelnev, ugyfelcim1 = :ugyfelcim1, ugyfelcim2 = :ugyfelcim2, ugyfelcim3 = :ugyfelcim3, "
        "egysegar = :egysegar, kezi = :kezi, jel1 = :jel1");
    const QString sql =
        r.rowId != 0
            ? QStringLiteral("UPDATE folyamatban SET %1 WHERE id = :id AND rendszam = :plate").arg(columns)
            : QStringLiteral("INSERT INTO folyamatban (rendszam, cegnev, cim1, cim2, cim3, termeknev, termekkod, "
                             "kiszereles, irany, suly1, bedatum, ugyfelnev, ugyfelcim1, ugyfelcim2, ugyfelcim3, "
                             "egysegar, kezi, jel1) VALUES (:rendszam, :cegnev, :cim1, :cim2, :cim3, :termeknev, "
                             ":termekkod, :kiszereles, :irany, :suly1, :bedatum, :ugyfelnev, :ugyfelcim1, "
                             ":ugyfelcim2, :ugyfelcim3, :egysegar, :kezi, :jel1) ON CONFLICT DO NOTHING");
    QSqlQuery q(db);
    if (!q.prepare(sql))
        throw DatabaseError(q.lastError().text());
    Sql::bind(q, QStringLiteral(":rendszam"), r.rendszam);
    Sql::bind(q, QStringLiteral(":cegnev"), r.cegnev);
    Sql::bind(q, QStringLiteral(":cim1"), r.cim1);
    Sql::bind(q, QStringLiteral(":cim2"), r.cim2);
    Sql::bind(q, QStringLiteral(":cim3"), r.cim3);
    Sql::bind(q, QStringLiteral(":termeknev"), r.termeknev);
    Sql::bind(q, QStringLiteral(":termekkod"), r.termekkod);
    Sql::bind(q, QStringLiteral(":kiszereles"), r.kiszereles);
    Sql::bind(q, QStringLiteral(":irany"), r.irany);
    Sql::bind(q, QStringLiteral(":suly1"), r.suly1);
    Sql::bind(q, QStringLiteral(":bedatum"), r.bedatum.isValid() ? QVariant(Formats::dbDateTime(r.bedatum)) : QVariant());
    Sql::bind(q, QStringLiteral(":ugyfelnev"), r.ugyfelnev);
    Sql::bind(q, QStringLiteral(":ugyfelcim1"), r.ugyfelcim1);
    Sql::bind(q, QStringLiteral(":ugyfelcim2"), r.ugyfelcim2);
    Sql::bind(q, QStringLiteral(":ugyfelcim3"), r.ugyfelcim3);
    Sql::bind(q, QStringLiteral(":egysegar"), r.egysegar);
    Sql::bind(q, QStringLiteral(":kezi"), r.kezi);
    Sql::bind(q, QStringLiteral(":jel1"), r.jel1);
    if (r.rowId != 0) {
        Sql::bind(q, QStringLiteral(":id"), r.rowId);
        Sql::bind(q, QStringLiteral(":plate"), r.rendszam);
    }
    if (!q.exec())
        throw DatabaseError(q.lastError().text());
    return q.numRowsAffected() == 1;
}

bool swapDirection(const QSqlDatabase &db, const Seen &seen)
{
    return changeSeen(db, {seen}, Trail::kInProgressSwap, [&db](const Seen &row, const Trail::Values &before) {
        Sql::run(db, QStringLiteral("UPDATE folyamatban SET irany = CASE WHEN irany = 1 THEN 0 ELSE 1 END "
                                    "WHERE id = :id"),
                 {{":id", row.rowId}});
        const bool out = before.contains({QStringLiteral("irany"), QStringLiteral("1")});
        return with(before, QStringLiteral("irany"), out ? QStringLiteral("0") : QStringLiteral("1"));
    });
}

bool remove(const QSqlDatabase &db, const Seen &seen)
{
    return removeAll(db, {seen});
}

bool reweigh(const QSqlDatabase &db, const Seen &seen, qint64 suly1, const Pictures::Shots &pictures)
{
    return changeSeen(db, {seen}, Trail::kInProgressReweigh,
                      [&db, suly1, &pictures](const Seen &row, const Trail::Values &before) {
        Sql::run(db, QStringLiteral("UPDATE folyamatban SET suly1 = :w, jel1 = '' WHERE id = :id"),
                 {{":w", suly1}, {":id", row.rowId}});
        Pictures::replaceInProgress(db, row.rowId, pictures);
        return with(before, QStringLiteral("suly1"), QString::number(suly1));
    });
}

bool removeAll(const QSqlDatabase &db, const QList<Seen> &seen)
{
    return changeSeen(db, seen, Trail::kInProgressDeletion, [&db](const Seen &row, const Trail::Values &) {
        Sql::run(db, QStringLiteral("DELETE FROM folyamatban WHERE id = :id"), {{":id", row.rowId}});
        Pictures::removeInProgress(db, row.rowId);
        return Trail::Values();
    });
}

} // namespace InProgress
