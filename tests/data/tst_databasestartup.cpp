#include "Config.h"
#include "Database.h"
#include "DatabaseStartup.h"
#include "Schema.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray digest(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

// Runs SQL on a private connection to path.
void exec(const QString &path, const QString &sql)
{
    QString error;
    {
        QSqlDatabase db = Database::openConnection(path, QStringLiteral("test-exec"), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QSqlQuery q(db);
        QVERIFY2(q.exec(sql), qPrintable(q.lastError().text()));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("test-exec"));
}

} // namespace

class TestDatabaseStartup : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString freshDatabase(const QString &name)
    {
        const QString path = m_dir.filePath(name);
        QFile::remove(path);
        const QString error = Schema::createFile(path);
        if (!error.isEmpty())
            qWarning() << error;
        return path;
    }

private slots:
    void createdDatabaseHasEveryTableAndVersion()
    {
        const QString path = freshDatabase(QStringLiteral("fresh.mdb"));
        QCOMPARE(DatabaseStartup::checkVersion(path).status, DatabaseStartup::VersionCheck::Status::Ok);
        Database db(path);
        QCOMPARE(db.open(), QString());
        QCOMPARE(db.openTables(), QString());
        QSqlQuery q(db.db());
        // Text columns default to empty text, are case-insensitive, and serial numbers are unique.
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
    }

    void openingAnOlderFileAddsCounterAndIndexes()
    {
        const QString path = freshDatabase(QStringLiteral("older.mdb"));
        for (const char *sql : {"DROP TABLE IF EXISTS sorszamlalo", "DROP INDEX IF EXISTS szallito_nev",
                                "DROP INDEX IF EXISTS termek_kiszereles",
                                "INSERT INTO szallitasok (sorszam) VALUES (7), (41)"})
            exec(path, QLatin1String(sql));
        for (int opening = 0; opening < 2; ++opening) {
            Database db(path);
            QCOMPARE(db.open(), QString());
            QCOMPARE(db.openTables(), QString());
            QSqlQuery q(db.db());
            // The counter starts at the largest serial number, and a second opening leaves it alone.
            QVERIFY(q.exec(QStringLiteral("UPDATE sorszamlalo SET utolso = utolso + 1")));
            QVERIFY(q.exec(QStringLiteral("SELECT utolso FROM sorszamlalo")) && q.next());
            QCOMPARE(q.value(0).toLongLong(), qint64(42 + opening));
            QVERIFY(q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'index' "
                                          "AND name IN ('szallito_nev', 'termek_kiszereles')")) && q.next());
            QCOMPARE(q.value(0).toInt(), 2);
        }
    }

    void createRefusesExistingFile()
    {
        const QString path = freshDatabase(QStringLiteral("exists.mdb"));
        const QByteArray before = digest(path);
        QVERIFY(!Schema::createFile(path).isEmpty());
        QCOMPARE(digest(path), before);
    }

    void versionCheck_data()
    {
        QTest::addColumn<QString>("setup"); // SQL run on a fresh database, or a special word
        QTest::addColumn<int>("status");
        QTest::newRow("4.64 passes") << "" << int(DatabaseStartup::VersionCheck::Status::Ok);
        QTest::newRow("4.63") << "UPDATE verzio SET verzio = 4.63" << int(DatabaseStartup::VersionCheck::Status::WrongDatabase);
        QTest::newRow("4.65") << "UPDATE verzio SET verzio = 4.65" << int(DatabaseStartup::VersionCheck::Status::WrongDatabase);
        QTest::newRow("4.640001") << "UPDATE verzio SET verzio = 4.640001"
                                  << int(DatabaseStartup::VersionCheck::Status::WrongDatabase);
        QTest::newRow("no version row") << "DELETE FROM verzio" << int(DatabaseStartup::VersionCheck::Status::WrongDatabase);
        QTest::newRow("no version table") << "DROP TABLE verzio" << int(DatabaseStartup::VersionCheck::Status::WrongDatabase);
        QTest::newRow("text version") << "UPDATE verzio SET verzio = 'négy'"
                                      << int(DatabaseStartup::VersionCheck::Status::WrongDatabase);
        QTest::newRow("not a database") << "@garbage" << int(DatabaseStartup::VersionCheck::Status::WrongDatabase);
        QTest::newRow("empty file") << "@empty" << int(DatabaseStartup::VersionCheck::Status::WrongDatabase);
    }
    void versionCheck()
    {
        QFETCH(QString, setup);
        QFETCH(int, status);
        const QString path = m_dir.filePath(QStringLiteral("version.mdb"));
        QFile::remove(path);
        if (setup == u"@garbage" || setup == u"@empty") {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            if (setup == u"@garbage")
                f.write(QByteArray(4096, 'x'));
        } else {
            QCOMPARE(Schema::createFile(path), QString());
            if (!setup.isEmpty())
                exec(path, setup);
        }
        const QByteArray before = digest(path);
        const DatabaseStartup::VersionCheck check = DatabaseStartup::checkVersion(path);
        QCOMPARE(int(check.status), status);
        if (status == int(DatabaseStartup::VersionCheck::Status::WrongDatabase))
            QCOMPARE(check.message, QStringLiteral("Az adatbázis nem ehhez a programhoz készült !"));
        // The check only reads.
        QCOMPARE(digest(path), before);
    }

    void missingFileMessage()
    {
        const QString path = m_dir.filePath(QStringLiteral("nowhere/kelvo.mdb"));
        QCOMPARE(DatabaseStartup::checkExists(path),
                 std::optional<QString>(QStringLiteral("Az adatbázis (kelvo.mdb) nem található a következő helyen: \"") +
                                        path + QLatin1Char('"')));
        // An unopenable path is an error of its own, and the check never creates the file.
        QCOMPARE(DatabaseStartup::checkVersion(path).status, DatabaseStartup::VersionCheck::Status::Error);
        QVERIFY(!QFile::exists(path));
        QCOMPARE(DatabaseStartup::checkExists(freshDatabase(QStringLiteral("here.mdb"))), std::nullopt);
    }

    void compactionWithSwitchAbsent()
    {
        const QString path = freshDatabase(QStringLiteral("compact.mdb"));
        exec(path, QStringLiteral("INSERT INTO raktar (raktar) VALUES ('Fő raktár')"));
        const QString ini = m_dir.filePath(QStringLiteral("compact.ini"));
        QFile::remove(ini);
        Config config(ini, m_dir.path() + QLatin1Char('/'));
        QCOMPARE(DatabaseStartup::maintain(config, path),
                 std::optional<QString>(QStringLiteral("Az adatbázis karbantartása sikerült !")));
        QVERIFY(config.ini().valueExists(QStringLiteral("Opt"), QStringLiteral("karbantart")));
        QCOMPARE(config.boolean(Keys::karbantart), false);
        // Once written false, the next start does not compact.
        QCOMPARE(DatabaseStartup::maintain(config, path), std::nullopt);
        QCOMPARE(DatabaseStartup::checkVersion(path).status, DatabaseStartup::VersionCheck::Status::Ok);
        Database db(path);
        QCOMPARE(db.open(), QString());
        QSqlQuery q(db.db());
        QVERIFY(q.exec(QStringLiteral("SELECT raktar FROM raktar")) && q.next());
        QCOMPARE(q.value(0).toString(), QStringLiteral("Fő raktár"));
    }

    void compactionFailureOnCorruptFileWritesNothing()
    {
        const QString path = m_dir.filePath(QStringLiteral("corrupt.mdb"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(8192, '\x42'));
        f.close();
        const QByteArray before = digest(path);
        const QString ini = m_dir.filePath(QStringLiteral("corrupt.ini"));
        Config config(ini, m_dir.path() + QLatin1Char('/'));
        QCOMPARE(DatabaseStartup::maintain(config, path),
                 std::optional<QString>(QStringLiteral("Az adatbázis karbantartása nem sikerült !")));
        QCOMPARE(config.boolean(Keys::karbantart), false);
        QCOMPARE(digest(path), before);
    }

    void compactIntoOtherFile()
    {
        const QString source = freshDatabase(QStringLiteral("source.mdb"));
        const QString target = m_dir.filePath(QStringLiteral("target.mdb"));
        QVERIFY(DatabaseStartup::compact(source, target));
        QCOMPARE(DatabaseStartup::checkVersion(target).status, DatabaseStartup::VersionCheck::Status::Ok);
        QVERIFY(QFile::exists(source));
        QVERIFY(!QFile::exists(target + QLatin1Char('x')));
    }

    void refreshDoesNothingOutsideNetworkMode()
    {
        Database db(freshDatabase(QStringLiteral("refresh.mdb")));
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
