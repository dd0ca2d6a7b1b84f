#include "GateStation.h"

#include "Config.h"
#include "GatePosition.h"

namespace {

bool sameSettings(const GateSettings &a, const GateSettings &b)
{
    return a.host == b.host && a.port == b.port && a.unit == b.unit && a.pulseMs == b.pulseMs &&
           a.coils == b.coils && a.inputs == b.inputs;
}

QString key(const ConfigKey &k)
{
    return QLatin1String(k.name);
}

} // namespace

GateStation::GateStation(QObject *parent)
    : QObject(parent)
{
}

GateStation::~GateStation() = default;

void GateStation::configure(const GateSettings &settings, qint64 loadThreshold)
{
    const bool same = sameSettings(settings, m_settings) && loadThreshold == m_threshold && m_lights;
    if (same)
        return;
    m_settings = settings;
    m_threshold = loadThreshold;
    m_lights = std::make_unique<GateLights>(QStringList(settings.coils.keyBegin(), settings.coils.keyEnd()),
                                            loadThreshold);
    if (m_lastWeight)
        m_lights->weight(*m_lastWeight);
    m_module.reset();
    if (settings.hasModule()) {
        m_module = std::make_unique<GateModule>(settings);
        connect(m_module.get(), &GateModule::linkChanged, this, [this](GateModule::Link link, const QString &why) {
            // A module back after a loss (or a restart) shows what the weighing wants now.
            if (link == GateModule::Link::Connected)
                apply(m_lights->current());
            emit linkChanged(link, why);
        });
        // Written as soon as the module answers.
        m_module->setCoils(m_lights->current().coils);
        m_module->start();
    }
    emit moduleChanged();
    emit linkChanged(link(), reason());
}

GateModule::Link GateStation::link() const
{
    return m_module ? m_module->link() : GateModule::Link::Off;
}

QString GateStation::reason() const
{
    return m_module ? m_module->reason() : QString();
}

void GateStation::weight(qint64 kilograms)
{
    m_lastWeight = kilograms;
    if (m_lights)
        apply(m_lights->weight(kilograms));
}

void GateStation::weighingStored(bool finished)
{
    if (m_lights)
        apply(m_lights->weighingStored(finished));
}

bool GateStation::hasLight(GateLights::Light light) const
{
    const bool entry = light == GateLights::Light::Entry;
    return m_settings.coils.contains(key(entry ? Keys::BePiros : Keys::KiPiros)) ||
           m_settings.coils.contains(key(entry ? Keys::BeZold : Keys::KiZold));
}

bool GateStation::hasBarrier() const
{
    return m_settings.coils.contains(key(Keys::Sorompo));
}

bool GateStation::setLight(GateLights::Light light, GateLights::Aspect aspect, QString *point)
{
    if (!m_module || m_module->link() != GateModule::Link::Connected || !hasLight(light))
        return false;
    apply(m_lights->manualLight(light, aspect));
    if (point) {
        // Recorded under the coil that lights the aspect asked for, or the other one put out when the site lacks it.
        const bool entry = light == GateLights::Light::Entry;
        const QString red = key(entry ? Keys::BePiros : Keys::KiPiros);
        const QString green = key(entry ? Keys::BeZold : Keys::KiZold);
        const QString wanted = aspect == GateLights::Aspect::Green ? green : red;
        *point = m_settings.coils.contains(wanted) ? wanted : (wanted == red ? green : red);
    }
    return true;
}

bool GateStation::openBarrier()
{
    if (!m_module || !hasBarrier())
        return false;
    return m_module->pulseBarrier();
}

std::optional<Refusal> GateStation::positionRefusal(bool required) const
{
    if (m_module)
        return GatePosition::check(required, *m_module);
    return GatePosition::check(required, m_settings, GateModule::Link::Off, {});
}

void GateStation::apply(const GateLights::Output &out)
{
    if (!m_module)
        return;
    m_module->setCoils(out.coils);
    // A pulse the module cannot take now is not kept for later: it could open in front of the wrong truck.
    if (out.pulseBarrier)
        m_module->pulseBarrier();
}
