#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace trackkit::test {

// A fresh folder below the user's temporary folder, removed with all it holds
// when the object goes away. Free any module loaded from it first.
struct TempFolder {
    TempFolder() { std::filesystem::create_directories(path_); }
    ~TempFolder() { std::error_code ignored; std::filesystem::remove_all(path_, ignored); }

    std::wstring Path() const { return path_.wstring(); }  // without a trailing backslash
    // The full path of a file or folder inside, creating the folders on the way.
    std::wstring Make(const std::wstring& relative) const
    {
        std::filesystem::create_directories((path_ / relative).parent_path());
        return (path_ / relative).wstring();
    }
    inline static int count_ = 0;
    const std::filesystem::path path_ = std::filesystem::temp_directory_path() /
        (L"trackkit-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++count_));
};

// The folder of the running test program, ending in a backslash.
inline std::wstring TestProgramFolder()
{
    wchar_t name[MAX_PATH] = {};
    const std::wstring path(name, GetModuleFileNameW(nullptr, name, MAX_PATH));
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

inline void WriteFile(const std::wstring& path, const std::string& content)
{
    EXPECT_TRUE((std::ofstream(std::filesystem::path(path), std::ios::binary) << content).good()) << "cannot write";
}

// A file's bytes, or "<none>" when it cannot be read.
inline std::string FileBytes(const std::wstring& path)
{
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return file ? std::string(std::istreambuf_iterator<char>(file), {}) : std::string("<none>");
}

// Runs in another current directory while it lives.
struct InCurrentDirectory {
    explicit InCurrentDirectory(const std::wstring& path) { EXPECT_TRUE(SetCurrentDirectoryW(path.c_str())); }
    ~InCurrentDirectory() { SetCurrentDirectoryW(previous.c_str()); }
    const std::wstring previous = std::filesystem::current_path().wstring();
};

} // namespace trackkit::test
