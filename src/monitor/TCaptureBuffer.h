#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace sorvik {

// The values of one burst: received bytes or carrier-detect pulse intervals.
class TCaptureBuffer
{
public:
    static constexpr int capacity = 10001;

    bool empty() const { return m_last < 0; }
    bool full() const { return m_last >= capacity - 1; }
    // Index of the last stored position, -1 when empty.
    int last() const { return m_last; }
    // Stores the value after the last one; a full buffer refuses and stays as it is.
    bool append(std::int32_t value)
    {
        if (full())
            return false;
        m_values[std::size_t(++m_last)] = value;
        return true;
    }
    void clear() { m_last = -1; }
    std::span<const std::int32_t> values() const { return {m_values.data(), std::size_t(m_last + 1)}; }

private:
    std::array<std::int32_t, capacity> m_values {};
    int m_last = -1;
};

} // namespace sorvik
