#pragma once

#include "Refusal.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>

#include <optional>
#include <variant>

// The master tables the weighing windows keep: vehicles with their carrier (szallito), products (termek),
// customers (ugyfel) and warehouses (raktar). Each look-up returns the row with its id, so that a later
// delete removes exactly the row that was found.
namespace MasterData {

struct Vehicle {
    qint64 rowId = 0;
    QString rendszam, nev, cim1, cim2, cim3;
    QString tarasuly; // text of the stored tare; empty when none
    QDateTime taradatum; // when the tare was stored; invalid when unknown
};
struct Product {
    qint64 rowId = 0;
    QString nev, kod, kiszereles;
    double egysegar = 0;
};
struct Customer {
    qint64 rowId = 0;
    QString nev, cim1, cim2, cim3;
};

std::optional<Vehicle> vehicleByPlate(const QSqlDatabase &db, const QString &rendszam);
std::optional<Vehicle> vehicleByName(const QSqlDatabase &db, const QString &nev);
std::optional<Product> product(const QSqlDatabase &db, const QString &nev);
std::optional<Customer> customer(const QSqlDatabase &db, const QString &nev);
std::optional<qint64> warehouse(const QSqlDatabase &db, const QString &raktar);

// Saves edit a found row (by plate or name) or append one. Saving a vehicle always resets its stored tare to 0.
void saveVehicle(const QSqlDatabase &db, const Vehicle &v);
void saveProduct(const QSqlDatabase &db, const Product &p);
void saveCustomer(const QSqlDatabase &db, const Customer &c);
void addWarehouse(const QSqlDatabase &db, const QString &raktar);

// Removes the row of the given id from the named master table, only while it still holds the key it was found
// by (the plate or the name): another station may have deleted it and a new row taken its id. False when no row
// was removed.
bool remove(const QSqlDatabase &db, const char *table, qint64 rowId, const QString &key);

// Stores the tare of the vehicle row found by its plate, dated now; false when that row is no longer there.
bool saveTare(const QSqlDatabase &db, qint64 rowId, const QString &plate, qint64 tare,
              const QDateTime &now = QDateTime::currentDateTime());

inline constexpr char kNoStoredTare[] = "A kiválasztott rendszámhoz nem tartozik rögzített tárasúly !";
// %1 the time the tare was stored, %2 when it expired.
inline constexpr char kTareExpired[] =
    "A rendszám tárasúlya (rögzítve: %1) %2 óta lejárt, nem használható ! Mérje le az üres járművet.";
inline constexpr char kTareUndated[] =
    "A rendszám tárasúlyának rögzítési ideje ismeretlen, nem használható ! Mérje le az üres járművet.";

// Whether a tare stored at `stored` may still be recalled at now: validDays 0 keeps it for ever, otherwise it
// lasts validDays whole days from the moment it was stored. Nothing when it may; the refusal otherwise.
std::optional<Refusal> tareExpiry(const QDateTime &stored, int validDays, const QDateTime &now);

// The stored tare of the plate's vehicle as the weight box shows it ("0" when none was stored), or the refusal:
// no such vehicle, or a stored tare past its days.
std::variant<QString, Refusal> recallTare(const QSqlDatabase &db, const QString &plate, int validDays,
                                          const QDateTime &now);
// Sets every stored tare to 0.
void clearTares(const QSqlDatabase &db);

} // namespace MasterData
