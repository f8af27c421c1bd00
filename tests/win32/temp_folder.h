#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace trackkit::test {

// A fresh, empty folder below the user's temporary folder, removed with all
// it holds when the object goes away. Free any module loaded from it first.
class TempFolder {
public:
    TempFolder()
    {
        static std::atomic<int> counter{0};
        path_ = std::filesystem::temp_directory_path() /
                (L"trackkit-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter));
        std::error_code error;
        std::filesystem::remove_all(path_, error);
        std::filesystem::create_directories(path_, error);
        EXPECT_FALSE(error) << "cannot create " << path_.string();
    }
    ~TempFolder()
    {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Without a trailing backslash.
    std::wstring Path() const { return path_.wstring(); }

    // The full path of a file or folder inside, creating the folders on the way.
    std::wstring Make(const std::wstring& relative) const
    {
        const std::filesystem::path full = path_ / relative;
        std::error_code error;
        std::filesystem::create_directories(full.parent_path(), error);
        return full.wstring();
    }

private:
    std::filesystem::path path_;
};

// The folder of the running test program, ending in a backslash.
inline std::wstring TestProgramFolder()
{
    wchar_t name[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, name, MAX_PATH);
    std::wstring path(name, length);
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

inline void WriteFile(const std::wstring& path, const std::string& content)
{
    std::ofstream file(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
    file << content;
    EXPECT_TRUE(file.good()) << "cannot write " << std::filesystem::path(path).string();
}

inline bool CopyInto(const std::wstring& from, const std::wstring& to)
{
    return CopyFileW(from.c_str(), to.c_str(), FALSE) != FALSE;
}

} // namespace trackkit::test
