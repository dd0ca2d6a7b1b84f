// Faults of the scale line while the whole program runs offscreen, each many times (default 20): how long until a
// good weight is on the label again after the fault ends (median, worst), and the longest the window's thread went
// without serving its events during the fault and the recovery (median, worst), beside the same figure without a
// fault.
//   bench_linkfaults [REPEATS] [FAULT_MS] [TEXT: only the faults whose name holds it]
#include "FaultyIndicator.h"
#include "Kelvo.h"
#include "MessageBoxes.h"
#include "Schema.h"
#include "TFoform.h"
#include "UiHeartbeat.h"
#include "WeightLink.h"

#include "ui_TFoform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

enum class Fault { Vanish, Garbage, Split };

struct Case {
    const char *name;
    FaultyIndicator::Line line;
    Fault fault;
};

qint64 median(std::vector<qint64> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

qint64 worst(const std::vector<qint64> &values)
{
    return values.empty() ? -1 : *std::max_element(values.begin(), values.end());
}

// Resident memory of this process in MiB.
double residentMiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0) : -1;
}

bool runCase(const Case &c, int repeats, int faultMs)
{
    QTemporaryDir dir;
    const QString home = dir.path() + QLatin1Char('/');
    qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("xdg")).toUtf8());
    if (!Schema::createFile(home + QStringLiteral("kelvo.mdb")).isEmpty())
        return false;
    QFile company(home + QStringLiteral("sajatceg.txt"));
    if (!company.open(QIODevice::WriteOnly))
        return false;
    company.write("Bench Kft.\r\n");
    company.close();

    const bool serial = c.line == FaultyIndicator::Line::Serial;
    FaultyIndicator indicator(c.line, home + QStringLiteral("scale"));
    QFile ini(home + QStringLiteral("Kelvo.ini"));
    if (!indicator.isValid() || !ini.open(QIODevice::WriteOnly))
        return false;
    ini.write("[Opt]\nkarbantart=0\n");
    ini.write(serial ? "[ComPort1]\nPort=" + indicator.port().toUtf8() + '\n'
                     : "sulylekerdez=1\nhostip=127.0.0.1\nhostport=" + indicator.port().toUtf8()
                           + "\n[ComPort1]\nPort=" + home.toUtf8() + "no-port\n");
    ini.close();

    auto kelvo = std::make_unique<Kelvo>(home);
    kelvo->setPrinterCheck([] { return true; });
    kelvo->setToday([] { return QDate(2026, 12, 8); });
    if (!kelvo->createWindows())
        return false;
    kelvo->Foform()->show();
    WeightLink *link = kelvo->weightLink();
    QLabel *label = kelvo->Foform()->ui()->sulylabel1;
    qint32 weight = 1000;
    indicator.setWeight(weight);
    runEvents(10000, [&] { return label->text() == formatWeight(weight); });
    if (label->text() != formatWeight(weight)) {
        std::fprintf(stderr, "%s: no weight at start\n", c.name);
        return false;
    }

    UiHeartbeat heartbeat([link] { return link->comPort().lineBuffer().size() + link->pendingServerBytes(); });
    std::vector<qint64> recoveries, blocked, quiet;
    qsizetype largestBuffer = 0;
    double peakMiB = residentMiB();
    for (int i = 0; i < repeats; ++i) {
        heartbeat.start();
        runEvents(faultMs);
        heartbeat.stop();
        quiet.push_back(heartbeat.worstLateMs());

        heartbeat.start();
        switch (c.fault) {
        case Fault::Vanish: indicator.unplug(); break;
        case Fault::Garbage: indicator.setMode(FaultyIndicator::Mode::Garbage); break;
        case Fault::Split: indicator.setMode(FaultyIndicator::Mode::Split); break;
        }
        runEvents(faultMs);
        QElapsedTimer sinceEnd;
        sinceEnd.start();
        weight += 1;
        indicator.setWeight(weight);
        if (c.fault == Fault::Vanish)
            indicator.plugIn();
        else
            indicator.setMode(FaultyIndicator::Mode::Frames);
        runEvents(30000, [&] { return label->text() == formatWeight(weight); });
        heartbeat.stop();
        recoveries.push_back(label->text() == formatWeight(weight) ? sinceEnd.elapsed() : 30000);
        blocked.push_back(heartbeat.worstLateMs());
        largestBuffer = std::max(largestBuffer, heartbeat.largestBuffer());
        peakMiB = std::max(peakMiB, residentMiB());
    }
    std::printf("%-42s recovery median %5lld ms  worst %5lld ms | UI late median %4lld ms  worst %4lld ms"
                " (no fault: worst %4lld ms) | buffer max %6lld B  RSS max %.0f MiB\n",
                c.name, median(recoveries), worst(recoveries), median(blocked), worst(blocked), worst(quiet),
                qint64(largestBuffer), peakMiB);
    std::fflush(stdout);
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("KELVO_HOME", "");
    QApplication app(argc, argv);
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const int faultMs = argc > 2 ? std::max(10, std::atoi(argv[2])) : 1000;
    setMessageHook([](const MessageRequest &r) {
        std::fprintf(stderr, "message: %s\n", qPrintable(r.text));
        return 1;
    });

    using L = FaultyIndicator::Line;
    const Case cases[] = {
        {"serial device vanishes and comes back", L::Serial, Fault::Vanish},
        {"weight server drops and comes back", L::Server, Fault::Vanish},
        {"garbage at full speed on the serial line", L::Serial, Fault::Garbage},
        {"garbage at full speed from the server", L::Server, Fault::Garbage},
        {"serial frames split at every byte", L::Serial, Fault::Split},
        {"server frames split at every byte", L::Server, Fault::Split},
    };
    std::printf("%d repeats, each fault %d ms\n", repeats, faultMs);
    bool ok = true;
    const QString only = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();
    for (const Case &c : cases) {
        if (QString::fromLatin1(c.name).contains(only))
            ok = runCase(c, repeats, faultMs) && ok;
    }
    setMessageHook({});
    return ok ? 0 : 1;
}
