#pragma once

// A machine made to order: volumes in any order, mount paths, drive types, media, sizes and failures; it records calls.

#include <map>
#include <vector>

#include "volumes/volume_system.h"

namespace trackkit::testing {

inline std::wstring VolumeNameOf(const std::wstring& guid) { return L"\\\\?\\Volume{" + guid + L"}\\"; }

class FakeVolumeSystem final : public VolumeSystem {
public:
    std::vector<std::wstring> names;         // enumeration order, given out verbatim
    std::uint32_t startError = 0;            // the search fails to start with it
    std::optional<std::size_t> breakAtNext;  // this Next() call (0 = the first) fails with ERROR_NOT_READY
    std::map<std::wstring, std::wstring> ntDevices;                // by "Volume{GUID}"
    std::map<std::wstring, std::wstring> mountPaths;               // by volume name: each path and its terminator
    std::map<std::wstring, std::uint32_t> mountPathErrors;         // by volume name; 0: none
    // Lengths claimed with ERROR_MORE_DATA instead of the true one, in turn; the last one repeats.
    std::map<std::wstring, std::vector<std::uint32_t>> reportedLengths;
    std::map<std::wstring, std::uint32_t> driveTypes;  // by mount path; absent: fixed
    std::map<std::wstring, bool> media;                // by device path; absent: no media
    std::map<std::wstring, int> icons;
    std::map<std::wstring, DiskSpace> spaces;
    std::map<std::wstring, VolumeInformation> infos;
    std::vector<std::wstring> calls;  // "nt Volume{GUID}", "drive C:\", "media \\.\X", "icon C:\", "space C:\", "info C:\"
    std::vector<std::size_t> mountBufferSizes;
    int searchesStarted = 0, searchesOpen = 0;

    // NT device "\Device\HarddiskVolume<guid>", one drive type for all paths, icon 7, NTFS.
    void AddVolume(const std::wstring& guid, const std::vector<std::wstring>& paths, std::uint32_t driveType = kDriveFixed,
                   DiskSpace space = {8, 512, 250, 1000})
    {
        names.push_back(VolumeNameOf(guid));
        ntDevices[L"Volume{" + guid + L"}"] = L"\\Device\\HarddiskVolume" + guid;
        for (const std::wstring& path : paths) {
            mountPaths[names.back()] += path + L'\0';
            driveTypes[path] = driveType, icons[path] = 7;
            spaces[path] = spaces[L"\\\\.\\" + path.substr(0, 2)] = space;
            infos[path] = {L"Label " + guid, 0x1234ABCD, 255, 0x00FF, L"NTFS"};
        }
    }

    VolumeSearchStart StartVolumeSearch() override
    {
        if (++searchesStarted; startError != 0 || names.empty())
            return {nullptr, {startError != 0 ? startError : kErrorNoMoreFiles, {}}};
        return {std::make_unique<Search>(*this), {0, names.front()}};
    }
    std::wstring NtDeviceName(std::wstring_view dosName) override { return Asked(L"nt ", dosName, ntDevices).value_or(L""); }
    MountPathsReply MountPathNames(std::wstring_view volumeName, std::span<wchar_t> buffer) override
    {
        const std::wstring name(volumeName), multi = mountPaths[name] + L'\0';
        mountBufferSizes.push_back(buffer.size());
        if (const std::uint32_t error = mountPathErrors[name])
            return {error, 0};
        const auto needed = static_cast<std::uint32_t>(multi.size());
        if (buffer.size() >= needed)
            return {0, static_cast<std::uint32_t>(multi.copy(buffer.data(), needed))};
        std::vector<std::uint32_t>& lengths = reportedLengths[name];
        const std::uint32_t reported = lengths.empty() ? needed : lengths.front();
        if (lengths.size() > 1)
            lengths.erase(lengths.begin());
        return {kErrorMoreData, reported};
    }
    std::uint32_t DriveTypeOf(std::wstring_view path) override { return Asked(L"drive ", path, driveTypes).value_or(kDriveFixed); }
    bool MediaPresent(std::wstring_view device) override { return Asked(L"media ", device, media).value_or(false); }
    std::optional<int> SystemIconIndex(std::wstring_view path) override { return Asked(L"icon ", path, icons); }
    std::optional<DiskSpace> FreeSpace(std::wstring_view path) override { return Asked(L"space ", path, spaces); }
    std::optional<VolumeInformation> Information(std::wstring_view path) override { return Asked(L"info ", path, infos); }

private:
    struct Search final : VolumeSearch {
        explicit Search(FakeVolumeSystem& owner) : system(owner) { ++system.searchesOpen; }
        ~Search() override { --system.searchesOpen; }
        VolumeNameReply Next() override
        {
            if (const std::size_t step = steps++; system.breakAtNext == step)
                return {21, {}};
            return steps < system.names.size() ? VolumeNameReply{0, system.names[steps]} : VolumeNameReply{kErrorNoMoreFiles, {}};
        }
        FakeVolumeSystem& system;
        std::size_t steps = 0;
    };

    template <typename Value>
    std::optional<Value> Asked(const wchar_t* call, std::wstring_view key, const std::map<std::wstring, Value>& map)
    {
        calls.push_back(call + std::wstring(key));
        const auto it = map.find(std::wstring(key));
        return it == map.end() ? std::nullopt : std::optional<Value>(it->second);
    }
};

} // namespace trackkit::testing
