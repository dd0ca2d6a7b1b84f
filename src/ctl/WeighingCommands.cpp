#include "Commands.h"

#include "Config.h"
#include "CsvExport.h"
#include "Finishing.h"
#include "FirstWeighing.h"
#include "Formats.h"
#include "GateModule.h"
#include "GatePosition.h"
#include "InProgress.h"
#include "InProgressModel.h"
#include "Invocation.h"
#include "Listatoltes.h"
#include "LiveLink.h"
#include "MasterData.h"
#include "Seged.h"
#include "Sql.h"

namespace {

// The time of the weighing: now, or the earlier time --at gives when earlier records are loaded. A time ahead of
// the clock would date every ticket the station makes until then before it, so it is refused.
QDateTime weighingTime(const CommandLine &args)
{
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime at = args.dateTime(QStringLiteral("--at"));
    if (!at.isValid())
        return now;
    if (at > now)
        throw Refused(QStringLiteral("--at %1 is later than now; it is for loading earlier records.")
                          .arg(Formats::dateTime(at)));
    return at;
}

// The finishing time of the last ticket, invalid when there is none.
QDateTime lastFinished(const QSqlDatabase &db)
{
    const QVariant last = Sql::value(db, QStringLiteral("SELECT MAX(kidatum) FROM szallitasok"));
    return last.isNull() ? QDateTime() : Formats::parseDbDateTime(last.toString());
}

constexpr int kDefaultWaitSeconds = 10;

// The weight the program folder's scale shows, waiting up to --wait seconds for one that may be taken (never over-
// or underload; at rest when only stable weights may be taken). An empty bridge shows zero or a little below before
// the truck is on: that is no weight yet, so the wait goes on for a load. A bridge still empty at the end is refused
// as a missing weight: a first weighing would otherwise store the empty bridge, which no one at the scale saw.
QString liveWeight(Invocation &call)
{
    const CommandLine &args = call.args();
    if (args.has(QStringLiteral("--at")) || args.has(QStringLiteral("--manual")))
        throw BadArguments(QStringLiteral("--live takes the scale's weight now: not with --at or --manual"));
    int seconds = kDefaultWaitSeconds;
    if (args.has(QStringLiteral("--wait"))) {
        bool ok = false;
        seconds = args.value(QStringLiteral("--wait")).toInt(&ok);
        if (!ok || seconds <= 0 || seconds > 3600)
            throw BadArguments(QStringLiteral("--wait takes a number of seconds from 1 to 3600"));
    }
    const bool stableRequired = call.config().boolean(Keys::stabilkell);
    // With [Opt] fenykapukell the light barriers must prove the vehicle stands wholly on the bridge; the module runs
    // in the same event loop as the scale link.
    const bool positionRequired = call.config().boolean(Keys::fenykapukell);
    std::unique_ptr<GateModule> gate;
    if (positionRequired) {
        gate = std::make_unique<GateModule>(GateSettings::fromConfig(call.config()));
        gate->start();
    }
    const auto positionRefusal = [&] {
        return gate ? GatePosition::check(positionRequired, *gate) : std::optional<Refusal>();
    };
    LiveLink live(call);
    WeightLink &link = live.link();
    const auto takeable = [&] {
        return link.liveWeight() && *link.liveWeight() > 0 && link.refusalToTake(stableRequired).isEmpty() &&
               !positionRefusal();
    };
    if (!live.waitFor(takeable, seconds * 1000)) {
        if (const QString refusal = link.refusalToTake(stableRequired); !refusal.isEmpty())
            throw Refused(refusal);
        if (!link.liveWeight())
            throw Refused(QString::fromUtf8(FirstWeighing::kNoScaleWeight));
        if (*link.liveWeight() <= 0)
            throw Refused(QString::fromUtf8(FirstWeighing::kWeightRequired));
        if (const auto refusal = positionRefusal())
            throw Refused(refusal->message);
    }
    return QString::number(*link.liveWeight());
}

// Where a weight of an earlier record came from, as the record being loaded says: --origin.
WeightOrigin loadedOrigin(const CommandLine &args)
{
    if (!args.has(QStringLiteral("--origin")))
        return WeightOrigin::Keyed;
    // Only a record of the past has an origin to tell; a weighing now proves its own (--live, --tare).
    if (!args.has(QStringLiteral("--weight")) || !args.has(QStringLiteral("--at")))
        throw BadArguments(QStringLiteral("--origin goes with --weight and --at, for loading earlier records"));
    const QString origin = args.choice(QStringLiteral("--origin"), {QStringLiteral("keyed"), QStringLiteral("scale"),
                                                                    QStringLiteral("tare")});
    return origin == u"scale" ? WeightOrigin::Scale : origin == u"tare" ? WeightOrigin::Recalled : WeightOrigin::Keyed;
}

// The weight of a weighing command: --weight KG is keyed in (unless --origin tells otherwise for an earlier record);
// --tare recalls the vehicle's stored tare, refused as the window refuses it (no vehicle, or a tare past [Opt]
// taralejar days); --live takes the scale's.
std::pair<QString, WeightOrigin> commandWeight(Invocation &call, const QString &plate)
{
    const CommandLine &args = call.args();
    const bool tare = args.has(QStringLiteral("--tare"));
    const bool live = args.has(QStringLiteral("--live"));
    if (int(tare) + int(live) + int(args.has(QStringLiteral("--weight"))) != 1)
        throw BadArguments(QStringLiteral("give one of --weight KG, --tare or --live"));
    if (args.has(QStringLiteral("--wait")) && !live)
        throw BadArguments(QStringLiteral("--wait goes with --live"));
    const WeightOrigin origin = loadedOrigin(args);
    if (live)
        return {liveWeight(call), WeightOrigin::Scale};
    if (!tare)
        return {args.value(QStringLiteral("--weight")), origin};
    const auto recalled = MasterData::recallTare(call.database(), plate,
                                                 int(call.config().integer(Keys::taralejar)),
                                                 QDateTime::currentDateTime());
    if (const auto *refusal = std::get_if<Refusal>(&recalled))
        throw Refused(refusal->message);
    return {std::get<QString>(recalled), WeightOrigin::Recalled};
}

} // namespace

int firstWeighingCommand(Invocation &call)
{
    const CommandLine &args = call.args();
    const QString direction =
        args.choice(QStringLiteral("--direction"), {QStringLiteral("in"), QStringLiteral("out")}, QStringLiteral("in"));
    const QString overwrite =
        args.choice(QStringLiteral("--overwrite"), {QStringLiteral("previous"), QStringLiteral("current")});
    FirstWeighing::Input in;
    in.rendszam = args.value(QStringLiteral("--plate"));
    std::tie(in.suly1, in.origin) = commandWeight(call, in.rendszam);
    in.nev = args.value(QStringLiteral("--carrier"));
    in.ugyfelnev = args.value(QStringLiteral("--customer"));
    in.termeknev = args.value(QStringLiteral("--product"));
    in.irany = direction == u"out" ? 1 : 0;
    // The window ticks "Kézi súly" when it recalls a tare.
    in.kezi = args.has(QStringLiteral("--manual")) || in.origin == WeightOrigin::Recalled;

    const QSqlDatabase db = call.database();
    // The dependent fields fill in as the window's change handlers fill them.
    if (const auto v = MasterData::vehicleByName(db, in.nev)) {
        in.cim1 = v->cim1;
        in.cim2 = v->cim2;
        in.cim3 = v->cim3;
    }
    if (const auto c = MasterData::customer(db, in.ugyfelnev)) {
        in.ugyfelcim1 = c->cim1;
        in.ugyfelcim2 = c->cim2;
        in.ugyfelcim3 = c->cim3;
    }
    in.egysegar = QStringLiteral("0");
    if (const auto p = MasterData::product(db, in.termeknev)) {
        in.termekkod = p->kod;
        in.kiszereles = p->kiszereles;
        in.egysegar = ertekszoveg(p->egysegar);
    }
    in.egysegar = args.value(QStringLiteral("--unit-price"), in.egysegar);

    bool asked = false;
    const auto outcome = FirstWeighing::record(
        db, in, call.config().integer(Keys::maxsuly),
        [&] {
            asked = true;
            if (overwrite == u"previous")
                return OverwriteAnswer::Previous;
            if (overwrite == u"current")
                return OverwriteAnswer::Current;
            return OverwriteAnswer::Cancel;
        },
        weighingTime(args));
    switch (outcome.status) {
    case FirstWeighing::Outcome::Status::Saved:
        call.out() << in.rendszam << ';' << outcome.weight << '\n';
        return kDone;
    case FirstWeighing::Outcome::Status::Refused:
        throw Refused(outcome.refusal.message);
    case FirstWeighing::Outcome::Status::Cancelled:
        call.out() << "Ez a rendszám jelenleg szállítás alatt áll." << '\n';
        if (asked)
            call.err() << "kelvoctl first-weighing: give --overwrite previous or --overwrite current\n";
        return kRefused;
    }
    return kRefused;
}

int finishCommand(Invocation &call)
{
    const CommandLine &args = call.args();
    Finishing::Input in;
    in.rendszam = args.value(QStringLiteral("--plate"));
    std::tie(in.suly2, in.origin) = commandWeight(call, in.rendszam);
    in.raktar = args.value(QStringLiteral("--warehouse"));
    in.megjegyzes = args.value(QStringLiteral("--remark"));
    in.felhasznalo = felhasznalonev();
    in.kezi = in.origin == WeightOrigin::Recalled;
    const bool confirmZero = args.has(QStringLiteral("--confirm-zero"));

    const QSqlDatabase db = call.database();
    const Config &config = call.config();
    // The percentages the window would show: the last ones used.
    in.tisztasag = args.value(QStringLiteral("--purity"), config.string(Keys::tisztasag));
    in.viztartalom = args.value(QStringLiteral("--moisture"), config.string(Keys::viztartalom));
    in.elvartviz = args.value(QStringLiteral("--expected-moisture"), config.string(Keys::elvartviz));
    const QStringList plates = distinctColumnValues(db, QStringLiteral("folyamatban"), QStringLiteral("rendszam"));
    const bool backDated = args.has(QStringLiteral("--at"));
    const QDateTime at = weighingTime(args);
    if (backDated) {
        const std::optional<InProgress::Row> row = InProgress::find(db, in.rendszam);
        if (row && at < row->bedatum)
            throw Refused(QStringLiteral("--at %1 is earlier than the first weighing of %2 (%3).")
                              .arg(Formats::dateTime(at), row->rendszam, Formats::dateTime(row->bedatum)));
    }
    // Serial numbers and finishing times run in the same order: a back-dated ticket may not come before the last
    // one. The clock is read under the serial counter's lock, so no ticket can slip in between.
    const auto clock = [&] {
        if (!backDated)
            return QDateTime::currentDateTime();
        if (const QDateTime last = lastFinished(db); last.isValid() && at < last)
            throw Refused(QStringLiteral("--at %1 is earlier than the last finished ticket (%2).")
                              .arg(Formats::dateTime(at), Formats::dateTime(last)));
        return at;
    };
    const auto outcome = Finishing::finish(
        db, in, plates, config.integer(Keys::maxsuly),
        [&](const QString &question) {
            if (!confirmZero)
                call.out() << question << '\n';
            return confirmZero;
        },
        clock);
    switch (outcome.status) {
    case Finishing::Outcome::Status::Saved:
        call.out() << outcome.sorszam << '\n';
        return kDone;
    case Finishing::Outcome::Status::Refused:
        throw Refused(outcome.refusal.message);
    case Finishing::Outcome::Status::Cancelled:
        call.err() << "kelvoctl finish: nothing written; give --confirm-zero to store a zero ticket\n";
        return kRefused;
    }
    return kRefused;
}

int inProgressCommand(Invocation &call)
{
    InProgressModel model;
    if (const QString error = model.fill(call.database()); !error.isEmpty())
        throw Refused(error);
    // Semicolon separated with a quoted header, like the program's other exports.
    const auto quoted = [](QString s) {
        return QLatin1Char('"') + s.replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
    };
    QStringList header;
    for (int c = 0; c < model.columnCount(); ++c)
        header.append(quoted(model.headerData(c, Qt::Horizontal).toString()));
    QString text = header.join(QLatin1Char(';')) + QLatin1Char('\n');
    for (int r = 0; r < model.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < model.columnCount(); ++c)
            cells.append(quoted(model.index(r, c).data().toString()));
        text += cells.join(QLatin1Char(';')) + QLatin1Char('\n');
    }
    call.writeOut(CsvExport::kByteOrderMark + text.toUtf8());
    return kDone;
}
