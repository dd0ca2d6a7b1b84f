#include "../support/Kelvoctl.h"
#include "../support/TestDatabase.h"

#include "Database.h"
#include "Sql.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

namespace {

// One gate station: weighs in ("in") and/or finishes ("out") each plate in turn, one kelvoctl call per step, and
// prints "CODE PLATE OUTPUT" for every call, the output's lines joined by "|". With copies above 1 it is that many
// stations making each call at the same moment. Customers and products repeat across the stations.
constexpr char kStation[] = R"sh(ctl=$1 home=$2 steps=$3 copies=$4
shift 4
call() {
  n=${1##*-}
  if [ "$2" = in ]; then
    out=$("$ctl" first-weighing --home "$home" --plate "$1" --carrier "Fuvar ${1%%-*}" \
      --customer "Ügyfél $((n % 3))" --product "Termék $((n % 4))" --weight $((20000 + n)) 2>/dev/null)
  else
    out=$("$ctl" finish --home "$home" --plate "$1" --weight 10000 --warehouse "Fő raktár" 2>/dev/null)
  fi
  code=$?
  printf '%s %s %s\n' "$code" "$1" "$(printf '%s' "$out" | tr '\n' '|')"
}
for plate in "$@"; do
  for step in $steps; do
    i=0
    while [ $i -lt "$copies" ]; do
      call "$plate" "$step" &
      i=$((i + 1))
    done
    wait
  done
done
)sh";

struct Call {
    int code;
    QString plate;
    QString output;
};

class Station
{
public:
    Station(const QString &datapath, const QString &steps, const QStringList &plates, int copies = 1)
    {
        m_ok = m_home.isValid() && TestDatabase::writeIni(m_home.path(), datapath, "karbantart=0\nmaxsuly=100000\n");
        m_process.start(QStringLiteral("/bin/sh"), QStringList{QStringLiteral("-c"), QString::fromUtf8(kStation),
                                                               QStringLiteral("station"),
                                                               QStringLiteral(KELVOCTL_PATH), m_home.path(), steps,
                                                               QString::number(copies)} +
                                                       plates);
    }

    // Every call the station made, once it has ended; empty when it did not end cleanly.
    std::vector<Call> calls()
    {
        if (!m_ok || !m_process.waitForFinished(240000) || m_process.exitStatus() != QProcess::NormalExit ||
            m_process.exitCode() != 0)
            return {};
        std::vector<Call> result;
        const QStringList lines = QString::fromUtf8(m_process.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (const QString &line : lines) {
            const QStringList parts = line.split(QLatin1Char(' '));
            result.push_back({parts.value(0).toInt(), parts.value(1), parts.mid(2).join(QLatin1Char(' '))});
        }
        return result;
    }

private:
    QTemporaryDir m_home;
    QProcess m_process;
    bool m_ok = false;
};

QStringList plates(const QString &prefix, int count)
{
    QStringList result;
    for (int i = 1; i <= count; ++i)
        result.append(QStringLiteral("%1-%2").arg(prefix).arg(i));
    return result;
}

} // namespace

// Several gate stations, each its own kelvoctl processes, weighing on one database at the same moment.
class TestConcurrency : public QObject
{
    Q_OBJECT

    TestDatabase m_databases;

private slots:
    void initTestCase() { KELVO_REQUIRE_ENGINE(); }

    void fourStationsFinishTwentyFiveTrucksEach()
    {
        const QString path = m_databases.created(QStringLiteral("shared"));
        std::vector<std::unique_ptr<Station>> stations;
        for (const char *prefix : {"AAA", "BBB", "CCC", "DDD"})
            stations.push_back(std::make_unique<Station>(path, QStringLiteral("in out"),
                                                         plates(QLatin1String(prefix), 25)));

        std::map<qint64, QString> plateOfSerial;
        for (const auto &station : stations) {
            const std::vector<Call> calls = station->calls();
            QCOMPARE(calls.size(), size_t(50));
            for (size_t i = 0; i < calls.size(); ++i) {
                const Call &c = calls[i];
                QVERIFY2(c.code == 0, qPrintable(c.plate + QLatin1Char(' ') + c.output));
                if (i % 2 == 0)
                    continue;
                bool ok = false;
                const qint64 serial = c.output.toLongLong(&ok);
                QVERIFY2(ok, qPrintable(c.output));
                QVERIFY2(plateOfSerial.emplace(serial, c.plate).second, qPrintable(c.output));
            }
        }
        QCOMPARE(plateOfSerial.size(), size_t(100));
        QCOMPARE(plateOfSerial.begin()->first, qint64(1));
        QCOMPARE(plateOfSerial.rbegin()->first, qint64(100));

        Database db(path);
        QCOMPARE(db.open(), QString());
        QCOMPARE(Sql::value(db.db(), QStringLiteral("SELECT count(*) FROM folyamatban")).toInt(), 0);
        QSqlQuery q = Sql::run(db.db(), QStringLiteral("SELECT sorszam, rendszam, kidatum FROM szallitasok ORDER BY sorszam"));
        qint64 expected = 0;
        QString previousTime;
        while (q.next()) {
            QCOMPARE(q.value(0).toLongLong(), ++expected);
            QCOMPARE(q.value(1).toString(), plateOfSerial[expected]);
            // A later serial number never carries an earlier finishing time.
            const QString time = q.value(2).toString();
            QVERIFY2(time >= previousTime, qPrintable(QStringLiteral("%1: %2 < %3").arg(expected).arg(time, previousTime)));
            previousTime = time;
        }
        QCOMPARE(expected, qint64(100));
    }

    // Stations weighing in, or finishing, the same truck at the same moment: it is stored once, the other stations
    // get a refusal, never a database error. The test holds the plate's row (or, on SQLite, the write lock) until all
    // four wait for it, then lets them go at once.
    void samePlateAtOnce_data()
    {
        QTest::addColumn<QString>("step");
        QTest::addColumn<QString>("hold");
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<int>("tickets");
        QTest::newRow("first weighing")
            << "in" << "INSERT INTO folyamatban (rendszam) VALUES ('RRR-1')"
            << "Adatbázis hiba: A szállítás adatait időközben egy másik állomás megváltoztatta ! Próbálja újra !" << 0;
        QTest::newRow("finishing") << "out" << "UPDATE folyamatban SET suly1 = suly1 WHERE rendszam = 'RRR-1'"
                                   << "Adatbázis hiba: A megadott rendszám nem található !" << 1;
    }
    void samePlateAtOnce()
    {
        QFETCH(QString, step);
        QFETCH(QString, hold);
        QFETCH(QString, refusal);
        QFETCH(int, tickets);
        const QString path = m_databases.created(QStringLiteral("race"));
        const QStringList truck{QStringLiteral("RRR-1")};
        if (step == u"out")
            QCOMPARE(Station(path, QStringLiteral("in"), truck).calls().at(0).code, 0);
        Database db(path);
        QCOMPARE(db.open(), QString());

        auto held = std::make_unique<Transaction>(db.db());
        Sql::run(db.db(), hold);
        Station stations(path, step, truck, 4);
        QVERIFY(waitingForLocks(db.db(), path, 4));
        held.reset();

        const std::vector<Call> calls = stations.calls();
        QCOMPARE(calls.size(), size_t(4));
        int stored = 0;
        for (const Call &c : calls) {
            if (c.code == 0) {
                ++stored;
                continue;
            }
            QCOMPARE(c.code, 1);
            QCOMPARE(c.output, refusal);
        }
        QCOMPARE(stored, 1);
        QCOMPARE(Sql::value(db.db(), QStringLiteral("SELECT count(*) FROM szallitasok")).toInt(), tickets);
        QCOMPARE(Sql::value(db.db(), QStringLiteral("SELECT count(*) FROM folyamatban")).toInt(), 1 - tickets);
    }

private:
    // Whether count other connections wait for a lock. SQLite shows no waiting: once count other processes have the
    // file open, they get a moment to reach its lock (a fixed wait alone was too short for stations starting slowly).
    static bool waitingForLocks(const QSqlDatabase &db, const QString &path, int count)
    {
        const bool server = TestDatabase::onServer();
        for (QDeadlineTimer deadline(60000); !deadline.hasExpired(); QTest::qWait(50)) {
            if (!server) {
                if (processesWithOpen(QFileInfo(path).canonicalFilePath()) < count)
                    continue;
                QTest::qWait(1000);
                return true;
            }
            Sql::run(db, QStringLiteral("SELECT pg_stat_clear_snapshot()"));
            if (Sql::value(db, QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE wait_event_type = 'Lock' "
                                              "AND datname = current_database()"))
                    .toInt() >= count)
                return true;
        }
        return false;
    }

    // How many processes other than this one have file open.
    static int processesWithOpen(const QString &file)
    {
        const QString self = QString::number(QCoreApplication::applicationPid());
        int count = 0;
        for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            if (pid == self || pid.toInt() <= 0)
                continue;
            const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
            const QStringList names = fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
            if (std::any_of(names.begin(), names.end(),
                            [&](const QString &fd) { return QFile::symLinkTarget(fds.filePath(fd)) == file; }))
                ++count;
        }
        return count;
    }
};

QTEST_GUILESS_MAIN(TestConcurrency)
#include "tst_concurrency.moc"
