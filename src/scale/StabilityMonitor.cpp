#include "StabilityMonitor.h"

#include <cstdlib>

WeightState StabilityMonitor::offer(const ProfileReading &reading, qint64 nowMs)
{
    if (reading.state) {
        m_settling = false;
        m_state = *reading.state;
        return m_state;
    }
    if (!reading.weight)
        return m_state;
    const qint32 weight = *reading.weight;
    if (!m_settling || std::abs(qint64(weight) - m_reference) > m_settings.toleranceKg) {
        m_settling = true;
        m_reference = weight;
        m_since = nowMs;
    }
    m_state = nowMs - m_since >= m_settings.settleMs ? WeightState::Stable : WeightState::Motion;
    return m_state;
}

void StabilityMonitor::reset()
{
    m_settling = false;
    m_state = WeightState::Motion;
}
