#include "Modification.h"

#include "Sql.h"

namespace Modification {

std::optional<Refusal> apply(const QSqlDatabase &db, qint64 sorszam, const Fields &f, bool keepUnmarked)
{
    if (f.rendszam.isEmpty())
        return Refusal{QString::fromUtf8(kPlateRequired), QStringLiteral("rendszam")};
    const QSqlQuery q =
        Sql::run(db,
                 QStringLiteral("UPDATE szallitasok SET rendszam = :rendszam, raktar = :raktar, ugyirat = :ugyirat, "
                                "megjegyzes = :megjegyzes, kiszereles = :kiszereles, tablanev = :tablanev, "
                                "parcella = :parcella, tablasorszam = :tablasorszam, termeknev = :termeknev, "
                                "termekkod = :termekkod, modositott = :modositott WHERE sorszam = :sorszam"),
                 {{":rendszam", f.rendszam},
                  {":raktar", f.raktar},
                  {":ugyirat", f.ugyirat},
                  {":megjegyzes", f.megjegyzes},
                  {":kiszereles", f.kiszereles},
                  {":tablanev", f.tablanev},
                  {":parcella", f.parcella},
                  {":tablasorszam", f.tablasorszam},
                  {":termeknev", f.termeknev},
                  {":termekkod", f.termekkod},
                  {":modositott", !keepUnmarked},
                  {":sorszam", sorszam}});
    // Deleted elsewhere (the master data editor, another station) after the window read it.
    if (q.numRowsAffected() != 1)
        return Refusal{QString::fromUtf8(kTicketNotFound), QString()};
    return std::nullopt;
}

} // namespace Modification
