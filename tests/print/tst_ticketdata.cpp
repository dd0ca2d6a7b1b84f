#include "TicketData.h"
#include "TicketFixtures.h"
#include "TicketMessages.h"

#include <QTemporaryDir>
#include <QTest>

using namespace TicketFixtures;

// The ticket data file out.txt that other software reads.
class TestTicketData : public QObject
{
    Q_OBJECT

    TestDatabase m_databases;

private slots:
    void initTestCase() { KELVO_REQUIRE_ENGINE(); }

    // The row as the database gives it back, written out, must equal the stored file byte for byte.
    void golden_data()
    {
        QTest::addColumn<qint64>("serial");
        QTest::addColumn<QString>("expectedName");
        QTest::newRow("inbound 17") << qint64(17) << "expected-out-17.txt";
        QTest::newRow("outbound 7") << qint64(7) << "expected-out-7.txt";
    }
    void golden()
    {
        QFETCH(qint64, serial);
        QFETCH(QString, expectedName);
        QTemporaryDir dir;
        const QString home = dir.path() + QLatin1Char('/');
        Database db(makeDatabase(m_databases));
        QCOMPARE(db.open(), QString());
        const std::optional<Transport> t = Transport::load(db.db(), serial);
        QVERIFY(t);
        const QString path = home + QStringLiteral("out.txt");
        QCOMPARE(WriteTicketData(path, *t), QString());
        const QByteArray actual = readFile(path);
        if (qEnvironmentVariableIntValue("KELVO_UPDATE_GOLDEN") == 1)
            QVERIFY(writeFile(dataPath(expectedName), actual));
        QCOMPARE(QString::fromUtf8(actual), QString::fromUtf8(readFile(dataPath(expectedName))));
    }

    void valuesStayOnTheirLine_data()
    {
        QTest::addColumn<QString>("remark");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("CR LF") << "első\r\nmásodik" << QByteArray("megjegyzes=első második\r\n");
        QTest::newRow("LF") << "a\nb" << QByteArray("megjegyzes=a b\r\n");
        QTest::newRow("CR") << "a\rb" << QByteArray("megjegyzes=a b\r\n");
        QTest::newRow("plain") << "a=b" << QByteArray("megjegyzes=a=b\r\n");
    }
    void valuesStayOnTheirLine()
    {
        QFETCH(QString, remark);
        QFETCH(QByteArray, line);
        Transport t = inbound17();
        t.megjegyzes = remark;
        const QByteArray text = TicketData::text(t);
        QVERIFY(text.contains("\r\n" + line));
        QCOMPARE(text.count('\n'), 38);
    }

    void missingDatesAreEmpty()
    {
        Transport t = outbound7();
        t.kidatum = QDateTime();
        QVERIFY(TicketData::text(t).contains("\r\nkidatum=\r\nnettosuly=-12340\r\n"));
    }

    void writeFailureIsReported()
    {
        QTemporaryDir dir;
        QCOMPARE(WriteTicketData(dir.filePath(QStringLiteral("nincs/out.txt")), inbound17()),
                 QString::fromUtf8(TicketMessages::kTicketDataWriteError));
    }
};

QTEST_GUILESS_MAIN(TestTicketData)
#include "tst_ticketdata.moc"
