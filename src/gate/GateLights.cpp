#include "GateLights.h"

#include "Config.h"

GateLights::GateLights(const QStringList &configuredCoils, qint64 loadThreshold)
    : m_configured(configuredCoils.cbegin(), configuredCoils.cend())
    , m_threshold(loadThreshold)
{
}

GateLights::Output GateLights::weight(qint64 kilograms)
{
    const bool loaded = kilograms > m_threshold;
    if (loaded && m_phase == Phase::Idle) {
        m_phase = Phase::Loaded;
    } else if (!loaded && m_phase != Phase::Idle) {
        m_phase = Phase::Idle;
    } else {
        return current();
    }
    m_manualEntry.reset();
    m_manualExit.reset();
    return current();
}

GateLights::Output GateLights::weighingStored(bool finished)
{
    if (m_phase == Phase::Idle)
        return current();
    m_phase = Phase::Weighed;
    m_manualEntry.reset();
    m_manualExit.reset();
    Output out = current();
    out.pulseBarrier = finished && m_configured.contains(QLatin1String(Keys::Sorompo.name));
    return out;
}

GateLights::Output GateLights::manualLight(Light light, Aspect aspect)
{
    (light == Light::Entry ? m_manualEntry : m_manualExit) = aspect;
    return current();
}

GateLights::Output GateLights::manualBarrier()
{
    Output out = current();
    out.pulseBarrier = m_configured.contains(QLatin1String(Keys::Sorompo.name));
    return out;
}

GateLights::Aspect GateLights::aspect(Light light) const
{
    if (light == Light::Entry) {
        if (m_manualEntry)
            return *m_manualEntry;
        return m_phase == Phase::Idle ? Aspect::Green : Aspect::Red;
    }
    if (m_manualExit)
        return *m_manualExit;
    return m_phase == Phase::Weighed ? Aspect::Green : Aspect::Red;
}

GateLights::Output GateLights::current() const
{
    Output out;
    const auto put = [&](const ConfigKey &key, bool on) {
        if (m_configured.contains(QLatin1String(key.name)))
            out.coils.insert(QLatin1String(key.name), on);
    };
    const Aspect entry = aspect(Light::Entry);
    const Aspect exit = aspect(Light::Exit);
    put(Keys::BePiros, entry == Aspect::Red);
    put(Keys::BeZold, entry == Aspect::Green);
    put(Keys::KiPiros, exit == Aspect::Red);
    put(Keys::KiZold, exit == Aspect::Green);
    return out;
}
