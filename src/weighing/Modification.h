#pragma once

#include "Refusal.h"

#include <QSqlDatabase>
#include <QString>

#include <optional>

// Changing the descriptive fields of a finished ticket; weights and amounts are never touched.
namespace Modification {

inline constexpr char kPlateRequired[] = "Rendszám megadása kötelező !";
inline constexpr char kTicketNotFound[] =
    "Adatbázis hiba: A módosítandó szállítás nem található, a változások nem lettek mentve !";

struct Fields {
    QString rendszam, raktar, ugyirat, megjegyzes, kiszereles, tablanev, parcella, tablasorszam, termeknev, termekkod;
};

// Writes the fields into the ticket of the serial number and marks it modified; with keepUnmarked (Shift held
// at OK) the mark is cleared instead. Returns the refusal, or nothing when saved.
std::optional<Refusal> apply(const QSqlDatabase &db, qint64 sorszam, const Fields &f, bool keepUnmarked);

} // namespace Modification
