#include "../support/TestDatabase.h"

#include "BandReport.h"
#include "Database.h"
#include "ListReports.h"

#include <QSqlQuery>
#include <QTest>

#include <memory>

namespace {

// The text a band prints at x, y; empty when nothing is there.
QString textAt(const Band &band, double x, double y)
{
    for (const BandText &item : band.texts) {
        if (qAbs(item.x - x) < 0.01 && qAbs(item.y - y) < 0.01)
            return item.text;
    }
    return {};
}

const BandReport &bands(const std::unique_ptr<PagedDocument> &document)
{
    return dynamic_cast<const BandReport &>(*document);
}

// Every transport in serial order, whatever its state or date.
TransportSearch::Statement everything(const QSqlDatabase &db)
{
    TransportSearch::Filter filter;
    filter.state = TransportSearch::State::Any;
    filter.ignoreDates = true;
    filter.sort.ascending = true;
    return std::get<TransportSearch::Statement>(TransportSearch::build(db, filter));
}

QString row(int serial, int direction, int suly1, int suly2, int net, int settled, const char *amount, bool modified,
            bool valid)
{
    return QStringLiteral("(%1, 'P%1', 'C', 'U', 'T', %2, %3, %4, %5, %6, %7, '2026-03-02 10:05:00', %8, %9)")
        .arg(serial)
        .arg(direction)
        .arg(suly1)
        .arg(suly2)
        .arg(net)
        .arg(settled)
        .arg(QLatin1String(amount), modified ? QStringLiteral("TRUE") : QStringLiteral("FALSE"),
             valid ? QStringLiteral("TRUE") : QStringLiteral("FALSE"));
}

} // namespace

// The printed lists: which band lands on which page, and what the transport list prints of its rows.
class TestListReports : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_databases;
    std::unique_ptr<Database> m_database;

    // A database holding the rows ("(...), (...)"), open in m_database.
    QSqlDatabase withRows(const QStringList &rows)
    {
        const QString path = m_databases->created(QStringLiteral("reports"));
        if (!rows.isEmpty()) {
            const bool filled = TestDatabase::exec(
                path, QStringLiteral("INSERT INTO szallitasok (sorszam, rendszam, cegnev, ugyfelnev, termeknev, irany, "
                                     "suly1, suly2, nettosuly, elszamolt, osszeg, kidatum, modositott, ervenyes) "
                                     "VALUES ") + rows.join(QLatin1Char(',')));
            if (!filled)
                qWarning("rows not inserted");
        }
        m_database = std::make_unique<Database>(path);
        if (const QString error = m_database->open(); !error.isEmpty())
            qWarning() << error;
        return m_database->db();
    }

    static std::unique_ptr<PagedDocument> transports(const QSqlDatabase &db)
    {
        return ListReports::transports(db, everything(db), QStringLiteral("<mindegy>"),
                                       {{QStringLiteral("Cég Kft")}, QDate(2026, 3, 9)});
    }

private slots:
    void initTestCase() { KELVO_REQUIRE_ENGINE(); }
    void init() { m_databases = std::make_unique<TestDatabase>(); }
    void cleanup()
    {
        m_database.reset();
        m_databases.reset();
    }

    // The landscape list: 179.4 mm above the footer, 30.4 of it the title on the first page, 12.7 a row.
    void paginate_data()
    {
        QTest::addColumn<qsizetype>("rows");
        QTest::addColumn<QList<BandPage>>("pages");
        QTest::newRow("empty") << qsizetype(0) << QList<BandPage>{{true, 0, 0, true}};
        QTest::newRow("sixty rows") << qsizetype(60)
                                    << QList<BandPage>{{true, 0, 11, false},
                                                       {false, 11, 14, false},
                                                       {false, 25, 14, false},
                                                       {false, 39, 14, false},
                                                       {false, 53, 7, true}};
        QTest::newRow("summary does not fit") << qsizetype(25)
                                              << QList<BandPage>{{true, 0, 11, false},
                                                                 {false, 11, 14, false},
                                                                 {false, 25, 0, true}};
        QTest::newRow("summary just fits") << qsizetype(21)
                                           << QList<BandPage>{{true, 0, 11, false}, {false, 11, 10, true}};
    }
    void paginate()
    {
        QFETCH(qsizetype, rows);
        QFETCH(QList<BandPage>, pages);
        QCOMPARE(::paginate({190, 30.4, 12.7, 10.6, 38.1}, rows), pages);
    }

    void everyPageNumbered_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("pages");
        QTest::newRow("none") << 0 << 1;
        QTest::newRow("sixty") << 60 << 5;
    }
    void everyPageNumbered()
    {
        QFETCH(int, rows);
        QFETCH(int, pages);
        QStringList values;
        for (int serial = 1; serial <= rows; ++serial)
            values.append(row(serial, 0, 1000, 0, 1000, 1000, "0", false, true));
        const auto report = transports(withRows(values));
        QCOMPARE(report->pageCount(), pages);
        for (int page = 0; page < pages; ++page) {
            const Band footer = bands(report).pageBands(page).last().second;
            QCOMPARE(textAt(footer, 254.0, 4.2), QStringLiteral("Oldalak: %1/%2").arg(page + 1).arg(pages));
        }
        // The title opens the first page, the summary closes the last.
        QCOMPARE(textAt(bands(report).pageBands(0).first().second, 4.2, 2.1), QStringLiteral("Szállítások"));
        QCOMPARE(textAt(bands(report).pageBands(pages - 1).at(bands(report).pageBands(pages - 1).size() - 2).second,
                        4.2, 4.2),
                 QStringLiteral("Összesen:"));
    }

    // The larger weighing first whatever the direction or the settled weight; flags read as booleans.
    void detailRow_data()
    {
        QTest::addColumn<QString>("values");
        QTest::addColumn<QStringList>("texts"); // settled, weighings, net, modified, cancelled
        QTest::newRow("inbound") << row(1, 0, 12000, 4000, 8000, 8000, "0", false, true)
                                 << QStringList{"8000 kg", "12000 kg, 4000 kg", "8000 kg", "Nem", "Nem"};
        QTest::newRow("outbound, modified") << row(1, 1, 4000, 7000, -3000, -3000, "0", true, true)
                                            << QStringList{"3000 kg", "7000 kg, 4000 kg", "3000 kg", "Igen", "Nem"};
        QTest::newRow("outbound, confirmed zero, cancelled")
            << row(1, 1, 4000, 9000, -5000, 0, "0", false, false)
            << QStringList{"0 kg", "9000 kg, 4000 kg", "5000 kg", "Nem", "Igen"};
    }
    void detailRow()
    {
        QFETCH(QString, values);
        QFETCH(QStringList, texts);
        const auto report = transports(withRows({values}));
        const Band detail = bands(report).pageBands(0).at(1).second;
        QCOMPARE(textAt(detail, 0, 0.8), QStringLiteral("00001"));
        QCOMPARE(textAt(detail, 237.1, 0.8), QStringLiteral("2026.03.02 10:05"));
        const QStringList printed{textAt(detail, 201.6, 0.8), textAt(detail, 231.0, 0.8), textAt(detail, 231.2, 5.0),
                                  textAt(detail, 99.5, 5.0), textAt(detail, 201.6, 5.0)};
        QCOMPARE(printed, texts);
    }

    // Outbound settled weights count negative; the amount is rounded as it runs (1.5 → 2, then 1.5 → 2).
    void summaryTotals()
    {
        const auto report = transports(withRows({row(1, 0, 12000, 4000, 8000, 8000, "1.5", false, true),
                                                 row(2, 1, 4000, 7000, -3000, -3000, "-0.5", false, true),
                                                 row(3, 1, 1000, 12000, -11000, -11000, "0", false, true)}));
        const Band summary = bands(report).pageBands(0).at(4).second;
        QCOMPARE(textAt(summary, 201.6, 4.2), QStringLiteral("-6000 kg"));
        QCOMPARE(textAt(summary, 201.6, 8.5), QStringLiteral("2 Ft"));
    }

    // The title names the time the listed rows cover, as the search chose it.
    void titleNamesThePeriod_data()
    {
        QTest::addColumn<QDate>("to"); // from 2026.03.01; invalid: dates ignored
        QTest::addColumn<bool>("today");
        QTest::addColumn<QString>("quick");
        QTest::addColumn<QString>("period");
        QTest::newRow("dates") << QDate(2026, 3, 4) << false << "" << "2026.03.01 - 2026.03.04";
        QTest::newRow("one day") << QDate(2026, 3, 1) << false << "" << "2026.03.01";
        QTest::newRow("dates ignored") << QDate() << false << "" << "teljes időszak";
        QTest::newRow("today's list") << QDate(2026, 3, 4) << true << "" << "2026.03.09";
        QTest::newRow("quick search") << QDate(2026, 3, 4) << false << "abc" << "teljes időszak (gyorskeresés: abc)";
    }
    void titleNamesThePeriod()
    {
        QFETCH(QDate, to);
        QFETCH(bool, today);
        QFETCH(QString, quick);
        QFETCH(QString, period);
        const QSqlDatabase db = withRows({row(1, 0, 12000, 4000, 8000, 8000, "0", false, true)});
        TransportSearch::Filter filter;
        filter.from = QDate(2026, 3, 1);
        filter.to = to;
        filter.ignoreDates = !to.isValid();
        filter.today = today;
        filter.todayDate = QDate(2026, 3, 9);
        filter.quick = quick;
        const auto report = ListReports::transports(
            db, std::get<TransportSearch::Statement>(TransportSearch::build(db, filter)), QStringLiteral("<mindegy>"),
            {{QStringLiteral("Cég Kft")}, QDate(2026, 3, 9)});
        const Band title = bands(report).pageBands(0).first().second;
        QCOMPARE(textAt(title, 4.2, 19.0), QStringLiteral("Időszak:"));
        QCOMPARE(textAt(title, 29.6, 19.0), period);
    }

    void automaticWithinTheDays()
    {
        const QSqlDatabase db = withRows({});
        QSqlQuery insert(db);
        QVERIFY(insert.exec(QStringLiteral("INSERT INTO auto (datumido, suly) VALUES ('2026-02-28 23:59:59', 1), "
                                           "('2026-03-01 00:00:00', 12500), ('2026-03-02 23:59:59', 7), "
                                           "('2026-03-03 00:00:00', 4)")));
        const auto report = ListReports::automatic(db, QDate(2026, 3, 1), QDate(2026, 3, 2), {});
        const QList<BandPage> pages = bands(report).pages();
        QCOMPARE(pages.first().rows, qsizetype(2));
        const Band first = bands(report).pageBands(0).at(1).second;
        QCOMPARE(textAt(first, 4.2, 0), QStringLiteral("2026.03.01 00:00:00"));
        QCOMPARE(textAt(first, 120.65, 0), QStringLiteral("12 500"));
    }
};

QTEST_MAIN(TestListReports)
#include "tst_listreports.moc"
