#include "Commands.h"

#include "Config.h"
#include "GateModule.h"
#include "GateSettings.h"
#include "Invocation.h"
#include "Trail.h"

#include <QEventLoop>
#include <QTimer>

#include <functional>

namespace {

const QString kNoModule = QStringLiteral("Nincs kapuvezérlő beállítva (Kelvo.ini [Kapu] Host).");
const QString kNoBarrier = QStringLiteral("Nincs sorompó beállítva (Kelvo.ini [Kapu] Sorompo).");
// Longer than the module's own limits, so that its verdict, not this one, ends the wait.
constexpr int kSlackMs = 1000;

// Runs the module until done() holds after one of its signals, or for ms; whether done() held.
bool waitFor(GateModule &module, const std::function<bool()> &done, int ms)
{
    QEventLoop loop;
    const auto check = [&] {
        if (done())
            loop.quit();
    };
    QObject::connect(&module, &GateModule::linkChanged, &loop, check);
    QObject::connect(&module, &GateModule::coilChanged, &loop, check);
    QObject::connect(&module, &GateModule::pulseFinished, &loop, check);
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    if (!done())
        loop.exec();
    return done();
}

// Connects and waits for the module's first answer; throws Refused with the reason when it gives none.
void connectOrRefuse(GateModule &module)
{
    module.start();
    const auto decided = [&] {
        return module.link() == GateModule::Link::Connected || module.link() == GateModule::Link::Lost;
    };
    waitFor(module, decided, GateModule::kConnectMs + GateModule::kAnswerMs + kSlackMs);
    if (module.link() != GateModule::Link::Connected)
        throw Refused(module.reason().isEmpty() ? QStringLiteral("A kapuvezérlő nem válaszol.") : module.reason());
}

int status(Invocation &call, const GateSettings &settings)
{
    GateModule module(settings);
    connectOrRefuse(module);
    for (const QString &key : GateSettings::coilKeys()) {
        if (module.coils().contains(key))
            call.out() << key << (module.coils().value(key) ? " on" : " off") << '\n';
    }
    for (const QString &key : GateSettings::inputKeys()) {
        if (module.inputs().contains(key))
            call.out() << key << (module.inputs().value(key) ? " on" : " off") << '\n';
    }
    return kDone;
}

int open(Invocation &call, const GateSettings &settings)
{
    const QString barrier = QLatin1String(Keys::Sorompo.name);
    if (!settings.coils.contains(barrier))
        throw Refused(kNoBarrier);
    // The trail must be writable before the barrier moves.
    const QSqlDatabase db = call.database();
    GateModule module(settings);
    connectOrRefuse(module);
    bool opened = false;
    bool finished = false;
    QString failure;
    QObject::connect(&module, &GateModule::coilChanged, &module, [&](const QString &key, bool on) {
        if (key == barrier && on)
            opened = true;
    });
    QObject::connect(&module, &GateModule::pulseFinished, &module, [&](bool ok, const QString &reason) {
        finished = true;
        if (!ok)
            failure = reason;
    });
    if (!module.pulseBarrier())
        throw Refused(module.reason());
    waitFor(module, [&] { return finished; }, settings.pulseMs + GateModule::kAnswerMs + kSlackMs);
    // A barrier that moved is in the trail, whatever happened after.
    if (opened)
        Trail::gateCommand(db, barrier, QStringLiteral("nyitás"));
    if (!finished)
        throw Refused(QStringLiteral("A kapuvezérlő nem válaszol."));
    if (!failure.isEmpty())
        throw Refused(failure);
    call.out() << barrier << " nyitás" << '\n';
    return kDone;
}

} // namespace

int gateCommand(Invocation &call)
{
    const QString what = call.args().operands().value(0);
    if (what != u"status" && what != u"open")
        throw BadArguments(QStringLiteral("give status or open"));
    const GateSettings settings = GateSettings::fromConfig(call.config());
    if (!settings.hasModule())
        throw Refused(kNoModule);
    return what == u"status" ? status(call, settings) : open(call, settings);
}
