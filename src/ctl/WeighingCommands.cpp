#include "WeighingCommands.h"

#include "Config.h"
#include "Database.h"
#include "DatabaseStartup.h"
#include "Finishing.h"
#include "FirstWeighing.h"
#include "InProgressModel.h"
#include "Listatoltes.h"
#include "MasterData.h"
#include "ProgramFolder.h"
#include "Seged.h"
#include "Sql.h"

#include <QDir>
#include <QMap>
#include <QSet>

#include <memory>
#include <optional>

namespace {

// "--name value" options and "--flag" switches of one command.
struct Options {
    QMap<QString, QString> values;
    QSet<QString> flags;
};

std::optional<Options> parse(const QStringList &args, const QStringList &valued, const QStringList &switches,
                             QString *error)
{
    Options o;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        if (valued.contains(a)) {
            if (i + 1 >= args.size()) {
                *error = a + QStringLiteral(" needs a value");
                return std::nullopt;
            }
            o.values.insert(a, args.at(++i));
        } else if (switches.contains(a)) {
            o.flags.insert(a);
        } else {
            *error = QStringLiteral("unexpected argument \"%1\"").arg(a);
            return std::nullopt;
        }
    }
    return o;
}

// The program folder's settings and database, opened the way the program opens them.
struct Context {
    std::unique_ptr<Config> config;
    std::unique_ptr<Database> database;
};

std::optional<Context> openContext(const Options &o, QTextStream &out)
{
    QString home = o.values.value(QStringLiteral("--home"));
    if (home.isEmpty()) {
        home = programFolder();
    } else {
        home = QDir(home).absolutePath();
        if (!home.endsWith(QLatin1Char('/')))
            home.append(QLatin1Char('/'));
    }
    Context c;
    c.config = std::make_unique<Config>(Config::locateIniFile(home), home);
    const QString path = DatabaseStartup::databasePath(*c.config);
    if (const auto missing = DatabaseStartup::checkExists(path)) {
        out << *missing << '\n';
        return std::nullopt;
    }
    if (const auto check = DatabaseStartup::checkVersion(path);
        check.status != DatabaseStartup::VersionCheck::Status::Ok) {
        out << check.message << '\n';
        return std::nullopt;
    }
    c.database = std::make_unique<Database>(path);
    if (const QString error = c.database->open(); !error.isEmpty()) {
        out << error << '\n';
        return std::nullopt;
    }
    return c;
}

int usage(QTextStream &err, const char *command, const QString &error, const char *text)
{
    err << "kelvoctl " << command << ": " << error << '\n' << "Usage: kelvoctl " << command << ' ' << text << '\n';
    return 2;
}

} // namespace

int runFirstWeighingCommand(const QStringList &args, QTextStream &out, QTextStream &err)
{
    constexpr char kText[] = "--plate P --carrier NAME --customer NAME --product NAME [--unit-price FT] "
                             "[--direction in|out] --weight KG [--manual] [--overwrite previous|current] [--home DIR]";
    QString error;
    const auto o = parse(args,
                         {QStringLiteral("--plate"), QStringLiteral("--carrier"), QStringLiteral("--customer"),
                          QStringLiteral("--product"), QStringLiteral("--unit-price"), QStringLiteral("--direction"),
                          QStringLiteral("--weight"), QStringLiteral("--overwrite"), QStringLiteral("--home")},
                         {QStringLiteral("--manual")}, &error);
    if (!o)
        return usage(err, "first-weighing", error, kText);
    const QString direction = o->values.value(QStringLiteral("--direction"), QStringLiteral("in"));
    const QString overwrite = o->values.value(QStringLiteral("--overwrite"));
    if (direction != u"in" && direction != u"out")
        return usage(err, "first-weighing", QStringLiteral("--direction is in or out"), kText);
    if (!overwrite.isEmpty() && overwrite != u"previous" && overwrite != u"current")
        return usage(err, "first-weighing", QStringLiteral("--overwrite is previous or current"), kText);
    if (!o->values.contains(QStringLiteral("--weight")))
        return usage(err, "first-weighing", QStringLiteral("--weight is missing"), kText);

    auto context = openContext(*o, out);
    if (!context)
        return 1;
    const QSqlDatabase db = context->database->db();
    try {
        FirstWeighing::Input in;
        in.rendszam = o->values.value(QStringLiteral("--plate"));
        in.nev = o->values.value(QStringLiteral("--carrier"));
        in.ugyfelnev = o->values.value(QStringLiteral("--customer"));
        in.termeknev = o->values.value(QStringLiteral("--product"));
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
        if (o->values.contains(QStringLiteral("--unit-price")))
            in.egysegar = o->values.value(QStringLiteral("--unit-price"));
        in.suly1 = o->values.value(QStringLiteral("--weight"));
        in.irany = direction == u"out" ? 1 : 0;
        in.kezi = o->flags.contains(QStringLiteral("--manual"));

        bool asked = false;
        const auto outcome = FirstWeighing::record(
            db, in, context->config->integer(Keys::maxsuly),
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
            out << in.rendszam << ';' << outcome.weight << '\n';
            return 0;
        case FirstWeighing::Outcome::Status::Refused:
            out << outcome.refusal.message << '\n';
            return 1;
        case FirstWeighing::Outcome::Status::Cancelled:
            out << "Ez a rendszám jelenleg szállítás alatt áll." << '\n';
            if (asked)
                err << "kelvoctl first-weighing: give --overwrite previous or --overwrite current\n";
            return 1;
        }
    } catch (const DatabaseError &e) {
        out << e.what() << '\n';
    }
    return 1;
}

int runFinishCommand(const QStringList &args, QTextStream &out, QTextStream &err)
{
    constexpr char kText[] = "--plate P --weight KG --warehouse NAME [--purity P] [--moisture M] "
                             "[--expected-moisture X] [--remark T] [--confirm-zero] [--home DIR]";
    QString error;
    const auto o = parse(args,
                         {QStringLiteral("--plate"), QStringLiteral("--weight"), QStringLiteral("--warehouse"),
                          QStringLiteral("--purity"), QStringLiteral("--moisture"),
                          QStringLiteral("--expected-moisture"), QStringLiteral("--remark"), QStringLiteral("--home")},
                         {QStringLiteral("--confirm-zero")}, &error);
    if (!o)
        return usage(err, "finish", error, kText);
    if (!o->values.contains(QStringLiteral("--weight")))
        return usage(err, "finish", QStringLiteral("--weight is missing"), kText);
    auto context = openContext(*o, out);
    if (!context)
        return 1;
    const QSqlDatabase db = context->database->db();
    const Config &config = *context->config;
    try {
        Finishing::Input in;
        in.rendszam = o->values.value(QStringLiteral("--plate"));
        in.suly2 = o->values.value(QStringLiteral("--weight"));
        in.raktar = o->values.value(QStringLiteral("--warehouse"));
        // The percentages the window would show: the last ones used.
        in.tisztasag = o->values.value(QStringLiteral("--purity"), config.string(Keys::tisztasag));
        in.viztartalom = o->values.value(QStringLiteral("--moisture"), config.string(Keys::viztartalom));
        in.elvartviz = o->values.value(QStringLiteral("--expected-moisture"), config.string(Keys::elvartviz));
        in.megjegyzes = o->values.value(QStringLiteral("--remark"));
        in.felhasznalo = felhasznalonev();
        const QStringList plates = distinctColumnValues(db, QStringLiteral("folyamatban"), QStringLiteral("rendszam"));
        const bool confirmZero = o->flags.contains(QStringLiteral("--confirm-zero"));
        const auto outcome = Finishing::finish(
            db, in, plates, config.integer(Keys::maxsuly),
            [&](const QString &question) {
                if (!confirmZero)
                    out << question << '\n';
                return confirmZero;
            },
            QDateTime::currentDateTime());
        switch (outcome.status) {
        case Finishing::Outcome::Status::Saved:
            out << outcome.sorszam << '\n';
            return 0;
        case Finishing::Outcome::Status::Refused:
            out << outcome.refusal.message << '\n';
            return 1;
        case Finishing::Outcome::Status::Cancelled:
            err << "kelvoctl finish: nothing written; give --confirm-zero to store a zero ticket\n";
            return 1;
        }
    } catch (const DatabaseError &e) {
        out << e.what() << '\n';
    }
    return 1;
}

int runInProgressCommand(const QStringList &args, QTextStream &out, QTextStream &err)
{
    QString error;
    const auto o = parse(args, {QStringLiteral("--home")}, {}, &error);
    if (!o)
        return usage(err, "in-progress", error, "[--home DIR]");
    auto context = openContext(*o, out);
    if (!context)
        return 1;
    InProgressModel model;
    if (const QString e = model.fill(context->database->db()); !e.isEmpty()) {
        out << e << '\n';
        return 1;
    }
    // Semicolon separated with a quoted header, like the program's other exports.
    const auto quoted = [](QString s) { return QLatin1Char('"') + s.replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"'); };
    QStringList header;
    for (int c = 0; c < model.columnCount(); ++c)
        header.append(quoted(model.headerData(c, Qt::Horizontal).toString()));
    out << header.join(QLatin1Char(';')) << '\n';
    for (int r = 0; r < model.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < model.columnCount(); ++c)
            cells.append(quoted(model.index(r, c).data().toString()));
        out << cells.join(QLatin1Char(';')) << '\n';
    }
    return 0;
}
