#include "Database.h"

#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run {
    int code = -1;
    QString out;
    QString err;
};

Run kelvoctl(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(KELVOCTL_PATH), args);
    p.waitForFinished(30000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

} // namespace

// The command-line companion as a user runs it: exit codes and printed texts.
class TestKelvoctl : public QObject
{
    Q_OBJECT

private slots:
    void createThenCheck()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("kelvo.mdb"));
        Run r = kelvoctl({QStringLiteral("create-db"), path});
        QCOMPARE(r.code, 0);
        r = kelvoctl({QStringLiteral("check-db"), path});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QStringLiteral("ok 4.64\n"));
    }

    void createRefusesToOverwrite()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("kelvo.mdb"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("precious");
        f.close();
        const Run r = kelvoctl({QStringLiteral("create-db"), path});
        QCOMPARE(r.code, 1);
        QVERIFY(r.err.contains(path));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("precious"));
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
        QTest::newRow("wrong version") << "4.63" << "Az adatbázis nem ehhez a programhoz készült !\n";
    }
    void checkReportsTheProgramsMessages()
    {
        QFETCH(QString, kind);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("kelvo.mdb"));
        if (kind == u"garbage") {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(2048, '?'));
        } else if (kind == u"4.63") {
            QCOMPARE(kelvoctl({QStringLiteral("create-db"), path}).code, 0);
            QString error;
            {
                QSqlDatabase db = Database::openConnection(path, QStringLiteral("c"), &error);
                QVERIFY(QSqlQuery(db).exec(QStringLiteral("UPDATE verzio SET verzio = 4.63")));
            }
            QSqlDatabase::removeDatabase(QStringLiteral("c"));
        }
        const Run r = kelvoctl({QStringLiteral("check-db"), path});
        QCOMPARE(r.code, 1);
        QCOMPARE(r.out, expected.contains(QLatin1String("%1")) ? expected.arg(path) : expected);
    }

    void weighingRoundTrip()
    {
        QTemporaryDir home;
        const QString h = home.path();
        QCOMPARE(kelvoctl({QStringLiteral("create-db"), home.filePath(QStringLiteral("kelvo.mdb"))}).code, 0);
        QFile ini(home.filePath(QStringLiteral("Kelvo.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Opt]\nkarbantart=0\nmaxsuly=50000\n");
        ini.close();
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

        QString error;
        {
            QSqlDatabase db = Database::openConnection(home.filePath(QStringLiteral("kelvo.mdb")), QStringLiteral("v"), &error);
            QSqlQuery q(db);
            QVERIFY(q.exec(QStringLiteral("SELECT nettosuly, elszamolt, levontsuly, osszeg FROM szallitasok")) && q.next());
            QCOMPARE(q.value(0).toInt(), -13140);
            QCOMPARE(q.value(1).toInt(), -12298);
            QCOMPARE(q.value(2).toInt(), -842);
            QCOMPARE(q.value(3).toDouble(), -639496.0);
        }
        QSqlDatabase::removeDatabase(QStringLiteral("v"));
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
