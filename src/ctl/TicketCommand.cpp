#include "TicketCommand.h"

#include "CompanyData.h"
#include "Config.h"
#include "Database.h"
#include "DatabaseStartup.h"
#include "ProgramFolder.h"
#include "TicketPrinter.h"
#include "TicketSettings.h"

#include <QDir>

namespace {

constexpr char kUsage[] = "Usage: kelvoctl ticket SERIAL [--template NAME] [--home DIR]\n";

struct TicketArgs {
    qint64 serial = 0;
    QString templateName; // empty: the default template of the settings
    QString home;         // empty: the program folder
};

std::optional<TicketArgs> parse(const QStringList &args, QString *error)
{
    TicketArgs parsed;
    bool haveSerial = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (arg == QLatin1String("--template") || arg == QLatin1String("--home")) {
            if (i + 1 >= args.size()) {
                *error = QStringLiteral("%1 needs a value").arg(arg);
                return std::nullopt;
            }
            (arg == QLatin1String("--template") ? parsed.templateName : parsed.home) = args.at(++i);
        } else if (!haveSerial && !arg.startsWith(QLatin1String("--"))) {
            bool ok = false;
            parsed.serial = arg.toLongLong(&ok);
            if (!ok || parsed.serial <= 0) {
                *error = QStringLiteral("SERIAL must be a positive whole number, not \"%1\"").arg(arg);
                return std::nullopt;
            }
            haveSerial = true;
        } else {
            *error = QStringLiteral("unexpected argument \"%1\"").arg(arg);
            return std::nullopt;
        }
    }
    if (!haveSerial) {
        *error = QStringLiteral("SERIAL is missing");
        return std::nullopt;
    }
    return parsed;
}

QString withTrailingSeparator(const QString &folder)
{
    QString f = QDir(folder).absolutePath();
    if (!f.endsWith(QLatin1Char('/')))
        f.append(QLatin1Char('/'));
    return f;
}

} // namespace

int runTicketCommand(const QStringList &args, QTextStream &out, QTextStream &err)
{
    QString error;
    const std::optional<TicketArgs> parsed = parse(args, &error);
    if (!parsed) {
        err << "kelvoctl ticket: " << error << '\n' << kUsage;
        return 2;
    }
    const QString home = parsed->home.isEmpty() ? programFolder() : withTrailingSeparator(parsed->home);
    const Config config(Config::locateIniFile(home), home);
    // Without a company file the ticket carries the line the program puts there at start-up; this command
    // writes no settings files of its own.
    const QStringList company =
        CompanyData::load(home).value_or(QStringList{QString::fromUtf8(CompanyData::kNotSetLine)});
    TicketSettings settings = TicketSettings::fromConfig(config, company);
    settings.printMode = PrintMode::None;
    const QString templateName = parsed->templateName.isEmpty() ? settings.templateName : parsed->templateName;

    const QString databasePath = DatabaseStartup::databasePath(config);
    if (const std::optional<QString> missing = DatabaseStartup::checkExists(databasePath)) {
        out << *missing << '\n';
        return 1;
    }
    Database database(databasePath);
    const QString openError = database.open();
    if (!openError.isEmpty()) {
        out << openError << '\n';
        return 1;
    }
    const TicketOutcome outcome = FillTicketTemplate(parsed->serial, database.db(), home + templateName,
                                                     settings.outputPath(), settings, nullptr);
    for (const QString &message : outcome.messages)
        out << message << '\n';
    if (!outcome.messages.isEmpty())
        return 1;
    out << settings.outputPath() << '\n';
    return 0;
}
