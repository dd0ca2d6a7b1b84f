#include "IniFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

class TestIniFile : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_path;

private slots:
    void init() { m_path = m_dir.filePath(QStringLiteral("Kelvo-%1.ini").arg(QTest::currentDataTag())); }
    void cleanup() { QFile::remove(m_path); }

    void readString_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        const QByteArray file = "; comment\r\n[Opt]\r\nmerlegjegy=merleg2.htm\r\n  Hostip = 10.0.0.5  \r\n"
                                "quoted=\"  spaced  \"\r\nempty=\r\nterminator=#13#10\r\n"
                                "dup=first\r\ndup=second\r\n[ComPort1]\r\nPort=COM3\r\n[opt]\r\nlater=x\r\n";
        QTest::newRow("plain") << file << "Opt" << "merlegjegy" << "merleg2.htm";
        QTest::newRow("section case") << file << "OPT" << "merlegjegy" << "merleg2.htm";
        QTest::newRow("key case and blanks") << file << "Opt" << "hostip" << "10.0.0.5";
        QTest::newRow("quotes dropped") << file << "Opt" << "quoted" << "  spaced  ";
        QTest::newRow("empty value is not the default") << file << "Opt" << "empty" << "";
        QTest::newRow("hash notation kept") << file << "Opt" << "terminator" << "#13#10";
        QTest::newRow("first duplicate wins") << file << "Opt" << "dup" << "first";
        QTest::newRow("other section") << file << "ComPort1" << "Port" << "COM3";
        QTest::newRow("missing key gives default") << file << "Opt" << "nothere" << "DEFAULT";
        QTest::newRow("second same-named section ignored") << file << "Opt" << "later" << "DEFAULT";
        QTest::newRow("no file") << QByteArray() << "Opt" << "merlegjegy" << "DEFAULT";
        QTest::newRow("windows-1250 file") << QByteArray("[Opt]\r\nbe1=Sz\xE1ll\xEDt\xF3\r\n") << "Opt" << "be1"
                                           << "Szállító";
        QTest::newRow("utf-8 file") << QByteArray("[Opt]\nbe1=\xC3\x9Cgyf\xC3\xA9l\n") << "Opt" << "be1" << "Ügyfél";
    }
    void readString()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        if (!file.isEmpty())
            writeAll(m_path, file);
        const IniFile ini(m_path);
        QCOMPARE(ini.readString(section, key, QStringLiteral("DEFAULT")), expected);
    }

    void typedReads_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<qint64>("integer");
        QTest::addColumn<bool>("boolean");
        QTest::newRow("number") << "2400" << qint64(2400) << true;
        QTest::newRow("zero") << "0" << qint64(0) << false;
        QTest::newRow("hexadecimal") << "0x10" << qint64(16) << true;
        QTest::newRow("negative is true") << "-1" << qint64(-1) << true;
        QTest::newRow("word reads as default") << "yes" << qint64(77) << true;
        QTest::newRow("number with unit reads as default") << "9600 baud" << qint64(77) << true;
        QTest::newRow("empty reads as default") << "" << qint64(77) << true;
    }
    void typedReads()
    {
        QFETCH(QString, value);
        QFETCH(qint64, integer);
        QFETCH(bool, boolean);
        writeAll(m_path, "[Opt]\nv=" + value.toUtf8() + "\n");
        const IniFile ini(m_path);
        QCOMPARE(ini.readInteger(QStringLiteral("Opt"), QStringLiteral("v"), 77), integer);
        QCOMPARE(ini.readBool(QStringLiteral("Opt"), QStringLiteral("v"), true), boolean);
    }

    void dates_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QDate>("expected");
        QTest::newRow("program format") << "2027.01.31" << QDate(2027, 1, 31);
        QTest::newRow("unparsable reads as default") << "31/01/2027" << QDate(2099, 12, 30);
        QTest::newRow("impossible date reads as default") << "2027.02.31" << QDate(2099, 12, 30);
    }
    void dates()
    {
        QFETCH(QString, value);
        QFETCH(QDate, expected);
        writeAll(m_path, "[Opt]\nhitlejar=" + value.toUtf8() + "\n");
        IniFile ini(m_path);
        QCOMPARE(ini.readDate(QStringLiteral("Opt"), QStringLiteral("hitlejar"), QDate(2099, 12, 30)), expected);
    }

    void writesRoundTrip()
    {
        IniFile ini(m_path);
        QVERIFY(ini.writeString(QStringLiteral("Opt"), QStringLiteral("be1"), QStringLiteral("Vevő")));
        QVERIFY(ini.writeInteger(QStringLiteral("Opt"), QStringLiteral("Printmode"), 3));
        QVERIFY(ini.writeBool(QStringLiteral("ComPort1"), QStringLiteral("lekerdez"), true));
        QVERIFY(ini.writeDate(QStringLiteral("Opt"), QStringLiteral("hitlejar"), QDate(2027, 5, 6)));
        QCOMPARE(ini.readString(QStringLiteral("opt"), QStringLiteral("BE1")), QStringLiteral("Vevő"));
        QCOMPARE(ini.readInteger(QStringLiteral("Opt"), QStringLiteral("Printmode"), 0), qint64(3));
        QCOMPARE(ini.readBool(QStringLiteral("ComPort1"), QStringLiteral("lekerdez"), false), true);
        QCOMPARE(ini.readDate(QStringLiteral("Opt"), QStringLiteral("hitlejar"), {}), QDate(2027, 5, 6));
        QCOMPARE(readAll(m_path), QByteArray("[Opt]\nbe1=Vev\xC5\x91\nPrintmode=3\nhitlejar=2027.05.06\n\n"
                                             "[ComPort1]\nlekerdez=1\n"));
    }

    // Names written back at shutdown come from the database: whatever they hold, they stay on their own line.
    void valueNeverBreaksItsLine_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("readBack");
        QTest::newRow("line feed") << "Evil\nenablehand=0" << "Evil enablehand=0";
        QTest::newRow("carriage return") << "Evil\r[ComPort1]" << "Evil [ComPort1]";
        QTest::newRow("CR LF at the end") << "Agro Kft.\r\nPort=COM9\r\n" << "Agro Kft.  Port=COM9";
        QTest::newRow("tab, escape and C1 control") << QStringLiteral("a\tb\x1b" "c\u0085d") << "a b c d";
    }
    void valueNeverBreaksItsLine()
    {
        QFETCH(QString, value);
        QFETCH(QString, readBack);
        writeAll(m_path, "[Opt]\nenablehand=1\n\n[ComPort1]\nPort=COM3\n");
        IniFile ini(m_path);
        QVERIFY(ini.writeString(QStringLiteral("Opt"), QStringLiteral("fszallito"), value));
        QCOMPARE(ini.readString(QStringLiteral("Opt"), QStringLiteral("fszallito")), readBack);
        QCOMPARE(ini.sectionKeys(QStringLiteral("Opt")), (QStringList{"enablehand", "fszallito"}));
        QCOMPARE(ini.sectionKeys(QStringLiteral("ComPort1")), QStringList{"Port"});
        QCOMPARE(ini.readString(QStringLiteral("ComPort1"), QStringLiteral("Port")), QStringLiteral("COM3"));
    }

    void writeChangesOneLineInPlace()
    {
        writeAll(m_path, "; kept comment\r\n[Opt]\r\nA=1\r\nmerlegjegy=old.htm\r\nB=2\r\n\r\n[Other]\r\nmerlegjegy=x\r\n");
        IniFile ini(m_path);
        QVERIFY(ini.writeString(QStringLiteral("OPT"), QStringLiteral("MerlegJegy"), QStringLiteral("new.htm")));
        QVERIFY(ini.writeString(QStringLiteral("Opt"), QStringLiteral("C"), QStringLiteral("3")));
        QCOMPARE(readAll(m_path), QByteArray("; kept comment\r\n[Opt]\r\nA=1\r\nMerlegJegy=new.htm\r\nB=2\r\nC=3\r\n\r\n"
                                             "[Other]\r\nmerlegjegy=x\r\n"));
    }

    void windows1250FileKeepsItsTextWhenRewritten()
    {
        writeAll(m_path, "[Opt]\r\nfszallito=\xC1rp\xE1" "d Kft.\r\n");
        IniFile ini(m_path);
        QVERIFY(ini.writeString(QStringLiteral("Opt"), QStringLiteral("ftermek"), QStringLiteral("Búza")));
        QCOMPARE(ini.readString(QStringLiteral("Opt"), QStringLiteral("fszallito")), QStringLiteral("Árpád Kft."));
        QCOMPARE(ini.readString(QStringLiteral("Opt"), QStringLiteral("ftermek")), QStringLiteral("Búza"));
    }

    void readOnlyFileRefusesWrites()
    {
        writeAll(m_path, "[Opt]\nA=1\n");
        QVERIFY(QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
        IniFile ini(m_path);
        QVERIFY(!ini.writeString(QStringLiteral("Opt"), QStringLiteral("A"), QStringLiteral("2")));
        QCOMPARE(ini.readString(QStringLiteral("Opt"), QStringLiteral("A")), QStringLiteral("1"));
        QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    void missingFolderRefusesWrites()
    {
        IniFile ini(m_dir.filePath(QStringLiteral("no/such/folder/Kelvo.ini")));
        QVERIFY(!ini.writeString(QStringLiteral("Opt"), QStringLiteral("A"), QStringLiteral("2")));
    }

    void sectionKeys()
    {
        writeAll(m_path, "[Szallitasok_oszlop]\n0=80\n1=120\n; c\n2=90\n[Next]\n3=1\n");
        const IniFile ini(m_path);
        QCOMPARE(ini.sectionKeys(QStringLiteral("szallitasok_oszlop")),
                 (QStringList{QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2")}));
        QVERIFY(ini.valueExists(QStringLiteral("Next"), QStringLiteral("3")));
        QVERIFY(!ini.valueExists(QStringLiteral("Next"), QStringLiteral("0")));
    }
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
