#include "Database.h"
#include "DatabaseWorker.h"
#include "Sql.h"

#include "../support/FreezableProxy.h"
#include "../support/TestDatabase.h"

#include <QSignalSpy>
#include <QTest>

#include <atomic>
#include <numeric>

namespace {

QString failureOf(const QFuture<void> &future)
{
    try {
        QFuture<void>(future).waitForFinished();
    } catch (const std::exception &e) {
        return QString::fromUtf8(e.what());
    }
    return {};
}

qint64 count(const QString &path, const QString &sql)
{
    QString error;
    qint64 n = -1;
    {
        QSqlDatabase db = Database::openConnection(path, QStringLiteral("count"), &error);
        n = Sql::value(db, sql).toLongLong();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("count"));
    return n;
}

} // namespace

class tst_DatabaseWorker : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (const QString reason = TestDatabase::skipReason(); !reason.isEmpty())
            QSKIP(qPrintable(reason));
    }

    // Commands from several callers run one at a time in the order given, off the caller's thread; one that fails
    // reaches its own future only.
    void commandsRunInOrder()
    {
        TestDatabase databases;
        DatabaseWorker worker;
        QCOMPARE(worker.open(databases.created(QStringLiteral("order"))).result(), QString());
        std::vector<int> ran;
        QList<QFuture<void>> futures;
        std::atomic<bool> offThread{true};
        QThread *caller = QThread::currentThread();
        for (int i = 0; i < 20; ++i) {
            futures.append(worker.run([&, i](QSqlDatabase db) {
                offThread = offThread && QThread::currentThread() != caller;
                ran.push_back(i);
                if (i == 7)
                    Sql::run(db, QStringLiteral("SELECT * FROM no_such_table"));
            }));
        }
        worker.drain();
        std::vector<int> expected(20);
        std::iota(expected.begin(), expected.end(), 0);
        QCOMPARE(ran, expected);
        QVERIFY(offThread);
        QVERIFY(!failureOf(futures[7]).isEmpty());
        QCOMPARE(failureOf(futures[8]), QString());
    }

    // A cancelled long read stops at once and the next command goes through on a working connection.
    void cancelInterruptsLongRead()
    {
        TestDatabase databases;
        DatabaseWorker worker;
        QCOMPARE(worker.open(databases.created(QStringLiteral("cancel"))).result(), QString());
        QSignalSpy state(&worker, &DatabaseWorker::onlineChanged);
        const QString slow = TestDatabase::onServer()
                                 ? QStringLiteral("SELECT pg_sleep(60)")
                                 : QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c "
                                                  "WHERE x < 2000000000) SELECT count(*) FROM c");
        QElapsedTimer timer;
        timer.start();
        QFuture<void> read = worker.runWithProgress([slow](QSqlDatabase db, DatabaseWorker::Progress &) {
            Sql::run(db, slow);
        });
        QTest::qWait(300);
        read.cancel();
        QFuture<qint64> next = worker.run(
            [](QSqlDatabase db) { return Sql::value(db, QStringLiteral("SELECT COUNT(*) FROM szallito")).toLongLong(); });
        QTRY_VERIFY_WITH_TIMEOUT(next.isFinished(), 5000);
        QVERIFY(timer.elapsed() < 5000);
        QCOMPARE(next.result(), 0);
        // The operator's cancel is no lost server.
        QVERIFY(worker.online());
        QCOMPARE(state.count(), 0);
    }

    // A server that stops answering in the middle of a write: the command fails within its limit, the station
    // knows at once that it is offline and refuses commands without waiting, nothing of the write is stored, and it
    // is online again when the server answers.
    void frozenServer()
    {
        if (!TestDatabase::onServer())
            QSKIP("a server connection");
        TestDatabase databases;
        const QString direct = databases.created(QStringLiteral("frozen"));
        FreezableProxy proxy;
        QVERIFY(proxy.start(TestDatabase::serverUri()));
        DatabaseWorker worker;
        QSignalSpy state(&worker, &DatabaseWorker::onlineChanged);
        QFuture<QString> opened = worker.open(proxy.uriFor(direct));
        QTRY_VERIFY(opened.isFinished());
        QCOMPARE(opened.result(), QString());

        std::atomic<bool> inserted{false};
        std::atomic<bool> frozen{false};
        QFuture<void> write = worker.run([&](QSqlDatabase db) {
            Transaction transaction(db);
            Sql::run(db, QStringLiteral("INSERT INTO raktar (raktar) VALUES ('Fagyott')"));
            inserted = true;
            while (!frozen)
                QThread::msleep(5);
            Sql::run(db, QStringLiteral("INSERT INTO raktar (raktar) VALUES ('Fagyott 2')"));
            transaction.commit();
        });
        QTRY_VERIFY(inserted);
        proxy.setFrozen(true);
        frozen = true;
        QElapsedTimer timer;
        timer.start();
        QTRY_VERIFY_WITH_TIMEOUT(write.isFinished(), 15000);
        QVERIFY2(timer.elapsed() < 12000, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(!failureOf(write).isEmpty());
        QTRY_VERIFY(!state.isEmpty());
        QCOMPARE(state.first().at(0).toBool(), false);
        QVERIFY(!worker.online());

        QFuture<void> refused = worker.run([](QSqlDatabase) {});
        QVERIFY(refused.isFinished());
        QCOMPARE(failureOf(refused), QString::fromUtf8(DatabaseWorker::kOffline));

        proxy.setFrozen(false);
        QTRY_VERIFY_WITH_TIMEOUT(worker.online(), 20000);
        QTRY_COMPARE(state.last().at(0).toBool(), true);
        QCOMPARE(count(direct, QStringLiteral("SELECT COUNT(*) FROM raktar WHERE raktar LIKE 'Fagyott%'")), 0);
    }

    // Stations sharing a SQLite file: each learns of the others' commits within two seconds, never of its own.
    void sharedFileFollowsOthers()
    {
        if (TestDatabase::onServer())
            QSKIP("a SQLite file");
        TestDatabase databases;
        const QString path = databases.created(QStringLiteral("shared"));
        Database mine(path);
        QCOMPARE(mine.open(), QString());
        mine.setNetworkMode(true);
        QSignalSpy changes(&mine, &Database::changedElsewhere);
        Sql::run(mine.db(), QStringLiteral("INSERT INTO raktar (raktar) VALUES ('Saját')"));
        QTest::qWait(1500);
        QCOMPARE(changes.count(), 0);

        Database other(path);
        QCOMPARE(other.open(), QString());
        Sql::run(other.db(), QStringLiteral("INSERT INTO raktar (raktar) VALUES ('Másik')"));
        QTRY_COMPARE_WITH_TIMEOUT(changes.count(), 1, 2000);
        QCOMPARE(changes.first().at(0).toString(), QStringLiteral("folyamatban"));
    }

    // A command waiting for the operator's answer when the program ends gets the fallback answer: the end of the
    // run never waits for a window that is going away.
    void questionWhileStopping()
    {
        TestDatabase databases;
        auto worker = std::make_unique<DatabaseWorker>();
        QCOMPARE(worker->open(databases.created(QStringLiteral("ask"))).result(), QString());
        std::atomic<int> answer{-1};
        std::atomic<bool> asking{false};
        worker->run([&](QSqlDatabase) {
            asking = true;
            answer = worker->askOwner<int>([] { return 1; }, 0);
        });
        while (!asking)
            QThread::msleep(5);
        worker->stop();
        QCOMPARE(answer.load(), 0);
    }
};

QTEST_MAIN(tst_DatabaseWorker)
#include "tst_databaseworker.moc"
