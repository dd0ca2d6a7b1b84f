#include "PtyLine.h"
#include "Simulator.h"
#include "SimulatorOptions.h"
#include "TcpLine.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <unistd.h>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    SimulatorOptions options;
    QString error;
    if (!SimulatorOptions::parse(app.arguments().mid(1), &options, &error)) {
        std::fprintf(stderr, "scalesim: %s\n%s", qPrintable(error), qPrintable(SimulatorOptions::usage()));
        return 2;
    }
    if (options.help) {
        std::printf("%s", qPrintable(SimulatorOptions::usage()));
        return 0;
    }
    // Ctrl+C and kill remove the link to the device before ending (only async-signal-safe calls in the handler).
    static char linkToRemove[4096] = {};
    std::snprintf(linkToRemove, sizeof linkToRemove, "%s", options.linkPath.toLocal8Bit().constData());
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        std::signal(sig, [](int) {
            if (linkToRemove[0] != 0)
                ::unlink(linkToRemove);
            ::_exit(0);
        });
    }

    Simulator simulator(options.profile, options.format);
    QObject::connect(&simulator, &Simulator::logLine, [](const QString &line) {
        std::fprintf(stderr, "%s %s\n", qPrintable(QTime::currentTime().toString(QStringLiteral("hh:mm:ss.zzz"))),
                     qPrintable(line));
    });

    std::function<void(const QByteArray &)> send;
    PtyLine pty;
    TcpLine tcp;
    if (options.tcpPort >= 0) {
        if (!tcp.listen(quint16(options.tcpPort), &error)) {
            std::fprintf(stderr, "scalesim: %s\n", qPrintable(error));
            return 1;
        }
        std::printf("listening on port %u\n", unsigned(tcp.port()));
        send = [&tcp](const QByteArray &bytes) { tcp.send(bytes); };
        QObject::connect(&tcp, &TcpLine::received,
                         [&](const QByteArray &bytes) { send(simulator.handleInput(bytes)); });
    } else {
        if (!pty.open(options.linkPath, &error)) {
            std::fprintf(stderr, "scalesim: %s\n", qPrintable(error));
            return 1;
        }
        std::printf("%s\n", qPrintable(pty.devicePath()));
        send = [&pty](const QByteArray &bytes) { pty.send(bytes); };
        QObject::connect(&pty, &PtyLine::received, [&](const QByteArray &bytes) { send(simulator.handleInput(bytes)); });
    }
    std::fflush(stdout);

    QTimer frames;
    if (options.intervalMs > 0 && simulator.sendsContinuously()) {
        QObject::connect(&frames, &QTimer::timeout, [&] { send(simulator.currentFrame()); });
        frames.start(options.intervalMs);
    }
    return app.exec();
}
