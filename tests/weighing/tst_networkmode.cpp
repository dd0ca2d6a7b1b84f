#include "../support/TestDatabase.h"
#include "Database.h"
#include "Dialect.h"
#include "Finishing.h"
#include "FirstWeighing.h"
#include "InProgress.h"
#include "Sql.h"

#include <QSignalSpy>
#include <QSqlDriver>
#include <QTest>

#include <chrono>
#include <thread>

namespace {

const QDateTime kNow(QDate(2026, 12, 8), QTime(7, 0, 0));
constexpr char kNeedsServer[] = "announcements and lost connections need a PostgreSQL server (the _pg run)";
// What the server says to a connection it terminates.
constexpr char kTerminated[] = "terminating connection";

FirstWeighing::Outcome weighIn(const QSqlDatabase &db, const QString &plate)
{
    FirstWeighing::Input in;
    in.rendszam = plate;
    in.nev = QStringLiteral("Agro Kft.");
    in.ugyfelnev = QStringLiteral("Malom Zrt.");
    in.termeknev = QStringLiteral("Búza");
    in.suly1 = QStringLiteral("24360");
    return FirstWeighing::record(db, in, 999999, [] { return OverwriteAnswer::Current; }, kNow);
}

Finishing::Outcome finish(const QSqlDatabase &db, const QString &plate)
{
    Finishing::Input in;
    in.rendszam = plate;
    in.suly2 = QStringLiteral("11220");
    in.raktar = QStringLiteral("Fő raktár");
    return Finishing::finish(db, in, {plate}, 999999, [](const QString &) { return true; }, kNow);
}

// The row count of a table, read on a connection of its own.
qint64 rows(const QString &path, const char *table)
{
    const QString name = QStringLiteral("test-count");
    qint64 n = -1;
    {
        QSqlDatabase db = Database::openConnection(path, name, nullptr);
        n = Sql::value(db, QStringLiteral("SELECT count(*) FROM %1").arg(QLatin1String(table))).toLongLong();
    }
    QSqlDatabase::removeDatabase(name);
    return n;
}

// Ends every other connection to the database, as a server restart does.
void terminateOthers(const QString &path)
{
    QVERIFY(TestDatabase::exec(path, QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE "
                                                    "datname = current_database() AND pid <> pg_backend_pid()")));
}

} // namespace

// Several stations on one database: what one commits reaches the others' in-progress lists, and a station whose
// server connection is cut carries on with the next operation.
class TestNetworkMode : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { KELVO_REQUIRE_ENGINE(); }

    void changesOfOthersAreAnnounced_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("networkMode");
        QTest::addColumn<bool>("own");
        QTest::addColumn<bool>("announced");
        QTest::newRow("first weighing") << "weigh in" << true << false << true;
        QTest::newRow("finish") << "finish" << true << false << true;
        QTest::newRow("delete") << "delete" << true << false << true;
        QTest::newRow("swap direction") << "swap" << true << false << true;
        QTest::newRow("network mode off") << "weigh in" << false << false << false;
        QTest::newRow("own change") << "weigh in" << true << true << false;
    }
    void changesOfOthersAreAnnounced()
    {
        QFETCH(QString, change);
        QFETCH(bool, networkMode);
        QFETCH(bool, own);
        QFETCH(bool, announced);
        TestDatabase databases;
        const QString path = databases.created(QStringLiteral("announce"));
        Database station(path), other(path);
        QCOMPARE(other.open(), QString());
        QCOMPARE(weighIn(other.db(), QStringLiteral("AAA-111")).status, FirstWeighing::Outcome::Status::Saved);
        station.setNetworkMode(networkMode);
        QCOMPARE(station.open(), QString());
        QSignalSpy spy(&station, &Database::changedElsewhere);

        const QSqlDatabase db = own ? station.db() : other.db();
        if (change == u"weigh in")
            QCOMPARE(weighIn(db, QStringLiteral("BBB-222")).status, FirstWeighing::Outcome::Status::Saved);
        else if (change == u"finish")
            QCOMPARE(finish(db, QStringLiteral("AAA-111")).status, Finishing::Outcome::Status::Saved);
        else if (change == u"delete")
            QVERIFY(InProgress::remove(db, *InProgress::find(db, QStringLiteral("AAA-111"))));
        else
            QVERIFY(InProgress::swapDirection(db, *InProgress::find(db, QStringLiteral("AAA-111"))));

        // A file announces nothing: its stations re-read on the refresh command.
        if (announced && TestDatabase::onServer()) {
            QTRY_COMPARE(spy.count(), 1);
            QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("folyamatban"));
        } else {
            QTest::qWait(300);
            QCOMPARE(spy.count(), 0);
        }
    }

    void burstGivesOneSignalPerTable()
    {
        if (!TestDatabase::onServer())
            QSKIP(kNeedsServer);
        TestDatabase databases;
        Database station(databases.created(QStringLiteral("burst")));
        station.setNetworkMode(true);
        QCOMPARE(station.open(), QString());
        QSignalSpy spy(&station, &Database::changedElsewhere);
        QSqlDriver *driver = station.db().driver();
        const QString channel = Dialect::changeChannel(station.db());
        for (const char *table : {"folyamatban", "folyamatban", "szallitasok", "folyamatban"})
            emit driver->notification(channel, QSqlDriver::OtherSource, QString::fromLatin1(table));
        QCOMPARE(spy.count(), 0);
        QTRY_COMPARE(spy.count(), 2);
        QTest::qWait(50);
        QCOMPARE(spy.count(), 2);
    }

    void upgradeAddsTheAnnouncement()
    {
        if (!TestDatabase::onServer())
            QSKIP(kNeedsServer);
        TestDatabase databases;
        const QString path = databases.created(QStringLiteral("older"));
        QVERIFY(TestDatabase::exec(path, QStringLiteral("DROP TRIGGER folyamatban_change ON folyamatban")));
        Database station(path);
        station.setNetworkMode(true);
        QCOMPARE(station.open(), QString());
        QSignalSpy spy(&station, &Database::changedElsewhere);
        QVERIFY(TestDatabase::exec(path, QStringLiteral("DELETE FROM folyamatban")));
        QTest::qWait(300);
        QCOMPARE(spy.count(), 0);

        QCOMPARE(station.openTables(), QString());
        QCOMPARE(station.openTables(), QString());
        QVERIFY(TestDatabase::exec(path, QStringLiteral("DELETE FROM folyamatban")));
        QTRY_COMPARE(spy.count(), 1);
    }

    // The operation in hand when the connection goes fails with the server's text and stores nothing; the next
    // one reconnects, and in network mode listens again.
    void lostConnectionFailsOneOperation_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<bool>("networkMode");
        QTest::newRow("first weighing") << "weigh in" << false;
        QTest::newRow("finish") << "finish" << false;
        QTest::newRow("first weighing, network mode") << "weigh in" << true;
    }
    void lostConnectionFailsOneOperation()
    {
        if (!TestDatabase::onServer())
            QSKIP(kNeedsServer);
        QFETCH(QString, operation);
        QFETCH(bool, networkMode);
        TestDatabase databases;
        const QString path = databases.created(QStringLiteral("lost"));
        Database station(path);
        station.setNetworkMode(networkMode);
        QCOMPARE(station.open(), QString());
        QCOMPARE(weighIn(station.db(), QStringLiteral("AAA-111")).status, FirstWeighing::Outcome::Status::Saved);
        QSignalSpy spy(&station, &Database::changedElsewhere);
        const auto run = [&] {
            if (operation == u"weigh in")
                return weighIn(station.db(), QStringLiteral("BBB-222")).status == FirstWeighing::Outcome::Status::Saved;
            return finish(station.db(), QStringLiteral("AAA-111")).status == Finishing::Outcome::Status::Saved;
        };

        terminateOthers(path);
        try {
            run();
            QFAIL("an operation on a terminated connection went through");
        } catch (const DatabaseError &e) {
            QVERIFY2(QString::fromUtf8(e.what()).contains(QLatin1String(kTerminated)), e.what());
        }
        QCOMPARE(rows(path, "folyamatban"), qint64(1));
        QCOMPARE(rows(path, "szallitasok"), qint64(0));

        QVERIFY(run());
        QCOMPARE(rows(path, "folyamatban") + rows(path, "szallitasok"), qint64(2) - (operation == u"finish"));
        if (networkMode) {
            QVERIFY(TestDatabase::exec(path, QStringLiteral("UPDATE folyamatban SET suly1 = suly1 + 1")));
            QTRY_COMPARE(spy.count(), 1);
        }
    }

    // A station in network mode that loses its connection while nobody works at it opens it again by itself,
    // says so (its views read again: what others did meanwhile was never announced) and follows the others again.
    void lostConnectionComesBackByItself()
    {
        if (!TestDatabase::onServer())
            QSKIP(kNeedsServer);
        TestDatabase databases;
        const QString path = databases.created(QStringLiteral("watch"));
        Database station(path);
        station.setNetworkMode(true);
        QCOMPARE(station.open(), QString());
        QSignalSpy reconnected(&station, &Database::reconnected);
        QSignalSpy changed(&station, &Database::changedElsewhere);

        terminateOthers(path);
        QTRY_COMPARE_WITH_TIMEOUT(reconnected.count(), 1, 15000);
        QVERIFY(station.isOpen());
        QVERIFY(TestDatabase::exec(path, QStringLiteral("DELETE FROM folyamatban")));
        QTRY_COMPARE(changed.count(), 1);
    }

    // A connection that dies while the finishing transaction waits for the counter: neither the ticket nor the
    // removal of the in-progress row is kept, and the next attempt stores the ticket under the first number.
    void killedInsideFinishingStoresNoTicket()
    {
        if (!TestDatabase::onServer())
            QSKIP(kNeedsServer);
        TestDatabase databases;
        const QString path = databases.created(QStringLiteral("killed"));
        Database station(path);
        QCOMPARE(station.open(), QString());
        QCOMPARE(weighIn(station.db(), QStringLiteral("ABC-123")).status, FirstWeighing::Outcome::Status::Saved);

        const QString holderName = QStringLiteral("test-holder");
        {
            QSqlDatabase holder = Database::openConnection(path, holderName, nullptr);
            QVERIFY(holder.transaction());
            Sql::run(holder, QStringLiteral("SELECT utolso FROM sorszamlalo FOR UPDATE"));
            // Terminates the backend once it waits for the counter's lock, i.e. in the middle of the finishing.
            std::thread killer([path] {
                const QString name = QStringLiteral("test-killer");
                {
                    QSqlDatabase db = Database::openConnection(path, name, nullptr);
                    for (int i = 0; i < 500; ++i) {
                        const QString sql = QStringLiteral(
                            "SELECT count(pg_terminate_backend(pid)) FROM pg_stat_activity "
                            "WHERE datname = current_database() AND wait_event_type = 'Lock'");
                        if (Sql::value(db, sql).toInt() > 0)
                            break;
                        std::this_thread::sleep_for(std::chrono::milliseconds(20));
                    }
                }
                QSqlDatabase::removeDatabase(name);
            });
            QString error;
            try {
                finish(station.db(), QStringLiteral("ABC-123"));
            } catch (const DatabaseError &e) {
                error = QString::fromUtf8(e.what());
            }
            killer.join();
            QVERIFY(holder.rollback());
            QVERIFY2(error.contains(QLatin1String(kTerminated)), qPrintable(error));
        }
        QSqlDatabase::removeDatabase(holderName);
        QCOMPARE(rows(path, "folyamatban"), qint64(1));
        QCOMPARE(rows(path, "szallitasok"), qint64(0));

        const Finishing::Outcome again = finish(station.db(), QStringLiteral("ABC-123"));
        QCOMPARE(again.status, Finishing::Outcome::Status::Saved);
        QCOMPARE(again.sorszam, qint64(1));
        QCOMPARE(rows(path, "folyamatban"), qint64(0));
    }
};

QTEST_GUILESS_MAIN(TestNetworkMode)
#include "tst_networkmode.moc"
