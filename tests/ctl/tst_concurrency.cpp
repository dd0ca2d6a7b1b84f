#include "../support/Kelvoctl.h"
#include "../support/TestDatabase.h"

#include "Database.h"
#include "Sql.h"

#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <map>
#include <memory>
#include <vector>

namespace {

// One gate station: weighs in ("in") and/or finishes ("out") each plate in turn, one kelvoctl call per step, and
// prints "CODE PLATE OUTPUT" for every call. Customers and products repeat across the stations.
constexpr char kStation[] = R"sh(ctl=$1 home=$2 steps=$3
shift 3
for plate in "$@"; do
  n=${plate##*-}
  for step in $steps; do
    if [ "$step" = in ]; then
      out=$("$ctl" first-weighing --home "$home" --plate "$plate" --carrier "Fuvar ${plate%%-*}" \
        --customer "Ügyfél $((n % 3))" --product "Termék $((n % 4))" --weight $((20000 + n)) 2>&1)
    else
      out=$("$ctl" finish --home "$home" --plate "$plate" --weight 10000 --warehouse "Fő raktár" 2>&1)
    fi
    echo "$? $plate $out"
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
    Station(const QString &datapath, const QString &steps, const QStringList &plates)
    {
        m_ok = m_home.isValid() && TestDatabase::writeIni(m_home.path(), datapath, "karbantart=0\nmaxsuly=100000\n");
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(QStringLiteral("/bin/sh"), QStringList{QStringLiteral("-c"), QLatin1String(kStation),
                                                               QStringLiteral("station"),
                                                               QStringLiteral(KELVOCTL_PATH), m_home.path(), steps} +
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

    void fourStationsFinishFiftyTrucksEach()
    {
        const QString path = m_databases.created(QStringLiteral("shared"));
        std::vector<std::unique_ptr<Station>> stations;
        for (const char *prefix : {"AAA", "BBB", "CCC", "DDD"})
            stations.push_back(std::make_unique<Station>(path, QStringLiteral("in out"),
                                                         plates(QLatin1String(prefix), 50)));

        std::map<qint64, QString> plateOfSerial;
        for (const auto &station : stations) {
            const std::vector<Call> calls = station->calls();
            QCOMPARE(calls.size(), size_t(100));
            for (size_t i = 0; i < calls.size(); ++i) {
                const Call &c = calls[i];
                QVERIFY2(c.code == 0, qPrintable(c.plate + QLatin1Char(' ') + c.output));
                if (i % 2 == 0)
                    continue;
                bool ok = false;
                const qint64 serial = c.output.trimmed().toLongLong(&ok);
                QVERIFY2(ok, qPrintable(c.output));
                QVERIFY2(plateOfSerial.emplace(serial, c.plate).second, qPrintable(c.output));
            }
        }
        QCOMPARE(plateOfSerial.size(), size_t(200));
        QCOMPARE(plateOfSerial.begin()->first, qint64(1));
        QCOMPARE(plateOfSerial.rbegin()->first, qint64(200));

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
        QCOMPARE(expected, qint64(200));
    }

    // Stations finishing the same trucks at once: each truck gets one ticket, the other stations a refusal.
    void samePlatesFinishedOnce()
    {
        const QString path = m_databases.created(QStringLiteral("race"));
        const QStringList trucks = plates(QStringLiteral("RRR"), 10);
        const std::vector<Call> weighedIn = Station(path, QStringLiteral("in"), trucks).calls();
        QCOMPARE(weighedIn.size(), size_t(10));
        for (const Call &c : weighedIn)
            QCOMPARE(c.code, 0);

        std::vector<std::unique_ptr<Station>> stations;
        for (int i = 0; i < 4; ++i)
            stations.push_back(std::make_unique<Station>(path, QStringLiteral("out"), trucks));
        const QStringList refusals{QStringLiteral("A rendszám nem megfelelő !"),
                                   QStringLiteral("Adatbázis hiba: A megadott rendszám nem található !")};
        QMap<QString, int> tickets;
        for (const auto &station : stations) {
            const std::vector<Call> calls = station->calls();
            QCOMPARE(calls.size(), size_t(10));
            for (const Call &c : calls) {
                if (c.code == 0) {
                    ++tickets[c.plate];
                    continue;
                }
                QCOMPARE(c.code, 1);
                QVERIFY2(refusals.contains(c.output), qPrintable(c.output));
            }
        }
        QCOMPARE(tickets.size(), 10);
        QCOMPARE(tickets.values(), QList<int>(10, 1));

        Database db(path);
        QCOMPARE(db.open(), QString());
        QCOMPARE(Sql::value(db.db(), QStringLiteral("SELECT count(*) FROM szallitasok")).toInt(), 10);
        QCOMPARE(Sql::value(db.db(), QStringLiteral("SELECT max(sorszam) FROM szallitasok")).toInt(), 10);
        QCOMPARE(Sql::value(db.db(), QStringLiteral("SELECT count(*) FROM folyamatban")).toInt(), 0);
    }
};

QTEST_GUILESS_MAIN(TestConcurrency)
#include "tst_concurrency.moc"
