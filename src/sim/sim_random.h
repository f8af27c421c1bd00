#pragma once

#include <cstdint>

namespace trackkit {

// SplitMix64: a small generator whose sequence is fixed by its seed on every
// compiler and library, unlike the standard distributions, so a simulated
// workload replays identically wherever it is built.
class SimRandom {
public:
    explicit SimRandom(std::uint64_t seed) : state_(seed) {}

    std::uint64_t Next()
    {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

    // A number in [0, bound); 0 when bound is 0. The modulo bias is far below
    // anything a workload could show.
    std::uint64_t Below(std::uint64_t bound) { return bound == 0 ? 0 : Next() % bound; }

    // True about once in n calls.
    bool OneIn(std::uint64_t n) { return Below(n) == 0; }

private:
    std::uint64_t state_;
};

} // namespace trackkit
