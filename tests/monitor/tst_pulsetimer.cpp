#include "TPulseTimer.h"

#include <QTest>

using namespace sorvik;

class TestPulseTimer : public QObject
{
    Q_OBJECT

private slots:
    void intervalKeepsFractionOfSecond_data();
    void intervalKeepsFractionOfSecond();
    void firstPulseStoresNothing();
    void eachPulseMeasuresFromThePreviousOne();
};

void TestPulseTimer::intervalKeepsFractionOfSecond_data()
{
    QTest::addColumn<qint64>("frequency");
    QTest::addColumn<qint64>("ticks");
    QTest::addColumn<int>("micros");
    QTest::newRow("1.25 s") << qint64(10'000'000) << qint64(12'500'000) << 250000;
    QTest::newRow("0.25 s") << qint64(10'000'000) << qint64(2'500'000) << 250000;
    QTest::newRow("exactly 2 s") << qint64(10'000'000) << qint64(20'000'000) << 0;
    QTest::newRow("truncated, not rounded") << qint64(3) << qint64(2) << 666666;
    QTest::newRow("just under a second") << qint64(1'000'000'000) << qint64(999'999'999) << 999999;
    QTest::newRow("nanosecond counter, 3.000125 s") << qint64(1'000'000'000) << qint64(3'000'125'000) << 125;
}

void TestPulseTimer::intervalKeepsFractionOfSecond()
{
    QFETCH(qint64, frequency);
    QFETCH(qint64, ticks);
    QFETCH(int, micros);
    std::int64_t now = 1'000'000;
    TPulseTimer timer(frequency, [&] { return now; });
    QVERIFY(!timer.pulse());
    now += ticks;
    const auto interval = timer.pulse();
    QVERIFY(interval.has_value());
    QCOMPARE(*interval, micros);
}

void TestPulseTimer::firstPulseStoresNothing()
{
    int readings = 0;
    TPulseTimer timer(1000, [&] { return std::int64_t(++readings * 500); });
    QCOMPARE(timer.pulse().has_value(), false);
    QCOMPARE(readings, 1);
}

void TestPulseTimer::eachPulseMeasuresFromThePreviousOne()
{
    const std::int64_t readings[] = {0, 1500, 1750, 4000};
    int next = 0;
    TPulseTimer timer(1000, [&] { return readings[next++]; });
    QVERIFY(!timer.pulse());
    QCOMPARE(timer.pulse().value_or(-1), 500000);
    QCOMPARE(timer.pulse().value_or(-1), 250000);
    QCOMPARE(timer.pulse().value_or(-1), 250000);
}

QTEST_APPLESS_MAIN(TestPulseTimer)
#include "tst_pulsetimer.moc"
