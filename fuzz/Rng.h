#pragma once

#include <cstdint>

// A small, fast and reproducible random source (splitmix64): the same seed gives the same inputs on every machine.
class Rng
{
public:
    explicit Rng(std::uint64_t seed)
        : m_state(seed)
    {
    }

    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // Uniform in [0, bound); 0 when bound is 0.
    std::uint64_t below(std::uint64_t bound) { return bound == 0 ? 0 : next() % bound; }
    bool oneIn(std::uint64_t n) { return below(n) == 0; }

private:
    std::uint64_t m_state;
};
