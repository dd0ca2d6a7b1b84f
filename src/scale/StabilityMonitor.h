#pragma once

#include "IndicatorProfile.h"

// Whether the load is at rest. A frame that reports its state is believed; for an indicator that sends only the
// number, the weight is stable once it has stayed within the tolerance of where it settled for the set time.
class StabilityMonitor
{
public:
    struct Settings {
        qint32 toleranceKg = 1; // [Opt] stabiltures
        qint64 settleMs = 1000; // [Opt] stabilido
    };

    StabilityMonitor() = default;
    explicit StabilityMonitor(Settings settings) : m_settings(settings) {}

    // A decoded frame at nowMs (a monotonic clock); returns the state after it. A frame without a weight and
    // without a state changes nothing.
    WeightState offer(const ProfileReading &reading, qint64 nowMs);
    WeightState state() const { return m_state; }
    // Forget the history, e.g. when the link drops: a load must settle again before it counts as stable.
    void reset();

private:
    Settings m_settings;
    WeightState m_state = WeightState::Motion;
    bool m_settling = false;
    qint32 m_reference = 0;
    qint64 m_since = 0;
};
