#include "SerialCounter.h"

#include "Sql.h"

namespace SerialCounter {

qint64 next(const QSqlDatabase &db)
{
    // The update comes first so that it takes the row lock before anything is read.
    if (Sql::run(db, QStringLiteral("UPDATE sorszamlalo SET utolso = utolso + 1 WHERE id = 1")).numRowsAffected() != 1)
        throw DatabaseError(QStringLiteral("The serial number counter (table sorszamlalo) has no row."));
    qint64 number = Sql::value(db, QStringLiteral("SELECT utolso FROM sorszamlalo WHERE id = 1")).toLongLong();
    // Tickets written past the counter (by hand, or a file restored from elsewhere) must not be numbered twice.
    const qint64 largest =
        Sql::value(db, QStringLiteral("SELECT COALESCE(MAX(sorszam), 0) FROM szallitasok")).toLongLong();
    if (number <= largest) {
        number = largest + 1;
        Sql::run(db, QStringLiteral("UPDATE sorszamlalo SET utolso = :n WHERE id = 1"), {{":n", number}});
    }
    return number;
}

} // namespace SerialCounter
