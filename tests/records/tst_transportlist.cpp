#include "RecordsFixture.h"

#include "Cancellation.h"
#include "TransportList.h"
#include "TransportSearch.h"

#include <QSqlQuery>

using namespace TransportSearch;

// The lazy list shows exactly what a full read of the same statement shows, reading only the pages asked for.
class TestTransportList : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_databases;
    std::unique_ptr<RecordsFixture> m_fixture;

    Statement statement(const Filter &filter) const
    {
        const auto built = build(m_fixture->db(), filter);
        return std::get<Statement>(built);
    }

private slots:
    void initTestCase() { KELVO_REQUIRE_ENGINE(); }
    void init()
    {
        m_databases = std::make_unique<TestDatabase>();
        m_fixture = std::make_unique<RecordsFixture>(*m_databases);
    }
    void cleanup()
    {
        m_fixture.reset();
        m_databases.reset();
    }

    void matchesFullRead_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("direction");
        QTest::addColumn<int>("sortColumn");
        QTest::addColumn<bool>("ascending");
        QTest::addColumn<QString>("quick");
        QTest::newRow("valid, newest first") << int(State::Valid) << int(Direction::Any) << 0 << false << QString();
        QTest::newRow("all, by net ascending") << int(State::Any) << int(Direction::Any) << 6 << true << QString();
        QTest::newRow("all, by date descending") << int(State::Any) << int(Direction::Any) << 5 << false << QString();
        QTest::newRow("inbound, by plate") << int(State::Any) << int(Direction::In) << 1 << true << QString();
        QTest::newRow("quick search") << int(State::Valid) << int(Direction::Any) << 0 << true << QStringLiteral("abc");
        QTest::newRow("nothing found") << int(State::Cancelled) << int(Direction::Out) << 0 << false << QString();
    }
    void matchesFullRead()
    {
        QFETCH(int, state);
        QFETCH(int, direction);
        QFETCH(int, sortColumn);
        QFETCH(bool, ascending);
        QFETCH(QString, quick);
        Filter f;
        f.ignoreDates = true;
        f.state = State(state);
        f.direction = Direction(direction);
        f.sort = {sortColumn, ascending};
        f.quick = quick;
        const Statement s = statement(f);

        QList<QStringList> expected;
        QList<int> icons;
        QSqlQuery full = s.run(m_fixture->db());
        while (full.next()) {
            expected.append(listRow(full));
            icons.append(rowIcon(full));
        }
        TransportList list = TransportList::load(m_fixture->db(), s, 2);
        QCOMPARE(list.totals().panels(), totals(m_fixture->db(), s).panels());
        QCOMPARE(list.size(), expected.size());
        for (qint64 i = list.size() - 1; i >= 0; --i) {
            QCOMPARE(list.row(m_fixture->db(), i).texts, expected.at(i));
            QCOMPARE(list.row(m_fixture->db(), i).icon, icons.at(i));
        }
    }

    void readsOnlyThePagesShown()
    {
        Filter f;
        f.ignoreDates = true;
        f.state = State::Any;
        TransportList list = TransportList::load(m_fixture->db(), statement(f), 2);
        QCOMPARE(list.size(), 5);
        QCOMPARE(list.pagesFetched(), 0);
        QCOMPARE(list.row(m_fixture->db(), 3).texts.first(), QStringLiteral("00002"));
        QCOMPARE(list.pagesFetched(), 1);
        QVERIFY(list.fetched(2));
        QVERIFY(!list.fetched(1));
        QCOMPARE(list.row(m_fixture->db(), 4).texts.first(), QStringLiteral("00001"));
        QCOMPARE(list.pagesFetched(), 2);
    }

    void keepsItsSerialsAndShowsCurrentValues()
    {
        Filter f;
        f.ignoreDates = true;
        TransportList list = TransportList::load(m_fixture->db(), statement(f), 2);
        QCOMPARE(list.serial(0), 5);
        QCOMPARE(list.row(m_fixture->db(), 0).marked, false);
        QCOMPARE(list.row(m_fixture->db(), 1).marked, true); // ticket 4
        // Cancelled after the search: still listed, shown as it is now, totals as they were.
        QCOMPARE(Cancellation::cancel(m_fixture->db(), 1), Cancellation::Check::Cancellable);
        QCOMPARE(list.size(), 4);
        QCOMPARE(list.row(m_fixture->db(), 3).texts.first(), QStringLiteral("00001"));
        QCOMPARE(list.row(m_fixture->db(), 3).icon, 2);
        QCOMPARE(list.totals().rows, 4);
    }
};

QTEST_MAIN(TestTransportList)
#include "tst_transportlist.moc"
