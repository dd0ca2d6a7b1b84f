#pragma once

#include <cstdint>
#include <functional>
#include <optional>

namespace sorvik {

// Times carrier-detect pulses with a high-resolution counter. Only the part of an interval below one
// second is kept, in whole microseconds: 1.25 s between pulses gives 250000.
class TPulseTimer
{
public:
    using Counter = std::function<std::int64_t()>;

    // frequency: counter ticks per second.
    TPulseTimer(std::int64_t frequency, Counter counter);

    // Takes a reading; the interval since the previous pulse, none for the first pulse.
    std::optional<std::int32_t> pulse();

private:
    std::int64_t m_frequency;
    Counter m_counter;
    std::optional<std::int64_t> m_previous;
};

} // namespace sorvik
