#include "Cancellation.h"

#include "Outbox.h"
#include "RecordTexts.h"
#include "Sql.h"
#include "Trail.h"

namespace Cancellation {

namespace {

Check state(const QSqlDatabase &db, qint64 serial, const QString &lock)
{
    const QVariant valid =
        Sql::value(db, QStringLiteral("SELECT ervenyes FROM szallitasok WHERE sorszam = :s") + lock, {{":s", serial}});
    if (!valid.isValid())
        return Check::NotFound;
    return valid.toBool() ? Check::Cancellable : Check::AlreadyCancelled;
}

} // namespace

Check check(const QSqlDatabase &db, qint64 serial)
{
    return state(db, serial, {});
}

Check cancel(const QSqlDatabase &db, qint64 serial)
{
    // Another station may cancel the same row between the question and the answer.
    Transaction transaction(db);
    const Check now = state(db, serial, Sql::lockClause(db));
    if (now != Check::Cancellable)
        return now;
    Sql::run(db, QStringLiteral("UPDATE szallitasok SET ervenyes = FALSE WHERE sorszam = :s"), {{":s", serial}});
    Trail::append(db, serial, QString::fromUtf8(Trail::kCancellation), QStringLiteral("ervenyes=True"),
                  QStringLiteral("ervenyes=False"));
    Outbox::append(db, Outbox::Event::Cancelled, serial);
    transaction.commit();
    return Check::Cancellable;
}

QString question(qint64 serial)
{
    return QStringLiteral("Sztornózza a kijelölt, ") + RecordTexts::serial(serial) +
           QStringLiteral(" sorszámú szállítást ?");
}

std::optional<Refusal> refusal(Check outcome)
{
    if (outcome == Check::AlreadyCancelled)
        return Refusal{QString::fromUtf8(kAlreadyCancelled), {}};
    return std::nullopt;
}

} // namespace Cancellation
