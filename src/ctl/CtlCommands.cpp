#include "CtlCommands.h"

#include "DatabaseStartup.h"
#include "ScaleCommands.h"
#include "Schema.h"
#include "TicketCommand.h"
#include "WeighingCommands.h"

#include <QFile>
#include <QTextStream>

#include <functional>

namespace {

constexpr char kUsage[] =
    "Usage: kelvoctl COMMAND [ARGUMENTS]\n"
    "\n"
    "Commands:\n"
    "  create-db PATH      make the delivered (empty) database at PATH; refuses to overwrite a file\n"
    "  check-db PATH       run the start-up database check; prints \"ok 4.64\" or the program's message\n"
    "  first-weighing      --plate P --carrier NAME --customer NAME --product NAME [--unit-price FT]\n"
    "                      [--direction in|out] --weight KG [--manual] [--overwrite previous|current]\n"
    "  finish              --plate P --weight KG --warehouse NAME [--purity P] [--moisture M]\n"
    "                      [--expected-moisture X] [--remark T] [--confirm-zero]; prints the serial number\n"
    "  in-progress         the transports in progress as CSV\n"
    "  ticket SERIAL       fill out.htm (and out.txt, the hand-over) [--template NAME]\n"
    "  decode              frames on standard input to weights [--micraorden] [--bilanciai] [--disomatb]\n"
    "                      [--terminator NOTATION]\n"
    "  ports               the serial ports present [--descriptions]\n"
    "  Commands that work on a program folder take --home DIR (default: KELVO_HOME or the program's folder).\n"
    "  --help              this text\n"
    "  --version           the program version\n";

struct Streams {
    QTextStream out{stdout};
    QTextStream err{stderr};
};

int createDb(const QStringList &args, Streams &io)
{
    if (args.size() != 1) {
        io.err << "kelvoctl create-db: expected exactly one PATH\n";
        return 2;
    }
    const QString error = Schema::createFile(args.first());
    if (!error.isEmpty()) {
        io.err << "kelvoctl create-db: " << error << '\n';
        return 1;
    }
    return 0;
}

int checkDb(const QStringList &args, Streams &io)
{
    if (args.size() != 1) {
        io.err << "kelvoctl check-db: expected exactly one PATH\n";
        return 2;
    }
    if (const auto missing = DatabaseStartup::checkExists(args.first())) {
        io.out << *missing << '\n';
        return 1;
    }
    const DatabaseStartup::VersionCheck check = DatabaseStartup::checkVersion(args.first());
    if (check.status != DatabaseStartup::VersionCheck::Status::Ok) {
        io.out << check.message << '\n';
        return 1;
    }
    io.out << "ok " << QString::number(Schema::kVersion, 'f', 2) << '\n';
    return 0;
}

} // namespace

int runKelvoctl(const QStringList &args)
{
    Streams io;
    if (args.isEmpty()) {
        io.err << kUsage;
        return 2;
    }
    const QString command = args.first();
    const QStringList rest = args.mid(1);
    if (command == QLatin1String("--help") || command == QLatin1String("-h")) {
        io.out << kUsage;
        return 0;
    }
    if (command == QLatin1String("--version")) {
        io.out << "kelvoctl " << QString::number(Schema::kVersion, 'f', 2) << '\n';
        return 0;
    }
    const std::pair<const char *, std::function<int(const QStringList &, Streams &)>> commands[] = {
        {"create-db", createDb},
        {"check-db", checkDb},
        {"first-weighing", [](const QStringList &a, Streams &s) { return runFirstWeighingCommand(a, s.out, s.err); }},
        {"finish", [](const QStringList &a, Streams &s) { return runFinishCommand(a, s.out, s.err); }},
        {"in-progress", [](const QStringList &a, Streams &s) { return runInProgressCommand(a, s.out, s.err); }},
        {"ticket", [](const QStringList &a, Streams &s) { return runTicketCommand(a, s.out, s.err); }},
        {"decode",
         [](const QStringList &a, Streams &s) {
             QFile in;
             if (!in.open(stdin, QIODevice::ReadOnly)) {
                 s.err << "kelvoctl decode: cannot read standard input\n";
                 return 1;
             }
             return runDecodeCommand(a, in, s.out, s.err);
         }},
        {"ports", [](const QStringList &a, Streams &s) { return runPortsCommand(a, s.out, s.err); }},
    };
    for (const auto &[name, run] : commands) {
        if (command == QLatin1String(name))
            return run(rest, io);
    }
    io.err << "kelvoctl: unknown command \"" << command << "\"\n\n" << kUsage;
    return 2;
}
