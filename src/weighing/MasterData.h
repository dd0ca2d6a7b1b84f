#pragma once

#include <QSqlDatabase>
#include <QString>

#include <optional>

// The master tables the weighing windows keep: vehicles with their carrier (szallito), products (termek),
// customers (ugyfel) and warehouses (raktar). Each look-up returns the row with its id, so that a later
// delete removes exactly the row that was found.
namespace MasterData {

struct Vehicle {
    qint64 rowId = 0;
    QString rendszam, nev, cim1, cim2, cim3;
    QString tarasuly; // text of the stored tare; empty when none
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

// Stores the tare of the vehicle row found by its plate; false when that row is no longer there.
bool saveTare(const QSqlDatabase &db, qint64 rowId, const QString &plate, qint64 tare);
// Sets every stored tare to 0.
void clearTares(const QSqlDatabase &db);

} // namespace MasterData
