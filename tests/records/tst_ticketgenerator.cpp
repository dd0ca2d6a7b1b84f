#include "../support/TestDatabase.h"

#include "Database.h"
#include "SerialCounter.h"
#include "Settlement.h"
#include "Sql.h"
#include "StockQuery.h"
#include "TicketGenerator.h"
#include "TransportSearch.h"

#include <QCryptographicHash>
#include <QSqlRecord>

#include <cmath>
#include <memory>

namespace {

qint64 count(const QSqlDatabase &db, const QString &where)
{
    return Sql::value(db, QStringLiteral("SELECT COUNT(*) FROM szallitasok WHERE ") + where).toLongLong();
}

// Every ticket's values in serial order, as one digest.
QByteArray digest(const QSqlDatabase &db)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    QSqlQuery q = Sql::run(db, QStringLiteral("SELECT * FROM szallitasok ORDER BY sorszam"));
    while (q.next()) {
        for (int i = 0; i < q.record().count(); ++i)
            hash.addData(q.value(i).toString().toUtf8() + '\t');
    }
    return hash.result();
}

} // namespace

class TestTicketGenerator : public QObject
{
    Q_OBJECT

    TestDatabase m_databases;

    // A new database filled by the generator; empty pointer (and a failed check) when it cannot be made.
    std::unique_ptr<Database> generated(const TicketGenerator::Options &options)
    {
        auto database = std::make_unique<Database>(m_databases.created(QStringLiteral("generated")));
        if (!database->open().isEmpty() || !database->openTables().isEmpty())
            return {};
        if (const QString error = TicketGenerator::fill(database->db(), options); !error.isEmpty()) {
            qWarning() << error;
            return {};
        }
        return database;
    }

private slots:
    void initTestCase() { KELVO_REQUIRE_ENGINE(); }

    void tickets_data()
    {
        QTest::addColumn<qint64>("rows");
        QTest::addColumn<int>("perDay");
        QTest::addColumn<quint64>("seed");
        QTest::newRow("a week of a busy site") << qint64(2000) << 288 << quint64(1);
        QTest::newRow("two months of a small one") << qint64(3000) << 50 << quint64(77);
    }
    void tickets()
    {
        QFETCH(qint64, rows);
        QFETCH(int, perDay);
        QFETCH(quint64, seed);
        TicketGenerator::Options options;
        options.rows = rows;
        options.perDay = perDay;
        options.seed = seed;
        const std::unique_ptr<Database> database = generated(options);
        QVERIFY(database);
        const QSqlDatabase db = database->db();

        QCOMPARE(count(db, QStringLiteral("1 = 1")), rows);
        QCOMPARE(Sql::value(db, QStringLiteral("SELECT COUNT(*) FROM szallitasok_szoveg")).toLongLong(), rows);
        const qint64 days =
            Sql::value(db, QStringLiteral("SELECT COUNT(DISTINCT substr(kidatum, 1, 10)) FROM szallitasok")).toLongLong();
        QVERIFY2(days >= rows / perDay * 8 / 10 && days <= rows / perDay * 12 / 10 + 1, qPrintable(QString::number(days)));
        const qint64 busiest = Sql::value(db, QStringLiteral("SELECT MAX(n) FROM (SELECT COUNT(*) AS n FROM szallitasok "
                                                             "GROUP BY substr(kidatum, 1, 10)) AS d")).toLongLong();
        QVERIFY2(busiest <= 2 * perDay, qPrintable(QString::number(busiest)));

        // The shares a working site has, within what chance allows at a few thousand rows.
        const auto share = [&](const char *where) { return double(count(db, QString::fromUtf8(where))) / double(rows); };
        const struct {
            const char *where;
            double low, high;
        } shares[] = {{"NOT ervenyes", 0.005, 0.05},     {"kezi", 0.003, 0.04},           {"modositott", 0.01, 0.06},
                      {"megjegyzes <> ''", 0.08, 0.25}, {"ugyirat <> ''", 0.15, 0.35},  {"irany = 1", 0.2, 0.4},
                      {"parcella <> ''", 0.05, 0.4}};
        for (const auto &s : shares)
            QVERIFY2(share(s.where) >= s.low && share(s.where) <= s.high, s.where);
        for (const char *column : {"rendszam", "cegnev", "ugyfelnev", "termeknev", "raktar"}) {
            const qint64 distinct =
                Sql::value(db, QStringLiteral("SELECT COUNT(DISTINCT %1) FROM szallitasok").arg(QLatin1String(column)))
                    .toLongLong();
            QVERIFY2(distinct >= 10, column);
        }

        // Every row by the program's own rules, serials rising with the time of the second weighing.
        QSqlQuery q = Sql::run(db, QStringLiteral("SELECT sorszam, irany, suly1, suly2, nettosuly, levontsuly, "
                                                  "elszamolt, tisztasag, viztartalom, elvartviz, egysegar, osszeg, "
                                                  "bedatum, kidatum, kezi, jel1, jel2 FROM szallitasok ORDER BY sorszam"));
        qint64 serial = 0;
        QString lastOut;
        while (q.next()) {
            const QString at = q.value(0).toString();
            QCOMPARE(q.value(0).toLongLong(), serial + 1);
            serial = q.value(0).toLongLong();
            const Settlement::Result s = Settlement::compute(
                {q.value(2).toLongLong(), q.value(3).toLongLong(), q.value(1).toInt(), q.value(7).toDouble(),
                 q.value(8).toDouble(), q.value(9).toDouble(), q.value(10).toDouble()});
            QVERIFY2(s.net != 0 && q.value(4).toLongLong() == s.net, qPrintable(at));
            QVERIFY2(q.value(5).toLongLong() == s.deducted && q.value(6).toLongLong() == s.settled, qPrintable(at));
            QVERIFY2(std::abs(s.settled) <= std::abs(s.net), qPrintable(at));
            QVERIFY2(std::abs(q.value(11).toDouble() - s.amount) < 1e-6, qPrintable(at));
            const QString in = q.value(12).toString(), out = q.value(13).toString();
            QVERIFY2(QDateTime::fromString(in, QStringLiteral("yyyy-MM-dd HH:mm:ss")).isValid() && in < out &&
                         lastOut < out,
                     qPrintable(at));
            lastOut = out;
            const bool keyedMark = q.value(15).toString() == u"K" || q.value(16).toString() == u"K";
            QVERIFY2(q.value(14).toBool() == keyedMark, qPrintable(at));
        }
        QCOMPARE(serial, rows);

        // The program reads it: the search and its totals, a quick search for a plate, the stock report, and the
        // next ticket's serial after the last.
        TransportSearch::Filter all;
        all.ignoreDates = true;
        const auto statement = std::get<TransportSearch::Statement>(TransportSearch::build(db, all));
        QCOMPARE(TransportSearch::totals(db, statement).rows, count(db, QStringLiteral("ervenyes")));
        TransportSearch::Filter quick;
        quick.quick = Sql::value(db, QStringLiteral("SELECT rendszam FROM szallitasok WHERE sorszam = 1")).toString();
        const auto quickStatement = std::get<TransportSearch::Statement>(TransportSearch::build(db, quick));
        QVERIFY(TransportSearch::totals(db, quickStatement).rows >= 1);
        QVERIFY(!StockQuery::run(db, StockQuery::Filter()).isEmpty());
        {
            Transaction t(db);
            QCOMPARE(SerialCounter::next(db), rows + 1);
        }

        // The same seed gives the same rows; another seed others (a few hundred rows show it).
        options.rows = 300;
        const std::unique_ptr<Database> first = generated(options);
        const std::unique_ptr<Database> again = generated(options);
        options.seed += 1;
        const std::unique_ptr<Database> other = generated(options);
        QVERIFY(first && again && other);
        QCOMPARE(digest(again->db()), digest(first->db()));
        QVERIFY(digest(other->db()) != digest(first->db()));
    }
};

QTEST_GUILESS_MAIN(TestTicketGenerator)
#include "tst_ticketgenerator.moc"
