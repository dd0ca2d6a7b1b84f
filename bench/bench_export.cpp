// Bulk output beside the engine's own client: bench_export [--runs N] [--from D --to D] [--kelvoctl PATH] DATAPATH
// DATAPATH is a database file or a postgresql:// URI (not changed). Times kelvoctl export szallitasok, kelvoctl
// search of one period as text and as CSV, and the search window's CSV writer, each beside sqlite3 -csv or
// psql \copy ... csv running the same SELECT; output goes to /dev/null (the window's writer to a file, as it does).
#include "CsvExport.h"
#include "Database.h"
#include "DatabaseUri.h"
#include "Formats.h"
#include "TransportSearch.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlRecord>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

// Seconds of each run of work, its median.
double timed(int runs, const std::function<void()> &work)
{
    QList<double> seconds;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        work();
        seconds.append(clock.nsecsElapsed() / 1e9);
    }
    return median(seconds);
}

void runQuiet(const QString &program, const QStringList &args)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, args);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        std::fprintf(stderr, "bench_export: %s %s failed\n", qPrintable(program), qPrintable(args.join(u' ')));
}

// The statement with its values written in, for a client that takes no parameters.
QString inlined(const TransportSearch::Statement &s)
{
    QString sql = s.sql;
    // Longest names first, so that ":start" does not eat a part of a longer name.
    auto bindings = s.bindings;
    std::sort(bindings.begin(), bindings.end(), [](const auto &a, const auto &b) { return a.first.size() > b.first.size(); });
    for (const auto &[name, value] : bindings) {
        const bool number = value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int;
        sql.replace(name, number ? value.toString() : QLatin1Char('\'') + value.toString().replace(QStringLiteral("'"), QStringLiteral("''")) + QLatin1Char('\''));
    }
    return sql;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Bulk output beside the engine's own client."));
    parser.addHelpOption();
    const QCommandLineOption runs(QStringLiteral("runs"), QStringLiteral("Runs of each, median printed (3)."),
                                  QStringLiteral("N"), QStringLiteral("3"));
    const QCommandLineOption from(QStringLiteral("from"), QStringLiteral("Search period start (2020.01.01)."),
                                  QStringLiteral("D"), QStringLiteral("2020.01.01"));
    const QCommandLineOption to(QStringLiteral("to"), QStringLiteral("Search period end (2020.12.31)."),
                                QStringLiteral("D"), QStringLiteral("2020.12.31"));
    const QCommandLineOption program(QStringLiteral("kelvoctl"), QStringLiteral("The kelvoctl to time (this build's)."),
                                     QStringLiteral("PATH"), QStringLiteral(KELVOCTL_PATH));
    parser.addOptions({runs, from, to, program});
    parser.addPositionalArgument(QStringLiteral("datapath"), QStringLiteral("A database file or a postgresql:// URI."));
    parser.process(app);
    if (parser.positionalArguments().size() != 1)
        parser.showHelp(2);
    const QString datapath = parser.positionalArguments().constFirst();
    const int n = std::max(1, parser.value(runs).toInt());
    const bool server = DatabaseUri::parse(datapath).isServer();

    Database database(datapath);
    if (const QString error = database.open(); !error.isEmpty()) {
        std::fprintf(stderr, "bench_export: %s\n", qPrintable(error));
        return 1;
    }
    const QSqlDatabase db = database.db();

    QTemporaryDir home;
    QFile ini(home.filePath(QStringLiteral("Kelvo.ini")));
    if (!ini.open(QIODevice::WriteOnly) || ini.write("[Opt]\r\ndatapath=" + datapath.toUtf8() + "\r\nkarbantart=0\r\n") < 0)
        return 1;
    ini.close();
    const auto kelvoctl = [&](QStringList args) {
        args << QStringLiteral("--home") << home.path();
        runQuiet(parser.value(program), args);
    };
    const auto client = [&](const QString &sql) {
        if (server)
            runQuiet(QStringLiteral("psql"), {QStringLiteral("-X"), QStringLiteral("-q"), datapath, QStringLiteral("-c"),
                                              QStringLiteral("\\copy (%1) to stdout csv").arg(sql)});
        else
            runQuiet(QStringLiteral("sqlite3"), {QStringLiteral("-csv"), datapath, sql});
    };

    QStringList columns;
    const QSqlRecord record = db.record(QStringLiteral("szallitasok"));
    for (int i = 0; i < record.count(); ++i) {
        if (record.fieldName(i) != u"id")
            columns.append(record.fieldName(i));
    }
    const QString exportSql =
        QStringLiteral("SELECT %1 FROM szallitasok ORDER BY rendszam, sorszam").arg(columns.join(QStringLiteral(", ")));

    TransportSearch::Filter filter;
    filter.from = Formats::parseDate(parser.value(from));
    filter.to = Formats::parseDate(parser.value(to));
    const auto built = TransportSearch::build(db, filter);
    if (!std::holds_alternative<TransportSearch::Statement>(built)) {
        std::fprintf(stderr, "bench_export: the period is refused\n");
        return 2;
    }
    const TransportSearch::Statement search = std::get<TransportSearch::Statement>(built);
    const QString searchSql = inlined(search);
    // The text list reads the 16 columns it shows (three of them summed); the engine's client gets the same.
    const QString listSql = inlined(search.listed());
    const QStringList period{QStringLiteral("--from"), parser.value(from), QStringLiteral("--to"), parser.value(to)};

    qint64 searchRows = 0;
    {
        RowStream rows = search.stream(db);
        while (rows.next())
            ++searchRows;
    }
    std::printf("%s, search %s - %s: %lld rows; medians of %d runs\n", qPrintable(server ? QStringLiteral("PostgreSQL") : QStringLiteral("SQLite")),
                qPrintable(parser.value(from)), qPrintable(parser.value(to)), searchRows, n);
    std::printf("%-34s %10s %10s %7s\n", "work", "kelvo s", "client s", "ratio");
    const auto row = [](const char *work, double ours, double theirs) {
        std::printf("%-34s %10.2f %10.2f %7.2f\n", work, ours, theirs, theirs > 0 ? ours / theirs : 0.0);
        std::fflush(stdout);
    };

    row("export szallitasok --csv -", timed(n, [&] { kelvoctl({QStringLiteral("export"), QStringLiteral("szallitasok")}); }),
        timed(n, [&] { client(exportSql); }));
    row("search (text)", timed(n, [&] { kelvoctl(QStringList{QStringLiteral("search")} + period); }),
        timed(n, [&] { client(listSql); }));
    row("search --csv -",
        timed(n, [&] { kelvoctl(QStringList{QStringLiteral("search")} + period + QStringList{QStringLiteral("--csv"), QStringLiteral("-")}); }),
        timed(n, [&] { client(searchSql); }));
    const QString file = home.filePath(QStringLiteral("lista.csv"));
    row("search window's CSV writer", timed(n, [&] {
            RowStream rows = search.stream(db);
            const CsvExport::Outcome outcome = CsvExport::exportCsv(rows, file, [](qint64) { return true; });
            if (!outcome.ok())
                std::fprintf(stderr, "bench_export: %s\n", qPrintable(outcome.error));
        }),
        timed(n, [&] { client(searchSql); }));
    return 0;
}
