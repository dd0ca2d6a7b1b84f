#include "GateSimOptions.h"
#include "GateSimulator.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTime>

#include <cstdio>
#include <unistd.h>

namespace {

QString now()
{
    return QTime::currentTime().toString(QStringLiteral("hh:mm:ss.zzz"));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    GateSimOptions options;
    QString error;
    if (!GateSimOptions::parse(app.arguments().mid(1), &options, &error)) {
        std::fprintf(stderr, "gatesim: %s\n%s", qPrintable(error), qPrintable(GateSimOptions::usage()));
        return 2;
    }
    if (options.help) {
        std::printf("%s", qPrintable(GateSimOptions::usage()));
        return 0;
    }
    GateSimulator simulator(options);
    if (!simulator.listen(&error)) {
        std::fprintf(stderr, "gatesim: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("%u\n", unsigned(simulator.port()));
    std::fflush(stdout);
    QObject::connect(&simulator, &GateSimulator::coilChanged, [](const QString &name, bool on) {
        std::printf("%s %s %s\n", qPrintable(now()), qPrintable(name), on ? "on" : "off");
        std::fflush(stdout);
    });
    QObject::connect(&simulator, &GateSimulator::inputChanged, [](const QString &name, bool on) {
        std::fprintf(stderr, "%s input %s %s\n", qPrintable(now()), qPrintable(name), on ? "on" : "off");
    });

    // Commands on standard input, one a line; its end changes nothing (the simulator runs until it is stopped).
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[1024];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            input.setEnabled(false);
            return;
        }
        pending.append(buffer, n);
        qsizetype end = 0;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(pending.left(end));
            pending.remove(0, end + 1);
            if (const QString problem = simulator.command(line); !problem.isEmpty())
                std::fprintf(stderr, "gatesim: %s\n", qPrintable(problem));
        }
    });
    return app.exec();
}
