#pragma once

#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

// What the traffic lights and the barrier should do as a weighing goes on; no device here, the caller writes the
// outcome to the module. Idle: entry green, exit red. A load on the bridge: both red. A weighing stored with the
// load on: exit green; a finished transport (second weighing) also opens the barrier. The bridge empty again: idle.
// A weighing stored while the bridge is empty (a keyed or recalled weight) leaves lights and barrier alone: no
// vehicle stands there to be let off.
//
// The operator may set a light by hand; it holds until the next weighing event (a load arriving, a weighing stored,
// the bridge emptying), which puts the lights back under the weighing's rule.
class GateLights
{
public:
    enum class Phase { Idle, Loaded, Weighed };
    enum class Light { Entry, Exit };
    enum class Aspect { Red, Green, Dark };

    struct Output {
        // The wanted state of every configured light coil, by INI key.
        QMap<QString, bool> coils;
        // Open the barrier now (only when the site has one).
        bool pulseBarrier = false;
    };

    // configuredCoils: the INI keys of the coils the site has; a load is a weight above loadThreshold kg.
    GateLights(const QStringList &configuredCoils, qint64 loadThreshold);

    // Each weight the scale shows (or the last one, again): changes the lights only when the bridge turns loaded or
    // empty.
    Output weight(qint64 kilograms);
    // A weighing was stored; finished: it was the second one and the transport is done.
    Output weighingStored(bool finished);
    Output manualLight(Light light, Aspect aspect);
    Output manualBarrier();

    // What the lights should show now (at start, after the module reconnects).
    Output current() const;
    Phase phase() const { return m_phase; }

private:
    Aspect aspect(Light light) const;

    QSet<QString> m_configured;
    qint64 m_threshold;
    Phase m_phase = Phase::Idle;
    std::optional<Aspect> m_manualEntry, m_manualExit;
};
