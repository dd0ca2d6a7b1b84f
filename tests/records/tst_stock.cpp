#include "StockFixture.h"

#include "Cancellation.h"
#include "CsvExport.h"
#include "Database.h"
#include "DatabaseCopy.h"
#include "Finishing.h"
#include "FirstWeighing.h"
#include "Modification.h"
#include "Sql.h"
#include "StockQuery.h"
#include "StockTotals.h"
#include "TicketGenerator.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

#include <algorithm>

#include <functional>
#include <memory>

using StockQuery::Box;
using StockQuery::Direction;
using StockQuery::Filter;
using StockQuery::SortColumn;
using Change = std::function<void(Filter &)>;
Q_DECLARE_METATYPE(Change)

namespace {

// "product=quantity" per row, in the listed order.
QString listed(const QList<StockQuery::Row> &rows)
{
    QStringList parts;
    for (const StockQuery::Row &row : rows)
        parts.append(QStringLiteral("%1=%2").arg(row.termeknev).arg(row.mennyiseg));
    return parts.join(QLatin1Char(' '));
}

Filter period(const QDate &from, const QDate &to)
{
    Filter f;
    f.datumkozt = true;
    f.d1 = from;
    f.d2 = to;
    return f;
}

// Rows of a result as "key=sum" lines, the keys of case variants taken together: the engines fold case alike only
// for plain letters, and which spelling names a group is theirs to choose.
QStringList summed(QSqlQuery q, int keyColumns)
{
    QMap<QString, QList<qint64>> sums;
    while (q.next()) {
        QStringList key;
        for (int i = 0; i < keyColumns; ++i)
            key.append(q.value(i).toString().toLower());
        QList<qint64> &values = sums[key.join(QLatin1Char('|'))];
        values.resize(q.record().count() - keyColumns);
        for (int i = keyColumns; i < q.record().count(); ++i)
            values[i - keyColumns] += q.value(i).toLongLong();
    }
    QStringList lines;
    for (auto it = sums.cbegin(); it != sums.cend(); ++it) {
        if (std::any_of(it->cbegin(), it->cend(), [](qint64 v) { return v != 0; })) {
            QStringList values;
            for (const qint64 v : *it)
                values.append(QString::number(v));
            lines.append(it.key() + QLatin1Char('=') + values.join(QLatin1Char(',')));
        }
    }
    return lines;
}

QStringList figures(const QSqlDatabase &db, const StockQuery::Statement &statement)
{
    QSqlQuery q(db);
    q.prepare(statement.sql);
    for (const auto &[name, value] : statement.values)
        q.bindValue(name, value);
    if (!q.exec())
        qWarning() << q.lastError().text() << statement.sql;
    return summed(q, 1);
}

// The kept totals beside a recount of the tickets.
void compareTotals(const QSqlDatabase &db)
{
    const QString kept = QStringLiteral("SELECT hossz, idoszak, termeknev, raktar, irany, elszamolt, db FROM %1")
                             .arg(QLatin1String(StockTotals::kTable));
    QCOMPARE(summed(Sql::run(db, kept), 5),
             summed(Sql::run(db, StockTotals::recountSql(StockTotals::kYear) + QStringLiteral(" UNION ALL ") +
                                     StockTotals::recountSql(StockTotals::kMonth)),
                    5));
}

// The report's figures for filters of every kind, beside the same figures summed from the tickets.
void compareReports(const QSqlDatabase &db, QRandomGenerator &random, const QStringList &products)
{
    QList<Filter> filters{Filter(),
                          period(QDate(2023, 1, 1), QDate(2023, 12, 31)),
                          period(QDate(2023, 1, 1), QDate(2024, 12, 31)),
                          period(QDate(2023, 2, 1), QDate(2023, 2, 28)),
                          period(QDate(2022, 12, 15), QDate(2024, 1, 10)),
                          period(QDate(2023, 3, 31), QDate(2023, 4, 1)),
                          period(QDate(2024, 2, 29), QDate(2024, 2, 29))};
    for (int i = 0; i < 40; ++i) {
        Filter f;
        if (random.bounded(3) > 0) {
            const QDate from = QDate(2022, 10, 1).addDays(random.bounded(900));
            f = period(from, from.addDays(random.bounded(random.bounded(2) ? 40 : 900)));
        }
        f.irany = static_cast<Direction>(random.bounded(3));
        if (random.bounded(3) == 0)
            f.termeknev = {products.at(random.bounded(products.size())), int(random.bounded(2)) ? 1 : -1};
        if (random.bounded(4) == 0)
            f.raktar = {QStringLiteral("Raktár %1").arg(1 + random.bounded(3)), -1};
        filters.append(f);
    }
    int fromTotals = 0;
    for (const Filter &f : std::as_const(filters)) {
        const QString which = QStringLiteral("%1..%2 %3 %4 %5")
                                  .arg(f.d1.toString(Qt::ISODate), f.d2.toString(Qt::ISODate), f.termeknev.text,
                                       f.raktar.text)
                                  .arg(int(f.irany));
        fromTotals += StockQuery::statement(db, f).sql.contains(QLatin1String(StockTotals::kTable)) ? 1 : 0;
        const QStringList kept = figures(db, StockQuery::statement(db, f));
        const QStringList counted = figures(db, StockQuery::ticketStatement(db, f));
        QVERIFY2(kept == counted, qPrintable(which + QLatin1Char('\n') + kept.join(QLatin1Char(' ')) +
                                              QLatin1Char('\n') + counted.join(QLatin1Char(' '))));
    }
    QVERIFY2(fromTotals > filters.size() / 2, qPrintable(QString::number(fromTotals)));
}

} // namespace

class TestStock : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_databases;
    std::unique_ptr<Database> m_database;

private slots:
    void initTestCase() { KELVO_REQUIRE_ENGINE(); }
    void init()
    {
        m_databases = std::make_unique<TestDatabase>();
        const QString path = m_databases->created(QStringLiteral("stock"));
        QVERIFY(StockFixture::fill(path));
        m_database = std::make_unique<Database>(path);
        QCOMPARE(m_database->open(), QString());
    }
    void cleanup()
    {
        m_database.reset();
        m_databases.reset();
    }

    void report_data()
    {
        QTest::addColumn<Change>("change");
        QTest::addColumn<QString>("expected");
        const QDate mar3(2026, 3, 3);
        QTest::newRow("all, cancelled left out") << Change([](Filter &) {})
                                                 << "=100 barley=0 corn=3000 wheat=-2500";
        QTest::newRow("inbound") << Change([](Filter &f) { f.irany = Direction::Inbound; })
                                 << "=100 barley=500 corn=3000 wheat=10000";
        QTest::newRow("outbound") << Change([](Filter &f) { f.irany = Direction::Outbound; })
                                  << "barley=-500 wheat=-12500";
        QTest::newRow("day starting at midnight") << Change([=](Filter &f) { f = period(mar3, mar3); })
                                                  << "corn=3000";
        QTest::newRow("day ending at 23:59:59")
            << Change([](Filter &f) { f = period(QDate(2026, 2, 28), QDate(2026, 2, 28)); }) << "barley=500";
        QTest::newRow("two days") << Change([](Filter &f) { f = period(QDate(2026, 3, 1), QDate(2026, 3, 2)); })
                                  << "wheat=-2500";
        QTest::newRow("product chosen") << Change([](Filter &f) { f.termeknev = {"corn", 2}; }) << "corn=3000";
        QTest::newRow("product typed, no entry, still filters")
            << Change([](Filter &f) { f.termeknev = {"oats", -1}; }) << "";
        QTest::newRow("product emptied: the empty name") << Change([](Filter &f) { f.termeknev = {"", -1}; })
                                                         << "=100";
        QTest::newRow("warehouse typed") << Change([](Filter &f) { f.raktar = {"r2", -1}; }) << "corn=3000";
        QTest::newRow("carrier chosen") << Change([](Filter &f) { f.cegnev = {"alfa", 1}; })
                                        << "corn=3000 wheat=10000";
        QTest::newRow("carrier typed, no entry, does not filter")
            << Change([](Filter &f) { f.cegnev = {"Alfa", -1}; }) << "=100 barley=0 corn=3000 wheat=-2500";
        QTest::newRow("customer chosen") << Change([](Filter &f) { f.ugyfel = {"Lambda", 2}; })
                                         << "barley=0 wheat=-12500";
        QTest::newRow("customer first entry") << Change([](Filter &f) { f.ugyfel = {"Lambda", 0}; })
                                              << "=100 barley=0 corn=3000 wheat=-2500";
        QTest::newRow("product descending") << Change([](Filter &f) { f.ascending = false; })
                                            << "wheat=-2500 corn=3000 barley=0 =100";
        QTest::newRow("quantity ascending")
            << Change([](Filter &f) { f.sortColumn = SortColumn::Quantity; }) << "wheat=-2500 barley=0 =100 corn=3000";
        QTest::newRow("quantity descending") << Change([](Filter &f) {
            f.sortColumn = SortColumn::Quantity;
            f.ascending = false;
        }) << "corn=3000 =100 barley=0 wheat=-2500";
    }
    void report()
    {
        QFETCH(Change, change);
        QFETCH(QString, expected);
        Filter filter;
        change(filter);
        QCOMPARE(listed(StockQuery::run(m_database->db(), filter)), expected);
    }

    void accentedNamesInHungarianOrder()
    {
        QVERIFY(TestDatabase::exec(m_database->path(),
                                   QStringLiteral("INSERT INTO szallitasok (sorszam, termeknev, elszamolt, ervenyes) "
                                                  "VALUES (8, 'Árpa', 7, TRUE)")));
        QCOMPARE(listed(StockQuery::run(m_database->db(), Filter())),
                 QStringLiteral("=100 Árpa=7 barley=0 corn=3000 wheat=-2500"));
    }

    void boxChoiceAndPeriodCheck()
    {
        const QStringList carriers{QStringLiteral("Alfa"), QStringLiteral("Beta")};
        QCOMPARE(StockQuery::choose(carriers, QStringLiteral("<mindegy>")).index, 0);
        QCOMPARE(StockQuery::choose(carriers, QStringLiteral("beta")).index, 2);
        QCOMPARE(StockQuery::choose(carriers, QStringLiteral("Gamma")).index, -1);
        QCOMPARE(StockQuery::check(period(QDate(2026, 3, 2), QDate(2026, 3, 1)))->message,
                 QStringLiteral("Hibás időintervallumok !"));
        QVERIFY(!StockQuery::check(period(QDate(2026, 3, 2), QDate(2026, 3, 2))));
    }

    // The totals a report without a chosen carrier or customer reads are kept by triggers: after the generator's
    // bulk fill, weighings, cancellations, modifications, changes of every counted column and deletions, and in a
    // copy of the database, they are what a recount of the tickets gives.
    void keptTotalsMatchTheTickets()
    {
        const QString path = m_databases->created(QStringLiteral("kept"));
        QRandomGenerator random(7);
        QStringList products;
        {
            Database database(path);
            QCOMPARE(database.open(), QString());
            QCOMPARE(database.openTables(), QString());
            const QSqlDatabase db = database.db();
            TicketGenerator::Options options;
            options.rows = 1200;
            options.perDay = 2;
            options.firstDay = QDate(2022, 11, 20);
            options.plates = 40;
            options.carriers = 5;
            options.customers = 5;
            options.products = 6;
            options.warehouses = 3;
            QCOMPARE(TicketGenerator::fill(db, options), QString());
            QSqlQuery names = Sql::run(db, QStringLiteral("SELECT DISTINCT termeknev FROM szallitasok"));
            while (names.next())
                products.append(names.value(0).toString());
            compareTotals(db);

            const auto someSerial = [&] { return qint64(1 + random.bounded(1200)); };
            const auto someDay = [&] {
                return QDateTime(QDate(2022, 11, 1).addDays(random.bounded(800)), QTime(random.bounded(24), 0, 0));
            };
            const auto someProduct = [&] {
                const QString name = products.at(random.bounded(products.size()));
                return random.bounded(3) == 0 ? name.toUpper() : name;
            };
            for (int i = 0; i < 150; ++i) {
                const qint64 serial = someSerial();
                const QString where = QStringLiteral(" WHERE sorszam = %1").arg(serial);
                switch (random.bounded(7)) {
                case 0: {
                    FirstWeighing::Input in;
                    in.rendszam = QStringLiteral("MRT-%1").arg(i);
                    in.nev = random.bounded(4) == 0 ? QStringLiteral("$") : QStringLiteral("Fuvar Kft.");
                    in.ugyfelnev = QStringLiteral("Malom Zrt.");
                    in.termeknev = someProduct();
                    in.suly1 = QString::number(10000 + random.bounded(30000));
                    in.irany = int(random.bounded(2));
                    const QDateTime at = someDay();
                    QCOMPARE(FirstWeighing::record(db, in, 999999, [] { return OverwriteAnswer::Current; }, at).status,
                             FirstWeighing::Outcome::Status::Saved);
                    Finishing::Input out;
                    out.rendszam = in.rendszam;
                    out.suly2 = QString::number(10000 + random.bounded(30000));
                    out.raktar = QStringLiteral("Raktár %1").arg(1 + random.bounded(3));
                    QCOMPARE(Finishing::finish(db, out, {in.rendszam}, 999999, [](const QString &) { return true; },
                                               [&] { return at.addSecs(600); })
                                 .status,
                             Finishing::Outcome::Status::Saved);
                    break;
                }
                case 1:
                    Cancellation::cancel(db, serial);
                    break;
                case 2: {
                    Modification::Fields f;
                    f.rendszam = QStringLiteral("ABC-%1").arg(serial);
                    f.termeknev = someProduct();
                    f.raktar = QStringLiteral("raktár %1").arg(1 + random.bounded(3));
                    Modification::apply(db, serial, f, false);
                    break;
                }
                case 3:
                    Sql::run(db, QStringLiteral("UPDATE szallitasok SET bedatum = '%1'").arg(
                                     someDay().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))) + where);
                    break;
                case 4:
                    Sql::run(db, QStringLiteral("UPDATE szallitasok SET irany = 1 - irany, elszamolt = elszamolt + 7") +
                                     where);
                    break;
                case 5:
                    Sql::run(db, QStringLiteral("UPDATE szallitasok SET %1 = '$'")
                                         .arg(QLatin1String(random.bounded(2) ? "cegnev" : "ugyfelnev")) +
                                     where);
                    break;
                default:
                    Sql::run(db, QStringLiteral("DELETE FROM szallitasok") + where);
                }
            }
            compareTotals(db);
            compareReports(db, random, products);
        }

        const QString copy = m_databases->empty(QStringLiteral("keptcopy"));
        QCOMPARE(DatabaseCopy::copy(path, copy).error, QString());
        Database copied(copy);
        QCOMPARE(copied.open(), QString());
        compareTotals(copied.db());
        compareReports(copied.db(), random, products);
    }

    void quantityText_data()
    {
        QTest::addColumn<qint64>("kg");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << qint64(0) << "0";
        QTest::newRow("three digits") << qint64(999) << "999";
        QTest::newRow("negative") << qint64(-2500) << "-2 500";
        QTest::newRow("negative three digits") << qint64(-100) << "-100";
        QTest::newRow("billions") << qint64(1234567890) << "1 234 567 890";
    }
    void quantityText()
    {
        QFETCH(qint64, kg);
        QFETCH(QString, text);
        QCOMPARE(StockQuery::quantityText(kg), text);
    }

    void csvBytes()
    {
        const QByteArray bytes = CsvExport::bytes(StockQuery::columnNames(),
                                                 {{QStringLiteral("búza"), QStringLiteral("-2500")},
                                                  {QStringLiteral("a;b \"c\""), QStringLiteral("1,5")},
                                                  {QStringLiteral("two\nlines"), QString()}});
        QCOMPARE(bytes, QByteArray("\xEF\xBB\xBF\"termeknev\";\"Expr1001\"\r\n"
                                   "b\xC3\xBAza;-2500\r\n"
                                   "\"a;b \"\"c\"\"\";1,5\r\n"
                                   "\"two\nlines\";\r\n"));
    }

    void csvWriteReplacesOnlyWhenWritten()
    {
        const QString path = m_databases->dir().filePath(QStringLiteral("stock.csv"));
        QCOMPARE(CsvExport::write(path, "old"), QString());
        QCOMPARE(CsvExport::write(path, "new"), QString());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("new"));
        QVERIFY(!CsvExport::write(m_databases->dir().filePath(QStringLiteral("no/such/stock.csv")), "x").isEmpty());
        QCOMPARE(QDir(m_databases->dir().path()).entryList({QStringLiteral("*.csv*")}, QDir::Files),
                 QStringList{QStringLiteral("stock.csv")});
    }
};

QTEST_GUILESS_MAIN(TestStock)
#include "tst_stock.moc"
