// kelvofuzz: every input parser fed generated and mutated inputs. A crash or a sanitizer report ends the run with
// the sanitizer's report; a broken property or an input that hangs ends it with the input printed in hex.

#include "FuzzRunner.h"
#include "FuzzTarget.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <cstdlib>

namespace {

int usage()
{
    std::fprintf(stderr, "usage: kelvofuzz [--target NAME|all] [--iterations N] [--seconds S] [--seed N]\n"
                         "       kelvofuzz --target NAME --replay FILE\n"
                         "targets:");
    for (const FuzzTarget &t : fuzzTargets())
        std::fprintf(stderr, " %s", qPrintable(t.name));
    std::fprintf(stderr, "\n");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QString targetName = QStringLiteral("all");
    qint64 iterations = 0;
    double seconds = 0;
    quint64 seed = 1;
    QString replay;
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (i + 1 >= args.size())
            return usage();
        const QString value = args.at(++i);
        bool ok = true;
        if (arg == QLatin1String("--target"))
            targetName = value;
        else if (arg == QLatin1String("--iterations"))
            iterations = value.toLongLong(&ok);
        else if (arg == QLatin1String("--seconds"))
            seconds = value.toDouble(&ok);
        else if (arg == QLatin1String("--seed"))
            seed = value.toULongLong(&ok);
        else if (arg == QLatin1String("--replay"))
            replay = value;
        else
            return usage();
        if (!ok || iterations < 0 || seconds < 0)
            return usage();
    }
    if (iterations == 0 && seconds == 0)
        iterations = 100000;

    QList<FuzzTarget> targets;
    for (const FuzzTarget &t : fuzzTargets()) {
        if (targetName == QLatin1String("all") || t.name == targetName)
            targets.append(t);
    }
    if (targets.isEmpty())
        return usage();

    FuzzRunner runner;
    if (!replay.isEmpty()) {
        QFile file(replay);
        if (targets.size() != 1 || !file.open(QIODevice::ReadOnly))
            return usage();
        runner.replay(targets.first(), file.readAll());
        std::printf("%s: the input passed\n", qPrintable(targets.first().name));
        return 0;
    }
    for (const FuzzTarget &t : targets) {
        const FuzzRunner::Figures f = runner.run(t, seed, iterations, seconds);
        std::printf("%-9s %12lld inputs  %9.1f s  %10.0f inputs/s  seed %llu\n", qPrintable(t.name),
                    static_cast<long long>(f.inputs), f.seconds, f.seconds > 0 ? double(f.inputs) / f.seconds : 0.0,
                    static_cast<unsigned long long>(seed));
        std::fflush(stdout);
    }
    return 0;
}
