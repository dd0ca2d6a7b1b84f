#include "RecordsFixture.h"

#include "Cancellation.h"
#include "CsvExport.h"
#include "Dialect.h"
#include "Schema.h"
#include "Sql.h"
#include "TransportList.h"
#include "TransportSearch.h"
#include "TransportText.h"

#include <QSqlError>
#include <QSqlQuery>

using namespace TransportSearch;

namespace {

// A filter from "key=value;key=value", the way the tables below read.
Filter filterFrom(const QString &filterText)
{
    Filter f;
    f.ignoreDates = true;
    for (const QString &item : filterText.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString key = item.section(QLatin1Char('='), 0, 0);
        const QString v = item.section(QLatin1Char('='), 1);
        const auto yesNo = [&] { return v == u"yes" ? YesNo::Yes : YesNo::No; };
        if (key == u"direction")
            f.direction = v == u"in" ? Direction::In : Direction::Out;
        else if (key == u"state")
            f.state = v == u"any" ? State::Any : State::Cancelled;
        else if (key == u"rendszam" || key == u"cegnev")
            f.setText(key, v);
        else if (key == u"manual")
            f.manual = yesNo();
        else if (key == u"modified")
            f.modified = yesNo();
        else if (key == u"marked")
            f.marked = yesNo();
        else if (key == u"remark")
            f.hasRemark = true;
        else if (key == u"minserial")
            f.minSerial = v;
        else if (key == u"serial")
            f.serial = v;
        else if (key == u"from" || key == u"to") {
            f.ignoreDates = false;
            (key == u"from" ? f.from : f.to) = Formats::parseDate(v);
        } else if (key == u"sort")
            f.sort = {v.section(QLatin1Char(':'), 0, 0).toInt(), v.endsWith(QLatin1String("asc"))};
        else if (key == u"today") {
            f.today = true;
            f.todayDate = Formats::parseDate(v);
        } else if (key == u"quick")
            f.quick = v;
        else
            qFatal("unknown filter key %s", qPrintable(key));
    }
    return f;
}

Statement statement(const QSqlDatabase &db, const QString &filterText)
{
    const auto built = build(db, filterFrom(filterText));
    if (const auto *refusal = std::get_if<Refusal>(&built))
        qWarning() << refusal->message;
    return std::get<Statement>(built);
}

QString serials(const QSqlDatabase &db, const QString &filterText)
{
    QSqlQuery q = statement(db, filterText).run(db);
    QStringList list;
    while (q.next())
        list.append(q.value(QStringLiteral("sorszam")).toString());
    return list.join(QLatin1Char(','));
}

} // namespace

class TestTransportSearch : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_databases;

private slots:
    void initTestCase() { KELVO_REQUIRE_ENGINE(); }
    void init() { m_databases = std::make_unique<TestDatabase>(); }
    void cleanup() { m_databases.reset(); }

    void lists_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("serials");
        QTest::newRow("valid, newest first") << "" << "5,4,2,1";
        QTest::newRow("inbound") << "direction=in" << "5,4,1";
        QTest::newRow("outbound") << "direction=out" << "2";
        QTest::newRow("cancelled") << "state=cancelled" << "3";
        QTest::newRow("any state") << "state=any" << "5,4,3,2,1";
        QTest::newRow("chosen plate, any case") << "rendszam=abc-123" << "1";
        QTest::newRow("plate with an apostrophe") << "rendszam=o'mid" << "5";
        QTest::newRow("typed text not in the list") << "rendszam=ABC" << "5,4,2,1";
        QTest::newRow("chosen carrier") << "cegnev=Alfa Kft" << "4,1";
        QTest::newRow("manual") << "manual=yes" << "2";
        QTest::newRow("weighed") << "manual=no" << "5,4,1";
        QTest::newRow("modified") << "modified=yes" << "4";
        QTest::newRow("marked") << "marked=yes" << "4";
        QTest::newRow("with a remark") << "remark" << "4";
        QTest::newRow("minimum serial") << "minserial=3" << "5,4";
        QTest::newRow("one serial") << "serial=2" << "2";
        QTest::newRow("midnight is in its day") << "from=2026.03.01;to=2026.03.01" << "5";
        QTest::newRow("one day") << "from=2026.03.02;to=2026.03.02" << "2,1";
        QTest::newRow("by plate ascending") << "sort=1:asc" << "1,5,4,2";
        QTest::newRow("today takes cancelled rows") << "today=2026.03.02" << "3,2,1";
        QTest::newRow("today by direction") << "today=2026.03.02;direction=in;cegnev=Béta Bt" << "3,1";
        QTest::newRow("quick: ignores every filter") << "quick=abc;direction=out" << "3,1";
        QTest::newRow("quick: across two fields") << "quick=s-1alf" << "4";
        QTest::newRow("quick: a date with its time") << "quick=2026.03.02 10:00:00" << "1";
        QTest::newRow("quick: a midnight date has no time") << "quick=2026.03.01 00" << "";
        QTest::newRow("quick: decimal comma") << "quick=1,5" << "4,1";
        QTest::newRow("quick: yes/no fields") << "quick=TrueTrueFalseTrue" << "4";
        QTest::newRow("quick: accented letters keep their case") << "quick=bÚza" << "";
        QTest::newRow("quick: shorter than a trigram") << "quick=9b" << "2";
        QTest::newRow("quick: a star is no wildcard") << "quick=*" << "";
        QTest::newRow("quick: a percent sign is no wildcard") << "quick=a%t" << "";
        QTest::newRow("quick: an underscore is no wildcard") << "quick=a_f" << "";
    }

    void lists()
    {
        QFETCH(QString, filter);
        QFETCH(QString, serials);
        RecordsFixture fixture(*m_databases);
        QCOMPARE(::serials(fixture.db(), filter), serials);
    }

    void refuses_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("field");
        QTest::newRow("end before start") << "from=2026.03.02;to=2026.03.01" << "Hibás indőintervallumok !" << "d2";
        QTest::newRow("also for the quick search") << "from=2026.03.02;to=2026.03.01;quick=a"
                                                   << "Hibás indőintervallumok !" << "d2";
        QTest::newRow("minimum serial not a number") << "minserial=1 or 1=1"
                                                     << "A minimális sorszám csak egész szám lehet !" << "minsorszam";
        QTest::newRow("negative serial") << "serial=-1" << "A sorszám csak egész szám lehet !" << "sorszam";
    }

    void refuses()
    {
        QFETCH(QString, filter);
        QFETCH(QString, message);
        QFETCH(QString, field);
        RecordsFixture fixture(*m_databases);
        QCOMPARE(std::get<Refusal>(build(fixture.db(), filterFrom(filter))), (Refusal{message, field}));
    }

    void totals_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("panels");
        QTest::newRow("valid") << "" << QStringList{" 4 találat.", "Nettó súly: 10 100 kg", "Elszámolt súly: 6 000 kg",
                                                    "Összeg: 4 Ft."};
        QTest::newRow("outbound counts negative")
            << "direction=out" << QStringList{" 1 találat.", "Nettó súly: 2 000 kg", "Elszámolt súly: -2 000 kg",
                                              "Összeg: 0 Ft."};
        QTest::newRow("nothing") << "serial=99" << QStringList{" 0 találat.", "Nettó súly: 0 kg",
                                                               "Elszámolt súly: 0 kg", "Összeg: 0 Ft."};
    }

    void totals()
    {
        QFETCH(QString, filter);
        QFETCH(QStringList, panels);
        RecordsFixture fixture(*m_databases);
        QCOMPARE(TransportSearch::totals(fixture.db(), statement(fixture.db(), filter)).panels(), panels);
    }

    void listRowShowsAbsoluteValues()
    {
        RecordsFixture fixture(*m_databases);
        QSqlQuery q = statement(fixture.db(), QStringLiteral("serial=2")).run(fixture.db());
        QVERIFY(q.next());
        QCOMPARE(listRow(q), (QStringList{"00002", "XYZ-9", "Béta Bt", "", "Búza", "2026.03.02 11:30", "2 000",
                                          "2 000", "Fő", "", "", "", "", "", "", "0"}));
        QCOMPARE(rowIcon(q), 1);
    }

    // A list line of kelvoctl, read straight from the engine, shows what the window's list shows, odd values too.
    void listLine_data()
    {
        QTest::addColumn<QString>("assignments");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("as stored") << "irany = 1"
                                   << QByteArray("00002;XYZ-9;B\xC3\xA9ta Bt;;B\xC3\xBAza;2026.03.02 11:30;2 000;2 000;"
                                                 "F\xC5\x91;;;;;;;0");
        QTest::newRow("midnight, rounded half to even")
            << "kidatum = '2026-03-02 00:00:00', osszeg = 2.5"
            << QByteArray("00002;XYZ-9;B\xC3\xA9ta Bt;;B\xC3\xBAza;2026.03.02 00:00;2 000;2 000;F\xC5\x91;;;;;;;2");
        QTest::newRow("no date, nulls")
            << "kidatum = 'hello', nettosuly = NULL, osszeg = NULL"
            << QByteArray("00002;XYZ-9;B\xC3\xA9ta Bt;;B\xC3\xBAza;;0;2 000;F\xC5\x91;;;;;;;0");
        QTest::newRow("negative, quoted texts")
            << "nettosuly = -1234567, osszeg = -1000000.5, megjegyzes = 'a;b', ugyirat = 'x\"y', rendszam = 'L' || char(10)"
            << QByteArray("00002;\"L\n\";B\xC3\xA9ta Bt;;B\xC3\xBAza;2026.03.02 11:30;1 234 567;2 000;F\xC5\x91;\"a;b\";"
                          "\"x\"\"y\";;;;;1 000 000");
    }

    void listLine()
    {
        QFETCH(QString, assignments);
        QFETCH(QByteArray, line);
        RecordsFixture fixture(*m_databases);
        if (TestDatabase::onServer())
            assignments.replace(QStringLiteral("char("), QStringLiteral("chr("));
        QSqlQuery update(fixture.db());
        QVERIFY2(update.exec(QStringLiteral("UPDATE szallitasok SET %1 WHERE sorszam = 2").arg(assignments)),
                 qPrintable(update.lastError().text()));
        const Statement s = statement(fixture.db(), QStringLiteral("serial=2"));
        QByteArray written;
        {
            RowStream rows = s.stream(fixture.db());
            QVERIFY(rows.next());
            Totals totals;
            appendListLine(written, rows, listColumns(rows), totals);
            QCOMPARE(totals.rows, 1);
        }
        QCOMPARE(written, line);
        QSqlQuery q = s.run(fixture.db());
        QVERIFY(q.next());
        QStringList fields = listRow(q);
        for (QString &field : fields)
            field = CsvExport::field(field);
        QCOMPARE(fields.join(QLatin1Char(';')).toUtf8(), line);
    }

    // A common text used to build one condition per match, which the engine refused past about 1000 of them.
    void quickSearchFindsMoreThanAThousand()
    {
        RecordsFixture fixture(*m_databases);
        {
            Transaction transaction(fixture.db());
            Transport t;
            t.rendszam = QStringLiteral("MANY-1");
            for (t.sorszam = 100; t.sorszam < 1300; ++t.sorszam)
                QCOMPARE(t.insert(fixture.db()), QString());
            transaction.commit();
        }
        QCOMPARE(TransportSearch::totals(fixture.db(), statement(fixture.db(), QStringLiteral("quick=many"))).rows,
                 1200);
    }

    // The quick search reads a text kept beside each transport: it must follow every change, and a database made
    // before that text gets it for the rows already there.
    void quickSearchFollowsChanges_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("quick");
        QTest::addColumn<QString>("serials");
        QTest::newRow("inserted") << "insert" << "new-7" << "6";
        QTest::newRow("modified: the new text") << "modify" << "1chg-1alfa" << "1";
        QTest::newRow("modified: not the old text") << "modify" << "1abc-123" << "";
        QTest::newRow("cancelled") << "cancel" << "FőFalse" << "3,1";
        QTest::newRow("deleted") << "delete" << "abc-123" << "3";
        QTest::newRow("older database") << "older" << "abc-123alfa" << "3,1";
        QTest::newRow("older database, then inserted") << "older+insert" << "new-7" << "6";
        QTest::newRow("older text table without the totals' columns") << "older layout" << "abc-123alfa" << "3,1";
        QTest::newRow("older text table, then modified") << "older layout+modify" << "1chg-1alfa" << "1";
    }

    void quickSearchFollowsChanges()
    {
        QFETCH(QString, change);
        QFETCH(QString, quick);
        QFETCH(QString, serials);
        RecordsFixture fixture(*m_databases);
        const QSqlDatabase db = fixture.db();
        if (change.startsWith(u"older")) {
            const QStringList drops = TestDatabase::onServer()
                                          ? QStringList{"DROP TRIGGER szallitasok_szoveg_change ON szallitasok",
                                                        "DROP FUNCTION szallitasok_szoveg_keep()"}
                                          : QStringList{"DROP TRIGGER szallitasok_szoveg_insert",
                                                        "DROP TRIGGER szallitasok_szoveg_update",
                                                        "DROP TRIGGER szallitasok_szoveg_delete",
                                                        "DROP TABLE szallitasok_szoveg_trigram"};
            for (const QString &sql : drops + QStringList{"DROP TABLE szallitasok_szoveg"})
                Sql::run(db, sql);
            if (change.startsWith(u"older layout")) {
                // The text table as it was before it carried the serial and the totals' columns.
                for (const QString &sql : Dialect::substringTable(
                         db, QLatin1String(Schema::kSearchTable), QStringLiteral("szallitasok"),
                         TransportText::searchText(db), TransportText::searchText(db, QStringLiteral("NEW"))))
                    Sql::run(db, sql);
            }
            QCOMPARE(Schema::upgrade(db), QString());
        }
        if (change.endsWith(u"insert")) {
            Transport t;
            t.sorszam = 6;
            t.rendszam = QStringLiteral("NEW-7");
            QCOMPARE(t.insert(db), QString());
        } else if (change.endsWith(u"modify")) {
            Sql::run(db, QStringLiteral("UPDATE szallitasok SET rendszam = 'CHG-1', modositott = TRUE "
                                        "WHERE sorszam = 1"));
        } else if (change == u"cancel") {
            QCOMPARE(Cancellation::cancel(db, 1), Cancellation::Check::Cancellable);
        } else if (change == u"delete") {
            Sql::run(db, QStringLiteral("DELETE FROM szallitasok WHERE sorszam = 1"));
        }
        QCOMPARE(::serials(db, QStringLiteral("quick=") + quick), serials);
        // The list takes its serials and totals from the text table's own columns: the same as from the tickets.
        const Statement narrow = statement(db, QStringLiteral("quick=") + quick);
        QVERIFY(!narrow.totalsTail.isEmpty());
        Statement wide = narrow;
        wide.totalsTail.clear();
        const TransportList fromText = TransportList::load(db, narrow);
        const TransportList fromTickets = TransportList::load(db, wide);
        QCOMPARE(fromText.size(), fromTickets.size());
        for (qint64 i = 0; i < fromText.size(); ++i)
            QCOMPARE(fromText.serial(i), fromTickets.serial(i));
        QCOMPARE(fromText.totals().panels(), fromTickets.totals().panels());
    }

    void cancelTwice()
    {
        RecordsFixture fixture(*m_databases);
        using Cancellation::Check;
        QCOMPARE(Cancellation::check(fixture.db(), 1), Check::Cancellable);
        QCOMPARE(Cancellation::cancel(fixture.db(), 1), Check::Cancellable);
        QCOMPARE(Cancellation::cancel(fixture.db(), 1), Check::AlreadyCancelled);
        QCOMPARE(Cancellation::refusal(Check::AlreadyCancelled)->message,
                 QStringLiteral("Ez a szállítás már sztornózott !"));
        QCOMPARE(Cancellation::cancel(fixture.db(), 99), Check::NotFound);
        QCOMPARE(serials(fixture.db(), QStringLiteral("state=cancelled")), QStringLiteral("3,1"));
    }
};

QTEST_GUILESS_MAIN(TestTransportSearch)
#include "tst_transportsearch.moc"
