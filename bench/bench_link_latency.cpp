// Latency from a frame written by the simulator's pseudo-terminal line to the weight link's new label text:
// median and 99th percentile over a number of frames (default 1000).
#include "FrameFormat.h"
#include "PtyLine.h"
#include "WeightLink.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000;

    PtyLine line;
    QString error;
    if (!line.open(QString(), &error)) {
        std::fprintf(stderr, "bench_link_latency: %s\n", qPrintable(error));
        return 1;
    }
    WeightLink link;
    link.comPort().setPort(line.devicePath());
    link.comPort().Open();
    if (!link.comPort().Connected()) {
        std::fprintf(stderr, "bench_link_latency: cannot open %s\n", qPrintable(line.devicePath()));
        return 1;
    }

    std::vector<qint64> latencies;
    latencies.reserve(count);
    QElapsedTimer clock;
    clock.start();
    qint64 sentAt = 0;
    int next = 1;
    const auto sendNext = [&] {
        sentAt = clock.nsecsElapsed();
        line.send(FrameFormat::frame(FrameFormat::Format::Plain, next));
    };
    QObject::connect(&link, &WeightLink::labelChanged, [&](const QString &text, const QString &) {
        if (text != formatWeight(next))
            return;
        latencies.push_back(clock.nsecsElapsed() - sentAt);
        if (int(latencies.size()) == count) {
            app.quit();
            return;
        }
        ++next;
        // A short pause between frames, as an indicator sends them, so each one is timed on its own.
        QTimer::singleShot(1, sendNext);
    });
    QTimer::singleShot(0, sendNext);
    app.exec();

    std::sort(latencies.begin(), latencies.end());
    const auto at = [&](double q) { return latencies[std::min<size_t>(latencies.size() - 1, size_t(q * latencies.size()))] / 1000.0; };
    std::printf("frames %zu  median %.1f us  p99 %.1f us  max %.1f us\n", latencies.size(), at(0.5), at(0.99),
                latencies.back() / 1000.0);
    return 0;
}
