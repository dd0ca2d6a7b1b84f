#include "BackupSchedule.h"
#include "Config.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// When the automatic backup is due and where its archive goes.
class TestBackupSchedule : public QObject
{
    Q_OBJECT

private slots:
    void period_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QDate>("day");
        QTest::addColumn<int>("expected"); // -1: no automatic backup
        QTest::newRow("weekly, last days of a 53-week year") << 1 << QDate(2020, 12, 31) << 53;
        QTest::newRow("weekly, new year still in week 53") << 1 << QDate(2021, 1, 3) << 53;
        QTest::newRow("weekly, first Monday of the year") << 1 << QDate(2021, 1, 4) << 1;
        QTest::newRow("weekly, December day in next year's week 1") << 1 << QDate(2024, 12, 30) << 1;
        QTest::newRow("weekly, week 52") << 1 << QDate(2023, 12, 31) << 52;
        QTest::newRow("monthly") << 2 << QDate(2024, 3, 3) << 3;
        QTest::newRow("never") << 0 << QDate(2024, 3, 3) << -1;
        QTest::newRow("unknown mode") << 3 << QDate(2024, 3, 3) << -1;
    }
    void period()
    {
        QFETCH(int, mode);
        QFETCH(QDate, day);
        QFETCH(int, expected);
        QCOMPARE(BackupSchedule::period(mode, day).value_or(-1), expected);
    }

    void due_data()
    {
        QTest::addColumn<QByteArray>("opt");
        QTest::addColumn<QDate>("today");
        QTest::addColumn<int>("expected"); // the period to store, -1: not due
        QTest::newRow("weekly, never made") << QByteArray("Autobackup=1") << QDate(2024, 3, 3) << 9;
        QTest::newRow("weekly, same week number a year later")
            << QByteArray("Autobackup=1\nutolsomentes=10") << QDate(2025, 3, 3) << -1;
        QTest::newRow("weekly to monthly keeps the stored week 3: March")
            << QByteArray("Autobackup=2\nutolsomentes=3") << QDate(2024, 3, 20) << -1;
        QTest::newRow("weekly to monthly keeps the stored week 3: April")
            << QByteArray("Autobackup=2\nutolsomentes=3") << QDate(2024, 4, 2) << 4;
    }
    void due()
    {
        QFETCH(QByteArray, opt);
        QFETCH(QDate, today);
        QFETCH(int, expected);
        QTemporaryDir dir;
        const QString home = dir.path() + QLatin1Char('/');
        QFile ini(home + QStringLiteral("Kelvo.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Opt]\n" + opt + "\n");
        ini.close();
        const Config config(ini.fileName(), home);
        const auto due = BackupSchedule::due(config, today);
        QCOMPARE(due ? due->period : -1, expected);
        if (due)
            QCOMPARE(due->path, home + BackupSchedule::archiveName(today));
    }

    void automaticPath_data()
    {
        QTest::addColumn<QString>("prefix"); // under the temporary folder; "-" for an empty setting
        QTest::addColumn<QString>("expected");
        QTest::newRow("folder with separator") << "backups/" << "backups/2024.03.03_backup.zip";
        QTest::newRow("folder without separator: beside it") << "backups" << "backups2024.03.03_backup.zip";
        QTest::newRow("missing folder") << "nowhere/" << "home/2024.03.03_backup.zip";
        QTest::newRow("a file, not a folder") << "backups/file" << "home/2024.03.03_backup.zip";
        QTest::newRow("empty") << "-" << "home/2024.03.03_backup.zip";
    }
    void automaticPath()
    {
        QFETCH(QString, prefix);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString root = dir.path() + QLatin1Char('/');
        QVERIFY(QDir(root).mkpath(QStringLiteral("backups")));
        QFile file(root + QStringLiteral("backups/file"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        const QString setting = prefix == u"-" ? QString() : root + prefix;
        QCOMPARE(BackupSchedule::automaticPath(setting, root + QStringLiteral("home/"), QDate(2024, 3, 3)),
                 root + expected);
    }
};

QTEST_GUILESS_MAIN(TestBackupSchedule)
#include "tst_backupschedule.moc"
