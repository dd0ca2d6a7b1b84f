#include "Commands.h"

#include "Config.h"
#include "Finishing.h"
#include "FirstWeighing.h"
#include "InProgressModel.h"
#include "Invocation.h"
#include "Listatoltes.h"
#include "MasterData.h"
#include "Seged.h"

int firstWeighingCommand(Invocation &call)
{
    const CommandLine &args = call.args();
    const QString direction =
        args.choice(QStringLiteral("--direction"), {QStringLiteral("in"), QStringLiteral("out")}, QStringLiteral("in"));
    const QString overwrite =
        args.choice(QStringLiteral("--overwrite"), {QStringLiteral("previous"), QStringLiteral("current")});
    FirstWeighing::Input in;
    in.suly1 = args.required(QStringLiteral("--weight"));
    in.rendszam = args.value(QStringLiteral("--plate"));
    in.nev = args.value(QStringLiteral("--carrier"));
    in.ugyfelnev = args.value(QStringLiteral("--customer"));
    in.termeknev = args.value(QStringLiteral("--product"));
    in.irany = direction == u"out" ? 1 : 0;
    in.kezi = args.has(QStringLiteral("--manual"));

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
        QDateTime::currentDateTime());
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
    in.suly2 = args.required(QStringLiteral("--weight"));
    in.rendszam = args.value(QStringLiteral("--plate"));
    in.raktar = args.value(QStringLiteral("--warehouse"));
    in.megjegyzes = args.value(QStringLiteral("--remark"));
    in.felhasznalo = felhasznalonev();
    const bool confirmZero = args.has(QStringLiteral("--confirm-zero"));

    const QSqlDatabase db = call.database();
    const Config &config = call.config();
    // The percentages the window would show: the last ones used.
    in.tisztasag = args.value(QStringLiteral("--purity"), config.string(Keys::tisztasag));
    in.viztartalom = args.value(QStringLiteral("--moisture"), config.string(Keys::viztartalom));
    in.elvartviz = args.value(QStringLiteral("--expected-moisture"), config.string(Keys::elvartviz));
    const QStringList plates = distinctColumnValues(db, QStringLiteral("folyamatban"), QStringLiteral("rendszam"));
    const auto outcome = Finishing::finish(
        db, in, plates, config.integer(Keys::maxsuly),
        [&](const QString &question) {
            if (!confirmZero)
                call.out() << question << '\n';
            return confirmZero;
        },
        [] { return QDateTime::currentDateTime(); });
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
    call.out() << header.join(QLatin1Char(';')) << '\n';
    for (int r = 0; r < model.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < model.columnCount(); ++c)
            cells.append(quoted(model.index(r, c).data().toString()));
        call.out() << cells.join(QLatin1Char(';')) << '\n';
    }
    return kDone;
}
