// Stations of a group finishing transports on one database at the same moment, over and over: how long each
// finishing transaction takes (median, 99th percentile, worst), and whether the serial numbers still run without a
// gap or a duplicate. Run by hand: bench_stations [--stations N] [--rounds R] DATAPATH (a file or a postgresql://
// URI of a database with the program's tables, ideally holding the tickets of bench_data).

#include "Database.h"
#include "Finishing.h"
#include "FirstWeighing.h"
#include "Sql.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>

#include <algorithm>
#include <barrier>
#include <cstdio>
#include <mutex>
#include <thread>

namespace {

struct Station {
    QList<double> finishMs;
    QList<qint64> serials;
    QString error;
};

void work(const QString &datapath, int number, int rounds, std::barrier<> &together, Station &station)
{
    Database database(datapath);
    if (const QString error = database.open(); !error.isEmpty())
        station.error = error;
    const QString run = QString::number(QDateTime::currentSecsSinceEpoch(), 36).toUpper();
    for (int round = 0; round < rounds; ++round) {
        const QString plate = QStringLiteral("S%1-%2-%3").arg(number).arg(run).arg(round);
        if (station.error.isEmpty()) {
            FirstWeighing::Input in;
            in.rendszam = plate;
            in.nev = QStringLiteral("Agro Kft.");
            in.ugyfelnev = QStringLiteral("Malom Zrt.");
            in.termeknev = QStringLiteral("Búza");
            in.egysegar = QStringLiteral("52000");
            in.suly1 = QStringLiteral("24360");
            try {
                FirstWeighing::record(database.db(), in, 999999, [] { return OverwriteAnswer::Current; },
                                      QDateTime::currentDateTime());
            } catch (const DatabaseError &e) {
                station.error = QString::fromStdString(e.what());
            }
        }
        // Every station finishes its truck at the same moment.
        together.arrive_and_wait();
        if (!station.error.isEmpty())
            continue;
        Finishing::Input out;
        out.rendszam = plate;
        out.suly2 = QStringLiteral("11220");
        out.raktar = QStringLiteral("Raktár 1");
        QElapsedTimer clock;
        clock.start();
        try {
            const Finishing::Outcome outcome = Finishing::finish(
                database.db(), out, {plate}, 999999, [](const QString &) { return true; },
                [] { return QDateTime::currentDateTime(); });
            station.finishMs.append(clock.nsecsElapsed() / 1e6);
            if (outcome.status == Finishing::Outcome::Status::Saved)
                station.serials.append(outcome.sorszam);
            else
                station.error = outcome.refusal.message;
        } catch (const DatabaseError &e) {
            station.error = QString::fromStdString(e.what());
        }
    }
}

double percentile(const QList<double> &sorted, double p)
{
    if (sorted.isEmpty())
        return 0;
    return sorted.at(std::min<qsizetype>(sorted.size() - 1, qsizetype(p * double(sorted.size()))));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    int stations = 4;
    int rounds = 250;
    QString datapath;
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args.at(i) == u"--stations" && i + 1 < args.size())
            stations = args.at(++i).toInt();
        else if (args.at(i) == u"--rounds" && i + 1 < args.size())
            rounds = args.at(++i).toInt();
        else
            datapath = args.at(i);
    }
    if (datapath.isEmpty() || stations < 1 || rounds < 1) {
        std::fprintf(stderr, "usage: bench_stations [--stations N] [--rounds R] DATAPATH\n");
        return 2;
    }
    QList<Station> results(stations);
    std::barrier together(stations);
    {
        std::vector<std::jthread> threads;
        for (int s = 0; s < stations; ++s)
            threads.emplace_back(work, datapath, s + 1, rounds, std::ref(together), std::ref(results[s]));
    }
    QList<double> all;
    QList<qint64> serials;
    for (const Station &station : std::as_const(results)) {
        if (!station.error.isEmpty()) {
            std::fprintf(stderr, "bench_stations: %s\n", qPrintable(station.error));
            return 1;
        }
        all += station.finishMs;
        serials += station.serials;
    }
    std::sort(all.begin(), all.end());
    std::sort(serials.begin(), serials.end());
    const bool unique = std::adjacent_find(serials.cbegin(), serials.cend()) == serials.cend();
    const bool contiguous = !serials.isEmpty() && serials.last() - serials.first() + 1 == serials.size();
    std::printf("%d stations, %d rounds: finishing median %.1f ms, 99th percentile %.1f ms, worst %.1f ms\n",
                stations, rounds, percentile(all, 0.5), percentile(all, 0.99), all.isEmpty() ? 0.0 : all.last());
    std::printf("serial numbers %lld..%lld: %lld tickets, %s, %s\n", serials.value(0), serials.value(serials.size() - 1),
                qint64(serials.size()), unique ? "no duplicate" : "DUPLICATES", contiguous ? "no gap" : "GAPS");
    return unique && contiguous ? 0 : 1;
}
