#pragma once

// A machine made to order: volumes in any enumeration order, with any mount
// paths, drive types, media, sizes and failures. It records what it is asked.

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "volumes/volume_system.h"

namespace trackkit::testing {

inline std::wstring VolumeNameOf(const std::wstring& guid) { return L"\\\\?\\Volume{" + guid + L"}\\"; }

class FakeVolumeSystem final : public VolumeSystem {
public:
    // ----- the machine --------------------------------------------------
    std::vector<std::wstring> names;  // enumeration order, given out verbatim
    std::uint32_t startError = 0;     // FindFirstVolumeW fails with it
    // The Next() call with this number (0 = the first) fails with breakError.
    std::optional<std::size_t> breakAtNext;
    std::uint32_t breakError = 21;  // ERROR_NOT_READY

    std::map<std::wstring, std::wstring> ntDevices;                // by "Volume{GUID}"
    std::map<std::wstring, std::vector<std::wstring>> mountPaths;  // by volume name
    std::map<std::wstring, std::uint32_t> mountPathErrors;         // by volume name
    // Lengths reported for ERROR_MORE_DATA instead of the true one, in turn;
    // the last one repeats.
    std::map<std::wstring, std::vector<std::uint32_t>> reportedLengths;
    std::map<std::wstring, std::uint32_t> driveTypes;  // by mount path; absent: fixed
    std::set<std::wstring> mediaIn;                    // device paths whose check succeeds
    std::map<std::wstring, int> icons;                 // by path
    std::map<std::wstring, DiskSpace> spaces;          // by path
    std::map<std::wstring, VolumeInformation> infos;   // by path

    // ----- what it was asked --------------------------------------------
    std::vector<std::wstring> calls;  // "drive C:\", "media \\.\X", "icon C:\", "space C:\", "info C:\"
    std::vector<std::size_t> mountBufferSizes;
    int searchesStarted = 0;
    int searchesOpen = 0;

    // A volume with the usual answers: NT device, mount paths, one drive
    // type for all its paths, 4 KB clusters, NTFS.
    void AddVolume(const std::wstring& guid, std::vector<std::wstring> paths, std::uint32_t driveType = kDriveFixed,
                   DiskSpace space = {8, 512, 250, 1000})
    {
        const std::wstring name = VolumeNameOf(guid);
        names.push_back(name);
        ntDevices[L"Volume{" + guid + L"}"] = L"\\Device\\HarddiskVolume" + guid;
        for (const std::wstring& path : paths) {
            driveTypes[path] = driveType;
            icons[path] = 7;
            spaces[path] = space;
            spaces[L"\\\\.\\" + path.substr(0, 2)] = space;
            infos[path] = {L"Label " + guid, 0x1234ABCD, 255, 0x00FF, L"NTFS"};
        }
        mountPaths[name] = std::move(paths);
    }

    VolumeSearchStart StartVolumeSearch() override
    {
        ++searchesStarted;
        if (startError != 0)
            return {nullptr, {startError, {}}};
        if (names.empty())
            return {nullptr, {kErrorNoMoreFiles, {}}};
        ++searchesOpen;
        return {std::make_unique<Search>(*this), {0, names.front()}};
    }

    std::wstring NtDeviceName(std::wstring_view dosDeviceName) override
    {
        const auto it = ntDevices.find(std::wstring(dosDeviceName));
        return it == ntDevices.end() ? std::wstring() : it->second;
    }

    MountPathsReply MountPathNames(std::wstring_view volumeName, std::span<wchar_t> buffer) override
    {
        const std::wstring name(volumeName);
        mountBufferSizes.push_back(buffer.size());
        if (const auto error = mountPathErrors.find(name); error != mountPathErrors.end())
            return {error->second, 0};
        std::wstring multi;
        for (const std::wstring& path : mountPaths[name])
            multi += path + L'\0';
        multi += L'\0';
        const auto needed = static_cast<std::uint32_t>(multi.size());
        if (buffer.size() < multi.size())
            return {kErrorMoreData, NextReportedLength(name, needed)};
        std::copy(multi.begin(), multi.end(), buffer.begin());
        return {0, needed};
    }

    std::uint32_t DriveTypeOf(std::wstring_view rootPath) override
    {
        calls.push_back(L"drive " + std::wstring(rootPath));
        const auto it = driveTypes.find(std::wstring(rootPath));
        return it == driveTypes.end() ? kDriveFixed : it->second;
    }

    bool MediaPresent(std::wstring_view devicePath) override
    {
        calls.push_back(L"media " + std::wstring(devicePath));
        return mediaIn.count(std::wstring(devicePath)) != 0;
    }

    std::optional<int> SystemIconIndex(std::wstring_view path) override
    {
        calls.push_back(L"icon " + std::wstring(path));
        return Find(icons, path);
    }

    std::optional<DiskSpace> FreeSpace(std::wstring_view rootPath) override
    {
        calls.push_back(L"space " + std::wstring(rootPath));
        return Find(spaces, rootPath);
    }

    std::optional<VolumeInformation> Information(std::wstring_view rootPath) override
    {
        calls.push_back(L"info " + std::wstring(rootPath));
        return Find(infos, rootPath);
    }

private:
    class Search final : public VolumeSearch {
    public:
        explicit Search(FakeVolumeSystem& system) : system_(system) {}
        ~Search() override { --system_.searchesOpen; }
        VolumeNameReply Next() override
        {
            const std::size_t call = nextCalls_++;
            if (system_.breakAtNext && *system_.breakAtNext == call)
                return {system_.breakError, {}};
            if (call + 1 >= system_.names.size())
                return {kErrorNoMoreFiles, {}};
            return {0, system_.names[call + 1]};
        }

    private:
        FakeVolumeSystem& system_;
        std::size_t nextCalls_ = 0;
    };

    template <typename Value>
    static std::optional<Value> Find(const std::map<std::wstring, Value>& map, std::wstring_view key)
    {
        const auto it = map.find(std::wstring(key));
        if (it == map.end())
            return std::nullopt;
        return it->second;
    }

    std::uint32_t NextReportedLength(const std::wstring& name, std::uint32_t needed)
    {
        auto it = reportedLengths.find(name);
        if (it == reportedLengths.end() || it->second.empty())
            return needed;
        const std::uint32_t length = it->second.front();
        if (it->second.size() > 1)
            it->second.erase(it->second.begin());
        return length;
    }
};

} // namespace trackkit::testing
