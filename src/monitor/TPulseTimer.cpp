#include "TPulseTimer.h"

namespace sorvik {

TPulseTimer::TPulseTimer(std::int64_t frequency, Counter counter)
    : m_frequency(frequency > 0 ? frequency : 1), m_counter(std::move(counter))
{
}

std::optional<std::int32_t> TPulseTimer::pulse()
{
    const std::int64_t reading = m_counter();
    std::optional<std::int32_t> interval;
    if (m_previous) {
        const std::int64_t ticks = reading > *m_previous ? reading - *m_previous : 0;
        // Integer arithmetic: the fraction of a second, truncated to microseconds, without rounding drift.
        const std::int64_t fraction = ticks % m_frequency;
        interval = std::int32_t((__int128(fraction) * 1'000'000) / m_frequency);
    }
    m_previous = reading;
    return interval;
}

} // namespace sorvik
