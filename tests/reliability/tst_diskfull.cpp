#include "../support/TestDatabase.h"

#include "DatabaseUri.h"

#include <QProcess>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

struct Run {
    int code = -1;
    QString out;
};

// kelvoctl with its files limited to limit bytes (0: no limit), or with the program folder read-only. SIGXFSZ is
// ignored, so a write past the limit fails with EFBIG as on a full disk. chmod does not stop root, so root gets
// the folder bound read-only in a mount namespace of its own.
Run kelvoctl(const QStringList &args, qint64 limit, const QString &readOnly)
{
    QProcess p;
    p.setChildProcessModifier([limit] {
        if (limit > 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit r{rlim_t(limit), rlim_t(limit)};
            setrlimit(RLIMIT_FSIZE, &r);
        }
    });
    if (readOnly.isEmpty() || geteuid() != 0) {
        p.start(QStringLiteral(KELVOCTL_PATH), args);
    } else {
        p.start(QStringLiteral("unshare"),
                QStringList{QStringLiteral("-m"), QStringLiteral("/bin/sh"), QStringLiteral("-c"),
                            QStringLiteral("mount --bind -o ro \"$0\" \"$0\" && exec \"$@\""), readOnly,
                            QStringLiteral(KELVOCTL_PATH)} +
                    args);
    }
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput())};
}

// Whether a read-only folder can be had: root needs a mount namespace of its own for it.
bool readOnlyWorks(const QString &folder)
{
    return geteuid() != 0 ||
           QProcess::execute(QStringLiteral("unshare"), {QStringLiteral("-m"), QStringLiteral("/bin/sh"),
                                                         QStringLiteral("-c"),
                                                         QStringLiteral("mount --bind -o ro \"$0\" \"$0\""), folder}) == 0;
}

} // namespace

// A full disk (the file size limit) or a read-only program folder while kelvoctl writes its files: each write fails
// with a message, and the file that was there before is left as it was, with no temporary file beside it.
class TestDiskFull : public QObject
{
    Q_OBJECT

    TestDatabase m_databases;
    QTemporaryDir m_dir;
    QString m_home;
    QString m_archives;
    qint64 m_databaseSize = 0;

    QStringList withHome(QStringList args) const { return args << QStringLiteral("--home") << m_home; }

private slots:
    void initTestCase()
    {
        KELVO_REQUIRE_ENGINE();
        m_home = m_dir.filePath(QStringLiteral("home/"));
        m_archives = m_dir.filePath(QStringLiteral("archives/"));
        QVERIFY(QDir().mkpath(m_home) && QDir().mkpath(m_archives));
        const QString datapath = m_databases.created(QStringLiteral("full"));
        // Large and compressible: the archive of it stays small, its rewrite does not fit under the limit.
        const QByteArray padding = "[Megjegyzes]\n" + QByteArray("sor=") + QByteArray(1 << 20, 'x') + "\n";
        QVERIFY(TestDatabase::writeIni(m_home, datapath,
                                       "[Opt]\nkarbantart=0\nmaxsuly=100000\nouttxt=1\nAutobackup=1\n"
                                       "autobackuppath=" + m_archives.toUtf8() + "\n" + padding));
        const QByteArray shipped = readFile(QStringLiteral(KELVO_TEST_DATA_DIR "/../../share/merlegjegy.htm"));
        QVERIFY(!shipped.isEmpty());
        QVERIFY(writeFile(m_home + QStringLiteral("nagyjegy.htm"), shipped + "<!--" + QByteArray(2 << 20, 'x') + "-->"));
        QCOMPARE(kelvoctl(withHome({QStringLiteral("first-weighing"), QStringLiteral("--plate"), QStringLiteral("ABC-123"),
                                    QStringLiteral("--carrier"), QStringLiteral("Fuvar Kft."), QStringLiteral("--customer"),
                                    QStringLiteral("Vevő Bt."), QStringLiteral("--product"), QStringLiteral("Búza"),
                                    QStringLiteral("--weight"), QStringLiteral("24000")}), 0, {}).code, 0);
        QCOMPARE(kelvoctl(withHome({QStringLiteral("finish"), QStringLiteral("--plate"), QStringLiteral("ABC-123"),
                                    QStringLiteral("--weight"), QStringLiteral("9000"), QStringLiteral("--warehouse"),
                                    QStringLiteral("Fő raktár")}), 0, {}).code, 0);
        QVERIFY(writeFile(m_home + QStringLiteral("out.txt"), "earlier out.txt"));
        const DatabaseUri uri = DatabaseUri::parse(datapath);
        m_databaseSize = uri.isServer() ? 0 : QFileInfo(uri.filePath()).size();
    }

    // Standard output that cannot take the rows (a full disk under a redirect) is a failure, not a finished list.
    void standardOutputFull_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("export") << QStringList{"export", "szallitasok"};
        QTest::newRow("search") << QStringList{"search", "--no-dates"};
        QTest::newRow("search csv") << QStringList{"search", "--no-dates", "--csv", "-"};
    }
    void standardOutputFull()
    {
        QFETCH(QStringList, args);
        QProcess p;
        p.setStandardOutputFile(QStringLiteral("/dev/full"));
        p.start(QStringLiteral(KELVOCTL_PATH), withHome(args));
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 1);
    }

    void writeFails_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("files"); // the earlier files the command would replace, in the program folder
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<bool>("roomForDatabase"); // the limit leaves room for the database's own writes
        QTest::addColumn<QString>("message");
        const QStringList ticket{"ticket", "1", "--template", "nagyjegy.htm"};
        const QString ticketFailed = "Hiba a kimeneti nyomtatási fájl írásakor !";
        const QStringList search{"search", "--no-dates", "--csv", "lista.csv"};
        const QStringList exportCsv{"export", "szallitasok", "--csv", "szallitasok.csv"};
        const QStringList backup{"backup", "--to", "kezi.zip"};
        const QStringList autobackup{"autobackup", "--today", "2024-03-03"};
        QTest::newRow("ticket, disk full") << ticket << QStringList{"out.htm"} << false << true << ticketFailed;
        QTest::newRow("ticket, read-only") << ticket << QStringList{"out.htm", "out.txt"} << true << true
                                           << ticketFailed;
        QTest::newRow("search csv, disk full") << search << QStringList{"lista.csv"} << false << false << "lista.csv";
        QTest::newRow("search csv, read-only") << search << QStringList{"lista.csv"} << true << false << "lista.csv";
        QTest::newRow("export csv, disk full") << exportCsv << QStringList{"szallitasok.csv"} << false << false
                                               << "szallitasok.csv";
        QTest::newRow("export csv, read-only") << exportCsv << QStringList{"szallitasok.csv"} << true << false
                                               << "szallitasok.csv";
        QTest::newRow("backup, disk full") << backup << QStringList{"kezi.zip"} << false << false << "";
        QTest::newRow("backup, read-only") << backup << QStringList{"kezi.zip"} << true << false << "kezi.zip";
        QTest::newRow("autobackup's note, disk full") << autobackup << QStringList{"Kelvo.ini"} << false << true
                                                      << "beállításokba";
        QTest::newRow("autobackup's note, read-only") << autobackup << QStringList{"Kelvo.ini"} << true << true
                                                      << "beállításokba";
    }
    void writeFails()
    {
        QFETCH(QStringList, args);
        QFETCH(QStringList, files);
        QFETCH(bool, readOnly);
        QFETCH(bool, roomForDatabase);
        QFETCH(QString, message);
        if (readOnly && !readOnlyWorks(m_home))
            QSKIP("no way to make a folder read-only for root here (unshare -m and mount --bind -o ro)");
        for (QString &arg : args) {
            if (arg.endsWith(u".csv") || arg.endsWith(u".zip"))
                arg.prepend(m_home);
        }
        QDir(m_archives).removeRecursively();
        QDir().mkpath(m_archives);
        std::map<QString, QByteArray> earlier;
        for (const QString &file : std::as_const(files)) {
            const QString path = m_home + file;
            if (!QFileInfo::exists(path) || file != u"Kelvo.ini")
                QVERIFY(writeFile(path, "earlier " + file.toUtf8()));
            earlier[path] = readFile(path);
        }
        const QStringList before = QDir(m_home).entryList(QDir::Files | QDir::Hidden);
        // Room for the database's snapshot and its own writes, none for the file under test; without the need,
        // the limit is far below any of them.
        const qint64 limit = readOnly ? 0 : roomForDatabase ? m_databaseSize + (256 << 10) : 100;

        const QFileDevice::Permissions writable = QFile::permissions(m_home);
        if (readOnly && geteuid() != 0)
            QVERIFY(QFile::setPermissions(m_home, writable & ~(QFileDevice::WriteOwner | QFileDevice::WriteUser)));
        const Run r = kelvoctl(withHome(args), limit, readOnly ? m_home : QString());
        QFile::setPermissions(m_home, writable);
        QCOMPARE(r.code, 1);
        QVERIFY2(r.out.contains(message), qPrintable(r.out));
        for (const auto &[path, bytes] : earlier)
            QCOMPARE(readFile(path), bytes);
        QCOMPARE(QDir(m_home).entryList(QDir::Files | QDir::Hidden), before);
    }
};

QTEST_GUILESS_MAIN(TestDiskFull)
#include "tst_diskfull.moc"
