#include "CompanyData.h"
#include "CtlCommands.h"
#include "DatabaseStartup.h"
#include "Invocation.h"
#include "Pictures.h"
#include "Sql.h"
#include "TextCodec.h"
#include "TicketFixtures.h"
#include "TicketMessages.h"

#include <QBuffer>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

using namespace TicketFixtures;

namespace {

struct Run {
    int code = -1;
    QString out;
    QString err;
};

Run kelvoctl(const QString &command, const QStringList &args)
{
    Run r;
    QBuffer in;
    QTextStream out(&r.out);
    QTextStream err(&r.err);
    Environment environment{in, out, err};
    r.code = runKelvoctl(QStringList{command} + args, environment);
    out.flush();
    err.flush();
    return r;
}

Run ticket(const QStringList &args)
{
    return kelvoctl(QStringLiteral("ticket"), args);
}

QByteArray jpeg(Qt::GlobalColor color)
{
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG");
    return bytes;
}

// Ticket 17's pictures: camera 1 of the first weighing, camera 2 of the second, camera 3 of the second missing.
bool addPictures(const QString &datapath)
{
    Database database(datapath);
    if (!database.open().isEmpty())
        return false;
    const QDateTime at(QDate(2023, 12, 30), QTime(7, 5, 9));
    Transaction transaction(database.db());
    Pictures::replaceInProgress(database.db(), 999, {{1, QStringLiteral("Bejárat"), jpeg(Qt::red), {}, at}});
    Pictures::finish(database.db(), 999, 17,
                     {{2, QStringLiteral("Hátsó"), jpeg(Qt::blue), {}, at},
                      {3, QStringLiteral("Oldal"), {}, QStringLiteral("nincs kapcsolat"), at}});
    transaction.commit();
    return true;
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

    // kelvoctl pictures writes the ticket's pictures as SERIAL-W-C.jpg, byte for byte, or nothing at all.
    void picturesCommand_data()
    {
        QTest::addColumn<QString>("serial");
        QTest::addColumn<QString>("folder"); // under the program folder
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("out"); // %1: the folder
        QTest::addColumn<QStringList>("files");
        QTest::newRow("written") << "17" << "kepek" << 0
                                 << "%1/17-1-1.jpg\n%1/17-2-2.jpg\n17-2-3: hiányzik: nincs kapcsolat\n"
                                 << QStringList{"17-1-1.jpg", "17-2-2.jpg"};
        QTest::newRow("ticket without pictures") << "7" << "kepek" << 0 << "" << QStringList{};
        QTest::newRow("serial not found") << "18" << "kepek" << 1
                                          << QString::fromUtf8(TicketMessages::kTicketNotFound) + "\n"
                                          << QStringList{};
        QTest::newRow("folder missing") << "17" << "nincs" << 1 << "A(z) %1 mappába nem lehet írni.\n"
                                        << QStringList{};
    }
    void picturesCommand()
    {
        QFETCH(QString, serial);
        QFETCH(QString, folder);
        QFETCH(int, code);
        QFETCH(QString, out);
        QFETCH(QStringList, files);
        QVERIFY(addPictures(m_datapath));
        QVERIFY(QDir(m_home).mkdir(QStringLiteral("kepek")));
        const QString target = m_home + folder;
        const Run r = kelvoctl(QStringLiteral("pictures"), {serial, QStringLiteral("--to"), target,
                                                            QStringLiteral("--home"), m_home});
        QCOMPARE(r.err, QString());
        QCOMPARE(r.out, out.contains(QLatin1String("%1")) ? out.arg(target) : out);
        QCOMPARE(r.code, code);
        QCOMPARE(QDir(m_home + QStringLiteral("kepek")).entryList(QDir::Files), files);
        if (!files.isEmpty()) {
            QCOMPARE(readFile(target + QStringLiteral("/17-1-1.jpg")), jpeg(Qt::red));
            QCOMPARE(readFile(target + QStringLiteral("/17-2-2.jpg")), jpeg(Qt::blue));
        }
    }

    // An HTML template shows a picture the ticket has as an embedded image, and nothing where it has none.
    void templateEmbedsPictures()
    {
        QVERIFY(addPictures(m_datapath));
        QVERIFY(writeFile(m_home + QStringLiteral("kepes.htm"),
                          "<p>%rendszam%</p><p>%kep1_1%</p><p>%kep2_3%</p><p>%kep2_2%</p>\r\n"));
        const Run r = ticket({QStringLiteral("17"), QStringLiteral("--template"), QStringLiteral("kepes.htm"),
                              QStringLiteral("--home"), m_home});
        QCOMPARE(r.code, 0);
        const QByteArray image = "<img src=\"data:image/jpeg;base64,";
        QCOMPARE(readFile(m_home + QStringLiteral("out.htm")),
                 "<p>ABC-123</p><p>" + image + jpeg(Qt::red).toBase64() + "\"></p><p></p><p>" + image +
                     jpeg(Qt::blue).toBase64() + "\"></p>\r\n");
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
