#include "../support/Kelvoctl.h"
#include "../support/TestDatabase.h"

#include "Cancellation.h"
#include "Database.h"
#include "InProgress.h"
#include "Modification.h"
#include "Sql.h"
#include "Trail.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

namespace {

const QString kTickets = QStringLiteral(
    "INSERT INTO szallitasok (sorszam, rendszam, raktar, ervenyes) VALUES (1, 'ABC-123', 'Fő', TRUE), "
    "(2, 'XYZ-9', 'Fő', TRUE);"
    "INSERT INTO folyamatban (rendszam, suly1) VALUES ('KLM-1', 12000), ('KLM-2', 9000)");

qint64 count(const QSqlDatabase &db, const QString &sql)
{
    return Sql::value(db, sql).toLongLong();
}

// Every row in progress, as the main window's list shows them.
QList<InProgress::Seen> seenRows(const QSqlDatabase &db)
{
    QList<InProgress::Seen> seen;
    QSqlQuery q = Sql::run(db, QStringLiteral("SELECT rendszam FROM folyamatban"));
    while (q.next())
        seen.append(*InProgress::find(db, q.value(0).toString()));
    return seen;
}

} // namespace

// The trail of changes: every recorded action extends one hash chain, verify-trail finds a row changed, deleted or
// moved by hand, and a change never commits without its trail row.
class TestTrail : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestDatabase> m_databases;
    std::unique_ptr<Database> m_db;
    QString m_path;

    // Six rows: a modification, a cancellation, a reprint of ticket 1, two in-progress deletions, a setting.
    void recordActions()
    {
        const QSqlDatabase db = m_db->db();
        Modification::Fields f{QStringLiteral("ABC-124"), QStringLiteral("Fő"), {}, QStringLiteral("javítva"),
                               {}, {}, {}, {}, {}, {}};
        QCOMPARE(Modification::apply(db, 1, f, false), std::nullopt);
        QCOMPARE(Cancellation::cancel(db, 1), Cancellation::Check::Cancellable);
        Trail::reprinted(db, 1);
        InProgress::removeAll(db, seenRows(db));
        Trail::settingChanged(db, QStringLiteral("stabilkell"), QStringLiteral("0"), QStringLiteral("1"));
    }

private slots:
    void initTestCase() { KELVO_REQUIRE_ENGINE(); }
    void init()
    {
        m_databases = std::make_unique<TestDatabase>();
        m_path = m_databases->created(QStringLiteral("trail"));
        QVERIFY(TestDatabase::exec(m_path, kTickets));
        m_db = std::make_unique<Database>(m_path);
        QCOMPARE(m_db->open(), QString());
    }
    void cleanup()
    {
        m_db.reset();
        m_databases.reset();
    }

    void chainRecordsEachAction()
    {
        recordActions();
        const Trail::Verdict verdict = Trail::verify(m_db->db());
        QCOMPARE(verdict.message, QStringLiteral("A napló rendben: 6 sor."));
        const QList<Trail::Row> rows = Trail::ofSerial(m_db->db(), 1);
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows.at(0).esemeny, QString::fromUtf8(Trail::kModification));
        // Only what changed, old and new side.
        QCOMPARE(rows.at(0).regi, QStringLiteral("rendszam=ABC-123; megjegyzes="));
        QCOMPARE(rows.at(0).uj, QStringLiteral("rendszam=ABC-124; megjegyzes=javítva"));
        QCOMPARE(rows.at(1).esemeny, QString::fromUtf8(Trail::kCancellation));
        QCOMPARE(rows.at(2).esemeny, QString::fromUtf8(Trail::kReprint));
        QCOMPARE(rows.at(1).elozo, rows.at(0).hash);
        QCOMPARE(count(m_db->db(), QStringLiteral("SELECT count(*) FROM naplo WHERE esemeny = 'folyamatban törlés' "
                                                  "AND regi LIKE 'rendszam=KLM-%'")),
                 2);
        QCOMPARE(count(m_db->db(), QStringLiteral("SELECT count(*) FROM naplo WHERE sorszam = 0 AND "
                                                  "regi = 'stabilkell=0' AND uj = 'stabilkell=1'")),
                 1);
    }

    void verifyTrailFindsTampering_data()
    {
        QTest::addColumn<QString>("tamper");
        QTest::addColumn<int>("firstBad");
        QTest::newRow("changed content") << "UPDATE naplo SET uj = 'ervenyes=True' WHERE id = 2" << 2;
        QTest::newRow("deleted row") << "DELETE FROM naplo WHERE id = 3" << 3;
        QTest::newRow("re-ordered rows")
            << "UPDATE naplo SET id = 100 WHERE id = 2; UPDATE naplo SET id = 2 WHERE id = 3; "
               "UPDATE naplo SET id = 3 WHERE id = 100"
            << 2;
        QTest::newRow("last row deleted") << "DELETE FROM naplo WHERE id = 6" << 6;
        QTest::newRow("hash rewritten") << "UPDATE naplo SET regi = '', hash = 'f00d' WHERE id = 4" << 4;
    }
    void verifyTrailFindsTampering()
    {
        QFETCH(QString, tamper);
        QFETCH(int, firstBad);
        recordActions();
        QTemporaryDir home;
        QVERIFY(TestDatabase::writeIni(home.path(), m_path));
        const QStringList verify{QStringLiteral("verify-trail"), QStringLiteral("--home"), home.path()};
        Kelvoctl::Run r = Kelvoctl::run(verify);
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QStringLiteral("A napló rendben: 6 sor.\n"));

        QVERIFY(TestDatabase::exec(m_path, tamper));
        r = Kelvoctl::run(verify);
        QCOMPARE(r.code, 1);
        const QRegularExpressionMatch named = QRegularExpression(QStringLiteral("A napló (\\d+)\\. sora")).match(r.out);
        QVERIFY2(named.hasMatch(), qPrintable(r.out));
        QCOMPARE(named.captured(1).toInt(), firstBad);
    }

    // The trail cannot be written (its counter row is gone): each change is undone with it.
    void changeAndTrailRowCommitTogether_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("unchanged");
        QTest::addColumn<qint64>("expected");
        QTest::newRow("modification") << 0 << "SELECT count(*) FROM szallitasok WHERE rendszam = 'ABC-123'" << 1LL;
        QTest::newRow("cancellation") << 1 << "SELECT count(*) FROM szallitasok WHERE ervenyes = TRUE" << 2LL;
        QTest::newRow("in-progress deletion") << 2 << "SELECT count(*) FROM folyamatban" << 2LL;
        QTest::newRow("all in progress") << 3 << "SELECT count(*) FROM folyamatban" << 2LL;
    }
    void changeAndTrailRowCommitTogether()
    {
        QFETCH(int, action);
        QFETCH(QString, unchanged);
        QFETCH(qint64, expected);
        QVERIFY(TestDatabase::exec(m_path, QStringLiteral("DELETE FROM naploszamlalo")));
        const QSqlDatabase db = m_db->db();
        const Modification::Fields f{QStringLiteral("NEW-1"), {}, {}, {}, {}, {}, {}, {}, {}, {}};
        QVERIFY_THROWS_EXCEPTION(DatabaseError, [&] {
            switch (action) {
            case 0:
                Modification::apply(db, 1, f, false);
                break;
            case 1:
                Cancellation::cancel(db, 1);
                break;
            case 2:
                InProgress::remove(db, *InProgress::find(db, QStringLiteral("KLM-1")));
                break;
            default:
                InProgress::removeAll(db, seenRows(db));
            }
        }());
        QCOMPARE(count(db, unchanged), expected);
        QCOMPARE(count(db, QStringLiteral("SELECT count(*) FROM naplo")), 0);
    }

    // Stations cancelling at the same moment append one after the other: the chain never forks.
    void simultaneousStationsKeepOneChain()
    {
        constexpr int kStations = 6;
        QVERIFY(TestDatabase::exec(m_path, QStringLiteral("INSERT INTO szallitasok (sorszam, ervenyes) VALUES "
                                                          "(3, TRUE), (4, TRUE), (5, TRUE), (6, TRUE)")));
        QTemporaryDir home;
        QVERIFY(TestDatabase::writeIni(home.path(), m_path));
        std::vector<std::unique_ptr<QProcess>> stations;
        for (int serial = 1; serial <= kStations; ++serial) {
            auto &p = stations.emplace_back(std::make_unique<QProcess>());
            p->start(QStringLiteral(KELVOCTL_PATH), {QStringLiteral("cancel"), QStringLiteral("--home"), home.path(),
                                                     QString::number(serial)});
        }
        for (const auto &p : stations) {
            QVERIFY(p->waitForFinished(60000));
            QCOMPARE(p->exitCode(), 0);
        }
        QCOMPARE(Trail::verify(m_db->db()).message, QStringLiteral("A napló rendben: %1 sor.").arg(kStations));
    }

    // A refused change leaves no trail row.
    void refusedChangeLeavesNoRow()
    {
        const Modification::Fields f{QStringLiteral("NEW-1"), {}, {}, {}, {}, {}, {}, {}, {}, {}};
        QVERIFY(Modification::apply(m_db->db(), 99, f, false));
        QCOMPARE(Cancellation::cancel(m_db->db(), 99), Cancellation::Check::NotFound);
        QCOMPARE(count(m_db->db(), QStringLiteral("SELECT count(*) FROM naplo")), 0);
        QCOMPARE(Trail::verify(m_db->db()).message, QStringLiteral("A napló rendben: 0 sor."));
    }

    // With the shipped grants the program's role works as before and appends to the trail, but cannot rewrite it.
    void serverGrantsKeepTheTrailAppendOnly_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::newRow("update") << "UPDATE naplo SET uj = ''";
        QTest::newRow("delete") << "DELETE FROM naplo";
        QTest::newRow("truncate") << "TRUNCATE naplo";
        QTest::newRow("drop") << "DROP TABLE naplo";
    }
    void serverGrantsKeepTheTrailAppendOnly()
    {
        if (!TestDatabase::onServer())
            QSKIP("grants are a server's");
        QFETCH(QString, statement);
        const QString role = QStringLiteral("kelvo_trail_program");
        QVERIFY(TestDatabase::admin(
            QStringLiteral("DO $$ BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = '%1') THEN "
                           "CREATE ROLE %1 LOGIN PASSWORD 'naplo'; END IF; END $$")
                .arg(role)));
        // The administrator's database, in which the program's role makes (and so owns) the tables.
        const QString adminPath = m_databases->empty(QStringLiteral("grants"));
        const QString database = QUrl(adminPath).path().mid(1);
        QVERIFY(TestDatabase::admin(QStringLiteral("GRANT CREATE ON DATABASE %1 TO %2").arg(database, role)));
        QVERIFY(TestDatabase::exec(adminPath, QStringLiteral("GRANT CREATE ON SCHEMA public TO %1").arg(role)));
        QUrl url(adminPath);
        url.setUserName(role);
        url.setPassword(QStringLiteral("naplo"));
        QUrlQuery query(url);
        query.removeQueryItem(QStringLiteral("user"));
        url.setQuery(query);
        const QString programPath = url.toString();
        QCOMPARE(Schema::createDatabase(programPath), QString());

        QFile script(QStringLiteral(KELVO_TEST_DATA_DIR "/../../scripts/pg-grants.sql"));
        QVERIFY(script.open(QIODevice::ReadOnly));
        QString grants;
        for (const QString &line : QString::fromUtf8(script.readAll()).split(QLatin1Char('\n'))) {
            if (!line.startsWith(QLatin1String("--")))
                grants += line + QLatin1Char('\n');
        }
        QVERIFY(TestDatabase::exec(adminPath, grants.replace(QStringLiteral(":\"kelvo_role\""), role).trimmed()));

        Database program(programPath);
        QCOMPARE(program.open(), QString());
        QCOMPARE(program.openTables(), QString());
        Sql::run(program.db(), QStringLiteral("INSERT INTO szallitasok (sorszam, rendszam, ervenyes) "
                                              "VALUES (1, 'ABC-123', TRUE)"));
        QCOMPARE(Cancellation::cancel(program.db(), 1), Cancellation::Check::Cancellable);
        QVERIFY(Trail::verify(program.db()).ok());
        QSqlQuery q(program.db());
        QVERIFY(!q.exec(statement));
        QVERIFY2(q.lastError().text().contains(QLatin1String("permission denied")) ||
                     q.lastError().text().contains(QLatin1String("must be owner")),
                 qPrintable(q.lastError().text()));
        QCOMPARE(count(program.db(), QStringLiteral("SELECT count(*) FROM naplo")), 1);
    }
};

QTEST_GUILESS_MAIN(TestTrail)
#include "tst_trail.moc"
