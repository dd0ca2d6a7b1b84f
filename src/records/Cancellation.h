#pragma once

#include "Refusal.h"

#include <QSqlDatabase>
#include <QString>

#include <optional>

// Voiding a finished transport ("sztornó"): the row keeps its serial number, weights and amount; only its
// ervenyes flag goes false, which takes it out of the valid lists and the stock.
namespace Cancellation {

inline constexpr char kNoneSelected[] = "Válassza ki a sztornózandó szállítást !";
inline constexpr char kAlreadyCancelled[] = "Ez a szállítás már sztornózott !";
// The question before cancelling names the ticket, so that the operator knows which one goes.
QString question(qint64 serial);

enum class Check { Cancellable, AlreadyCancelled, NotFound };

// What cancelling the transport would meet (the window asks its question only for Cancellable).
Check check(const QSqlDatabase &db, qint64 serial);
// Cancels the transport, checking again inside the write. Returns the refusal for a cancelled one; a serial that is
// not there changes nothing and is reported as NotFound. Throws DatabaseError.
Check cancel(const QSqlDatabase &db, qint64 serial);
// The message for an outcome of check() or cancel(); empty for Cancellable and NotFound (nothing to say).
std::optional<Refusal> refusal(Check outcome);

} // namespace Cancellation
