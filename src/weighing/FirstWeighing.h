#pragma once

#include "OverwriteAnswer.h"
#include "Pictures.h"
#include "Refusal.h"
#include "WeightOrigin.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>

#include <functional>
#include <optional>

// Recording the first weighing of a transport: one row per plate in folyamatban, a second first weighing of a
// plate still on the bridge overwrites it after the operator's answer.
namespace FirstWeighing {

inline constexpr char kPlateRequired[] = "Rendszám megadása kötelező !";
inline constexpr char kNameRequired[] = "Név megadása kötelező !";
inline constexpr char kCustomerRequired[] = "Ügyfél megadása kötelező !";
inline constexpr char kProductRequired[] = "Termék megadása kötelező !";
inline constexpr char kWeightRequired[] = "Súly megadása kötelező !";
inline constexpr char kWeightNotAllowed[] = "A mért tömeg elfogadása nem engedélyezett !";
// The weight box holds a scale weight, but the scale link has fallen silent: the weight may be minutes old.
inline constexpr char kNoScaleWeight[] = "Nincs kapcsolat a mérleggel, a súly nem vehető át !";
inline constexpr char kPlateNotFound[] = "Adatbázis hiba: A megadott rendszám nem található !";

struct Input {
    QString rendszam, nev, cim1, cim2, cim3;
    QString ugyfelnev, ugyfelcim1, ugyfelcim2, ugyfelcim3;
    QString termeknev, termekkod, kiszereles;
    QString egysegar; // text of the unit price box; empty counts as 0
    QString suly1;    // text of the weight box; empty counts as 0
    int irany = 0;
    bool kezi = false;
    bool weightLive = true; // typed by hand, or from a scale link that is alive
    // Why the scale's weight may not be taken (over- or underload, not at rest); empty when it may or when the
    // weight was typed by hand.
    QString scaleRefusal;
    WeightOrigin origin = WeightOrigin::Scale; // where suly1 came from; marks the ticket
    // The cameras' pictures of this weighing; none when no camera is set up.
    Pictures::Shots pictures;
};

struct Outcome {
    enum class Status { Saved, Refused, Cancelled };
    Status status = Status::Saved;
    Refusal refusal;
    qint64 weight = 0; // the weight recorded
};

// A weight box's text as whole kilograms: empty is 0; anything else that is not a whole number (a lone "-")
// is nothing.
std::optional<qint64> parseWeight(const QString &text);

// Checks, asks when the plate is already in progress, and writes the row with its pictures. Overwriting the plate's
// row with the weight now on the scale replaces the row's pictures with these; keeping the earlier weight keeps
// the earlier pictures, which show it.
Outcome record(const QSqlDatabase &db, const Input &in, qint64 maxsuly,
               const std::function<OverwriteAnswer()> &askOverwrite, const QDateTime &now);

} // namespace FirstWeighing
