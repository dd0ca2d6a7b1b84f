#include "FirstWeighing.h"

#include "Formats.h"
#include "InProgress.h"
#include "Sql.h"

namespace FirstWeighing {

namespace {

Outcome refused(const char *message, const char *field)
{
    return {Outcome::Status::Refused, Refusal{QString::fromUtf8(message), QString::fromLatin1(field)}, 0};
}

} // namespace

std::optional<qint64> parseWeight(const QString &text)
{
    if (text.isEmpty())
        return 0;
    bool ok = false;
    const qint64 w = text.toLongLong(&ok, 10);
    if (!ok || w < INT32_MIN || w > INT32_MAX)
        return std::nullopt;
    return w;
}

Outcome record(const QSqlDatabase &db, const Input &in, qint64 maxsuly,
               const std::function<OverwriteAnswer()> &askOverwrite, const QDateTime &now)
{
    if (in.rendszam.isEmpty())
        return refused(kPlateRequired, "rendszam");
    if (in.nev.isEmpty())
        return refused(kNameRequired, "nev");
    if (in.ugyfelnev.isEmpty())
        return refused(kCustomerRequired, "ugyfelnev");
    if (in.termeknev.isEmpty())
        return refused(kProductRequired, "termeknev");

    // A lone "-" is no weight: refuse it instead of failing on the conversion.
    const std::optional<qint64> typed = parseWeight(in.suly1);
    if (!typed)
        return refused(kWeightRequired, "suly1");
    qint64 weight = *typed;
    if (weight > maxsuly)
        return refused(kWeightNotAllowed, "suly1");

    // The question comes before the write transaction (no lock is held while the operator thinks); what was asked
    // about is checked again inside it.
    const std::optional<InProgress::Row> found = InProgress::find(db, in.rendszam);
    // Only the weight on the scale now needs a live link; "Előző mérés" keeps the stored one.
    const OverwriteAnswer answer = found ? askOverwrite() : OverwriteAnswer::Current;
    if (answer == OverwriteAnswer::Current && !in.scaleRefusal.isEmpty())
        return {Outcome::Status::Refused, {in.scaleRefusal, QStringLiteral("suly1")}, 0};
    if (answer == OverwriteAnswer::Current && !in.weightLive)
        return refused(kNoScaleWeight, "suly1");
    bool keepsStoredWeight = false;
    QString mark = WeightMark::of(in.origin);
    if (found) {
        switch (answer) {
        case OverwriteAnswer::Cancel:
            return {Outcome::Status::Cancelled, {}, 0};
        case OverwriteAnswer::Previous:
            weight = found->suly1;
            mark = found->jel1;
            keepsStoredWeight = true;
            break;
        case OverwriteAnswer::Current:
            break;
        }
        if (weight <= 0)
            return refused(kWeightRequired, "");
    }

    bool priceOk = false;
    const double price = in.egysegar.isEmpty() ? 0.0 : Formats::parseNumber(in.egysegar, &priceOk);
    InProgress::Row row;
    row.rendszam = in.rendszam;
    row.cegnev = in.nev;
    row.cim1 = in.cim1;
    row.cim2 = in.cim2;
    row.cim3 = in.cim3;
    row.termeknev = in.termeknev;
    row.termekkod = in.termekkod;
    row.kiszereles = in.kiszereles;
    row.irany = in.irany;
    row.suly1 = weight;
    row.bedatum = now;
    row.ugyfelnev = in.ugyfelnev;
    row.ugyfelcim1 = in.ugyfelcim1;
    row.ugyfelcim2 = in.ugyfelcim2;
    row.ugyfelcim3 = in.ugyfelcim3;
    row.egysegar = in.egysegar.isEmpty() || !priceOk ? 0.0 : price;
    row.kezi = in.kezi;
    row.jel1 = mark;

    Transaction transaction(db);
    const std::optional<InProgress::Row> current = InProgress::findLocked(db, in.rendszam);
    if (found && !current)
        return refused(kPlateNotFound, "rendszam"); // finished or deleted on another station meanwhile
    // Recorded on another station meanwhile (the operator was not asked), or replaced there, or re-weighed there
    // while the operator chose to keep the earlier weight.
    const bool changed = found ? current->rowId != found->rowId || (keepsStoredWeight && current->suly1 != found->suly1)
                               : current.has_value();
    if (changed)
        return refused(InProgress::kChangedElsewhere, "rendszam");
    row.rowId = current ? current->rowId : 0;
    // A server lets two stations append the same new plate at once; the later one finds it taken when it writes.
    if (!InProgress::write(db, row))
        return refused(row.rowId != 0 ? kPlateNotFound : InProgress::kChangedElsewhere, "rendszam");
    if (row.rowId != 0 && !keepsStoredWeight) {
        Pictures::replaceInProgress(db, row.rowId, in.pictures);
    } else if (row.rowId == 0 && !in.pictures.isEmpty()) {
        const std::optional<InProgress::Row> added = InProgress::findLocked(db, in.rendszam);
        if (!added)
            throw DatabaseError(QString::fromUtf8(kPlateNotFound));
        Pictures::replaceInProgress(db, added->rowId, in.pictures);
    }
    transaction.commit();
    return {Outcome::Status::Saved, {}, weight};
}

} // namespace FirstWeighing
