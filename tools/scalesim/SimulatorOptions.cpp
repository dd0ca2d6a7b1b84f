#include "SimulatorOptions.h"

#include <QFile>

QString SimulatorOptions::usage()
{
    return QStringLiteral(
        "usage: scalesim [--format plain|micra|bilanciai|disomat|csv-status|command-set|status-bytes]\n"
        "                [--weight KG] [--profile fixed|truck|FILE] [--interval MS] [--tcp PORT] [--link PATH]\n"
        "  Without --tcp, creates a pseudo-terminal and prints its device path as the first line.\n"
        "  --interval 0 sends frames only when polled; the disomat format always waits for its poll.\n"
        "  A profile FILE holds lines \"WEIGHT SECONDS [ramp]\" and repeats.\n");
}

bool SimulatorOptions::parse(const QStringList &args, SimulatorOptions *options, QString *error)
{
    QString profileName = QStringLiteral("fixed");
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
        const auto integer = [&](int low, int high, int *out) {
            QString text;
            if (!value(&text))
                return false;
            bool ok = false;
            const int number = text.toInt(&ok);
            if (!ok || number < low || number > high) {
                *error = QStringLiteral("%1: %2 is not a number from %3 to %4").arg(arg, text).arg(low).arg(high);
                return false;
            }
            *out = number;
            return true;
        };
        QString text;
        if (arg == QLatin1String("--format")) {
            if (!value(&text))
                return false;
            const auto format = FrameFormat::parse(text);
            if (!format) {
                *error = QStringLiteral("--format: unknown format %1").arg(text);
                return false;
            }
            options->format = *format;
        } else if (arg == QLatin1String("--weight")) {
            int weight = 0;
            if (!integer(-99999, 999999, &weight))
                return false;
            options->weight = weight;
        } else if (arg == QLatin1String("--profile")) {
            if (!value(&profileName))
                return false;
        } else if (arg == QLatin1String("--interval")) {
            if (!integer(0, 3600000, &options->intervalMs))
                return false;
        } else if (arg == QLatin1String("--tcp")) {
            if (!integer(0, 65535, &options->tcpPort))
                return false;
        } else if (arg == QLatin1String("--link")) {
            if (!value(&options->linkPath))
                return false;
        } else if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            options->help = true;
            return true;
        } else {
            *error = QStringLiteral("unknown argument %1").arg(arg);
            return false;
        }
    }
    if (profileName == QLatin1String("fixed")) {
        options->profile = WeightProfile::fixed(options->weight);
    } else if (profileName == QLatin1String("truck")) {
        options->profile = WeightProfile::truck(options->weight);
    } else {
        QFile file(profileName);
        if (!file.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("--profile: cannot read %1").arg(profileName);
            return false;
        }
        QString scriptError;
        options->profile = WeightProfile::fromScript(QString::fromUtf8(file.readAll()), &scriptError);
        if (options->profile.isEmpty()) {
            *error = QStringLiteral("--profile %1: %2").arg(profileName, scriptError);
            return false;
        }
    }
    return true;
}
