#include "GateWiring.h"

#include "Config.h"
#include "DatabaseWorker.h"
#include "GateSettings.h"
#include "GateStation.h"
#include "Kelvo.h"
#include "SlotGuard.h"
#include "Trail.h"
#include "WeightLink.h"
#include "WorkerCall.h"

#include "TFoform.h"

#include <QAction>
#include <QLabel>
#include <QMenu>

namespace {

constexpr char kConnecting[] = "Kapuvezérlő: kapcsolódás...";
constexpr char kConnected[] = "Kapuvezérlő: rendben";
constexpr int kGatePanelWidth = 180;

struct LightCommand {
    const char *action;
    GateLights::Light light;
    GateLights::Aspect aspect;
};

constexpr LightCommand kLightCommands[] = {
    {"kapuBeZold", GateLights::Light::Entry, GateLights::Aspect::Green},
    {"kapuBePiros", GateLights::Light::Entry, GateLights::Aspect::Red},
    {"kapuKiZold", GateLights::Light::Exit, GateLights::Aspect::Green},
    {"kapuKiPiros", GateLights::Light::Exit, GateLights::Aspect::Red},
};

} // namespace

GateWiring::GateWiring(Kelvo &kelvo)
    : m_kelvo(kelvo)
    , m_station(std::make_unique<GateStation>())
{
    TFoform *main = kelvo.Foform();
    connect(kelvo.weightLink(), &WeightLink::weightChanged, m_station.get(),
            [this](qint32 kilograms, const QString &) { m_station->weight(kilograms); });
    connect(m_station.get(), &GateStation::linkChanged, this, &GateWiring::showLink);

    QMenu *menu = main->gateMenu();
    if (QAction *barrier = menu->findChild<QAction *>(QStringLiteral("kapuSorompo")))
        connect(barrier, &QAction::triggered, this, guarded([this] { openBarrier(); }));
    for (const LightCommand &command : kLightCommands) {
        if (QAction *action = menu->findChild<QAction *>(QLatin1String(command.action)))
            connect(action, &QAction::triggered, this,
                    guarded([this, command] { setLight(command.light, command.aspect); }));
    }
    showLink();
}

GateWiring::~GateWiring() = default;

void GateWiring::configure()
{
    m_station->configure(GateSettings::fromConfig(*m_kelvo.config()), m_kelvo.settings().minautosuly);
}

void GateWiring::close()
{
    m_station->configure(GateSettings{}, m_kelvo.settings().minautosuly);
}

void GateWiring::weighingStored(bool finished)
{
    m_station->weighingStored(finished);
}

void GateWiring::openBarrier()
{
    if (m_station->openBarrier())
        record(QLatin1String(Keys::Sorompo.name), QStringLiteral("nyitás"));
}

void GateWiring::setLight(GateLights::Light light, GateLights::Aspect aspect)
{
    QString point;
    if (m_station->setLight(light, aspect, &point))
        record(point, point.endsWith(aspect == GateLights::Aspect::Green ? u"Zold" : u"Piros") ? QStringLiteral("be")
                                                                                                 : QStringLiteral("ki"));
}

void GateWiring::record(const QString &point, const QString &state)
{
    DatabaseWorker *worker = m_kelvo.worker();
    if (!worker)
        return;
    // The barrier has moved whatever the trail says: a failure to record it is shown, nothing more.
    WorkerCall::then(worker->run([point, state](QSqlDatabase db) { Trail::gateCommand(db, point, state); }),
                     m_kelvo.Foform(), [] {});
}

void GateWiring::showLink()
{
    TFoform *main = m_kelvo.Foform();
    const GateModule::Link link = m_station->link();
    const bool configured = m_station->hasModule();
    const bool connected = link == GateModule::Link::Connected;

    QLabel *panel = main->gatePanel();
    panel->setVisible(configured);
    const char *colour = connected ? "#1b7f2a" : link == GateModule::Link::Lost ? "#c00000" : "#808080";
    const QString text = connected                        ? QString::fromUtf8(kConnected)
                         : link == GateModule::Link::Lost ? m_station->reason()
                                                          : QString::fromUtf8(kConnecting);
    // A long reason would push the scale's state out of the bar: the panel shows its start, the tip all of it.
    panel->setText(panel->fontMetrics().elidedText(text, Qt::ElideRight, kGatePanelWidth));
    panel->setToolTip(text);
    panel->setStyleSheet(QStringLiteral("#StatusPanelKapu { color: white; background: %1; padding: 0 6px; }")
                             .arg(QLatin1String(colour)));

    main->gateButton()->setVisible(configured);
    main->gateButton()->setEnabled(connected);
    QMenu *menu = main->gateMenu();
    if (QAction *barrier = menu->findChild<QAction *>(QStringLiteral("kapuSorompo")))
        barrier->setEnabled(connected && m_station->hasBarrier());
    for (const LightCommand &command : kLightCommands) {
        if (QAction *action = menu->findChild<QAction *>(QLatin1String(command.action)))
            action->setEnabled(connected && m_station->hasLight(command.light));
    }
}
