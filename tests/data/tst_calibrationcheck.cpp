#include "CalibrationCheck.h"

#include <QTest>

class TestCalibrationCheck : public QObject
{
    Q_OBJECT

private slots:
    void thresholds_data()
    {
        QTest::addColumn<int>("daysLeft");
        QTest::addColumn<bool>("warned");
        QTest::newRow("31 days ahead") << 31 << false;
        QTest::newRow("exactly 30 days ahead") << 30 << false;
        QTest::newRow("29 days ahead") << 29 << true;
        QTest::newRow("today") << 0 << true;
        QTest::newRow("yesterday") << -1 << true;
        QTest::newRow("default far future") << 30000 << false;
    }
    void thresholds()
    {
        QFETCH(int, daysLeft);
        QFETCH(bool, warned);
        const QDate today(2026, 12, 8);
        const QDate expiry = today.addDays(daysLeft);
        const std::optional<QString> warning = calibrationWarning(expiry, today);
        QCOMPARE(warning.has_value(), warned);
        if (warned)
            QCOMPARE(*warning, QStringLiteral("A mérleg hitelesítése %1 napon le fog járni !")
                                   .arg(expiry.toString(QStringLiteral("yyyy.MM.dd"))));
    }
};

QTEST_GUILESS_MAIN(TestCalibrationCheck)
#include "tst_calibrationcheck.moc"
