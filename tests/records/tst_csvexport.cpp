#include "RecordsFixture.h"

#include "CsvExport.h"
#include "RowStream.h"
#include "TicketJson.h"

#include <QBuffer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlRecord>
#include <QSqlError>
#include <QSqlQuery>

namespace {

constexpr char kQuery[] = "SELECT sorszam, rendszam, bedatum, osszeg, megjegyzes, kezi FROM szallitasok "
                          "WHERE sorszam IN (4, 5) ORDER BY sorszam";

QByteArray read(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(no file)");
}

} // namespace

class TestCsvExport : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_databases;

private slots:
    void initTestCase() { KELVO_REQUIRE_ENGINE(); }
    void init() { m_databases = std::make_unique<TestDatabase>(); }
    void cleanup() { m_databases.reset(); }

    void field_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("written");
        QTest::newRow("plain") << "Búza 1,5" << "Búza 1,5";
        QTest::newRow("semicolon") << "a;b" << "\"a;b\"";
        QTest::newRow("quote") << "a\"b" << "\"a\"\"b\"";
        QTest::newRow("line break") << "a\r\nb" << "\"a\r\nb\"";
    }

    void field()
    {
        QFETCH(QString, text);
        QFETCH(QString, written);
        QCOMPARE(CsvExport::field(text), written);
    }

    // The same tickets as the office service and the webhooks hand them over: numbers, flags and ISO dates alike
    // from either engine.
    void ticketJson_data()
    {
        QTest::addColumn<qint64>("serial");
        QTest::addColumn<QString>("change"); // made to the row first
        QTest::addColumn<QJsonObject>("expected"); // the fields compared
        QTest::newRow("outbound, by hand")
            << qint64(2) << QString()
            << QJsonObject{{"sorszam", 2}, {"irany", 1}, {"rendszam", "XYZ-9"}, {"nettosuly", -2000},
                           {"osszeg", -0.5}, {"bedatum", "2026-03-02T11:00:00"}, {"kezi", true}, {"ervenyes", true},
                           {"jel1", ""}};
        QTest::newRow("modified, marked")
            << qint64(4) << QString()
            << QJsonObject{{"sorszam", 4}, {"cegnev", "Alfa Kft"}, {"elszamolt", 2900}, {"osszeg", 1.5},
                           {"modositott", true}, {"jelolt", true}, {"megjegyzes", "say \"hi\"; ok"},
                           {"kidatum", "2026-03-03T08:00:00"}};
        QTest::newRow("awkward values")
            << qint64(4)
            << QStringLiteral("megjegyzes = :text, osszeg = 1e20, egysegar = 0.1, tisztasag = -0.0, "
                              "kidatum = NULL")
            << QJsonObject{{"megjegyzes", QStringLiteral("a\x01\"\\\b\t\r\n/é\u20ac\U0001F600\x7f")}, {"osszeg", 1e20},
                           {"kidatum", QJsonValue::Null}};
    }
    void ticketJson()
    {
        QFETCH(qint64, serial);
        QFETCH(QString, change);
        QFETCH(QJsonObject, expected);
        RecordsFixture fixture(*m_databases);
        QSqlQuery q(fixture.db());
        if (!change.isEmpty()) {
            QVERIFY(q.prepare(QStringLiteral("UPDATE szallitasok SET %1 WHERE sorszam = %2").arg(change).arg(serial)));
            q.bindValue(QStringLiteral(":text"), QStringLiteral("a\x01\"\\\b\t\r\n/é\u20ac\U0001F600\x7f"));
            QVERIFY2(q.exec(), qPrintable(q.lastError().text()));
        }
        QVERIFY(q.exec(QStringLiteral("SELECT * FROM szallitasok WHERE sorszam = %1").arg(serial)) && q.next());
        const QJsonObject ticket = TicketJson::object(q.record());
        QVERIFY(!ticket.contains(QStringLiteral("id")));
        for (auto it = expected.begin(); it != expected.end(); ++it)
            QCOMPARE(ticket.value(it.key()), it.value());
        // The batch writer gives the very bytes of the object.
        QByteArray written;
        TicketJson::Layout(q.record()).write(q, written);
        QCOMPARE(written, QJsonDocument(ticket).toJson(QJsonDocument::Compact));
    }

    // Stored values as they are written, read straight from the engine: dates re-arranged as text (midnight as the
    // date alone, a text that is no date as it is), numbers with the decimal comma, NULLs empty.
    void valueForms_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("stored"); // an SQL expression
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("midnight") << "kidatum" << "'2026-03-01 00:00:00'" << QByteArray("2026.03.01");
        QTest::newRow("date-time") << "kidatum" << "'2026-03-01 07:08:09'" << QByteArray("2026.03.01 07:08:09");
        QTest::newRow("no such day") << "kidatum" << "'2026-02-30 10:00:00'" << QByteArray("2026-02-30 10:00:00");
        QTest::newRow("date with T") << "bedatum" << "'2026-03-01T10:00:00'" << QByteArray("2026-03-01T10:00:00");
        QTest::newRow("date null") << "kidatum" << "NULL" << QByteArray();
        QTest::newRow("negative whole") << "nettosuly" << "-1234567" << QByteArray("-1234567");
        QTest::newRow("integer null") << "suly1" << "NULL" << QByteArray();
        QTest::newRow("negative fraction") << "osszeg" << "-1234.5" << QByteArray("-1234,5");
        QTest::newRow("small fraction") << "egysegar" << "-0.0125" << QByteArray("-0,0125");
        QTest::newRow("fifteen digits") << "osszeg" << "123456789012.345" << QByteArray("123456789012,345");
        QTest::newRow("binary fraction") << "tisztasag" << "0.1 + 0.2" << QByteArray("0,3");
        QTest::newRow("below a millionth") << "viztartalom" << "0.0000001" << QByteArray("0");
        QTest::newRow("past fifteen digits") << "elvartviz" << "1e20" << QByteArray("100000000000000000000");
        QTest::newRow("number null") << "osszeg" << "NULL" << QByteArray();
        QTest::newRow("yes") << "kezi" << "TRUE" << QByteArray("True");
        QTest::newRow("no") << "jelolt" << "FALSE" << QByteArray("False");
        QTest::newRow("quote and line break") << "megjegyzes" << "'a\"b' || char(13) || char(10) || 'c'"
                                              << QByteArray("\"a\"\"b\r\nc\"");
        QTest::newRow("accents") << "cegnev" << "'Árvíztűrő; Kft.'" << QByteArray("\"\xC3\x81rv\xC3\xADzt\xC5\xB1r\xC5\x91; Kft.\"");
    }

    void valueForms()
    {
        QFETCH(QString, column);
        QFETCH(QString, stored);
        QFETCH(QByteArray, written);
        Database database(m_databases->created(QStringLiteral("forms")));
        QCOMPARE(database.open(), QString());
        const QSqlDatabase db = database.db();
        if (TestDatabase::onServer())
            stored.replace(QStringLiteral("char("), QStringLiteral("chr("));
        QSqlQuery insert(db);
        QVERIFY2(insert.exec(QStringLiteral("INSERT INTO szallitasok (sorszam, %1) VALUES (7, %2)").arg(column, stored)),
                 qPrintable(insert.lastError().text()));
        RowStream rows(db, QStringLiteral("SELECT sorszam, %1 FROM szallitasok").arg(column));
        QBuffer out;
        QVERIFY(out.open(QIODevice::WriteOnly));
        QVERIFY(CsvExport::exportCsv(rows, out).ok());
        QCOMPARE(out.data(), "\xEF\xBB\xBF\"sorszam\";\"" + column.toUtf8() + "\"\r\n7;" + written + "\r\n");
    }

    // The header, the text forms and the quoted remark, byte for byte; a cancelled or failed export leaves the
    // file that was there before as it was.
    void writes_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<bool>("missingFolder");
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("written") << false << false
                                 << QByteArray("\xEF\xBB\xBF\"sorszam\";\"rendszam\";\"bedatum\";\"osszeg\";"
                                               "\"megjegyzes\";\"kezi\"\r\n"
                                               "4;QRS-1;2026.03.03 07:00:00;1,5;\"say \"\"hi\"\"; ok\";False\r\n"
                                               "5;O'MID;2026.03.01;0;;False\r\n");
        QTest::newRow("cancelled") << true << false << QByteArray("old");
        QTest::newRow("failed") << false << true << QByteArray("(no file)");
    }

    void writes()
    {
        QFETCH(bool, cancel);
        QFETCH(bool, missingFolder);
        QFETCH(QByteArray, file);
        RecordsFixture fixture(*m_databases);
        const QString path = m_databases->dir().filePath(missingFolder ? QStringLiteral("no/such/list.csv")
                                                                       : QStringLiteral("list.csv"));
        QFile old(path);
        if (!missingFolder)
            QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        old.close();
        RowStream q(fixture.db(), QLatin1String(kQuery));
        const CsvExport::Outcome outcome = CsvExport::exportCsv(q, path, [&](qint64) { return !cancel; });
        QCOMPARE(outcome.cancelled, cancel);
        QCOMPARE(outcome.error.isEmpty(), !missingFolder);
        QCOMPARE(read(path), file);
    }
};

QTEST_GUILESS_MAIN(TestCsvExport)
#include "tst_csvexport.moc"
