#include "Config.h"
#include "IndicatorCommands.h"
#include "IniFile.h"
#include "LinkTexts.h"
#include "PtyPair.h"
#include "../support/LoopbackServer.h"
#include "WeightLink.h"

#include <QFile>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kTick = 100; // watchdog interval of these tests

QList<int> weightsOf(const QSignalSpy &spy)
{
    QList<int> weights;
    for (const QList<QVariant> &args : spy)
        weights.append(args.at(0).toInt());
    return weights;
}

QStringList textsOf(const QSignalSpy &spy)
{
    QStringList texts;
    for (const QList<QVariant> &args : spy)
        texts.append(args.at(0).toString());
    return texts;
}

} // namespace

class TestWeightLink : public QObject
{
    Q_OBJECT

private slots:
    void framesSetWeightAndTexts_data();
    void framesSetWeightAndTexts();
    void stateFollowsTheFrames_data();
    void stateFollowsTheFrames();
    void serverModeLeavesThePanelAlone();
    void watchdogShowsSilence();
    void serialErrorStopsWatchdogUntilNextFrame();
    void portEventsAndLinesFromTheLine();
    void polling_data();
    void polling();
    void pollIndicatorBlinksWithoutPort();
    void pollingSwitchedBySettingsDialog();
    void zeroing_data();
    void zeroing();
    void serverFramesAreCutAtTheTerminator_data();
    void serverFramesAreCutAtTheTerminator();
    void serverDropsAndComesBack();
    void unansweredConnectIsTriedAfresh();
    void vanishedDeviceIsReopenedQuietly();
    void startUpOpensPortUnlessServerMode_data();
    void startUpOpensPortUnlessServerMode();
    void settingsFromConfig();
};

void TestWeightLink::framesSetWeightAndTexts_data()
{
    QTest::addColumn<QList<QByteArray>>("frames");
    QTest::addColumn<bool>("bilanciai");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("hint");
    QTest::addColumn<int>("aktsuly");
    QTest::addColumn<bool>("nullavolt");
    QTest::addColumn<QString>("weightText");
    QTest::addColumn<QList<int>>("announced");

    using F = QList<QByteArray>;
    using W = QList<int>;
    const QString weightHint = LinkTexts::kHintWeight;
    QTest::newRow("no frame yet") << F{} << false << ".." << "" << 0 << false << "" << W{};
    QTest::newRow("plain frame") << F{"+ 0012340 kg\r\n"} << false << "12 340" << weightHint << 12340 << false
                                 << "0012340" << W{12340};
    QTest::newRow("no digits is zero") << F{"kg\r\n"} << false << " 0" << weightHint << 0 << true << "0" << W{0};
    QTest::newRow("zero seen stays set") << F{"0\r\n", "1500\r\n"} << false << "1 500" << weightHint << 1500 << true
                                         << "1500" << W{0, 1500};
    QTest::newRow("bad frame keeps weight") << F{"+ 0000500 kg\r\n", "12-34\r\n"} << false << " 500" << weightHint
                                            << 500 << false << "12-34" << W{500};
    QTest::newRow("ignored frame clears text") << F{"3001234\r\n", "kg\r\n"} << true << "-1 234" << weightHint << -1234
                                               << false << "" << W{-1234};
}

// Frames as "ms|frame"; after the last one the state, whether a weighing may take the weight, and the label.
void TestWeightLink::stateFollowsTheFrames_data()
{
    QTest::addColumn<QString>("profile");
    QTest::addColumn<QStringList>("frames");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("taken");
    QTest::addColumn<QString>("label");
    QTest::newRow("digits settle over time") << "digits" << QStringList{"0|5000", "400|5001", "1000|5000"}
                                             << "Stabil" << "5000" << "5 000";
    QTest::newRow("digits still moving") << "digits" << QStringList{"0|5000", "900|5040", "1500|5040"}
                                         << "Mozgásban" << "5040" << "5 040";
    QTest::newRow("reported at rest") << "csv-status" << QStringList{"0|ST,GS,+05000kg"} << "Stabil" << "5000"
                                      << "5 000";
    QTest::newRow("reported moving") << "csv-status" << QStringList{"0|ST,GS,+05000kg", "10|US,GS,+05100kg"}
                                     << "Mozgásban" << "5100" << "5 100";
    QTest::newRow("overload takes nothing") << "command-set" << QStringList{"0|S S 5000 kg", "10|S +"}
                                            << "Túlterhelés" << "-" << "?";
    QTest::newRow("error reply") << "command-set" << QStringList{"0|ES"} << "Kijelző hiba" << "-" << "?";
}

void TestWeightLink::stateFollowsTheFrames()
{
    QFETCH(QString, profile);
    QFETCH(QStringList, frames);
    QFETCH(QString, state);
    QFETCH(QString, taken);
    QFETCH(QString, label);

    WeightLink link(nullptr, 60000);
    qint64 now = 0;
    link.setClock([&now] { return now; });
    WeightLinkSettings settings;
    settings.profile = std::get<IndicatorProfile>(IndicatorProfile::parse(profile));
    link.configure(settings);
    QSignalSpy changes(&link, &WeightLink::stateChanged);
    for (const QString &f : frames) {
        now = f.section(QLatin1Char('|'), 0, 0).toLongLong();
        link.decodeFrame(f.section(QLatin1Char('|'), 1).toLatin1() + "\r\n");
    }
    QCOMPARE(LinkTexts::stateText(link.weightState(), link.weightLive()), state);
    const std::optional<qint32> live = link.liveWeight();
    QCOMPARE(live ? QString::number(*live) : QStringLiteral("-"), taken);
    QCOMPARE(link.labelText(), label);
    QVERIFY(!changes.isEmpty());

    // Silence: no link, and a load seen again must settle again.
    link.watchdogTick();
    QCOMPARE(LinkTexts::stateText(link.weightState(), link.weightLive()), QStringLiteral("Nincs kapcsolat"));
    QVERIFY(!link.weightStable());
}

void TestWeightLink::framesSetWeightAndTexts()
{
    QFETCH(QList<QByteArray>, frames);
    QFETCH(bool, bilanciai);
    QFETCH(QString, label);
    QFETCH(QString, hint);
    QFETCH(int, aktsuly);
    QFETCH(bool, nullavolt);
    QFETCH(QString, weightText);
    QFETCH(QList<int>, announced);

    WeightLink link(nullptr, 60000);
    WeightLinkSettings settings;
    settings.decoder.bilanciai = bilanciai;
    link.configure(settings);
    QSignalSpy weights(&link, &WeightLink::weightChanged);
    QSignalSpy raw(&link, &WeightLink::frameReceived);
    for (const QByteArray &frame : frames)
        link.decodeFrame(frame);

    QCOMPARE(link.labelText(), label);
    QCOMPARE(link.labelHint(), hint);
    QCOMPARE(link.aktsuly(), aktsuly);
    QCOMPARE(link.nullavolt(), nullavolt);
    QCOMPARE(link.weightText(), weightText);
    QCOMPARE(weightsOf(weights), announced);
    QCOMPARE(raw.size(), frames.size());
    QCOMPARE(link.statusText(), frames.isEmpty() ? QString() : QStringLiteral("COM1 OK, adatfogadás...      "));
    if (!weights.isEmpty())
        QCOMPARE(weights.last().at(1).toString(), QString::number(aktsuly));
}

void TestWeightLink::serverModeLeavesThePanelAlone()
{
    WeightLink link(nullptr, 60000);
    link.setServerSource([] { return WeightServer{true, QStringLiteral("10.0.0.1"), QStringLiteral("5000")}; });
    QSignalSpy status(&link, &WeightLink::statusTextChanged);
    link.decodeFrame("+ 0012340 kg\r\n");
    QCOMPARE(link.labelText(), QStringLiteral("12 340"));
    QCOMPARE(status.size(), 0);
    link.clearNullavolt();
    link.decodeFrame("0\r\n");
    QVERIFY(link.nullavolt());
    link.clearNullavolt();
    QVERIFY(!link.nullavolt());
}

void TestWeightLink::watchdogShowsSilence()
{
    WeightLink link(nullptr, kTick);
    QVERIFY(link.watchdogActive());
    link.decodeFrame("100\r\n");
    QCOMPARE(link.labelText(), QStringLiteral(" 100"));
    QTRY_COMPARE_WITH_TIMEOUT(link.labelText(), QStringLiteral("?"), 5000);
    QCOMPARE(link.labelHint(), QStringLiteral("Megszakadt a kapcsolat a mérleggel."));
    QCOMPARE(link.statusText(), QStringLiteral("COM1 OK, nincs adat.      "));
    QCOMPARE(link.aktsuly(), 100);
    // It keeps ticking until a frame comes.
    QSignalSpy status(&link, &WeightLink::statusTextChanged);
    QTRY_VERIFY_WITH_TIMEOUT(status.size() >= 2, 5000);
    QVERIFY(link.watchdogActive());
    link.decodeFrame("200\r\n");
    QCOMPARE(link.labelText(), QStringLiteral(" 200"));
    QCOMPARE(link.labelHint(), LinkTexts::kHintWeight);
    QCOMPARE(link.statusText(), QStringLiteral("COM1 OK, adatfogadás...      "));
}

void TestWeightLink::serialErrorStopsWatchdogUntilNextFrame()
{
    WeightLink link(nullptr, kTick);
    link.comPort().setPort(QStringLiteral("/nonexistent/ttyS9"));
    link.comPort().Open();
    QCOMPARE(link.labelText(), QStringLiteral("?"));
    QCOMPARE(link.labelHint(), QStringLiteral("Com Port hiba. A port nem nyitható meg."));
    QCOMPARE(link.statusText(), QStringLiteral("/nonexistent/ttyS9 Hiba, nincs megnyitva.      "));
    QVERIFY(!link.watchdogActive());
    QTest::qWait(3 * kTick);
    QCOMPARE(link.statusText(), QStringLiteral("/nonexistent/ttyS9 Hiba, nincs megnyitva.      "));
    link.decodeFrame("42\r\n");
    QVERIFY(link.watchdogActive());
    QCOMPARE(link.labelText(), QStringLiteral(" 42"));
    QTRY_COMPARE_WITH_TIMEOUT(link.statusText(), QStringLiteral("/nonexistent/ttyS9 OK, nincs adat.      "), 5000);
}

void TestWeightLink::portEventsAndLinesFromTheLine()
{
    PtyPair pty;
    WeightLink link(nullptr, 60000);
    link.comPort().setPort(pty.slavePath());
    link.comPort().Open();
    QCOMPARE(link.statusText(), pty.slavePath() + QStringLiteral(" OK, megnyitva.      "));
    QSignalSpy weights(&link, &WeightLink::weightChanged);
    pty.write("+ 0000001 kg\r\n+ 0000002 kg\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(weightsOf(weights), (QList<int>{1, 2}), 5000);
    QCOMPARE(link.labelText(), QStringLiteral(" 2"));
    QCOMPARE(link.statusText(), pty.slavePath() + QStringLiteral(" OK, adatfogadás...      "));
}

void TestWeightLink::polling_data()
{
    QTest::addColumn<bool>("disomat");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("default command") << false << "XA/B?" << QByteArray("XA/B?\r\n");
    QTest::newRow("own command") << false << "W" << QByteArray("W\r\n");
    QTest::newRow("disomat frame") << true << "XA/B?"
                                   << QByteArray("\x02" "01#PC#SOG__SOG#\x03" "2");
}

void TestWeightLink::polling()
{
    QFETCH(bool, disomat);
    QFETCH(QString, command);
    QFETCH(QByteArray, expected);

    PtyPair pty;
    WeightLink link(nullptr, 60000);
    link.comPort().setPort(pty.slavePath());
    link.comPort().Open();
    WeightLinkSettings settings;
    settings.decoder.disomatb = disomat;
    settings.lekerdez = true;
    settings.lekerdezparancs = command;
    settings.lekerdezido = 30;
    QSignalSpy indicator(&link, &WeightLink::pollIndicatorChanged);
    link.configure(settings);
    QVERIFY(link.pollTimerActive());
    const QByteArray sent = pty.read(2 * expected.size());
    QCOMPARE(sent.left(2 * expected.size()), expected + expected);
    QVERIFY(indicator.size() >= 2);
    QCOMPARE(indicator.at(0).at(0).toBool(), true);
    QCOMPARE(indicator.at(1).at(0).toBool(), false);
}

void TestWeightLink::pollIndicatorBlinksWithoutPort()
{
    WeightLink link(nullptr, 60000);
    WeightLinkSettings settings;
    settings.lekerdez = true;
    settings.lekerdezido = 20;
    link.configure(settings);
    QSignalSpy indicator(&link, &WeightLink::pollIndicatorChanged);
    QTRY_VERIFY_WITH_TIMEOUT(indicator.size() >= 3, 5000);
    QVERIFY(!link.comPort().Connected());

    settings.lekerdezido = 0; // no pause at all would mean no rest: such a timer stays off
    link.configure(settings);
    QVERIFY(!link.pollTimerActive());
}

void TestWeightLink::pollingSwitchedBySettingsDialog()
{
    WeightLink link(nullptr, 60000);
    QVERIFY(!link.pollTimerActive());
    QVERIFY(!link.pollIndicatorVisible());
    link.applyIndicatorFlags(true, true, true);
    QVERIFY(link.pollTimerActive());
    QVERIFY(link.pollIndicatorVisible());
    QVERIFY(link.settings().decoder.micraorden);
    QVERIFY(link.settings().decoder.bilanciai);
    link.applyIndicatorFlags(false, false, false);
    QVERIFY(!link.pollTimerActive());
    QVERIFY(!link.pollIndicatorVisible());
    // A tick that was already queued does nothing once polling is off.
    link.pollTick();
    QVERIFY(!link.pollIndicatorVisible());
}

void TestWeightLink::zeroing_data()
{
    QTest::addColumn<QString>("nullaz");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("sc") << "sc" << QByteArray("SC\r");
    QTest::newRow("ms") << "ms" << QByteArray("XA/NU\r\n");
    QTest::newRow("dis") << "dis" << QByteArray("\x02" "01#AZ#\x03\x19");
    QTest::newRow("capitals send nothing") << "SC" << QByteArray();
    QTest::newRow("blank around sends nothing") << " sc" << QByteArray();
    QTest::newRow("empty sends nothing") << "" << QByteArray();
}

void TestWeightLink::zeroing()
{
    QFETCH(QString, nullaz);
    QFETCH(QByteArray, expected);

    PtyPair pty;
    WeightLink link(nullptr, 60000);
    WeightLinkSettings settings;
    settings.nullaz = nullaz;
    link.configure(settings);
    link.zero(); // port closed: nothing
    link.comPort().setPort(pty.slavePath());
    link.comPort().Open();
    link.zero();
    link.comPort().SendString("|"); // marks the end of what zero() wrote
    QCOMPARE(pty.read(expected.size() + 1), expected + "|");
}

void TestWeightLink::serverFramesAreCutAtTheTerminator_data()
{
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<QList<int>>("framesAfterChunk");
    QTest::addColumn<QList<int>>("weights");

    using B = QList<QByteArray>;
    using I = QList<int>;
    QTest::newRow("two frames in one chunk") << B{"+ 0012340 kg\r\n+ 0000100 kg\r\n"} << I{2} << I{12340, 100};
    QTest::newRow("chunk without terminator") << B{"12340"} << I{1} << I{12340};
    QTest::newRow("frame split over chunks") << B{"1\r\n2", "34\r\n"} << I{1, 2} << I{1, 234};
    // Once a frame has ended with the terminator, a piece of one is never a weight of its own.
    QTest::newRow("rest waits for its terminator") << B{"1\r\n2", "3", "4\r\n"} << I{1, 1, 2} << I{1, 234};
}

void TestWeightLink::serverFramesAreCutAtTheTerminator()
{
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QList<int>, framesAfterChunk);
    QFETCH(QList<int>, weights);

    LoopbackServer server;
    QVERIFY(server.listen());
    WeightLink link(nullptr, kTick);
    const QString port = QString::number(server.port());
    link.setServerSource([port] { return WeightServer{true, QStringLiteral("127.0.0.1"), port}; });
    QVERIFY(server.accept());
    QTRY_COMPARE_WITH_TIMEOUT(link.clientSocket().state(), QAbstractSocket::ConnectedState, 5000);
    QSignalSpy raw(&link, &WeightLink::frameReceived);
    QSignalSpy announced(&link, &WeightLink::weightChanged);
    for (qsizetype i = 0; i < chunks.size(); ++i) {
        server.send(chunks[i]);
        QTRY_COMPARE_WITH_TIMEOUT(int(raw.size()), framesAfterChunk[i], 5000);
    }
    QCOMPARE(weightsOf(announced), weights);
    link.shutdown();
    QCOMPARE(link.clientSocket().state(), QAbstractSocket::UnconnectedState);
}

void TestWeightLink::serverDropsAndComesBack()
{
    LoopbackServer server;
    QVERIFY(server.listen());
    const quint16 port = server.port();
    WeightLink link(nullptr, kTick);
    link.setServerSource([port] { return WeightServer{true, QStringLiteral("127.0.0.1"), QString::number(port)}; });
    QSignalSpy status(&link, &WeightLink::statusTextChanged);
    const QString getText = QStringLiteral("GET 127.0.0.1:%1       ").arg(port);

    QVERIFY(server.accept());
    QTRY_COMPARE_WITH_TIMEOUT(link.statusText(), getText, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(link.clientSocket().state(), QAbstractSocket::ConnectedState, 5000);
    server.send("+ 0000700 kg\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(link.aktsuly(), 700, 5000);

    // The server goes away: the connection ends, a reconnect is refused, and every tick tries again.
    server.shutDown();
    const QString refused = QStringLiteral("Client error: 10061       ");
    QTRY_VERIFY_WITH_TIMEOUT(textsOf(status).contains(refused), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(textsOf(status).mid(textsOf(status).indexOf(refused)).count(refused) >= 2, 5000);
    QVERIFY(textsOf(status).mid(textsOf(status).indexOf(refused)).contains(getText));

    QVERIFY(server.listen(port));
    QVERIFY(server.accept());
    server.send("+ 0000800 kg\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(link.aktsuly(), 800, 5000);
    QCOMPARE(link.labelText(), QStringLiteral(" 800"));
    QVERIFY(!textsOf(status).join(u'|').contains(QStringLiteral("adatfogadás")));
    QVERIFY(!textsOf(status).join(u'|').contains(QStringLiteral("nincs adat")));
}

void TestWeightLink::unansweredConnectIsTriedAfresh()
{
    // A listener whose accept queue is full drops connection requests unanswered, as a switched-off server does.
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    QVERIFY(listener >= 0);
    const auto closeListener = qScopeGuard([listener] { ::close(listener); });
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    QCOMPARE(::bind(listener, reinterpret_cast<sockaddr *>(&address), length), 0);
    QCOMPARE(::listen(listener, 0), 0);
    QCOMPARE(::getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length), 0);
    const quint16 port = ntohs(address.sin_port);
    QTcpSocket fillers[2];
    for (QTcpSocket &filler : fillers)
        filler.connectToHost(QHostAddress::LocalHost, port);
    QTRY_COMPARE_WITH_TIMEOUT(fillers[0].state(), QAbstractSocket::ConnectedState, 5000);

    WeightLink link(nullptr, 60000);
    QSignalSpy attempts(&link.clientSocket(), &QAbstractSocket::stateChanged);
    link.setServerSource([port] { return WeightServer{true, QStringLiteral("127.0.0.1"), QString::number(port)}; });
    link.watchdogTick();
    const auto connecting = [&attempts] {
        return std::count_if(attempts.cbegin(), attempts.cend(), [](const QList<QVariant> &args) {
            return args.at(0).value<QAbstractSocket::SocketState>() == QAbstractSocket::ConnectingState;
        });
    };
    QTRY_COMPARE_WITH_TIMEOUT(connecting(), 1, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(connecting() >= 2, WeightLink::kConnectTimeout + WeightLink::kRetryInterval + 3000);
}

void TestWeightLink::vanishedDeviceIsReopenedQuietly()
{
    QTemporaryDir dir;
    const QString alias = dir.filePath(QStringLiteral("ttyUSB0"));
    auto first = std::make_unique<PtyPair>();
    QVERIFY(QFile::link(first->slavePath(), alias));

    WeightLink link(nullptr, kTick);
    link.comPort().setPort(alias);
    link.comPort().Open();
    QCOMPARE(link.statusText(), alias + QStringLiteral(" OK, megnyitva.      "));
    first->write("5\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(link.aktsuly(), 5, 5000);

    // Unplugged: the serial error texts, and the watchdog keeps trying without changing them.
    QSignalSpy status(&link, &WeightLink::statusTextChanged);
    first->unplug();
    QFile::remove(alias);
    const QString errorText = alias + QStringLiteral(" Hiba, nincs megnyitva.      ");
    QTRY_COMPARE_WITH_TIMEOUT(link.statusText(), errorText, 5000);
    QCOMPARE(link.labelText(), QStringLiteral("?"));
    QCOMPARE(link.labelHint(), LinkTexts::kHintPortError);
    QVERIFY(link.watchdogActive());
    QTest::qWait(4 * kTick);
    // On a loaded machine a "no data" text may come before the loss is noticed; after the error text nothing changes.
    QCOMPARE(textsOf(status).mid(textsOf(status).indexOf(errorText)), QStringList{errorText});

    // Plugged back in (under the same name, as udev does): the port opens again by itself.
    PtyPair second;
    first.reset();
    QVERIFY(QFile::link(second.slavePath(), alias));
    QTRY_VERIFY_WITH_TIMEOUT(link.comPort().Connected() && !link.comPort().deviceLost(), 5000);
    const QStringList texts = textsOf(status);
    QCOMPARE(texts.value(texts.indexOf(errorText) + 1), alias + QStringLiteral(" OK, megnyitva.      "));
    second.write("6\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(link.aktsuly(), 6, 5000);
    QCOMPARE(link.labelText(), QStringLiteral(" 6"));
    // Once back, ticks no longer reopen: a partial line survives the following ticks.
    second.write("7");
    QTest::qWait(3 * kTick);
    second.write("\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(link.aktsuly(), 7, 5000);
}

void TestWeightLink::startUpOpensPortUnlessServerMode_data()
{
    QTest::addColumn<bool>("serverMode");
    QTest::newRow("serial mode opens") << false;
    QTest::newRow("server mode keeps closed") << true;
}

void TestWeightLink::startUpOpensPortUnlessServerMode()
{
    QFETCH(bool, serverMode);
    PtyPair pty;
    QTemporaryDir dir;
    IniFile ini(dir.filePath(QStringLiteral("Kelvo.ini")));
    ini.writeString(QStringLiteral("ComPort1"), QStringLiteral("Port"), pty.slavePath());
    WeightLink link(nullptr, 60000);
    link.setServerSource([serverMode] { return WeightServer{serverMode, QStringLiteral("127.0.0.1"), "1"}; });
    link.loadPortSettings(ini);
    QCOMPARE(link.comPort().Port(), pty.slavePath());
    QCOMPARE(link.comPort().Baud(), 2400u);
    QCOMPARE(link.comPort().Connected(), !serverMode);
}

void TestWeightLink::settingsFromConfig()
{
    QTemporaryDir dir;
    Config config(dir.filePath(QStringLiteral("Kelvo.ini")), dir.path() + u'/');
    WeightLinkSettings defaults = WeightLinkSettings::fromConfig(config);
    QCOMPARE(defaults.lekerdezparancs, QStringLiteral("XA/B?"));
    QCOMPARE(defaults.lekerdezido, 1000);
    QCOMPARE(defaults.nullaz, QStringLiteral("sc"));
    QVERIFY(!defaults.lekerdez);
    QVERIFY(!defaults.decoder.disomatb);

    config.setBoolean(Keys::disomatb, true);
    config.setBoolean(Keys::micraorden, true);
    config.setString(Keys::nullaz, QStringLiteral("dis"));
    config.setInteger(Keys::lekerdezido, 250);
    const WeightLinkSettings read = WeightLinkSettings::fromConfig(config);
    QVERIFY(read.decoder.disomatb);
    QVERIFY(read.decoder.micraorden);
    QVERIFY(!read.decoder.bilanciai);
    QCOMPARE(read.nullaz, QStringLiteral("dis"));
    QCOMPARE(read.lekerdezido, 250);
}

QTEST_GUILESS_MAIN(TestWeightLink)
#include "tst_weightlink.moc"
