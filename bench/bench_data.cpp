// Makes a database of generated tickets: bench_data [--rows N] [--seed S] [--per-day D] DATAPATH
// DATAPATH is a file (made new) or a postgresql:// URI of an empty database.
#include "Database.h"
#include "Schema.h"
#include "TicketGenerator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Makes a database of generated finished transports."));
    parser.addHelpOption();
    const QCommandLineOption rows(QStringLiteral("rows"), QStringLiteral("Tickets to make (1000000)."),
                                  QStringLiteral("N"), QStringLiteral("1000000"));
    const QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("Seed: the same seed, the same rows (1)."),
                                  QStringLiteral("S"), QStringLiteral("1"));
    const QCommandLineOption perDay(QStringLiteral("per-day"), QStringLiteral("Tickets a day on average (288)."),
                                    QStringLiteral("D"), QStringLiteral("288"));
    parser.addOptions({rows, seed, perDay});
    parser.addPositionalArgument(QStringLiteral("datapath"), QStringLiteral("A new file or a postgresql:// URI."));
    parser.process(app);
    if (parser.positionalArguments().size() != 1)
        parser.showHelp(2);

    TicketGenerator::Options options;
    bool ok1 = false, ok2 = false, ok3 = false;
    options.rows = parser.value(rows).toLongLong(&ok1);
    options.seed = parser.value(seed).toULongLong(&ok2);
    options.perDay = parser.value(perDay).toInt(&ok3);
    if (!ok1 || !ok2 || !ok3 || options.rows < 0 || options.perDay < 1) {
        std::fprintf(stderr, "bench_data: --rows, --seed and --per-day take positive whole numbers\n");
        return 2;
    }
    const QString datapath = parser.positionalArguments().constFirst();
    if (const QString error = Schema::createDatabase(datapath); !error.isEmpty()) {
        std::fprintf(stderr, "bench_data: %s\n", qPrintable(error));
        return 1;
    }
    Database database(datapath);
    QString error = database.open();
    if (error.isEmpty())
        error = database.openTables();
    QElapsedTimer clock;
    clock.start();
    if (error.isEmpty())
        error = TicketGenerator::fill(database.db(), options);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "bench_data: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("%lld tickets made in %.1f s\n", options.rows, clock.elapsed() / 1000.0);
    return 0;
}
