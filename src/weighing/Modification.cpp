#include "Modification.h"

#include "Outbox.h"
#include "Sql.h"
#include "Trail.h"

namespace Modification {

std::optional<Refusal> apply(const QSqlDatabase &db, qint64 sorszam, const Fields &f, bool keepUnmarked)
{
    if (f.rendszam.isEmpty())
        return Refusal{QString::fromUtf8(kPlateRequired), QStringLiteral("rendszam")};
    Transaction transaction(db);
    // The ticket as it was, read under the write lock so the trail shows what this change replaced.
    static const QStringList kFields = {QStringLiteral("rendszam"),   QStringLiteral("raktar"),
                                        QStringLiteral("ugyirat"),    QStringLiteral("megjegyzes"),
                                        QStringLiteral("kiszereles"), QStringLiteral("tablanev"),
                                        QStringLiteral("parcella"),   QStringLiteral("tablasorszam"),
                                        QStringLiteral("termeknev"),  QStringLiteral("termekkod")};
    Trail::Values before;
    {
        QSqlQuery old = Sql::run(db,
                                 QStringLiteral("SELECT %1 FROM szallitasok WHERE sorszam = :s")
                                         .arg(kFields.join(QStringLiteral(", "))) +
                                     Sql::lockClause(db),
                                 {{":s", sorszam}});
        if (old.next()) {
            for (int i = 0; i < kFields.size(); ++i)
                before.append({kFields.at(i), old.value(i).toString()});
        }
        Sql::checkRead(old, db);
    }
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
    const Trail::Values after = {{kFields.at(0), f.rendszam},    {kFields.at(1), f.raktar},
                                 {kFields.at(2), f.ugyirat},     {kFields.at(3), f.megjegyzes},
                                 {kFields.at(4), f.kiszereles},  {kFields.at(5), f.tablanev},
                                 {kFields.at(6), f.parcella},    {kFields.at(7), f.tablasorszam},
                                 {kFields.at(8), f.termeknev},   {kFields.at(9), f.termekkod}};
    const auto [was, now] = Trail::changes(before, after);
    Trail::append(db, sorszam, QString::fromUtf8(Trail::kModification), was, now);
    Outbox::append(db, Outbox::Event::Modified, sorszam);
    transaction.commit();
    return std::nullopt;
}

} // namespace Modification
