#pragma once

// A machine made to order: volumes in any enumeration order, with any mount
// paths, drive types, media, sizes and failures. It records what it is asked.

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "volumes/volume_system.h"

namespace trackkit::testing {

inline std::wstring VolumeNameOf(const std::wstring& guid) { return L"\\\\?\\Volume{" + guid + L"}\\"; }

class FakeVolumeSystem final : public VolumeSystem {
public:
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
    std::map<std::wstring, bool> media;                // by device path; absent: no media
    std::map<std::wstring, int> icons;                 // by path
    std::map<std::wstring, DiskSpace> spaces;          // by path
    std::map<std::wstring, VolumeInformation> infos;   // by path

    // What it was asked: "drive C:\", "media \\.\X", "icon C:\", "space C:\", "info C:\".
    std::vector<std::wstring> calls;
    std::vector<std::size_t> mountBufferSizes;
    int searchesStarted = 0;
    int searchesOpen = 0;

    // A volume with the usual answers: NT device "\Device\HarddiskVolume<guid>",
    // one drive type for all its paths, 4 KB clusters, NTFS.
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
        if (startError != 0 || names.empty())
            return {nullptr, {startError != 0 ? startError : kErrorNoMoreFiles, {}}};
        ++searchesOpen;
        return {std::make_unique<Search>(*this), {0, names.front()}};
    }

    std::wstring NtDeviceName(std::wstring_view dosName) override { return Find(ntDevices, dosName).value_or(L""); }

    MountPathsReply MountPathNames(std::wstring_view volumeName, std::span<wchar_t> buffer) override
    {
        const std::wstring name(volumeName);
        mountBufferSizes.push_back(buffer.size());
        if (const auto error = Find(mountPathErrors, name))
            return {*error, 0};
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

    std::uint32_t DriveTypeOf(std::wstring_view path) override { return Asked(L"drive ", path, driveTypes).value_or(kDriveFixed); }
    bool MediaPresent(std::wstring_view device) override { return Asked(L"media ", device, media).value_or(false); }
    std::optional<int> SystemIconIndex(std::wstring_view path) override { return Asked(L"icon ", path, icons); }
    std::optional<DiskSpace> FreeSpace(std::wstring_view path) override { return Asked(L"space ", path, spaces); }
    std::optional<VolumeInformation> Information(std::wstring_view path) override { return Asked(L"info ", path, infos); }

private:
    class Search final : public VolumeSearch {
    public:
        explicit Search(FakeVolumeSystem& system) : system_(system) {}
        ~Search() override { --system_.searchesOpen; }
        VolumeNameReply Next() override
        {
            const std::size_t call = nextCalls_++;
            if (system_.breakAtNext == call)
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
        return it == map.end() ? std::nullopt : std::optional<Value>(it->second);
    }
    template <typename Value>
    std::optional<Value> Asked(const wchar_t* call, std::wstring_view key, const std::map<std::wstring, Value>& map)
    {
        calls.push_back(call + std::wstring(key));
        return Find(map, key);
    }

    std::uint32_t NextReportedLength(const std::wstring& name, std::uint32_t needed)
    {
        std::vector<std::uint32_t>& lengths = reportedLengths[name];
        if (lengths.empty())
            return needed;
        const std::uint32_t length = lengths.front();
        if (lengths.size() > 1)
            lengths.erase(lengths.begin());
        return length;
    }
};

} // namespace trackkit::testing
