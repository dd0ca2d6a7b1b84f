#pragma once

#include "Pictures.h"
#include "Refusal.h"
#include "Settlement.h"
#include "WeightOrigin.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>

// Finishing a transport: the checks, the settlement, and the move from folyamatban to szallitasok as one
// transaction under the next serial number; the first weighing's pictures move to the serial with it, the second
// weighing's are stored under it, and each gets its trail row.
namespace Finishing {

inline constexpr char kPlateNotValid[] = "A rendszám nem megfelelő !";
inline constexpr char kWarehouseRequired[] = "A Raktár megadása kötelező !";
inline constexpr char kWeightRequired[] = "Súly megadása kötelező !";
inline constexpr char kWeightNotAllowed[] = "A mért tömeg elfogadása nem engedélyezett !";
inline constexpr char kPlateNotFound[] = "Adatbázis hiba: A megadott rendszám nem található !";
inline constexpr char kPurityRange[] = "A tisztaságnak 1 és 100% között kell lennie !";
inline constexpr char kMoistureRange[] = "A víztartalomnak 0 és 100% között kell lennie !";
inline constexpr char kExpectedMoistureRange[] = "Az elvárt víztartalomnak 0 és 100% között kell lennie !";
inline constexpr char kZeroQuestion[] =
    "A két mérési eredmény megeggyezik, a számított tömeg értéke nulla. Folytatja ?";

struct Input {
    QString rendszam;
    QString suly2;       // weight box text; empty counts as 0
    QString raktar;
    QString tisztasag;   // empty counts as 100
    QString viztartalom; // empty counts as 0
    QString elvartviz;   // empty counts as 0
    QString megjegyzes, ugyirat, tablanev, parcella, tablasorszam;
    bool kezi = false;   // the second weight was entered by hand
    bool weightLive = true; // typed by hand, or from a scale link that is alive
    // Why the scale's weight may not be taken (over- or underload, not at rest); empty when it may or when the
    // weight was typed by hand.
    QString scaleRefusal;
    WeightOrigin origin = WeightOrigin::Scale; // where suly2 came from; marks the ticket
    QString felhasznalo;
    // The cameras' pictures of the second weighing; none when no camera is set up.
    Pictures::Shots pictures;
};

struct Outcome {
    enum class Status { Saved, Refused, Cancelled };
    Status status = Status::Saved;
    Refusal refusal;
    qint64 sorszam = 0;
    Settlement::Result settlement;
};

// plates: the plate list the window offered (a typed plate must be one of them, case aside).
// askZero: asked when the settled or the net weight is 0; false cancels.
// clock: the time of the ticket, read once the serial number is taken, so that serial numbers and finishing times
// run in the same order across stations.
Outcome finish(const QSqlDatabase &db, const Input &in, const QStringList &plates, qint64 maxsuly,
               const std::function<bool(const QString &)> &askZero, const std::function<QDateTime()> &clock);
// The same, dated now.
Outcome finish(const QSqlDatabase &db, const Input &in, const QStringList &plates, qint64 maxsuly,
               const std::function<bool(const QString &)> &askZero, const QDateTime &now);

} // namespace Finishing
