#include "StockFixture.h"

#include "Database.h"
#include "CsvExport.h"
#include "StockQuery.h"

#include <QDir>
#include <QFile>
#include <QTest>

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
