#include "GateLights.h"
#include "GateModule.h"
#include "GatePosition.h"
#include "GateSimProcess.h"

#include <QHostAddress>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

#include <memory>

// The gate module against gatesim on the loopback: the lights through a whole transport as the module's coils show
// them, the position check, and a module lost and found again.
class TestGateModule : public QObject
{
    Q_OBJECT

    static constexpr int kSlowMs = 15000;

    static GateSettings settingsFor(int port)
    {
        GateSettings settings;
        settings.host = QStringLiteral("127.0.0.1");
        settings.port = port;
        settings.pulseMs = 200;
        settings.coils = {{"BePiros", 0}, {"BeZold", 1}, {"KiPiros", 2}, {"KiZold", 3}, {"Sorompo", 4}};
        settings.inputs = {{"Fenykapu1", 0}, {"Fenykapu2", 1}};
        return settings;
    }

    // A port nothing listens on.
    static int closedPort()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        return probe.serverPort();
    }

    static bool connected(GateModule &module)
    {
        return QTest::qWaitFor([&] { return module.link() == GateModule::Link::Connected; }, kSlowMs);
    }

    // Writes what the lights want and waits until the module reads it back, and for a pulse to end.
    static bool apply(GateModule &module, const GateLights::Output &out)
    {
        QSignalSpy pulsed(&module, &GateModule::pulseFinished);
        module.setCoils(out.coils);
        if (out.pulseBarrier && (!module.pulseBarrier() || !pulsed.wait(kSlowMs)))
            return false;
        return QTest::qWaitFor(
            [&] {
                for (auto it = out.coils.cbegin(); it != out.coils.cend(); ++it) {
                    if (module.coils().value(it.key(), !it.value()) != it.value())
                        return false;
                }
                return true;
            },
            kSlowMs);
    }

private slots:
    void wholeTransport()
    {
        GateSimProcess sim;
        QVERIFY(sim.port() > 0);
        GateModule module(settingsFor(sim.port()));
        module.start();
        QVERIFY(connected(module));

        GateLights lights(GateSettings::coilKeys(), 100);
        QVERIFY(apply(module, lights.current()));
        QVERIFY(apply(module, lights.weight(20)));     // below the threshold: still idle
        QVERIFY(apply(module, lights.weight(18000)));  // drives on
        QVERIFY(apply(module, lights.weighingStored(false)));
        QVERIFY(apply(module, lights.weight(18000)));  // stands on: nothing changes
        QVERIFY(apply(module, lights.weight(0)));      // drives off
        QVERIFY(apply(module, lights.weighingStored(false))); // a keyed weight on the empty bridge
        QVERIFY(apply(module, lights.weight(12000)));
        QVERIFY(apply(module, lights.weighingStored(true)));
        QVERIFY(apply(module, lights.weight(0)));
        // A light set by hand holds until the next weighing event.
        QVERIFY(apply(module, lights.manualLight(GateLights::Light::Exit, GateLights::Aspect::Green)));
        QVERIFY(apply(module, lights.weight(0)));
        QVERIFY(apply(module, lights.weight(9000)));

        QVERIFY(QTest::qWaitFor([&] { return sim.changes().size() >= 26; }, kSlowMs));
        const QStringList expected{
            "BeZold on",  "KiPiros on",                                                // idle
            "BePiros on", "BeZold off",                                                // load
            "KiPiros off", "KiZold on",                                                // first weighing
            "BePiros off", "BeZold on", "KiPiros on", "KiZold off",                    // empty
            "BePiros on", "BeZold off",                                                // load
            "KiPiros off", "KiZold on", "Sorompo on", "Sorompo off",                   // second weighing
            "BePiros off", "BeZold on", "KiPiros on", "KiZold off",                    // empty
            "KiPiros off", "KiZold on",                                                // exit green by hand
            "BePiros on", "BeZold off", "KiPiros on", "KiZold off",                    // load
        };
        QCOMPARE(sim.changes(), expected);
    }

    void positionRefusals_data()
    {
        QTest::addColumn<bool>("required");
        QTest::addColumn<QString>("module"); // running, unreachable, none
        QTest::addColumn<QByteArray>("interrupted");
        QTest::addColumn<QString>("refusal");

        const QString notOn = QString::fromUtf8(GatePosition::kNotOnBridge);
        const QString unproven = QString::fromUtf8(GatePosition::kUnproven);
        QTest::newRow("off, barrier 1 interrupted") << false << "running" << QByteArray("Fenykapu1") << QString();
        QTest::newRow("off, unreachable") << false << "unreachable" << QByteArray() << QString();
        QTest::newRow("on, clear") << true << "running" << QByteArray() << QString();
        QTest::newRow("on, barrier 1 interrupted") << true << "running" << QByteArray("Fenykapu1") << notOn;
        QTest::newRow("on, barrier 2 interrupted") << true << "running" << QByteArray("Fenykapu2") << notOn;
        QTest::newRow("on, unreachable") << true << "unreachable" << QByteArray() << unproven;
        QTest::newRow("on, no module") << true << "none" << QByteArray() << unproven;
    }
    void positionRefusals()
    {
        QFETCH(bool, required);
        QFETCH(QString, module);
        QFETCH(QByteArray, interrupted);
        QFETCH(QString, refusal);

        std::unique_ptr<GateSimProcess> sim;
        GateSettings settings = settingsFor(closedPort());
        if (module == u"running") {
            sim = std::make_unique<GateSimProcess>();
            settings.port = sim->port();
        } else if (module == u"none") {
            settings.host.clear();
        }
        GateModule gate(settings);
        gate.start();
        if (module == u"running") {
            QVERIFY(connected(gate));
            if (!interrupted.isEmpty()) {
                sim->send(interrupted + " on");
                QVERIFY(QTest::qWaitFor([&] { return gate.inputs().value(interrupted); }, kSlowMs));
            }
        } else if (module == u"unreachable") {
            QVERIFY(QTest::qWaitFor([&] { return gate.link() == GateModule::Link::Lost; }, kSlowMs));
        }
        const std::optional<Refusal> got = GatePosition::check(required, gate);
        QCOMPARE(got ? got->message : QString(), refusal);
    }

    // The module stops answering (a pulled cable keeps no connection open to close), or goes away and comes back on
    // the same port: the link goes lost with a reason and returns by itself, coils written again.
    void lostAndBack_data()
    {
        QTest::addColumn<bool>("restart");
        QTest::newRow("stops answering") << false;
        QTest::newRow("killed and restarted") << true;
    }
    void lostAndBack()
    {
        QFETCH(bool, restart);
        auto sim = std::make_unique<GateSimProcess>();
        const int port = sim->port();
        GateModule module(settingsFor(port));
        QSignalSpy links(&module, &GateModule::linkChanged);
        module.start();
        QVERIFY(connected(module));
        module.setCoil(QStringLiteral("BeZold"), true);
        QVERIFY(QTest::qWaitFor([&] { return module.coils().value(QStringLiteral("BeZold")); }, kSlowMs));

        if (restart)
            sim.reset();
        else
            sim->send("stop");
        QVERIFY(QTest::qWaitFor([&] { return module.link() == GateModule::Link::Lost; }, kSlowMs));
        // Stopped, it leaves the connection open: only the time limit can tell.
        QCOMPARE(module.reason().isEmpty(), false);
        if (!restart)
            QCOMPARE(module.reason(), QStringLiteral("A kapuvezérlő nem válaszol."));
        QVERIFY(module.inputs().isEmpty());
        QVERIFY(!module.pulseBarrier());

        if (restart)
            sim = std::make_unique<GateSimProcess>(QStringList{"--port", QString::number(port)});
        else
            sim->send("start");
        QVERIFY(connected(module));
        QVERIFY(QTest::qWaitFor([&] { return module.coils().value(QStringLiteral("BeZold")); }, kSlowMs));
        QCOMPARE(links.first().first().value<GateModule::Link>(), GateModule::Link::Connecting);
        QCOMPARE(links.last().first().value<GateModule::Link>(), GateModule::Link::Connected);
    }
};

QTEST_GUILESS_MAIN(TestGateModule)
#include "tst_gatemodule.moc"
