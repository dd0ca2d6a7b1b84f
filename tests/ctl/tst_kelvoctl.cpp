#include "../support/Kelvoctl.h"
#include "../support/TestDatabase.h"
#include "../records/StockFixture.h"

#include "Database.h"

#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using Kelvoctl::Run;

namespace {

constexpr auto &kelvoctl = Kelvoctl::run;

} // namespace

// The command-line companion as a user runs it: exit codes and printed texts.
class TestKelvoctl : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_databases;

private slots:
    void initTestCase() { KELVO_REQUIRE_ENGINE(); }
    void init() { m_databases = std::make_unique<TestDatabase>(); }
    void cleanup() { m_databases.reset(); }

    void createThenCheck()
    {
        const QString path = m_databases->empty(QStringLiteral("kelvo"));
        Run r = kelvoctl({QStringLiteral("create-db"), path});
        QCOMPARE(r.code, 0);
        r = kelvoctl({QStringLiteral("check-db"), path});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QStringLiteral("ok 4.64\n"));
    }

    // A file of any kind, or a server database holding our tables, is left as it is.
    void createRefusesToOverwrite()
    {
        const QString path = m_databases->created(QStringLiteral("kelvo"));
        QVERIFY(TestDatabase::exec(path, QStringLiteral("INSERT INTO raktar (raktar) VALUES ('precious')")));
        const Run r = kelvoctl({QStringLiteral("create-db"), path});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(TestDatabase::onServer() ? QStringLiteral("already has tables") : path),
                 qPrintable(r.err));
        Database db(path);
        QCOMPARE(db.open(), QString());
        QSqlQuery q(db.db());
        QVERIFY(q.exec(QStringLiteral("SELECT raktar FROM raktar")) && q.next());
        QCOMPARE(q.value(0).toString(), QStringLiteral("precious"));
    }

    void copyDbPrintsVerifiedCountsAndRefusesAFullTarget()
    {
        QTemporaryDir dir;
        const QString from = dir.filePath(QStringLiteral("kelvo.mdb"));
        const QString to = dir.filePath(QStringLiteral("copy.mdb"));
        QCOMPARE(kelvoctl({QStringLiteral("create-db"), from}).code, 0);
        {
            QString error;
            QSqlDatabase db = Database::openConnection(from, QStringLiteral("c"), &error);
            QVERIFY(QSqlQuery(db).exec(QStringLiteral("INSERT INTO raktar (raktar) VALUES ('Fő'), ('Új')")));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("c"));
        Run r = kelvoctl({QStringLiteral("copy-db"), from, to});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QStringLiteral("auto 0\nszallito 0\ntermek 0\nfolyamatban 0\nszallitasok 0\nugyfel 0\n"
                                       "raktar 2\nverzio 1\nsorszamlalo 1\n"));
        QCOMPARE(r.err, QString());
        r = kelvoctl({QStringLiteral("copy-db"), from, to});
        QCOMPARE(r.code, 1);
        QCOMPARE(r.out, QString());
        QCOMPARE(r.err,
                 QStringLiteral("kelvoctl copy-db: The database %1 already holds data (raktar); it is not changed.\n")
                     .arg(to));
    }

    void checkReportsTheProgramsMessages_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("expected");
        QTest::newRow("missing") << "missing" << "Az adatbázis (kelvo.mdb) nem található a következő helyen: \"%1\"\n";
        QTest::newRow("not a database") << "garbage" << "Az adatbázis nem ehhez a programhoz készült !\n";
        QTest::newRow("database without our tables") << "empty" << "Az adatbázis nem ehhez a programhoz készült !\n";
        QTest::newRow("wrong version") << "4.63" << "Az adatbázis nem ehhez a programhoz készült !\n";
    }
    void checkReportsTheProgramsMessages()
    {
        QFETCH(QString, kind);
        QFETCH(QString, expected);
        const bool server = TestDatabase::onServer();
        if (server && kind == u"garbage")
            QSKIP("a file's contents: a server database is always a database");
        QString path = m_databases->empty(QStringLiteral("kelvo"));
        if (kind == u"missing" && server) {
            // The server's own text follows the program's line.
            path = TestDatabase::missing();
            expected = QStringLiteral("Az adatbázishoz nem lehet kapcsolódni: \"%1\"\n");
        } else if (kind == u"garbage" || (kind == u"empty" && !server)) {
            // An empty file is an empty SQLite database.
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(kind == u"garbage" ? QByteArray(2048, '?') : QByteArray());
        } else if (kind == u"4.63") {
            QCOMPARE(kelvoctl({QStringLiteral("create-db"), path}).code, 0);
            QVERIFY(TestDatabase::exec(path, QStringLiteral("UPDATE verzio SET verzio = 4.63")));
        }
        const Run r = kelvoctl({QStringLiteral("check-db"), path});
        QCOMPARE(r.code, 1);
        if (expected.contains(QLatin1String("%1")))
            expected = expected.arg(path);
        if (kind == u"missing" && server)
            QVERIFY2(r.out.startsWith(expected) && r.out.contains(QStringLiteral("kelvo_test_no_such_database")), qPrintable(r.out));
        else
            QCOMPARE(r.out, expected);
    }

    void weighingRoundTrip()
    {
        QTemporaryDir home;
        const QString h = home.path();
        const QString path = m_databases->empty(QStringLiteral("kelvo"));
        QCOMPARE(kelvoctl({QStringLiteral("create-db"), path}).code, 0);
        QVERIFY(TestDatabase::writeIni(h, path, "karbantart=0\nmaxsuly=50000\n"));
        const QStringList first{QStringLiteral("first-weighing"), QStringLiteral("--home"), h,
                                QStringLiteral("--plate"), QStringLiteral("ABC-123"), QStringLiteral("--carrier"),
                                QStringLiteral("Agro Kft."), QStringLiteral("--customer"), QStringLiteral("Malom Zrt."),
                                QStringLiteral("--product"), QStringLiteral("Búza"), QStringLiteral("--unit-price"),
                                QStringLiteral("52000"), QStringLiteral("--direction"), QStringLiteral("out")};
        Run r = kelvoctl(first + QStringList{QStringLiteral("--weight"), QStringLiteral("50001")});
        QCOMPARE(r.code, 1);
        QCOMPARE(r.out, QStringLiteral("A mért tömeg elfogadása nem engedélyezett !\n"));
        QCOMPARE(kelvoctl(first + QStringList{QStringLiteral("--weight"), QStringLiteral("24360")}).code, 0);
        // Already on the bridge: refused without an answer, overwritten with one.
        QCOMPARE(kelvoctl(first + QStringList{QStringLiteral("--weight"), QStringLiteral("30000")}).code, 1);
        QCOMPARE(kelvoctl(first + QStringList{QStringLiteral("--weight"), QStringLiteral("30000"),
                                              QStringLiteral("--overwrite"), QStringLiteral("previous")})
                     .code,
                 0);
        r = kelvoctl({QStringLiteral("in-progress"), QStringLiteral("--home"), h});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out.count(QLatin1Char('\n')), 2);
        QVERIFY(r.out.contains(QString::fromUtf8("\"ABC-123\";\"Agro Kft.\";\"Malom Zrt.\";\"Búza\";\"24360\"")));
        QVERIFY(r.out.contains(QString::fromUtf8("\"Kiszállítás\"")));

        const QStringList finish{QStringLiteral("finish"), QStringLiteral("--home"), h, QStringLiteral("--plate"),
                                 QStringLiteral("ABC-123"), QStringLiteral("--warehouse"), QStringLiteral("Fő"),
                                 QStringLiteral("--purity"), QStringLiteral("98"), QStringLiteral("--moisture"),
                                 QStringLiteral("18,5"), QStringLiteral("--expected-moisture"), QStringLiteral("14")};
        r = kelvoctl(finish + QStringList{QStringLiteral("--weight"), QStringLiteral("-")});
        QCOMPARE(r.out, QStringLiteral("Súly megadása kötelező !\n"));
        r = kelvoctl(finish + QStringList{QStringLiteral("--weight"), QStringLiteral("11220")});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QStringLiteral("1\n"));
        r = kelvoctl(finish + QStringList{QStringLiteral("--weight"), QStringLiteral("11220")});
        QCOMPARE(r.out, QStringLiteral("A rendszám nem megfelelő !\n"));

        Database db(path);
        QCOMPARE(db.open(), QString());
        QSqlQuery q(db.db());
        QVERIFY(q.exec(QStringLiteral("SELECT nettosuly, elszamolt, levontsuly, osszeg FROM szallitasok")) && q.next());
        QCOMPARE(q.value(0).toInt(), -13140);
        QCOMPARE(q.value(1).toInt(), -12298);
        QCOMPARE(q.value(2).toInt(), -842);
        QCOMPARE(q.value(3).toDouble(), -639496.0);
    }

    void searchCancelAndExport()
    {
        QTemporaryDir home;
        const QString h = home.path();
        const QString path = m_databases->created(QStringLiteral("kelvo"));
        QVERIFY(TestDatabase::writeIni(h, path));
        QVERIFY(TestDatabase::exec(
            path, QStringLiteral("INSERT INTO szallitasok (sorszam, rendszam, cegnev, irany, bedatum, kidatum, "
                                 "nettosuly, elszamolt, osszeg, megjegyzes, ervenyes) VALUES "
                                 "(1, 'ABC-123', 'Agro Kft.', 0, '2026-03-02 09:00:00', '2026-03-02 10:00:00', 5000, "
                                 "5000, 1000.4, 'a\"b', TRUE), "
                                 "(2, 'XYZ-9', 'Agro Kft.', 1, '2026-03-02 11:00:00', '2026-03-02 11:30:00', -2000, "
                                 "-2000, -300, '', TRUE);"
                                 "INSERT INTO raktar (raktar) VALUES ('Fő')")));
        const QStringList search{QStringLiteral("search"), QStringLiteral("--home"), h, QStringLiteral("--no-dates")};
        Run r = kelvoctl(search);
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QStringLiteral("00002;XYZ-9;Agro Kft.;;;2026.03.02 11:30;2 000;2 000;;;;;;;;300\n"
                                       "00001;ABC-123;Agro Kft.;;;2026.03.02 10:00;5 000;5 000;;\"a\"\"b\";;;;;;1 000\n"
                                       " 2 találat.\nNettó súly: 7 000 kg\nElszámolt súly: 3 000 kg\nÖsszeg: 700 Ft.\n"));
        r = kelvoctl({QStringLiteral("search"), QStringLiteral("--home"), h, QStringLiteral("--from"),
                      QStringLiteral("2026.03.02"), QStringLiteral("--to"), QStringLiteral("2026.03.01")});
        QCOMPARE(r.code, 1);
        QCOMPARE(r.out, QStringLiteral("Hibás indőintervallumok !\n"));

        const QStringList cancel{QStringLiteral("cancel"), QStringLiteral("--home"), h, QStringLiteral("1")};
        QCOMPARE(kelvoctl(cancel).code, 0);
        r = kelvoctl(cancel);
        QCOMPARE(r.code, 1);
        QCOMPARE(r.out, QStringLiteral("Ez a szállítás már sztornózott !\n"));
        QCOMPARE(kelvoctl(search).out.count(QLatin1Char('\n')), 5);

        const QString csv = home.filePath(QStringLiteral("raktar.csv"));
        r = kelvoctl({QStringLiteral("export"), QStringLiteral("raktar"), QStringLiteral("--home"), h,
                      QStringLiteral("--csv"), csv});
        QCOMPARE(r.code, 0);
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("\xEF\xBB\xBF\"raktar\"\r\nF\xC5\x91\r\n"));
    }

    void stock_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("out");
        QTest::newRow("inbound by quantity") << QStringList{"--direction", "in", "--sort", "qty:desc"} << 0
                                             << "wheat;10 000\ncorn;3 000\nbarley;500\n;100\n 4 találat.\n";
        QTest::newRow("carrier not listed, period")
            << QStringList{"--carrier", "Gamma", "--from", "2026.03.01", "--to", "2026.03.03"} << 0
            << "corn;3 000\nwheat;-2 500\n 2 találat.\n";
        QTest::newRow("csv") << QStringList{"--product", "wheat", "--csv", "-"} << 0
                             << "\uFEFF\"termeknev\";\"Expr1001\"\r\nwheat;-2500\r\n";
        QTest::newRow("period reversed") << QStringList{"--from", "2026.03.02", "--to", "2026.03.01"} << 1
                                         << "Hibás időintervallumok !\n";
    }
    void stock()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, out);
        QTemporaryDir home;
        const QString path = m_databases->created(QStringLiteral("kelvo"));
        QVERIFY(StockFixture::fill(path));
        QVERIFY(TestDatabase::writeIni(home.path(), path));
        const Run r = kelvoctl(QStringList{QStringLiteral("stock"), QStringLiteral("--home"), home.path()} + args);
        QCOMPARE(r.out, out);
        QCOMPARE(r.code, code);
    }

    void helpVersionAndMisuse_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("outContains");
        QTest::newRow("help") << QStringList{QStringLiteral("--help")} << 0 << "create-db PATH";
        QTest::newRow("version") << QStringList{QStringLiteral("--version")} << 0 << "4.64";
        QTest::newRow("no command") << QStringList{} << 2 << "";
        QTest::newRow("unknown command") << QStringList{QStringLiteral("frobnicate")} << 2 << "";
        QTest::newRow("missing path") << QStringList{QStringLiteral("check-db")} << 2 << "";
        QTest::newRow("copy-db in help") << QStringList{QStringLiteral("--help")} << 0 << "copy-db FROM TO";
        QTest::newRow("copy-db without target") << QStringList{QStringLiteral("copy-db"), QStringLiteral("a.mdb")} << 2
                                                << "";
    }
    void helpVersionAndMisuse()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, outContains);
        const Run r = kelvoctl(args);
        QCOMPARE(r.code, code);
        QVERIFY(r.out.contains(outContains));
        if (code != 0)
            QVERIFY(!r.err.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestKelvoctl)
#include "tst_kelvoctl.moc"
