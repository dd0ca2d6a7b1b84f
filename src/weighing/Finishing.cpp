#include "Finishing.h"

#include "FirstWeighing.h"
#include "Formats.h"
#include "InProgress.h"
#include "Outbox.h"
#include "SerialCounter.h"
#include "Sql.h"
#include "Transport.h"

namespace Finishing {

namespace {

Outcome refused(const char *message, const char *field)
{
    Outcome o;
    o.status = Outcome::Status::Refused;
    o.refusal = Refusal{QString::fromUtf8(message), QString::fromLatin1(field)};
    return o;
}

// A percentage box: empty gives the fallback; not a number gives nothing.
std::optional<double> percentage(const QString &text, double fallback)
{
    if (text.trimmed().isEmpty())
        return fallback;
    bool ok = false;
    const double v = Formats::parseNumber(text, &ok);
    return ok ? std::optional<double>(v) : std::nullopt;
}

} // namespace

Outcome finish(const QSqlDatabase &db, const Input &in, const QStringList &plates, qint64 maxsuly,
               const std::function<bool(const QString &)> &askZero, const QDateTime &now)
{
    return finish(db, in, plates, maxsuly, askZero, [&now] { return now; });
}

Outcome finish(const QSqlDatabase &db, const Input &in, const QStringList &plates, qint64 maxsuly,
               const std::function<bool(const QString &)> &askZero, const std::function<QDateTime()> &clock)
{
    if (!plates.contains(in.rendszam, Qt::CaseInsensitive))
        return refused(kPlateNotValid, "rendszam");
    if (in.raktar.isEmpty())
        return refused(kWarehouseRequired, "raktar");
    if (!in.scaleRefusal.isEmpty())
        return {Outcome::Status::Refused, {in.scaleRefusal, QStringLiteral("suly2")}, 0, {}};
    if (!in.weightLive)
        return refused(FirstWeighing::kNoScaleWeight, "suly2");
    // A lone "-" is no weight: refuse it instead of failing on the conversion.
    const std::optional<qint64> w2 = FirstWeighing::parseWeight(in.suly2);
    if (!w2 || *w2 <= 0)
        return refused(kWeightRequired, "suly2");
    if (*w2 > maxsuly)
        return refused(kWeightNotAllowed, "suly2");

    const std::optional<InProgress::Row> seen = InProgress::find(db, in.rendszam);
    if (!seen)
        return refused(kPlateNotFound, "rendszam");

    const std::optional<double> p = percentage(in.tisztasag, 100);
    if (!p || *p < 1 || *p > 100)
        return refused(kPurityRange, "tisztasag");
    const std::optional<double> m = percentage(in.viztartalom, 0);
    if (!m || *m < 0 || *m > 100)
        return refused(kMoistureRange, "viztartalom");
    const std::optional<double> x = percentage(in.elvartviz, 0);
    if (!x || *x < 0 || *x > 100)
        return refused(kExpectedMoistureRange, "elvartviz");

    const Settlement::Result s =
        Settlement::compute({seen->suly1, *w2, seen->irany, *p, *m, *x, seen->egysegar});
    if ((s.settled == 0 || s.net == 0) && !askZero(QString::fromUtf8(kZeroQuestion))) {
        Outcome o;
        o.status = Outcome::Status::Cancelled;
        return o;
    }

    // Another station may have finished, deleted or re-weighed the transport since the look-up above (the question
    // may have waited for the operator): the row is read again under the write lock, and the ticket is made from
    // that row only when it still holds the figures settled above.
    Transaction transaction(db);
    const std::optional<InProgress::Row> row = InProgress::findLocked(db, in.rendszam);
    if (!row)
        return refused(kPlateNotFound, "rendszam");
    if (row->rowId != seen->rowId || row->suly1 != seen->suly1 || row->irany != seen->irany ||
        row->egysegar != seen->egysegar)
        return refused(InProgress::kChangedElsewhere, "rendszam");

    Transport t;
    t.rendszam = row->rendszam;
    t.cegnev = row->cegnev;
    t.cim1 = row->cim1;
    t.cim2 = row->cim2;
    t.cim3 = row->cim3;
    t.termeknev = row->termeknev;
    t.termekkod = row->termekkod;
    t.kiszereles = row->kiszereles;
    t.suly1 = row->suly1;
    t.bedatum = row->bedatum;
    t.irany = row->irany;
    t.suly2 = *w2;
    t.ervenyes = true;
    t.elszamolt = s.settled;
    t.nettosuly = s.net;
    t.levontsuly = s.deducted;
    t.tisztasag = *p;
    t.viztartalom = *m;
    t.elvartviz = *x;
    t.megjegyzes = in.megjegyzes;
    t.ugyfelnev = row->ugyfelnev;
    t.ugyfelcim1 = row->ugyfelcim1;
    t.ugyfelcim2 = row->ugyfelcim2;
    t.ugyfelcim3 = row->ugyfelcim3;
    t.ugyirat = in.ugyirat;
    t.raktar = in.raktar;
    t.felhasznalo = in.felhasznalo;
    t.tablanev = in.tablanev;
    t.parcella = in.parcella;
    t.tablasorszam = in.tablasorszam;
    t.egysegar = row->egysegar;
    t.osszeg = s.amount;
    t.kezi = row->kezi || in.kezi;
    t.jel1 = row->jel1;
    t.jel2 = WeightMark::of(in.origin);
    t.modositott = false;

    // The ticket and the removal of the in-progress row stand or fall together, and the serial number comes from
    // the counter inside the same transaction. The row goes first: every station waits for the counter until the
    // holder commits, so the holder does as little as it can after taking it.
    const int removed = Sql::run(db, QStringLiteral("DELETE FROM folyamatban WHERE id = :id AND rendszam = :r"),
                                 {{":id", row->rowId}, {":r", row->rendszam}})
                            .numRowsAffected();
    if (removed != 1)
        return refused(kPlateNotFound, "rendszam");
    t.sorszam = SerialCounter::next(db);
    // Dated only now that the counter is locked: a station that took its number later cannot date its ticket
    // earlier, whatever it waited for.
    t.kidatum = clock();
    if (const QString error = t.insert(db); !error.isEmpty())
        throw DatabaseError(error);
    Pictures::finish(db, row->rowId, t.sorszam, in.pictures);
    Outbox::append(db, Outbox::Event::Finished, t.sorszam);
    transaction.commit();

    Outcome o;
    o.sorszam = t.sorszam;
    o.settlement = s;
    return o;
}

} // namespace Finishing
