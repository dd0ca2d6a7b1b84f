#include "CtlCommands.h"

#include "Commands.h"
#include "Invocation.h"
#include "Schema.h"
#include "Sql.h"

#include <QFile>

#include <optional>

namespace {

// One row per command: its name, its arguments as the usage shows them (the parser reads them from there), one
// line for --help, and the function. Every command also takes --home DIR.
struct Command {
    const char *name;
    const char *synopsis;
    const char *summary;
    int (*run)(Invocation &);
};

constexpr Command kCommands[] = {
    {"create-db", "[PATH|URI]", "make the delivered (empty) database at PATH, or its tables in the empty server "
     "database URI; without one, the database the program folder's Kelvo.ini names; refuses to overwrite",
     createDbCommand},
    {"check-db", "[PATH|URI]", "run the start-up database check of PATH|URI, else of the program folder's database; "
     "prints \"ok 4.64\" or the program's message", checkDbCommand},
    {"copy-db", "FROM TO", "copy every table of the database FROM (PATH|URI) into TO, a new file or an empty server "
     "database, in one transaction; prints each table's verified row count", copyDbCommand},
    {"first-weighing",
     "--plate P --carrier NAME --customer NAME --product NAME [--unit-price FT] [--direction in|out] "
     "--weight KG [--origin keyed|scale|tare] | [--tare] | --live [--wait SECONDS] [--manual] "
     "[--overwrite previous|current] [--at DATETIME]",
     "record the first weighing of a transport; prints plate;weight. The weight is --weight (keyed in, marked K on "
     "the ticket), --tare (the vehicle's stored tare, marked T; refused once older than [Opt] taralejar days) or "
     "--live (the folder's scale link, waiting up to --wait seconds (10) for a load it may take). "
     "--at \"YYYY.MM.DD HH:MM\" dates it in the past, for loading earlier records; with it, --origin tells where "
     "the record's typed weight came from (keyed: K, scale: no mark, tare: T)", firstWeighingCommand},
    {"finish",
     "--plate P --weight KG [--origin keyed|scale|tare] | [--tare] | --live [--wait SECONDS] --warehouse NAME "
     "[--purity P] [--moisture M] "
     "[--expected-moisture X] [--remark T] [--confirm-zero] [--at DATETIME]",
     "second weighing: store the ticket; prints the serial number. The weight is --weight (with --origin), --tare "
     "or --live, as for first-weighing. --at \"YYYY.MM.DD HH:MM\" dates it in the past, "
     "for loading earlier records: not before its first weighing nor before the last finished ticket (serial "
     "numbers and finishing times run in one order)", finishCommand},
    {"in-progress", "", "the transports in progress as CSV", inProgressCommand},
    {"ticket", "SERIAL [--template NAME] [--word DOCUMENT [--pdf FILE]]",
     "fill out.htm (and out.txt, the hand-over) without printing; with --word fill a .docx, .odt or .doc instead, "
     "save the filled copy beside it and print it on the default printer, or with --pdf write the PDF instead. "
     "Each ticket document made this way counts as a print of the ticket: from the second print on it carries "
     "MÁSOLAT (a copy); a refused fill (no template, no such ticket) counts nothing",
     ticketCommand},
    {"pictures", "SERIAL --to DIR",
     "write every picture of the finished ticket SERIAL into the folder DIR as SERIAL-W-C.jpg (weighing 1 or 2, "
     "camera 1 to 4); prints each file written, and \"SERIAL-W-C: hiányzik: REASON\" for a missing picture",
     picturesCommand},
    {"search",
     "[--direction any|in|out] [--state valid|cancelled|any] [--plate V] [--carrier V] [--customer V] "
     "[--product V] [--warehouse V] [--packaging V] [--file-ref V] [--user V] [--plot V] [--parcel V] "
     "[--plot-no V] [--marked yes|no] [--manual yes|no] [--modified yes|no] [--has-remark] "
     "[--from YYYY.MM.DD --to YYYY.MM.DD | --no-dates] [--min-serial N] [--serial N] [--sort COLUMN[:asc|:desc]] "
     "[--quick TEXT] [--today [--on YYYY.MM.DD]] [--csv FILE|-]",
     "finished transports as the search window lists them, then its four status texts; with --csv every field "
     "of the rows as CSV", searchCommand},
    {"cancel", "SERIAL", "cancel (void) a finished transport", cancelCommand},
    {"verify-trail", "", "walk the trail of changes in order; prints the row count, or exits 1 naming the first row "
     "that was changed, deleted or moved", verifyTrailCommand},
    {"export", "TABLE [--csv FILE|-]",
     "a table (szallito, termek, folyamatban, szallitasok, ugyfel, raktar) as CSV, on standard output by default",
     exportCommand},
    {"import", "TABLE FILE|-",
     "add the rows of a CSV file as export writes it (or standard input) to szallito, termek, ugyfel or raktar, "
     "all or none", importCommand},
    {"stock",
     "[--product V] [--warehouse V] [--direction any|in|out] [--from YYYY.MM.DD --to YYYY.MM.DD] [--carrier V] "
     "[--customer V] [--sort product|qty[:asc|:desc]] [--csv FILE|-]",
     "the stock per product, as the stock window lists it, then its status text; or as CSV", stockCommand},
    {"report",
     "transports|stock|auto [--direction any|in|out] [--state valid|cancelled|any] [--plate V] [--carrier V] "
     "[--customer V] [--product V] [--warehouse V] [--packaging V] [--file-ref V] [--user V] [--plot V] "
     "[--parcel V] [--plot-no V] [--marked yes|no] [--manual yes|no] [--modified yes|no] [--has-remark] "
     "[--from YYYY.MM.DD --to YYYY.MM.DD | --no-dates] [--min-serial N] [--serial N] [--sort COLUMN[:asc|:desc]] "
     "[--quick TEXT] [--today [--on YYYY.MM.DD]] --pdf FILE",
     "the printed list as a PDF file: transports with the options of search, stock with those of stock, auto "
     "(the automatic weighings) with --from and --to; prints the page count", reportCommand},
    {"auto-list", "[--from YYYY.MM.DD --to YYYY.MM.DD] [--csv FILE|-]",
     "the weights automatic weighing stored in the period (default today), as \"datumido;suly\" lines and the "
     "count, or as the CSV file the list window saves", autoListCommand},
    {"auto-weigh", "[--for SECONDS]",
     "automatic weighing on the program folder's scale link without a window: prints \"datumido;suly\" for each "
     "stored weight as it is stored; ends at SIGTERM, SIGINT or after --for seconds", autoWeighCommand},
    {"decode", "[--micraorden] [--bilanciai] [--disomatb] [--terminator NOTATION] [--profile NAME]",
     "frames on standard input to weights, one line each; with --profile (digits, csv-status, command-set, "
     "status-bytes, regex:PATTERN) \"WEIGHT STATE\" per frame, \"-\" for what the frame does not give; with "
     "--home and no switch, the indicator settings of that folder's Kelvo.ini", decodeCommand},
    {"ports", "[--descriptions]", "the serial ports present", portsCommand},
    {"live", "[--for SECONDS]",
     "the decoded weight and state of the program folder's scale link as each frame arrives, \"WEIGHT STATE\" "
     "(\"-\" for no weight); ends at SIGTERM, SIGINT or after --for seconds", liveCommand},
    {"gate", "status|open",
     "the gate module of Kelvo.ini [Kapu]: status prints each configured point and its state (\"Fenykapu1 off\", "
     "\"BeZold on\"); open opens the barrier (one pulse of SorompoIdo ms), which goes into the trail. A module that "
     "does not answer within a few seconds is refused with the reason", gateCommand},
    {"backup", "--to FILE", "a backup archive (ZIP) of the database, the company data, the ticket templates and "
     "Kelvo.ini at FILE, replacing a file there", backupCommand},
    {"autobackup", "[--today YYYY-MM-DD]", "the automatic backup of start-up: made when the settings call for one "
     "this week or month (into autobackuppath), which is then noted in Kelvo.ini; --today sets the day",
     autobackupCommand},
    {"serve", "[--listen ADDR:PORT] [--tls-cert FILE --tls-key FILE]",
     "the office service over HTTP (HTTPS with the PEM certificate and key) on ADDR:PORT (127.0.0.1:8580): the "
     "office's login and pages, and the read-only JSON API under /api/v1/ for the ERP; prints \"listening URL\", "
     "ends at SIGTERM or SIGINT", serveCommand},
    {"user add", "NAME --role iroda|erp",
     "add a user of the office service, the password read from the first line of standard input; for an erp user "
     "prints its API token, shown only this once", userAddCommand},
    {"user passwd", "NAME", "set a user's password from the first line of standard input", userPasswdCommand},
    {"user del", "NAME", "delete a user of the office service", userDelCommand},
    {"user list", "", "the users of the office service as \"name;role;created\" lines", userListCommand},
    {"render-pdf", "HTML --to FILE",
     "render an HTML ticket page to an A4 PDF as the ticket printer does (the office service runs it for a "
     "ticket's PDF)", renderPdfCommand},
    {"outbox", "[--deliver [--for SECONDS]]",
     "what waits for each webhook URL of [Web] webhook, one line each: URL;WAITING;ID;EVENT;SERIAL;TIME;NEXT TRY;"
     "LAST ERROR (the oldest waiting event's id, event, serial and time; the next try and the last error while the "
     "URL fails). With --deliver, delivers the outbox without the office service, printing URL;ID for each event "
     "taken (failures on standard error), until SIGTERM, SIGINT or the end of --for", outboxCommand},
    {"camera test", "[N] --to FILE",
     "one picture of camera N (1 to 4, default 1) of the program folder's Kelvo.ini into FILE, storing nothing; "
     "prints \"BYTES bájt, MS ms\", or the reason on standard error (exit 1)", cameraTestCommand},
};

// What the command takes: "SERIAL [--template NAME] [--home DIR]".
QString arguments(const Command &command)
{
    return (QLatin1String(command.synopsis) + QStringLiteral(" [--home DIR]")).trimmed();
}

QString withArguments(const Command &command)
{
    return (QLatin1String(command.name) + QLatin1Char(' ') + arguments(command)).trimmed();
}

QString help()
{
    QString text = QStringLiteral("Usage: kelvoctl [--home DIR] COMMAND [ARGUMENTS]\n\nCommands:\n");
    for (const Command &command : kCommands)
        text += QStringLiteral("  %1\n        %2\n").arg(withArguments(command), QString::fromUtf8(command.summary));
    text += QStringLiteral("  --help\n        this text\n"
                           "  --version\n        the program version\n"
                           "\n--home DIR, before or after the command, is the program folder whose Kelvo.ini and "
                           "database a command uses\n(default: KELVO_HOME, else the folder of kelvoctl).\n");
    return text;
}

// homeFirst: the --home value given before the command name, if any.
int run(const Command &command, const QStringList &args, const std::optional<QString> &homeFirst,
        Environment &environment)
{
    try {
        const CommandLine line(args, CommandSyntax::fromSynopsis(arguments(command)));
        if (homeFirst && line.has(QStringLiteral("--home")))
            throw BadArguments(QStringLiteral("--home is given twice"));
        Invocation call(line, environment, homeFirst.value_or(line.value(QStringLiteral("--home"))));
        return command.run(call);
    } catch (const BadArguments &e) {
        environment.err << "kelvoctl " << command.name << ": " << e.what() << '\n'
                        << "Usage: kelvoctl " << withArguments(command) << '\n';
        return kBadArguments;
    } catch (const Refused &e) {
        environment.out << e.what() << '\n';
        return kRefused;
    } catch (const DatabaseError &e) {
        environment.out << e.what() << '\n';
        return kRefused;
    }
}

} // namespace

int runKelvoctl(const QStringList &given, Environment &environment)
{
    QStringList args = given;
    std::optional<QString> homeFirst;
    if (!args.isEmpty() && args.first().startsWith(QLatin1String("--home="))) {
        homeFirst = args.takeFirst().mid(7);
    } else if (!args.isEmpty() && args.first() == u"--home") {
        if (args.size() < 2) {
            environment.err << "kelvoctl: --home needs a value\n";
            return kBadArguments;
        }
        homeFirst = args.at(1);
        args.remove(0, 2);
    }
    if (args.isEmpty()) {
        environment.err << help();
        return kBadArguments;
    }
    const QString &name = args.first();
    if (name == QLatin1String("--help") || name == QLatin1String("-h")) {
        environment.out << help();
        return kDone;
    }
    if (name == QLatin1String("--version")) {
        environment.out << "kelvoctl " << QString::number(Schema::kVersion, 'f', 2) << '\n';
        return kDone;
    }
    // A name of several words ("camera test") is matched word by word.
    for (const Command &command : kCommands) {
        const QStringList words = QString::fromLatin1(command.name).split(QLatin1Char(' '));
        if (args.mid(0, words.size()) == words)
            return run(command, args.mid(words.size()), homeFirst, environment);
    }
    environment.err << "kelvoctl: unknown command \"" << name << "\"\n\n" << help();
    return kBadArguments;
}

int runKelvoctl(const QStringList &args)
{
    QFile in;
    // When standard input is closed the device stays unreadable; the commands that read it say so.
    in.open(stdin, QIODevice::ReadOnly);
    QTextStream out(stdout);
    QTextStream err(stderr);
    Environment environment{in, out, err};
    return runKelvoctl(args, environment);
}
