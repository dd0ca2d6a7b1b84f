#include "../support/ListValues.h"
#include "../support/TestDatabase.h"

#include "Database.h"
#include "DatabaseCopy.h"
#include "DatabaseUri.h"
#include "Schema.h"
#include "SerialCounter.h"
#include "Sql.h"
#include "TransportText.h"

#include <QFile>
#include <QSqlRecord>
#include <QTest>

namespace {

// Awkward values in every table: NULL beside empty text, accents and quotes, both yes/no values, date-times with
// seconds, decimals, ids with gaps, a counter ahead of the largest serial number.
const char kRows[] =
    "INSERT INTO auto (sorszam, datumido, suly) VALUES (3, '2026-03-01 06:05:04', 14220), (7, NULL, 0);"
    "INSERT INTO szallito (id, rendszam, nev, cim1, cim2, tarasuly) VALUES (4, 'ABC-123', 'Árvíztűrő Kft.', '', "
    "'Fő utca 1.', 12000), (9, 'xyz-987', 'ŐZ Bt.', 'a''b', '', 0);"
    "INSERT INTO termek (id, nev, kod, kiszereles, egysegar) VALUES (2, 'Búza', '1001', 't', 52000.25), "
    "(5, 'Kukorica', '', '', 0.1);"
    "INSERT INTO folyamatban (id, rendszam, cegnev, irany, suly1, bedatum, egysegar, kezi) VALUES (6, 'ABC-123', "
    "'Árvíztűrő Kft.', 1, 24360, '2026-03-01 06:05:04', 52000.25, TRUE), (8, 'DEF-456', '', 0, 0, NULL, 0, FALSE);"
    "INSERT INTO szallitasok (id, sorszam, rendszam, suly1, suly2, bedatum, kidatum, nettosuly, tisztasag, "
    "viztartalom, osszeg, megjegyzes, ervenyes, modositott, kezi, jelolt) VALUES (11, 41, 'ABC-123', 24360, 11220, "
    "'2026-03-01 06:05:04', '2026-03-01 07:59:59', -13140, 98.5, 18.25, -639496.125, 'őű \"idézet\"', TRUE, FALSE, "
    "TRUE, FALSE), (15, 42, 'xyz', 1, 2, '', NULL, 0, 0, 0, 0.001, '', FALSE, TRUE, FALSE, TRUE);"
    "INSERT INTO ugyfel (id, nev, cim1) VALUES (3, 'Malom Zrt.', 'Szeged');"
    "INSERT INTO raktar (id, raktar) VALUES (1, 'Fő'), (2, '');"
    "UPDATE sorszamlalo SET utolso = 57;"
    "INSERT INTO naplo (id, ido, allomas, felhasznalo, sorszam, esemeny, regi, uj, elozo, hash) VALUES (1, "
    "'2026-03-01 08:00:00', 'kapu', 'őr', 41, 'sztornó', 'ervenyes=True', 'ervenyes=False', '00', 'ab');"
    "UPDATE naploszamlalo SET utolso = 1";

// A value as text that is the same for either engine's driver: yes/no as 0 or 1, decimals to the last digit.
QString text(const QSqlQuery &q, int column)
{
    const QVariant v = q.value(column);
    if (q.isNull(column))
        return QStringLiteral("NULL");
    if (v.typeId() == QMetaType::Bool)
        return QString::number(int(v.toBool()));
    if (v.typeId() == QMetaType::Double)
        return QString::number(v.toDouble(), 'g', 17);
    if (v.typeId() == QMetaType::QByteArray)
        return QString::fromLatin1(v.toByteArray().toHex());
    return v.toString();
}

constexpr char kNoServer[] = "KELVO_TEST_PG names no PostgreSQL server (./scripts/test starts one for its run)";

// Every row of our tables, one sorted line each with the table and column names; with tables, first the tables the
// database has.
QStringList contents(const QString &datapath, bool tables = false)
{
    QStringList lines;
    QString present;
    {
        QString error;
        QSqlDatabase db = Database::openConnection(datapath, QStringLiteral("test-contents"), &error);
        QStringList names = db.tables();
        names.sort();
        present = QStringLiteral("tables: ") + names.join(QLatin1Char(' '));
        for (const QString &table : Schema::allTables()) {
            QSqlQuery q(db);
            q.exec(QStringLiteral("SELECT * FROM %1").arg(table));
            while (q.next()) {
                QString line = table;
                for (int i = 0; i < q.record().count(); ++i)
                    line += QLatin1Char(' ') + q.record().fieldName(i) + QLatin1Char('=') + text(q, i);
                lines.append(line);
            }
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("test-contents"));
    lines.sort();
    if (tables)
        lines.prepend(present);
    return lines;
}

// What a target holds, to show that a failed or refused copy changed nothing: a file's bytes, a server's contents.
QStringList state(const QString &datapath)
{
    if (DatabaseUri::parse(datapath).isServer())
        return contents(datapath, true);
    QFile f(datapath);
    if (!f.open(QIODevice::ReadOnly))
        return {QStringLiteral("no file")};
    return {QString::fromLatin1(f.readAll().toHex())};
}

QList<DatabaseCopy::TableCount> counts(const QList<qint64> &rows)
{
    QList<DatabaseCopy::TableCount> list;
    for (const QString &table : Schema::allTables())
        list.append({table, rows.at(list.size())});
    return list;
}

} // namespace

class TestDatabaseCopy : public QObject
{
    Q_OBJECT

    TestDatabase m_databases;

    void engines()
    {
        QTest::addColumn<bool>("fromServer");
        QTest::addColumn<bool>("toServer");
        QTest::addColumn<bool>("delivered"); // the target already made by create-db
    }

    // A fresh database on the engine asked for, named after the data row.
    QString fresh(bool server, const QString &name)
    {
        const QString test = QLatin1String(QTest::currentTestFunction());
        return m_databases.emptyOn(server, test + QLatin1Char('-') + name + QLatin1Char('-') +
                                               QLatin1String(QTest::currentDataTag()));
    }

    QString source(bool server, const QString &extra = {})
    {
        const QString path = fresh(server, QStringLiteral("from"));
        // Pictures: bytes that no text conversion keeps (a zero, 0xff), and one missing with its reason.
        const QString bytes = server ? QStringLiteral("'\\xffd8ff00e0d9'") : QStringLiteral("X'FFD8FF00E0D9'");
        const QString pictures =
            QStringLiteral(";INSERT INTO kepek (id, sorszam, meres, kamera, kameranev, ido, kep, hiany, hash) VALUES "
                           "(4, 41, 1, 1, 'Bejárat', '2026-03-01 06:05:04', %1, '', 'ab'), "
                           "(5, 41, 2, 3, '', NULL, NULL, 'időtúllépés', '')"
                           // The webhooks' outbox and a URL's progress in it go along.
                           ";INSERT INTO kimeno (id, esemeny, sorszam, ido, adat) VALUES "
                           "(1, 'finished', 41, '2026-03-01 06:10:00', '{\"event\":\"finished\"}')"
                           ";UPDATE kimenoszamlalo SET utolso = 1"
                           ";INSERT INTO kimeno_cel (url, utolso) VALUES ('http://erp.example/hook', 1)"
                           ";INSERT INTO webfelhasznalo (id, nev, szerep, jelszo, token, letrehozva) VALUES "
                           "(3, 'erp1', 'erp', 'pbkdf2-sha256$250000$c2FsdA==$aGFzaA==', 'ab', '2026-03-01 06:00:00')")
                .arg(bytes);
        if (path.isEmpty() || !Schema::createDatabase(path).isEmpty() ||
            !TestDatabase::exec(path, QLatin1String(kRows) + pictures + extra))
            return {};
        return path;
    }

private slots:
    void copiesEveryValueAndNumberingGoesOn_data()
    {
        engines();
        QTest::newRow("sqlite to sqlite") << false << false << false;
        QTest::newRow("sqlite to postgresql") << false << true << false;
        QTest::newRow("postgresql to sqlite") << true << false << false;
        QTest::newRow("postgresql to postgresql") << true << true << false;
        QTest::newRow("sqlite into delivered postgresql") << false << true << true;
        QTest::newRow("postgresql into delivered sqlite") << true << false << true;
    }
    void copiesEveryValueAndNumberingGoesOn()
    {
        QFETCH(bool, fromServer);
        QFETCH(bool, toServer);
        QFETCH(bool, delivered);
        if ((fromServer || toServer) && TestDatabase::serverUri().isEmpty())
            QSKIP(kNoServer);
        const QString from = source(fromServer);
        const QString to = fresh(toServer, QStringLiteral("to"));
        QVERIFY(!from.isEmpty() && !to.isEmpty());
        if (delivered)
            QCOMPARE(Schema::createDatabase(to), QString());

        const DatabaseCopy::Result result = DatabaseCopy::copy(from, to);
        QCOMPARE(result.error, QString());
        QCOMPARE(result.tables, counts({2, 2, 2, 2, 2, 1, 2, 1, 1, 1, 1, 2, 1, 1, 1, 1}));
        QCOMPARE(contents(to), contents(from));
        // The quick search's text is not copied but made from the copied rows.
        {
            Database copied(to);
            QCOMPARE(copied.open(), QString());
            const QString same = QStringLiteral("SELECT count(*) FROM szallitasok s JOIN %1 t ON t.id = s.id "
                                                "WHERE t.szoveg = %2")
                                     .arg(QLatin1String(Schema::kSearchTable),
                                          TransportText::searchText(copied.db(), QStringLiteral("s")));
            QCOMPARE(Sql::value(copied.db(), same).toInt(), 2);
            // So are the lists' values.
            QVERIFY(!ListValues::recounted(copied.db()).isEmpty());
            QCOMPARE(ListValues::stored(copied.db()), ListValues::recounted(copied.db()));
        }

        // New rows are numbered after the largest copied key, new tickets after the copied counter.
        QVERIFY(TestDatabase::exec(to, QStringLiteral("INSERT INTO szallito (nev) VALUES ('új');"
                                                      "INSERT INTO auto (suly) VALUES (1);"
                                                      "INSERT INTO kepek (meres, kamera) VALUES (1, 1);"
                                                      "INSERT INTO szallitasok (sorszam) VALUES (100)")));
        Database db(to);
        QCOMPARE(db.open(), QString());
        QCOMPARE(Sql::value(db.db(), QStringLiteral("SELECT max(id) FROM szallito")).toInt(), 10);
        QCOMPARE(Sql::value(db.db(), QStringLiteral("SELECT max(sorszam) FROM auto")).toInt(), 8);
        QCOMPARE(Sql::value(db.db(), QStringLiteral("SELECT max(id) FROM kepek")).toInt(), 6);
        QCOMPARE(Sql::value(db.db(), QStringLiteral("SELECT max(id) FROM szallitasok")).toInt(), 16);
        Sql::run(db.db(), QStringLiteral("DELETE FROM szallitasok WHERE sorszam = 100"));
        Transaction transaction(db.db());
        QCOMPARE(SerialCounter::next(db.db()), qint64(58));
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("toServer");
        QTest::addColumn<QString>("message"); // %1: the target, %2: the source
        QTest::newRow("sqlite target holds data") << "rows" << false << "The database %1 already holds data (raktar)";
        QTest::newRow("postgresql target holds data") << "rows" << true << "already holds data (raktar)";
        QTest::newRow("file not ours") << "empty file" << false << "The file %1 is not a kelvo database";
        QTest::newRow("missing source") << "no source" << false
                                        << "Az adatbázis (kelvo.mdb) nem található a következő helyen: \"%2\"";
        QTest::newRow("source is target") << "same" << false << "%1 is the database copied from";
    }
    void refusals()
    {
        QFETCH(QString, kind);
        QFETCH(bool, toServer);
        QFETCH(QString, message);
        if (toServer && TestDatabase::serverUri().isEmpty())
            QSKIP(kNoServer);
        QString from = source(false);
        QString to = fresh(toServer, QStringLiteral("to"));
        QVERIFY(!from.isEmpty() && !to.isEmpty());
        if (kind == u"rows") {
            QCOMPARE(Schema::createDatabase(to), QString());
            QVERIFY(TestDatabase::exec(to, QStringLiteral("INSERT INTO raktar (raktar) VALUES ('megmarad')")));
        } else if (kind == u"empty file") {
            QFile f(to);
            QVERIFY(f.open(QIODevice::WriteOnly));
        } else if (kind == u"no source") {
            from = m_databases.dir().filePath(QStringLiteral("nowhere.mdb"));
        } else if (kind == u"same") {
            to = from;
        }
        const QStringList before = state(to);
        const DatabaseCopy::Result result = DatabaseCopy::copy(from, to);
        message.replace(QLatin1String("%1"), to).replace(QLatin1String("%2"), from);
        QVERIFY2(result.error.contains(message), qPrintable(result.error));
        QVERIFY(result.tables.isEmpty());
        QCOMPARE(state(to), before);
    }

    void failureLeavesNothing_data()
    {
        engines();
        QTest::newRow("sqlite to new sqlite") << false << false << false;
        QTest::newRow("sqlite to new postgresql") << false << true << false;
        QTest::newRow("postgresql into delivered sqlite") << true << false << true;
        QTest::newRow("postgresql into delivered postgresql") << true << true << true;
    }
    void failureLeavesNothing()
    {
        QFETCH(bool, fromServer);
        QFETCH(bool, toServer);
        QFETCH(bool, delivered);
        if ((fromServer || toServer) && TestDatabase::serverUri().isEmpty())
            QSKIP(kNoServer);
        // Without its unique index the source holds one plate twice in progress (in another case), which the
        // target refuses after other rows are in.
        const QString from =
            source(fromServer, QStringLiteral(";DROP INDEX folyamatban_rendszam;"
                                              "INSERT INTO folyamatban (rendszam) VALUES ('def-456')"));
        const QString to = fresh(toServer, QStringLiteral("to"));
        QVERIFY(!from.isEmpty() && !to.isEmpty());
        if (delivered)
            QCOMPARE(Schema::createDatabase(to), QString());
        const QStringList before = state(to);

        const DatabaseCopy::Result result = DatabaseCopy::copy(from, to);
        QVERIFY(!result.error.isEmpty());
        QVERIFY(result.tables.isEmpty());
        QCOMPARE(state(to), before);
        QVERIFY(!QFile::exists(to + QStringLiteral("-journal")));
    }
};

QTEST_GUILESS_MAIN(TestDatabaseCopy)
#include "tst_databasecopy.moc"
