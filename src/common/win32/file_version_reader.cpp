#include "common/win32/file_version_reader.h"

#include <span>
#include <vector>

namespace trackkit {

std::optional<FileVersion> ReadFileVersion(const std::wstring& path)
{
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0)
        return std::nullopt;
    std::vector<std::uint8_t> block(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data()))
        return std::nullopt;

    void* fixedInfo = nullptr;
    UINT fixedInfoLength = 0;
    if (!VerQueryValueW(block.data(), L"\\", &fixedInfo, &fixedInfoLength) || fixedInfo == nullptr)
        return std::nullopt;
    return DecodeFixedFileInfo(std::span(static_cast<const std::uint8_t*>(fixedInfo), fixedInfoLength));
}

std::wstring SystemDirectory()
{
    wchar_t folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return {};
    return std::wstring(folder, length);
}

} // namespace trackkit
