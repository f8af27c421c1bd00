#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

namespace trackkit {

// What one request to the tracking driver answered. bytesReturned is what the
// driver claims to have written into the output; error is the system's error
// code when the request failed (0 otherwise).
struct DriverReply {
    bool succeeded = false;
    std::uint32_t bytesReturned = 0;
    std::uint32_t error = 0;

    static DriverReply Success(std::uint32_t bytes) { return {true, bytes, 0}; }
    static DriverReply Failure(std::uint32_t errorCode) { return {false, 0, errorCode}; }
};

// One volume opened for the tracking driver's requests. Destroying it closes
// the volume. Each query writes into the caller's buffer, which the caller has
// zeroed where the contract asks for it.
class TrackedVolume {
public:
    virtual ~TrackedVolume() = default;
    virtual DriverReply QueryGeometry(std::span<std::uint8_t> out) = 0;
    virtual DriverReply QueryStatistics(std::span<std::uint8_t> out) = 0;
    virtual DriverReply QuerySessionBitmap(std::span<std::uint8_t> out) = 0;
    virtual DriverReply RequestRemoval() = 0;
    // The file system's answer to "which streams own these clusters"
    // (FSCTL_LOOKUP_STREAM_FROM_CLUSTER) on the same open volume: the request
    // and reply bytes are the published LOOKUP_STREAM_FROM_CLUSTER records.
    // Fails with ERROR_MORE_DATA (234) when the reply does not fit.
    virtual DriverReply LookupStreamsFromClusters(std::span<const std::uint8_t> request, std::span<std::uint8_t> reply) = 0;
    // The volume's own bytes, read raw: into.size() bytes at offset, both
    // multiples of the sector size. 0, or the system's error; a volume that
    // cannot be read raw answers ERROR_NOT_SUPPORTED (50).
    virtual std::uint32_t ReadBytes(std::uint64_t offset, std::span<std::uint8_t> into)
    {
        static_cast<void>(offset);
        static_cast<void>(into);
        return kErrorNotSupported;
    }

private:
    static constexpr std::uint32_t kErrorNotSupported = 50;
};

struct OpenVolumeResult {
    std::unique_ptr<TrackedVolume> volume;  // null when the open failed
    std::uint32_t error = 0;
};

// Opens volumes by device path ("\\.\C:") or volume name for the requests above.
class TrackingDriver {
public:
    virtual ~TrackingDriver() = default;
    virtual OpenVolumeResult OpenVolume(std::wstring_view path) = 0;
};

} // namespace trackkit
