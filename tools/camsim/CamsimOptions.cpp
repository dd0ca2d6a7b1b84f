#include "CamsimOptions.h"

namespace {

bool toInt(const QString &text, int min, int max, int *value)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < min || v > max)
        return false;
    *value = v;
    return true;
}

} // namespace

QString CamsimOptions::usage()
{
    return QStringLiteral(
        "Usage: camsim [--name TEXT] [--port N] [--auth basic|digest --user U --password P] [--slow MS]\n"
        "              [--dead | --status N | --not-jpeg]\n"
        "An IP camera on 127.0.0.1: every GET on any path answers with a fresh JPEG showing the name, the time and\n"
        "the count of pictures served. Prints the port it listens on as its first line.\n"
        "  --name TEXT      the name on the pictures (camsim)\n"
        "  --port N         the port to listen on (default: any free one)\n"
        "  --auth MODE      require basic or digest (MD5) authentication with --user and --password\n"
        "  --slow MS        answer each request after MS milliseconds\n"
        "  --dead           accept connections and never answer\n"
        "  --status N       answer every request with the HTTP error N (400-599)\n"
        "  --not-jpeg       answer with an HTML page instead of a picture\n");
}

bool CamsimOptions::parse(const QStringList &args, CamsimOptions *options, QString *error)
{
    const QStringList valued{"--name", "--port", "--auth", "--user", "--password", "--slow", "--status"};
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (arg == u"--help" || arg == u"-h") {
            options->help = true;
            continue;
        }
        if (arg == u"--dead") {
            options->dead = true;
            continue;
        }
        if (arg == u"--not-jpeg") {
            options->notJpeg = true;
            continue;
        }
        if (!valued.contains(arg)) {
            *error = QStringLiteral("unknown argument \"%1\"").arg(arg);
            return false;
        }
        if (i + 1 >= args.size()) {
            *error = arg + QStringLiteral(" needs a value");
            return false;
        }
        const QString value = args.at(++i);
        bool good = true;
        if (arg == u"--name") {
            options->name = value;
        } else if (arg == u"--port") {
            good = toInt(value, 0, 65535, &options->port);
        } else if (arg == u"--auth") {
            good = value == u"basic" || value == u"digest";
            options->auth = value == u"basic" ? Auth::Basic : Auth::Digest;
        } else if (arg == u"--user") {
            options->user = value;
        } else if (arg == u"--password") {
            options->password = value;
        } else if (arg == u"--slow") {
            good = toInt(value, 0, 3600000, &options->slowMs);
        } else if (arg == u"--status") {
            good = toInt(value, 400, 599, &options->status);
        }
        if (!good) {
            *error = QStringLiteral("%1: invalid value \"%2\"").arg(arg, value);
            return false;
        }
    }
    if (options->auth != Auth::None && options->user.isEmpty()) {
        *error = QStringLiteral("--auth needs --user");
        return false;
    }
    if (int(options->dead) + int(options->status != 0) + int(options->notJpeg) > 1) {
        *error = QStringLiteral("--dead, --status and --not-jpeg exclude each other");
        return false;
    }
    return true;
}
