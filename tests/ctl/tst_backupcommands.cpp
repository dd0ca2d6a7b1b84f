#include "../support/Kelvoctl.h"
#include "../support/TestDatabase.h"
#include "../support/ZipReader.h"

#include "DatabaseUri.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using Kelvoctl::Run;

namespace {

constexpr auto &kelvoctl = Kelvoctl::run;
const QString kDone = QStringLiteral("A biztonsági másolat elkészült.\n");
const QString kFailed = QStringLiteral("A biztonsági másolatot nem sikerült elkészíteni.\n");

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

} // namespace

// kelvoctl backup and autobackup as scripts run them.
class TestBackupCommands : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_databases;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_home;
    QString m_archives;
    QString m_datapath;

    QString ini() const { return m_home + QStringLiteral("Kelvo.ini"); }

private slots:
    void initTestCase() { KELVO_REQUIRE_ENGINE(); }
    void init()
    {
        m_databases = std::make_unique<TestDatabase>();
        m_dir = std::make_unique<QTemporaryDir>();
        m_home = m_dir->filePath(QStringLiteral("home/"));
        m_archives = m_dir->filePath(QStringLiteral("archives/"));
        QVERIFY(QDir().mkpath(m_home) && QDir().mkpath(m_archives));
        m_datapath = m_databases->created(QStringLiteral("kelvo"));
        QVERIFY(writeFile(m_home + QStringLiteral("sajatceg.txt"), "Teszt Kft.\r\n"));
        QVERIFY(TestDatabase::writeIni(m_home, m_datapath,
                                       "[Opt]\nAutobackup=1\nautobackuppath=" + m_archives.toUtf8() + "\n"));
    }
    void cleanup()
    {
        m_databases.reset();
        m_dir.reset();
    }

    void backupThenAutobackupOncePerWeek()
    {
        const QString archive = m_archives + QStringLiteral("kezi.zip");
        Run r = kelvoctl({QStringLiteral("--home"), m_home, QStringLiteral("backup"), QStringLiteral("--to"), archive});
        QCOMPARE(r.out, kDone);
        QCOMPARE(r.code, 0);
        const DatabaseUri uri = DatabaseUri::parse(m_datapath);
        QCOMPARE(ZipReader::names(archive),
                 (QStringList{uri.isServer() ? uri.databaseName() + QStringLiteral(".sql") : QStringLiteral("kelvo.mdb"),
                              QStringLiteral("sajatceg.txt"), QStringLiteral("Kelvo.ini")}));

        const QStringList automatic{QStringLiteral("autobackup"), QStringLiteral("--today"),
                                    QStringLiteral("2024-03-03"), QStringLiteral("--home"), m_home};
        r = kelvoctl(automatic);
        QCOMPARE(r.out, kDone);
        QCOMPARE(r.code, 0);
        QVERIFY(QFileInfo::exists(m_archives + QStringLiteral("2024.03.03_backup.zip")));
        QVERIFY(readFile(ini()).contains("utolsomentes=9"));
        r = kelvoctl(automatic);
        QCOMPARE(r.out, QStringLiteral("Nincs esedékes biztonsági mentés.\n"));
        QCOMPARE(r.code, 0);
        QCOMPARE(kelvoctl({QStringLiteral("autobackup"), QStringLiteral("--today=2024.03.10")}).code, 2);
    }

    // SIGXFSZ ignored: the write past the limit fails with EFBIG instead of killing the process. The database
    // snapshot stays below the limit, the archive with its large template goes beyond it.
    void fullDiskKeepsTheEarlierArchive()
    {
        QByteArray noise(2 << 20, '\0');
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
        QVERIFY(writeFile(m_home + QStringLiteral("merlegjegy.htm"), noise));
        const QString archive = m_archives + QStringLiteral("2024.03.03_backup.zip");
        QVERIFY(writeFile(archive, "earlier archive"));
        QProcess sh;
        sh.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("trap '' XFSZ; ulimit -f 2048; exec \"$0\" \"$@\""),
                                             QStringLiteral(KELVOCTL_PATH), QStringLiteral("--home"), m_home,
                                             QStringLiteral("backup"), QStringLiteral("--to"), archive});
        QVERIFY(sh.waitForFinished(30000));
        const QString out = QString::fromUtf8(sh.readAllStandardOutput());
        QCOMPARE(sh.exitCode(), 1);
        QVERIFY2(out.startsWith(kFailed + archive), qPrintable(out)); // the archive failed, not the snapshot
        QCOMPARE(readFile(archive), QByteArray("earlier archive"));
        QCOMPARE(QDir(m_archives).entryList(QDir::Files | QDir::Hidden), QStringList{archive.section('/', -1)});
    }
};

QTEST_GUILESS_MAIN(TestBackupCommands)
#include "tst_backupcommands.moc"
