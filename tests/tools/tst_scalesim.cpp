#include "CommandParser.h"
#include "FrameDecoder.h"
#include "IndicatorProfile.h"
#include "FrameFormat.h"
#include "IndicatorCommands.h"
#include "Simulator.h"
#include "SimulatorOptions.h"
#include "WeightProfile.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestScalesim : public QObject
{
    Q_OBJECT

private slots:
    void framesDecodeBack_data();
    void framesDecodeBack();
    void statusFramesReadBack_data();
    void statusFramesReadBack();
    void framesByteForByte_data();
    void framesByteForByte();
    void profiles_data();
    void profiles();
    void scriptErrors_data();
    void scriptErrors();
    void commandParser_data();
    void commandParser();
    void simulatorAnswers_data();
    void simulatorAnswers();
    void options_data();
    void options();
};

void TestScalesim::framesDecodeBack_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("weight");

    for (const char *format : {"plain", "micra", "bilanciai", "disomat"}) {
        for (const int weight : {0, 7, 12340, 999999, -150, -99999})
            QTest::addRow("%s %d", format, weight) << QString::fromLatin1(format) << weight;
    }
}

void TestScalesim::framesDecodeBack()
{
    // Every frame the simulator makes must read back as its weight with the matching indicator option.
    QFETCH(QString, format);
    QFETCH(int, weight);
    const FrameFormat::Format f = *FrameFormat::parse(format);
    const QByteArray frame = FrameFormat::frame(f, weight);
    DecoderOptions options;
    options.micraorden = f == FrameFormat::Format::Micra;
    options.bilanciai = f == FrameFormat::Format::Bilanciai;
    options.disomatb = f == FrameFormat::Format::Disomat;
    const DecodedFrame decoded = FrameDecoder::decode(frame, options);
    QVERIFY(decoded.weight.has_value());
    QCOMPARE(*decoded.weight, weight);
    if (f == FrameFormat::Format::Disomat)
        QVERIFY(IndicatorCommands::disomatFrameValid(frame));
}

void TestScalesim::statusFramesReadBack_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("weight");
    QTest::addColumn<bool>("moving");
    QTest::addColumn<QString>("expected");
    for (const char *format : {"csv-status", "command-set", "status-bytes"}) {
        const QString f = QString::fromLatin1(format);
        QTest::addRow("%s at rest", format) << f << 12340 << false << "12340 stable";
        QTest::addRow("%s moving", format) << f << -150 << true << "-150 motion";
        QTest::addRow("%s over", format) << f << 1000000 << false << "- overload";
        QTest::addRow("%s under", format) << f << -100000 << false << "- underload";
    }
}

void TestScalesim::statusFramesReadBack()
{
    // The simulator's status frames must read back through the profile of the same name.
    QFETCH(QString, format);
    QFETCH(int, weight);
    QFETCH(bool, moving);
    QFETCH(QString, expected);
    const QByteArray frame = FrameFormat::frame(*FrameFormat::parse(format), weight, moving);
    const ProfileReading r = std::get<IndicatorProfile>(IndicatorProfile::parse(format)).read(frame);
    QCOMPARE((r.weight ? QString::number(*r.weight) : QStringLiteral("-")) + QLatin1Char(' ') +
                 (r.state ? weightStateName(*r.state) : QStringLiteral("-")),
             expected);
}

void TestScalesim::framesByteForByte_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("weight");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("plain") << "plain" << 12340 << QByteArray("+ 0012340 kg\r\n");
    QTest::newRow("plain negative") << "plain" << -150 << QByteArray("- 0000150 kg\r\n");
    QTest::newRow("micra") << "micra" << 12340 << QByteArray("0432100\r\n");
    QTest::newRow("micra negative") << "micra" << -150 << QByteArray("0510000-\r\n");
    QTest::newRow("bilanciai") << "bilanciai" << 1234 << QByteArray("0001234\r\n");
    QTest::newRow("bilanciai negative") << "bilanciai" << -1234 << QByteArray("3001234\r\n");
    QTest::newRow("disomat") << "disomat" << 1234 << QByteArray("\x02" "01#PC#SOG# 001234\x03" "\x4d");
}

void TestScalesim::framesByteForByte()
{
    QFETCH(QString, format);
    QFETCH(int, weight);
    QFETCH(QByteArray, bytes);
    QCOMPARE(FrameFormat::frame(*FrameFormat::parse(format), weight).toHex(' '), bytes.toHex(' '));
}

void TestScalesim::profiles_data()
{
    QTest::addColumn<QString>("script"); // empty: the truck profile of 20000 kg
    QTest::addColumn<QList<qint64>>("times");
    QTest::addColumn<QList<int>>("weights");

    using T = QList<qint64>;
    using W = QList<int>;
    QTest::newRow("truck") << QString() << T{0, 2999, 3000, 5000, 7000, 16999, 19000, 21000, 21000 + 5000}
                           << W{0, 0, 0, 10000, 20000, 20000, 10000, 0, 10000};
    QTest::newRow("script steps") << "# weights\n0 1\n\n15000 2.5\n" << T{0, 999, 1000, 3499, 3500}
                                  << W{0, 0, 15000, 15000, 0};
    QTest::newRow("script ramp") << "100 1\n300 2 ramp\n" << T{500, 1000, 2000, 2999} << W{100, 100, 200, 299};
}

void TestScalesim::profiles()
{
    QFETCH(QString, script);
    QFETCH(QList<qint64>, times);
    QFETCH(QList<int>, weights);
    QString error;
    const WeightProfile profile = script.isEmpty() ? WeightProfile::truck(20000) : WeightProfile::fromScript(script, &error);
    QCOMPARE(error, QString());
    QList<int> got;
    for (const qint64 t : times)
        got.append(profile.weightAt(t));
    QCOMPARE(got, weights);
    QCOMPARE(WeightProfile::fixed(42).weightAt(123456), 42);
}

void TestScalesim::scriptErrors_data()
{
    QTest::addColumn<QString>("script");
    QTest::newRow("empty") << "";
    QTest::newRow("comments only") << "# nothing\n";
    QTest::newRow("no duration") << "100\n";
    QTest::newRow("letters") << "abc 1\n";
    QTest::newRow("zero duration") << "100 0\n";
    QTest::newRow("unknown word") << "100 1 fast\n";
}

void TestScalesim::scriptErrors()
{
    QFETCH(QString, script);
    QString error;
    QVERIFY(WeightProfile::fromScript(script, &error).isEmpty());
    QVERIFY(!error.isEmpty());
}

void TestScalesim::commandParser_data()
{
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<QStringList>("kinds");

    using C = QList<QByteArray>;
    QTest::newRow("general poll") << C{"XA/B?\r\n"} << QStringList{"poll"};
    QTest::newRow("zero sc") << C{"SC\r"} << QStringList{"zero"};
    QTest::newRow("zero ms") << C{"XA/NU\r\n"} << QStringList{"zero"};
    QTest::newRow("disomat poll in pieces") << C{IndicatorCommands::disomatPoll().left(5),
                                                 IndicatorCommands::disomatPoll().mid(5)}
                                            << QStringList{"disomat poll"};
    QTest::newRow("disomat zero") << C{IndicatorCommands::disomatZero()} << QStringList{"disomat zero"};
    QTest::newRow("bad block check") << C{QByteArray("\x02" "01#AZ#\x03\x18")} << QStringList{"unknown"};
    QTest::newRow("CR then LF later") << C{"SC\r", "\nXA/B?\r", "\n"} << QStringList{"zero", "poll"};
    QTest::newRow("several in one chunk") << C{"SC\rXA/B?\r\n" + IndicatorCommands::disomatPoll()}
                                          << QStringList{"zero", "poll", "disomat poll"};
    QTest::newRow("lower case is no zero") << C{"sc\r"} << QStringList{"poll"};
    QTest::newRow("unfinished") << C{"XA/B"} << QStringList{};
}

void TestScalesim::commandParser()
{
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QStringList, kinds);
    CommandParser parser;
    QStringList got;
    for (const QByteArray &chunk : chunks) {
        for (const CommandParser::Command &command : parser.feed(chunk))
            got.append(QLatin1String(CommandParser::kindName(command.kind)));
    }
    QCOMPARE(got, kinds);
}

void TestScalesim::simulatorAnswers_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("weightAfter");
    QTest::addColumn<int>("logged");

    QTest::newRow("poll answered in format") << "bilanciai" << QByteArray("XA/B?\r\n") << QByteArray("0012340\r\n")
                                             << 12340 << 1;
    QTest::newRow("zero sc") << "plain" << QByteArray("SC\r") << QByteArray() << 0 << 1;
    QTest::newRow("zero then poll") << "plain" << QByteArray("XA/NU\r\nXA/B?\r\n") << QByteArray("+ 0000000 kg\r\n")
                                    << 0 << 2;
    QTest::newRow("disomat poll") << "disomat" << IndicatorCommands::disomatPoll()
                                  << FrameFormat::frame(FrameFormat::Format::Disomat, 12340) << 12340 << 1;
    QTest::newRow("disomat zero") << "disomat" << IndicatorCommands::disomatZero() << QByteArray() << 0 << 1;
    QTest::newRow("noise logged only") << "plain" << QByteArray("\x02zz\x03" "A") << QByteArray() << 12340 << 1;
}

void TestScalesim::simulatorAnswers()
{
    QFETCH(QString, format);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, answer);
    QFETCH(int, weightAfter);
    QFETCH(int, logged);

    Simulator simulator(WeightProfile::fixed(12340), *FrameFormat::parse(format), [] { return qint64(0); });
    QSignalSpy log(&simulator, &Simulator::logLine);
    QCOMPARE(simulator.handleInput(input), answer);
    QCOMPARE(simulator.currentWeight(), weightAfter);
    QCOMPARE(log.size(), logged);
    QVERIFY(log.first().at(0).toString().startsWith(QStringLiteral("command ")));
    QCOMPARE(simulator.sendsContinuously(), format != QLatin1String("disomat"));
}

void TestScalesim::options_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("weightAtStart");
    QTest::addColumn<int>("interval");
    QTest::addColumn<int>("tcpPort");

    QTest::newRow("defaults") << QStringList{} << true << 12340 << 200 << -1;
    QTest::newRow("weight and tcp") << QStringList{"--weight", "500", "--tcp", "5000", "--interval", "0"} << true << 500
                                    << 0 << 5000;
    QTest::newRow("truck starts empty") << QStringList{"--profile", "truck", "--weight", "30000"} << true << 0 << 200
                                        << -1;
    QTest::newRow("script file") << QStringList{"--profile", "{script}"} << true << 777 << 200 << -1;
    QTest::newRow("unknown format") << QStringList{"--format", "ascii"} << false << 0 << 0 << 0;
    QTest::newRow("weight not a number") << QStringList{"--weight", "12t"} << false << 0 << 0 << 0;
    QTest::newRow("port too large") << QStringList{"--tcp", "70000"} << false << 0 << 0 << 0;
    QTest::newRow("missing value") << QStringList{"--interval"} << false << 0 << 0 << 0;
    QTest::newRow("missing profile file") << QStringList{"--profile", "/nonexistent/profile"} << false << 0 << 0 << 0;
}

void TestScalesim::options()
{
    QFETCH(QStringList, args);
    QFETCH(bool, ok);
    QFETCH(int, weightAtStart);
    QFETCH(int, interval);
    QFETCH(int, tcpPort);

    QTemporaryDir dir;
    const QString script = dir.filePath(QStringLiteral("profile.txt"));
    QFile file(script);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("777 2\n0 1\n");
    file.close();
    args.replaceInStrings(QStringLiteral("{script}"), script);

    SimulatorOptions options;
    QString error;
    QCOMPARE(SimulatorOptions::parse(args, &options, &error), ok);
    QCOMPARE(error.isEmpty(), ok);
    if (!ok)
        return;
    QCOMPARE(options.profile.weightAt(0), weightAtStart);
    QCOMPARE(options.intervalMs, interval);
    QCOMPARE(options.tcpPort, tcpPort);
}

QTEST_GUILESS_MAIN(TestScalesim)
#include "tst_scalesim.moc"
