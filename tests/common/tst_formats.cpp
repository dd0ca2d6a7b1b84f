#include "Formats.h"

#include <QTest>

class TestFormats : public QObject
{
    Q_OBJECT

private slots:
    void parseInteger_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<qint64>("value");
        QTest::newRow("decimal") << QStringLiteral("2400") << true << qint64(2400);
        QTest::newRow("negative") << QStringLiteral("-15") << true << qint64(-15);
        QTest::newRow("plus sign") << QStringLiteral("+7") << true << qint64(7);
        QTest::newRow("surrounding blanks") << QStringLiteral(" 12 ") << true << qint64(12);
        QTest::newRow("0x hexadecimal") << QStringLiteral("0x1F") << true << qint64(31);
        QTest::newRow("dollar hexadecimal") << QStringLiteral("$ff") << true << qint64(255);
        QTest::newRow("empty") << QString() << false << qint64(0);
        QTest::newRow("letters") << QStringLiteral("abc") << false << qint64(0);
        QTest::newRow("trailing garbage") << QStringLiteral("12abc") << false << qint64(0);
        QTest::newRow("fraction") << QStringLiteral("1.5") << false << qint64(0);
        QTest::newRow("lone sign") << QStringLiteral("-") << false << qint64(0);
        QTest::newRow("bad hex") << QStringLiteral("0xZZ") << false << qint64(0);
    }
    void parseInteger()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(qint64, value);
        qint64 v = 0;
        QCOMPARE(Formats::parseInteger(text, &v), ok);
        if (ok)
            QCOMPARE(v, value);
    }

    void parseDate_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("date");
        QTest::newRow("program format") << QStringLiteral("2099.12.30") << QDate(2099, 12, 30);
        QTest::newRow("short parts") << QStringLiteral("2026.1.5") << QDate(2026, 1, 5);
        QTest::newRow("trailing dot") << QStringLiteral("2026.01.05.") << QDate(2026, 1, 5);
        QTest::newRow("impossible day") << QStringLiteral("2026.02.30") << QDate();
        QTest::newRow("iso dashes") << QStringLiteral("2026-01-05") << QDate();
        QTest::newRow("garbage") << QStringLiteral("holnap") << QDate();
    }
    void parseDate()
    {
        QFETCH(QString, text);
        QFETCH(QDate, date);
        QCOMPARE(Formats::parseDate(text), date);
        if (date.isValid())
            QCOMPARE(Formats::parseDate(Formats::date(date)), date);
    }

    void number_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("whole") << 100.0 << QStringLiteral("100");
        QTest::newRow("fraction") << 1.5 << QStringLiteral("1,5");
        QTest::newRow("negative") << -0.25 << QStringLiteral("-0,25");
        QTest::newRow("negative zero") << -0.0 << QStringLiteral("0");
        QTest::newRow("large") << 1234567.0 << QStringLiteral("1234567");
    }
    void number()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(Formats::number(value), text);
        bool ok = false;
        QCOMPARE(Formats::parseNumber(text, &ok), value == 0.0 ? 0.0 : value);
        QVERIFY(ok);
    }

    void parseNumberRejectsNonNumbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString();
        QTest::newRow("lone minus") << QStringLiteral("-");
        QTest::newRow("two separators") << QStringLiteral("1,2,3");
        QTest::newRow("letters") << QStringLiteral("1a");
    }
    void parseNumberRejectsNonNumbers()
    {
        QFETCH(QString, text);
        bool ok = true;
        Formats::parseNumber(text, &ok);
        QVERIFY(!ok);
    }
};

QTEST_MAIN(TestFormats)
#include "tst_formats.moc"
