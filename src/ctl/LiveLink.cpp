#include "LiveLink.h"

#include "Commands.h"
#include "Config.h"
#include "IniFile.h"
#include "Invocation.h"

#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

int g_signalPipe = -1;
struct sigaction g_oldTerm {};
struct sigaction g_oldInt {};

extern "C" void onStopSignal(int)
{
    const char byte = 1;
    // Only the byte is written here; the event loop ends the run between two frames, never inside a store.
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe, &byte, 1);
}

} // namespace

LiveLink::LiveLink(Invocation &call)
{
    if (::pipe2(m_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        throw Refused(QStringLiteral("pipe: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
    g_signalPipe = m_signalPipe[1];
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, &g_oldTerm);
    ::sigaction(SIGINT, &action, &g_oldInt);

    const Config &config = call.config();
    m_link.configure(WeightLinkSettings::fromConfig(config));
    const WeightServer server{config.boolean(Keys::sulylekerdez), config.string(Keys::hostip),
                              config.string(Keys::hostport)};
    m_link.setServerSource([server] { return server; });
    auto shown = std::make_shared<QString>();
    QObject::connect(&m_link, &WeightLink::statusTextChanged, &m_link, [&call, shown](const QString &text) {
        if (text.trimmed() == *shown)
            return;
        *shown = text.trimmed();
        call.err() << *shown << Qt::endl;
    });
    if (const QString &error = m_link.settings().profileError; !error.isEmpty())
        throw Refused(error);
    IniFile ini(config.ini().fileName());
    m_link.loadPortSettings(ini);
    if (!server.enabled && !m_link.comPort().Connected())
        throw Refused(m_link.statusText().trimmed());
}

LiveLink::~LiveLink()
{
    m_link.shutdown();
    ::sigaction(SIGTERM, &g_oldTerm, nullptr);
    ::sigaction(SIGINT, &g_oldInt, nullptr);
    g_signalPipe = -1;
    ::close(m_signalPipe[0]);
    ::close(m_signalPipe[1]);
}

int LiveLink::forOption(Invocation &call)
{
    const CommandLine &args = call.args();
    if (!args.has(QStringLiteral("--for")))
        return 0;
    bool ok = false;
    const qint64 seconds = args.value(QStringLiteral("--for")).toLongLong(&ok);
    if (!ok || seconds <= 0 || seconds > INT_MAX / 1000)
        throw BadArguments(QStringLiteral("--for takes a positive number of seconds"));
    return int(seconds * 1000);
}

void LiveLink::run(int ms)
{
    waitFor({}, ms);
}

bool LiveLink::waitFor(const std::function<bool()> &ready, int ms)
{
    QEventLoop loop;
    bool done = false;
    if (ready) {
        QObject::connect(&m_link, &WeightLink::frameDecoded, &loop, [&] {
            if (ready()) {
                done = true;
                loop.quit();
            }
        });
    }
    QSocketNotifier stop(m_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&stop, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
    QTimer end;
    end.setSingleShot(true);
    end.setTimerType(Qt::PreciseTimer);
    QObject::connect(&end, &QTimer::timeout, &loop, &QEventLoop::quit);
    if (ms > 0)
        end.start(ms);
    loop.exec();
    return done;
}
