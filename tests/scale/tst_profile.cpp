#include "IndicatorProfile.h"
#include "StabilityMonitor.h"

#include <QTest>

// Frames as indicators of each family send them, read into kilograms and a state.
class TestProfile : public QObject
{
    Q_OBJECT

private slots:
    void frames_data()
    {
        QTest::addColumn<QString>("profile");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QString>("expected"); // "WEIGHT STATE", "-" for none

        const QString csv = QStringLiteral("csv-status");
        QTest::newRow("csv stable gross") << csv << QByteArray("ST,GS,+00123.0kg\r\n") << "123 stable";
        QTest::newRow("csv moving net") << csv << QByteArray("US,NT,-00012.5kg\r\n") << "-13 motion";
        QTest::newRow("csv blanks and tonnes") << csv << QByteArray("ST,GS,+  12.345 t") << "12345 stable";
        QTest::newRow("csv grams round") << csv << QByteArray("ST,GS,+0001499g") << "1 stable";
        QTest::newRow("csv overload") << csv << QByteArray("OL,GS,+999999kg") << "- overload";
        QTest::newRow("csv underload") << csv << QByteArray("OL,GS,-      kg") << "- underload";
        QTest::newRow("csv unknown status") << csv << QByteArray("XX,GS,+00100kg") << "- error";
        QTest::newRow("csv garbage weight") << csv << QByteArray("ST,GS,+0a100kg") << "- error";
        QTest::newRow("csv pound unit") << csv << QByteArray("ST,GS,+00100lb") << "- error";
        QTest::newRow("csv short") << csv << QByteArray("ST") << "- error";

        const QString cmd = QStringLiteral("command-set");
        QTest::newRow("cmd stable") << cmd << QByteArray("S S     100.00 kg\r\n") << "100 stable";
        QTest::newRow("cmd dynamic") << cmd << QByteArray("S D      99.60 kg") << "100 motion";
        QTest::newRow("cmd immediate reply") << cmd << QByteArray("SI S  5000 kg") << "5000 stable";
        QTest::newRow("cmd overload") << cmd << QByteArray("S +") << "- overload";
        QTest::newRow("cmd underload") << cmd << QByteArray("S -") << "- underload";
        QTest::newRow("cmd not executable") << cmd << QByteArray("S I") << "- error";
        QTest::newRow("cmd syntax error") << cmd << QByteArray("ES") << "- error";

        const QString bytes = QStringLiteral("status-bytes");
        // A: 0x22 = no decimals (digits as they are); B: 0x30 = kg, gross, positive, at rest.
        QTest::newRow("bytes stable") << bytes << QByteArray("\x02\x22\x30\x20" "012340000000\r") << "12340 stable";
        QTest::newRow("bytes motion negative") << bytes << QByteArray("\x02\x22\x3a\x20" "000150000000\r")
                                               << "-150 motion";
        QTest::newRow("bytes one decimal") << bytes << QByteArray("\x02\x23\x30\x20" "001235000000\r")
                                           << "124 stable";
        QTest::newRow("bytes tens") << bytes << QByteArray("\x02\x21\x30\x20" "001234000000\r") << "12340 stable";
        QTest::newRow("bytes tonnes") << bytes << QByteArray("\x02\x25\x30\x22" "012345000000\r")
                                      << "12345 stable";
        QTest::newRow("bytes out of range") << bytes << QByteArray("\x02\x22\x34\x20" "999999000000\r")
                                            << "- overload";
        QTest::newRow("bytes under range") << bytes << QByteArray("\x02\x22\x36\x20" "000000000000\r")
                                           << "- underload";
        QTest::newRow("bytes pounds") << bytes << QByteArray("\x02\x22\x20\x20" "000100000000\r") << "- error";
        QTest::newRow("bytes no STX") << bytes << QByteArray("\x22\x30\x20" "012340000000\r") << "- error";
        QTest::newRow("bytes cut short") << bytes << QByteArray("\x02\x22\x30\x20" "0123") << "- error";

        const QString re = QStringLiteral("regex:^(?<status>[A-Z]{2}) +(?<weight>[-+]?[0-9.]+) *(?<unit>\\w*)");
        QTest::newRow("regex stable") << re << QByteArray("ST  +1234.4 kg") << "1234 stable";
        QTest::newRow("regex overload") << re << QByteArray("OL  +9999 kg") << "- overload";
        QTest::newRow("regex no match") << re << QByteArray("garbage") << "- error";
        QTest::newRow("regex without status") << QStringLiteral("regex:W=(?<weight>\\d+)") << QByteArray("W=0420")
                                              << "420 -";

        QTest::newRow("digits as ever") << QStringLiteral("digits") << QByteArray("ST,GS,+00123.0kg") << "1230 -";
    }
    void frames()
    {
        QFETCH(QString, profile);
        QFETCH(QByteArray, frame);
        QFETCH(QString, expected);
        const auto parsed = IndicatorProfile::parse(profile);
        QVERIFY(std::holds_alternative<IndicatorProfile>(parsed));
        const ProfileReading r = std::get<IndicatorProfile>(parsed).read(frame);
        const QString got = (r.weight ? QString::number(*r.weight) : QStringLiteral("-")) + QLatin1Char(' ') +
                            (r.state ? weightStateName(*r.state) : QStringLiteral("-"));
        QCOMPARE(got, expected);
    }

    void badNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("unknown") << "toledo";
        QTest::newRow("broken pattern") << "regex:(?<weight>\\d+";
        QTest::newRow("no weight group") << "regex:(?<w>\\d+)";
    }
    void badNames()
    {
        QFETCH(QString, name);
        const auto parsed = IndicatorProfile::parse(name);
        QVERIFY(std::holds_alternative<QString>(parsed));
        QVERIFY(!std::get<QString>(parsed).isEmpty());
    }
    // Frames as "ms:weight" or "ms:weight:state"; the state after each.
    void stability_data()
    {
        QTest::addColumn<QStringList>("frames");
        QTest::addColumn<QStringList>("states");
        QTest::newRow("settles after a second")
            << QStringList{"0:5000", "500:5001", "999:4999", "1000:5000"}
            << QStringList{"motion", "motion", "motion", "stable"};
        QTest::newRow("a jump starts the wait again")
            << QStringList{"0:5000", "1000:5000", "1200:5003", "2100:5003", "2200:5002"}
            << QStringList{"motion", "stable", "motion", "motion", "stable"};
        QTest::newRow("drift measured from where it settled")
            << QStringList{"0:100", "600:101", "900:102", "1500:102"}
            << QStringList{"motion", "motion", "motion", "motion"};
        QTest::newRow("a reported state wins and the wait restarts after it")
            << QStringList{"0:100", "1000:100", "1100:100:motion", "1200:100", "2199:100", "2200:100"}
            << QStringList{"motion", "stable", "motion", "motion", "motion", "stable"};
        QTest::newRow("a frame without weight changes nothing")
            << QStringList{"0:100", "1000:100", "1100:-"} << QStringList{"motion", "stable", "stable"};
    }
    void stability()
    {
        QFETCH(QStringList, frames);
        QFETCH(QStringList, states);
        StabilityMonitor monitor({1, 1000});
        QStringList got;
        for (const QString &frame : frames) {
            const QStringList f = frame.split(QLatin1Char(':'));
            ProfileReading r;
            if (f.at(1) != QLatin1String("-"))
                r.weight = f.at(1).toInt();
            if (f.size() > 2)
                r.state = f.at(2) == QLatin1String("motion") ? WeightState::Motion : WeightState::Stable;
            got.append(weightStateName(monitor.offer(r, f.at(0).toLongLong())));
        }
        QCOMPARE(got, states);
    }
};

QTEST_APPLESS_MAIN(TestProfile)
#include "tst_profile.moc"
