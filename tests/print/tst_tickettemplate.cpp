#include "TicketFixtures.h"
#include "TicketFormat.h"
#include "TicketMessages.h"
#include "TicketPrinter.h"
#include "TicketTemplate.h"

#include "Database.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace TicketFixtures;

namespace {

// Golden outputs are reviewed by hand; KELVO_UPDATE_GOLDEN=1 rewrites them from the current code for that review.
bool updateGolden()
{
    return qEnvironmentVariableIntValue("KELVO_UPDATE_GOLDEN") == 1;
}

const QDate kPrintDate(2024, 5, 6);

} // namespace

// Filling text ticket templates: the placeholder table, formats, encodings and the fill's failure paths.
class TestTicketTemplate : public QObject
{
    Q_OBJECT

    TestDatabase m_databases;

private slots:
    void initTestCase() { KELVO_REQUIRE_ENGINE(); }

    void formats_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("weight zero") << "weight" << 0.0 << "0";
        QTest::newRow("weight 999") << "weight" << 999.0 << "999";
        QTest::newRow("weight 1000") << "weight" << 1000.0 << "1 000";
        QTest::newRow("weight 12340") << "weight" << 12340.0 << "12 340";
        QTest::newRow("weight million") << "weight" << 1234567.0 << "1 234 567";
        QTest::newRow("weight negative") << "weight" << -1250.0 << "-1 250";
        QTest::newRow("decimal zero") << "decimal" << 0.0 << "0,00";
        QTest::newRow("decimal percent") << "decimal" << 98.5 << "98,50";
        QTest::newRow("decimal rounds") << "decimal" << 15.256 << "15,26";
        QTest::newRow("decimal carry") << "decimal" << 999.999 << "1 000,00";
        QTest::newRow("decimal big") << "decimal" << 123456789012.5 << "123 456 789 012,50";
        QTest::newRow("decimal negative") << "decimal" << -592676.11 << "-592 676,11";
        QTest::newRow("decimal tiny negative") << "decimal" << -0.001 << "0,00";
        QTest::newRow("serial 7") << "serial" << 7.0 << "00007";
        QTest::newRow("serial 99999") << "serial" << 99999.0 << "99999";
        QTest::newRow("serial 123456") << "serial" << 123456.0 << "123456";
        QTest::newRow("serial 17 with year") << "serial+year" << 17.0 << "2024/00017";
        QTest::newRow("serial 123456 with year") << "serial+year" << 123456.0 << "2024/123456";
    }
    void formats()
    {
        QFETCH(QString, kind);
        QFETCH(double, value);
        QFETCH(QString, expected);
        QString actual;
        if (kind == QLatin1String("weight"))
            actual = TicketFormat::weight(qint64(value));
        else if (kind == QLatin1String("decimal"))
            actual = TicketFormat::decimal(value);
        else
            actual = TicketFormat::serial(qint64(value), kind.endsWith(QLatin1String("year")), kPrintDate);
        QCOMPARE(actual, expected);
    }

    void dateTimeFormat()
    {
        QCOMPARE(TicketFormat::dateTime(QDateTime(QDate(2024, 3, 1), QTime(0, 5, 59))), u"2024.03.01 00:05"_qs);
        QCOMPARE(TicketFormat::dateTime(QDateTime(QDate(2023, 12, 30), QTime(17, 0))), u"2023.12.30 17:00"_qs);
        QCOMPARE(TicketFormat::dateTime(QDateTime()), QString());
    }

    // A fixture transport through a fixture template must give the stored output byte for byte.
    void golden_data()
    {
        QTest::addColumn<qint64>("serial");
        QTest::addColumn<QString>("templateName");
        QTest::addColumn<bool>("evelojel");
        QTest::addColumn<QString>("expectedName");
        QTest::newRow("inbound 17, year on") << qint64(17) << "fixture.htm" << true << "expected-17.htm";
        QTest::newRow("outbound 7, year off") << qint64(7) << "fixture.htm" << false << "expected-7.htm";
        QTest::newRow("serial 123456, year on") << qint64(123456) << "fixture.htm" << true << "expected-123456.htm";
        QTest::newRow("windows-1250 template") << qint64(123456) << "fixture-1250.htm" << false
                                               << "expected-1250.htm";
        QTest::newRow("windows-1250, inbound 17") << qint64(17) << "fixture-1250.htm" << true
                                                  << "expected-1250-17.htm";
    }
    void golden()
    {
        QFETCH(qint64, serial);
        QFETCH(QString, templateName);
        QFETCH(bool, evelojel);
        QFETCH(QString, expectedName);

        QTemporaryDir dir;
        const QString home = dir.path() + QLatin1Char('/');
        const QString dbPath = makeDatabase(m_databases);
        QVERIFY(!dbPath.isEmpty());
        Database db(dbPath);
        QCOMPARE(db.open(), QString());
        TicketSettings s = settings(home);
        s.evelojel = evelojel;

        const TicketOutcome outcome = FillTicketTemplate(serial, db.db(), dataPath(templateName), s.outputPath(),
                                                         s, nullptr, kPrintDate);
        QCOMPARE(outcome.messages, QStringList());
        QVERIFY(outcome.ok);
        const QByteArray actual = readFile(s.outputPath());
        if (updateGolden())
            QVERIFY(writeFile(dataPath(expectedName), actual));
        const QByteArray expected = readFile(dataPath(expectedName));
        QVERIFY2(!expected.isEmpty(), qPrintable(expectedName));
        if (actual != expected) {
            QVERIFY(writeFile(dir.path() + QStringLiteral("/../actual-") + expectedName, actual));
            QFAIL(qPrintable(QStringLiteral("out.htm differs from %1; written beside the temporary folder as "
                                            "actual-%1").arg(expectedName)));
        }
    }

    // The edge cases of one line, stated directly so that a wrong golden file cannot hide them. Most templates
    // start with "é" so that they are UTF-8 and values go in as UTF-8.
    void lineRules_data()
    {
        QTest::addColumn<QByteArray>("templateBytes");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("plate twice") << QByteArray("é%rendszam% %rendszam%") << QByteArray("éABC-123 %rendszam%\r\n");
        QTest::newRow("amount in remark") << QByteArray("é%megjegyzes%")
                                          << QByteArray("éFizetendő: 1 337 700,00 Ft\r\n");
        QTest::newRow("remark takes the line's only amount")
            << QByteArray("é%megjegyzes% / %osszeg%") << QByteArray("éFizetendő: 1 337 700,00 Ft / %osszeg%\r\n");
        QTest::newRow("user stays") << QByteArray("é%felhasznalo%") << QByteArray("é%felhasznalo%\r\n");
        QTest::newRow("company block") << QByteArray("é<p>%sajatceg%</p>")
                                       << QByteArray("é<p><b>L1</b></br>L&amp;2</br>L3</br></p>\r\n");
        QTest::newRow("markup escaped") << QByteArray("é%vevonev%")
                                        << QByteArray("éKis &amp; Nagy &lt;Agro&gt; Kft.\r\n");
        QTest::newRow("quote escaped") << QByteArray("é<a title=\"%raktar%\">")
                                       << QByteArray("é<a title=\"Központi &quot;A&quot; siló\">\r\n");
        QTest::newRow("netto is not nettosuly") << QByteArray("é%nettosuly%|%netto%")
                                                << QByteArray("é26 250|15 000\r\n");
        QTest::newRow("line ends become CR LF") << QByteArray("é\r\nb\nc") << QByteArray("é\r\nb\r\nc\r\n");
        QTest::newRow("empty template") << QByteArray() << QByteArray();
        QTest::newRow("ascii template stays ascii") << QByteArray("%ugyfelnev%") << QByteArray("&#336;szi Bt.\r\n");
        QTest::newRow("windows-1250 template") << QByteArray("\xe9%ugyfelnev%")
                                               << QByteArray("\xe9\xd5szi Bt.\r\n");
    }
    void lineRules()
    {
        QFETCH(QByteArray, templateBytes);
        QFETCH(QByteArray, expected);
        TicketSettings s = settings(QStringLiteral("/tmp/"));
        s.companyLines = {QStringLiteral("<b>L1</b>"), QStringLiteral("L&amp;2"), QStringLiteral("L3")};
        QCOMPARE(TicketTemplate::fill(templateBytes, TicketTemplate::replacements(inbound17(), s, kPrintDate)),
                 expected);
    }

    void outboundUsesOutboundLabels()
    {
        TicketSettings s = settings(QStringLiteral("/tmp/"));
        const QByteArray out = TicketTemplate::fill("%irany%;%elnevez1%;%elnevez2%;é",
                                                    TicketTemplate::replacements(outbound7(), s, kPrintDate));
        QCOMPARE(QString::fromUtf8(out), u"Kiszállítás;Fuvarozó;Vevő;é\r\n"_qs);
    }

    // The shipped template offers every placeholder of the text path, and a fill leaves none of them behind.
    void shippedTemplateUsesEveryPlaceholder()
    {
        const QByteArray shipped = readFile(QStringLiteral(KELVO_TEST_DATA_DIR "/../../share/merlegjegy.htm"));
        QVERIFY(!shipped.isEmpty());
        const auto table = TicketTemplate::replacements(inbound17(), settings(QStringLiteral("/tmp/")), kPrintDate);
        QCOMPARE(table.size(), 40);
        for (const auto &r : table)
            QVERIFY2(shipped.contains(r.placeholder), r.placeholder.constData());
        const QByteArray filled = TicketTemplate::fill(shipped, table);
        static const QRegularExpression placeholder(QStringLiteral("%[a-z0-9]+%"));
        QCOMPARE(placeholder.match(QString::fromUtf8(filled)).captured(), QString());
        QVERIFY(filled.contains("Fizetendő: 1 337 700,00 Ft"));
    }

    // The failure paths: what is shown, what is written, what is handed over.
    void failures_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<bool>("outHtmEmptied");
        QTest::addColumn<bool>("outTxtWritten");
        QTest::addColumn<bool>("scriptStarted");
        const QString missing = QString::fromUtf8(TicketMessages::kTemplateMissing);
        const QString notFound = QString::fromUtf8(TicketMessages::kTicketNotFound);
        const QString writeError = QString::fromUtf8(TicketMessages::kOutputWriteError);
        const QString dataError = QString::fromUtf8(TicketMessages::kTicketDataWriteError);
        QTest::newRow("template missing") << "template missing" << QStringList{missing} << false << false << false;
        QTest::newRow("serial missing") << "serial missing" << QStringList{notFound} << true << false << false;
        QTest::newRow("mode 0 hands over") << "ok" << QStringList{} << false << true << true;
        // The script would pass the previous truck's files on as this ticket's.
        QTest::newRow("out.txt fails, script not run")
            << "out.txt blocked" << QStringList{dataError} << false << false << false;
        QTest::newRow("out.htm fails, script not run")
            << "out.htm blocked" << QStringList{writeError} << false << true << false;
    }
    void failures()
    {
        QFETCH(QString, situation);
        QFETCH(QStringList, messages);
        QFETCH(bool, outHtmEmptied);
        QFETCH(bool, outTxtWritten);
        QFETCH(bool, scriptStarted);

        QTemporaryDir dir;
        const QString home = dir.path() + QLatin1Char('/');
        const QString dbPath = makeDatabase(m_databases);
        QVERIFY(!dbPath.isEmpty());
        Database db(dbPath);
        QCOMPARE(db.open(), QString());
        TicketSettings s = settings(home);
        s.outtxt = true;
        s.outbat = true;
        QVERIFY(writeFile(s.handOverScriptPath(), "echo started > \"$(dirname \"$0\")/marker\"\n"));
        QVERIFY(writeFile(s.outputPath(), "previous ticket"));

        QString templatePath = dataPath(QStringLiteral("fixture.htm"));
        QString outputPath = s.outputPath();
        qint64 serial = 17;
        if (situation == QLatin1String("template missing"))
            templatePath = home + QStringLiteral("merlegnincs.htm");
        else if (situation == QLatin1String("serial missing"))
            serial = 18;
        else if (situation == QLatin1String("out.txt blocked"))
            QVERIFY(QDir(home).mkdir(QStringLiteral("out.txt")));
        else if (situation == QLatin1String("out.htm blocked"))
            outputPath = home + QStringLiteral("nincs/out.htm");

        const TicketOutcome outcome = FillTicketTemplate(serial, db.db(), templatePath, outputPath, s, nullptr,
                                                         kPrintDate);
        QCOMPARE(outcome.messages, messages);
        QCOMPARE(outcome.ok, messages.isEmpty() || situation == QLatin1String("out.txt blocked"));
        QCOMPARE(readFile(s.outputPath()).isEmpty(), outHtmEmptied);
        if (situation == QLatin1String("template missing"))
            QCOMPARE(readFile(s.outputPath()), QByteArray("previous ticket"));
        QCOMPARE(QFileInfo(s.ticketDataPath()).isFile(), outTxtWritten);
        if (outTxtWritten)
            QCOMPARE(readFile(s.ticketDataPath()).left(20), QByteArray("[merlegjegy]\r\nsorsza"));
        QCOMPARE(outcome.handedOver, scriptStarted);
        const QString marker = home + QStringLiteral("marker");
        if (scriptStarted)
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(marker), 10000);
        else
            QVERIFY(!QFileInfo::exists(marker));
    }

    // Each weighing's mark, the marks beside the gross and the tare whichever weighing gave them, and the copy mark
    // from the second print on.
    void marksAndCopy_data()
    {
        QTest::addColumn<qint64>("suly1");
        QTest::addColumn<qint64>("suly2");
        QTest::addColumn<QString>("jel1");
        QTest::addColumn<QString>("jel2");
        QTest::addColumn<int>("prints");
        QTest::addColumn<QByteArray>("line"); // %jel1%|%jel2%|%bruttojel%|%tarajel%|%masolat%
        QTest::newRow("scale weights, first print") << qint64(40000) << qint64(15000) << "" << "" << 1
                                                    << QByteArray("é||||");
        QTest::newRow("loaded first keyed, tare recalled") << qint64(40000) << qint64(15000) << "K" << "T" << 1
                                                            << QByteArray("éK|T|K|T|");
        QTest::newRow("tare first recalled, second print") << qint64(15000) << qint64(40000) << "T" << "" << 2
                                                            << QByteArray("éT|||T|MÁSOLAT");
        QTest::newRow("equal weights") << qint64(20000) << qint64(20000) << "K" << "" << 3
                                       << QByteArray("éK||K||MÁSOLAT");
    }
    void marksAndCopy()
    {
        QFETCH(qint64, suly1);
        QFETCH(qint64, suly2);
        QFETCH(QString, jel1);
        QFETCH(QString, jel2);
        QFETCH(int, prints);
        QFETCH(QByteArray, line);
        Transport t = inbound17();
        t.suly1 = suly1;
        t.suly2 = suly2;
        t.jel1 = jel1;
        t.jel2 = jel2;
        t.nyomtatva = prints;
        const QByteArray filled = TicketTemplate::fill(
            "é%jel1%|%jel2%|%bruttojel%|%tarajel%|%masolat%",
            TicketTemplate::replacements(t, settings(QStringLiteral("/tmp/")), kPrintDate));
        QCOMPARE(filled, line + "\r\n");
    }

    // A page is filled with the count it will have once printed, and only a print that went to the printer counts:
    // a fill that printed nothing leaves the first paper ticket the original, every one after it a copy.
    void printsAreCountedAndCopiesMarked()
    {
        QTemporaryDir dir;
        const QString home = dir.path() + QLatin1Char('/');
        Database db(makeDatabase(m_databases));
        QCOMPARE(db.open(), QString());
        const TicketSettings s = settings(home);
        const QString templatePath = home + QStringLiteral("merlegjegy.htm");
        QVERIFY(writeFile(templatePath, "é[%masolat%]"));
        const auto fill = [&](const QString &path) {
            FillTicketTemplate(17, db.db(), path, s.outputPath(), s, nullptr, kPrintDate);
            return readFile(s.outputPath());
        };
        QCOMPARE(fill(templatePath), QByteArray("é[]\r\n"));
        QCOMPARE(fill(templatePath), QByteArray("é[]\r\n"));
        QCOMPARE(Transport::load(db.db(), 17)->nyomtatva, 0);
        recordPrint(db.db(), 17, false);
        fill(home + QStringLiteral("nincs.htm"));
        QCOMPARE(Transport::load(db.db(), 17)->nyomtatva, 1);
        QCOMPARE(fill(templatePath), QByteArray("é[MÁSOLAT]\r\n"));
        QCOMPARE(Transport::load(db.db(), 7)->nyomtatva, 0);
    }

    void noScriptNoStart()
    {
        QTemporaryDir dir;
        const QString home = dir.path() + QLatin1Char('/');
        Database db(makeDatabase(m_databases));
        QCOMPARE(db.open(), QString());
        TicketSettings s = settings(home);
        s.outbat = true;
        const TicketOutcome outcome = FillTicketTemplate(17, db.db(), dataPath(QStringLiteral("fixture.htm")),
                                                         s.outputPath(), s, nullptr, kPrintDate);
        QVERIFY(outcome.ok);
        QVERIFY(!outcome.handedOver);
        QVERIFY(!QFileInfo::exists(s.ticketDataPath()));
    }
};

QTEST_GUILESS_MAIN(TestTicketTemplate)
#include "tst_tickettemplate.moc"
