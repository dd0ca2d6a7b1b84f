#include "RecordsFixture.h"

#include "Cancellation.h"
#include "CsvExport.h"
#include "Sql.h"
#include "StockQuery.h"
#include "TransportList.h"
#include "TransportSearch.h"

#include <QSqlQuery>
#include <QUrlQuery>

#include <array>
#include <atomic>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace TransportSearch;

namespace {

// The line to the test server through a relay this test cuts: a socket in a folder of its own that passes
// everything on both ways and closes every line once the server has sent `limit` bytes, as a cable pulled in the
// middle of a result.
class CutLine
{
public:
    CutLine(const QString &serverFolder, qint64 limit)
        : m_limit(limit)
    {
        m_server = address(serverFolder);
        m_listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const sockaddr_un own = address(m_folder.path());
        if (::bind(m_listener, reinterpret_cast<const sockaddr *>(&own), sizeof own) != 0 ||
            ::listen(m_listener, 8) != 0)
            qWarning() << "relay:" << strerror(errno);
        ::pipe2(m_stop, O_CLOEXEC);
        m_thread = std::thread([this] { run(); });
    }
    ~CutLine()
    {
        ::write(m_stop[1], "x", 1);
        m_thread.join();
        for (int fd : {m_listener, m_stop[0], m_stop[1]})
            ::close(fd);
    }
    // The datapath of the database at uri, through this line.
    QString datapath(const QString &uri) const
    {
        QUrl url(uri);
        QUrlQuery query(url);
        query.removeAllQueryItems(QStringLiteral("host"));
        query.addQueryItem(QStringLiteral("host"), m_folder.path());
        url.setQuery(query);
        return url.toString();
    }
    bool cut() const { return m_cut; }

private:
    static sockaddr_un address(const QString &folder)
    {
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        const QByteArray path = QFile::encodeName(folder + QStringLiteral("/.s.PGSQL.5432"));
        qstrncpy(a.sun_path, path.constData(), sizeof a.sun_path);
        return a;
    }

    void run()
    {
        std::vector<std::array<int, 2>> lines; // client, server; -1 once closed
        qint64 sent = 0;
        while (!m_cut) {
            std::vector<pollfd> fds{{m_stop[0], POLLIN, 0}, {m_listener, POLLIN, 0}};
            for (const auto &line : lines)
                fds.insert(fds.end(), {{line[0], POLLIN, 0}, {line[1], POLLIN, 0}});
            if (::poll(fds.data(), fds.size(), -1) <= 0 || fds[0].revents)
                break;
            if (fds[1].revents & POLLIN) {
                const int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
                const int server = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
                ::connect(server, reinterpret_cast<const sockaddr *>(&m_server), sizeof m_server);
                lines.push_back({client, server});
            }
            for (size_t i = 2; i < fds.size(); ++i) {
                auto &line = lines[(i - 2) / 2];
                if (!fds[i].revents || line[0] < 0)
                    continue;
                const bool fromServer = (i % 2) == 1;
                char buffer[16384];
                const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
                if (n <= 0 || ::write(line[fromServer ? 0 : 1], buffer, size_t(n)) != n) {
                    for (int &fd : line)
                        fd = (::close(fd), -1);
                    continue;
                }
                sent += fromServer ? n : 0;
                m_cut = sent > m_limit;
            }
        }
        for (const auto &line : lines) {
            for (int fd : line) {
                if (fd >= 0)
                    ::close(fd);
            }
        }
    }

    qint64 m_limit;
    QTemporaryDir m_folder;
    sockaddr_un m_server;
    int m_listener = -1;
    int m_stop[2] = {-1, -1};
    std::atomic<bool> m_cut{false};
    std::thread m_thread;
};

} // namespace

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
        QTest::addColumn<bool>("scatter");
        const auto any = int(State::Any);
        const auto both = int(Direction::Any);
        QTest::newRow("valid, newest first") << int(State::Valid) << both << 0 << false << QString() << false;
        QTest::newRow("all, oldest first") << any << both << 0 << true << QString() << false;
        QTest::newRow("all, by net ascending") << any << both << 6 << true << QString() << false;
        QTest::newRow("all, by date descending") << any << both << 5 << false << QString() << false;
        QTest::newRow("inbound, by plate") << any << int(Direction::In) << 1 << true << QString() << false;
        QTest::newRow("quick search") << int(State::Valid) << both << 0 << true << QStringLiteral("abc") << false;
        QTest::newRow("nothing found") << int(State::Cancelled) << int(Direction::Out) << 0 << false << QString()
                                       << false;
        QTest::newRow("scattered serials, newest first") << any << both << 0 << false << QString() << true;
        QTest::newRow("scattered serials, oldest first") << int(State::Valid) << both << 0 << true << QString() << true;
    }
    void matchesFullRead()
    {
        QFETCH(int, state);
        QFETCH(int, direction);
        QFETCH(int, sortColumn);
        QFETCH(bool, ascending);
        QFETCH(QString, quick);
        QFETCH(bool, scatter);
        if (scatter) {
            // Serials millions apart and out of the rows' stored order, as a group's long history leaves them.
            Sql::run(m_fixture->db(), QStringLiteral("UPDATE szallitasok SET sorszam = -sorszam"));
            Sql::run(m_fixture->db(),
                     QStringLiteral("UPDATE szallitasok SET sorszam = (-sorszam * 1000003) % 9999991 + 5000"));
        }
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

    // A server connection lost while a result streams in fails the read; it never passes for the result's end.
    void brokenStreamFails_data()
    {
        QTest::addColumn<QString>("loop");
        QTest::newRow("search list") << "list";
        QTest::newRow("CSV export") << "csv";
        QTest::newRow("stock") << "stock";
    }
    void brokenStreamFails()
    {
        QFETCH(QString, loop);
        if (!TestDatabase::onServer())
            QSKIP("a file streams no rows over a connection");
        // Far more rows than the line lets through before the cut.
        QVERIFY(QSqlQuery(m_fixture->db())
                    .exec(QStringLiteral("INSERT INTO szallitasok (sorszam, rendszam, termeknev, bedatum, kidatum, "
                                         "nettosuly, elszamolt, osszeg, ervenyes) SELECT i, 'R' || i, 'P' || i, "
                                         "'2026-03-02 09:00:00', '2026-03-02 10:00:00', i, i, 1.5, TRUE "
                                         "FROM generate_series(10, 50000) AS i")));
        CutLine line(QUrlQuery(QUrl(TestDatabase::serverUri())).queryItemValue(QStringLiteral("host")), 256 * 1024);
        Database database(line.datapath(TestDatabase::withDatabase(m_fixture->db().databaseName())));
        QCOMPARE(database.open(), QString());
        Filter f;
        f.ignoreDates = true;
        const Statement s = std::get<Statement>(build(database.db(), f));
        const QString csv = m_databases->dir().filePath(QStringLiteral("lista.csv"));
        QVERIFY(CsvExport::write(csv, "old").isEmpty());

        QString error;
        try {
            if (loop == u"list") {
                TransportList::load(database.db(), s);
            } else if (loop == u"csv") {
                RowStream rows = s.stream(database.db());
                error = CsvExport::exportCsv(rows, csv).error;
            } else {
                StockQuery::run(database.db(), {});
            }
        } catch (const DatabaseError &e) {
            error = QString::fromUtf8(e.what());
        }
        QVERIFY(line.cut());
        QVERIFY2(error.contains(QLatin1String("connection")), qPrintable(error));
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("old"));
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

        // A page read elsewhere by its serials (the window's worker) is the page the list reads itself.
        TransportList other = TransportList::load(m_fixture->db(), statement(f), 2);
        QCOMPARE(other.pageOf(4), 2);
        QCOMPARE(other.pageSerials(2), QList<qint64>{1});
        QCOMPARE(other.pageSerials(3), QList<qint64>());
        QVERIFY(!other.fetchedRow(4));
        other.setPage(2, TransportList::readRows(m_fixture->db(), other.pageSerials(2)));
        QCOMPARE(other.fetchedRow(4)->texts, list.row(m_fixture->db(), 4).texts);
        const QList<TransportList::Row> rows = TransportList::readRows(m_fixture->db(), {999, 1});
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.at(0).found, false);
        QCOMPARE(rows.at(0).texts.first(), QStringLiteral("00999"));
        QCOMPARE(rows.at(1).texts, list.row(m_fixture->db(), 4).texts);
        QCOMPARE(TransportList::load(m_fixture->db(), statement(f), 2, [] { return true; }).size(), 0);
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
