// How long the window thread of kelvo is kept from its events while slow things happen: a 10 ms heartbeat timer
// runs on it, and its worst lateness is the longest stall an operator would see (live weight frozen, nothing
// repainted). Run by hand:
//   bench_stalls [--rows N] [--server URI]
// --rows: finished transports for the stock report, the list report, the backup and the start-up upgrade (default
// 1000000, SQLite files). A word-processor ticket and the list report go to the default CUPS printer.
// --server: an empty PostgreSQL database (postgresql://…, the test server's URI form) for the cases of a server that
// freezes or goes away; it is reached through a loopback relay that can freeze. Prints one line a case.

#include "../tests/scale/UiHeartbeat.h"
#include "../tests/support/FreezableProxy.h"
#include "BenchTickets.h"
#include "Config.h"
#include "DataBackup.h"
#include "Database.h"
#include "Kelvo.h"
#include "MessageBoxes.h"
#include "Schema.h"
#include "Sql.h"
#include "TicketPrintQueue.h"
#include "PagedDocument.h"
#include "TSzallitasokform.h"
#include "T_previewform.h"
#include "Tkeszletform.h"
#include "Tkezdesform.h"

#include "WorkerCall.h"

#include "ui_TSzallitasokform.h"
#include "ui_Tkeszletform.h"
#include "ui_Tkezdesform.h"

#include <QAction>
#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <cstdio>
#include <memory>

namespace {

// A program folder of its own for each kelvo run.
class ProgramFolder
{
public:
    explicit ProgramFolder(const QString &datapath, const QByteArray &extra = {})
    {
        QFile ini(home() + QStringLiteral("Kelvo.ini"));
        ini.open(QIODevice::WriteOnly);
        ini.write("[Opt]\nkarbantart=0\nPrintmode=0\ndatapath=" + datapath.toUtf8() + "\n" + extra +
                  "[ComPort1]\nPort=/nonexistent\n");
        QFile(home() + QStringLiteral("sajatceg.txt")).open(QIODevice::WriteOnly);
    }
    QString home() const { return m_dir.path() + QLatin1Char('/'); }

private:
    QTemporaryDir m_dir;
};

// Starts kelvo as the program does and runs its events until it runs (or ends).
std::unique_ptr<Kelvo> startKelvo(const ProgramFolder &folder)
{
    auto kelvo = std::make_unique<Kelvo>(folder.home());
    kelvo->setPrinterCheck([] { return true; });
    kelvo->createWindows();
    kelvo->firstShow();
    kelvo->initialise();
    runEvents(600000, [&] { return kelvo->state() != Kelvo::State::Starting; });
    return kelvo;
}

// Runs work on the window thread's event loop with the heartbeat going, until done() or the time is up.
void measure(const char *name, const std::function<void()> &work, const std::function<bool()> &done, int maxMs)
{
    UiHeartbeat heartbeat([] { return qsizetype(0); });
    QElapsedTimer clock;
    clock.start();
    heartbeat.start();
    work();
    runEvents(maxMs, done);
    heartbeat.stop();
    std::printf("%-58s worst stall %5lld ms   (ran %.1f s)\n", name, heartbeat.worstLateMs(), clock.elapsed() / 1000.0);
    std::fflush(stdout);
}

QString filledFile(const QString &folder, qint64 rows)
{
    const QString path = folder + QStringLiteral("/tickets.mdb");
    if (const QString error = Schema::createDatabase(path); !error.isEmpty())
        qFatal("%s", qPrintable(error));
    Database db(path);
    db.open();
    fillTickets(db.db(), rows);
    return path;
}

// The relay on a thread of its own: start-up still checks the database from the window thread, and a relay there
// could not pass those bytes on.
class RelayThread
{
public:
    explicit RelayThread(const QString &uri)
    {
        m_thread.start();
        m_context.moveToThread(&m_thread);
        call([this, uri] {
            m_proxy = std::make_unique<FreezableProxy>();
            if (!m_proxy->start(uri))
                qFatal("no loopback port for the relay");
            m_uri = m_proxy->uriFor(uri);
        });
    }
    ~RelayThread()
    {
        call([this] { m_proxy.reset(); });
        m_thread.quit();
        m_thread.wait();
    }
    const QString &uri() const { return m_uri; }
    void setFrozen(bool frozen)
    {
        call([this, frozen] { m_proxy->setFrozen(frozen); });
    }
    void stop()
    {
        call([this] { m_proxy->stop(); });
    }

private:
    void call(std::function<void()> f) { QMetaObject::invokeMethod(&m_context, f, Qt::BlockingQueuedConnection); }

    QThread m_thread;
    QObject m_context;
    std::unique_ptr<FreezableProxy> m_proxy;
    QString m_uri;
};

// The first weighing window opened and a plate typed, key by key, while the server does not answer.
void typePlate(Kelvo &kelvo)
{
    Tkezdesform *window = kelvo.kezdesform();
    window->prepare();
    window->show();
    QTest::keyClicks(window->ui()->rendszam, QStringLiteral("ABC-123"));
}

void serverCases(const QString &uri)
{
    if (const QString error = Schema::createDatabase(uri); !error.isEmpty())
        std::fprintf(stderr, "(database kept: %s)\n", qPrintable(error));
    RelayThread proxy(uri);
    ProgramFolder folder(proxy.uri());
    auto kelvo = startKelvo(folder);
    if (kelvo->state() != Kelvo::State::Running)
        qFatal("kelvo did not start on the server");

    QElapsedTimer typed;
    measure("server frozen: first weighing window opened, plate typed", [&] {
        proxy.setFrozen(true);
        typed.start();
        typePlate(*kelvo);
    }, [&] { return typed.elapsed() > 12000; }, 13000);
    kelvo->kezdesform()->hide();
    proxy.setFrozen(false);
    runEvents(15000, [&] { return kelvo->worker()->online(); });

    QElapsedTimer gone;
    measure("server gone: first weighing window opened, plate typed", [&] {
        proxy.stop();
        gone.start();
        typePlate(*kelvo);
        for (int i = 0; i < 5; ++i)
            QTest::keyClicks(kelvo->kezdesform()->ui()->rendszam, QStringLiteral("X"));
    }, [&] { return gone.elapsed() > 12000; }, 13000);
    kelvo->kezdesform()->hide();
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption rowsOption(QStringLiteral("rows"), QStringLiteral("tickets"), QStringLiteral("N"),
                                       QStringLiteral("1000000"));
    const QCommandLineOption serverOption(QStringLiteral("server"), QStringLiteral("PostgreSQL URI"),
                                          QStringLiteral("URI"));
    parser.addOptions({rowsOption, serverOption});
    parser.process(app);
    const qint64 rows = parser.value(rowsOption).toLongLong();
    setMessageHook([](const MessageRequest &r) {
        std::printf("  (message: %s)\n", qPrintable(r.text.simplified()));
        return 1;
    });

    if (parser.isSet(serverOption))
        serverCases(parser.value(serverOption));

    QTemporaryDir data;
    QElapsedTimer clock;
    clock.start();
    const QString tickets = filledFile(data.path(), rows);
    std::printf("(%lld tickets made in %.1f s)\n", rows, clock.elapsed() / 1000.0);

    {
        ProgramFolder folder(tickets);
        auto kelvo = startKelvo(folder);
        Tkeszletform *stock = kelvo->windows().keszletform();
        stock->prepare(kelvo->worker(), QDate(2026, 12, 31), 3650, folder.home());
        runEvents(60000, [&] { return !WorkerCall::Busy::running(stock); });
        stock->ui()->datumkozt->setChecked(false);
        measure("stock report", [&] { stock->findChild<QAction *>(QStringLiteral("mKereses"))->trigger(); },
                [&] { return !WorkerCall::Busy::running(stock); }, 600000);

        DataBackup::setPathQuestion([&data](QWidget *, const QString &, const QString &) {
            return data.filePath(QStringLiteral("backup.zip"));
        });
        measure("backup (menu)", [&] { DataBackup::manual(*kelvo); }, [] { return !DataBackup::running(); }, 600000);
    }

    {
        // A list report of 10,000 tickets from the search window: built on the worker, then turned through and
        // printed from its preview (the whole PDF written and handed to CUPS).
        ProgramFolder folder(tickets);
        auto kelvo = startKelvo(folder);
        TSzallitasokform *search = kelvo->windows().Szallitasokform();
        std::unique_ptr<PagedDocument> report;
        search->setReportViewer([&report](std::unique_ptr<PagedDocument> built) { report = std::move(built); });
        search->prepare(kelvo->worker(), &kelvo->config()->ini(), QDate(2026, 12, 31), 3650, folder.home());
        runEvents(60000, [&] { return !WorkerCall::Busy::running(search); });
        search->ui()->nincsdatum->setChecked(true);
        search->ui()->minsorszam->setText(QString::number(std::max<qint64>(1, rows - 9999)));
        search->runSearch();
        runEvents(600000, [&] { return !WorkerCall::Busy::running(search); });
        measure("list report of 10,000 tickets built", [&] { search->printList(); },
                [&] { return report != nullptr; }, 600000);
        std::printf("  (%lld tickets listed, %d pages)\n", qint64(search->ui()->lista->model()->rowCount()),
                    report->pageCount());
        T_previewform preview;
        preview.attach(std::move(report), QStringLiteral("bench_stalls"));
        preview.show();
        measure("list report previewed (last page, first page) and printed", [&] {
            preview.lastPage();
            preview.firstPage();
            preview.print();
        }, [&] { return !WorkerCall::Busy::running(&preview); }, 600000);
        search->release();
    }

    {
        // The word-processor ticket: LibreOffice's start and conversion take seconds.
        const QString document = data.filePath(QStringLiteral("merlegjegy.docx"));
        ProgramFolder folder(tickets, "worddirectprint=1\nwinwordfile=" + document.toUtf8() + "\n");
        QFile::copy(QStringLiteral(KELVO_WORD_SAMPLE), document);
        auto kelvo = startKelvo(folder);
        measure("word-processor ticket to the default printer", [&] {
            kelvo->printTicket(rows, QStringLiteral("merlegjegy.htm"), PrintMode::WordDocument,
                               Kelvo::PrintKind::Reprint);
        }, [&] { return kelvo->printQueue().idle(); }, 120000);
    }

    {
        // An older database: the quick search's texts and the indexes the upgrade adds are not there yet.
        Database db(tickets);
        db.open();
        for (const char *sql : {"DROP TRIGGER szallitasok_szoveg_insert", "DROP TRIGGER szallitasok_szoveg_update",
                                "DROP TRIGGER szallitasok_szoveg_delete", "DROP TABLE szallitasok_szoveg_trigram",
                                "DROP TABLE szallitasok_szoveg"})
            Sql::run(db.db(), QLatin1String(sql));
        QSqlQuery names(db.db());
        names.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'index' AND sql IS NOT NULL"));
        QStringList indexes;
        while (names.next())
            indexes.append(names.value(0).toString());
        for (const QString &index : indexes)
            Sql::run(db.db(), QStringLiteral("DROP INDEX %1").arg(index));
    }
    {
        ProgramFolder folder(tickets);
        auto kelvo = std::make_unique<Kelvo>(folder.home());
        kelvo->setPrinterCheck([] { return true; });
        kelvo->createWindows();
        kelvo->firstShow();
        measure("start-up upgrade of an older database", [&] { kelvo->initialise(); },
                [&] { return kelvo->state() != Kelvo::State::Starting; }, 900000);
    }
    return 0;
}
