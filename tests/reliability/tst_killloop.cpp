#include "KillLoop.h"

#include "../support/TestDatabase.h"

#include <QTest>

// kelvoctl killed at random moments while it weighs, finishes, cancels and backs up. KELVO_KILL_SEED repeats a run;
// bench/killloop runs the same loop hundreds of times.
class TestKillLoop : public QObject
{
    Q_OBJECT

    TestDatabase m_databases;

private slots:
    void initTestCase() { KELVO_REQUIRE_ENGINE(); }

    void everyTransportSurvivesTheKills()
    {
        const QString path = m_databases.created(QStringLiteral("killed"));
        QTemporaryDir home;
        QVERIFY(TestDatabase::writeIni(home.path(), path, "karbantart=0\nmaxsuly=100000\n"));
        bool seeded = false;
        const quint32 seed = qEnvironmentVariableIntValue("KELVO_KILL_SEED", &seeded);
        const quint32 used = seeded ? seed : QRandomGenerator::global()->generate();
        KillLoop loop(QStringLiteral(KELVOCTL_PATH), path, home.path(), used);
        const KillLoop::Figures figures = loop.run(30);
        qInfo("seed %u: %d kills, %d while running, %d with a hot journal, %d after their commit, %d backup leftovers",
              used, figures.kills, figures.landedRunning, figures.hotJournals, figures.effectCommitted,
              figures.backupLeftovers);
        QVERIFY2(figures.findings.isEmpty(), qPrintable(figures.findings.join(u'\n')));
        QCOMPARE(figures.kills, 30);
        // Kills that all fall after the process ended would prove nothing.
        QVERIFY(figures.landedRunning >= 10);
    }
};

QTEST_GUILESS_MAIN(TestKillLoop)
#include "tst_killloop.moc"
