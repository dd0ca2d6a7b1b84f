#include "AutoWeighing.h"

#include <QTest>

namespace {

// A stretch of the scale's readings: this weight for so many one-second samples.
struct Stretch {
    qint64 weight;
    int seconds;
    bool mayStore = true; // at rest (and within range) as the link judges it
    const char *heldBy = ""; // why it may not, shown while held
};

} // namespace

Q_DECLARE_METATYPE(QList<Stretch>)

// The unattended logger driven second by second with a fake clock and a zero flag kept as the scale link keeps it
// (set by a 0 reading, cleared by a stored weight).
class TestAutoWeighing : public QObject
{
    Q_OBJECT

private slots:
    void logs_data();
    void logs();
    void failedStoreKeepsTheVehicle();
};

void TestAutoWeighing::logs_data()
{
    QTest::addColumn<QList<Stretch>>("readings");
    QTest::addColumn<int>("duration");   // index of the duration box, -1 none
    QTest::addColumn<int>("switchAt");   // the second at which the box changes to switchTo; 0 never
    QTest::addColumn<int>("switchTo");
    QTest::addColumn<QString>("stored"); // "second:weight ..."
    QTest::addColumn<QString>("status");

    using L = QList<Stretch>;
    const QString needsZero = QStringLiteral("Új mérés indításához nulla állapot szükséges !");
    const QString driveOn = QStringLiteral("A mérés indításához hajtson a mérlegre !\n(min. 200kg tömeg szükséges)");
    const QString started = QStringLiteral("Mérés elindítva, várjon...");

    QTest::newRow("loaded at start") << L{{5000, 40}} << 0 << 0 << 0 << "" << needsZero;
    QTest::newRow("loaded at start, then zero and a vehicle")
        << L{{5000, 10}, {0, 2}, {5000, 20}} << 0 << 0 << 0 << "28:5000" << needsZero;
    QTest::newRow("exactly the minimum keeps the last text") << L{{0, 1}, {200, 40}} << 0 << 0 << 0 << "" << driveOn;
    QTest::newRow("29 s, a dip, then 30 s again")
        << L{{0, 1}, {5000, 29}, {150, 2}, {5000, 35}} << 1 << 0 << 0 << "63:5000" << needsZero;
    QTest::newRow("second vehicle without zero") << L{{0, 1}, {5000, 20}, {3000, 20}} << 0 << 0 << 0 << "17:5000"
                                                 << needsZero;
    QTest::newRow("second vehicle after zero")
        << L{{0, 1}, {5000, 20}, {0, 1}, {3000, 20}} << 0 << 0 << 0 << "17:5000 38:3000" << needsZero;
    QTest::newRow("below the minimum when the time is up") << L{{0, 1}, {5000, 15}, {100, 5}} << 0 << 0 << 0 << ""
                                                           << driveOn;
    QTest::newRow("the weight at the end is stored") << L{{0, 1}, {5000, 10}, {5200, 10}} << 0 << 0 << 0
                                                     << "17:5200" << needsZero;
    QTest::newRow("no duration chosen: 5 s") << L{{0, 1}, {5000, 10}} << -1 << 0 << 0 << "7:5000" << needsZero;
    QTest::newRow("2 minutes") << L{{0, 1}, {5000, 125}} << 3 << 0 << 0 << "122:5000" << needsZero;
    QTest::newRow("a changed duration starts again") << L{{0, 1}, {5000, 45}} << 0 << 10 << 1 << "40:5000"
                                                     << needsZero;
    QTest::newRow("still counting") << L{{0, 1}, {5000, 10}} << 0 << 0 << 0 << "" << started;
    QTest::newRow("held until the load settles") << L{{0, 1}, {5000, 18, false}, {5000, 3}} << 0 << 0 << 0
                                                 << "20:5000" << needsZero;
    QTest::newRow("never settles") << L{{0, 1}, {5000, 40, false}} << 0 << 0 << 0 << "" << started;
    const char *notOnBridge = "A jármű nem áll teljesen a mérlegen !";
    QTest::newRow("held by the vehicle's position, which it shows")
        << L{{0, 1}, {5000, 20, false, notOnBridge}} << 0 << 0 << 0 << "" << QString::fromUtf8(notOnBridge);
}

void TestAutoWeighing::logs()
{
    QFETCH(QList<Stretch>, readings);
    QFETCH(int, duration);
    QFETCH(int, switchAt);
    QFETCH(int, switchTo);
    QFETCH(QString, stored);
    QFETCH(QString, status);

    qint64 now = 0;
    AutoWeighing rules([&now] { return now; });
    rules.setDurationIndex(duration);
    bool zeroSeen = false;
    QStringList storedAt;
    int second = 0;
    for (const Stretch &stretch : std::as_const(readings)) {
        for (int i = 0; i < stretch.seconds; ++i) {
            now = qint64(++second) * 1000;
            if (second == switchAt)
                rules.setDurationIndex(switchTo);
            zeroSeen = zeroSeen || stretch.weight == 0;
            if (rules.sample(stretch.weight, zeroSeen, stretch.mayStore, QString::fromUtf8(stretch.heldBy)) == AutoWeighing::Outcome::Store) {
                storedAt.append(QStringLiteral("%1:%2").arg(second).arg(rules.pendingWeight()));
                if (rules.storeFinished({}) == AutoWeighing::Outcome::Stored)
                    zeroSeen = false;
            }
        }
    }
    QCOMPARE(storedAt.join(QLatin1Char(' ')), stored);
    QCOMPARE(rules.status(), status);
}

// A store the database refuses says why, claims nothing, and the vehicle still standing there is stored when the
// next countdown is up. No sample starts a second store while one is on its way.
void TestAutoWeighing::failedStoreKeepsTheVehicle()
{
    qint64 now = 0;
    const QDateTime wall(QDate(2026, 12, 9), QTime(7, 5, 9));
    AutoWeighing rules([&now] { return now; }, [&wall] { return wall; });
    rules.setDurationIndex(0);
    int stores = 0;
    AutoWeighing::Outcome outcome = AutoWeighing::Outcome::None;
    for (int second = 1; second <= 60; ++second) {
        now = second * 1000;
        if (rules.sample(second == 1 ? 0 : 5000, true) == AutoWeighing::Outcome::Store)
            ++stores;
    }
    QCOMPARE(stores, 1);
    QCOMPARE(rules.pendingWeight(), 5000);
    QCOMPARE(rules.lastSaved(), QStringLiteral("-"));
    outcome = rules.storeFinished(QStringLiteral("disk I/O error"));
    QCOMPARE(outcome, AutoWeighing::Outcome::StoreFailed);
    QCOMPARE(rules.failure(), QStringLiteral("A tömegérték mentése nem sikerült: disk I/O error"));
    QCOMPARE(rules.lastSaved(), QStringLiteral("-"));
    QVERIFY(rules.shownStatus().startsWith(rules.failure()));

    for (int second = 61; second <= 90 && outcome != AutoWeighing::Outcome::Store; ++second) {
        now = second * 1000;
        outcome = rules.sample(5000, true);
    }
    QCOMPARE(outcome, AutoWeighing::Outcome::Store);
    QCOMPARE(now, 76000);
    QCOMPARE(rules.storeFinished({}), AutoWeighing::Outcome::Stored);
    QCOMPARE(rules.shownStatus(), QStringLiteral("Tömegérték mentve."));
    QCOMPARE(rules.lastSaved(), QStringLiteral("Tömeg: 5000 kg,  Időpont: 2026.12.09 07:05:09."));
}

QTEST_GUILESS_MAIN(TestAutoWeighing)
#include "tst_autoweighing.moc"
