#pragma once

#include "Pictures.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>

#include <QList>

#include <optional>
#include <utility>

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

// What the operator saw of a row: a command acts on that row only while it is still the one seen (same id, plate,
// first weight and time). Another station may have finished the truck and weighed it in again meanwhile.
struct Seen {
    Seen() = default;
    Seen(qint64 rowId, QString rendszam, qint64 suly1, QDateTime bedatum)
        : rowId(rowId), rendszam(std::move(rendszam)), suly1(suly1), bedatum(std::move(bedatum))
    {
    }
    Seen(const Row &row) // NOLINT(google-explicit-constructor): a row read is a row seen
        : Seen(row.rowId, row.rendszam, row.suly1, row.bedatum)
    {
    }
    qint64 rowId = 0;
    QString rendszam;
    qint64 suly1 = 0;
    QDateTime bedatum;
};

// The row commands of the main window, each in one transaction with its trail row. Each returns false, changing
// nothing, when the row seen is no longer there as seen (kChangedElsewhere is the operator's message then).
// A swapped direction keeps the row's pictures; a deleted row's pictures go with it.
bool swapDirection(const QSqlDatabase &db, const Seen &seen);
bool remove(const QSqlDatabase &db, const Seen &seen);
// A weight from the scale: the row's weight mark is cleared with it. It is a new first weighing: pictures replaces
// the row's pictures, which showed the earlier weight (none given: they are removed).
bool reweigh(const QSqlDatabase &db, const Seen &seen, qint64 suly1, const Pictures::Shots &pictures = {});
// Deletes the rows seen, all or none, with their pictures; a row weighed in since stays.
bool removeAll(const QSqlDatabase &db, const QList<Seen> &seen);

} // namespace InProgress
