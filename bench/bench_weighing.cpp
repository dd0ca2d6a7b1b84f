// With a million finished transports in the database: how long the second weighing window takes to open with its
// lists filled, how long finishing a transport (the transaction) takes, and how long filling a ticket takes.
// Run by hand: bench_weighing [ROWS] [DATAPATH] (default 1000000 rows in a SQLite file of a temporary folder).
// DATAPATH names an existing empty PostgreSQL database (postgresql://…) to measure the server instead; the tables
// are made there. Prints medians over repeated runs.

#include "BenchTickets.h"
#include "Database.h"
#include "Finishing.h"
#include "FirstWeighing.h"
#include "Kelvo.h"
#include "MessageBoxes.h"
#include "Schema.h"
#include "Sql.h"
#include "Tbefejezesform.h"
#include "TicketPrinter.h"
#include "TicketSettings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v.at(v.size() / 2);
}

void startTransport(const QSqlDatabase &db, const QString &plate)
{
    FirstWeighing::Input in;
    in.rendszam = plate;
    in.nev = QStringLiteral("Agro Kft.");
    in.ugyfelnev = QStringLiteral("Malom Zrt.");
    in.termeknev = QStringLiteral("Búza");
    in.egysegar = QStringLiteral("52000");
    in.suly1 = QStringLiteral("24360");
    FirstWeighing::record(db, in, 999999, [] { return OverwriteAnswer::Current; }, QDateTime::currentDateTime());
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const qint64 rows = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1000000;
    setMessageHook([](const MessageRequest &) { return 1; });

    QTemporaryDir dir;
    const QString home = dir.path() + QLatin1Char('/');
    const QString datapath = argc > 2 ? QString::fromLocal8Bit(argv[2]) : home + QStringLiteral("kelvo.mdb");
    // A server database that already holds the tickets of an earlier run is measured as it is: filling a million
    // rows over the server connection takes minutes.
    bool filled = false;
    if (const QString error = Schema::createDatabase(datapath); !error.isEmpty()) {
        Database db(datapath);
        filled = db.open().isEmpty() &&
                 Sql::value(db.db(), QStringLiteral("SELECT COUNT(*) FROM szallitasok")).toLongLong() > 0;
        if (!filled) {
            std::fprintf(stderr, "bench_weighing: %s\n", qPrintable(error));
            return 1;
        }
    }
    {
        QFile ini(home + QStringLiteral("Kelvo.ini"));
        ini.open(QIODevice::WriteOnly);
        ini.write("[Opt]\nkarbantart=0\ndatapath=" + datapath.toUtf8() + "\n[ComPort1]\nPort=/nonexistent\n");
    }
    QFile::copy(QStringLiteral(KELVO_SOURCE_DIR "/share/merlegjegy.htm"), home + QStringLiteral("merlegjegy.htm"));
    QFile(home + QStringLiteral("sajatceg.txt")).open(QIODevice::WriteOnly);

    QElapsedTimer clock;
    clock.start();
    if (!filled) {
        Database db(datapath);
        db.open();
        fillTickets(db.db(), rows);
        std::printf("database with %lld finished transports made in %.1f s\n", rows, clock.elapsed() / 1000.0);
    }

    Kelvo kelvo(home);
    kelvo.setPrinterCheck([] { return true; });
    kelvo.createWindows();
    kelvo.firstShow();
    kelvo.initialise();
    // Start-up finishes once the database checks on its worker have run.
    while (kelvo.state() == Kelvo::State::Starting)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    // The figures are read as another program on the station would.
    Database own(datapath);
    own.open();
    const QSqlDatabase db = own.db();

    constexpr int kRuns = 15;
    QList<double> open, finish, ticket;
    for (int i = 0; i < kRuns; ++i) {
        const QString plate = QStringLiteral("BENCH-%1").arg(i);
        startTransport(db, plate);
        clock.restart();
        // Until the window shows its lists: the read runs on the database worker.
        bool ready = false;
        kelvo.befejezesform()->prepare(QString(), [&ready](bool) { ready = true; });
        while (!ready)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        open.append(clock.nsecsElapsed() / 1e6);

        Finishing::Input in;
        in.rendszam = plate;
        in.suly2 = QStringLiteral("11220");
        in.raktar = QStringLiteral("Raktár 1");
        in.tisztasag = QStringLiteral("98");
        in.viztartalom = QStringLiteral("18,5");
        in.elvartviz = QStringLiteral("14");
        clock.restart();
        const auto outcome = Finishing::finish(db, in, {plate}, 999999, [](const QString &) { return true; },
                                               QDateTime::currentDateTime());
        finish.append(clock.nsecsElapsed() / 1e6);

        TicketSettings settings;
        settings.programFolder = home;
        clock.restart();
        FillTicketTemplate(outcome.sorszam, db, settings.templatePath(), settings.outputPath(), settings, nullptr);
        ticket.append(clock.nsecsElapsed() / 1e6);
    }
    std::printf("open the second weighing window (lists filled): median %.1f ms\n", median(open));
    std::printf("finish a transport (transaction only):          median %.2f ms\n", median(finish));
    std::printf("fill a ticket (out.htm):                        median %.2f ms\n", median(ticket));
    return 0;
}
