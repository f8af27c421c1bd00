#include "common/win32/csv_file.h"

#include <shobjidl.h>

#include <utility>

#include "common/win32/com_objects.h"
#include "common/win32/file_dialog.h"
#include "common/win32/system_message.h"
#include "common/win32/unique_handles.h"

namespace trackkit {
namespace {

// A file that is deleted when the object goes away, unless kept.
class TemporaryFile {
public:
    explicit TemporaryFile(std::wstring path) : path_(std::move(path)) {}
    ~TemporaryFile()
    {
        if (!kept_)
            DeleteFileW(path_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::wstring& Path() const { return path_; }
    void Keep() { kept_ = true; }

private:
    std::wstring path_;
    bool kept_ = false;
};

// The folder a path names a file in, ending in its separator; "." for a bare name.
std::wstring FolderOf(const std::wstring& path)
{
    const std::size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? std::wstring(L".") : path.substr(0, separator + 1);
}

CsvFileOutcome Failure(const std::wstring& path, DWORD error)
{
    return {CsvWriteResult::SinkFailed, L"Cannot write " + path + L": " + SystemMessageText(error)};
}

// A new, empty file of a unique name in the folder; nothing (and the last
// error set) when the folder takes none.
std::optional<std::wstring> CreateUniqueFileIn(const std::wstring& folder)
{
    wchar_t name[MAX_PATH] = {};
    if (GetTempFileNameW(folder.c_str(), L"tk", 0, name) == 0)
        return std::nullopt;
    return std::wstring(name);
}

bool WriteAll(HANDLE file, std::string_view bytes)
{
    DWORD written = 0;
    return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

} // namespace

std::optional<std::wstring> ChooseCsvPath(HWND owner)
{
    const ComApartment apartment;
    ComReference<IFileSaveDialog> dialog;
    if (FAILED(CoCreateInstance(CLSID_FileSaveDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IFileSaveDialog,
                                dialog.ReceiveVoid())))
        return std::nullopt;
    const COMDLG_FILTERSPEC types[] = {{L"CSV files (*.csv)", L"*.csv"}, {L"All files", L"*.*"}};
    FILEOPENDIALOGOPTIONS options = 0;
    if (FAILED(dialog->SetFileTypes(ARRAYSIZE(types), types)) || FAILED(dialog->SetDefaultExtension(L"csv")) ||
        FAILED(dialog->GetOptions(&options)) ||
        FAILED(dialog->SetOptions(options | FOS_OVERWRITEPROMPT | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST)))
        return std::nullopt;
    return ShowFileDialog(*dialog.Get(), owner, SIGDN_FILESYSPATH);
}

CsvFileOutcome WriteCsvFile(const std::wstring& path, const CsvWriter& write)
{
    const std::optional<std::wstring> created = CreateUniqueFileIn(FolderOf(path));
    if (!created)
        return Failure(path, GetLastError());
    TemporaryFile temporary(*created);
    UniqueHandle file(CreateFileW(temporary.Path().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return Failure(path, GetLastError());
    DWORD writeError = ERROR_SUCCESS;
    const auto sink = [&](std::string_view bytes) {
        if (WriteAll(file.Get(), bytes))
            return true;
        writeError = GetLastError();
        return false;
    };
    switch (write(sink)) {
    case CsvWriteResult::Cancelled: return {CsvWriteResult::Cancelled, {}};
    case CsvWriteResult::SinkFailed: return Failure(path, writeError);
    case CsvWriteResult::Written: break;
    }
    if (!FlushFileBuffers(file.Get()))
        return Failure(path, GetLastError());
    file.Reset();
    if (!MoveFileExW(temporary.Path().c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return Failure(path, GetLastError());
    temporary.Keep();
    return {};
}

} // namespace trackkit
