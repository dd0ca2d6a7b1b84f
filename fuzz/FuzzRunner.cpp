#include "FuzzRunner.h"

#include "Mutator.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace {

// Written only between inputs, by the fuzzing thread; the watchdog reads them only to report a stuck input, while
// the fuzzing thread is inside that input and touches neither.
QString g_target;
QByteArray g_input;

std::int64_t steadyNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Files go to memory where the system offers it: file parsers run millions of times.
QString temporaryBase()
{
    return QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
}

} // namespace

QByteArray hexDump(const QByteArray &input)
{
    QByteArray out;
    for (qsizetype i = 0; i < input.size(); i += 32)
        out += input.mid(i, 32).toHex(' ') + '\n';
    return out;
}

void propertyFailed(const QString &what)
{
    std::fprintf(stderr, "kelvofuzz: %s: property failed: %s\ninput (%lld bytes, hex):\n%s", qPrintable(g_target),
                 qPrintable(what), static_cast<long long>(g_input.size()), hexDump(g_input).constData());
    std::fflush(stderr);
    std::exit(1);
}

QString FuzzRunner::currentTarget()
{
    return g_target;
}

QByteArray FuzzRunner::currentInput()
{
    return g_input;
}

FuzzRunner::FuzzRunner(std::chrono::milliseconds inputLimit)
    : m_limit(inputLimit)
    , m_watchdog([this] { watch(); })
{
}

FuzzRunner::~FuzzRunner()
{
    m_stop = true;
    m_watchdog.join();
}

void FuzzRunner::watch()
{
    const std::int64_t limit = std::chrono::duration_cast<std::chrono::nanoseconds>(m_limit).count();
    while (!m_stop) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const std::int64_t started = m_startedAt.load();
        if (started != 0 && steadyNanoseconds() - started > limit) {
            std::fprintf(stderr, "kelvofuzz: %s: one input ran longer than %lld ms (a hang)\ninput (%lld bytes, hex):\n%s",
                         qPrintable(g_target), static_cast<long long>(m_limit.count()),
                         static_cast<long long>(g_input.size()), hexDump(g_input).constData());
            std::fflush(stderr);
            std::abort();
        }
    }
}

void FuzzRunner::runOne(const FuzzTarget &target, const QByteArray &input, const QString &folder)
{
    g_input = input;
    m_startedAt = steadyNanoseconds();
    target.run(input, folder);
    m_startedAt = 0;
}

FuzzRunner::Figures FuzzRunner::run(const FuzzTarget &target, std::uint64_t seed, qint64 iterations, double seconds)
{
    g_target = target.name;
    QTemporaryDir folder(temporaryBase() + QStringLiteral("/kelvofuzz-XXXXXX"));
    const QString path = folder.path() + QLatin1Char('/');
    Mutator mutator(seed, target.seeds, target.dictionary, target.maxSize);

    Figures figures;
    QElapsedTimer clock;
    clock.start();
    const qint64 limitMs = qint64(seconds * 1000);
    // Every seed as it is first: the real files must pass before their mutations mean anything.
    for (const QByteArray &input : target.seeds) {
        runOne(target, input, path);
        ++figures.inputs;
    }
    while ((iterations == 0 || figures.inputs < iterations) && (limitMs == 0 || clock.elapsed() < limitMs)) {
        // The clock is looked at every input; cheap beside any parser.
        runOne(target, mutator.next(), path);
        ++figures.inputs;
    }
    figures.seconds = double(clock.nsecsElapsed()) / 1e9;
    return figures;
}

void FuzzRunner::replay(const FuzzTarget &target, const QByteArray &input)
{
    g_target = target.name;
    QTemporaryDir folder(temporaryBase() + QStringLiteral("/kelvofuzz-XXXXXX"));
    runOne(target, input, folder.path() + QLatin1Char('/'));
}
