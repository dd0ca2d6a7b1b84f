#include "CsvExport.h"
#include "Database.h"
#include "Pictures.h"
#include "Sql.h"
#include "TransportList.h"
#include "TransportSearch.h"
#include "../support/TestDatabase.h"
#include "WebClient.h"

#include <QBuffer>
#include <QNetworkCookie>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTest>

#include <csignal>

using namespace TransportSearch;

namespace {

constexpr int kTickets = 120;
constexpr qint64 kPictured = 121; // today's ticket, with pictures and a remark that is markup

QByteArray jpeg(char fill)
{
    return QByteArray("\xFF\xD8\xFF\xE0", 4) + QByteArray(3000, fill) + QByteArray("\xFF\xD9", 2);
}

QString unescaped(QString html)
{
    return html.replace(QLatin1String("&amp;"), QLatin1String("&"));
}

} // namespace

class TestOfficePages : public QObject
{
    Q_OBJECT

    TestDatabase m_databases;
    QTemporaryDir m_home;
    QString m_path;
    std::unique_ptr<Database> m_db;
    QProcess m_server;
    QUrl m_base;
    QByteArray m_cookie;

    Answer get(const QString &pathAndQuery, bool session = true)
    {
        QList<std::pair<QByteArray, QByteArray>> headers;
        if (session)
            headers.append({"Cookie", m_cookie});
        return request("GET", QUrl(m_base.toString() + pathAndQuery), headers);
    }

    void insertTickets()
    {
        const QSqlDatabase db = m_db->db();
        const QStringList plates{QStringLiteral("ABC-101"), QStringLiteral("ABC-102"), QStringLiteral("XYZ-555")};
        const QStringList carriers{QStringLiteral("Kis Bt"), QStringLiteral("Nagy+Társa Kft")};
        const QStringList products{QStringLiteral("búza"), QStringLiteral("kukorica"), QStringLiteral("árpa")};
        for (int serial = 1; serial <= kTickets + 1; ++serial) {
            const bool pictured = serial == kPictured;
            const QDate day = pictured ? QDate::currentDate() : QDate(2024, 3, 1).addDays(serial % 10);
            Sql::run(db,
                     QStringLiteral("INSERT INTO szallitasok (sorszam, rendszam, cegnev, ugyfelnev, termeknev, raktar, "
                                    "irany, suly1, suly2, nettosuly, elszamolt, egysegar, osszeg, ervenyes, bedatum, "
                                    "kidatum, megjegyzes) VALUES (:s, :p, :c, 'Vevő', :t, 'Raktár 1', :i, 30000, "
                                    ":w2, :n, :e, 12.5, :o, :v, :b, :k, :m)"),
                     {{":s", serial},
                      {":p", plates.at(serial % 3)},
                      {":c", carriers.at(serial % 2)},
                      {":t", products.at(serial % 3)},
                      {":i", serial % 4 == 0 ? 1 : 0},
                      {":w2", 10000 + serial},
                      {":n", 20000 - serial},
                      {":e", serial % 4 == 0 ? -(19000 - serial) : 19000 - serial},
                      {":o", 237.5 + serial * 0.5},
                      {":v", serial % 10 != 0},
                      {":b", day.toString(QStringLiteral("yyyy-MM-dd 08:00:00"))},
                      {":k", day.toString(QStringLiteral("yyyy-MM-dd 09:30:00"))},
                      {":m", pictured ? QStringLiteral("<script>x</script>") : QString()}});
        }
        Sql::run(db, QStringLiteral("INSERT INTO folyamatban (rendszam, cegnev, ugyfelnev, termeknev, irany, suly1, "
                                    "bedatum) VALUES ('QWE-777', 'Kis Bt', 'Vevő', 'búza', 0, 31500, :b)"),
                 {{":b", QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))}});
        Transaction t(db);
        const QDateTime at = QDateTime::currentDateTime();
        Pictures::replaceInProgress(db, 9999, {{1, QStringLiteral("Bejárat"), jpeg('a'), {}, at}});
        Pictures::finish(db, 9999, kPictured,
                         {{1, QStringLiteral("Bejárat"), jpeg('b'), {}, at},
                          {2, QStringLiteral("Hátsó"), {}, QStringLiteral("nincs kapcsolat"), at}});
        t.commit();
    }

    Statement statement(const Filter &filter)
    {
        const auto built = build(m_db->db(), filter);
        if (const auto *refusal = std::get_if<Refusal>(&built))
            qFatal("refused: %s", qPrintable(refusal->message));
        return std::get<Statement>(built);
    }

private slots:
    void initTestCase()
    {
        if (const QString reason = TestDatabase::skipReason(); !reason.isEmpty())
            QSKIP(qPrintable(reason));
        m_path = m_databases.created(QStringLiteral("pages"));
        QVERIFY(TestDatabase::writeIni(m_home.path(), m_path));
        m_db = std::make_unique<Database>(m_path);
        QCOMPARE(m_db->open(), QString());
        insertTickets();

        QProcess user;
        user.start(QStringLiteral(KELVOCTL_PATH), {QStringLiteral("--home"), m_home.path(), QStringLiteral("user"),
                                                   QStringLiteral("add"), QStringLiteral("iroda1"),
                                                   QStringLiteral("--role"), QStringLiteral("iroda")});
        user.write("jelszo1\n");
        user.closeWriteChannel();
        QVERIFY(user.waitForFinished(60000));
        QCOMPARE(user.exitCode(), 0);

        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        const quint16 port = probe.serverPort();
        probe.close();
        m_server.start(QStringLiteral(KELVOCTL_PATH),
                       {QStringLiteral("--home"), m_home.path(), QStringLiteral("serve"), QStringLiteral("--listen"),
                        QStringLiteral("127.0.0.1:%1").arg(port)});
        QVERIFY(m_server.waitForReadyRead(30000));
        const QByteArray line = m_server.readLine().trimmed();
        QVERIFY(line.startsWith("listening "));
        m_base = QUrl(QString::fromLatin1(line.mid(line.indexOf(' ') + 1)));

        const Answer login = request("POST", m_base.resolved(QUrl(QStringLiteral("/login"))), {},
                                     "nev=iroda1&jelszo=jelszo1");
        QCOMPARE(login.status, 303);
        m_cookie = "kelvo_session=" + QNetworkCookie::parseCookies(login.header("Set-Cookie")).value(0).value();
    }

    void cleanupTestCase()
    {
        if (m_server.state() == QProcess::NotRunning)
            return;
        ::kill(pid_t(m_server.processId()), SIGTERM);
        QVERIFY(m_server.waitForFinished(30000));
        QCOMPARE(m_server.exitCode(), 0);
    }

    void everyPageWantsASession_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("shows");
        QTest::newRow("today") << "/" << QByteArray("QWE-777");
        QTest::newRow("search") << "/kereses" << QByteArray("<form class=\"szuro\" method=\"get\" action=\"/kereses\">");
        QTest::newRow("ticket") << "/jegy/5" << QByteArray("<a href=\"/jegy/5.pdf\">");
        QTest::newRow("stock") << "/keszlet?tol=2024-03-01&ig=2024-03-31" << QByteArray("Készletmennyiség (kg)");
        QTest::newRow("csv") << "/kereses.csv?nincsdatum=1" << QByteArray("\"sorszam\";\"rendszam\"");
    }
    void everyPageWantsASession()
    {
        QFETCH(QString, path);
        QFETCH(QByteArray, shows);
        const Answer a = get(path);
        QCOMPARE(a.status, 200);
        QVERIFY2(a.body.contains(shows), a.body.left(2000).constData());
        QCOMPARE(a.header("Cache-Control"), QByteArray("no-store"));
        const Answer without = get(path, false);
        QCOMPARE(without.status, 303);
        QCOMPARE(without.header("Location"), QByteArray("/login"));
    }

    // The page's totals, its rows and its CSV are those of the search window for the same filter.
    void searchIsTheWindowsSearch_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QDate>("from"); // invalid: dates ignored
        QTest::addColumn<QDate>("to");
        QTest::addColumn<QString>("plate");
        QTest::addColumn<QString>("carrier");
        QTest::addColumn<QString>("quick");
        QTest::addColumn<int>("direction");
        QTest::addColumn<int>("state");
        const QDate d1(2024, 3, 3), d2(2024, 3, 6);
        QTest::newRow("period") << "tol=2024-03-03&ig=2024-03-06" << d1 << d2 << "" << "" << "" << 0 << 1;
        QTest::newRow("windows' date form") << "tol=2024.03.03&ig=2024.03.06&allapot=mind" << d1 << d2 << "" << ""
                                            << "" << 0 << 0;
        QTest::newRow("plate, outbound") << "nincsdatum=1&rendszam=abc-101&irany=ki" << QDate() << QDate()
                                         << "abc-101" << "" << "" << 2 << 1;
        QTest::newRow("cancelled") << "nincsdatum=1&allapot=sztorno" << QDate() << QDate() << "" << "" << "" << 0 << 2;
        QTest::newRow("carrier with + and space") << "nincsdatum=1&szallito=Nagy%2BT%C3%A1rsa+Kft" << QDate()
                                                  << QDate() << "" << "Nagy+Társa Kft" << "" << 0 << 1;
        QTest::newRow("quick search") << "gyors=kukorica" << d1 << d2 << "" << "" << "kukorica" << 0 << 1;
    }
    void searchIsTheWindowsSearch()
    {
        QFETCH(QString, query);
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        QFETCH(QString, plate);
        QFETCH(QString, carrier);
        QFETCH(QString, quick);
        QFETCH(int, direction);
        QFETCH(int, state);
        Filter filter;
        filter.ignoreDates = !from.isValid();
        filter.from = from;
        filter.to = to;
        filter.setText(QStringLiteral("rendszam"), plate);
        filter.setText(QStringLiteral("cegnev"), carrier);
        filter.quick = quick;
        filter.direction = Direction(direction);
        filter.state = State(state);
        const Statement st = statement(filter);
        const TransportList list = TransportList::load(m_db->db(), st);
        QVERIFY(list.size() > 0);

        const Answer page = get(QStringLiteral("/kereses?") + query);
        QCOMPARE(page.status, 200);
        const QString html = QString::fromUtf8(page.body);
        for (const QString &panel : list.totals().panels())
            QVERIFY2(html.contains(QStringLiteral("<span>%1</span>").arg(panel.trimmed())), qPrintable(panel));
        QCOMPARE(html.count(QStringLiteral("<a href=\"/jegy/")), std::min<qint64>(list.size(), 50));
        QVERIFY(html.contains(QStringLiteral("<a href=\"/jegy/%1\">").arg(list.serial(0))));

        QByteArray expected;
        QBuffer buffer(&expected);
        buffer.open(QIODevice::WriteOnly);
        RowStream rows = st.stream(m_db->db());
        QVERIFY(CsvExport::exportCsv(rows, buffer).ok());
        const Answer csv = get(QStringLiteral("/kereses.csv?") + query);
        QCOMPARE(csv.status, 200);
        QVERIFY(csv.header("Content-Disposition").startsWith("attachment; filename="));
        QCOMPARE(csv.body, expected);
    }

    void pagingWalksEveryRowOnce()
    {
        Filter filter;
        filter.ignoreDates = true;
        filter.state = State::Any;
        const TransportList list = TransportList::load(m_db->db(), statement(filter));
        QList<qint64> expected;
        for (qint64 i = 0; i < list.size(); ++i)
            expected.append(list.serial(i));

        static const QRegularExpression ticket(QStringLiteral("<a href=\"/jegy/(\\d+)\">"));
        static const QRegularExpression next(QStringLiteral("<a href=\"(/kereses\\?[^\"]*)\">Következő"));
        QList<qint64> seen;
        QString at = QStringLiteral("/kereses?nincsdatum=1&allapot=mind");
        for (int pages = 0; pages < 10 && !at.isEmpty(); ++pages) {
            const Answer a = get(at);
            QCOMPARE(a.status, 200);
            const QString html = QString::fromUtf8(a.body);
            for (const QRegularExpressionMatch &m : ticket.globalMatch(html))
                seen.append(m.captured(1).toLongLong());
            at = unescaped(next.match(html).captured(1));
        }
        QCOMPARE(seen, expected);
    }

    void badInput_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("status");
        QTest::newRow("no such day") << "/kereses?tol=2024-02-30" << 400;
        QTest::newRow("date as words") << "/kereses?ig=tegnap" << 400;
        QTest::newRow("page as words") << "/kereses?lap=masodik" << 400;
        QTest::newRow("page 0") << "/kereses?lap=0" << 400;
        QTest::newRow("unknown direction") << "/kereses?irany=fel" << 400;
        QTest::newRow("unknown state") << "/kereses?allapot=x" << 400;
        QTest::newRow("period backwards") << "/kereses?tol=2024-03-05&ig=2024-03-01" << 400;
        QTest::newRow("csv, bad date") << "/kereses.csv?tol=x" << 400;
        QTest::newRow("stock, one end") << "/keszlet?tol=2024-03-01" << 400;
        QTest::newRow("stock, direction") << "/keszlet?irany=fel" << 400;
        QTest::newRow("stock, backwards") << "/keszlet?tol=2024-03-05&ig=2024-03-01" << 400;
        QTest::newRow("no such ticket") << "/jegy/999" << 404;
        QTest::newRow("serial as words") << "/jegy/abc" << 404;
        QTest::newRow("PDF of no ticket") << "/jegy/999.pdf" << 404;
        QTest::newRow("missing picture") << "/jegy/121/kep/2/2.jpg" << 404;
        QTest::newRow("no such camera") << "/jegy/121/kep/1/4.jpg" << 404;
    }
    void badInput()
    {
        QFETCH(QString, path);
        QFETCH(int, status);
        const Answer a = get(path);
        QCOMPARE(a.status, status);
        QVERIFY(a.header("Content-Type").startsWith("text/html"));
        QVERIFY(a.body.contains("<p class=\"hiba\" role=\"alert\">"));
    }

    void markupIsShownAsText()
    {
        const Answer ticket = get(QStringLiteral("/jegy/%1").arg(kPictured));
        QVERIFY(ticket.body.contains("&lt;script&gt;x&lt;/script&gt;"));
        QVERIFY(!ticket.body.contains("<script"));
        const Answer search = get(QStringLiteral("/kereses?gyors=%3Cscript%3E"));
        QCOMPARE(search.status, 200);
        QVERIFY(search.body.contains("value=\"&lt;script&gt;\""));
        QVERIFY(search.body.contains("<td>&lt;script&gt;x&lt;/script&gt;</td>"));
        QVERIFY(!search.body.contains("<script"));
        // Today's list shows it too, as text.
        QVERIFY(get(QStringLiteral("/")).body.contains("<td>&lt;script&gt;x&lt;/script&gt;</td>"));
    }

    void picturesAreServedAsStored()
    {
        const QString html = QString::fromUtf8(get(QStringLiteral("/jegy/%1").arg(kPictured)).body);
        QVERIFY(html.contains(QStringLiteral("Nincs kép: nincs kapcsolat")));
        static const QRegularExpression image(QStringLiteral("<img src=\"([^\"]+)\""));
        QStringList sources;
        for (const QRegularExpressionMatch &m : image.globalMatch(html))
            sources.append(m.captured(1));
        QCOMPARE(sources, (QStringList{QStringLiteral("/jegy/121/kep/1/1.jpg"), QStringLiteral("/jegy/121/kep/2/1.jpg")}));
        const QList<QByteArray> stored{jpeg('a'), jpeg('b')};
        for (int i = 0; i < 2; ++i) {
            const Answer a = get(sources.at(i));
            QCOMPARE(a.status, 200);
            QCOMPARE(a.header("Content-Type"), QByteArray("image/jpeg"));
            QCOMPARE(a.header("Cache-Control"), QByteArray("no-store"));
            QCOMPARE(a.body, stored.at(i));
        }
    }
};

QTEST_GUILESS_MAIN(TestOfficePages)
#include "tst_officepages.moc"
