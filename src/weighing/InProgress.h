#pragma once

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>

#include <optional>

// Rows of folyamatban: transports weighed once, one row per licence plate.
namespace InProgress {

struct Row {
    qint64 rowId = 0;
    QString rendszam, cegnev, cim1, cim2, cim3;
    QString ugyfelnev, ugyfelcim1, ugyfelcim2, ugyfelcim3;
    QString termeknev, termekkod, kiszereles;
    int irany = 0;
    qint64 suly1 = 0;
    QDateTime bedatum;
    double egysegar = 0;
    bool kezi = false;
    QString jel1; // how the weight was taken: "" the scale, "K" keyed in, "T" recalled tare
};

// Said when the plate's row changed on another station between what the operator confirmed and the save.
inline constexpr char kChangedElsewhere[] =
    "Adatbázis hiba: A szállítás adatait időközben egy másik állomás megváltoztatta ! Próbálja újra !";

std::optional<Row> find(const QSqlDatabase &db, const QString &rendszam);
// The same inside a write transaction: the row read stays as read until the transaction ends.
std::optional<Row> findLocked(const QSqlDatabase &db, const QString &rendszam);
qint64 count(const QSqlDatabase &db);

// Writes every field of the row: appended when rowId is 0, else the row of that id and plate is replaced. Returns
// false, changing nothing, when that row is no longer there, or when another station has just appended the plate.
bool write(const QSqlDatabase &db, const Row &row);

// The row commands of the main window; each returns false when the plate's row is not there (another station
// may have finished it), changing nothing.
bool swapDirection(const QSqlDatabase &db, const QString &rendszam);
bool remove(const QSqlDatabase &db, const QString &rendszam);
// A weight from the scale: the row's weight mark is cleared with it.
bool reweigh(const QSqlDatabase &db, const QString &rendszam, qint64 suly1);
void removeAll(const QSqlDatabase &db);

} // namespace InProgress
