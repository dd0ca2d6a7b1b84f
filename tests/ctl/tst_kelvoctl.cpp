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
