#include "GateSimOptions.h"

#include "Config.h"
#include "GateSettings.h"

#include <QFileInfo>
#include <QStringList>

QString GateSimOptions::usage()
{
    return QStringLiteral(
        "usage: gatesim [--port PORT] [--unit N] [--ini KELVO.INI] [--coil NAME=ADDR]... [--input NAME=ADDR]...\n"
        "               [--truck [KG]] [--stop]\n"
        "  A Modbus TCP input/output module on 127.0.0.1; prints its port as the first line, then each coil change\n"
        "  as \"hh:mm:ss.zzz NAME on|off\" (NAME is the address when the map names none).\n"
        "  The map: the [Kapu] section of --ini, then --coil and --input; without any, BePiros=0 BeZold=1 KiPiros=2\n"
        "  KiZold=3 Sorompo=4 and the inputs Fenykapu1=0 Fenykapu2=1.\n"
        "  --truck: the light barriers follow scalesim's truck profile (Fenykapu1 while it drives on, Fenykapu2\n"
        "  while it drives off). --stop: start without answering.\n"
        "  Standard input: \"NAME on|off\" or \"ADDR on|off\" sets a discrete input; \"stop\" stops answering,\n"
        "  \"start\" answers again.\n");
}

bool GateSimOptions::parse(const QStringList &args, GateSimOptions *options, QString *error)
{
    bool mapped = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        const auto value = [&](QString *out) {
            if (i + 1 >= args.size()) {
                *error = arg + QStringLiteral(" needs a value");
                return false;
            }
            *out = args[++i];
            return true;
        };
        const auto number = [&](const QString &text, int low, int high, int *out) {
            bool ok = false;
            const int n = text.toInt(&ok);
            if (!ok || n < low || n > high) {
                *error = QStringLiteral("%1: %2 is not a number from %3 to %4").arg(arg, text).arg(low).arg(high);
                return false;
            }
            *out = n;
            return true;
        };
        QString text;
        if (arg == u"--help" || arg == u"-h") {
            options->help = true;
        } else if (arg == u"--port") {
            if (!value(&text) || !number(text, 0, 65535, &options->port))
                return false;
        } else if (arg == u"--unit") {
            if (!value(&text) || !number(text, 0, 255, &options->unit))
                return false;
        } else if (arg == u"--ini") {
            if (!value(&text))
                return false;
            if (!QFileInfo(text).isFile()) {
                *error = QStringLiteral("--ini: no file %1").arg(text);
                return false;
            }
            const GateSettings settings = GateSettings::fromConfig(Config(text, QFileInfo(text).absolutePath()));
            options->coils.insert(settings.coils);
            options->inputs.insert(settings.inputs);
            mapped = true;
        } else if (arg == u"--coil" || arg == u"--input") {
            if (!value(&text))
                return false;
            const QStringList parts = text.split(u'=');
            int address = 0;
            if (parts.size() != 2 || parts[0].isEmpty() || !number(parts[1], 0, 65535, &address)) {
                if (error->isEmpty())
                    *error = QStringLiteral("%1 takes NAME=ADDR: %2").arg(arg, text);
                return false;
            }
            (arg == u"--coil" ? options->coils : options->inputs).insert(parts[0], address);
            mapped = true;
        } else if (arg == u"--truck") {
            options->truckKg = 30000;
            if (i + 1 < args.size() && !args[i + 1].startsWith(u'-') &&
                !number(args[++i], 1, 999999, &options->truckKg))
                return false;
        } else if (arg == u"--stop") {
            options->silent = true;
        } else {
            *error = QStringLiteral("unknown argument %1").arg(arg);
            return false;
        }
    }
    if (!mapped) {
        options->coils = {{QStringLiteral("BePiros"), 0}, {QStringLiteral("BeZold"), 1}, {QStringLiteral("KiPiros"), 2},
                          {QStringLiteral("KiZold"), 3},  {QStringLiteral("Sorompo"), 4}};
        options->inputs = {{QStringLiteral("Fenykapu1"), 0}, {QStringLiteral("Fenykapu2"), 1}};
    }
    return true;
}
