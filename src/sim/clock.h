#pragma once

#include <chrono>
#include <cstdint>
#include <ratio>

namespace trackkit {

// Where the simulation reads the time. The demo reads the steady clock; tests
// move a manual clock by hand, so nothing depends on real time passing.
class Clock {
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    virtual ~Clock() = default;
    virtual TimePoint Now() const = 0;
};

class SteadyClock final : public Clock {
public:
    TimePoint Now() const override { return std::chrono::steady_clock::now(); }
};

class ManualClock final : public Clock {
public:
    TimePoint Now() const override { return now_; }
    void Advance(std::chrono::nanoseconds step) { now_ += step; }

private:
    TimePoint now_{};
};

// FILETIME counts 100 ns ticks since 1 January 1601 (UTC).
using FileTimeTicks = std::chrono::duration<std::int64_t, std::ratio<1, 10'000'000>>;
inline constexpr std::uint64_t kUnixEpochAsFileTime = 116'444'736'000'000'000ULL;

// The FILETIME of a wall-clock instant, for a session's start time.
inline std::uint64_t FileTimeFromSystemTime(std::chrono::system_clock::time_point time)
{
    const auto sinceUnixEpoch = std::chrono::duration_cast<FileTimeTicks>(time.time_since_epoch());
    return kUnixEpochAsFileTime + static_cast<std::uint64_t>(sinceUnixEpoch.count());
}

} // namespace trackkit
