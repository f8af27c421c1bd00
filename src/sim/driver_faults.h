#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>

namespace trackkit {

// Windows error codes the simulated driver answers with.
inline constexpr std::uint32_t kErrorFileNotFound = 2;
inline constexpr std::uint32_t kErrorGenFailure = 31;
inline constexpr std::uint32_t kErrorInsufficientBuffer = 122;
inline constexpr std::uint32_t kErrorInvalidFunction = 1;
inline constexpr std::uint32_t kErrorNotSupported = 50;

// What a caller can ask of a simulated volume: opening it, the four requests
// of the tracking driver, and the file system's cluster lookup on the same
// handle.
enum class DriverRequest { Open, Geometry, Statistics, Bitmap, Removal, Lookup };
inline constexpr std::size_t kDriverRequestKinds = 6;

enum class FaultKind {
    Error,            // the request fails with `error`
    ShortReply,       // writes and reports `byteDelta` bytes fewer than it should
    LongReply,        // writes the true answer but reports `byteDelta` bytes more
    NoBytesPerBlock,  // geometry only: a record with bytes per block 0
    NoBlocks,         // geometry only: a record with N = 0
};

// One misbehaviour of the driver. On Open only Error has an effect; the two
// geometry kinds leave the other requests' answers alone.
struct Fault {
    FaultKind kind = FaultKind::Error;
    std::uint32_t error = kErrorGenFailure;
    std::uint32_t byteDelta = 1;

    static Fault Error(std::uint32_t code) { return {FaultKind::Error, code, 0}; }
    static Fault ShortBy(std::uint32_t bytes) { return {FaultKind::ShortReply, 0, bytes}; }
    static Fault LongBy(std::uint32_t bytes) { return {FaultKind::LongReply, 0, bytes}; }
    static Fault NoBytesPerBlock() { return {FaultKind::NoBytesPerBlock, 0, 0}; }
    static Fault NoBlocks() { return {FaultKind::NoBlocks, 0, 0}; }
};

// The faults planned for one volume, per request kind. One-shot faults are
// used up in the order they were added, before any persistent fault applies.
class FaultPlan {
public:
    void Once(DriverRequest request, const Fault& fault);
    void Always(DriverRequest request, const Fault& fault);
    void Clear(DriverRequest request);
    void ClearAll();

    // The fault for the request now arriving, if any; a one-shot fault is consumed.
    std::optional<Fault> Take(DriverRequest request);

private:
    struct Planned {
        std::deque<Fault> once;
        std::optional<Fault> always;
    };
    Planned& For(DriverRequest request) { return planned_[static_cast<std::size_t>(request)]; }

    std::array<Planned, kDriverRequestKinds> planned_;
};

// How many requests of each kind a volume received, failed ones included.
class RequestCounts {
public:
    void Record(DriverRequest request) { ++counts_[static_cast<std::size_t>(request)]; }
    std::uint64_t Of(DriverRequest request) const { return counts_[static_cast<std::size_t>(request)]; }

private:
    std::array<std::uint64_t, kDriverRequestKinds> counts_{};
};

} // namespace trackkit
