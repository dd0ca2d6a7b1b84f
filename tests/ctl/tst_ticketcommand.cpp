#include "CompanyData.h"
#include "CtlCommands.h"
#include "DatabaseStartup.h"
#include "Invocation.h"
#include "TextCodec.h"
#include "TicketFixtures.h"
#include "TicketMessages.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QTest>

using namespace TicketFixtures;

namespace {

struct Run {
    int code = -1;
    QString out;
    QString err;
};

Run ticket(const QStringList &args)
{
    Run r;
    QBuffer in;
    QTextStream out(&r.out);
    QTextStream err(&r.err);
    Environment environment{in, out, err};
    r.code = runKelvoctl(QStringList{QStringLiteral("ticket")} + args, environment);
    out.flush();
    err.flush();
    return r;
}

} // namespace

// kelvoctl ticket: fills the ticket files of a program folder from its own settings, without printing.
class TestTicketCommand : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { KELVO_REQUIRE_ENGINE(); }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_home = m_dir->path() + QLatin1Char('/');
        m_databases = std::make_unique<TestDatabase>();
        m_datapath = makeDatabase(*m_databases);
        QVERIFY(!m_datapath.isEmpty());
        QVERIFY(TestDatabase::writeIni(m_home, m_datapath, {}));
        QVERIFY(QFile::copy(dataPath(QStringLiteral("fixture.htm")), m_home + QStringLiteral("merlegjegy.htm")));
        QVERIFY(QFile::copy(dataPath(QStringLiteral("fixture-1250.htm")), m_home + QStringLiteral("merleg2.htm")));
        QVERIFY(CompanyData::save(m_home, {QStringLiteral("Saját Kft."), QStringLiteral("Gyár u. 2.")}));
        QVERIFY(writeFile(m_home + QStringLiteral("out.sh"), "echo ok > \"$(dirname \"$0\")/marker\"\n"));
    }

    void fillsFromTheProgramFolder_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QStringList>("extraArgs");
        QTest::addColumn<QStringList>("expectedLines");
        QTest::addColumn<bool>("outTxt");
        QTest::addColumn<bool>("script");
        QTest::newRow("defaults") << QByteArray() << QStringList{}
                                  << QStringList{QStringLiteral("<p>Vevő: Kis &amp; Nagy &lt;Agro&gt; Kft.,"),
                                                 QStringLiteral("<p>Eladó: Őszi Bt.,"),
                                                 QStringLiteral("<div class=\"ceg\">Saját Kft.</br>Gyár u. 2.</br></div>"),
                                                 QStringLiteral("/00017</title>")}
                                  << false << false;
        QTest::newRow("settings of the ini file")
            << QByteArray("[Opt]\r\nevelojel=0\r\nouttxt=1\r\noutbat=1\r\nbe1=Beszállító\r\nPrintmode=1\r\n")
            << QStringList{}
            << QStringList{QStringLiteral("<title>Jegy 00017</title>"), QStringLiteral("<p>Beszállító: Kis")}
            << true << true;
        QTest::newRow("template by name, word mode ignored")
            << QByteArray("[Opt]\r\nmerlegjegy=nincs.htm\r\nPrintmode=4\r\nevelojel=0\r\n")
            << QStringList{QStringLiteral("--template"), QStringLiteral("merleg2.htm")}
            << QStringList{QStringLiteral("<h1>Szállítójegy – 00017</h1>")} << false << false;
    }
    void fillsFromTheProgramFolder()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QStringList, extraArgs);
        QFETCH(QStringList, expectedLines);
        QFETCH(bool, outTxt);
        QFETCH(bool, script);
        if (!ini.isEmpty())
            QVERIFY(TestDatabase::writeIni(m_home, m_datapath, ini));

        const Run r = ticket(QStringList{QStringLiteral("17"), QStringLiteral("--home"), m_dir->path()} + extraArgs);
        QCOMPARE(r.err, QString());
        QCOMPARE(r.out, m_home + QStringLiteral("out.htm\n"));
        QCOMPARE(r.code, 0);
        const QByteArray page = readFile(m_home + QStringLiteral("out.htm"));
        const bool windows1250 = extraArgs.contains(QStringLiteral("merleg2.htm"));
        const QString text = windows1250 ? TextCodec::fromWindows1250(page) : QString::fromUtf8(page);
        for (const QString &line : expectedLines)
            QVERIFY2(text.contains(line), qPrintable(line));
        QCOMPARE(QFileInfo::exists(m_home + QStringLiteral("out.txt")), outTxt);
        QCOMPARE(QFileInfo::exists(m_home + QStringLiteral("out.pdf")), false);
        if (script)
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(m_home + QStringLiteral("marker")), 10000);
        else
            QVERIFY(!QFileInfo::exists(m_home + QStringLiteral("marker")));
    }

    void honoursKelvoHome()
    {
        qputenv("KELVO_HOME", m_dir->path().toLocal8Bit());
        const Run r = ticket({QStringLiteral("7")});
        qunsetenv("KELVO_HOME");
        QCOMPARE(r.code, 0);
        QVERIFY(readFile(m_home + QStringLiteral("out.htm")).contains("XYZ-987"));
    }

    void relativeHomeBecomesAbsolute()
    {
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir->path() + QStringLiteral("/..")));
        const Run r = ticket({QStringLiteral("7"), QStringLiteral("--home"), QFileInfo(m_dir->path()).fileName()});
        QDir::setCurrent(before);
        QCOMPARE(r.out, m_home + QStringLiteral("out.htm\n"));
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("serial not found") << "" << QStringList{"18"}
                                          << QString::fromUtf8(TicketMessages::kTicketNotFound);
        QTest::newRow("template missing") << "" << QStringList{"17", "--template", "merlegnincs.htm"}
                                          << QString::fromUtf8(TicketMessages::kTemplateMissing);
        QTest::newRow("database missing") << "no database" << QStringList{"17"} << QString();
    }
    void refusals()
    {
        QFETCH(QString, situation);
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        if (situation == QLatin1String("no database")) {
            const QString missing = TestDatabase::onServer() ? TestDatabase::missing() : m_datapath;
            QVERIFY(TestDatabase::onServer() || QFile::remove(m_datapath));
            QVERIFY(TestDatabase::writeIni(m_home, missing, {}));
            message = *DatabaseStartup::checkExists(missing);
        }
        const Run r = ticket(args + QStringList{QStringLiteral("--home"), m_home});
        QCOMPARE(r.code, 1);
        QCOMPARE(r.out, message + QLatin1Char('\n'));
        QCOMPARE(r.err, QString());
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("nothing") << QStringList{};
        QTest::newRow("serial not a number") << QStringList{"abc"};
        QTest::newRow("serial zero") << QStringList{"0"};
        QTest::newRow("home without value") << QStringList{"17", "--home"};
        QTest::newRow("two serials") << QStringList{"17", "18"};
        QTest::newRow("unknown option") << QStringList{"17", "--print"};
    }
    void usageErrors()
    {
        QFETCH(QStringList, args);
        const Run r = ticket(args);
        QCOMPARE(r.code, 2);
        QVERIFY(r.err.contains(QStringLiteral("Usage: kelvoctl ticket SERIAL")));
        QCOMPARE(r.out, QString());
        QVERIFY(!QFileInfo::exists(m_home + QStringLiteral("out.htm")));
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TestDatabase> m_databases;
    QString m_home;
    QString m_datapath;
};

QTEST_GUILESS_MAIN(TestTicketCommand)
#include "tst_ticketcommand.moc"
