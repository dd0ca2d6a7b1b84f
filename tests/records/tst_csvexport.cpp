#include "RecordsFixture.h"

#include "CsvExport.h"
#include "RowStream.h"

#include <QFile>
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
