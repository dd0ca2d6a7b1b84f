#include "../support/TestDatabase.h"

#include "Config.h"
#include "Database.h"
#include "DatabaseStartup.h"
#include "Schema.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

namespace {

using Status = DatabaseStartup::VersionCheck::Status;

// A file's contents, to show a step changed nothing; a server database has none (empty).
QByteArray digest(const QString &path)
{
    QFile f(path);
    if (TestDatabase::onServer() || !f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

QVariant firstValue(const QString &path, const QString &sql)
{
    QVariant value;
    {
        QString error;
        QSqlDatabase db = Database::openConnection(path, QStringLiteral("test-value"), &error);
        QSqlQuery q(db);
        if (q.exec(sql) && q.next())
            value = q.value(0);
        else
            qWarning() << error << q.lastError().text();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("test-value"));
    return value;
}

QString indexCountSql(const QString &names)
{
    return TestDatabase::onServer()
               ? QStringLiteral("SELECT count(*) FROM pg_indexes WHERE indexname IN (%1)").arg(names)
               : QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'index' AND name IN (%1)").arg(names);
}

} // namespace

class TestDatabaseStartup : public QObject
{
    Q_OBJECT

    TestDatabase m_databases;

private slots:
    void initTestCase() { KELVO_REQUIRE_ENGINE(); }

    void createdDatabaseHasEveryTableAndVersion()
    {
        const QString path = m_databases.created(QStringLiteral("fresh"));
        QCOMPARE(DatabaseStartup::checkVersion(path).status, Status::Ok);
        Database db(path);
        QCOMPARE(db.open(), QString());
        QCOMPARE(db.openTables(), QString());
        QSqlQuery q(db.db());
        // Text columns default to empty text, are case-insensitive (also beyond ASCII), and serial numbers are
        // unique.
        QVERIFY(q.exec(QStringLiteral("INSERT INTO szallitasok (sorszam, rendszam) VALUES (1, 'abc123')")));
        QVERIFY(q.exec(QStringLiteral("SELECT count(*) FROM szallitasok WHERE rendszam = 'ABC123' AND megjegyzes <> '$' "
                                      "AND ervenyes = FALSE")));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toInt(), 1);
        QVERIFY(!q.exec(QStringLiteral("INSERT INTO szallitasok (sorszam) VALUES (1)")));
        QVERIFY(q.exec(QStringLiteral("INSERT INTO auto (datumido, suly) VALUES ('2026-01-01 10:00:00', 500)")));
        QVERIFY(q.exec(QStringLiteral("SELECT sorszam FROM auto")));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toInt(), 1);
        // One in-progress row per plate, whatever its case.
        QVERIFY(q.exec(QStringLiteral("INSERT INTO folyamatban (rendszam) VALUES ('abc123')")));
        QVERIFY(!q.exec(QStringLiteral("INSERT INTO folyamatban (rendszam) VALUES ('ABC123')")));
        QVERIFY(q.exec(QStringLiteral("SELECT utolso FROM sorszamlalo WHERE id = 1")) && q.next());
        QCOMPARE(q.value(0).toInt(), 0);
    }

    void openingAnOlderFileAddsCounterAndIndexes()
    {
        const QString path = m_databases.created(QStringLiteral("older"));
        QVERIFY(TestDatabase::exec(path, QStringLiteral("DROP TABLE IF EXISTS sorszamlalo; DROP INDEX IF EXISTS szallito_nev;"
                                                        "DROP INDEX IF EXISTS termek_kiszereles;"
                                                        "DROP INDEX IF EXISTS szallitasok_felhasznalo;"
                                                        "INSERT INTO szallitasok (sorszam) VALUES (7), (41)")));
        for (int opening = 0; opening < 2; ++opening) {
            Database db(path);
            QCOMPARE(db.open(), QString());
            QCOMPARE(db.openTables(), QString());
            QSqlQuery q(db.db());
            // The counter starts at the largest serial number, and a second opening leaves it alone.
            QVERIFY(q.exec(QStringLiteral("UPDATE sorszamlalo SET utolso = utolso + 1")));
            QVERIFY(q.exec(QStringLiteral("SELECT utolso FROM sorszamlalo")) && q.next());
            QCOMPARE(q.value(0).toLongLong(), qint64(42 + opening));
            const QString added = QStringLiteral("'szallito_nev', 'termek_kiszereles', 'szallitasok_felhasznalo'");
            QVERIFY(q.exec(indexCountSql(added)) && q.next());
            QCOMPARE(q.value(0).toInt(), 3);
        }
    }

    // The weight marks, the tare date and the print count come to an older file with their defaults, once.
    void olderFileGetsTheMarkColumns()
    {
        const QString path = m_databases.created(QStringLiteral("marks"));
        QVERIFY(TestDatabase::exec(path, QStringLiteral(
            "ALTER TABLE folyamatban DROP COLUMN jel1; ALTER TABLE szallitasok DROP COLUMN jel1;"
            "ALTER TABLE szallitasok DROP COLUMN jel2; ALTER TABLE szallitasok DROP COLUMN nyomtatva;"
            "ALTER TABLE szallito DROP COLUMN taradatum;"
            "INSERT INTO szallitasok (sorszam) VALUES (7); INSERT INTO folyamatban (rendszam) VALUES ('A-1');"
            "INSERT INTO szallito (rendszam, tarasuly) VALUES ('A-1', 9000)")));
        for (int opening = 0; opening < 2; ++opening) {
            Database db(path);
            QCOMPARE(db.open(), QString());
            QCOMPARE(db.openTables(), QString());
        }
        QCOMPARE(firstValue(path, QStringLiteral("SELECT jel1 || '/' || jel2 || '/' || nyomtatva FROM szallitasok"))
                     .toString(),
                 QStringLiteral("//0"));
        QCOMPARE(firstValue(path, QStringLiteral("SELECT jel1 FROM folyamatban")).toString(), QString());
        QCOMPARE(firstValue(path, QStringLiteral("SELECT taradatum FROM szallito")).toString(), QString());
        QVERIFY(!firstValue(path, QStringLiteral("SELECT jel1 FROM folyamatban")).isNull());
    }

    void olderFileTablesGetIdColumns_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("columns"); // the last one is text
        QTest::addColumn<QString>("values");  // %1: the row's number
        QTest::newRow("szallito") << "szallito" << "tarasuly, rendszam" << "%1, 'V%1'";
        QTest::newRow("termek") << "termek" << "egysegar, nev" << "%1.5, 'V%1'";
        QTest::newRow("folyamatban") << "folyamatban" << "suly1, rendszam" << "%1, 'V%1'";
        QTest::newRow("szallitasok") << "szallitasok" << "sorszam, rendszam" << "%1, 'V%1'";
        QTest::newRow("ugyfel") << "ugyfel" << "cim1, nev" << "'c%1', 'V%1'";
        QTest::newRow("raktar") << "raktar" << "raktar" << "'V%1'";
    }
    void olderFileTablesGetIdColumns()
    {
        QFETCH(QString, table);
        QFETCH(QString, columns);
        QFETCH(QString, values);
        if (TestDatabase::onServer())
            QSKIP("only a file can predate the id columns");
        const QString fresh = m_databases.created(QStringLiteral("ids-fresh-") + table);
        const QString path = m_databases.created(QStringLiteral("ids-old-") + table);
        const auto layout = [&](const QString &datapath) {
            QStringList list;
            Database db(datapath);
            db.open();
            QSqlQuery q(db.db());
            q.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE tbl_name = '%1' ORDER BY name").arg(table));
            while (q.next())
                list.append(q.value(0).toString());
            const QSqlRecord record = db.db().record(table);
            for (int i = 0; i < record.count(); ++i)
                list.append(record.fieldName(i));
            return list;
        };
        // The table as an older file has it: the same columns but id, rows numbered only by SQLite's rowid (here 2
        // and 3, row 1 deleted), with its indexes (the search text's triggers came later).
        const QString created =
            firstValue(fresh, QStringLiteral("SELECT sql FROM sqlite_master WHERE name = '%1'").arg(table)).toString();
        QString make = QStringLiteral("DROP TABLE %1;").arg(table) +
                       QString(created).remove(QStringLiteral("id INTEGER PRIMARY KEY AUTOINCREMENT,")) +
                       QLatin1Char(';');
        for (const QString &index : layout(fresh)) {
            if (index.startsWith(table + QLatin1Char('_')))
                make += firstValue(fresh, QStringLiteral("SELECT CASE type WHEN 'index' THEN sql ELSE '' END FROM "
                                                         "sqlite_master WHERE name = '%1'").arg(index))
                            .toString() + QLatin1Char(';');
        }
        for (int row = 1; row <= 3; ++row)
            make += QStringLiteral("INSERT INTO %1 (%2) VALUES (%3);").arg(table, columns, values.arg(row));
        make += QStringLiteral("DELETE FROM %1 WHERE rowid = 1").arg(table);
        QVERIFY(TestDatabase::exec(path, make));
        QVERIFY(!layout(path).contains(QStringLiteral("id")));

        for (int opening = 0; opening < 2; ++opening) {
            Database db(path);
            QCOMPARE(db.open(), QString());
            QCOMPARE(db.openTables(), QString());
        }
        QCOMPARE(layout(path), layout(fresh));
        // Every row keeps its values and its row number as id; a deleted id is not handed out again.
        QVERIFY(TestDatabase::exec(path, QStringLiteral("DELETE FROM %1 WHERE id = 3;INSERT INTO %1 (%2) VALUES (%3)")
                                             .arg(table, columns, values.arg(4))));
        QStringList rows;
        {
            Database db(path);
            QCOMPARE(db.open(), QString());
            QSqlQuery q(db.db());
            QVERIFY(q.exec(QStringLiteral("SELECT id, %1 FROM %2 ORDER BY id").arg(columns, table)));
            while (q.next()) {
                QStringList row;
                for (int i = 0; i < q.record().count(); ++i)
                    row.append(q.value(i).toString());
                rows.append(row.join(QLatin1Char(' ')));
            }
        }
        const QString two = values.arg(2).remove(QLatin1Char('\'')).remove(QLatin1Char(','));
        const QString four = values.arg(4).remove(QLatin1Char('\'')).remove(QLatin1Char(','));
        QCOMPARE(rows, (QStringList{QStringLiteral("2 ") + two, QStringLiteral("4 ") + four}));
    }

    void createRefusesDatabaseWithTables()
    {
        const QString path = m_databases.created(QStringLiteral("exists"));
        QVERIFY(TestDatabase::exec(path, QStringLiteral("INSERT INTO raktar (raktar) VALUES ('megmarad')")));
        const QByteArray before = digest(path);
        QVERIFY(!Schema::createDatabase(path).isEmpty());
        QCOMPARE(digest(path), before);
        QCOMPARE(firstValue(path, QStringLiteral("SELECT raktar FROM raktar")).toString(), QStringLiteral("megmarad"));
        QCOMPARE(DatabaseStartup::checkVersion(path).status, Status::Ok);
    }

    void versionCheck_data()
    {
        QTest::addColumn<QString>("setup"); // SQL run on a fresh database, or a special word
        QTest::addColumn<int>("status");
        QTest::newRow("4.64 passes") << "" << int(Status::Ok);
        QTest::newRow("4.63") << "UPDATE verzio SET verzio = 4.63" << int(Status::WrongDatabase);
        QTest::newRow("4.65") << "UPDATE verzio SET verzio = 4.65" << int(Status::WrongDatabase);
        QTest::newRow("4.640001") << "UPDATE verzio SET verzio = 4.640001" << int(Status::WrongDatabase);
        QTest::newRow("no version row") << "DELETE FROM verzio" << int(Status::WrongDatabase);
        QTest::newRow("no version table") << "DROP TABLE verzio" << int(Status::WrongDatabase);
        QTest::newRow("text version") << "DROP TABLE verzio; CREATE TABLE verzio (verzio TEXT);"
                                         "INSERT INTO verzio (verzio) VALUES ('négy')"
                                      << int(Status::WrongDatabase);
        QTest::newRow("none of our tables") << "@empty" << int(Status::WrongDatabase);
        if (!TestDatabase::onServer())
            QTest::newRow("not a database") << "@garbage" << int(Status::WrongDatabase);
    }
    void versionCheck()
    {
        QFETCH(QString, setup);
        QFETCH(int, status);
        QString path;
        if (setup == u"@garbage" || setup == u"@empty") {
            path = m_databases.empty(QStringLiteral("version-%1").arg(QTest::currentDataTag()));
            if (!TestDatabase::onServer()) {
                QFile f(path);
                QVERIFY(f.open(QIODevice::WriteOnly));
                if (setup == u"@garbage")
                    f.write(QByteArray(4096, 'x'));
            }
        } else {
            path = m_databases.created(QStringLiteral("version-%1").arg(QTest::currentDataTag()));
            if (!setup.isEmpty())
                QVERIFY(TestDatabase::exec(path, setup));
        }
        const QByteArray before = digest(path);
        const DatabaseStartup::VersionCheck check = DatabaseStartup::checkVersion(path);
        QCOMPARE(int(check.status), status);
        if (status == int(Status::WrongDatabase))
            QCOMPARE(check.message, QStringLiteral("Az adatbázis nem ehhez a programhoz készült !"));
        // The check only reads.
        QCOMPARE(digest(path), before);
    }

    void missingFileMessage()
    {
        if (TestDatabase::onServer())
            QSKIP("a step on the database file");
        const QString path = m_databases.dir().filePath(QStringLiteral("nowhere/kelvo.mdb"));
        QCOMPARE(DatabaseStartup::checkExists(path),
                 std::optional<QString>(QStringLiteral("Az adatbázis (kelvo.mdb) nem található a következő helyen: \"") +
                                        path + QLatin1Char('"')));
        // An unopenable path is an error of its own, and the check never creates the file.
        QCOMPARE(DatabaseStartup::checkVersion(path).status, Status::Error);
        QVERIFY(!QFile::exists(path));
        QCOMPARE(DatabaseStartup::checkExists(m_databases.created(QStringLiteral("here"))), std::nullopt);
    }

    void unreachableServerMessage_data()
    {
        QTest::addColumn<QString>("datapath");
        QTest::addColumn<QString>("serverText"); // part of libpq's own message
        if (!TestDatabase::onServer())
            QSKIP("a step on a database server");
        QTest::newRow("missing database") << TestDatabase::missing() << "kelvo_test_no_such_database";
        QUrl noServer(TestDatabase::serverUri());
        noServer.setQuery(QStringLiteral("host=/nonexistent/kelvo"));
        QTest::newRow("no server at the socket") << noServer.toString() << "/nonexistent/kelvo";
        QUrl wrongPassword(TestDatabase::serverUri());
        wrongPassword.setQuery(QStringLiteral("host=%1&user=kelvo_jelszavas&password=rossz")
                                   .arg(QUrlQuery(wrongPassword).queryItemValue(QStringLiteral("host"))));
        QTest::newRow("refused password") << wrongPassword.toString() << "password authentication failed";
    }
    void unreachableServerMessage()
    {
        QFETCH(QString, datapath);
        QFETCH(QString, serverText);
        // The role exists with another password, so that only the password is wrong.
        TestDatabase::admin(QStringLiteral("DROP ROLE IF EXISTS kelvo_jelszavas"));
        QVERIFY(TestDatabase::admin(QStringLiteral("CREATE ROLE kelvo_jelszavas LOGIN PASSWORD 'jo'")));
        const std::optional<QString> message = DatabaseStartup::checkExists(datapath);
        QVERIFY(message);
        QVERIFY2(message->startsWith(QStringLiteral("Az adatbázishoz nem lehet kapcsolódni: \"")), qPrintable(*message));
        QVERIFY2(message->contains(serverText), qPrintable(*message));
        QVERIFY2(!message->contains(QLatin1String("rossz")), "the message shows no password");
        QCOMPARE(DatabaseStartup::checkVersion(datapath).status, Status::Error);
        // Nothing was created by the attempt.
        QCOMPARE(DatabaseStartup::checkExists(TestDatabase::missing()).has_value(), true);
    }

    void passwordInUriIsAccepted()
    {
        if (!TestDatabase::onServer())
            QSKIP("a step on a database server");
        const QString path = m_databases.created(QStringLiteral("password"));
        TestDatabase::admin(QStringLiteral("DROP ROLE IF EXISTS kelvo_jelszavas"));
        QVERIFY(TestDatabase::admin(QStringLiteral("CREATE ROLE kelvo_jelszavas LOGIN PASSWORD 'jó;jel''szó'")));
        QUrl url(path);
        url.setUserName(QStringLiteral("kelvo_jelszavas"));
        url.setPassword(QStringLiteral("jó;jel'szó"));
        QUrlQuery query(url);
        query.removeQueryItem(QStringLiteral("user"));
        url.setQuery(query);
        QCOMPARE(DatabaseStartup::checkExists(url.toString()), std::nullopt);
        // The role may connect but not read our tables: the server's refusal, not "the wrong database".
        const auto version = DatabaseStartup::checkVersion(url.toString());
        QCOMPARE(version.status, Status::Error);
        QVERIFY2(version.message.contains(QLatin1String("permission denied")), qPrintable(version.message));
    }

    void compactionWithSwitchAbsent()
    {
        const QString path = m_databases.created(QStringLiteral("compact"));
        QVERIFY(TestDatabase::exec(path, QStringLiteral("INSERT INTO raktar (raktar) VALUES ('Fő raktár')")));
        const QString ini = m_databases.dir().filePath(QStringLiteral("compact.ini"));
        QFile::remove(ini);
        Config config(ini, m_databases.dir().path() + QLatin1Char('/'));
        QCOMPARE(DatabaseStartup::maintain(config, path),
                 std::optional<QString>(QStringLiteral("Az adatbázis karbantartása sikerült !")));
        QVERIFY(config.ini().valueExists(QStringLiteral("Opt"), QStringLiteral("karbantart")));
        QCOMPARE(config.boolean(Keys::karbantart), false);
        // Once written false, the next start does not compact.
        QCOMPARE(DatabaseStartup::maintain(config, path), std::nullopt);
        QCOMPARE(DatabaseStartup::checkVersion(path).status, Status::Ok);
        QCOMPARE(firstValue(path, QStringLiteral("SELECT raktar FROM raktar")).toString(), QStringLiteral("Fő raktár"));
    }

    void compactionFailureWritesNothing()
    {
        // A corrupt file, or a server database that is not there.
        QString path = TestDatabase::missing();
        if (!TestDatabase::onServer()) {
            path = m_databases.dir().filePath(QStringLiteral("corrupt.mdb"));
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(8192, '\x42'));
        }
        const QByteArray before = digest(path);
        const QString ini = m_databases.dir().filePath(QStringLiteral("corrupt.ini"));
        Config config(ini, m_databases.dir().path() + QLatin1Char('/'));
        QCOMPARE(DatabaseStartup::maintain(config, path),
                 std::optional<QString>(QStringLiteral("Az adatbázis karbantartása nem sikerült !")));
        QCOMPARE(config.boolean(Keys::karbantart), false);
        QCOMPARE(digest(path), before);
    }

    void compactIntoOtherFile()
    {
        if (TestDatabase::onServer())
            QSKIP("a step on the database file");
        const QString source = m_databases.created(QStringLiteral("source"));
        const QString target = m_databases.dir().filePath(QStringLiteral("target.mdb"));
        QVERIFY(DatabaseStartup::compact(source, target));
        QCOMPARE(DatabaseStartup::checkVersion(target).status, Status::Ok);
        QVERIFY(QFile::exists(source));
        QVERIFY(!QFile::exists(target + QLatin1Char('x')));
    }

    void refreshDoesNothingOutsideNetworkMode()
    {
        Database db(m_databases.created(QStringLiteral("refresh")));
        QStringList refreshed;
        connect(&db, &Database::tableRefreshed, this, [&](const QString &t) { refreshed.append(t); });
        db.refresh(QStringLiteral("folyamatban"));
        QVERIFY(refreshed.isEmpty());
        db.setNetworkMode(true);
        db.refresh(QStringLiteral("folyamatban"));
        QCOMPARE(refreshed, QStringList{QStringLiteral("folyamatban")});
    }

    void passwordDecodesToSixBytes()
    {
        QCOMPARE(Database::password().size(), 6);
    }
};

QTEST_GUILESS_MAIN(TestDatabaseStartup)
#include "tst_databasestartup.moc"
