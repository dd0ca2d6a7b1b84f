#include "InProgress.h"

#include "Formats.h"
#include "Sql.h"
#include "Trail.h"

#include <QSqlError>
#include <QSqlRecord>

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

// Deletes the rows the condition picks (bound to :r), each with its trail row, in one transaction; the number gone.
qint64 removeRows(const QSqlDatabase &db, const QString &where, const QString &rendszam)
{
    static const QStringList kShown = {QStringLiteral("rendszam"),  QStringLiteral("cegnev"),
                                       QStringLiteral("ugyfelnev"), QStringLiteral("termeknev"),
                                       QStringLiteral("irany"),     QStringLiteral("suly1"),
                                       QStringLiteral("bedatum")};
    Transaction transaction(db);
    QSqlQuery q(db);
    if (!q.prepare(QStringLiteral("SELECT id, %1 FROM folyamatban").arg(kShown.join(QStringLiteral(", "))) + where +
                   QStringLiteral(" ORDER BY id") + Sql::lockClause(db)))
        throw DatabaseError(q.lastError().text());
    if (!where.isEmpty())
        Sql::bind(q, QStringLiteral(":r"), rendszam);
    if (!q.exec())
        throw DatabaseError(Sql::errorText(q.lastError(), db));
    // Read whole first: SQLite leaves a statement that reads rows being deleted undefined.
    QList<std::pair<QVariant, Trail::Values>> rows;
    while (q.next()) {
        Trail::Values values;
        for (int i = 0; i < kShown.size(); ++i)
            values.append({kShown.at(i), q.value(i + 1).toString()});
        rows.append({q.value(0), values});
    }
    Sql::checkRead(q, db);
    qint64 removed = 0;
    for (const auto &[id, values] : std::as_const(rows)) {
        removed += Sql::run(db, QStringLiteral("DELETE FROM folyamatban WHERE id = :id"), {{":id", id}})
                       .numRowsAffected();
        Trail::append(db, 0, QString::fromUtf8(Trail::kInProgressDeletion), Trail::describe(values), {});
    }
    transaction.commit();
    return removed;
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

bool swapDirection(const QSqlDatabase &db, const QString &rendszam)
{
    return Sql::run(db,
                    QStringLiteral("UPDATE folyamatban SET irany = CASE WHEN irany = 1 THEN 0 ELSE 1 END "
                                   "WHERE rendszam = :r"),
                    {{":r", rendszam}})
               .numRowsAffected() > 0;
}

bool remove(const QSqlDatabase &db, const QString &rendszam)
{
    return removeRows(db, QStringLiteral(" WHERE rendszam = :r"), rendszam) > 0;
}

bool reweigh(const QSqlDatabase &db, const QString &rendszam, qint64 suly1)
{
    return Sql::run(db, QStringLiteral("UPDATE folyamatban SET suly1 = :w, jel1 = '' WHERE rendszam = :r"),
                    {{":w", suly1}, {":r", rendszam}})
               .numRowsAffected() > 0;
}

void removeAll(const QSqlDatabase &db)
{
    removeRows(db, {}, {});
}

} // namespace InProgress
