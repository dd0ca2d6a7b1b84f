#include "TIniFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <sys/resource.h>

using namespace sorvik;

namespace {

QByteArray contents(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

void put(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

class TestIniFile : public QObject
{
    Q_OBJECT

private slots:
    void read_data();
    void read();
    void write_data();
    void write();
    void fullDiskKeepsTheFile();
};

void TestIniFile::read_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("integer");
    QTest::addColumn<bool>("boolean");

    const QByteArray file = "; monitor settings\r\n[Config]\r\nPort=3\r\n  speed = 12 \r\nOpened=1\r\n"
                            "Name=\"quoted value\"\r\nHex=0x1F\r\nFlag=true\r\n[Ports]\r\nCOM1=/dev/ttyUSB0\r\n";
    QTest::newRow("plain") << file << "Config" << "Port" << "3" << 3 << true;
    QTest::newRow("names ignore case, value trimmed") << file << "CONFIG" << "SPEED" << "12" << 12 << true;
    QTest::newRow("quotes stripped") << file << "Config" << "Name" << "quoted value" << -5 << false;
    QTest::newRow("hexadecimal integer") << file << "Config" << "Hex" << "0x1F" << 31 << true;
    QTest::newRow("true as text") << file << "Config" << "Flag" << "true" << -5 << true;
    QTest::newRow("other section") << file << "ports" << "com1" << "/dev/ttyUSB0" << -5 << false;
    QTest::newRow("missing key gives defaults") << file << "Config" << "Nope" << "dflt" << -5 << false;
    QTest::newRow("key of another section not found") << file << "Ports" << "Port" << "dflt" << -5 << false;
    QTest::newRow("missing file") << QByteArray() << "Config" << "Port" << "dflt" << -5 << false;
}

void TestIniFile::read()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, text);
    QFETCH(int, integer);
    QFETCH(bool, boolean);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Sorvikmon.ini"));
    if (!file.isNull())
        put(path, file);
    TIniFile ini(path);
    QCOMPARE(ini.ReadString(section, key, QStringLiteral("dflt")), text);
    QCOMPARE(ini.ReadInteger(section, key, -5), integer);
    QCOMPARE(ini.ReadBool(section, key, false), boolean);
}

void TestIniFile::write_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<QString>("readBack"); // null: the value written

    QTest::newRow("new file") << QByteArray() << "Config" << "Port" << "2" << QByteArray("[Config]\nPort=2\n")
                              << QString();
    QTest::newRow("changes the line in place, keeps the rest")
        << QByteArray("; note\n[config]\nPORT=1\nOther=x\n\n[Ports]\nCOM1=/dev/a\n") << "Config" << "Port" << "5"
        << QByteArray("; note\n[config]\nPort=5\nOther=x\n\n[Ports]\nCOM1=/dev/a\n") << QString();
    QTest::newRow("new key at the end of its section")
        << QByteArray("[Config]\nPort=1\n\n[Ports]\nCOM1=/dev/a\n") << "Config" << "Speed" << "6"
        << QByteArray("[Config]\nPort=1\nSpeed=6\n\n[Ports]\nCOM1=/dev/a\n") << QString();
    QTest::newRow("new section appended") << QByteArray("[Ports]\nCOM1=/dev/a\n") << "Config" << "Opened" << "1"
                                          << QByteArray("[Ports]\nCOM1=/dev/a\n\n[Config]\nOpened=1\n") << QString();
    QTest::newRow("CR LF file stays CR LF") << QByteArray("[Config]\r\nPort=1\r\n") << "Config" << "Port" << "0"
                                            << QByteArray("[Config]\r\nPort=0\r\n") << QString();
    QTest::newRow("commented key is not the key")
        << QByteArray("[Config]\n;Port=9\n") << "Config" << "Port" << "1" << QByteArray("[Config]\n;Port=9\nPort=1\n")
        << QString();
    QTest::newRow("line breaks in a value stay on its line")
        << QByteArray("[Config]\nPort=1\n") << "Config" << "Name" << "a\nPort=9\r\n[x]\tb"
        << QByteArray("[Config]\nPort=1\nName=a Port=9  [x] b\n") << "a Port=9  [x] b";
}

void TestIniFile::write()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);
    QFETCH(QString, readBack);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Sorvikmon.ini"));
    if (!before.isNull())
        put(path, before);
    TIniFile ini(path);
    QVERIFY(ini.WriteString(section, key, value));
    QCOMPARE(contents(path), after);
    QCOMPARE(TIniFile(path).ReadString(section, key, QString()), readBack.isNull() ? value : readBack);
}

void TestIniFile::fullDiskKeepsTheFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Sorvikmon.ini"));
    const QByteArray before("[Config]\nPort=1\n");
    put(path, before);
    TIniFile ini(path);
    // A file size limit below what the new file needs stands for a full disk; the write then fails with EFBIG.
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 8;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = ini.WriteString(QStringLiteral("Config"), QStringLiteral("Name"), QString(100, u'x'));
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, oldHandler);
    QVERIFY(!written);
    QCOMPARE(contents(path), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("Sorvikmon.ini")});
}

QTEST_APPLESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
