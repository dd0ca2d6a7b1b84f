#include "LiveLink.h"

#include "Commands.h"
#include "Config.h"
#include "IniFile.h"
#include "Invocation.h"

#include <QEventLoop>
#include <QTimer>

#include <climits>

LiveLink::LiveLink(Invocation &call)
{
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
    if (m_stop.isStopped())
        return false;
    QObject::connect(&m_stop, &StopSignal::stopped, &loop, &QEventLoop::quit);
    QTimer end;
    end.setSingleShot(true);
    end.setTimerType(Qt::PreciseTimer);
    QObject::connect(&end, &QTimer::timeout, &loop, &QEventLoop::quit);
    if (ms > 0)
        end.start(ms);
    loop.exec();
    return done;
}
