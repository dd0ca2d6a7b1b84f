#include "../gate/GateSimProcess.h"
#include "../support/Settle.h"
#include "../support/SimulatorProcess.h"
#include "../support/TestDatabase.h"
#include "StationFolderTest.h"

#include "GatePage.h"
#include "GatePosition.h"
#include "GateStation.h"
#include "GateWiring.h"
#include "InProgress.h"
#include "InProgressModel.h"
#include "Kelvo.h"
#include "MainCommands.h"
#include "MessageBoxes.h"
#include "SettingsCommands.h"
#include "Trail.h"
#include "TNumEdit.h"

#include "TFoform.h"
#include "Tbeallitasok.h"
#include "Tbefejezesform.h"
#include "Tkezdesform.h"
#include "ui_Tbeallitasok.h"
#include "ui_Tbefejezesform.h"
#include "ui_Tkezdesform.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QHostAddress>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int kSlowMs = 15000;

} // namespace

// The window program with the gate module: scalesim and gatesim run as real processes on the loopback, the operator
// works the windows offscreen, and gatesim's coil log shows what the lights and the barrier did.
class TestGateWiring : public StationFolderTest
{
    Q_OBJECT

    // opt: more of [Opt] (a second section of the same name would not be read).
    std::unique_ptr<Kelvo> start(const QByteArray &opt, const QByteArray &ini = {})
    {
        TestDatabase::writeIni(m_home, m_datapath,
                               "[Opt]\nkarbantart=0\nPrintmode=0\n" + opt + "[ComPort1]\nPort=" + m_home.toUtf8() +
                                   "scale\n" + ini);
        auto kelvo = std::make_unique<Kelvo>(m_home, nullptr, 200);
        if (startSettled(*kelvo))
            QTest::qWaitFor([&] { return kelvo->state() != Kelvo::State::Starting; }, kSlowMs);
        return kelvo;
    }

    static QByteArray gateIni(int port)
    {
        return "[Kapu]\nHost=127.0.0.1\nPort=" + QByteArray::number(port) +
               "\nBePiros=0\nBeZold=1\nKiPiros=2\nKiZold=3\nSorompo=4\nSorompoIdo=200\nFenykapu1=0\nFenykapu2=1\n";
    }

    QStringList gateTrail(Kelvo &kelvo)
    {
        QStringList rows;
        for (const Trail::Row &row : Trail::ofSerial(ownConnection(kelvo)->db(), 0)) {
            if (row.esemeny == QString::fromUtf8(Trail::kGate))
                rows.append(row.uj);
        }
        return rows;
    }

    static QAction *gateAction(Kelvo &kelvo, const char *name)
    {
        return kelvo.Foform()->gateMenu()->findChild<QAction *>(QLatin1String(name));
    }

private slots:
    void initTestCase() { KELVO_REQUIRE_ENGINE(); }

    void init() { setUpFolder(); }
    void cleanup() { tearDownFolder(); }

    // A truck in and out: the lights follow each step, a light barrier interrupted holds the first weighing back
    // with the position refusal, the finished transport pulses the barrier, and the operator's commands reach the
    // module and the trail.
    void transportUnderTheLights()
    {
        GateSimProcess gate;
        QVERIFY(gate.port() > 0);
        scaleShows(0);
        auto kelvo = start("fenykapukell=1\n", gateIni(gate.port()));
        QCOMPARE(kelvo->state(), Kelvo::State::Running);
        QLabel *panel = kelvo->Foform()->gatePanel();
        QTRY_COMPARE_WITH_TIMEOUT(panel->text(), QStringLiteral("Kapuvezérlő: rendben"), kSlowMs);
        QVERIFY(!panel->isHidden());

        // Idle: entry green, exit red.
        QStringList expected{QStringLiteral("BeZold on"), QStringLiteral("KiPiros on")};
        QTRY_COMPARE_WITH_TIMEOUT(gate.changes(), expected, kSlowMs);

        // The truck drives on, its rear still across the entry's light barrier: both red, and no weight is taken.
        gate.send("Fenykapu1 on");
        scaleShows(24360);
        expected << QStringLiteral("BePiros on") << QStringLiteral("BeZold off");
        QTRY_COMPARE_WITH_TIMEOUT(gate.changes(), expected, kSlowMs);
        const GateStation &station = kelvo->gate().station();
        QTRY_VERIFY_WITH_TIMEOUT(station.module()->inputs().value(QStringLiteral("Fenykapu1")), kSlowMs);

        const auto firstWeighing = [&] {
            QTimer::singleShot(0, this, [&] {
                Ui::Tkezdesform *k = kelvo->kezdesform()->ui();
                QTRY_VERIFY(k->Button1->isEnabled());
                k->rendszam->setEditText(QStringLiteral("ABC-123"));
                k->nev->setEditText(QStringLiteral("Agro Kft."));
                k->ugyfelnev->setEditText(QStringLiteral("Malom Zrt."));
                k->termeknev->setEditText(QStringLiteral("Búza"));
                QTRY_COMPARE_WITH_TIMEOUT(k->suly1->text(), QStringLiteral("24360"), kSlowMs);
                QTest::mouseClick(k->Button1, Qt::LeftButton);
                QTRY_VERIFY(!m_messages.isEmpty() || !kelvo->kezdesform()->isVisible());
                if (kelvo->kezdesform()->isVisible())
                    kelvo->kezdesform()->reject();
            });
            kelvo->commands().newTransport();
            settle(*kelvo);
        };
        firstWeighing();
        QCOMPARE(m_messages, QStringList{QString::fromUtf8(GatePosition::kNotOnBridge) + QStringLiteral("\r\r")});
        QVERIFY(!InProgress::find(ownConnection(*kelvo)->db(), QStringLiteral("ABC-123")));

        // Wholly on the bridge: stored, and the exit turns green.
        m_messages.clear();
        gate.send("Fenykapu1 off");
        QTRY_VERIFY_WITH_TIMEOUT(!station.module()->inputs().value(QStringLiteral("Fenykapu1"), true), kSlowMs);
        firstWeighing();
        QCOMPARE(m_messages, QStringList());
        QCOMPARE(InProgress::find(ownConnection(*kelvo)->db(), QStringLiteral("ABC-123"))->suly1, qint64(24360));
        expected << QStringLiteral("KiPiros off") << QStringLiteral("KiZold on");
        QTRY_COMPARE_WITH_TIMEOUT(gate.changes(), expected, kSlowMs);

        // It drives off: idle again. It comes back empty: both red.
        scaleShows(0);
        expected << QStringLiteral("BePiros off") << QStringLiteral("BeZold on") << QStringLiteral("KiPiros on")
                 << QStringLiteral("KiZold off");
        QTRY_COMPARE_WITH_TIMEOUT(gate.changes(), expected, kSlowMs);
        scaleShows(11220);
        expected << QStringLiteral("BePiros on") << QStringLiteral("BeZold off");
        QTRY_COMPARE_WITH_TIMEOUT(gate.changes(), expected, kSlowMs);

        // The transport finished: exit green and one barrier pulse.
        whenShown(kelvo->befejezesform(), [&] {
            Ui::Tbefejezesform *b = kelvo->befejezesform()->ui();
            b->raktar->setEditText(QStringLiteral("Fő raktár"));
            QTRY_COMPARE_WITH_TIMEOUT(b->suly2->text(), QStringLiteral("11220"), kSlowMs);
            QTest::mouseClick(b->Button1, Qt::LeftButton);
        });
        kelvo->commands().finishTransport();
        settle(*kelvo);
        QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(u'|')));
        QCOMPARE(kelvo->inProgress()->rowCount(), 0);
        expected << QStringLiteral("KiPiros off") << QStringLiteral("KiZold on") << QStringLiteral("Sorompo on")
                 << QStringLiteral("Sorompo off");
        QTRY_COMPARE_WITH_TIMEOUT(gate.changes(), expected, kSlowMs);

        // By hand: the exit back to red, the barrier opened once more; each in the trail.
        QVERIFY(gateAction(*kelvo, "kapuKiPiros")->isEnabled());
        gateAction(*kelvo, "kapuKiPiros")->trigger();
        expected << QStringLiteral("KiPiros on") << QStringLiteral("KiZold off");
        QTRY_COMPARE_WITH_TIMEOUT(gate.changes(), expected, kSlowMs);
        gateAction(*kelvo, "kapuSorompo")->trigger();
        expected << QStringLiteral("Sorompo on") << QStringLiteral("Sorompo off");
        QTRY_COMPARE_WITH_TIMEOUT(gate.changes(), expected, kSlowMs);
        settle(*kelvo);
        QCOMPARE(gateTrail(*kelvo), (QStringList{QStringLiteral("KiPiros=be"), QStringLiteral("Sorompo=nyitás")}));

        // The module lost: the panel tells why, the commands are off, and the position cannot be proven.
        gate.send("stop");
        QTRY_COMPARE_WITH_TIMEOUT(panel->toolTip(), QStringLiteral("A kapuvezérlő nem válaszol."), kSlowMs);
        QVERIFY(!gateAction(*kelvo, "kapuSorompo")->isEnabled());
        QCOMPARE(station.positionRefusal(true)->message, QString::fromUtf8(GatePosition::kUnproven));
        QVERIFY(!station.positionRefusal(false));
        gate.send("start");
        QTRY_COMPARE_WITH_TIMEOUT(panel->text(), QStringLiteral("Kapuvezérlő: rendben"), kSlowMs);
        kelvo->shutdown();
    }

    // The settings page's "Próba" looks at the module with the values entered, without saving them; OK makes the
    // station's module from them.
    void settingsPage()
    {
        GateSimProcess gate;
        QVERIFY(gate.port() > 0);
        gate.send("Fenykapu2 on");
        auto kelvo = start({});
        QCOMPARE(kelvo->state(), Kelvo::State::Running);
        QVERIFY(!kelvo->gate().station().hasModule());
        QVERIFY(!gateAction(*kelvo, "kapuSorompo")->isEnabled());

        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
        const quint16 closedPort = closed.serverPort();
        closed.close();
        QString refused, answered;
        Tbeallitasok *dialog = kelvo->beallitasok();
        whenShown(dialog, [&] {
            GatePage *page = dialog->gatePage();
            QVERIFY(!page->findChild<QLineEdit *>(QStringLiteral("kapuhost"))->isEnabled());
            QTest::mouseClick(dialog->ui()->CheckBox1, Qt::LeftButton);
            page->findChild<QLineEdit *>(QStringLiteral("kapuhost"))->setText(QStringLiteral("127.0.0.1"));
            page->findChild<QLineEdit *>(QStringLiteral("kapuFenykapu2"))->setText(QStringLiteral("1"));
            page->findChild<QLineEdit *>(QStringLiteral("kapuSorompo"))->setText(QStringLiteral("4"));
            auto *port = page->findChild<QSpinBox *>(QStringLiteral("kapuport"));
            for (const int p : {int(closedPort), gate.port()}) {
                port->setValue(p);
                QTest::mouseClick(page->probeButton(), Qt::LeftButton);
                QTRY_VERIFY_WITH_TIMEOUT(page->probeButton()->isEnabled(), kSlowMs);
                (p == gate.port() ? answered : refused) = page->probeResult()->text();
            }
            QTest::mouseClick(dialog->ui()->Button1, Qt::LeftButton);
        });
        kelvo->settingsCommands().open();
        settle(*kelvo);
        QVERIFY2(refused.startsWith(QStringLiteral("A kapuvezérlő nem érhető el")), qPrintable(refused));
        QCOMPARE(answered, QStringLiteral("A kapuvezérlő válaszol.\nBemenetek: Fenykapu2 be\nKimenetek: Sorompo ki"));
        QTRY_COMPARE_WITH_TIMEOUT(kelvo->Foform()->gatePanel()->text(), QStringLiteral("Kapuvezérlő: rendben"),
                                  kSlowMs);
        QVERIFY(gateAction(*kelvo, "kapuSorompo")->isEnabled());
        QVERIFY(!gateAction(*kelvo, "kapuBeZold")->isEnabled());
        kelvo->shutdown();
    }
};

QTEST_MAIN(TestGateWiring)
#include "tst_gatewiring.moc"
