#include "Settlement.h"

#include <QTest>

#include <cfenv>

class TestSettlement : public QObject
{
    Q_OBJECT

private slots:
    void roundHalfEven_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<qint64>("rounded");
        QTest::newRow("904.5 down to even") << 904.5 << qint64(904);
        QTest::newRow("905.5 up to even") << 905.5 << qint64(906);
        QTest::newRow("-904.5 to even") << -904.5 << qint64(-904);
        QTest::newRow("above half") << 12297.535 << qint64(12298);
        QTest::newRow("below half") << 12877.2 << qint64(12877);
        QTest::newRow("zero") << 0.0 << qint64(0);
        QTest::newRow("half of one") << 0.5 << qint64(0);
        QTest::newRow("one and a half") << 1.5 << qint64(2);
        QTest::newRow("-905.5 to even") << -905.5 << qint64(-906);
        QTest::newRow("-0.5 to zero") << -0.5 << qint64(0);
        QTest::newRow("just below a half") << 2.4999999999999996 << qint64(2);
    }
    void roundHalfEven()
    {
        QFETCH(double, value);
        QFETCH(qint64, rounded);
        // The same whatever rounding mode a library left set.
        for (const int mode : {FE_TONEAREST, FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
            std::fesetround(mode);
            const qint64 result = Settlement::roundHalfEven(value);
            std::fesetround(FE_TONEAREST);
            QCOMPARE(result, rounded);
        }
    }

    void compute_data()
    {
        QTest::addColumn<qint64>("w1");
        QTest::addColumn<qint64>("w2");
        QTest::addColumn<int>("irany");
        QTest::addColumn<double>("p");
        QTest::addColumn<double>("m");
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("price");
        QTest::addColumn<qint64>("net");
        QTest::addColumn<qint64>("settled");
        QTest::addColumn<qint64>("deducted");
        QTest::addColumn<double>("amount");
        QTest::newRow("worked example inbound")
            << qint64(24360) << qint64(11220) << 0 << 98.0 << 18.5 << 14.0 << 52000.0 << qint64(13140) << qint64(12298)
            << qint64(842) << 639496.0;
        QTest::newRow("worked example outbound")
            << qint64(24360) << qint64(11220) << 1 << 98.0 << 18.5 << 14.0 << 52000.0 << qint64(-13140)
            << qint64(-12298) << qint64(-842) << -639496.0;
        QTest::newRow("second weight larger, sign from direction only")
            << qint64(11220) << qint64(24360) << 0 << 98.0 << 18.5 << 14.0 << 52000.0 << qint64(13140) << qint64(12298)
            << qint64(842) << 639496.0;
        QTest::newRow("second larger outbound")
            << qint64(11220) << qint64(24360) << 1 << 100.0 << 0.0 << 0.0 << 1000.0 << qint64(-13140) << qint64(-13140)
            << qint64(0) << -13140.0;
        QTest::newRow("equal weights") << qint64(15000) << qint64(15000) << 0 << 100.0 << 14.0 << 15.0 << 52000.0
                                       << qint64(0) << qint64(0) << qint64(0) << 0.0;
        QTest::newRow("full purity, moisture below expected")
            << qint64(30000) << qint64(10000) << 0 << 100.0 << 14.0 << 15.0 << 50000.0 << qint64(20000)
            << qint64(20000) << qint64(0) << 1000000.0;
        QTest::newRow("moisture equal to expected deducts nothing")
            << qint64(30000) << qint64(10000) << 0 << 100.0 << 15.0 << 15.0 << 0.0 << qint64(20000) << qint64(20000)
            << qint64(0) << 0.0;
        QTest::newRow("M = X + 0.1 with E = 1000 gives 999")
            << qint64(2000) << qint64(1000) << 0 << 100.0 << 14.1 << 14.0 << 0.0 << qint64(1000) << qint64(999)
            << qint64(1) << 0.0;
        QTest::newRow("purity lower limit 1%") << qint64(10000) << qint64(0) << 0 << 1.0 << 0.0 << 0.0 << 1000.0
                                               << qint64(10000) << qint64(100) << qint64(9900) << 100.0;
        QTest::newRow("purity rounds half to even") << qint64(1809) << qint64(0) << 0 << 50.0 << 0.0 << 0.0 << 0.0
                                                    << qint64(1809) << qint64(904) << qint64(905) << 0.0;
        QTest::newRow("maximum weight") << qint64(999999) << qint64(0) << 0 << 100.0 << 100.0 << 0.0 << 1.0
                                        << qint64(999999) << qint64(0) << qint64(999999) << 0.0;
        QTest::newRow("amount not rounded") << qint64(1001) << qint64(0) << 0 << 100.0 << 0.0 << 0.0 << 333.0
                                            << qint64(1001) << qint64(1001) << qint64(0) << 333.333;
    }
    void compute()
    {
        QFETCH(qint64, w1);
        QFETCH(qint64, w2);
        QFETCH(int, irany);
        QFETCH(double, p);
        QFETCH(double, m);
        QFETCH(double, x);
        QFETCH(double, price);
        QFETCH(qint64, net);
        QFETCH(qint64, settled);
        QFETCH(qint64, deducted);
        QFETCH(double, amount);
        const Settlement::Result r = Settlement::compute({w1, w2, irany, p, m, x, price});
        QCOMPARE(r.gross, qMax(w1, w2));
        QCOMPARE(r.tare, qMin(w1, w2));
        QCOMPARE(r.net, net);
        QCOMPARE(r.settled, settled);
        QCOMPARE(r.deducted, deducted);
        QCOMPARE(r.amount, amount);
    }
};

QTEST_GUILESS_MAIN(TestSettlement)
#include "tst_settlement.moc"
