#include "Config.h"
#include "Formats.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

class TestConfig : public QObject
{
    Q_OBJECT

private slots:
    void everyKeyHasAWellFormedDefault()
    {
        QTemporaryDir dir;
        Config config(dir.filePath(QStringLiteral("Kelvo.ini")), dir.path() + QLatin1Char('/'));
        QSet<QString> names;
        for (const ConfigKey *key : Keys::all()) {
            const QString id = QLatin1String(key->section) + QLatin1Char('/') + QLatin1String(key->name);
            QVERIFY2(!names.contains(id.toLower()), qPrintable(id));
            names.insert(id.toLower());
            const QString text = config.defaultText(*key);
            qint64 number = 0;
            switch (key->type) {
            case KeyType::Integer:
                QVERIFY2(Formats::parseInteger(text, &number), qPrintable(id));
                break;
            case KeyType::Boolean:
                QVERIFY2(text == u"0" || text == u"1", qPrintable(id));
                break;
            case KeyType::Date:
                QVERIFY2(Formats::parseDate(text).isValid(), qPrintable(id));
                break;
            case KeyType::String:
                break;
            }
        }
        QCOMPARE(names.size(), 105);
    }

    void defaultsWithoutFile_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("datapath") << "datapath" << "{home}kelvo.mdb";
        QTest::newRow("autobackuppath") << "autobackuppath" << "{home}";
        QTest::newRow("winwordfile") << "winwordfile" << "{home}merlegjegy.doc";
        QTest::newRow("merlegjegy") << "merlegjegy" << "merlegjegy.htm";
        QTest::newRow("be1") << "be1" << "Vevő";
        QTest::newRow("ki2") << "ki2" << "Vevő";
        QTest::newRow("hostip") << "hostip" << "0.0.0.0";
        QTest::newRow("Port") << "Port" << "COM1";
        QTest::newRow("Terminator") << "Terminator" << "#13#10";
        QTest::newRow("lekerdezparancs") << "lekerdezparancs" << "XA/B?";
        QTest::newRow("tisztasag") << "tisztasag" << "100";
        QTest::newRow("sulybetutipus") << "sulybetutipus" << "Tahoma";
    }
    void defaultsWithoutFile()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QTemporaryDir dir;
        const QString home = dir.path() + QLatin1Char('/');
        Config config(dir.filePath(QStringLiteral("missing.ini")), home);
        const ConfigKey *found = nullptr;
        for (const ConfigKey *k : Keys::all()) {
            // The first of a name: the gate module's [Kapu] Port comes after the scale's [ComPort1] Port.
            if (!found && key == QLatin1String(k->name))
                found = k;
        }
        QVERIFY(found);
        QCOMPARE(config.string(*found), QString(value).replace(QLatin1String("{home}"), home));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("missing.ini"))));
    }

    void typedDefaults()
    {
        QTemporaryDir dir;
        Config config(dir.filePath(QStringLiteral("Kelvo.ini")), dir.path() + QLatin1Char('/'));
        QCOMPARE(config.boolean(Keys::karbantart), true);
        QCOMPARE(config.boolean(Keys::halozati), false);
        QCOMPARE(config.integer(Keys::Baudrate), qint64(2400));
        QCOMPARE(config.integer(Keys::maxsuly), qint64(999999));
        QCOMPARE(config.integer(Keys::minusznapok), qint64(30));
        QCOMPARE(config.date(Keys::hitlejar), QDate(2099, 12, 30));
        QCOMPARE(config.dialogDefaultText(Keys::be1), QStringLiteral("Szállító"));
        QCOMPARE(config.dialogDefaultText(Keys::karbantart), QStringLiteral("0"));
    }

    void unparsableValuesReadAsDefaults()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Kelvo.ini"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[Opt]\nmaxsuly=sok\nkarbantart=talan\nhitlejar=soha\nminusznapok=0x0A\n[ComPort1]\nBaudrate=\n");
        f.close();
        Config config(path, dir.path() + QLatin1Char('/'));
        QCOMPARE(config.integer(Keys::maxsuly), qint64(999999));
        QCOMPARE(config.boolean(Keys::karbantart), true);
        QCOMPARE(config.date(Keys::hitlejar), QDate(2099, 12, 30));
        QCOMPARE(config.integer(Keys::minusznapok), qint64(10));
        QCOMPARE(config.integer(Keys::Baudrate), qint64(2400));
    }

    void columnWidthsRoundTrip()
    {
        QTemporaryDir dir;
        Config config(dir.filePath(QStringLiteral("Kelvo.ini")), dir.path() + QLatin1Char('/'));
        QCOMPARE(config.columnWidths(Keys::kFolyamatbanOszlop, 7), QList<int>(7, 100));
        QVERIFY(config.setColumnWidths(Keys::kFolyamatbanOszlop, {80, 90, 100, 110, 120, 130, 50}));
        QCOMPARE(config.columnWidths(Keys::kFolyamatbanOszlop, 7), (QList<int>{80, 90, 100, 110, 120, 130, 50}));
    }

    void iniLocation()
    {
        QTemporaryDir home;
        QTemporaryDir xdg;
        const QString folder = home.path() + QLatin1Char('/');
        qputenv("XDG_CONFIG_HOME", xdg.path().toUtf8());
        // Absent from the program folder: the per-user configuration folder.
        QCOMPARE(Config::locateIniFile(folder), xdg.path() + QStringLiteral("/Kelvo.ini"));
        QFile local(folder + QStringLiteral("Kelvo.ini"));
        QVERIFY(local.open(QIODevice::WriteOnly));
        local.close();
        QCOMPARE(Config::locateIniFile(folder), folder + QStringLiteral("Kelvo.ini"));
        qunsetenv("XDG_CONFIG_HOME");
    }
};

QTEST_GUILESS_MAIN(TestConfig)
#include "tst_config.moc"
