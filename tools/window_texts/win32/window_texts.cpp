// What a running program's windows show, for the scripts that drive it with
// real keys (the demo and the end-to-end runs): they wait for a text, a
// button's caption or a table's row count instead of for a fixed time, and
// say what they saw when it does not come.
//
//   trackkit_window_texts TITLE        the window, then its controls, one a
//                                      line: id, class, shown or hidden, its
//                                      rectangle on the screen ("left,top,
//                                      right,bottom"), text; for list views
//                                      "rows=N selected=N focused=N" instead
//   trackkit_window_texts --list       the titles of the shown top-level windows
//   trackkit_window_texts --menu       exit 0 while a menu is open
//   trackkit_window_texts --close TITLE  asks the window to close (WM_CLOSE)
//   trackkit_window_texts --rows TITLE   the cells of its list views' rows, a
//                                      row a line: the list's number among
//                                      them, the row's, then its cells, by tabs
//
// TITLE is a top-level window's whole title, or its beginning followed by
// "*". Exit 1 when no such window (or no menu) is there, 2 for a usage error.
#include <windows.h>

#include <commctrl.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>

namespace {

// IsWindowVisible answers false for windows of another desktop than the
// caller's, so the style bits of the window and its parents are read instead.
bool Shown(HWND window)
{
    for (; window != nullptr; window = GetAncestor(window, GA_PARENT)) {
        if ((GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE) == 0)
            return false;
        if ((GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD) == 0)
            return true;
    }
    return false;
}

std::wstring TextOf(HWND window)
{
    wchar_t text[1024] = {};
    // Across processes, so through the message rather than GetWindowTextW's shortcut.
    SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, nullptr);
    return text;
}

// Every top-level window of every desktop of this window station: the
// program may run on a Wine desktop of its own ("explorer /desktop=...").
template <typename Visit>
void ForEachTopLevel(Visit visit)
{
    struct Walk {
        Visit& visit;
        static BOOL CALLBACK Window(HWND window, LPARAM self) { return reinterpret_cast<Walk*>(self)->visit(window); }
        static BOOL CALLBACK Desktop(LPWSTR name, LPARAM self)
        {
            HDESK desktop = OpenDesktopW(name, 0, FALSE, DESKTOP_READOBJECTS | DESKTOP_ENUMERATE);
            if (desktop == nullptr)
                return TRUE;
            const BOOL goOn = EnumDesktopWindows(desktop, Window, self) || GetLastError() == ERROR_SUCCESS;
            CloseDesktop(desktop);
            return goOn;
        }
    } walk{visit};
    EnumDesktopsW(GetProcessWindowStation(), Walk::Desktop, reinterpret_cast<LPARAM>(&walk));
}

HWND FindTopLevel(std::wstring title)
{
    const bool prefix = !title.empty() && title.back() == L'*';
    if (prefix)
        title.pop_back();
    HWND found = nullptr;
    ForEachTopLevel([&](HWND window) {
        const std::wstring text = TextOf(window);
        if (Shown(window) && (prefix ? text.compare(0, title.size(), title) == 0 : text == title))
            found = window;
        return found == nullptr ? TRUE : FALSE;
    });
    return found;
}

std::string Utf8(const std::wstring& text)
{
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), bytes, nullptr, nullptr);
    return out;
}

std::string Place(HWND window)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    return std::to_string(rect.left) + "," + std::to_string(rect.top) + "," + std::to_string(rect.right) + "," +
           std::to_string(rect.bottom);
}

BOOL CALLBACK PrintControl(HWND control, LPARAM)
{
    wchar_t className[64] = {};
    GetClassNameW(control, className, 64);
    std::string line = std::to_string(GetDlgCtrlID(control)) + "\t" + Utf8(className) + "\t" +
                       (Shown(control) ? "shown" : "hidden") + "\t" + Place(control) + "\t";
    if (lstrcmpiW(className, WC_LISTVIEWW) == 0) {
        line += "rows=" + std::to_string(SendMessageW(control, LVM_GETITEMCOUNT, 0, 0)) +
                " selected=" + std::to_string(SendMessageW(control, LVM_GETSELECTEDCOUNT, 0, 0)) +
                " focused=" + std::to_string(SendMessageW(control, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    } else {
        line += Utf8(TextOf(control));
    }
    std::printf("%s\n", line.c_str());
    return TRUE;
}

// A list view of another process fills only buffers in its own memory, so
// the item and its text are handed over through a page of that process.
class RemoteItem {
public:
    explicit RemoteItem(HWND list)
    {
        DWORD id = 0;
        GetWindowThreadProcessId(list, &id);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, id);
        if (process_ != nullptr)
            page_ = static_cast<char*>(VirtualAllocEx(process_, nullptr, kPage, MEM_COMMIT, PAGE_READWRITE));
    }
    ~RemoteItem()
    {
        if (page_ != nullptr)
            VirtualFreeEx(process_, page_, 0, MEM_RELEASE);
        if (process_ != nullptr)
            CloseHandle(process_);
    }
    RemoteItem(const RemoteItem&) = delete;
    RemoteItem& operator=(const RemoteItem&) = delete;

    std::wstring Text(HWND list, int row, int column)
    {
        if (page_ == nullptr)
            return {};
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = reinterpret_cast<LPWSTR>(page_ + sizeof(LVITEMW));
        item.cchTextMax = kTextChars;
        wchar_t text[kTextChars] = {};
        if (!WriteProcessMemory(process_, page_, &item, sizeof(item), nullptr))
            return {};
        SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(page_));
        if (!ReadProcessMemory(process_, page_ + sizeof(LVITEMW), text, sizeof(text) - sizeof(wchar_t), nullptr))
            return {};
        return text;
    }

private:
    static constexpr int kTextChars = 1024;
    static constexpr SIZE_T kPage = sizeof(LVITEMW) + kTextChars * sizeof(wchar_t);
    HANDLE process_ = nullptr;
    char* page_ = nullptr;
};

BOOL CALLBACK PrintRows(HWND control, LPARAM counter)
{
    wchar_t className[64] = {};
    GetClassNameW(control, className, 64);
    if (lstrcmpiW(className, WC_LISTVIEWW) != 0)
        return TRUE;
    const int list = (*reinterpret_cast<int*>(counter))++;
    const auto columns = static_cast<int>(SendMessageW(ListView_GetHeader(control), HDM_GETITEMCOUNT, 0, 0));
    const auto rows = static_cast<int>(SendMessageW(control, LVM_GETITEMCOUNT, 0, 0));
    RemoteItem item(control);
    for (int row = 0; row < rows; ++row) {
        std::string line = std::to_string(list) + "\t" + std::to_string(row);
        for (int column = 0; column < columns; ++column)
            line += "\t" + Utf8(item.Text(control, row, column));
        std::printf("%s\n", line.c_str());
    }
    return TRUE;
}

bool MenuOpen()
{
    bool open = false;
    ForEachTopLevel([&](HWND window) {
        wchar_t className[16] = {};
        GetClassNameW(window, className, 16);
        open = Shown(window) && lstrcmpW(className, L"#32768") == 0;
        return open ? FALSE : TRUE;
    });
    return open;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    _setmode(_fileno(stdout), _O_BINARY);  // lines end in LF alone, as the scripts read them
    if (argc == 2 && std::wstring(argv[1]) == L"--menu")
        return MenuOpen() ? 0 : 1;
    if (argc == 2 && std::wstring(argv[1]) == L"--list") {
        ForEachTopLevel([](HWND window) {
            const std::wstring title = TextOf(window);
            if (Shown(window) && !title.empty())
                std::printf("%s\n", Utf8(title).c_str());
            return TRUE;
        });
        return 0;
    }
    if (argc == 3 && std::wstring(argv[1]) == L"--close") {
        HWND window = FindTopLevel(argv[2]);
        return window != nullptr && PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : 1;
    }
    if (argc == 3 && std::wstring(argv[1]) == L"--rows") {
        HWND window = FindTopLevel(argv[2]);
        if (window == nullptr)
            return 1;
        int lists = 0;
        EnumChildWindows(window, PrintRows, reinterpret_cast<LPARAM>(&lists));
        return 0;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: trackkit_window_texts TITLE | --list | --menu | --close TITLE | --rows TITLE\n");
        return 2;
    }
    HWND window = FindTopLevel(argv[1]);
    if (window == nullptr)
        return 1;
    std::printf("0\t(window)\tshown\t%s\t%s\n", Place(window).c_str(), Utf8(TextOf(window)).c_str());
    EnumChildWindows(window, PrintControl, 0);
    return 0;
}
