#include "../support/Kelvoctl.h"
#include "../support/TestDatabase.h"
#include "../records/StockFixture.h"

#include "Database.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>

using Kelvoctl::Run;

namespace {

constexpr auto &kelvoctl = Kelvoctl::run;
constexpr int kDemoCancelled[] = {17, 64, 139, 201}; // the serials scripts/demo-data voids

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
                                       "raktar 2\nverzio 1\nsorszamlalo 1\nnaplo 0\nnaploszamlalo 1\nkepek 0\nwebfelhasznalo 0\n"
                                       "kimeno 0\nkimenoszamlalo 1\nkimeno_cel 0\n"));
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

    // Every CSV starts with one byte-order mark, on standard output as in a file ("FILE" in args stands for one).
    void csvByteOrderMark_data()
    {
        QTest::addColumn<QStringList>("args");
        for (const char *target : {"-", "FILE"}) {
            const QString to = QString::fromLatin1(target);
            QTest::addRow("stock %s", target) << QStringList{"stock", "--csv", to};
            QTest::addRow("search %s", target) << QStringList{"search", "--no-dates", "--csv", to};
            QTest::addRow("export %s", target) << QStringList{"export", "szallitasok", "--csv", to};
            QTest::addRow("auto-list %s", target) << QStringList{"auto-list", "--csv", to};
        }
        QTest::newRow("in-progress") << QStringList{"in-progress"};
    }
    void csvByteOrderMark()
    {
        QFETCH(QStringList, args);
        QTemporaryDir home;
        const QString path = m_databases->created(QStringLiteral("kelvo"));
        QVERIFY(StockFixture::fill(path));
        QVERIFY(TestDatabase::writeIni(home.path(), path));
        const QString file = home.filePath(QStringLiteral("out.csv"));
        args.replaceInStrings(QRegularExpression(QStringLiteral("^FILE$")), file);
        const Run r = kelvoctl(QStringList{QStringLiteral("--home"), home.path()} + args);
        QCOMPARE(r.code, 0);
        QByteArray bytes = r.bytes;
        if (args.contains(file)) {
            QFile written(file);
            QVERIFY(written.open(QIODevice::ReadOnly));
            bytes = written.readAll();
        }
        QVERIFY2(bytes.startsWith("\xEF\xBB\xBF\"") && bytes.count("\xEF\xBB\xBF") == 1, bytes.left(40).toHex(' '));
    }

    // The printed lists as PDF files, read back as text; "PDF" in args stands for the file to write.
    void report_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("transports")
            << QStringList{"transports", "--no-dates", "--state", "any", "--pdf", "PDF"} << 0
            << QStringList{"Szállítások", "<mindegy>", "00004", "999999 kg", "Összesen:", "Oldalak: 1/1"};
        QTest::newRow("stock, inbound")
            << QStringList{"stock", "--direction", "in", "--pdf", "PDF"} << 0
            << QStringList{"Készletek", "wheat", "10 000", "Kiállító", "Oldalak: 1/1"};
        QTest::newRow("auto, empty still prints") << QStringList{"auto", "--from", "2026.03.01", "--to", "2026.03.02",
                                                                 "--pdf", "PDF"}
                                                  << 0 << QStringList{"Automata mérések", "Oldalak: 1/1"};
        QTest::newRow("unknown list") << QStringList{"trucks", "--pdf", "PDF"} << 2 << QStringList{};
        QTest::newRow("no pdf") << QStringList{"stock"} << 2 << QStringList{};
        QTest::newRow("search option for stock") << QStringList{"stock", "--state", "any", "--pdf", "PDF"} << 2
                                                 << QStringList{};
        QTest::newRow("auto without dates") << QStringList{"auto", "--pdf", "PDF"} << 2 << QStringList{};
        QTest::newRow("period reversed") << QStringList{"auto", "--from", "2026.03.02", "--to", "2026.03.01",
                                                        "--pdf", "PDF"}
                                         << 1 << QStringList{};
        QTest::newRow("unwritable file") << QStringList{"stock", "--pdf", "/nonexistent/x.pdf"} << 1 << QStringList{};
    }
    void report()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QStringList, texts);
        QTemporaryDir home;
        const QString path = m_databases->created(QStringLiteral("kelvo"));
        QVERIFY(StockFixture::fill(path));
        QVERIFY(TestDatabase::writeIni(home.path(), path));
        const QString pdf = home.filePath(QStringLiteral("list.pdf"));
        args.replaceInStrings(QStringLiteral("PDF"), pdf);
        const Run r = kelvoctl(QStringList{QStringLiteral("report"), QStringLiteral("--home"), home.path()} + args);
        QCOMPARE(r.code, code);
        if (code != 0) {
            QVERIFY(!QFile::exists(pdf));
            return;
        }
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        QVERIFY(text.waitForFinished(30000));
        const QString printed = QString::fromUtf8(text.readAllStandardOutput());
        for (const QString &expected : texts)
            QVERIFY2(printed.contains(expected), qPrintable(expected + QStringLiteral(" not in:\n") + printed));
    }

    // HOME in args stands for a program folder whose Kelvo.ini names a new database.
    void homeBeforeOrAfterTheCommand_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("created");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("out");
        QTest::newRow("create-db, home first") << QStringList{"--home", "HOME", "create-db"} << false << 0 << "";
        QTest::newRow("create-db, home after") << QStringList{"create-db", "--home", "HOME"} << false << 0 << "";
        QTest::newRow("create-db, already there") << QStringList{"--home=HOME", "create-db"} << true << 1 << "";
        QTest::newRow("check-db, home first") << QStringList{"--home=HOME", "check-db"} << true << 0 << "ok 4.64\n";
        QTest::newRow("check-db, home after") << QStringList{"check-db", "--home=HOME"} << true << 0 << "ok 4.64\n";
        QTest::newRow("search, home first") << QStringList{"--home", "HOME", "search", "--no-dates"} << true << 0
                                            << " 0 találat.\nNettó súly: 0 kg\nElszámolt súly: 0 kg\nÖsszeg: 0 Ft.\n";
        QTest::newRow("home twice") << QStringList{"--home", "HOME", "check-db", "--home", "HOME"} << true << 2 << "";
    }
    void homeBeforeOrAfterTheCommand()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, created);
        QFETCH(int, code);
        QFETCH(QString, out);
        QTemporaryDir home;
        const QString path =
            created ? m_databases->created(QStringLiteral("kelvo")) : m_databases->empty(QStringLiteral("kelvo"));
        QVERIFY(TestDatabase::writeIni(home.path(), path));
        const Run r = kelvoctl(args.replaceInStrings(QStringLiteral("HOME"), home.path()));
        QCOMPARE(r.code, code);
        QCOMPARE(r.out, out);
        if (code == 0 && !created)
            QCOMPARE(kelvoctl({QStringLiteral("check-db"), path}).out, QStringLiteral("ok 4.64\n"));
    }

    // Master data exported from one database and imported into an empty one exports the same bytes again.
    void importRoundTrip()
    {
        QTemporaryDir from;
        QTemporaryDir to;
        const QString source = m_databases->created(QStringLiteral("source"));
        QVERIFY(TestDatabase::writeIni(from.path(), source));
        QVERIFY(TestDatabase::writeIni(to.path(), m_databases->created(QStringLiteral("target"))));
        QVERIFY(TestDatabase::exec(
            source, QString::fromUtf8(
                        "INSERT INTO szallito (rendszam, nev, cim1, cim2, cim3, tarasuly) VALUES "
                        "('ABC-123', 'Agro Kft.', 'Szeged', 'két\r\nsor', '', 14250), "
                        "('XYZ-9', 'Agro \"Fő\" Kft.', '', '', '', NULL);"
                        "INSERT INTO termek (nev, kod, kiszereles, egysegar) VALUES ('Búza', 'B1', 'ömlesztett', "
                        "72000.5), ('Árpa', '', '', NULL);"
                        "INSERT INTO ugyfel (nev, cim1, cim2, cim3) VALUES ('Malom Zrt.', 'Szeged', '', 'x');"
                        "INSERT INTO raktar (raktar) VALUES ('Fő'), ('Új')")));
        {
            // A ";" in a value: the statement list of exec() splits at it.
            Database db(source);
            QCOMPARE(db.open(), QString());
            QSqlQuery q(db.db());
            QVERIFY(q.prepare(QStringLiteral("UPDATE ugyfel SET cim2 = ?")));
            q.addBindValue(QStringLiteral("Ipari park; 2. kapu"));
            QVERIFY(q.exec());
        }
        for (const QString table : {"szallito", "termek", "ugyfel", "raktar"}) {
            const QString csv = from.filePath(table + QStringLiteral(".csv"));
            QCOMPARE(kelvoctl({QStringLiteral("export"), table, QStringLiteral("--home"), from.path(),
                               QStringLiteral("--csv"), csv}).code, 0);
            const Run imported = kelvoctl({QStringLiteral("--home"), to.path(), QStringLiteral("import"), table, csv});
            QCOMPARE(imported.out, QStringLiteral("%1 %2\n").arg(table).arg(table == u"ugyfel" ? 1 : 2));
            QCOMPARE(imported.code, 0);
            const Run exported = kelvoctl({QStringLiteral("export"), table, QStringLiteral("--home"), to.path()});
            QFile original(csv);
            QVERIFY(original.open(QIODevice::ReadOnly));
            QCOMPARE(exported.out, QString::fromUtf8(original.readAll()));
        }
    }

    // A refused file adds no row at all.
    void importRefusals_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("out"); // FILE: the file's path
        QTest::newRow("bad number")
            << "termek" << QByteArray("\"nev\";\"egysegar\"\r\nB\xC3\xBAza;72000\r\n\xC3\x81rpa;sok\r\n") << 1
            << "FILE line 3: A(z) \"egysegar\" mezőbe számot kell írni, nem ezt: \"sok\".\n";
        QTest::newRow("text in a whole number column")
            << "szallito" << QByteArray("\"rendszam\";\"tarasuly\"\nABC-123;12,5\n") << 1
            << "FILE line 2: A(z) \"tarasuly\" mezőbe egész számot kell írni, nem ezt: \"12,5\".\n";
        QTest::newRow("unknown column") << "szallito" << QByteArray("\"rendszam\";\"suly\"\nABC-123;1\n") << 1
                                        << "FILE line 1: szallito has no column \"suly\".\n";
        QTest::newRow("id column") << "raktar" << QByteArray("\"id\";\"raktar\"\n1;F\n") << 1
                                   << "FILE line 1: raktar has no column \"id\".\n";
        QTest::newRow("finished transports")
            << "szallitasok" << QByteArray("\"sorszam\"\n1\n") << 1
            << "Only master data (szallito, termek, ugyfel, raktar) is loaded from a file, not szallitasok: "
               "transports are made by weighing.\n";
        QTest::newRow("unknown table") << "auto" << QByteArray("\"suly\"\n1\n") << 2 << "";
    }
    void importRefusals()
    {
        QFETCH(QString, table);
        QFETCH(QByteArray, csv);
        QFETCH(int, code);
        QFETCH(QString, out);
        QTemporaryDir home;
        const QString path = m_databases->created(QStringLiteral("kelvo"));
        QVERIFY(TestDatabase::writeIni(home.path(), path));
        const QString file = home.filePath(QStringLiteral("in.csv"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(csv) == csv.size());
        f.close();
        const Run r = kelvoctl({QStringLiteral("import"), table, file, QStringLiteral("--home"), home.path()});
        QCOMPARE(r.out, out.replace(QStringLiteral("FILE"), file));
        QCOMPARE(r.code, code);
        Database db(path);
        QCOMPARE(db.open(), QString());
        QSqlQuery q(db.db());
        QVERIFY(q.exec(QStringLiteral("SELECT (SELECT COUNT(*) FROM szallito) + (SELECT COUNT(*) FROM termek) + "
                                      "(SELECT COUNT(*) FROM raktar)")) && q.next());
        QCOMPARE(q.value(0).toInt(), 0);
    }

    // Ticket 1 was weighed at 08:00 and finished at 09:00; B-2 then comes on the bridge at firstAt.
    void backDating_data()
    {
        QTest::addColumn<QString>("firstAt");
        QTest::addColumn<QString>("finishAt");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("out");
        QTest::newRow("after the last ticket") << "2026.03.02 09:30" << "2026.03.02 10:00" << 0 << "2\n";
        QTest::newRow("the last ticket's minute") << "2026.03.02 08:30" << "2026.03.02 09:00" << 0 << "2\n";
        QTest::newRow("before the last ticket")
            << "2026.03.02 08:30" << "2026.03.02 08:59" << 1
            << "--at 2026.03.02 08:59:00 is earlier than the last finished ticket (2026.03.02 09:00:00).\n";
        QTest::newRow("before its first weighing")
            << "2026.03.02 09:30" << "2026.03.02 09:20" << 1
            << "--at 2026.03.02 09:20:00 is earlier than the first weighing of B-2 (2026.03.02 09:30:00).\n";
        QTest::newRow("in the future") << "2026.03.02 09:30" << "2999.01.01 00:00" << 1
                                       << "--at 2999.01.01 00:00:00 is later than now; it is for loading earlier "
                                          "records.\n";
        QTest::newRow("not a time") << "2026.03.02 09:30" << "2026.03.02" << 2 << "";
    }
    void backDating()
    {
        QFETCH(QString, firstAt);
        QFETCH(QString, finishAt);
        QFETCH(int, code);
        QFETCH(QString, out);
        QTemporaryDir home;
        const QString h = home.path();
        const QString path = m_databases->created(QStringLiteral("kelvo"));
        QVERIFY(TestDatabase::writeIni(h, path));
        const auto weigh = [&](const QString &plate, const QString &weight, const QString &at) {
            return kelvoctl({QStringLiteral("first-weighing"), QStringLiteral("--home"), h, QStringLiteral("--plate"),
                             plate, QStringLiteral("--carrier"), QStringLiteral("Agro"), QStringLiteral("--customer"),
                             QStringLiteral("Malom"), QStringLiteral("--product"), QStringLiteral("Búza"),
                             QStringLiteral("--weight"), weight, QStringLiteral("--at"), at});
        };
        const auto finish = [&](const QString &plate, const QString &at) {
            return kelvoctl({QStringLiteral("--home"), h, QStringLiteral("finish"), QStringLiteral("--plate"), plate,
                             QStringLiteral("--warehouse"), QStringLiteral("Fő"), QStringLiteral("--weight"),
                             QStringLiteral("12000"), QStringLiteral("--at"), at});
        };
        QCOMPARE(weigh(QStringLiteral("A-1"), QStringLiteral("30000"), QStringLiteral("2026.03.02 08:00")).code, 0);
        QCOMPARE(finish(QStringLiteral("A-1"), QStringLiteral("2026.03.02 09:00")).out, QStringLiteral("1\n"));
        QCOMPARE(weigh(QStringLiteral("B-2"), QStringLiteral("31000"), firstAt).code, 0);
        const Run r = finish(QStringLiteral("B-2"), finishAt);
        QCOMPARE(r.out, out);
        QCOMPARE(r.code, code);
        const Run listed = kelvoctl({QStringLiteral("search"), QStringLiteral("--home"), h,
                                     QStringLiteral("--no-dates"), QStringLiteral("--plate"), QStringLiteral("B-2")});
        QCOMPARE(listed.out.startsWith(QStringLiteral("00002;B-2;Agro;Malom;Búza;%1;").arg(finishAt)), code == 0);
    }

    // A weight on the command line is keyed in; --tare recalls the stored tare, refused once it is past taralejar.
    void tareRecallMarksAndExpires_data()
    {
        QTest::addColumn<int>("storedDaysAgo");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("jel");
        QTest::newRow("within the days") << 29 << 0 << "K/T";
        QTest::newRow("past the days") << 31 << 1 << "";
    }
    void tareRecallMarksAndExpires()
    {
        QFETCH(int, storedDaysAgo);
        QFETCH(int, code);
        QFETCH(QString, jel);
        QTemporaryDir home;
        const QString h = home.path();
        const QString path = m_databases->created(QStringLiteral("kelvo"));
        QVERIFY(TestDatabase::writeIni(h, path, "karbantart=0\ntaralejar=30\n"));
        const QString stored = QDateTime::currentDateTime().addDays(-storedDaysAgo).toString(
            QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        QVERIFY(TestDatabase::exec(path, QStringLiteral("INSERT INTO szallito (rendszam, tarasuly, taradatum) "
                                                        "VALUES ('T-1', 11000, '%1')").arg(stored)));
        QCOMPARE(kelvoctl({QStringLiteral("first-weighing"), QStringLiteral("--home"), h, QStringLiteral("--plate"),
                           QStringLiteral("T-1"), QStringLiteral("--carrier"), QStringLiteral("Agro"),
                           QStringLiteral("--customer"), QStringLiteral("Malom"), QStringLiteral("--product"),
                           QStringLiteral("Búza"), QStringLiteral("--weight"), QStringLiteral("30000")})
                     .code,
                 0);
        const QStringList finish{QStringLiteral("finish"), QStringLiteral("--home"), h, QStringLiteral("--plate"),
                                 QStringLiteral("T-1"), QStringLiteral("--warehouse"), QStringLiteral("Fő")};
        QCOMPARE(kelvoctl(finish + QStringList{QStringLiteral("--tare"), QStringLiteral("--weight"),
                                               QStringLiteral("1")}).code,
                 2);
        const Run r = kelvoctl(finish + QStringList{QStringLiteral("--tare")});
        QCOMPARE(r.code, code);
        QCOMPARE(r.out.contains(QStringLiteral("lejárt")), code != 0);
        Database db(path);
        QCOMPARE(db.open(), QString());
        QSqlQuery q(db.db());
        QVERIFY(q.exec(QStringLiteral("SELECT jel1 || '/' || jel2 FROM szallitasok")));
        QCOMPARE(q.next() ? q.value(0).toString() : QString(), jel);
    }

    // Earlier records being loaded tell where their typed weights came from; a weighing now cannot claim one.
    void loadedWeightOrigin_data()
    {
        QTest::addColumn<QStringList>("weight");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("jel");
        const QString at = QStringLiteral("2026.03.02 09:00");
        QTest::newRow("typed") << QStringList{"--weight", "12000", "--at", at} << 0 << "/K";
        QTest::newRow("scale") << QStringList{"--weight", "12000", "--origin", "scale", "--at", at} << 0 << "/";
        QTest::newRow("tare") << QStringList{"--weight", "12000", "--origin", "tare", "--at", at} << 0 << "/T";
        QTest::newRow("keyed") << QStringList{"--weight", "12000", "--origin", "keyed", "--at", at} << 0 << "/K";
        QTest::newRow("a weighing now") << QStringList{"--weight", "12000", "--origin", "scale"} << 2 << "";
        QTest::newRow("with --tare") << QStringList{"--tare", "--origin", "scale", "--at", at} << 2 << "";
        QTest::newRow("unknown") << QStringList{"--weight", "12000", "--origin", "guess", "--at", at} << 2 << "";
    }
    void loadedWeightOrigin()
    {
        QFETCH(QStringList, weight);
        QFETCH(int, code);
        QFETCH(QString, jel);
        QTemporaryDir home;
        const QString h = home.path();
        const QString path = m_databases->created(QStringLiteral("kelvo"));
        QVERIFY(TestDatabase::writeIni(h, path));
        QVERIFY(TestDatabase::exec(path, QStringLiteral("INSERT INTO szallito (rendszam, tarasuly) "
                                                        "VALUES ('L-1', 12000)")));
        QCOMPARE(kelvoctl({"first-weighing", "--home", h, "--plate", "L-1", "--carrier", "Agro", "--customer", "Malom",
                           "--product", "Búza", "--weight", "30000", "--origin", "scale", "--at", "2026.03.02 08:00"})
                     .code,
                 0);
        const Run r = kelvoctl(QStringList{"finish", "--home", h, "--plate", "L-1", "--warehouse", "Fő"} + weight);
        QCOMPARE(r.code, code);
        Database db(path);
        QCOMPARE(db.open(), QString());
        QSqlQuery q(db.db());
        QVERIFY(q.exec(QStringLiteral("SELECT jel1 || '/' || jel2 FROM szallitasok")));
        QCOMPARE(q.next() ? q.value(0).toString() : QString(), jel);
    }

    // The demo's history, made through kelvoctl, is there for search and stock to show.
    void demoData()
    {
        QTemporaryDir home;
        const QString h = home.path();
        const QString path = m_databases->empty(QStringLiteral("demo"));
        QVERIFY(TestDatabase::writeIni(h, path));
        QProcess script;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("KELVOCTL"), QStringLiteral(KELVOCTL_PATH));
        // Four weeks instead of three months: some 200 runs of kelvoctl, which an instrumented build takes slowly.
        environment.insert(QStringLiteral("KELVO_DEMO_DAYS"), QStringLiteral("28"));
        script.setProcessEnvironment(environment);
        script.start(QStringLiteral("bash"), {QStringLiteral(KELVO_TEST_DATA_DIR "/../../scripts/demo-data"), h});
        QVERIFY(script.waitForFinished(-1)); // CTest's timeout rules
        QVERIFY2(script.exitCode() == 0, script.readAllStandardError().constData());
        const QDate today = QDate::currentDate();
        const auto lines = [&](const QStringList &args) {
            const Run r = kelvoctl(QStringList{QStringLiteral("--home"), h} + args);
            return r.code == 0 ? r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts) : QStringList{r.out};
        };
        // Rows, then the four status texts.
        const qsizetype all = lines({QStringLiteral("search"), QStringLiteral("--no-dates"), QStringLiteral("--state"),
                                     QStringLiteral("any")}).size() - 4;
        QVERIFY2(all >= 60, qPrintable(QString::number(all)));
        const qsizetype lastTwoWeeks =
            lines({QStringLiteral("search"), QStringLiteral("--from"),
                   today.addDays(-13).toString(QStringLiteral("yyyy.MM.dd")), QStringLiteral("--to"),
                   today.toString(QStringLiteral("yyyy.MM.dd"))}).size() - 4;
        QVERIFY2(lastTwoWeeks > 20 && lastTwoWeeks < all, qPrintable(QString::number(lastTwoWeeks)));
        const qsizetype cancelled = std::count_if(std::begin(kDemoCancelled), std::end(kDemoCancelled),
                                                  [&](int serial) { return serial <= all; });
        QCOMPARE(lines({QStringLiteral("search"), QStringLiteral("--no-dates"), QStringLiteral("--state"),
                        QStringLiteral("cancelled")}).size(), 4 + cancelled);
        QVERIFY(lines({QStringLiteral("search"), QStringLiteral("--no-dates"), QStringLiteral("--direction"),
                       QStringLiteral("out")}).size() > 4 + 5);
        QVERIFY(lines({QStringLiteral("search"), QStringLiteral("--no-dates"), QStringLiteral("--has-remark")}).size()
                > 4);
        QCOMPARE(lines({QStringLiteral("stock")}).size(), 8 + 1);
        QCOMPARE(lines({QStringLiteral("in-progress")}).size(), 1 + 2);

        // Like a real site's: most weights from the scale, a few keyed in (K), a few recalled tares (T).
        QMap<QString, int> marks;
        Database db(path);
        QCOMPARE(db.open(), QString());
        QSqlQuery q(db.db());
        QVERIFY(q.exec(QStringLiteral("SELECT jel1, jel2 FROM szallitasok")));
        while (q.next())
            ++marks[q.value(0).toString() + q.value(1).toString()];
        QVERIFY2(marks.value(QString()) > all * 2 / 3 && marks.value(QStringLiteral("K")) > 0
                     && marks.value(QStringLiteral("T")) > 0,
                 qPrintable(QStringLiteral("%1 scale, %2 K, %3 T of %4").arg(marks.value(QString()))
                                .arg(marks.value(QStringLiteral("K"))).arg(marks.value(QStringLiteral("T"))).arg(all)));
    }

    void helpVersionAndMisuse_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("outContains");
        QTest::newRow("help") << QStringList{QStringLiteral("--help")} << 0 << "create-db [PATH|URI]";
        QTest::newRow("version") << QStringList{QStringLiteral("--version")} << 0 << "4.64";
        QTest::newRow("no command") << QStringList{} << 2 << "";
        QTest::newRow("unknown command") << QStringList{QStringLiteral("frobnicate")} << 2 << "";
        QTest::newRow("two paths") << QStringList{QStringLiteral("check-db"), QStringLiteral("a.mdb"),
                                                  QStringLiteral("b.mdb")} << 2 << "";
        QTest::newRow("--home without folder") << QStringList{QStringLiteral("--home")} << 2 << "";
        QTest::newRow("--home in help") << QStringList{QStringLiteral("--help")} << 0
                                        << "kelvoctl [--home DIR] COMMAND";
        QTest::newRow("copy-db in help") << QStringList{QStringLiteral("--help")} << 0 << "copy-db FROM TO";
        QTest::newRow("accented help text") << QStringList{QStringLiteral("--help")} << 0 << "carries MÁSOLAT";
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
