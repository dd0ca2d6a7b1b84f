#include "KillLoop.h"

#include "Schema.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdio>

// kelvoctl killed with SIGKILL at random moments, hundreds of times, on a fresh database: prints the figures and
// every proof that failed. bench_killloop --kills N --engine sqlite|URI [--seed S]; a URI names an empty database.
int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const auto option = [&](const char *name, const QString &fallback) {
        const qsizetype at = args.indexOf(QLatin1String(name));
        return at > 0 && at + 1 < args.size() ? args.at(at + 1) : fallback;
    };
    const int kills = option("--kills", QStringLiteral("300")).toInt();
    const QString engine = option("--engine", QStringLiteral("sqlite"));
    const quint32 seed = option("--seed", QString::number(QRandomGenerator::global()->generate())).toUInt();

    QTemporaryDir home;
    const QString datapath = engine == u"sqlite" ? home.filePath(QStringLiteral("kelvo.mdb")) : engine;
    if (const QString error = Schema::createDatabase(datapath); !error.isEmpty()) {
        std::fprintf(stderr, "creating the database: %s\n", qPrintable(error));
        return 2;
    }
    QFile ini(home.filePath(QStringLiteral("Kelvo.ini")));
    if (!ini.open(QIODevice::WriteOnly) ||
        ini.write("[Opt]\r\ndatapath=" + datapath.toUtf8() + "\r\nkarbantart=0\r\nmaxsuly=100000\r\n") < 0)
        return 2;
    ini.close();

    KillLoop loop(QStringLiteral(KELVOCTL_PATH), datapath, home.path(), seed);
    const KillLoop::Figures f = loop.run(kills);
    std::printf("engine %s, seed %u\nkills %d, landed while running %d, hot journal %d, after the commit %d, "
                "backup leftovers %d, amcheck %s\nfindings %lld\n",
                engine == u"sqlite" ? "sqlite" : "postgresql", seed, f.kills, f.landedRunning, f.hotJournals,
                f.effectCommitted, f.backupLeftovers, loop.amchecked() ? "yes" : "no", qlonglong(f.findings.size()));
    for (const QString &finding : f.findings)
        std::printf("  %s\n", qPrintable(finding));
    return f.findings.isEmpty() ? 0 : 1;
}
