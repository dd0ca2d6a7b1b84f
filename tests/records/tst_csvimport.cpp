#include "CsvExport.h"
#include "CsvImport.h"

#include <QTest>

// Reading back the files CsvExport writes, and the ones a user edits by hand.
class TestCsvImport : public QObject
{
    Q_OBJECT

private slots:
    void read_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("header");
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::addColumn<QList<qsizetype>>("lines");
        QTest::addColumn<QString>("error"); // "N: text" for an error on line N

        QTest::newRow("as exported") << QByteArray("\xEF\xBB\xBF\"nev\";\"egysegar\"\r\nB\xC3\xBAza;72000,5\r\n")
                                     << QStringList{"nev", "egysegar"} << QList<QStringList>{{"Búza", "72000,5"}}
                                     << QList<qsizetype>{2} << "";
        QTest::newRow("LF, no mark, blank lines")
            << QByteArray("nev;kod\n\na;1\n\nb;\n") << QStringList{"nev", "kod"}
            << QList<QStringList>{{"a", "1"}, {"b", ""}} << QList<qsizetype>{3, 5} << "";
        QTest::newRow("quoted ; quote and line break")
            << QByteArray("\"a\";\"b\"\r\n\"x;y\";\"say \"\"hi\"\"\"\r\n\"two\r\nlines\";z\r\nlast;\"\"\r\n")
            << QStringList{"a", "b"} << QList<QStringList>{{"x;y", "say \"hi\""}, {"two\r\nlines", "z"}, {"last", ""}}
            << QList<qsizetype>{2, 3, 5} << "";
        QTest::newRow("Windows-1250") << QByteArray("\"nev\"\r\n\xC1rpa\r\n") << QStringList{"nev"}
                                      << QList<QStringList>{{"Árpa"}} << QList<qsizetype>{2} << "";
        QTest::newRow("quote left open") << QByteArray("a\n\"x\ny\n") << QStringList{"a"} << QList<QStringList>{}
                                         << QList<qsizetype>{} << "2: a quoted field is not closed";
        QTest::newRow("text after a quote") << QByteArray("a;b\n\"x\"y;1\n") << QStringList{"a", "b"}
                                            << QList<QStringList>{} << QList<qsizetype>{}
                                            << "2: text after a closing quote";
        QTest::newRow("too few fields") << QByteArray("a;b\n1;2\n3\n") << QStringList{"a", "b"}
                                        << QList<QStringList>{} << QList<qsizetype>{}
                                        << "3: 1 fields where the header has 2";
        QTest::newRow("a lone quoted empty field is a row")
            << QByteArray("nev\n\"\"\n\nb\n") << QStringList{"nev"} << QList<QStringList>{{""}, {"b"}}
            << QList<qsizetype>{2, 4} << "";
        QTest::newRow("empty") << QByteArray("\r\n") << QStringList{} << QList<QStringList>{} << QList<qsizetype>{}
                               << "1: no header line";
    }
    void read()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, header);
        QFETCH(QList<QStringList>, rows);
        QFETCH(QList<qsizetype>, lines);
        QFETCH(QString, error);
        const CsvImport::Table table = CsvImport::read(bytes);
        QCOMPARE(table.ok() ? QString() : QStringLiteral("%1: %2").arg(table.line).arg(table.error), error);
        QCOMPARE(table.header, header);
        QList<QStringList> fields;
        QList<qsizetype> starts;
        for (const CsvImport::Row &row : table.rows) {
            fields.append(row.fields);
            starts.append(row.line);
        }
        QCOMPARE(fields, rows);
        QCOMPARE(starts, lines);
    }

    // What the export writes reads back field for field.
    void roundTrip_data()
    {
        QTest::addColumn<QStringList>("header");
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::newRow("one empty field") << QStringList{"nev"} << QList<QStringList>{{""}, {"b"}};
        QTest::newRow("empty header name") << QStringList{""} << QList<QStringList>{{"a"}};
        QTest::newRow("quote in a header name") << QStringList{"s\"x", "b"} << QList<QStringList>{{"1", "2"}};
    }
    void roundTrip()
    {
        QFETCH(QStringList, header);
        QFETCH(QList<QStringList>, rows);
        const CsvImport::Table table = CsvImport::read(CsvExport::bytes(header, rows));
        QCOMPARE(table.error, QString());
        QCOMPARE(table.header, header);
        QList<QStringList> fields;
        for (const CsvImport::Row &row : table.rows)
            fields.append(row.fields);
        QCOMPARE(fields, rows);
    }
};

QTEST_GUILESS_MAIN(TestCsvImport)
#include "tst_csvimport.moc"
