#include "tracking/win32/device_io_driver.h"

#include <windows.h>
#include <winioctl.h>

#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
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
    // A read at an offset of the handle's own (the handle is synchronous, so
    // the OVERLAPPED only carries the offset). A volume is read in whole
    // sectors into sector-aligned memory, so a read that is not is made
    // through an aligned buffer of the volume's own and copied out.
    std::uint32_t ReadBytes(std::uint64_t offset, std::span<std::uint8_t> into) override
    {
        const std::uint64_t sector = SectorBytes();
        const auto address = reinterpret_cast<std::uintptr_t>(into.data());
        if (offset % sector == 0 && into.size() % sector == 0 && address % sector == 0)
            return ReadWhole(offset, into);
        const std::uint64_t first = offset / sector * sector;
        const std::uint64_t end = (offset + into.size() + sector - 1) / sector * sector;
        if (end - first > std::numeric_limits<DWORD>::max())
            return ERROR_INVALID_PARAMETER;
        // Reads may come from two threads at once (the file table's pass
        // reads ahead); the one bounce buffer serves one of them at a time.
        const std::lock_guard lock(bounceInUse_);
        if (!bounce_.Reserve(static_cast<std::size_t>(end - first)))
            return ERROR_NOT_ENOUGH_MEMORY;
        DWORD read = 0;
        if (const std::uint32_t error = ReadAt(first, bounce_.Bytes(static_cast<std::size_t>(end - first)), read))
            return error;
        // The volume's last sector may end before the rounded-up span does.
        if (read < offset - first + into.size())
            return ERROR_HANDLE_EOF;
        std::memcpy(into.data(), bounce_.Bytes(0).data() + (offset - first), into.size());
        return 0;
    }

private:
    // Memory of the volume's own, page-aligned, for reads that are not
    // whole aligned sectors.
    class AlignedBuffer {
    public:
        ~AlignedBuffer() { Free(); }
        bool Reserve(std::size_t size)
        {
            if (size <= size_)
                return true;
            Free();
            data_ = static_cast<std::uint8_t*>(VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
            size_ = data_ == nullptr ? 0 : size;
            return data_ != nullptr;
        }
        std::span<std::uint8_t> Bytes(std::size_t size) { return {data_, size == 0 ? size_ : size}; }

    private:
        void Free()
        {
            if (data_ != nullptr)
                VirtualFree(data_, 0, MEM_RELEASE);
            data_ = nullptr;
            size_ = 0;
        }
        std::uint8_t* data_ = nullptr;
        std::size_t size_ = 0;
    };

    std::uint32_t ReadWhole(std::uint64_t offset, std::span<std::uint8_t> into)
    {
        if (into.size() > std::numeric_limits<DWORD>::max())
            return ERROR_INVALID_PARAMETER;
        DWORD read = 0;
        if (const std::uint32_t error = ReadAt(offset, into, read))
            return error;
        return read == into.size() ? 0 : ERROR_HANDLE_EOF;
    }

    std::uint32_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> into, DWORD& read)
    {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        return ReadFile(handle_.Get(), into.data(), static_cast<DWORD>(into.size()), &read, &at) ? 0 : GetLastError();
    }

    // The volume's sector, asked once: 4,096 bytes (a multiple of every
    // sector Windows knows) when the volume does not say.
    std::uint64_t SectorBytes()
    {
        if (sectorBytes_ == 0) {
            DISK_GEOMETRY geometry{};
            DWORD returned = 0;
            const bool told = DeviceIoControl(handle_.Get(), IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0, &geometry,
                                              sizeof geometry, &returned, nullptr) &&
                              returned >= sizeof geometry;
            const DWORD bytes = geometry.BytesPerSector;
            sectorBytes_ = told && bytes >= 512 && bytes <= 65536 && (bytes & (bytes - 1)) == 0 ? bytes : 4096;
        }
        return sectorBytes_;
    }

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
    std::uint64_t sectorBytes_ = 0;
    AlignedBuffer bounce_;
    std::mutex bounceInUse_;
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
