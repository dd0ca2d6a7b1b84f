#include "Kelvo.h"
#include "LinkTexts.h"
#include "MessageBoxes.h"
#include "PtyPair.h"
#include "../support/LoopbackServer.h"
#include "../support/ProgramRun.h"
#include "../support/SimulatorProcess.h"
#include "TFoform.h"
#include "TTerminal.h"
#include "WeightLink.h"

#include "ui_TFoform.h"
#include "ui_TTerminal.h"

#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <memory>

namespace {

constexpr int kTick = 150;       // watchdog interval where silence is part of the test
constexpr int kSlow = 10000;     // for what a loaded machine may take its time over

// One moment of the link as the main window shows it; write: bytes from the indicator first; wait: silence first.
struct LinkStep {
    QByteArray write;
    bool wait = false;
    QString label;
    QString hint;
    QString status; // "%1" stands for the port
};

} // namespace

Q_DECLARE_METATYPE(LinkStep)

// The scale link seen through the main window of a whole program start-up, offscreen.
class TestMainWindowLink : public QObject
{
    Q_OBJECT

    std::unique_ptr<ProgramRun> m_run;

    void writeIni(const QByteArray &text) { QVERIFY(m_run->writeIni(text)); }
    std::unique_ptr<Kelvo> start(int watchdogMs) { return m_run->start(watchdogMs, kSlow); }

    static QLabel *weightLabel(const Kelvo &kelvo) { return kelvo.Foform()->ui()->sulylabel1; }
    static QString linkPanel(const Kelvo &kelvo) { return kelvo.Foform()->statusPanel(1)->text(); }

private slots:
    void init()
    {
        m_run = std::make_unique<ProgramRun>();
        QVERIFY(m_run->ready());
    }
    void cleanup() { m_run.reset(); }

    void simulatorDrivesTheWeightLabel_data();
    void simulatorDrivesTheWeightLabel();
    void simulatorUnpluggedAndBack();
    void linkTexts_data();
    void linkTexts();
    void serverDropsAndComesBack();
};

void TestMainWindowLink::simulatorDrivesTheWeightLabel_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("indicatorKeys");
    QTest::addColumn<bool>("throughLink");
    QTest::addColumn<QString>("rawLine");
    QTest::addColumn<QString>("loggedZero");

    QTest::newRow("plain on the device path") << QStringList{} << QByteArray() << false << "+ 0012340 kg"
                                              << "command SC<CR> (zero)";
    QTest::newRow("micra through a link") << QStringList{"--format", "micra"} << QByteArray("micraorden=1\nnullaz=ms\n")
                                          << true << "0432100" << "command XA/NU<CR><LF> (zero)";
    QTest::newRow("bilanciai") << QStringList{"--format", "bilanciai"} << QByteArray("bilanciai=1\n") << false
                               << "0012340" << "command SC<CR> (zero)";
}

void TestMainWindowLink::simulatorDrivesTheWeightLabel()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, indicatorKeys);
    QFETCH(bool, throughLink);
    QFETCH(QString, rawLine);
    QFETCH(QString, loggedZero);

    const QString link = m_run->home() + QStringLiteral("scale");
    args << QStringList{"--weight", "12340", "--interval", "50"};
    if (throughLink)
        args << QStringList{"--link", link};
    SimulatorProcess simulator(QStringLiteral(SCALESIM_PATH), args);
    QVERIFY2(simulator.firstLine().startsWith(QStringLiteral("/dev/")), qPrintable(simulator.firstLine()));
    const QString port = throughLink ? link : simulator.firstLine();
    writeIni("[ComPort1]\nPort=" + port.toUtf8() + '\n' + indicatorKeys);

    auto kelvo = start(WeightLink::kWatchdogInterval);
    QCOMPARE(kelvo->state(), Kelvo::State::Running);
    QTRY_COMPARE_WITH_TIMEOUT(weightLabel(*kelvo)->text(), QStringLiteral("12 340"), kSlow);
    QCOMPARE(weightLabel(*kelvo)->toolTip(), LinkTexts::kHintWeight);
    QCOMPARE(linkPanel(*kelvo), LinkTexts::receiving(port));

    // A double click on the weight shows the raw lines as they come.
    QTest::mouseDClick(weightLabel(*kelvo), Qt::LeftButton);
    QVERIFY(kelvo->Terminal()->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(kelvo->Terminal()->ui()->Memo1->toPlainText().split(u'\n').size() >= 3, kSlow);
    const QStringList raw = kelvo->Terminal()->ui()->Memo1->toPlainText().split(u'\n');
    QCOMPARE(raw.first(), rawLine);
    QCOMPARE(raw.count(rawLine), raw.size());

    kelvo->Foform()->ui()->nullaimage->click();
    QTRY_COMPARE_WITH_TIMEOUT(weightLabel(*kelvo)->text(), QStringLiteral(" 0"), kSlow);
    QVERIFY(simulator.log().contains(loggedZero));
    QCOMPARE(m_run->messages(), QStringList());
}

void TestMainWindowLink::simulatorUnpluggedAndBack()
{
    const QString link = m_run->home() + QStringLiteral("scale");
    auto simulator = std::make_unique<SimulatorProcess>(QStringLiteral(SCALESIM_PATH), QStringList{"--weight", "12340", "--interval", "50", "--link", link});
    QVERIFY(simulator->firstLine().startsWith(QStringLiteral("/dev/")));
    writeIni("[ComPort1]\nPort=" + link.toUtf8() + '\n');
    auto kelvo = start(kTick);
    QTRY_COMPARE_WITH_TIMEOUT(weightLabel(*kelvo)->text(), QStringLiteral("12 340"), kSlow);

    simulator->stop();
    QTRY_COMPARE_WITH_TIMEOUT(linkPanel(*kelvo), LinkTexts::portError(link), kSlow);
    QCOMPARE(weightLabel(*kelvo)->text(), LinkTexts::kNoWeightLabel);
    QCOMPARE(weightLabel(*kelvo)->toolTip(), LinkTexts::kHintPortError);

    // Plugged back in under the same name: the weight returns without a restart.
    simulator = std::make_unique<SimulatorProcess>(QStringLiteral(SCALESIM_PATH), QStringList{"--weight", "500", "--interval", "50", "--link", link});
    QTRY_COMPARE_WITH_TIMEOUT(weightLabel(*kelvo)->text(), QStringLiteral(" 500"), kSlow);
    QCOMPARE(weightLabel(*kelvo)->toolTip(), LinkTexts::kHintWeight);
    QCOMPARE(linkPanel(*kelvo), LinkTexts::receiving(link));
    QCOMPARE(m_run->messages(), QStringList());
}

void TestMainWindowLink::linkTexts_data()
{
    QTest::addColumn<bool>("portExists");
    QTest::addColumn<int>("watchdogMs");
    QTest::addColumn<QList<LinkStep>>("steps");

    using S = QList<LinkStep>;
    const QString opened = LinkTexts::portOpened(QStringLiteral("%1"));
    const QString receiving = LinkTexts::receiving(QStringLiteral("%1"));
    const QString noData = LinkTexts::noData(QStringLiteral("%1"));
    const QString error = LinkTexts::portError(QStringLiteral("%1"));
    const QString weight = LinkTexts::kHintWeight;

    QTest::newRow("port opened") << true << 60000 << S{{"", false, "..", "", opened}};
    QTest::newRow("data, silence, data again")
        << true << kTick
        << S{{"+ 0012340 kg\r\n", false, "12 340", weight, receiving},
             {"", true, "?", LinkTexts::kHintNoData, noData},
             {"+ 0000500 kg\r\n", false, " 500", weight, receiving}};
    QTest::newRow("two frames in one chunk, the last shows")
        << true << 60000 << S{{"+ 0000100 kg\r\n- 0000150 kg\r\n", false, "- 150", weight, receiving}};
    // The watchdog waits for data after a port error: the panel keeps telling the error, not silence.
    QTest::newRow("port that cannot be opened")
        << false << kTick
        << S{{"", false, "?", LinkTexts::kHintPortError, error}, {"", true, "?", LinkTexts::kHintPortError, error}};
}

void TestMainWindowLink::linkTexts()
{
    QFETCH(bool, portExists);
    QFETCH(int, watchdogMs);
    QFETCH(QList<LinkStep>, steps);

    PtyPair pty;
    QVERIFY(pty.isValid());
    const QString port = portExists ? pty.slavePath() : m_run->home() + QStringLiteral("nothing-here");
    writeIni("[ComPort1]\nPort=" + port.toUtf8() + '\n');
    auto kelvo = start(watchdogMs);
    QCOMPARE(kelvo->state(), Kelvo::State::Running);

    for (const LinkStep &step : steps) {
        if (!step.write.isEmpty())
            pty.write(step.write);
        if (step.wait)
            QTest::qWait(3 * watchdogMs);
        QTRY_COMPARE_WITH_TIMEOUT(weightLabel(*kelvo)->text(), step.label, kSlow);
        QTRY_COMPARE_WITH_TIMEOUT(linkPanel(*kelvo), step.status.arg(port), kSlow);
        QCOMPARE(weightLabel(*kelvo)->toolTip(), step.hint);
    }
    QCOMPARE(m_run->messages(), QStringList());
}

void TestMainWindowLink::serverDropsAndComesBack()
{
    LoopbackServer server;
    QVERIFY(server.listen());
    const quint16 tcpPort = server.port();
    PtyPair pty;
    writeIni("sulylekerdez=1\nhostip=127.0.0.1\nhostport=" + QByteArray::number(tcpPort) + "\n[ComPort1]\nPort="
             + pty.slavePath().toUtf8() + '\n');
    auto kelvo = start(kTick);
    QCOMPARE(kelvo->state(), Kelvo::State::Running);
    QSignalSpy panelTexts(kelvo->weightLink(), &WeightLink::statusTextChanged);
    const QString getText = LinkTexts::serverPoll(QStringLiteral("127.0.0.1"), QString::number(tcpPort));

    // In server mode the serial port stays closed; the first watchdog tick connects.
    QVERIFY(!kelvo->weightLink()->comPort().Connected());
    QVERIFY(server.accept());
    QTRY_COMPARE_WITH_TIMEOUT(linkPanel(*kelvo), getText, kSlow);
    server.send("+ 0012340 kg\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(weightLabel(*kelvo)->text(), QStringLiteral("12 340"), kSlow);

    server.shutDown();
    QTRY_COMPARE_WITH_TIMEOUT(linkPanel(*kelvo), LinkTexts::clientError(10061), kSlow);
    QCOMPARE(weightLabel(*kelvo)->text(), QStringLiteral("12 340"));

    QVERIFY(server.listen(tcpPort));
    QVERIFY(server.accept());
    server.send("+ 0000500 kg\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(weightLabel(*kelvo)->text(), QStringLiteral(" 500"), kSlow);
    QTRY_COMPARE_WITH_TIMEOUT(linkPanel(*kelvo), getText, kSlow);

    for (const QList<QVariant> &args : std::as_const(panelTexts))
        QVERIFY2(!args.at(0).toString().contains(QStringLiteral("adatfogadás")), qPrintable(args.at(0).toString()));
    QCOMPARE(m_run->messages(), QStringList());
}

QTEST_MAIN(TestMainWindowLink)
#include "tst_mainwindow.moc"
