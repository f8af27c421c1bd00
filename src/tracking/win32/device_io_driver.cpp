#include "tracking/win32/device_io_driver.h"

#include <windows.h>

#include <limits>
#include <memory>
#include <string>
#include <utility>

#include "common/win32/unique_handles.h"
#include "tracking/driver_contract.h"

namespace trackkit {
namespace {

class DeviceIoVolume final : public TrackedVolume {
public:
    explicit DeviceIoVolume(UniqueHandle handle) : handle_(std::move(handle)) {}

    DriverReply QueryGeometry(std::span<std::uint8_t> out) override { return Send(kIoctlQueryGeometry, out); }
    DriverReply QueryStatistics(std::span<std::uint8_t> out) override { return Send(kIoctlQueryStatistics, out); }
    DriverReply QuerySessionBitmap(std::span<std::uint8_t> out) override
    {
        return Send(kIoctlQuerySessionBitmap, out);
    }
    DriverReply RequestRemoval() override { return Send(kIoctlRequestRemoval, {}); }
    DriverReply LookupStreamsFromClusters(std::span<const std::uint8_t> request, std::span<std::uint8_t> reply) override
    {
        return Send(kFsctlLookupStreamFromCluster, reply, request);
    }

private:
    // The output goes straight into the caller's buffer; only the cluster
    // lookup has input.
    DriverReply Send(std::uint32_t code, std::span<std::uint8_t> out, std::span<const std::uint8_t> in = {})
    {
        if (out.size() > std::numeric_limits<DWORD>::max() || in.size() > std::numeric_limits<DWORD>::max())
            return DriverReply::Failure(ERROR_INVALID_PARAMETER);
        DWORD returned = 0;
        void* input = in.empty() ? nullptr : const_cast<std::uint8_t*>(in.data());
        const BOOL ok = DeviceIoControl(handle_.Get(), code, input, static_cast<DWORD>(in.size()),
                                        out.empty() ? nullptr : out.data(), static_cast<DWORD>(out.size()), &returned,
                                        nullptr);
        if (!ok)
            return DriverReply::Failure(GetLastError());
        return DriverReply::Success(returned);
    }

    UniqueHandle handle_;
};

} // namespace

OpenVolumeResult DeviceIoDriver::OpenVolume(std::wstring_view path)
{
    const std::wstring fileName(path);
    UniqueHandle handle(CreateFileW(fileName.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
    if (!handle.Valid())
        return {nullptr, GetLastError()};
    return {std::make_unique<DeviceIoVolume>(std::move(handle)), 0};
}

} // namespace trackkit
