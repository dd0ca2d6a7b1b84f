#include "MasterData.h"

#include "Formats.h"
#include "Sql.h"

#include <QSqlRecord>

namespace MasterData {

namespace {

QString text(const QSqlQuery &q, const char *field)
{
    const QVariant v = q.record().value(QLatin1String(field));
    return v.isNull() ? QString() : v.toString();
}

std::optional<Vehicle> vehicleWhere(const QSqlDatabase &db, const char *field, const QString &key)
{
    QSqlQuery q = Sql::run(db,
                           QStringLiteral("SELECT id, rendszam, nev, cim1, cim2, cim3, tarasuly, taradatum FROM szallito "
                                          "WHERE %1 = :k ORDER BY id LIMIT 1")
                               .arg(QLatin1String(field)),
                           {{":k", key}});
    if (!q.next()) {
        Sql::checkRead(q, db);
        return std::nullopt;
    }
    return Vehicle{q.value(0).toLongLong(), text(q, "rendszam"), text(q, "nev"),
                   text(q, "cim1"),         text(q, "cim2"),     text(q, "cim3"),
                   text(q, "tarasuly"),     Formats::parseDbDateTime(text(q, "taradatum"))};
}

} // namespace

std::optional<Vehicle> vehicleByPlate(const QSqlDatabase &db, const QString &rendszam)
{
    return vehicleWhere(db, "rendszam", rendszam);
}

std::optional<Vehicle> vehicleByName(const QSqlDatabase &db, const QString &nev)
{
    return vehicleWhere(db, "nev", nev);
}

std::optional<Product> product(const QSqlDatabase &db, const QString &nev)
{
    QSqlQuery q = Sql::run(db,
                           QStringLiteral("SELECT id, nev, kod, kiszereles, egysegar FROM termek WHERE nev = :k "
                                          "ORDER BY id LIMIT 1"),
                           {{":k", nev}});
    if (!q.next()) {
        Sql::checkRead(q, db);
        return std::nullopt;
    }
    return Product{q.value(0).toLongLong(), text(q, "nev"), text(q, "kod"), text(q, "kiszereles"),
                   q.value(4).toDouble()};
}

std::optional<Customer> customer(const QSqlDatabase &db, const QString &nev)
{
    QSqlQuery q = Sql::run(db,
                           QStringLiteral("SELECT id, nev, cim1, cim2, cim3 FROM ugyfel WHERE nev = :k "
                                          "ORDER BY id LIMIT 1"),
                           {{":k", nev}});
    if (!q.next()) {
        Sql::checkRead(q, db);
        return std::nullopt;
    }
    return Customer{q.value(0).toLongLong(), text(q, "nev"), text(q, "cim1"), text(q, "cim2"), text(q, "cim3")};
}

std::optional<qint64> warehouse(const QSqlDatabase &db, const QString &raktar)
{
    const QVariant id =
        Sql::value(db, QStringLiteral("SELECT id FROM raktar WHERE raktar = :k ORDER BY id LIMIT 1"),
                   {{":k", raktar}});
    if (!id.isValid())
        return std::nullopt;
    return id.toLongLong();
}

void saveVehicle(const QSqlDatabase &db, const Vehicle &v)
{
    if (const auto found = vehicleByPlate(db, v.rendszam)) {
        Sql::run(db,
                 QStringLiteral("UPDATE szallito SET rendszam = :r, nev = :n, cim1 = :c1, cim2 = :c2, cim3 = :c3, "
                                "tarasuly = 0, taradatum = '' WHERE id = :id"),
                 {{":r", v.rendszam}, {":n", v.nev}, {":c1", v.cim1}, {":c2", v.cim2}, {":c3", v.cim3},
                  {":id", found->rowId}});
        return;
    }
    Sql::run(db,
             QStringLiteral("INSERT INTO szallito (rendszam, nev, cim1, cim2, cim3, tarasuly) "
                            "VALUES (:r, :n, :c1, :c2, :c3, 0)"),
             {{":r", v.rendszam}, {":n", v.nev}, {":c1", v.cim1}, {":c2", v.cim2}, {":c3", v.cim3}});
}

void saveProduct(const QSqlDatabase &db, const Product &p)
{
    if (const auto found = product(db, p.nev)) {
        Sql::run(db,
                 QStringLiteral("UPDATE termek SET nev = :n, kod = :k, kiszereles = :ki, egysegar = :e "
                                "WHERE id = :id"),
                 {{":n", p.nev}, {":k", p.kod}, {":ki", p.kiszereles}, {":e", p.egysegar}, {":id", found->rowId}});
        return;
    }
    Sql::run(db,
             QStringLiteral("INSERT INTO termek (nev, kod, kiszereles, egysegar) VALUES (:n, :k, :ki, :e)"),
             {{":n", p.nev}, {":k", p.kod}, {":ki", p.kiszereles}, {":e", p.egysegar}});
}

void saveCustomer(const QSqlDatabase &db, const Customer &c)
{
    if (const auto found = customer(db, c.nev)) {
        Sql::run(db,
                 QStringLiteral("UPDATE ugyfel SET nev = :n, cim1 = :c1, cim2 = :c2, cim3 = :c3 WHERE id = :id"),
                 {{":n", c.nev}, {":c1", c.cim1}, {":c2", c.cim2}, {":c3", c.cim3}, {":id", found->rowId}});
        return;
    }
    Sql::run(db, QStringLiteral("INSERT INTO ugyfel (nev, cim1, cim2, cim3) VALUES (:n, :c1, :c2, :c3)"),
             {{":n", c.nev}, {":c1", c.cim1}, {":c2", c.cim2}, {":c3", c.cim3}});
}

void addWarehouse(const QSqlDatabase &db, const QString &raktar)
{
    Sql::run(db, QStringLiteral("INSERT INTO raktar (raktar) VALUES (:r)"), {{":r", raktar}});
}

bool remove(const QSqlDatabase &db, const char *table, qint64 rowId, const QString &key)
{
    const QLatin1String name(table);
    const QLatin1String keyColumn(name == QLatin1String("szallito") ? "rendszam"
                                  : name == QLatin1String("raktar") ? "raktar"
                                                                    : "nev");
    return Sql::run(db, QStringLiteral("DELETE FROM %1 WHERE id = :id AND %2 = :k").arg(name, keyColumn),
                    {{":id", rowId}, {":k", key}})
               .numRowsAffected() == 1;
}

bool saveTare(const QSqlDatabase &db, qint64 rowId, const QString &plate, qint64 tare, const QDateTime &now)
{
    return Sql::run(db,
                    QStringLiteral("UPDATE szallito SET tarasuly = :t, taradatum = :d WHERE id = :id AND rendszam = :r"),
                    {{":t", tare}, {":d", Formats::dbDateTime(now)}, {":id", rowId}, {":r", plate}})
               .numRowsAffected() == 1;
}

void clearTares(const QSqlDatabase &db)
{
    Sql::run(db, QStringLiteral("UPDATE szallito SET tarasuly = 0, taradatum = ''"));
}

std::optional<Refusal> tareExpiry(const QDateTime &stored, int validDays, const QDateTime &now)
{
    if (validDays <= 0)
        return std::nullopt;
    // A tare from before tares were dated may be any age.
    if (!stored.isValid())
        return Refusal{QString::fromUtf8(kTareUndated), QStringLiteral("rendszam")};
    const QDateTime expires = stored.addDays(validDays);
    if (now <= expires)
        return std::nullopt;
    return Refusal{QString::fromUtf8(kTareExpired).arg(Formats::dateTime(stored), Formats::dateTime(expires)),
                   QStringLiteral("rendszam")};
}

std::variant<QString, Refusal> recallTare(const QSqlDatabase &db, const QString &plate, int validDays,
                                          const QDateTime &now)
{
    const auto vehicle = vehicleByPlate(db, plate);
    if (!vehicle)
        return Refusal{QString::fromUtf8(kNoStoredTare), QStringLiteral("rendszam")};
    const qint64 tare = vehicle->tarasuly.toLongLong();
    // No stored tare recalls as "0", which no weighing accepts; only a real tare can be too old.
    if (tare != 0) {
        if (auto refusal = tareExpiry(vehicle->taradatum, validDays, now))
            return *refusal;
    }
    return vehicle->tarasuly.isEmpty() ? QStringLiteral("0") : vehicle->tarasuly;
}

} // namespace MasterData
