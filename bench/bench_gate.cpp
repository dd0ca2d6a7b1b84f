// A weighing at a gate with four cameras, one of them dead, as the window program stores it: how long from the store
// asked for to the weighing in the database with its four pictures (three JPEGs and the dead one's reason), how long
// from the stored weighing to gatesim's exit light turning green, and the window thread's worst stall meanwhile (a
// 10 ms heartbeat on it). camsim and gatesim run as real processes on the loopback; the database is a SQLite file.
// Run by hand:
//   bench_gate [--runs N] [--timeout MS]
// --runs: weighings (default 10); --timeout: the cameras' time limit (default 2000, the setting's default).

#include "../tests/scale/UiHeartbeat.h"
#include "CameraWiring.h"
#include "Database.h"
#include "GateStation.h"
#include "GateWiring.h"
#include "Kelvo.h"
#include "MainCommands.h"
#include "Pictures.h"
#include "Schema.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

// A simulator as a child process; its first line is its port, its later lines its log.
class Simulator
{
public:
    Simulator(const QString &program, const QStringList &args)
    {
        m_process.start(program, args);
        m_process.waitForStarted(10000);
        while (!m_process.canReadLine() && m_process.waitForReadyRead(10000)) {
        }
        m_port = QString::fromLocal8Bit(m_process.readLine()).trimmed();
        if (m_port.toUShort() == 0)
            qFatal("%s did not start", qPrintable(program));
    }
    ~Simulator()
    {
        m_process.kill();
        m_process.waitForFinished(10000);
    }
    QString port() const { return m_port; }
    QProcess &process() { return m_process; }

private:
    QProcess m_process;
    QString m_port;
};

struct Figures {
    QList<qint64> ms;
    qint64 median() const
    {
        QList<qint64> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        return sorted.isEmpty() ? 0 : sorted.at(sorted.size() / 2);
    }
    qint64 worst() const { return ms.isEmpty() ? 0 : *std::max_element(ms.cbegin(), ms.cend()); }
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("runs"), QStringLiteral("Weighings."), QStringLiteral("N"), QStringLiteral("10")});
    parser.addOption({QStringLiteral("timeout"), QStringLiteral("Camera time limit, ms."), QStringLiteral("MS"),
                      QStringLiteral("2000")});
    parser.process(app);
    const int runs = parser.value(QStringLiteral("runs")).toInt();
    const QByteArray timeout = parser.value(QStringLiteral("timeout")).toUtf8();
    const QString tools = QCoreApplication::applicationDirPath() + QStringLiteral("/../tools/");

    std::vector<std::unique_ptr<Simulator>> cameras;
    for (const char *name : {"Bejárat", "Kijárat", "Mérleg"})
        cameras.push_back(std::make_unique<Simulator>(tools + QStringLiteral("camsim/camsim"),
                                                      QStringList{QStringLiteral("--name"), QString::fromUtf8(name)}));
    cameras.push_back(
        std::make_unique<Simulator>(tools + QStringLiteral("camsim/camsim"), QStringList{QStringLiteral("--dead")}));
    Simulator gate(tools + QStringLiteral("gatesim/gatesim"), {});

    QTemporaryDir dir;
    const QString home = dir.path() + QLatin1Char('/');
    const QString datapath = home + QStringLiteral("kelvo.mdb");
    if (const QString error = Schema::createDatabase(datapath); !error.isEmpty())
        qFatal("%s", qPrintable(error));
    QByteArray ini = "[Opt]\nkarbantart=0\nPrintmode=0\ndatapath=" + datapath.toUtf8() +
                     "\n[ComPort1]\nPort=/nonexistent\n[Kapu]\nHost=127.0.0.1\nPort=" + gate.port().toUtf8() +
                     "\nBePiros=0\nBeZold=1\nKiPiros=2\nKiZold=3\n";
    for (int i = 0; i < 4; ++i)
        ini += "[Kamera" + QByteArray::number(i + 1) + "]\nURL=http://127.0.0.1:" + cameras[i]->port().toUtf8() +
               "/snapshot.jpg\nTimeout=" + timeout + "\n";
    {
        QFile file(home + QStringLiteral("Kelvo.ini"));
        file.open(QIODevice::WriteOnly);
        file.write(ini);
        QFile(home + QStringLiteral("sajatceg.txt")).open(QIODevice::WriteOnly);
    }

    Kelvo kelvo(home);
    kelvo.setPrinterCheck([] { return true; });
    kelvo.createWindows();
    kelvo.firstShow();
    kelvo.initialise();
    runEvents(60000, [&] { return kelvo.state() != Kelvo::State::Starting; });
    if (kelvo.state() != Kelvo::State::Running)
        qFatal("kelvo did not start");
    GateStation &station = kelvo.gate().station();
    runEvents(10000, [&] { return station.link() == GateModule::Link::Connected; });

    // gatesim's coil log, read as it arrives: the moment each line comes is the moment the light changed.
    QString log;
    QElapsedTimer clock;
    clock.start();
    qint64 exitGreenAt = -1;
    QObject::connect(&gate.process(), &QProcess::readyReadStandardOutput, &app, [&] {
        log += QString::fromLocal8Bit(gate.process().readAllStandardOutput());
        if (exitGreenAt < 0 && log.contains(QStringLiteral("KiZold on")))
            exitGreenAt = clock.elapsed();
    });

    UiHeartbeat heartbeat([] { return qsizetype(0); });
    Figures stored, green, stalls;
    Database own(datapath);
    own.open();
    for (int run = 0; run < runs; ++run) {
        heartbeat.start();
        // A vehicle drives on: both lights red; the exit turns green once its weight is stored.
        station.weight(0);
        runEvents(300);
        station.weight(24000 + run);
        runEvents(300);
        log.clear();
        exitGreenAt = -1;
        const qint64 asked = clock.elapsed();
        QFuture<void> future = kelvo.commands().storeAutoWeighing(QDateTime::currentDateTime(), 24000 + run);
        runEvents(30000, [&] { return future.isFinished(); });
        const qint64 storedAt = clock.elapsed();
        kelvo.weighingStored(false);
        runEvents(10000, [&] { return exitGreenAt >= 0; });
        if (exitGreenAt < 0)
            qFatal("the exit light did not turn green");
        heartbeat.stop();
        stored.ms.append(storedAt - asked);
        green.ms.append(exitGreenAt - storedAt);
        stalls.ms.append(heartbeat.worstLateMs());
    }

    QSqlQuery count(own.db());
    count.exec(QStringLiteral("SELECT COUNT(*), SUM(CASE WHEN hash IS NOT NULL AND hash <> '' THEN 1 ELSE 0 END) FROM kepek"));
    count.next();
    std::printf("weighing with 4 cameras (1 dead, limit %s ms) stored: median %lld ms, worst %lld ms (%d runs; %d "
                "pictures, %d JPEGs)\n",
                timeout.constData(), stored.median(), stored.worst(), runs, count.value(0).toInt(),
                count.value(1).toInt());
    std::printf("stored weighing to gatesim's exit light green:  median %lld ms, worst %lld ms\n", green.median(),
                green.worst());
    std::printf("window thread's worst stall meanwhile:          median %lld ms, worst %lld ms (first weighing %lld ms)\n",
                stalls.median(), stalls.worst(), stalls.ms.value(0));
    kelvo.shutdown();
    return 0;
}
