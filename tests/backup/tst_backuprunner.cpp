#include "../support/TestDatabase.h"
#include "../support/ZipReader.h"

#include "BackupRunner.h"
#include "DatabaseUri.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(no file)");
}

constexpr QFileDevice::Permissions kReadOnly = QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ExeOwner;

} // namespace

// Backups made from a program folder whose database lies elsewhere, on both engines.
class TestBackupRunner : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_databases;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_home;   // the program folder
    QString m_target; // a folder for archives
    QString m_datapath;

    QString databaseEntry() const
    {
        const DatabaseUri uri = DatabaseUri::parse(m_datapath);
        return uri.isServer() ? uri.databaseName() + QStringLiteral(".sql") : QStringLiteral("kelvo.mdb");
    }

private slots:
    void initTestCase() { KELVO_REQUIRE_ENGINE(); }
    void init()
    {
        m_databases = std::make_unique<TestDatabase>();
        m_dir = std::make_unique<QTemporaryDir>();
        m_home = m_dir->filePath(QStringLiteral("home/"));
        m_target = m_dir->filePath(QStringLiteral("archives/"));
        QVERIFY(QDir().mkpath(m_home + QStringLiteral("sub")) && QDir().mkpath(m_target) &&
                QDir().mkpath(m_dir->filePath(QStringLiteral("xdg"))));
        qputenv("XDG_CONFIG_HOME", m_dir->filePath(QStringLiteral("xdg")).toUtf8());
        m_datapath = m_databases->created(QStringLiteral("kelvo"));
        QVERIFY(TestDatabase::exec(m_datapath, QStringLiteral("INSERT INTO raktar (raktar) VALUES ('Mentett raktár')")));
        for (const char *name : {"merlegjegy.htm", "merleg2.htm", "merlegjegy_b.htm", "lista.htm", "sub/merlegjegy3.htm"})
            QVERIFY(writeFile(m_home + QLatin1String(name), name));
    }
    void cleanup()
    {
        m_databases.reset();
        m_dir.reset();
    }

    void archiveHoldsTheFilesInOrder_data()
    {
        QTest::addColumn<bool>("iniAtHome");
        QTest::addColumn<bool>("companyFile");
        QTest::newRow("everything") << true << true;
        QTest::newRow("INI in the user folder, no company file") << false << false;
    }
    void archiveHoldsTheFilesInOrder()
    {
        QFETCH(bool, iniAtHome);
        QFETCH(bool, companyFile);
        if (companyFile)
            QVERIFY(writeFile(m_home + QStringLiteral("sajatceg.txt"), "Teszt Kft.\r\n"));
        QVERIFY(TestDatabase::writeIni(iniAtHome ? m_home : m_dir->filePath(QStringLiteral("xdg")), m_datapath));

        const QString archive = m_target + QStringLiteral("a.zip");
        const BackupRunner::Result result = BackupRunner(m_home, m_datapath).make(archive);
        QVERIFY2(result.ok, qPrintable(result.error));

        QStringList expected{databaseEntry()};
        if (companyFile)
            expected << QStringLiteral("sajatceg.txt");
        expected << QStringLiteral("merleg2.htm") << QStringLiteral("merlegjegy.htm") << QStringLiteral("merlegjegy_b.htm");
        if (iniAtHome)
            expected << QStringLiteral("Kelvo.ini");
        const auto entries = ZipReader::entries(archive);
        QCOMPARE(ZipReader::names(archive), expected);
        QCOMPARE(entries.at(expected.indexOf(QStringLiteral("merleg2.htm"))).second, QByteArray("merleg2.htm"));

        // The snapshot holds the rows.
        const QByteArray database = entries.first().second;
        if (TestDatabase::onServer()) {
            QVERIFY(database.contains("Mentett raktár"));
            QVERIFY(!database.contains("OWNER TO"));
        } else {
            const QString copy = m_dir->filePath(QStringLiteral("copy.mdb"));
            QVERIFY(writeFile(copy, database));
            QSqlDatabase db = Database::openConnection(copy, QStringLiteral("copy"), nullptr);
            QSqlQuery q(db);
            QVERIFY(q.exec(QStringLiteral("SELECT raktar FROM raktar")) && q.next());
            QCOMPARE(q.value(0).toString(), QStringLiteral("Mentett raktár"));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("copy"));
    }

    // A backup that fails leaves the earlier archive of the name as it was, and nothing else behind.
    void failureKeepsTheEarlierArchive_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("reason");
        QTest::newRow("read-only archive") << "file" << "Írásvédett a fájl";
        QTest::newRow("read-only folder") << "folder" << "Írásvédett a mappa";
        QTest::newRow("missing folder") << "missing" << "A mappa nem létezik";
        QTest::newRow("database unreachable") << "database" << (TestDatabase::onServer() ? "pg_dump" : "kelvo.mdb");
    }
    void failureKeepsTheEarlierArchive()
    {
        QFETCH(QString, fault);
        QFETCH(QString, reason);
        QString archive = m_target + QStringLiteral("2024.03.03_backup.zip");
        QVERIFY(writeFile(archive, "earlier archive"));
        QString datapath = m_datapath;
        if (fault == u"file")
            QVERIFY(QFile::setPermissions(archive, kReadOnly));
        else if (fault == u"folder")
            QVERIFY(QFile::setPermissions(m_target, kReadOnly));
        else if (fault == u"missing")
            archive = m_dir->filePath(QStringLiteral("gone/x.zip"));
        else if (TestDatabase::onServer())
            datapath = QStringLiteral("postgresql:///kelvo?host=%1").arg(m_dir->filePath(QStringLiteral("nosocket")));
        else
            datapath = m_dir->filePath(QStringLiteral("moved/kelvo.mdb"));

        const BackupRunner::Result result = BackupRunner(m_home, datapath).make(archive);
        QVERIFY(QFile::setPermissions(m_target, kReadOnly | QFileDevice::WriteOwner));
        QVERIFY(!result.ok);
        QVERIFY2(result.error.contains(reason), qPrintable(result.error));
        QCOMPARE(result.failureText(), QStringLiteral("A biztonsági másolatot nem sikerült elkészíteni.\n") + result.error);
        QCOMPARE(readFile(m_target + QStringLiteral("2024.03.03_backup.zip")), QByteArray("earlier archive"));
        QCOMPARE(QDir(m_target).entryList(QDir::Files | QDir::Hidden), QStringList{"2024.03.03_backup.zip"});
        QVERIFY(!QFileInfo::exists(m_dir->filePath(QStringLiteral("gone"))));
    }

    void refusesToOverwriteAnArchivedFile_data()
    {
        QTest::addColumn<QString>("target"); // in the program folder; "db" for the database file
        QTest::newRow("INI file") << "Kelvo.ini";
        QTest::newRow("company file") << "sajatceg.txt";
        QTest::newRow("ticket template") << "merleg2.htm";
        QTest::newRow("INI through a link") << "link.zip";
        if (!TestDatabase::onServer())
            QTest::newRow("database") << "db";
    }
    void refusesToOverwriteAnArchivedFile()
    {
        QFETCH(QString, target);
        QVERIFY(writeFile(m_home + QStringLiteral("sajatceg.txt"), "Teszt Kft.\r\n"));
        QVERIFY(TestDatabase::writeIni(m_home, m_datapath));
        QVERIFY(QFile::link(m_home + QStringLiteral("Kelvo.ini"), m_target + QStringLiteral("link.zip")));
        const QString path = target == u"db"         ? m_datapath
                             : target == u"link.zip" ? m_target + target
                                                     : m_home + target;
        const QByteArray before = readFile(path);
        const BackupRunner::Result result = BackupRunner(m_home, m_datapath).make(path);
        QVERIFY(!result.ok);
        QCOMPARE(result.error, QStringLiteral("A biztonsági másolat nem írhatja felül a mentett fájlok egyikét: ") + path);
        QCOMPARE(readFile(path), before);
    }
};

QTEST_GUILESS_MAIN(TestBackupRunner)
#include "tst_backuprunner.moc"
